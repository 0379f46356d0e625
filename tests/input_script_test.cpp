// Input scripts: the text a test or a watcher writes, read as the keys held
// in each frame, and the front-end road walked by a script.
#include <gtest/gtest.h>

#include "game/scene.h"
#include "golden.h"
#include "platform/common/input_script.h"
#include "scenario.h"

TEST(InputScript, HoldsEachLinesKeysUntilTheNextLine) {
    InputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript("# comment\n10 Z\n  12 Left X # run and jump\n20 -\n", script, error)) << error;
    EXPECT_EQ(ScriptKeysAt(script, 1), 0u);
    EXPECT_EQ(ScriptKeysAt(script, 10), ScriptKeyBit("Z"));
    EXPECT_EQ(ScriptKeysAt(script, 11), ScriptKeyBit("Z"));
    EXPECT_EQ(ScriptKeysAt(script, 12), ScriptKeyBit("Left") | ScriptKeyBit("X"));
    EXPECT_EQ(ScriptKeysAt(script, 19), ScriptKeyBit("Left") | ScriptKeyBit("X"));
    EXPECT_EQ(ScriptKeysAt(script, 20), 0u);
    EXPECT_EQ(ScriptKeysAt(script, 100000), 0u);
}

TEST(InputScript, RefusesWhatIsNotAScriptAndSaysWhere) {
    InputScript script;
    std::string error;
    EXPECT_FALSE(ParseInputScript("10 Z\n5 X\n", script, error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(ParseInputScript("10 Jump\n", script, error));
    EXPECT_NE(error.find("Jump"), std::string::npos) << error;
    EXPECT_FALSE(ParseInputScript("10\n", script, error));
    EXPECT_FALSE(ParseInputScript("ten Z\n", script, error));
    EXPECT_FALSE(ParseInputScript("0 Z\n", script, error));
    EXPECT_FALSE(LoadInputScript("/nonexistent/script.txt", script, error));
}

// The script the README's watchers replay reaches play on the frame it says.
TEST(InputScript, FrontEndScriptReachesStagePlay) {
    DefaultAssets assets;
    Scenario game;
    InputScript script;
    std::string error;
    ASSERT_TRUE(LoadInputScript(POTE_SCRIPT_DIR "/front_end_to_play.txt", script, error)) << error;
    game.runScript(script, 470);
    EXPECT_EQ(g_FrameNo, 30);
    game.runScript(script, 675);
    EXPECT_EQ(g_FrameNo, 31);
}
