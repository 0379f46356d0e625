// The stage start over real frames with the default assets: its timeline from
// the select confirm and after a clear, its sounds, the character mapping, the
// music of every stretch of stages, and the pictures a player sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/play_step.h"
#include "game/results.h"
#include "game/scene.h"
#include "game/stage_start.h"
#include "golden.h"
#include "platform/headless/headless_sound.h"
#include "road.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

struct Shown {
    const IDirect3DTexture8* texture;
    int alpha;
    bool operator==(const Shown& o) const { return texture == o.texture && alpha == o.alpha; }
};

std::ostream& operator<<(std::ostream& os, const Shown& s)
{
    return os << "{" << static_cast<const void*>(s.texture) << ", " << s.alpha << "}";
}

// What frame `frame` (as recorded) drew, blocks left out.
std::vector<Shown> DrawnWithoutBlocks(int frame)
{
    std::vector<Shown> out;
    for (const auto& d : headless::Draws()) {
        if (d.frame == frame && d.texture != g_pTexBlock) out.push_back({d.texture, (int)(d.v[0].color >> 24)});
    }
    return out;
}

int BlockDraws(int frame)
{
    int n = 0;
    for (const auto& d : headless::Draws()) n += d.frame == frame && d.texture == g_pTexBlock;
    return n;
}

int Count(const std::vector<std::string>& lines, const std::string& line)
{
    return (int)std::count(lines.begin(), lines.end(), line);
}

class StageStart : public ::testing::Test {
protected:
    DefaultAssets assets_;
    Scenario game_;
};

}  // namespace

// From the select confirm: 51 frames of the select picture fading out, the
// reload in frame 52, the loading picture fading out to frame 102 where the
// music starts, the portrait fading in, the stage text with its sound in frame
// 163, and the set-up in frame 202.
TEST_F(StageStart, RunsTwoHundredAndTwoFramesFromTheSelectConfirm) {
    RunToStageStart(game_);
    ASSERT_EQ(headless_sound::Primary(), "date/CharSelect.tov");
    const int base = headless::PresentCount();
    const IDirect3DTexture8* select = g_pTexCharSelect[0];
    const IDirect3DTexture8* loading = g_pTexLoading;
    ASSERT_NE(select, nullptr);
    ASSERT_NE(loading, nullptr);
    headless_sound::ClearEvents();

    game_.run(51);
    for (int f = 1; f <= 51; ++f) {
        EXPECT_EQ(DrawnWithoutBlocks(DrawFrame(base, f)),
                  (std::vector<Shown>{{loading, 255}, {select, 255 - 5 * (f - 1)}}))
            << "frame " << f;
    }
    EXPECT_EQ(g_nStageStep, 1);
    EXPECT_TRUE(headless_sound::Log().empty());
    EXPECT_EQ(g_pTexStageBack, nullptr);

    game_.run(1);  // frame 52
    std::vector<std::string> log = headless_sound::Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "stop date/CharSelect.tov");
    EXPECT_EQ(Count(headless_sound::Log("load"), "load date/Ring.tov"), 1);
    EXPECT_EQ(g_pTexCharSelect[0], nullptr);
    ASSERT_NE(g_pTexStageBack, nullptr);
    ASSERT_EQ(g_pTexLoading, loading) << "the loading picture stays through the reload";
    EXPECT_EQ(DrawnWithoutBlocks(DrawFrame(base, 52)),
              (std::vector<Shown>{{g_pTexStageBack, 255}, {loading, 255}}));
    EXPECT_EQ(BlockDraws(DrawFrame(base, 52)), 60);

    game_.run(49);  // to frame 101
    EXPECT_EQ(headless_sound::Primary(), "");
    game_.run(1);   // frame 102
    EXPECT_EQ(headless_sound::Primary(), "date/Ring.tov");
    EXPECT_EQ(g_pTexLoading, nullptr);
    EXPECT_EQ(DrawnWithoutBlocks(DrawFrame(base, 102)),
              (std::vector<Shown>{{g_pTexStageBack, 255}, {loading, 5}, {g_pTexStageBack, 255}, {g_pTexChar1, 0}}));
    // The blocks: under the last loading overlay, once more over it, and with the portrait.
    EXPECT_EQ(BlockDraws(DrawFrame(base, 102)), 180);

    game_.run(60);  // to frame 162
    EXPECT_EQ(Count(headless_sound::Log("play"), "play date/SE28.tov secondary once"), 0);
    EXPECT_EQ(DrawnWithoutBlocks(DrawFrame(base, 162)),
              (std::vector<Shown>{{g_pTexStageBack, 255}, {g_pTexChar1, 250}}));
    game_.run(1);   // frame 163
    EXPECT_EQ(Count(headless_sound::Log("play"), "play date/SE28.tov secondary once"), 1);
    EXPECT_EQ(DrawnWithoutBlocks(DrawFrame(base, 163)),
              (std::vector<Shown>{{g_pTexStageBack, 255}, {g_pTexComment, 255}, {g_pTexChar1, 255}}));
    EXPECT_FLOAT_EQ(g_vtxChar[0].tu, 0.25f);
    EXPECT_FLOAT_EQ(g_vtxChar[1].tu, 0.5f);
    EXPECT_FLOAT_EQ(g_vtxComment[1].tu, 0.2f);

    game_.run(38);  // to frame 201
    EXPECT_EQ(g_FrameNo, 30);
    game_.run(1);   // frame 202: the set-up
    EXPECT_EQ(g_FrameNo, 31);
    EXPECT_EQ(g_nStageStep, 5);
    EXPECT_EQ(g_nStageAlpha, 255);
    EXPECT_EQ(Count(headless_sound::Log("play"), "play date/SE28.tov secondary once"), 1);
    EXPECT_FLOAT_EQ(g_fScrollX, 250.0f);
    EXPECT_FLOAT_EQ(g_vtxBack[0].x, 0.0f);
    EXPECT_FLOAT_EQ(g_vtxBack[2].x, 1280.0f);
    EXPECT_EQ(g_nContinueSel, 1);
    EXPECT_TRUE(MessageBoxTexts().empty());
}

// A clear comes back at step 1 with the loading picture up: the reload comes
// first, the select picture never shows, and the stage is ready 151 frames later.
TEST_F(StageStart, AfterAClearRunsOneHundredAndFiftyOneFrames) {
    RunToPlay(game_);
    g_nStage = 2;
    g_FrameNo = 30;
    g_nStageStep = 1;
    g_nStageAlpha = 255;
    LoadLoadingTexture();
    const IDirect3DTexture8* loading = g_pTexLoading;
    ASSERT_NE(loading, nullptr);
    const int base = headless::PresentCount();
    int frames = 0;
    while (g_FrameNo == 30 && frames < 400) {
        game_.run(1);
        ++frames;
    }
    EXPECT_EQ(frames, 151);
    EXPECT_EQ(DrawnWithoutBlocks(DrawFrame(base, 1)),
              (std::vector<Shown>{{g_pTexStageBack, 255}, {loading, 255}}))
        << "the stage under the loading picture, no select picture";
}

// Characters 2 and 3 swap their data once per selection; 1, 4 and 5 keep theirs.
TEST_F(StageStart, MapsCharactersTwoAndThreeOnceWhenTheSelectPictureIsGone) {
    RunToStageStart(game_);
    const int expected[6] = {0, 1, 3, 2, 4, 5};
    for (int c = 1; c <= 5; ++c) {
        g_nCharacter = c;
        g_nStageStep = 0;
        g_nStageAlpha = 5;  // the last frame of the fade-out
        game_.run(1);
        EXPECT_EQ(g_nCharacter, expected[c]) << "character " << c;
        EXPECT_EQ(g_Player.nType, expected[c]) << "character " << c;
        EXPECT_EQ(g_nStageStep, 1);
    }
}

// Boss stages are tested before the stretches, so stage 9 plays the boss song;
// 54 has its own; 99 plays nothing.
TEST(StageMusic, BossStagesFirstThenTheWorldStretches) {
    const struct { int stage, slot; } table[] = {
        {1, 20}, {3, 20}, {4, 25}, {5, 20}, {9, 25}, {10, 21}, {13, 25}, {18, 25}, {19, 22},
        {22, 25}, {26, 22}, {27, 25}, {28, 27}, {31, 25}, {35, 27}, {36, 25}, {37, 28},
        {40, 25}, {44, 28}, {45, 25}, {46, 29}, {52, 29}, {53, 25}, {54, 30}, {99, -1},
    };
    for (const auto& row : table) EXPECT_EQ(StageMusicSlot(row.stage), row.slot) << "stage " << row.stage;
}

// Every stage start rebuilds the blocks from the stage data over parked ones,
// so blocks of the stage before never survive.
TEST_F(StageStart, BlocksAreRebuiltFromTheStageDataEveryFrame) {
    RunToStageStart(game_);
    game_.run(60);
    for (int i = 0; i < BLOCK_COUNT; ++i) g_Block[i].vtx[0].x = 12.0f;
    g_nStage = 2;
    game_.run(1);
    int placed = 0;
    for (int i = 0; i < BLOCK_COUNT; ++i) {
        EXPECT_NE(g_Block[i].vtx[0].x, 12.0f) << "block " << i;
        placed += g_Block[i].vtx[0].x != QUAD_PARK;
        EXPECT_EQ(g_Block[i].rcHit.left, 0);
    }
    EXPECT_GT(placed, 0);
}

TEST_F(StageStart, GoldenPictures) {
    RunToTitle(game_);
    game_.run(1);
    ExpectGolden("title_first_frame");
    game_.tap(HeadlessKey::Enter);
    for (int i = 0; i < 200 && g_FrameNo != 41; ++i) game_.run(1);
    game_.run(1);
    ExpectGolden("select");
    ASSERT_EQ(g_FrameNo, 41);
    game_.tap(HeadlessKey::Z);
    game_.run(119);
    ExpectGolden("stage_start_frame_120");
    game_.run(50);
    ExpectGolden("stage_start_frame_170");
}
