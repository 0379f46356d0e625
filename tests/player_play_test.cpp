// The player over real frames with the build's default assets: from the
// select screen's confirm through the stage start into play, then falling in,
// running both ways and scrolling, jumping onto a block, dropping through it,
// taking damage, and the HUD over it all. Enemies and shots belong to other
// modules: these tests empty the enemy slots as play begins, or place the one
// enemy they need themselves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/scene.h"
#include "golden.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

class PlayerPlay : public ::testing::Test {
protected:
    // From the select screen of character 1 into stage 1; the play scene is
    // current afterwards, no play frame has run and no enemy is in play.
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
        ASSERT_GE(g_nEnemyLeft, 1);
        for (GAMEOBJ& enemy : g_Enemy) {
            enemy.fGroundY = 0.0f;
            SetQuad(enemy.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
        }
    }

    // Frames run until `done` holds, at most `limit`; -1 when it never did.
    template <typename Done>
    int RunUntil(int limit, Done done) {
        for (int n = 1; n <= limit; ++n) {
            game_.run(1);
            if (done()) return n;
        }
        return -1;
    }
    int RunUntilOnFloor(int limit) {
        return RunUntil(limit, [] { return g_Player.nJumpState == JUMP_ON_GROUND; });
    }

    // Draws of `tex` in the frame just run.
    int DrawsOf(const IDirect3DTexture8* tex) const {
        int n = 0;
        for (const auto& d : headless::Draws())
            if (d.frame == game_.framesRun() - 1 && d.texture == tex) ++n;
        return n;
    }

    static float X1() { return g_Player.vtx[0].x; }

    DefaultAssets folder_;
    Scenario game_;
};

TEST_F(PlayerPlay, FallsInWithTheHudAndStandsStill) {
    EnterStageOne();
    EXPECT_EQ(g_Player.nType, 1);
    EXPECT_EQ(g_Player.nHp, 8);
    EXPECT_EQ(g_fScrollX, 250.0f);
    EXPECT_EQ(X1(), 250.0f);
    EXPECT_EQ(g_Player.vtx[0].y, 350.0f);

    // 26 pixels of fall onto the floor line take 19 frames; the landing
    // shows frame 0.
    EXPECT_EQ(RunUntilOnFloor(40), 19);
    EXPECT_EQ(g_Player.fY, 376.0f);
    EXPECT_EQ(g_Player.vtx[0].y, 376.0f);
    EXPECT_EQ(g_Player.vtx[2].y, 476.0f);
    EXPECT_EQ(g_Player.vtx[0].tu, 0.0f);
    game_.run(10);
    EXPECT_EQ(X1(), 250.0f);
    EXPECT_EQ(g_Player.vtx[0].tu, 0.0f);
    EXPECT_EQ(g_Player.vtx[1].tu, 0.05f);

    // Every play frame: HP panel, eight icons, the counter panel and the
    // digits 1, 0, 1, all under the player, who is drawn last of them.
    EXPECT_EQ(DrawsOf(g_pTexHPMeter1), 1);
    EXPECT_EQ(DrawsOf(g_pTexHP1), 8);
    EXPECT_EQ(DrawsOf(g_pTexStageCountBase), 1);
    EXPECT_EQ(DrawsOf(g_pTexStageCount), 3);
    EXPECT_EQ(DrawsOf(g_pTexMyCharR), 1);
    EXPECT_EQ(headless::Draws().back().texture, g_pTexMyCharR);
    EXPECT_EQ(g_StageDigit[0].vtx[0].tu, 0.1f);
    EXPECT_EQ(g_StageDigit[1].vtx[0].tu, 0.0f);
    EXPECT_EQ(g_StageDigit[2].vtx[1].tu, 0.2f);

    // The HP panel's top-left corner as the picture shows it.
    EXPECT_NE(headless::PixelAt(2, 2), headless::PixelAt(320, 240));
}

TEST_F(PlayerPlay, JumpsOntoABlockDropsThroughItAndLandsOnTheFloor) {
    EnterStageOne();
    ASSERT_EQ(RunUntilOnFloor(40), 19);

    // Under block 2 (column 2, the lower position of the lowest row, top 406).
    game_.hold(HeadlessKey::Left).run(50).release(HeadlessKey::Left).run(1);
    ASSERT_EQ(g_Block[2].vtx[0].y, 406.0f);
    ASSERT_GT(X1() + 55.0f, g_Block[2].vtx[0].x);
    ASSERT_LT(X1() + 45.0f, g_Block[2].vtx[2].x - 1.0f);
    EXPECT_EQ(g_Player.nFacing, FACING_LEFT);
    EXPECT_EQ(DrawsOf(g_pTexMyCharL), 1);

    // A held jump rises past the block's top and lands on it on the way down.
    game_.hold(HeadlessKey::X);
    int frames = RunUntil(80, [] { return g_Player.nJumpState != JUMP_RISING; });
    EXPECT_EQ(frames, 30);
    EXPECT_EQ(g_Player.fY, 376.0f - 65.25f);
    EXPECT_EQ(RunUntil(80, [] { return g_Player.nJumpState == JUMP_ON_BLOCK; }), 12);
    EXPECT_EQ(g_Player.vtx[2].y, 421.0f);  // hit-box bottom on the block's top
    EXPECT_EQ(g_Player.nFrame, 1);
    EXPECT_EQ(g_Player.bAirborne, 0);
    const float fYOnBlock = g_Player.fY;
    EXPECT_NE(fYOnBlock, 321.0f);  // the landing leaves the physics y alone
    game_.release(HeadlessKey::X).run(30);
    EXPECT_EQ(g_Player.nJumpState, JUMP_ON_BLOCK);
    EXPECT_EQ(g_Player.vtx[0].y, 321.0f);

    // Down and jump: through the block, 10 pixels and one frame of gravity.
    game_.hold(HeadlessKey::Down).hold(HeadlessKey::X).run(1);
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
    EXPECT_EQ(g_Player.fVy, 0.15f);
    EXPECT_EQ(g_Player.vtx[0].y, 321.0f + 10.0f + 0.15f);
    EXPECT_EQ(g_Player.fY, fYOnBlock + 0.15f);
    game_.release(HeadlessKey::Down).release(HeadlessKey::X);
    EXPECT_GT(RunUntilOnFloor(60), 0);
    EXPECT_EQ(g_Player.vtx[0].y, 376.0f);
    EXPECT_EQ(g_Player.fY, 376.0f);
}

TEST_F(PlayerPlay, RunsRightAcrossTheStageWithTheViewAndBack) {
    EnterStageOne();
    ASSERT_EQ(RunUntilOnFloor(40), 19);
    const float block2 = g_Block[2].vtx[0].x;

    // Up to the scroll range the player moves and the stage stays.
    game_.hold(HeadlessKey::Right);
    ASSERT_GT(RunUntil(100, [] { return g_fScrollX > 270.0f; }), 0);
    EXPECT_GT(X1(), 250.0f);
    EXPECT_LT(g_vtxBack[0].x, 0.0f);  // the whole of this frame's step
    ASSERT_GT(RunUntil(50, [] { return g_Player.fSpeed == 3.5f; }), 0);
    // In the range the player stays put on the screen and the stage moves
    // under it, the blocks with the background.
    const float x1 = X1();
    const float back = g_vtxBack[0].x;
    game_.run(100);
    EXPECT_EQ(X1(), x1);
    EXPECT_EQ(g_vtxBack[0].x, back - 350.0f);
    EXPECT_EQ(g_Block[2].vtx[0].x - g_vtxBack[0].x, block2);

    // Past 910 the stage sits at its right end and the player moves on.
    ASSERT_GT(RunUntil(200, [] { return g_fScrollX >= 910.0f; }), 0);
    EXPECT_EQ(g_vtxBack[0].x, -640.0f);
    EXPECT_EQ(g_vtxBack[2].x, 640.0f);
    EXPECT_EQ(g_Block[2].vtx[0].x, block2 - 640.0f);
    game_.run(10);
    EXPECT_GT(X1(), x1 + 30.0f);

    // Held against the right end: pushed back every frame, the scroll value
    // set to 1180, the hit box's right edge on the stage's.
    game_.run(120);
    EXPECT_EQ(g_fScrollX, 1180.0f);
    EXPECT_EQ((int)g_Player.vtx[2].x - 45, 640);
    EXPECT_EQ(g_vtxBack[0].x, -640.0f);

    // And back: the view follows to the left end, where the stage is
    // re-placed where the data put it.
    game_.release(HeadlessKey::Right).hold(HeadlessKey::Left);
    ASSERT_GT(RunUntil(400, [] { return g_fScrollX <= 270.0f; }), 0);
    EXPECT_EQ(g_vtxBack[0].x, 0.0f);
    EXPECT_EQ(g_Block[2].vtx[0].x, block2);
    game_.release(HeadlessKey::Left).run(1);
    EXPECT_EQ(g_Player.nJumpState, JUMP_ON_GROUND);
}

// A body hit takes one HP, plays the hurt sound and shows the damage
// flicker; nothing hurts again until more than 800 ms have passed.
TEST_F(PlayerPlay, DamageTakesOneHpPerWindowOf800Ms) {
    EnterStageOne();
    ASSERT_EQ(RunUntilOnFloor(40), 19);
    headless_sound::ClearEvents();

    // A walker standing on the player, put back there before every frame.
    GAMEOBJ& enemy = g_Enemy[0];
    auto placeEnemy = [&enemy] {
        SetQuadDiv10B(enemy.vtx, g_Player.vtx[0].x, 366.0f, g_Player.vtx[0].x + 100.0f, 466.0f, 255);
        enemy.rcHit = {40, 10, 40, 5};
        enemy.nType = ENEMY_SHOOTER;
        enemy.nState = ENEMY_STANDING;
        enemy.fGroundY = 366.0f;
        enemy.nHp = 3;
    };
    std::vector<DWORD> hits;
    std::vector<int> flicker;
    int hp = g_Player.nHp;
    for (int frame = 0; frame < 130; ++frame) {
        placeEnemy();
        game_.run(1);
        if (g_Player.nHp != hp) {
            EXPECT_EQ(g_Player.nHp, hp - 1);
            hp = g_Player.nHp;
            hits.push_back(g_dwNowTime);
            EXPECT_EQ(g_Player.dwHitTime, g_dwNowTime);
            EXPECT_EQ(g_Player.nFrame, 9);
        }
        if (!hits.empty() && g_dwNowTime - hits.back() <= 800) flicker.push_back(g_Player.nFrame);
    }
    ASSERT_EQ(hits.size(), 3u);
    for (size_t i = 1; i < hits.size(); ++i) {
        // The first frame whose clock is more than 800 ms on.
        EXPECT_GT(hits[i] - hits[i - 1], 800u);
        EXPECT_LE(hits[i] - hits[i - 1], 817u);
    }
    const std::vector<std::string> plays = headless_sound::Log("play");
    EXPECT_EQ(std::count(plays.begin(), plays.end(), "play date/SE08.tov secondary once"), 3);
    for (int f : flicker) EXPECT_TRUE(f == 9 || f == 18) << f;
    EXPECT_NE(std::count(flicker.begin(), flicker.end(), 18), 0);
    EXPECT_EQ(DrawsOf(g_pTexHP1), 5);
}

// Across the wrap of the millisecond clock the walk keeps stepping once per
// more than 100 ms: neither frozen nor stepping every frame.
TEST_F(PlayerPlay, WalkCadenceHoldsAcrossTheClockWrap) {
    EnterStageOne();
    ASSERT_EQ(RunUntilOnFloor(40), 19);
    game_.hold(HeadlessKey::Right).run(20);
    headless::SetClock(0xFFFFFFFFu - 300u);
    game_.run(1);

    std::vector<DWORD> steps;
    DWORD last = g_Player.dwAnimTime;
    bool wrapped = false;
    for (int frame = 0; frame < 60; ++frame) {
        game_.run(1);
        if (g_dwNowTime < 1000) wrapped = true;
        if (g_Player.dwAnimTime != last) {
            steps.push_back(g_Player.dwAnimTime - last);
            last = g_Player.dwAnimTime;
        }
    }
    ASSERT_TRUE(wrapped);
    ASSERT_GE(steps.size(), 7u);
    for (DWORD gap : steps) {
        EXPECT_GT(gap, 100u);
        EXPECT_LE(gap, 117u);
    }
}

// One play frame after a scripted run and jump: background scrolled, blocks,
// HUD, and the player in the air facing right.
TEST_F(PlayerPlay, GoldenPictureAfterARunAndAJump) {
    EnterStageOne();
    ASSERT_EQ(RunUntilOnFloor(40), 19);
    game_.hold(HeadlessKey::Right).run(70);
    game_.hold(HeadlessKey::X).run(20);
    ASSERT_EQ(g_Player.nJumpState, JUMP_RISING);
    ASSERT_LT(g_vtxBack[0].x, 0.0f);
    ExpectGolden("play_run_jump");
}

}  // namespace
