// Game over and the continue menu over real frames, and the continue rewind.
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
const std::string kBanners = kStage + " char2:255 comment3:255";
const std::string kMenu = kBanners + " black:180 continue:255";
const std::string kQuitMenu = kBanners + " black:180 quit:255";

class GameOverRoad : public PlayRoad {
protected:
    // Play on `stage` with HP gone, already at the menu.
    void AtMenu(int stage) {
        StartStage(stage, 2);
        g_Player.nHp = 0;
        g_nStageStep = 11;
        g_nStageAlpha = 255;
    }
    static Strings Plays() { return headless_sound::Log("play"); }
};

}  // namespace

TEST(ContinueStage, RewindsToTheFirstStageOfTheStretch) {
    const int table[][3] = {  // first, last, continue from
        {1, 4, 1},    {5, 9, 5},    {10, 13, 10}, {14, 18, 14}, {19, 22, 19}, {23, 27, 23},
        {28, 31, 28}, {32, 36, 32}, {37, 40, 37}, {41, 45, 41}, {46, 52, 46},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ContinueStage(row[0]), row[2]) << "stage " << row[0];
        EXPECT_EQ(ContinueStage(row[1]), row[2]) << "stage " << row[1];
    }
    for (int stage : {53, 54, 99}) EXPECT_EQ(ContinueStage(stage), stage);
}

// HP and the enemy count both gone in the same frame: game over, not the
// clear. The whole road to the continue, frame by frame.
TEST_F(GameOverRoad, GameOverWinsOverAClearAndContinueRewindsTheStage) {
    StartStage(3, 1);
    g_Player.nHp = 0;
    g_nEnemyLeft = 0;

    // Stillness in silence; the HUD would show no icon.
    ASSERT_EQ(Frame(), kStage);
    EXPECT_EQ(Sounds(), Strings{"stop all"});
    headless_sound::ClearEvents();
    Frames(50, [](int) { return kStage; });
    EXPECT_EQ(g_nStageStep, 6);
    EXPECT_TRUE(Sounds().empty());

    // The fall: 2 pixels a frame until the top edge is below 480.
    for (int i = 1; i <= 53; ++i) {
        ASSERT_EQ(Frame(), kStage) << "fall frame " << i;
        ASSERT_EQ(g_Player.vtx[0].y, 376.0f + 2 * i);
        ASSERT_EQ(g_Player.vtx[2].y, 476.0f + 2 * i);
        ASSERT_EQ(g_nStageStep, i < 53 ? 6 : 7) << "fall frame " << i;
        if (i == 1) {
            EXPECT_EQ(Plays(), Strings{"play date/SE23.tov secondary once"});
        }
    }
    EXPECT_EQ(g_Player.vtx[0].x, 270.0f);
    EXPECT_EQ(g_Player.nHp, 0);
    headless_sound::ClearEvents();

    Frames(51, [](int i) { return kStage + " char2:" + N(5 * (i - 1)); });
    EXPECT_EQ(Sounds(), Strings{"play date/GameOver.tov primary loop"});
    Frames(51, [](int i) { return kStage + " char2:255 comment3:" + N(5 * (i - 1)); });
    Frames(36, [](int i) { return kBanners + " black:" + N(5 * (i - 1)); });
    EXPECT_EQ(g_nStageStep, 10);
    Frames(51, [](int i) { return kBanners + " black:180 continue:" + N(5 * (i - 1)); });
    EXPECT_EQ(g_nStageStep, 11);
    headless_sound::ClearEvents();
    Frames(20, [](int) { return kMenu; });

    // Down: the cursor sound and the quit picture from the next frame. Down
    // again sounds again and changes nothing else; up comes back.
    game_.hold(HeadlessKey::Down);
    ASSERT_EQ(Frame(), kMenu);
    EXPECT_EQ(g_nContinueSel, 2);
    EXPECT_EQ(Plays(), Strings{"play date/SE03.tov secondary once"});
    ASSERT_EQ(Frame(), kQuitMenu);
    game_.release(HeadlessKey::Down);
    ASSERT_EQ(Frame(), kQuitMenu);
    game_.tap(HeadlessKey::Down);
    EXPECT_EQ(g_nContinueSel, 2);
    EXPECT_EQ(Plays().size(), 2u);
    game_.tap(HeadlessKey::Up);
    ASSERT_EQ(Frame(), kMenu);
    EXPECT_EQ(Plays().size(), 3u);
    EXPECT_EQ(g_nStageStep, 11);

    headless_sound::ClearEvents();
    game_.hold(HeadlessKey::Enter);
    ASSERT_EQ(Frame(), kMenu);
    EXPECT_EQ(Plays(), Strings{"play date/SE16.tov secondary once"});
    EXPECT_EQ(g_nStageStep, 13);
    EXPECT_EQ(g_nStage, 1);
    Frames(74, [](int i) { return kBanners + " continue:255 black:" + N(179 + i); });
    EXPECT_EQ(g_FrameNo, 31);
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 40);
    EXPECT_EQ(g_bNoFadeOut, 1);
    EXPECT_EQ(g_nStageStep, 0);
    EXPECT_EQ(g_nStageAlpha, 255);
    EXPECT_EQ(g_Player.nHp, 0);
    EXPECT_EQ(g_pTexContinue1, nullptr);
    EXPECT_EQ(g_pTexComment, nullptr);
    EXPECT_EQ(headless_sound::Primary(), "date/GameOver.tov");

    // Character select comes without the title fade; its confirm, once the
    // latch has seen Enter up, starts stage 1 from the select picture's fade.
    game_.release(HeadlessKey::Enter).run(2);
    ASSERT_EQ(g_FrameNo, 41);
    game_.run(1);
    game_.tap(HeadlessKey::Z);
    ASSERT_EQ(g_FrameNo, 30);
    EXPECT_EQ(g_nStageStep, 0);
    EXPECT_EQ(g_nStage, 1);
    game_.run(1);
    EXPECT_EQ(g_nContinueSel, 1);
    EXPECT_TRUE(MessageBoxTexts().empty());
}

// Quit: the quit picture darkens from 180 over 75 frames, then the logo and a
// new game from stage 1. A stage-9 game over is not taken for the ending.
TEST_F(GameOverRoad, QuitReturnsToTheLogoAtStageOne) {
    AtMenu(9);
    g_nEnemyLeft = 0;
    game_.tap(HeadlessKey::Down);
    headless_sound::ClearEvents();
    game_.hold(HeadlessKey::Z);
    ASSERT_EQ(Frame(), kQuitMenu);
    EXPECT_EQ(Plays(), Strings{"play date/SE24.tov secondary once"});
    EXPECT_EQ(g_nStageStep, 12);
    EXPECT_EQ(g_nStage, 9);
    Frames(74, [](int i) { return kBanners + " quit:255 black:" + N(179 + i); });
    EXPECT_EQ(g_FrameNo, 31);
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 10);
    EXPECT_EQ(g_nStage, 1);
    EXPECT_EQ(g_Player.nHp, 0);
    EXPECT_EQ(g_nStageStep, 0);
    EXPECT_EQ(g_nStageAlpha, 255);
    EXPECT_EQ(g_pTexContinue2, nullptr);
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 10);
    EXPECT_EQ(headless_sound::Primary(), "date/logo.tov");
}

// Confirm and down in one frame: confirm is read first and continues, then
// down moves the cursor, so the fade shows the quit picture.
TEST_F(GameOverRoad, ConfirmWithDownContinuesUnderTheQuitPicture) {
    AtMenu(7);
    headless_sound::ClearEvents();
    game_.hold(HeadlessKey::Enter).hold(HeadlessKey::Down);
    ASSERT_EQ(Frame(), kMenu);
    EXPECT_EQ(Plays(), (Strings{"play date/SE16.tov secondary once", "play date/SE03.tov secondary once"}));
    EXPECT_EQ(g_nStageStep, 13);
    EXPECT_EQ(g_nStage, 5);
    ASSERT_EQ(Frame(), kBanners + " quit:255 black:180");
    game_.run(74);
    EXPECT_EQ(g_FrameNo, 40);
}

// Z held into the game over keeps the latch: no confirm input counts until
// all three have been up for a frame of the menu.
TEST_F(GameOverRoad, ConfirmHeldFromPlayNeedsARelease) {
    AtMenu(2);
    g_bHoldA = 1;
    game_.hold(HeadlessKey::Z).run(5);
    game_.hold(HeadlessKey::Enter).run(5);
    g_dwPadInput = PAD_BUTTON0;  // no joypad: nothing overwrites its bits
    game_.release(HeadlessKey::Z).run(1);
    game_.release(HeadlessKey::Enter).run(1);
    EXPECT_EQ(g_nStageStep, 11);
    g_dwPadInput = 0;
    game_.run(1);
    EXPECT_EQ(g_bHoldA, 0);
    game_.tap(HeadlessKey::Enter);
    EXPECT_EQ(g_nStageStep, 13);
    EXPECT_EQ(g_nStage, 1);
}

// A player who dies in mid-air falls from there; the fall ends only once the
// top edge is past 480, not at 480.
TEST_F(GameOverRoad, FallStartsWhereThePlayerDiedAndEndsPastTheBottom) {
    StartStage(1, 1);
    StandOnFloor(420.0f, 100.0f);
    g_Player.nHp = 0;
    game_.run(51);
    ASSERT_EQ(g_nStageStep, 6);
    game_.run(190);
    EXPECT_EQ(g_Player.vtx[0].y, 480.0f);
    EXPECT_EQ(g_nStageStep, 6);
    game_.run(1);
    EXPECT_EQ(g_Player.vtx[0].y, 482.0f);
    EXPECT_EQ(g_nStageStep, 7);
    EXPECT_EQ(g_Player.vtx[0].x, 420.0f);
}

// The pause input during the sequence flips nothing that lasts, and the menu
// still takes its input.
TEST_F(GameOverRoad, PauseHasNoEffectOnTheSequence) {
    AtMenu(3);
    game_.tap(HeadlessKey::Space);
    EXPECT_EQ(g_bPause, 0);
    game_.tap(HeadlessKey::Enter);
    EXPECT_EQ(g_nStageStep, 13);
    game_.tap(HeadlessKey::Space);
    EXPECT_EQ(g_bPause, 0);
    game_.run(74);
    EXPECT_EQ(g_FrameNo, 40);
}
