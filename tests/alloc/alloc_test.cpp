// Play allocates nothing: every object lives in a fixed array. This binary
// counts every malloc, calloc and realloc made while frames of stage play run
// (the C++ allocations go through malloc too), with the test platform's own
// records cleared each frame so that only the game and the platform count.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/objects.h"
#include "game/scene.h"
#include "golden.h"
#include "platform/headless/headless_sound.h"
#include "road.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t n, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

extern "C" void* malloc(size_t size)
{
    if (g_counting) ++g_allocations;
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t n, size_t size)
{
    if (g_counting) ++g_allocations;
    return __libc_calloc(n, size);
}

extern "C" void* realloc(void* p, size_t size)
{
    if (g_counting) ++g_allocations;
    return __libc_realloc(p, size);
}

// Runs `frames` frames, counting the allocations they make.
long CountAllocations(Scenario& game, int frames)
{
    // Kept alive, so that the frames are play frames whatever the enemies do.
    g_Player.nHp = 8;
    long total = 0;
    for (int i = 0; i < frames; ++i) {
        headless::ClearDraws();
        headless_sound::ClearEvents();
        g_allocations = 0;
        g_counting = true;
        game.run(1);
        g_counting = false;
        total += g_allocations;
    }
    return total;
}

TEST(Allocations, NoneInStagePlay) {
    DefaultAssets assets;
    Scenario game;
    InputScript script;
    std::string error;
    ASSERT_TRUE(LoadInputScript(POTE_SCRIPT_DIR "/front_end_to_play.txt", script, error)) << error;
    game.runScript(script, 700);
    ASSERT_EQ(g_FrameNo, 31);
    // The first frames may grow the test platform's records to their size.
    CountAllocations(game, 5);

    // Running, jumping, shooting and pausing: every routine of play runs.
    HeadlessSetKey(HeadlessKey::Right, true);
    EXPECT_EQ(CountAllocations(game, 60), 0);
    HeadlessSetKey(HeadlessKey::X, true);
    HeadlessSetKey(HeadlessKey::Z, true);
    EXPECT_EQ(CountAllocations(game, 30), 0);
    HeadlessSetKey(HeadlessKey::X, false);
    HeadlessSetKey(HeadlessKey::Z, false);
    HeadlessSetKey(HeadlessKey::Right, false);
    HeadlessSetKey(HeadlessKey::Left, true);
    EXPECT_EQ(CountAllocations(game, 120), 0);
    HeadlessSetKey(HeadlessKey::Left, false);
    game.tap(HeadlessKey::Space);
    EXPECT_EQ(CountAllocations(game, 30), 0);
    game.tap(HeadlessKey::Space);
    EXPECT_EQ(CountAllocations(game, 200), 0);
    // Play frames ran, not a result sequence.
    EXPECT_EQ(g_FrameNo, 31);
    EXPECT_GT(g_Player.nHp, 0);
    EXPECT_GT(g_nEnemyLeft, 0);
}
