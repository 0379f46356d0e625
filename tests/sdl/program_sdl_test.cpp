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

// Presses Esc as a player would: `before` ms after it is started, and then
// once the first frame has run (it writes the first FPS line; on a busy
// machine start-up can take long) and `after` ms more have passed.
std::thread PressEsc(std::atomic<bool>& stop, int before, int after) {
    return std::thread([&stop, before, after] {
        std::this_thread::sleep_for(std::chrono::milliseconds(before));
        while (!stop && __atomic_load_n(&g_dwFpsTime, __ATOMIC_RELAXED) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(after));
        SDL_Event e = {};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
        e.key.keysym.sym = SDLK_ESCAPE;
        while (!stop && SDL_PushEvent(&e) < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
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

TEST(SdlProgram, RealClockGivesSixtyStepsASecond) {
    // Straight to the title, without its pictures: every frame draws the
    // same and costs next to nothing, so only the wait sets the pace (the
    // logo's fade costs a sanitizer build more than a step a frame).
    g_FrameNo = 11;
    std::atomic<bool> stop{false};
    std::thread player = PressEsc(stop, 0, 2000);  // two seconds from the first frame
    int code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    stop = true;
    player.join();
    EXPECT_EQ(code, 0);
    SdlFrameStats stats = GetSdlFrameStats();
    ASSERT_GT(stats.spanMs, 1500.0);
    // Never ahead of the clock; behind it only by the odd step a busy
    // machine drops (a frame that waited too long still runs one step).
    double steps = stats.spanMs * 60.0 / 1000.0;
    EXPECT_LE(stats.frames, steps + 2) << stats.frames << " frames in " << stats.spanMs << " ms";
    EXPECT_GE(stats.frames, steps * 0.95) << stats.frames << " frames in " << stats.spanMs << " ms";
    SDL_Quit();
}
