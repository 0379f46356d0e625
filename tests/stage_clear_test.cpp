// The stage clear and the ending over real frames, and the result banner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/play_step.h"
#include "game/results.h"
#include "play_road.h"
#include "shell/input.h"
#include "test_support.h"

namespace {

using Strings = std::vector<std::string>;

std::string N(int n) { return std::to_string(n); }

const std::string kStage = "back blocks player";

// Draws DrawResultMessage(alpha) alone and reads back the banner it drew:
// its frame by the left u, or -1 when it drew nothing.
int BannerFrame(int alpha = 200) {
    headless::ClearDraws();
    InScene scene;
    DrawResultMessage(alpha);
    if (headless::Draws().empty()) return -1;
    EXPECT_EQ(headless::Draws().size(), 1u);
    const auto& d = headless::Draws().back();
    EXPECT_EQ(d.texture, g_pTexComment);
    EXPECT_EQ(d.v[0].color >> 24, (uint32_t)alpha);
    EXPECT_EQ(d.v[0].x, 140.0f);
    EXPECT_EQ(d.v[0].y, 80.0f);
    EXPECT_EQ(d.v[2].x, 500.0f);
    EXPECT_EQ(d.v[2].y, 280.0f);
    EXPECT_FLOAT_EQ(d.v[1].u - d.v[0].u, 0.2f);
    EXPECT_EQ(d.v[3].u, d.v[0].u);
    EXPECT_EQ(d.v[2].u, d.v[1].u);
    return (int)(d.v[0].u / 0.2f + 0.5f);
}

class ResultBanner : public PlayRoad {};
class StageClearRoad : public PlayRoad {};
class EndingRoad : public PlayRoad {
protected:
    // Play on stage 9 with its last enemy gone, already at the sub-step given.
    void AtEndingStep(int step, int alpha) {
        StartStage(9, 8);
        g_nEnemyLeft = 0;
        g_nStageStep = step;
        g_nStageAlpha = alpha;
    }
};

}  // namespace

// Game over first; nothing while enemies remain; then the kind of clear.
TEST_F(ResultBanner, FrameFollowsTheOutcomeInItsOrder) {
    LoadGameAssets();
    g_Player.nHp = 3;
    g_nEnemyLeft = 2;
    g_nStage = 9;
    EXPECT_EQ(BannerFrame(), -1);
    g_Player.nHp = 0;
    EXPECT_EQ(BannerFrame(), 3);
    g_nEnemyLeft = 0;
    EXPECT_EQ(BannerFrame(17), 3);
    g_Player.nHp = 1;
    for (int stage : {9, 18, 27, 36, 45, 53}) {
        g_nStage = stage;
        EXPECT_EQ(BannerFrame(), 2) << "stage " << stage;
    }
    g_nStage = 54;
    EXPECT_EQ(BannerFrame(255), 4);
    for (int stage : {1, 3, 4, 8, 10, 52, 99}) {
        g_nStage = stage;
        EXPECT_EQ(BannerFrame(0), 1) << "stage " << stage;
    }
    // The last frame ends the strip exactly.
    g_nStage = 54;
    InScene scene;
    DrawResultMessage(255);
    EXPECT_FLOAT_EQ(headless::Draws().back().v[1].u, 1.0f);
}

// Stage 3 cleared: banner frame 1 over the frozen stage, the jingle in the
// tenth frame, the hold, the loading picture, then stage 4's start at its
// step 1 with the HP the player had.
TEST_F(StageClearRoad, ClearLeadsToTheNextStageWithHpCarried) {
    StartStage(3, 5);
    // A recovery item still on the field and a shot in flight are not drawn.
    SetQuadDiv10A(g_Enemy[0].vtx, 400, 376, 500, 476, 255);
    g_Enemy[0].fGroundY = 376.0f;
    g_Enemy[0].nType = ENEMY_ITEM;
    g_Player.nShotState[0] = SHOT_FLYING;
    SetQuad(g_PlayerShot[0].vtx, 300, 400, 340, 440, 255);
    g_nEnemyLeft = 0;

    ASSERT_EQ(Frame(), kStage + " comment1:0");
    EXPECT_EQ(Sounds(), Strings{"stop all"});
    headless_sound::ClearEvents();
    Frames(8, [](int i) { return kStage + " comment1:" + N(5 * i); });
    EXPECT_TRUE(Sounds().empty());
    ASSERT_EQ(Frame(), kStage + " comment1:45");
    EXPECT_EQ(Sounds(), Strings{"play date/StageClear.tov primary once"});

    // Pause pressed during the sequence flips nothing that lasts.
    game_.hold(HeadlessKey::Space);
    ASSERT_EQ(Frame(), kStage + " comment1:50");
    game_.release(HeadlessKey::Space);
    EXPECT_EQ(g_bPause, 0);
    Frames(40, [](int i) { return kStage + " comment1:" + N(50 + 5 * i); });
    EXPECT_EQ(g_nStageStep, 6);

    EXPECT_EQ(g_pTexLoading, nullptr);
    Frames(51, [](int) { return kStage + " comment1:255"; });
    EXPECT_EQ(g_nStageStep, 7);
    EXPECT_NE(g_pTexLoading, nullptr);
    Frames(50, [](int i) { return kStage + " comment1:255 loading:" + N(5 * (i - 1)); });
    EXPECT_EQ(g_FrameNo, 31);
    ASSERT_EQ(Frame(), kStage + " comment1:255 loading:250");
    EXPECT_EQ(g_FrameNo, 30);
    EXPECT_EQ(g_nStageStep, 1);
    EXPECT_EQ(g_nStageAlpha, 255);
    EXPECT_EQ(g_nStage, 4);
    EXPECT_EQ(Sounds(), Strings{"play date/StageClear.tov primary once"});

    // The stage start runs from its reload: no select picture, stage 4 with
    // the boss music, the player's HP untouched.
    headless_sound::ClearEvents();
    g_nEnemyLeft = 3;
    game_.run(151);
    EXPECT_EQ(g_FrameNo, 31);
    EXPECT_EQ(g_nStage, 4);
    EXPECT_EQ(g_Player.nHp, 5);
    EXPECT_EQ(headless_sound::Primary(), "date/bossbattle.tov");
    EXPECT_TRUE(MessageBoxTexts().empty());
}

// Stage 9 cleared: the ending, frame by frame, to the logo. Enter does not
// pass its waits; Z does.
TEST_F(EndingRoad, EndingRunsToTheLogoAndEnterDoesNotPassTheWaits) {
    StartStage(9, 6);
    g_nEnemyLeft = 0;
    Frames(49, [](int i) { return kStage + " char3:" + N(i - 1); });
    EXPECT_TRUE(Sounds().empty());  // the stage music plays on
    ASSERT_EQ(Frame(), kStage + " char3:49");
    EXPECT_EQ(Sounds(), (Strings{"stop all", "play date/RoundClear.tov primary loop"}));
    Frames(205, [](int i) { return kStage + " char3:" + N(49 + i); });
    EXPECT_EQ(g_nStageStep, 6);
    Frames(255, [](int i) { return kStage + " char3:255 comment2:" + N(i - 1); });
    EXPECT_EQ(g_nStageStep, 7);

    // The first wait: Enter held, pressed again, joypad stick: nothing.
    const std::string banners = kStage + " char3:255 comment2:255";
    game_.hold(HeadlessKey::Enter);
    Frames(30, [&](int) { return banners; });
    game_.release(HeadlessKey::Enter);
    Frames(2, [&](int) { return banners; });
    game_.hold(HeadlessKey::Enter);
    Frames(60, [&](int) { return banners; });
    game_.release(HeadlessKey::Enter);
    EXPECT_EQ(g_nStageStep, 7);
    EXPECT_EQ(g_nStageAlpha, 0);

    game_.hold(HeadlessKey::Z);
    ASSERT_EQ(Frame(), banners);
    game_.release(HeadlessKey::Z);
    EXPECT_EQ(g_nStageStep, 8);
    headless_sound::ClearEvents();
    Frames(255, [&](int i) { return banners + " black:" + N(i - 1); });
    EXPECT_EQ(g_nStageStep, 9);
    EXPECT_TRUE(Sounds().empty());

    // The message picture alone, over black, with the select music.
    ASSERT_EQ(Frame(), "message:0");
    EXPECT_EQ(headless_sound::Log("stop"), Strings{"stop all"});
    EXPECT_EQ(headless_sound::Log("play"), Strings{"play date/CharSelect.tov primary loop"});
    Frames(254, [](int i) { return "message:" + N(i); });
    EXPECT_EQ(g_nStageStep, 10);

    game_.hold(HeadlessKey::Enter);
    Frames(40, [](int) { return std::string("message:255"); });
    game_.release(HeadlessKey::Enter);
    EXPECT_EQ(g_nStageStep, 10);
    game_.tap(HeadlessKey::Z);
    EXPECT_EQ(g_nStageStep, 11);
    Frames(254, [](int i) { return "message:255 black:" + N(i - 1); });
    EXPECT_EQ(g_FrameNo, 31);
    ASSERT_NE(g_pTexComment, nullptr);
    game_.run(1);

    // The logo, and a new game from stage 1 with its HP to be refilled.
    EXPECT_EQ(g_FrameNo, 10);
    EXPECT_EQ(g_nStageStep, 0);
    EXPECT_EQ(g_nStageAlpha, 255);
    EXPECT_EQ(g_nStage, 1);
    EXPECT_EQ(g_Player.nHp, 0);
    EXPECT_EQ(g_pTexComment, nullptr);
    EXPECT_EQ(g_pTexChar1, nullptr);
    EXPECT_EQ(g_pTexStageBack, nullptr);
    EXPECT_EQ(headless_sound::Primary(), "date/CharSelect.tov");
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 10);
    EXPECT_NE(g_pTexLogo1, nullptr);
    EXPECT_EQ(headless_sound::Primary(), "date/logo.tov");
    EXPECT_TRUE(MessageBoxTexts().empty());
}

// The joypad's button 0 passes a wait as Z does.
TEST_F(EndingRoad, JoypadButtonZeroPassesTheWait) {
    AtEndingStep(7, 0);
    game_.run(3);
    EXPECT_EQ(g_nStageStep, 7);
    // Without a joypad nothing overwrites its bits: this is button 0 down.
    g_dwPadInput = PAD_BUTTON0;
    game_.run(1);
    EXPECT_EQ(g_nStageStep, 8);
}

// The fade clears the attack latch in every frame, so Z held from the first
// wait's press passes the second wait at once.
TEST_F(EndingRoad, HeldAttackPassesTheSecondWaitAtOnce) {
    AtEndingStep(7, 0);
    game_.hold(HeadlessKey::Z).run(1);
    EXPECT_EQ(g_nStageStep, 8);
    game_.run(255);
    EXPECT_EQ(g_nStageStep, 9);
    game_.run(255);
    EXPECT_EQ(g_nStageStep, 10);
    EXPECT_EQ(g_bHoldA, 0);
    game_.run(1);
    EXPECT_EQ(g_nStageStep, 11);
    // Once that step is running, the latch stays clear and nothing waits.
    game_.run(255);
    EXPECT_EQ(g_FrameNo, 10);
}

// Without the select music the ending is told once, shows nothing in that
// frame, and goes on silently from the next without trying again.
TEST_F(EndingRoad, MissingMessageMusicIsToldOnceAndTheEndingGoesOn) {
    headless_sound::FailLoad("date/CharSelect.tov");
    AtEndingStep(9, 255);
    ASSERT_EQ(Frame(), "");
    EXPECT_EQ(g_nStageStep, 9);
    EXPECT_EQ(g_nStageAlpha, 0);
    EXPECT_EQ(MessageBoxTexts(), (Strings{"MIDIファイルのロードに失敗", "音楽ファイルを読み込めませんでした"}));
    EXPECT_EQ(headless_sound::Log("stop"), Strings{"stop all"});
    ASSERT_EQ(Frame(), "message:0");
    Frames(254, [](int i) { return "message:" + N(i); });
    EXPECT_EQ(g_nStageStep, 10);
    EXPECT_EQ(headless_sound::Log("load-failed").size(), 1u);
    EXPECT_TRUE(headless_sound::Log("play").empty());
    EXPECT_EQ(MessageBoxTexts().size(), 2u);
}
