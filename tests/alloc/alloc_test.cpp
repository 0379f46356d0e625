// Play allocates nothing: every object lives in a fixed array. This binary
// counts every malloc, calloc and realloc that the game's thread makes while
// frames of stage play run (the C++ allocations go through malloc too), with
// the test platform's own records cleared each frame so that only the game
// and the platform count. It also makes large allocations fail on purpose,
// as where the system has no memory to give.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/scene.h"
#include "golden.h"
#include "platform/d3dx_texture.h"
#include "platform/common/texture_object.h"
#include "platform/headless/headless_sound.h"
#include "road.h"
#include "scenario.h"
#include "test_support.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t n, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

namespace {
// Only the game's own thread counts: the picture and sound workers that the
// platform starts at load time allocate on their own, outside play.
thread_local bool t_counting = false;
long g_allocations = 0;

// On every thread, allocations of at least g_failFrom bytes fail once
// g_passLarge of them have gone through.
std::atomic<size_t> g_failFrom{SIZE_MAX};
std::atomic<int> g_passLarge{0};

bool Refused(size_t size)
{
    if (size < g_failFrom.load(std::memory_order_relaxed)) return false;
    for (int n = g_passLarge.load(); n > 0;)
        if (g_passLarge.compare_exchange_weak(n, n - 1)) return false;
    errno = ENOMEM;
    return true;
}

void FailLargeAllocations(size_t from, int pass)
{
    g_passLarge = pass;
    g_failFrom = from;
}
}  // namespace

extern "C" void* malloc(size_t size)
{
    if (t_counting) ++g_allocations;
    if (Refused(size)) return nullptr;
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t n, size_t size)
{
    if (t_counting) ++g_allocations;
    if (size != 0 && n <= SIZE_MAX / size && Refused(n * size)) return nullptr;
    return __libc_calloc(n, size);
}

extern "C" void* realloc(void* p, size_t size)
{
    if (t_counting) ++g_allocations;
    if (Refused(size)) return nullptr;
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
        t_counting = true;
        game.run(1);
        t_counting = false;
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

namespace {

// A 1024x1024 picture of one colour as a run-length TGA: 40 KB of file for
// 4 MB of texels and 2 MB of runs.
std::vector<uint8_t> PackedTga()
{
    std::vector<uint8_t> b = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x04, 0x00, 0x04, 32, 0x28};
    for (int i = 0; i < 1024 * 1024 / 128; ++i) b.insert(b.end(), {0xFF, 0x30, 0x20, 0x10, 0xFF});
    return b;
}

}  // namespace

// A picture there is no memory for fails its own load with its message,
// whether the memory runs out reading the file, holding its texels or
// working out its runs, on a worker ahead of the load and on the loading
// thread. The game goes on, and once there is memory the same files load.
TEST(FailedAllocations, APictureWithoutMemoryFailsItsLoadWithItsMessage)
{
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WriteTga("raw", 1024, 1024, std::vector<uint32_t>(1024 * 1024, 0xFF102030));
    ScratchFolder::Write("packed", PackedTga());
    struct Case {
        const char* file;
        int pass;  // large allocations that go through first
        const char* why;
    };
    const Case cases[] = {
        {"date/raw.tov", 0, "cannot load date/raw.tov: not enough memory to read it (4194322 bytes)\n"},
        {"date/packed.tov", 0, "cannot load date/packed.tov: not enough memory to decode it\n"},
        {"date/packed.tov", 1, "cannot load date/packed.tov: not enough memory to decode it\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " after " + std::to_string(c.pass));
        const TextureDecodeCounts before = GetTextureDecodeCounts();
        FailLargeAllocations(1 << 20, c.pass);
        LPCSTR files[] = {c.file};
        D3DFORMAT formats[] = {D3DFMT_UNKNOWN};
        D3DCOLOR keys[] = {0};
        PrefetchTextureFiles(files, formats, keys, 1);
        ASSERT_TRUE(WaitForTextureDecodes(5000));
        FailLargeAllocations(1 << 20, c.pass);
        testing::internal::CaptureStderr();
        IDirect3DTexture8* t = nullptr;
        HRESULT hr = D3DXCreateTextureFromFileA(g_pd3dDevice, c.file, &t);
        const std::string err = testing::internal::GetCapturedStderr();
        FailLargeAllocations(SIZE_MAX, 0);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(t, nullptr);
        EXPECT_EQ(err, c.why);
        const TextureDecodeCounts after = GetTextureDecodeCounts();
        EXPECT_EQ(after.byPrefetch + after.byLoads, before.byPrefetch + before.byLoads);
    }
    for (const char* file : {"date/raw.tov", "date/packed.tov"}) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, file, &t), 0) << file;
        t->Release();
    }
}
