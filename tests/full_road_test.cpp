// The whole road over real frames with the build's assets, played by the
// recorded input scripts under tests/scripts/: logo, title, select, the
// stages, the ending or a game over, and back.
//
// The scripts only press keys; the stages are won the way this test can
// afford. Each stage is played by the script for kPlayFrames frames; the
// enemies the player has not defeated by then are defeated by the test
// through their fields: their HP is taken down to 1 and the game's own hit of
// a player shot lands on them, so the defeat animation, the count and the
// clear run as in play. A game over is brought on the same way: the test
// takes the player's HP to 0 through its field.
//
// Each stage start seeds the random generator from the calendar time; the
// test seeds it again at the first play frame of every stage, so that a run
// repeats itself. What it asserts does not hang on those numbers, save that
// the script's attacks defeat at least one enemy somewhere on the long road.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "game/collisions.h"
#include "game/objects.h"
#include "game/scene.h"
#include "game/stage_start.h"
#include "golden.h"
#include "platform/headless/headless_sound.h"
#include "road.h"
#include "test_support.h"

namespace {

// Play frames the script gets on each stage before the test wins it.
const int kPlayFrames = 360;
const int kFullHp = 8;  // the first character's

// The road of the long test: each leg is a stage, either won (and then
// possibly followed by a jump to another stage, see below) or lost.
struct Leg {
    int stage;
    bool lost;
    int next;  // the stage to start after a win; 0: the one after
};

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers run some ten times slower: a shorter road, with the same
// turns. After stage 1 and after stage 5 the test moves the stage number on
// through its field while the clear runs, so that stage 6 and stage 9 come
// next.
const Leg kRoad[] = {{1, false, 6}, {6, true, 0}, {5, false, 9}, {9, false, 0}};
#else
const Leg kRoad[] = {{1, false, 0}, {2, false, 0}, {3, false, 0}, {4, false, 0}, {5, false, 0}, {6, true, 0},
                     {5, false, 0}, {6, false, 0}, {7, false, 0}, {8, false, 0}, {9, false, 0}};
#endif

class FullRoad : public ::testing::Test {
protected:
    void Load(const char* name) {
        std::string error;
        ASSERT_TRUE(LoadInputScript((std::string(POTE_SCRIPT_DIR "/") + name).c_str(), script_, error)) << error;
    }

    // One frame with the keys the script holds in it.
    void Step() {
        game_.holdScriptKeys(ScriptKeysAt(script_, game_.framesRun() + 1));
        const int scene = g_FrameNo;
        game_.run(1);
        if (scene == 30 && g_FrameNo == 31) {
            srand(1000u + (unsigned)g_nStage);
            playFrames_ = 0;
        } else if (g_FrameNo == 31) {
            ++playFrames_;
        }
    }

    // Steps until `done` holds, at most `limit` frames; false if it never did.
    template <typename Done>
    bool Until(Done done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) Step();
        return done();
    }

    // Runs up to the first play frame of `stage` and checks how it begins.
    void BeginStage(int stage, int hp) {
        ASSERT_TRUE(Until([] { return g_FrameNo == 31; }, 1000)) << "stage " << stage << " never began";
        ASSERT_EQ(g_nStage, stage);
        EXPECT_EQ(g_Player.nHp, hp) << "stage " << stage;
        EXPECT_GT(g_nEnemyLeft, 0);
    }

    // Plays the stage for a while, then defeats whatever the player has not
    // (see the top of the file), and runs until the last defeat has counted.
    void WinStage(int stage) {
        const int toDefeat = g_nEnemyLeft;
        ASSERT_TRUE(Until([&] { return g_nEnemyLeft < 1 || playFrames_ >= kPlayFrames; }, kPlayFrames));
        ASSERT_GE(g_Player.nHp, 1) << "the player fell on stage " << stage;
        byPlay_ += toDefeat - g_nEnemyLeft + InDefeat();
        for (int i = 0; i < ENEMY_COUNT; ++i) {
            GAMEOBJ& e = g_Enemy[i];
            if (e.fGroundY <= 0.0f || e.nType < ENEMY_HOPPER || e.nType >= ENEMY_BOSS_DEFEATED) continue;
            if (e.nType == ENEMY_ITEM) continue;
            ASSERT_NE(e.nState, ENEMY_APPEARING) << "stage " << stage << ", enemy " << i;
            e.nHp = 1;
            HitPlayerShotEnemy(0, i, e.vtx, RECT{0, 0, 0, 0}, e.vtx, e.rcHit);
        }
        // The defeat animation runs 1500 ms before the count falls.
        ASSERT_TRUE(Until([] { return g_nEnemyLeft < 1; }, 100)) << "stage " << stage;
        ASSERT_EQ(g_FrameNo, 31);
    }

    static int InDefeat() {
        int n = 0;
        for (const GAMEOBJ& e : g_Enemy) {
            if (e.fGroundY > 0.0f && (e.nType == ENEMY_DEFEATED || e.nType == ENEMY_BOSS_DEFEATED)) ++n;
        }
        return n;
    }

    DefaultAssets assets_;
    Scenario game_;
    InputScript script_;
    int playFrames_ = 0;
    int byPlay_ = 0;
};

}  // namespace

// Logo, title, select and the stages in order with the HP carried from each
// into the next; a game over on stage 6 and a continue, which goes through
// the select screen (no title fade) to stage 5 with full HP; on to stage 9,
// the ending and the logo, and through the title into a new game.
TEST_F(FullRoad, GoldenStagesAGameOverAContinueAndTheEndingBackToTheLogo) {
    ASSERT_NO_FATAL_FAILURE(Load("full_road.txt"));
    int hp = kFullHp;
    for (const Leg& leg : kRoad) {
        ASSERT_NO_FATAL_FAILURE(BeginStage(leg.stage, hp));
        if (leg.lost) {
            ASSERT_TRUE(Until([this] { return playFrames_ >= kPlayFrames; }, kPlayFrames));
            g_Player.nHp = 0;
            // The script's attacks confirm the menu on continue.
            ASSERT_TRUE(Until([] { return g_FrameNo != 31; }, 800)) << "the game over never ended";
            ASSERT_EQ(g_FrameNo, 40);
            // Two frames, as the title's fade-out is left out.
            ASSERT_TRUE(Until([] { return g_FrameNo == 41; }, 2));
            Step();
            ExpectGolden("select");
            hp = kFullHp;
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(WinStage(leg.stage));
        hp = g_Player.nHp;
        if (leg.stage == 9) break;
        if (leg.next) g_nStage = leg.next - 1;
        ASSERT_TRUE(Until([] { return g_FrameNo == 30; }, 200)) << "no clear after stage " << leg.stage;
    }
    ASSERT_EQ(g_nStage, 9);

    // The ending; the script's attacks pass both its waits.
    ASSERT_TRUE(Until([] { return g_nStageStep == 10; }, 2000)) << "the ending never showed its message";
    Step();
    ExpectGolden("road_ending_message");
    ASSERT_TRUE(Until([] { return g_FrameNo != 31; }, 400));
    ASSERT_EQ(g_FrameNo, 10);
    EXPECT_EQ(g_nStage, 1);
    ASSERT_TRUE(Until([] { return g_FrameNo != 10; }, 400));
    ASSERT_EQ(g_FrameNo, 11);
    // And the next game, on stage 1 with full HP.
    ASSERT_NO_FATAL_FAILURE(BeginStage(1, kFullHp));

    EXPECT_TRUE(MessageBoxTexts().empty());
    // The script's attacks do land: with these seeds some enemies fall to
    // them on either road (six on the long one, one on the short one).
    EXPECT_GT(byPlay_, 0);
    RecordProperty("enemies_defeated_by_play", byPlay_);
    RecordProperty("frames", game_.framesRun());
}

// Stage 1, a game over and quit: the menu picks quit with Down, the logo and
// the title come again, and the next game starts on stage 1 with full HP.
TEST_F(FullRoad, GoldenGameOverAndQuitBackToTheLogo) {
    ASSERT_NO_FATAL_FAILURE(Load("game_over_quit.txt"));
    ASSERT_NO_FATAL_FAILURE(BeginStage(1, kFullHp));
    ASSERT_TRUE(Until([this] { return playFrames_ >= 240; }, 240));
    g_Player.nHp = 0;
    ASSERT_TRUE(Until([] { return g_nStageStep == 11; }, 400)) << "the menu never came";
    EXPECT_EQ(g_nContinueSel, 1);
    ASSERT_TRUE(Until([] { return g_nContinueSel == 2; }, 60)) << "Down never picked quit";
    // The player only stood and attacked: the view is where the stage began,
    // and the menu's picture does not hang on the enemies' moves.
    EXPECT_EQ(g_vtxBack[0].x, 0.0f);
    Step();
    ExpectGolden("road_game_over_menu");

    ASSERT_TRUE(Until([] { return g_FrameNo != 31; }, 200));
    ASSERT_EQ(g_FrameNo, 10);
    EXPECT_EQ(g_nStage, 1);
    ASSERT_TRUE(Until([] { return g_FrameNo != 10; }, 400));
    ASSERT_EQ(g_FrameNo, 11);
    ASSERT_NO_FATAL_FAILURE(BeginStage(1, kFullHp));
    EXPECT_TRUE(MessageBoxTexts().empty());
}
