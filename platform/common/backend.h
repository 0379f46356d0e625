// What each platform (SDL or headless) supplies under the shared window,
// message and device code of platform/common.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/common/raster.h"
#include "platform/win32.h"

class IDirect3DTexture8;

// An icon as LoadImageA made it: straight 32-bit pixels at the size asked for.
// The system's standard icon has no pixels: the desktop shows its own.
struct PlatformIcon {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB, rows top-down
};

// The one window's state as the game's window calls left it.
struct PlatformWindow {
    DWORD style = 0;
    RECT rect = {0, 0, 0, 0};  // outer rectangle on the desktop
    bool visible = false;
    bool minimized = false;
    bool alive = false;
    WNDPROC proc = nullptr;
};

// Border a captioned window adds around its client area.
constexpr int kFrameLeft = 3;
constexpr int kFrameTop = 26;
constexpr int kFrameRight = 3;
constexpr int kFrameBottom = 3;

RECT ClientRectOnDesktop(const PlatformWindow& w);
bool IsFullScreenStyle(DWORD style);

// Called by a backend to deliver what the player or the desktop did.
PlatformWindow* MainPlatformWindow();
void QueueWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
void NotifyWindowMoved(int clientX, int clientY);
void NotifyWindowMinimized(bool minimized);

// Whether the message loop ever began. The entry point returns 0 both after a
// quit and after a start-up that failed; the process tells them apart by this.
bool MessageLoopEntered();

// Window side of a backend.
bool BackendVideoInit();
void BackendDesktopSize(int* width, int* height);
void BackendWindowCreated(PlatformWindow& w, const char* title);
void BackendWindowChanged(PlatformWindow& w);
void BackendWindowDestroyed(PlatformWindow& w);
void BackendWindowIcon(PlatformWindow& w, const PlatformIcon& icon);
void BackendPumpEvents();  // turn waiting platform events into queued messages
void BackendWaitEvent();   // block until something arrives, then pump

// Device side of a backend.
bool BackendCreateRenderer(bool accelerated);
void BackendResetRenderer(bool windowed);
void BackendPresent(const Picture& picture, bool changed);
void BackendDestroyRenderer();
void BackendRecordDraw(const IDirect3DTexture8* texture, const RasterVertex* v, int count);
