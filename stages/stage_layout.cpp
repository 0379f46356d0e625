// Block layouts of every stage.
#include "stages/stage_data.h"

#include "game/objects.h"
#include "shell/quad.h"

namespace {

// Stages that share a layout share a line. Columns run left to right, 64 px
// each; rows from the highest down.
const StageLayout kLayouts[] = {
    //  stages                          row 2 (highest)          row 1                    row 0 (lowest)
    {{1, 5, 8, 18, 34},             {"ooooooooovooooooooov", "ooooovooooooooovoooo", "oovooooooooovooooooo"}},
    {{2, 12, 21, 37, 44},           {"oovooooo....ooooovoo", "ooooovoooooooovooooo", "ooooooovoooovooooooo"}},
    {{3},                           {"vooooooooovooooooooo", "oooovooooooooovooooo", "ooooooovooooooooovoo"}},
    {{4},                           {"oovooooo....ooooovoo", "..ooovoooooooovooo..", "ooooooovoooovooooooo"}},
    {{6, 9, 11, 16, 20, 29, 38},    {"ooovvvoooooooovvvooo", "ov......ovvo......vo", "oooovoooooooooovoooo"}},
    {{7, 17, 23, 26, 31, 32, 39},   {"vooooo.oooooo.ooooov", "vooooooo....ooooooov", "voo...oooooooo...oov"}},
    {{10, 22},                      {".oooo.ooovvooo.oooo.", ".oooo.ooovvooo.oooo.", ".oooo.ooovvooo.oooo."}},
    {{13, 24, 41},                  {"oovoo.oo.oo.oo.oovoo", "oo.oo.oovoovoo.oo.oo", "oovoo.oo.oo.oo.oovoo"}},
    {{14},                          {"ooooo.ooovoooooooo.v", "oo.oovooooooooovoooo", "oovooooooooov.oooooo"}},
    {{15},                          {"oovooooo....ooooovoo", "ooooovoooooooovoo.oo", "oooo.oovoooovooooooo"}},
    {{19, 25, 27},                  {"voooooooooooooooooov", "voooooooooooooooooov", "voooooooooooooooooov"}},
    {{28},                          {"ooo...ooovvooo...ooo", "ov......ovvo......vo", "oooovo.ooooo.oovoooo"}},
    {{30},                          {"v.ooo.ooovvooo.ooo.v", "v.ooo.ooovvooo.ooo.v", "v.ooo.ooovvooo.ooo.v"}},
    {{33},                          {"oovoo.oo.oo.oo.oovoo", "oo.oo.o.voovoo.oo.oo", "oov.o.oo.oo.oo.oovo."}},
    {{35},                          {".oooovooovvooovoooo.", ".oooovooovvooovoooo.", ".oooovooovvooovoooo."}},
    {{36},                          {"vo.o.o.o.v.o.ooooooo", "vo...........ooooooo", "vo...........ooooooo"}},
    {{40},                          {"....................", "....................", "vooovvooovvooovvooov"}},
    {{42},                          {"vo.ooo.oo..oo.ooooov", "vo.o.ooo....oooo..ov", "voo...oo.oo.oo...oov"}},
    {{43},                          {"v.ooo.o.ovvo.o.o.o.v", "..o.ov.o.vv.o.vo..ov", "v.o.ovo.ovv..ovo.o.."}},
    {{45},                          {"oo..oo..oo..oo..ov..", "................ov..", "..vov......ovo..ov.."}},
    {{46},                          {"oovoooovoooovoooovoo", "oovoooovoooovoooovoo", "oovoooovoooovoooovoo"}},
    {{47},                          {"ooooovvv...vvvoooooo", "........ooovvv......", "..............ooovvv"}},
    {{48},                          {".voooooooooooo.ooooo", ".voooooooooooo.ooooo", ".voooooooooooo.ooooo"}},
    {{49},                          {"vooooov..vv..vooooov", "voooovo......ovoooov", "vooooovoooooovooooov"}},
    {{50},                          {"vooo..o..vv..o..ooov", "vooo.....oo.....ooov", "voooo..........oooov"}},
    {{51},                          {"..ovovovovvovovovo..", "o...ovovovvovovo...o", ".....vovovvovov....."}},
    {{52},                          {".........v.ooooooooo", ".........vo.........", ".........vo........."}},
    {{53},                          {".oovoo.oovvoo.oovoo.", ".oovoo.oovvoo.oovoo.", ".oovoo.oovvoo.oovoo."}},
    {{54},                          {"vo..oo..oooo..oo..ov", "oooovvvv....vvvvoooo", "vvooooooovvooooooovv"}},
};

// The test stage, 99, plays on stage 1's ground.
const int TEST_STAGE = 99;

const int GRID_COLUMNS = 20;
const int GRID_ROWS = 3;
const float BLOCK_WIDTH = 64.0f;
const float BLOCK_HEIGHT = 20.0f;
const float ROW0_UPPER_TOP = 346.0f;  // each row up is 120 px higher
const float ROW_SPACING = 120.0f;
const float LOWER_DROP = 60.0f;       // a 'v' block sits this much below an 'o'

}  // namespace

const StageLayout* FindStageLayout(int stage)
{
    if (stage == TEST_STAGE) {
        stage = 1;
    }
    if (stage < 1) {
        return nullptr;  // 0 pads the stage lists
    }
    for (const StageLayout& layout : kLayouts) {
        for (int listed : layout.stages) {
            if (listed == stage) {
                return &layout;
            }
        }
    }
    return nullptr;
}

void SetStageLayout(int alpha)
{
    const StageLayout* layout = FindStageLayout(g_nStage);
    if (layout == nullptr) {
        return;
    }
    for (int row = 0; row < GRID_ROWS; ++row) {
        const char* cells = layout->rows[GRID_ROWS - 1 - row];
        const float upperTop = ROW0_UPPER_TOP - ROW_SPACING * static_cast<float>(row);
        for (int column = 0; column < GRID_COLUMNS; ++column) {
            float top;
            if (cells[column] == 'o') {
                top = upperTop;
            } else if (cells[column] == 'v') {
                top = upperTop + LOWER_DROP;
            } else {
                continue;
            }
            GAMEOBJ& block = g_Block[GRID_COLUMNS * row + column];
            const float left = BLOCK_WIDTH * static_cast<float>(column);
            SetQuad(block.vtx, left, top, left + BLOCK_WIDTH, top + BLOCK_HEIGHT, alpha);
            SetRect(&block.rcHit, 0, 0, 0, 0);
        }
    }
}
