// Input scripts: the text a test or a watcher writes, read as the keys held
// in each frame, and the front-end road walked by a script.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "game/scene.h"
#include "golden.h"
#include "platform/common/input_script.h"
#include "scenario.h"
#include "test_support.h"

namespace {

// Bytes this process has read so far, through any call that reads.
long long BytesRead() {
    FILE* f = fopen("/proc/self/io", "r");
    if (!f) return -1;
    long long n = -1;
    if (fscanf(f, "rchar: %lld", &n) != 1) n = -1;
    fclose(f);
    return n;
}

}  // namespace

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

// A script file far beyond any road (a sparse one costs no disk, but would
// cost its size several times over in memory) is refused from its size, with
// next to nothing of it read; one as long as a script may be is read whole.
TEST(InputScript, AFileBeyondTheLimitIsRefusedUnreadAndOneAtItIsRead) {
    ScratchFolder folder;
    const off_t huge = 64L << 20;
    int fd = open("date/huge.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, huge), 0);
    close(fd);
    InputScript script;
    std::string error;
    const long long before = BytesRead();
    ASSERT_GE(before, 0) << "no /proc/self/io";
    EXPECT_FALSE(LoadInputScript("date/huge.txt", script, error));
    const long long read = BytesRead() - before;
    // Fatal: a limit raised far enough would have the file below read whole too.
    ASSERT_LT(read, 1 << 20) << "a file of " << huge << " bytes was read to be refused";
    EXPECT_NE(error.find("date/huge.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("too large"), std::string::npos) << error;

    // Two changes, then a comment that fills the file to the limit exactly.
    std::string text = "10 Z\n20 -\n#";
    text.resize((size_t)kMaxInputScriptBytes - 1, 'x');
    text += '\n';
    FILE* f = fopen("date/longest.txt", "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(text.data(), 1, text.size(), f), text.size());
    fclose(f);
    ASSERT_TRUE(LoadInputScript("date/longest.txt", script, error)) << error;
    EXPECT_EQ(script.changes.size(), 2u);
    EXPECT_EQ(ScriptKeysAt(script, 15), ScriptKeyBit("Z"));
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
