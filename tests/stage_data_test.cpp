#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "game/objects.h"
#include "stages/stage_data.h"

namespace {

// What a caller leaves in the blocks before placing a layout: parked quads,
// plus insets and an alpha that a placement must overwrite.
void ParkBlocks()
{
    for (GAMEOBJ& block : g_Block) {
        SetQuad(block.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 17);
        block.rcHit = RECT{3, 3, 3, 3};
    }
}

// Reads the blocks back as the layout strings they came from, highest row
// first, checking each block's geometry on the way.
std::string ReadLayout()
{
    std::string cells;
    for (int row = 2; row >= 0; --row) {
        const float upper = 346.0f - 120.0f * row;
        for (int column = 0; column < 20; ++column) {
            const GAMEOBJ& block = g_Block[20 * row + column];
            const float top = block.vtx[0].y;
            if (top == QUAD_PARK) {
                cells += '.';
                continue;
            }
            cells += (top == upper) ? 'o' : (top == upper + 60.0f) ? 'v' : '?';
            EXPECT_EQ(block.vtx[0].x, 64.0f * column);
            EXPECT_EQ(block.vtx[2].x, 64.0f * column + 64.0f);
            EXPECT_EQ(block.vtx[2].y, top + 20.0f);
            EXPECT_GE(top, 106.0f);
            EXPECT_LE(block.vtx[2].y, 426.0f);
        }
        if (row > 0) cells += '|';
    }
    return cells;
}

std::string LayoutOf(int stage)
{
    g_nStage = stage;
    ParkBlocks();
    SetStageLayout(255);
    return ReadLayout();
}

int BlockCount(const std::string& layout)
{
    int count = 0;
    for (char c : layout) count += (c == 'o' || c == 'v');
    return count;
}

TEST(StageLayout, BlocksPerStageMatchTheDesign)
{
    const int expected[55] = {0,
        60, 56, 60, 52, 60, 48, 48, 60, 48, 48, 48, 56, 48, 56, 54, 48, 48, 60,
        60, 48, 56, 48, 48, 48, 60, 48, 60, 40, 48, 48, 48, 48, 45, 60, 54, 32,
        56, 48, 48, 20, 48, 39, 36, 56, 20, 60, 29, 54, 50, 32, 40, 14, 48, 48};
    int total = 0;
    std::set<std::string> distinct;
    for (int stage = 1; stage <= 54; ++stage) {
        const std::string layout = LayoutOf(stage);
        EXPECT_EQ(layout.find('?'), std::string::npos) << "stage " << stage;
        EXPECT_EQ(BlockCount(layout), expected[stage]) << "stage " << stage;
        total += BlockCount(layout);
        distinct.insert(layout);
    }
    EXPECT_EQ(total, 2603);
    EXPECT_EQ(distinct.size(), 29u);
}

TEST(StageLayout, SharedAndSpecialLayouts)
{
    EXPECT_EQ(LayoutOf(31), LayoutOf(32));
    for (int stage : {17, 23, 26, 39}) EXPECT_EQ(LayoutOf(stage), LayoutOf(7)) << stage;
    EXPECT_EQ(LayoutOf(99), LayoutOf(1));
    EXPECT_EQ(LayoutOf(52),
              ".........v.ooooooooo|.........vo.........|.........vo.........");
    EXPECT_EQ(LayoutOf(40),
              "....................|....................|vooovvooovvooovvooov");
}

TEST(StageLayout, PlacedBlocksGetAlphaAndZeroInsetsAndNothingElse)
{
    // Fill every field with a pattern so that any stray write shows.
    std::memset(g_Block, 0x5A, sizeof(g_Block));
    ParkBlocks();
    GAMEOBJ before[60];
    std::memcpy(before, g_Block, sizeof(g_Block));
    g_nStage = 45;
    SetStageLayout(128);
    for (int i = 0; i < 60; ++i) {
        const GAMEOBJ& block = g_Block[i];
        const bool placed = block.vtx[0].y != QUAD_PARK;
        SCOPED_TRACE("block " + std::to_string(i));
        EXPECT_EQ(block.vtx[0].color, placed ? 0x80FFFFFFu : QuadColor(17));
        EXPECT_EQ(block.vtx[1].tu, 1.0f);
        EXPECT_EQ(block.rcHit.left + block.rcHit.top + block.rcHit.right + block.rcHit.bottom,
                  placed ? 0 : 12);
        const size_t rest = offsetof(GAMEOBJ, nType);
        EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&block) + rest,
                              reinterpret_cast<const char*>(&before[i]) + rest, sizeof(GAMEOBJ) - rest),
                  0);
    }
}

TEST(StageLayout, UnknownStagePlacesNothing)
{
    for (int stage : {0, 55, 98, 100, -1}) {
        g_nStage = stage;
        ParkBlocks();
        GAMEOBJ before[60];
        std::memcpy(before, g_Block, sizeof(g_Block));
        SetStageLayout(255);
        EXPECT_EQ(std::memcmp(before, g_Block, sizeof(g_Block)), 0) << "stage " << stage;
    }
}

void EmptyEnemySlots()
{
    for (GAMEOBJ& enemy : g_Enemy) {
        SetQuad(enemy.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
        enemy.nType = enemy.nHp = 0;
        enemy.fY = -1.0f;
    }
}

bool IsBig(int type)
{
    return type == 9 || type == 19;
}

TEST(StageEnemies, EveryEntryFollowsThePlacementRules)
{
    const std::set<int> bossStages = {4, 9, 13, 18, 22, 27, 31, 36, 40, 45, 53};
    std::set<int> typesUsed;
    int placements = 0;
    for (int stage = 1; stage <= 99; stage = (stage == 54) ? 99 : stage + 1) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        g_nStage = stage;
        EmptyEnemySlots();
        g_nEnemyLeft = -7;
        SetStageEnemies();

        int enemies = 0;
        int placed = 0;
        bool firstBigJumper = true;
        for (int slot = 0; slot < 20; ++slot) {
            const GAMEOBJ& e = g_Enemy[slot];
            if (e.nType == 0) continue;
            ASSERT_LE(slot, 8);
            ++placed;
            typesUsed.insert(e.nType);
            if (e.nType != 8) ++enemies;

            const float size = IsBig(e.nType) ? 200.0f : 100.0f;
            EXPECT_EQ(e.vtx[2].x - e.vtx[0].x, size);
            EXPECT_EQ(e.vtx[2].y - e.vtx[0].y, size);
            EXPECT_EQ(e.fY, e.vtx[0].y);
            EXPECT_GE(e.vtx[0].x, 0.0f);
            EXPECT_LE(e.vtx[2].x, 1280.0f);
            EXPECT_EQ(e.vtx[1].tu, 0.1f);
            EXPECT_EQ(e.vtx[0].color, 0xFFFFFFFFu);

            // Start heights, and HP by world and boss stage: both catch a
            // mistyped number in a row.
            const int y = static_cast<int>(e.fY);
            if (IsBig(e.nType)) {
                EXPECT_EQ(y, (stage == 37 || stage == 52) ? 0 : 140);
            } else if (y == 245) {
                EXPECT_TRUE(e.nType == 4 && stage >= 10 && stage <= 12);
            } else if (y == 200) {
                EXPECT_TRUE(e.nType == 8 && (stage == 54 || stage == 99));
            } else {
                EXPECT_TRUE(y == 0 || y == 120 || y == 240) << y;
            }
            if (stage <= 9) {
                EXPECT_TRUE(e.nType == 2 || e.nType == 3 || e.nType == 12 || e.nType == 13);
            }
            if (e.nType == 8) {
                EXPECT_EQ(e.nHp, stage == 36 ? 3 : 1);
            } else if (stage == 45 && IsBig(e.nType) && firstBigJumper) {
                EXPECT_EQ(e.nHp, 2);
            } else if (bossStages.count(stage) != 0) {
                EXPECT_TRUE(e.nHp == 3 || e.nHp == 5) << e.nHp;
            } else if (stage >= 46 && stage <= 53) {
                EXPECT_EQ(e.nHp, stage == 52 ? 5 : 3);
            }
            if (IsBig(e.nType)) firstBigJumper = false;
        }
        EXPECT_EQ(g_nEnemyLeft, enemies);

        // A slot listed twice would be overwritten and vanish from the count.
        const StageEnemies* entry = FindStageEnemies(stage);
        ASSERT_NE(entry, nullptr);
        int listed = 0;
        while (listed < MAX_PLACEMENTS && entry->placements[listed].type != 0) ++listed;
        EXPECT_EQ(placed, listed);
        placements += placed;
    }
    EXPECT_EQ(placements, 212);
    EXPECT_EQ(typesUsed, (std::set<int>{2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 17, 19, 20}));
}

// Every stage's placements by value, written out by hand from the design's
// table (not derived from the game's data): "slot:type/hp(x,y)", in slot order.
struct ExpectedStage {
    int stage;
    int toDefeat;
    const char* placements;
};
const ExpectedStage kExpectedStages[] = {
    {1, 2, "0:2/1(400,0) 1:2/1(1000,120)"},
    {2, 2, "0:2/1(400,0) 1:2/1(1000,120)"},
    {3, 3, "0:2/1(400,0) 1:2/1(1000,120) 2:2/1(100,240)"},
    {4, 2, "0:12/3(400,0) 1:12/3(1000,120)"},
    {5, 3, "0:3/1(400,0) 1:2/1(1000,120) 2:12/1(100,240)"},
    {6, 4, "0:3/1(400,0) 1:12/1(1000,120) 2:2/1(100,240) 3:3/1(1000,0)"},
    {7, 4, "0:3/1(400,120) 1:12/1(1000,240) 2:2/1(100,240) 3:3/1(1000,0)"},
    {8, 3, "0:3/1(400,0) 1:3/1(1000,0) 2:3/1(100,0)"},
    {9, 3, "0:13/3(200,0) 1:13/3(1000,0) 2:12/3(1000,240)"},
    {10, 3, "0:13/1(200,0) 1:3/1(1000,0) 2:4/1(200,245)"},
    {11, 3, "0:13/1(600,0) 2:4/1(0,245) 3:4/1(1000,245)"},
    {12, 4, "0:3/1(600,0) 2:12/1(200,120) 3:4/1(1000,245) 4:4/1(1000,0) 5:8/1(1000,120)"},
    {13, 2, "0:14/3(1000,240) 2:14/3(200,120)"},
    {14, 3, "0:3/1(1000,0) 2:2/1(400,120) 3:5/1(200,120)"},
    {15, 3, "0:4/1(400,120) 2:12/1(1000,0) 3:5/1(600,240) 4:8/1(1000,120)"},
    {16, 3, "0:14/1(400,120) 2:13/1(1000,0) 3:5/1(600,240)"},
    {17, 4, "0:12/1(400,120) 2:2/1(1000,0) 3:5/1(0,240) 4:5/1(400,0) 5:8/1(100,0)"},
    {18, 2, "0:14/3(900,120) 2:15/3(1000,0)"},
    {19, 4, "0:12/1(900,120) 2:3/1(300,120) 3:2/1(1000,0) 4:6/1(600,0)"},
    {20, 4, "0:4/1(900,120) 2:13/1(500,0) 3:5/1(300,0) 4:6/1(600,0)"},
    {21, 5, "0:2/1(900,120) 2:12/1(500,0) 3:5/1(300,0) 4:6/1(200,0) 5:6/1(1000,0) 6:8/1(600,0)"},
    {22, 3, "0:12/3(900,120) 2:13/3(500,0) 3:16/3(1000,0)"},
    {23, 4, "0:12/1(900,120) 2:4/1(800,0) 3:15/1(500,240) 4:6/1(600,0)"},
    {24, 5, "0:15/1(500,120) 2:13/1(800,120) 3:12/1(500,240) 4:6/1(400,0) 5:6/1(1000,0)"},
    {25, 4, "0:12/1(500,120) 2:14/1(800,120) 3:12/1(1000,240) 4:16/1(400,0) 5:8/1(1000,0)"},
    {26, 3, "0:15/1(500,120) 1:13/1(900,0) 2:8/1(800,120) 4:16/1(500,0)"},
    {27, 4, "0:12/3(1000,120) 3:16/3(600,240) 4:16/3(600,120) 5:16/3(600,0)"},
    {28, 4, "0:12/1(400,120) 3:3/1(600,240) 4:2/1(100,0) 5:7/1(1100,0)"},
    {29, 4, "0:12/1(400,120) 3:13/1(600,0) 4:14/1(700,240) 5:7/1(1100,120)"},
    {30, 4, "0:2/1(400,120) 3:14/1(1000,0) 4:5/1(700,240) 5:7/1(200,120) 6:8/1(200,0)"},
    {31, 3, "0:12/3(400,120) 1:16/3(1000,0) 5:17/3(200,120)"},
    {32, 3, "0:13/1(400,120) 1:4/1(900,240) 5:17/1(1000,0)"},
    {33, 4, "0:6/1(400,0) 1:12/1(900,240) 2:14/1(200,240) 5:17/1(1000,0) 6:8/1(500,0)"},
    {34, 4, "0:17/1(100,0) 1:6/1(900,0) 2:3/1(200,240) 5:17/1(1000,240)"},
    {35, 4, "0:17/1(1000,0) 1:13/1(600,0) 2:15/1(500,120) 5:4/1(1000,240) 6:8/1(700,120)"},
    {36, 3, "0:17/3(1000,0) 1:17/3(1000,120) 2:17/3(1000,240) 3:8/3(700,240)"},
    {37, 3, "0:9/2(1000,0) 1:4/1(600,120) 2:12/1(100,240)"},
    {38, 4, "0:9/2(200,140) 1:15/1(600,120) 2:2/1(400,240) 3:3/1(1000,0) 4:8/1(1000,240)"},
    {39, 4, "0:9/2(500,140) 1:7/1(600,120) 2:12/1(1000,240) 3:6/1(400,0) 4:8/1(1100,0)"},
    {40, 2, "0:19/5(300,140) 1:19/5(700,140)"},
    {41, 5, "0:9/2(300,140) 1:14/1(600,120) 2:12/1(1000,240) 3:3/1(400,0) 4:6/1(1000,0)"},
    {42, 5, "0:9/2(300,140) 1:6/1(800,120) 2:5/1(1000,240) 3:5/1(400,0) 4:6/1(1000,0) 5:8/1(100,0)"},
    {43, 4, "0:9/2(300,140) 2:17/1(1100,120) 3:4/1(200,0) 4:9/2(800,140)"},
    {44, 4, "0:19/2(300,140) 2:14/1(1100,120) 3:8/1(200,0) 4:19/2(800,140) 5:12/1(600,120)"},
    {45, 4, "0:19/2(300,140) 2:19/5(800,140) 4:13/3(250,0) 5:13/3(0,0)"},
    {46, 4, "0:12/3(200,0) 1:12/3(1000,0) 2:12/3(500,120) 3:12/3(800,240) 4:8/1(1100,0)"},
    {47, 3, "0:13/3(0,0) 1:13/3(400,0) 2:13/3(1000,0) 4:8/1(1100,0)"},
    {48, 3, "0:14/3(1100,0) 1:14/3(1100,120) 2:14/3(1100,240) 4:8/1(0,0)"},
    {49, 3, "0:15/3(0,0) 1:15/3(200,0) 2:15/3(500,0) 4:8/1(600,0)"},
    {50, 3, "0:16/3(600,0) 1:16/3(550,120) 2:16/3(650,120) 4:8/1(600,240)"},
    {51, 3, "0:17/3(0,0) 1:17/3(1180,0) 2:17/3(1180,240) 4:8/1(0,240)"},
    {52, 3, "0:19/5(300,0) 1:19/5(500,0) 2:19/5(900,0) 4:8/1(1100,0)"},
    {53, 6, "1:12/3(1100,240) 2:13/3(600,0) 3:14/3(1000,120) 4:15/3(1100,0) 5:17/3(100,240) 6:16/3(1100,0) 7:8/1(1180,0) 8:8/1(0,0)"},
    {54, 1, "0:20/5(600,0) 1:8/1(600,200)"},
    {99, 1, "0:20/5(600,0) 1:8/1(600,200)"},
};

TEST(StageEnemies, EveryPlacementHasItsValues)
{
    for (const ExpectedStage& want : kExpectedStages) {
        SCOPED_TRACE("stage " + std::to_string(want.stage));
        g_nStage = want.stage;
        EmptyEnemySlots();
        SetStageEnemies();
        EXPECT_EQ(g_nEnemyLeft, want.toDefeat);

        bool listed[20] = {};
        const char* p = want.placements;
        int slot, type, hp, x, y, used;
        while (std::sscanf(p, " %d:%d/%d(%d,%d)%n", &slot, &type, &hp, &x, &y, &used) == 5) {
            p += used;
            ASSERT_TRUE(slot >= 0 && slot < 20);
            listed[slot] = true;
            const GAMEOBJ& e = g_Enemy[slot];
            const float size = IsBig(type) ? 200.0f : 100.0f;
            EXPECT_EQ(e.nType, type) << "slot " << slot;
            EXPECT_EQ(e.nHp, hp) << "slot " << slot;
            EXPECT_EQ(e.fY, (float)y) << "slot " << slot;
            EXPECT_EQ(e.vtx[0].x, (float)x) << "slot " << slot;
            EXPECT_EQ(e.vtx[0].y, (float)y) << "slot " << slot;
            EXPECT_EQ(e.vtx[2].x, x + size) << "slot " << slot;
            EXPECT_EQ(e.vtx[2].y, y + size) << "slot " << slot;
        }
        EXPECT_EQ(*p, '\0') << "unread expectation: " << p;
        for (int s = 0; s < 20; ++s) {
            if (!listed[s]) {
                EXPECT_EQ(g_Enemy[s].nType, 0) << "slot " << s << " must stay empty";
            }
        }
    }
}

TEST(StageEnemies, CounterDigits)
{
    const struct {
        int stage, world, inWorld;
    } cases[] = {{1, 1, 1}, {2, 1, 2}, {9, 1, 9}, {10, 2, 1}, {54, 6, 9}, {99, 6, 9}};
    for (const auto& c : cases) {
        g_nStage = c.stage;
        SetStageEnemies();
        EXPECT_EQ(g_StageDigit[0].nFrame, c.world) << "stage " << c.stage;
        EXPECT_EQ(g_StageDigit[1].nFrame, 0) << "stage " << c.stage;
        EXPECT_EQ(g_StageDigit[2].nFrame, c.inWorld) << "stage " << c.stage;
    }
}

TEST(StageEnemies, SkippedSlotsAndNotableStages)
{
    auto slotsOf = [](int stage) {
        g_nStage = stage;
        EmptyEnemySlots();
        SetStageEnemies();
        std::string used;
        for (const GAMEOBJ& e : g_Enemy) used += e.nType ? 'x' : '.';
        return used;
    };
    for (int stage = 11; stage <= 25; ++stage) EXPECT_EQ(slotsOf(stage)[1], '.') << stage;
    EXPECT_EQ(slotsOf(43)[1], '.');
    EXPECT_EQ(slotsOf(44)[1], '.');
    EXPECT_EQ(slotsOf(31), "xx...x..............");
    EXPECT_EQ(slotsOf(32), "xx...x..............");
    EXPECT_EQ(slotsOf(53), ".xxxxxxxx...........");
    EXPECT_EQ(g_nEnemyLeft, 6);
    EXPECT_EQ(slotsOf(12), "x.xxxx..............");
    EXPECT_EQ(g_nEnemyLeft, 4);

    slotsOf(54);
    EXPECT_EQ(g_Enemy[0].nType, 20);
    EXPECT_EQ(g_Enemy[0].nHp, 5);
    EXPECT_EQ(g_Enemy[0].vtx[0].x, 600.0f);
    EXPECT_EQ(g_Enemy[1].nType, 8);
    EXPECT_EQ(g_Enemy[1].vtx[0].y, 200.0f);
    EXPECT_EQ(g_nEnemyLeft, 1);
}

TEST(StageEnemies, WritesOnlyTheListedFields)
{
    std::memset(g_Enemy, 0x5A, sizeof(g_Enemy));
    GAMEOBJ before[20];
    std::memcpy(before, g_Enemy, sizeof(g_Enemy));
    g_nStage = 7;
    SetStageEnemies();
    for (int slot = 0; slot < 20; ++slot) {
        GAMEOBJ e;
        std::memcpy(&e, &g_Enemy[slot], sizeof(e));  // padding bytes included
        std::memcpy(e.vtx, before[slot].vtx, sizeof(e.vtx));
        e.fY = before[slot].fY;
        e.nType = before[slot].nType;
        e.nHp = before[slot].nHp;
        EXPECT_EQ(std::memcmp(&e, &before[slot], sizeof(e)), 0) << "slot " << slot;
    }
}

TEST(StageEnemies, UnknownStageChangesNothing)
{
    for (int stage : {0, 55, 98, 100}) {
        g_nStage = stage;
        EmptyEnemySlots();
        g_nEnemyLeft = 42;
        for (GAMEOBJ& digit : g_StageDigit) digit.nFrame = 7;
        GAMEOBJ before[20];
        std::memcpy(before, g_Enemy, sizeof(g_Enemy));
        SetStageEnemies();
        EXPECT_EQ(std::memcmp(before, g_Enemy, sizeof(g_Enemy)), 0) << "stage " << stage;
        EXPECT_EQ(g_nEnemyLeft, 42);
        for (const GAMEOBJ& digit : g_StageDigit) EXPECT_EQ(digit.nFrame, 7);
    }
}

}  // namespace
