// The real SDL build end to end: the program starts, presents frames at the
// fixed rate and Esc ends it with exit code 0. Runs on SDL's dummy video
// and dummy audio drivers.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "game/scene.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/frame_loop.h"
#include "shell/renderer.h"
#include "shell/winmain.h"

namespace {

void PushEsc(std::atomic<bool>& stop) {
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    e.key.keysym.sym = SDLK_ESCAPE;
    while (!stop && SDL_PushEvent(&e) < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Presses Esc as a player would: `before` ms after it is started, and then
// once the first frame has run (it writes the first FPS line; on a busy
// machine start-up can take long) and `after` ms more have passed.
std::thread PressEsc(std::atomic<bool>& stop, int before, int after) {
    return std::thread([&stop, before, after] {
        std::this_thread::sleep_for(std::chrono::milliseconds(before));
        while (!stop && __atomic_load_n(&g_dwFpsTime, __ATOMIC_RELAXED) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(after));
        PushEsc(stop);
    });
}

// The frames as the game's own thread sees them, through the device's draw
// hook: the clock when each one drew first. One frame is held up, so that
// the wait of the next comes late.
constexpr int kHeldFrame = 30;
constexpr int kFramesWatched = 120;
DWORD g_frameClock[kFramesWatched];
std::atomic<int> g_framesSeen{0};
DWORD g_lastStep = 0;

void WatchFrames(const IDirect3DTexture8*, const RasterVertex*, int) {
    // A new step is granted at a later clock reading than the one before.
    if (g_dwPrevTime == g_lastStep || g_framesSeen == kFramesWatched) return;
    g_lastStep = g_dwPrevTime;
    g_frameClock[g_framesSeen] = timeGetTime();
    if (++g_framesSeen == kHeldFrame) SDL_Delay(200);
}

}  // namespace

TEST(SdlProgram, StartsRunsFramesAndQuitsOnEsc) {
    std::atomic<bool> stop{false};
    DWORD startedAt = timeGetTime();
    std::thread player = PressEsc(stop, 500, 0);  // half a second of frames
    int code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    stop = true;
    player.join();
    EXPECT_EQ(code, 0);
    DWORD ran = timeGetTime() - startedAt;
    EXPECT_GE(ran, 450u);
    // Frames ran at the fixed step: about 60 a second, from the last FPS line's count.
    EXPECT_GT(g_dwFpsTime, 0u);
    EXPECT_EQ(g_pd3dDevice, nullptr) << "shutdown released the device";
    SDL_Quit();
}

// What holds under any load: the game never runs ahead of the clock, over
// any stretch of frames, and a frame whose wait comes late still runs its
// one step without making up the time lost. (The pace on an idle machine is
// tools/bench_frames.sh's to measure.)
TEST(SdlProgram, RealClockNeverRunsAheadAndALateFrameStillRunsItsStep) {
    // Straight to the title, without its pictures: every frame draws the
    // same and costs next to nothing.
    g_FrameNo = 11;
    SetSdlDrawObserver(WatchFrames);
    std::atomic<bool> stop{false};
    std::thread player([&stop] {
        while (!stop && g_framesSeen < kFramesWatched) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        PushEsc(stop);
    });
    int code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    stop = true;
    player.join();
    SetSdlDrawObserver(nullptr);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(g_framesSeen, kFramesWatched) << "the frames after the held one ran";
    EXPECT_GE(g_frameClock[kHeldFrame] - g_frameClock[kHeldFrame - 1], 200u);
    // Each step needs a sixtieth of a second of the clock behind it; a frame
    // that starts late runs at once, but one step only.
    for (int i = 0; i < kFramesWatched; ++i) {
        for (int j = i + 1; j < kFramesWatched; ++j) {
            const DWORD ms = g_frameClock[j] - g_frameClock[i];
            ASSERT_LE(j - i, ms * 60.0 / 1000.0 + 2) << "frames " << i + 1 << " to " << j + 1 << " in " << ms << " ms";
        }
    }
    SDL_Quit();
}
