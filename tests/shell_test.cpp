// The process, the window and its messages, the frame step and the device.
#include <gtest/gtest.h>

#include <ctime>

#include "game/scene.h"
#include "platform/common/backend.h"
#include "platform/common/texture_object.h"
#include "fuzz/image_samples.h"
#include "platform/common/program_resources.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "test_support.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using headless::Clock;

TEST(FrameStep, FirstFrameRunsAtOnceAndWritesTheFirstFpsLine) {
    Scenario s;
    DWORD before = Clock();
    s.run(1);
    EXPECT_EQ(Clock(), before) << "the first frame must not wait";
    EXPECT_EQ(g_dwNowTime, before);
    EXPECT_EQ(headless::DebugOutput(), "Joypad Not Found\n0001 FPS\n");
    EXPECT_EQ(g_dwTimeRem, 0u);
}

TEST(FrameStep, RemainderCarriesToTheNextStep) {
    Scenario s;
    s.run(1);
    g_dwTimeRem = 1;
    headless::AdvanceClock(23);  // 69 thirds + 1 = 70: granted at once, 20 left
    DWORD t = Clock();
    s.run(1);
    EXPECT_EQ(Clock(), t);
    EXPECT_EQ(g_dwTimeRem, 20u);
    s.run(1);  // needs 30 more thirds: 10 ms
    EXPECT_EQ(Clock(), t + 10);
    EXPECT_EQ(g_dwTimeRem, 0u);
}

TEST(FrameStep, SixtyStepsASecondAndOneFpsLineEachSecond) {
    Scenario s;
    s.run(1);
    DWORD start = Clock();
    headless::ClearDebugOutput();
    s.run(180);
    // 180 steps of 16 2/3 ms are exactly 3000 ms; the 1-ms sleeps hit it exactly.
    EXPECT_EQ(Clock() - start, 3000u);
    // A frame reads its start time before it waits, so the line after the
    // first comes with frame 61; from then on every 60 frames.
    EXPECT_EQ(headless::DebugOutput(), "0061 FPS\n0060 FPS\n");
}

// The stage start seeds the enemies' random numbers from the calendar
// clock; under test it follows the scripted clock, so runs repeat.
TEST(FrameStep, TheCalendarClockFollowsTheScriptedOne) {
    Scenario s;
    const time_t before = time(nullptr);
    headless::AdvanceClock(5000);
    EXPECT_EQ(time(nullptr), before + 5);
    time_t out = 0;
    EXPECT_EQ(time(&out), before + 5);
    EXPECT_EQ(out, before + 5);
}

TEST(FrameStep, TheWaitPollsTheClockWithOneMillisecondSleeps) {
    Scenario s;
    s.run(1);
    g_dwTimeRem = 0;
    DWORD start = Clock();
    int sleeps = headless::SleepCount();
    // 16 2/3 ms a step: 17, 17, 16 ms, a millisecond a sleep, granted at the
    // first clock reading where it is due.
    s.run(1);
    EXPECT_EQ(Clock() - start, 17u);
    s.run(2);
    EXPECT_EQ(Clock() - start, 50u);
    EXPECT_EQ(headless::SleepCount() - sleeps, 50);
    // A frame that took part of the step itself sleeps only the rest.
    s.run(1);
    headless::AdvanceClock(10);
    DWORD t = Clock();
    sleeps = headless::SleepCount();
    s.run(1);
    EXPECT_EQ(Clock() - t, 7u);
    EXPECT_EQ(headless::SleepCount() - sleeps, 7);
}

TEST(FrameStep, LateFramesDropStepsInsteadOfCatchingUp) {
    Scenario s;
    s.run(1);
    headless::AdvanceClock(1000);
    DWORD t = Clock();
    s.run(1);
    EXPECT_EQ(Clock(), t) << "a late frame starts at once";
    s.run(1);
    EXPECT_EQ(Clock(), t + 17) << "and the next one waits a whole step again";
}

TEST(FrameStep, ClockWrapDoesNotDisturbTheStep) {
    headless::SetClock(0xFFFFFFF0u);
    Scenario s;
    s.run(1);
    g_dwTimeRem = 0;  // whatever the first frame left over
    DWORD t = Clock();
    s.run(3);
    EXPECT_EQ((DWORD)(Clock() - t), 50u);
    EXPECT_LT(Clock(), 0x100u) << "the clock wrapped during the run";
    EXPECT_EQ(headless::MessageBoxes().size(), 0u);
}

TEST(FrameStep, SceneCodeWrittenInAFrameTakesEffectNextFrame) {
    Scenario s;
    EXPECT_EQ(g_FrameNo, 10);
    s.run(2);
    g_FrameNo = 99;
    EXPECT_EQ(GameLoop(nullptr, SW_SHOWDEFAULT), 0);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "g_FrameNoの値が例外です。");
    EXPECT_EQ(headless::MessageBoxes()[0].caption, "ERROR");
    EXPECT_EQ(headless::MessageBoxes()[0].owner, g_hWnd);
    EXPECT_EQ(headless::PresentCount(), 2) << "a failed frame presents nothing";
    // The failed frame began a scene it never ended; the device refuses a
    // second BeginScene until EndScene.
    EXPECT_LT(g_pd3dDevice->BeginScene(), 0);
}

TEST(FrameStep, KeyboardReadFailureEndsTheFrameBeforeDrawing) {
    Scenario s;
    s.run(1);
    HeadlessSetKeyboardStateFails(true);
    DWORD stamp = Clock();
    EXPECT_EQ(GameLoop(nullptr, SW_SHOWDEFAULT), 0);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "キー情報の取得に失敗");
    EXPECT_GT(g_dwNowTime, stamp) << "the frame waited and stamped its clock first";
    EXPECT_EQ(headless::PresentCount(), 1);
}

TEST(Program, EscClosesTheWindowAndExitsWithZero) {
    int frames = 0;
    int code = RunProgram([&](int n) {
        frames = n;
        if (n == 5) headless::UserPressesKey(VK_ESCAPE);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(frames, 5) << "the key message is handled before the next frame";
    EXPECT_FALSE(headless::WindowExists());
    EXPECT_EQ(g_pd3dDevice, nullptr);
    EXPECT_EQ(g_pD3D, nullptr);
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(Program, AltF4AndTheCloseButtonCloseAsEscDoes) {
    EXPECT_EQ(RunProgram([](int n) { if (n == 3) headless::UserPressesKey(0x73, true); }), 0);
    EXPECT_FALSE(headless::WindowExists());
}

TEST(Program, OtherKeyMessagesDoNothing) {
    int frames = 0;
    RunProgram([&](int n) {
        frames = n;
        if (n == 2) headless::UserPressesKey('Q');
        if (n == 2) headless::UserPressesKey(0x73);  // F4 without Alt
        if (n == 4) headless::UserClosesWindow();
    });
    EXPECT_EQ(frames, 4);
}

TEST(Program, MinimisedWindowRunsNoFramesUntilRestored) {
    int idleWaits = 0;
    int presentsAtMinimise = -1, presentsAtRestore = -1;
    headless::SetIdleHook([&] {
        ++idleWaits;
        presentsAtRestore = headless::PresentCount();
        headless::UserRestores();
    });
    RunProgram([&](int n) {
        if (n == 3) {
            headless::UserMinimizes();
            presentsAtMinimise = n;
        }
        if (n == 6) headless::UserClosesWindow();
    });
    EXPECT_EQ(idleWaits, 1);
    EXPECT_EQ(presentsAtMinimise, 3);
    EXPECT_EQ(presentsAtRestore, 3) << "no frame ran while minimised";
    EXPECT_EQ(g_bActive, 1);
}

// Start-up stops at a part that cannot start: no frame runs, and each part's
// own message (if it has one) is the only one shown.
TEST(Program, SoundThatCannotStartEndsTheProgramBeforeAnyFrame) {
    headless_sound::FailStep(headless_sound::Fail::InitAudio);
    EXPECT_EQ(RunProgram([](int) {
                  ADD_FAILURE() << "no frame may run";
                  headless::UserClosesWindow();
              }),
              0);
    EXPECT_EQ(headless::PresentCount(), 0);
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{"DirectMusicPerformance8の初期化に失敗"});
    EXPECT_EQ(g_pDI, nullptr) << "input is never started";
}

TEST(Program, InputThatCannotStartEndsTheProgramBeforeAnyFrame) {
    HeadlessSetKeyboardMissing(true);
    EXPECT_EQ(RunProgram([](int) {
                  ADD_FAILURE() << "no frame may run";
                  headless::UserClosesWindow();
              }),
              0);
    EXPECT_EQ(headless::PresentCount(), 0);
    EXPECT_TRUE(MessageBoxTexts().empty());
}

// Shutdown after the front end has loaded music: every slot's segment is
// stopped, unloaded and released before the sound system goes, the joypad is
// let go and every picture is released.
TEST(Program, ShutdownReleasesSoundsInputAndPictures) {
    HeadlessSetJoypadPresent(true);
    RunProgram([](int n) {
        if (n == 400) headless::UserPressesKey(VK_ESCAPE);  // on the title, its music playing
    });
    EXPECT_TRUE(MessageBoxTexts().empty());
    const std::vector<std::string> log = headless_sound::Log();
    auto at = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
    const auto end = (long)log.size();
    ASSERT_LT(at("play date/gorumo.tov primary loop"), end);
    EXPECT_LT(at("stop all"), at("unload date/gorumo.tov"));
    EXPECT_LT(at("unload date/gorumo.tov"), at("release date/gorumo.tov"));
    EXPECT_LT(at("release date/gorumo.tov"), at("release loader"));
    EXPECT_LT(at("release loader"), at("close down"));
    EXPECT_LT(at("close down"), end);
    for (auto* seg : g_pSegment) EXPECT_EQ(seg, nullptr);
    EXPECT_FALSE(HeadlessJoypadOpen());
    EXPECT_EQ(g_pDI, nullptr);
    EXPECT_EQ(LiveTextureCount(), 0);
}

// The program's icon (resource 101, a 32x32 picture) becomes the window's
// small icon at 16x16, each pixel the average of a 2x2 block.
TEST(Program, WindowCarriesTheProgramsOwnSmallIcon) {
    std::vector<imagesamples::Bytes> rows;
    for (int y = 0; y < 32; ++y) {
        imagesamples::Bytes row;
        for (int x = 0; x < 32; ++x) {
            uint32_t rgb = x < 16 ? 0xFF0000u : 0x0000FFu;
            if (x < 2 && y < 2) rgb = (x == y) ? 0xFFFFFFu : 0x000000u;  // a checked block: grey
            row.insert(row.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 0xFF});
        }
        rows.push_back(row);
    }
    const imagesamples::Bytes png = imagesamples::WritePng(32, 32, PNG_COLOR_TYPE_RGBA, 8, false, rows);
    const ProgramResource resources[] = {{101, png.data(), png.size()}};
    SetProgramResources(resources, 1);
    EXPECT_EQ(RunProgram([](int) { headless::UserClosesWindow(); }), 0);
    SetProgramResources(nullptr, 0);

    const PlatformIcon& icon = headless::WindowIcon();
    ASSERT_EQ(icon.width, 16);
    ASSERT_EQ(icon.height, 16);
    EXPECT_EQ(icon.argb[0], 0xFF808080u);
    EXPECT_EQ(icon.argb[1], 0xFFFF0000u);
    EXPECT_EQ(icon.argb[7], 0xFFFF0000u);
    EXPECT_EQ(icon.argb[8], 0xFF0000FFu);
    EXPECT_EQ(icon.argb[16 * 15 + 15], 0xFF0000FFu);
}

TEST(Program, InvalidSceneCodeShowsItsMessageOnceAndShutsDown) {
    g_FrameNo = 12;
    int code = RunProgram([](int) {});
    EXPECT_EQ(code, 0);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "g_FrameNoの値が例外です。");
    EXPECT_EQ(g_pd3dDevice, nullptr) << "shutdown ran";
}

TEST(Program, NoRendererAtAllEndsWithTheDeviceMessage) {
    headless::SetRendererAvailable(false, false);
    EXPECT_EQ(RunProgram([](int) { FAIL() << "no frame may run"; }), 0);
    EXPECT_EQ(headless::RendererCreateAttempts(), 3);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "DirectXデバイス生成失敗");
}

TEST(Program, NoDisplayEndsWithTheDeviceMessage) {
    headless::SetVideoAvailable(false);
    EXPECT_EQ(RunProgram([](int) { FAIL() << "no frame may run"; }), 0);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "DirectXデバイス生成失敗");
    EXPECT_EQ(g_hWnd, nullptr);
}

TEST(Device, FallsBackToTheSoftwareRendererOnlyAfterTwoAcceleratedTries) {
    headless::SetRendererAvailable(false, true);
    Scenario s;
    EXPECT_EQ(headless::RendererCreateAttempts(), 3);
    EXPECT_FALSE(headless::RendererIsAccelerated());
    s.run(1);
    EXPECT_EQ(headless::PresentCount(), 1);
}

TEST(Device, PresentParametersAndStartUpInFullScreen) {
    Scenario s;
    EXPECT_EQ(g_d3dpp.BackBufferWidth, 640u);
    EXPECT_EQ(g_d3dpp.BackBufferHeight, 480u);
    EXPECT_EQ(g_d3dpp.BackBufferCount, 1u);
    EXPECT_EQ(g_d3dpp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(g_d3dpp.Windowed, 0);
    EXPECT_EQ(g_d3dpp.EnableAutoDepthStencil, 1);
    EXPECT_EQ(g_d3dpp.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_TRUE(headless::WindowFullScreen());
    RECT r = headless::WindowRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
}

TEST(Device, ResetBeforeTheDeviceExistsDoesNothing) {
    EXPECT_EQ(g_pd3dDevice, nullptr);
    ResetD3DDevice();
    g_bWindowed = 1;
    // Windowed creation moves and sizes the window: WM_MOVE and WM_SIZE reach
    // the window procedure before any device exists.
    ASSERT_EQ(InitWindow(nullptr, SW_SHOWDEFAULT), 1);
    EXPECT_EQ(g_pd3dDevice, nullptr);
    EXPECT_EQ(g_bActive, 1);
}

TEST(WindowMode, F1SwitchesOncePerPressAndBack) {
    Scenario s;
    s.run(1);
    s.hold(HeadlessKey::F1).run(5);
    EXPECT_EQ(g_bWindowed, 1);
    EXPECT_EQ(g_d3dpp.Windowed, 1);
    EXPECT_FALSE(headless::WindowFullScreen());
    RECT client;
    GetClientRect(g_hWnd, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    // Centred on the 1920x1080 desktop.
    RECT r = headless::WindowRect();
    EXPECT_EQ(r.left, (1920 - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (1080 - (r.bottom - r.top)) / 2);

    s.release(HeadlessKey::F1).run(1).hold(HeadlessKey::F1).run(1);
    EXPECT_EQ(g_bWindowed, 0);
    EXPECT_TRUE(headless::WindowFullScreen());
    r = headless::WindowRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
}

TEST(WindowMode, CentringOnASmallDesktopTruncatesTowardZero) {
    headless::SetDesktopSize(600, 400);
    g_bWindowed = 1;
    ASSERT_EQ(InitWindow(nullptr, SW_SHOWDEFAULT), 1);
    RECT r = headless::WindowRect();
    int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(w, 640 + kFrameLeft + kFrameRight);
    EXPECT_EQ(r.left, (600 - w) / 2);
    EXPECT_EQ(r.top, (400 - h) / 2);
    EXPECT_LT(r.left, 0);
    EXPECT_EQ(r.top, -((h - 400) / 2)) << "negative positions truncate toward zero";
}

namespace {

// Window and desktop messages waiting in the queue, handled as the loop would.
void DispatchWaitingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A screen quad with the given vertex colour, drawn with whatever texture the
// device has bound.
void DrawRect(float l, float t, float r, float b, DWORD color) {
    float q[4][7] = {{l, t, 0, 1, 0, 0, 0}, {r, t, 0, 1, 0, 1, 0}, {r, b, 0, 1, 0, 1, 1}, {l, b, 0, 1, 0, 0, 1}};
    for (auto& v : q) memcpy(&v[4], &color, 4);
    g_pd3dDevice->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, 28);
}

// One whole frame on the device: clear to black, draw, present.
void PresentFrame(const std::function<void()>& draw) {
    g_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 0, 0);
    g_pd3dDevice->BeginScene();
    draw();
    g_pd3dDevice->EndScene();
    g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

// A black texel and a white one, side by side.
IDirect3DTexture8* BlackWhiteTexture() {
    return NewTextureObject(2, 1, std::make_shared<const std::vector<uint32_t>>(
                                      std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
}

}  // namespace

TEST(WindowMode, RenderStatesComeBackAfterAReset) {
    Scenario s;
    IDirect3DTexture8* tex = BlackWhiteTexture();
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "as started" : "after a reset");
        if (pass == 1) {
            // A reset forgets every state; the window's move message restores them.
            headless::UserMovesWindow(50, 60);
            DispatchWaitingMessages();
        }
        PresentFrame([&] {
            // Half-transparent white over black: blending.
            g_pd3dDevice->SetTexture(0, nullptr);
            DrawRect(0, 0, 10, 10, 0x80FFFFFFu);
            // Two texels magnified to 40 pixels: the linear filter grades them.
            g_pd3dDevice->SetTexture(0, tex);
            DrawRect(100, 0, 140, 1, 0xFFFFFFFFu);
        });
        EXPECT_EQ(headless::PixelAt(5, 5), 0xFF808080u);
        EXPECT_EQ(headless::PixelAt(100, 0), 0xFF000000u);
        EXPECT_EQ(headless::PixelAt(139, 0), 0xFFFFFFFFu);
        const uint32_t middle = headless::PixelAt(120, 0) & 0xFF;
        EXPECT_GT(middle, 0x40u) << "magnified texels are filtered, not repeated";
        EXPECT_LT(middle, 0xC0u);
    }
    tex->Release();
}

// After a reset the window may have changed: the next picture is shown even if
// it equals the last, and no texture stays bound from before.
TEST(Device, ResetForgetsTheBoundTextureAndShowsTheNextFrameAgain) {
    Scenario s;
    PresentFrame([] {});
    PresentFrame([] {});
    EXPECT_FALSE(headless::LastPresentChanged()) << "two black frames in a row: nothing new to show";
    headless::UserMovesWindow(20, 30);
    DispatchWaitingMessages();
    PresentFrame([] {});
    EXPECT_TRUE(headless::LastPresentChanged()) << "the first picture after a reset must reach the window";
    PresentFrame([] {});
    EXPECT_FALSE(headless::LastPresentChanged());

    IDirect3DTexture8* tex = BlackWhiteTexture();
    g_pd3dDevice->SetTexture(0, tex);
    headless::UserMovesWindow(40, 30);
    DispatchWaitingMessages();
    // Drawn without binding a texture: white times the vertex colour.
    PresentFrame([] { DrawRect(0, 0, 10, 10, 0xFF00C000u); });
    EXPECT_EQ(headless::PixelAt(2, 5), 0xFF00C000u);
    EXPECT_EQ(headless::PixelAt(8, 5), 0xFF00C000u);
    tex->Release();
}
