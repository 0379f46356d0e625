// The player over real frames with the build's default assets: from the
// select screen's confirm through the stage start into play, then falling in,
// running both ways and scrolling, jumping onto a block, dropping through it,
// and the HUD over it all. Enemies and shots are other modules; here the
// stage's enemy slots stay as the stage start leaves them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/play_step.h"
#include "game/scene.h"
#include "game/stage_start.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

// The build writes its default set into <build>/date; the game reads date/
// from its current directory, which must be set before the sound module
// takes it as its search directory.
class InBuildFolder {
public:
    InBuildFolder() {
        std::string dir = POTE_ASSET_DIR;
        dir = dir.substr(0, dir.rfind('/'));
        EXPECT_EQ(chdir(dir.c_str()), 0);
    }
};

class PlayerPlay : public ::testing::Test {
protected:
    // From the select screen of character 1 into the first play frame of
    // stage 1; the play scene is current afterwards and no play frame has run.
    void EnterStageOne() {
        g_nStage = 1;
        g_FrameNo = 40;
        g_bNoFadeOut = 1;
        game_.run(2);
        ASSERT_EQ(g_FrameNo, 41);
        game_.tap(HeadlessKey::Z);
        ASSERT_EQ(g_FrameNo, 30);
        for (int i = 0; i < 400 && g_FrameNo == 30; ++i) game_.run(1);
        ASSERT_EQ(g_FrameNo, 31);
        ASSERT_TRUE(MessageBoxTexts().empty());
    }

    // Frames until the player stands on the floor line, at most `limit`.
    int RunUntilOnFloor(int limit) {
        for (int n = 1; n <= limit; ++n) {
            game_.run(1);
            if (g_Player.nJumpState == JUMP_ON_GROUND) return n;
        }
        return -1;
    }

    static int DrawsOf(const IDirect3DTexture8* tex, int frame) {
        int n = 0;
        for (const auto& d : headless::Draws())
            if (d.frame == frame && d.texture == tex) ++n;
        return n;
    }
    int LastFrame() const { return game_.framesRun() - 1; }

    InBuildFolder folder_;
    Scenario game_;
};

TEST_F(PlayerPlay, FallsInRunsScrollsJumpsAndDrops) {
    EnterStageOne();
    EXPECT_EQ(g_Player.nType, 1);
    EXPECT_EQ(g_Player.nHp, 8);
    EXPECT_EQ(g_fScrollX, 250.0f);
    EXPECT_EQ(g_Player.vtx[0].x, 250.0f);
    EXPECT_EQ(g_Player.vtx[0].y, 350.0f);

    // Falls onto the floor line in 19 frames and stands in frame 0.
    EXPECT_EQ(RunUntilOnFloor(40), 19);
    EXPECT_EQ(g_Player.fY, 376.0f);
    EXPECT_EQ(g_Player.vtx[0].y, 376.0f);
    EXPECT_EQ(g_Player.vtx[2].y, 476.0f);
    game_.run(10);
    EXPECT_EQ(g_Player.vtx[0].tu, 0.0f);
    EXPECT_EQ(g_Player.vtx[1].tu, 0.05f);

    // The HUD: panel, eight icons, counter panel and the digits 1, 0, 1.
    EXPECT_EQ(DrawsOf(g_pTexHPMeter1, LastFrame()), 1);
    EXPECT_EQ(DrawsOf(g_pTexHP1, LastFrame()), 8);
    EXPECT_EQ(DrawsOf(g_pTexStageCount, LastFrame()), 3);
    EXPECT_EQ(g_StageDigit[0].nFrame, 1);
    EXPECT_EQ(g_StageDigit[1].nFrame, 0);
    EXPECT_EQ(g_StageDigit[2].nFrame, 1);
    EXPECT_EQ(g_StageDigit[2].vtx[0].tu, 0.1f);

    // Left, in the left part of the stage: the player moves, the stage stays.
    game_.hold(HeadlessKey::Left).run(40);
    EXPECT_EQ(g_Player.nFacing, FACING_LEFT);
    EXPECT_LT(g_Player.vtx[0].x, 150.0f);
    EXPECT_EQ(g_vtxBack[0].x, 0.0f);
    EXPECT_EQ(g_Player.fSpeed, 3.5f);
    game_.release(HeadlessKey::Left).run(1);
    EXPECT_EQ(g_Player.fSpeed, 1.0f);
    std::printf("x1 %.2f scroll %.2f\n", g_Player.vtx[0].x, g_fScrollX);
}

}  // namespace
