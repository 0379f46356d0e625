// The test platform's controls: a clock the test advances, desktop events the
// test injects, and what the device drew and the player was told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/common/backend.h"
#include "platform/common/raster.h"
#include "platform/d3d8.h"

namespace headless {

// The clock starts at 100000 ms; Sleep advances it.
constexpr DWORD kStartClock = 100000;
void SetClock(DWORD ms);
void AdvanceClock(DWORD ms);
DWORD Clock();
int SleepCount();  // Sleep calls so far

// Desktop events, queued as the real desktop would queue them.
void UserClosesWindow();
void UserMinimizes();
void UserRestores();
void UserMovesWindow(int clientX, int clientY);
void UserPressesKey(BYTE virtualKey, bool alt = false);  // a key-down message only

// Whether the video system, and each kind of renderer, can be had.
void SetVideoAvailable(bool available);
void SetRendererAvailable(bool accelerated, bool software);
int RendererCreateAttempts();
bool RendererIsAccelerated();

// The window as the game left it.
bool WindowExists();
bool WindowVisible();
bool WindowFullScreen();
RECT WindowRect();
const PlatformIcon& WindowIcon();  // no pixels until the program sets its icon
void SetDesktopSize(int width, int height);

// Called at every Present with the number of presents so far (1 for the
// first), and whenever the message loop would wait for an event that no test
// has injected: the idle hook must inject one, or the test fails.
void SetPresentHook(std::function<void(int presentNo)> hook);
void SetIdleHook(std::function<void()> hook);

int PresentCount();
// Whether the device told the window that the last presented picture may
// differ from the one shown before (an unchanged picture is not sent again).
bool LastPresentChanged();
const Picture& LastPicture();  // the picture as last presented
uint32_t PixelAt(int x, int y);

struct DrawRecord {
    int frame;  // presents before this draw, so 0 in the first frame
    const IDirect3DTexture8* texture;
    RasterVertex v[4];
    int count;
};
const std::vector<DrawRecord>& Draws();
void ClearDraws();

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    HWND owner;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
const std::string& DebugOutput();
void ClearDebugOutput();

}  // namespace headless
