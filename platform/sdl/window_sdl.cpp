// The SDL2 backend of the window, its events, the clock, message boxes and
// debugger output.
#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <cstring>

#include "platform/common/backend.h"
#include "platform/common/worker_gate.h"
#include "platform/sdl/input_sdl_tables.h"
#include "platform/sdl/sdl_backend.h"

namespace {

SDL_Window* g_sdlWindow = nullptr;
bool g_videoUp = false;
bool g_appliedFullScreen = false;

// Virtual-key code of a key as the window's key messages carry it. Only the
// meaning matters here; the keyboard-state buffer has its own complete table.
WPARAM VirtualKeyOf(const SDL_Keysym& key) {
    return VirtualKeyFromSdlKeycode(key.sym, (key.mod & KMOD_NUM) != 0);
}

// Without a window manager (a bare X server, a kiosk) nobody resizes a window
// that asks for full screen: it would keep its 640x480 while the picture is
// scaled to the display, and show only a corner of it. So the window covers
// the display itself, as a window manager would make it. It then does not ask
// for full screen at all: SDL would wait a tenth of a second for a change
// that nobody makes each time the window is shown. Nor does it cover the
// display where a window manager does that: SDL would wait as long for a
// window already of the display's size to change.
void CoverDisplay() {
    int display = SDL_GetWindowDisplayIndex(g_sdlWindow);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return;
    SDL_SetWindowBordered(g_sdlWindow, SDL_FALSE);
    SDL_SetWindowPosition(g_sdlWindow, bounds.x, bounds.y);
    SDL_SetWindowSize(g_sdlWindow, bounds.w, bounds.h);
}

}  // namespace

SDL_Window* SdlMainWindow() { return g_sdlWindow; }

bool BackendVideoInit() {
    if (g_videoUp) return true;
    // Without a display SDL falls back to a driver that shows nothing, and the
    // game would run unseen until killed. Such a driver serves only when it
    // was asked for by name (the tests ask for the dummy one); otherwise the
    // window is not made, and the device that needs it fails with its message.
    bool asked = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "no display found: %s\n", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!asked && driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0)) {
        fprintf(stderr, "no display found: neither DISPLAY nor WAYLAND_DISPLAY names a running server\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    g_videoUp = true;
    return true;
}

void BackendDesktopSize(int* width, int* height) {
    SDL_DisplayMode mode;
    if (g_videoUp && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        *width = mode.w;
        *height = mode.h;
    } else {
        *width = 640;
        *height = 480;
    }
}

void BackendWindowCreated(PlatformWindow& w, const char* title) {
    RECT c = ClientRectOnDesktop(w);
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    g_sdlWindow = SDL_CreateWindow(title, c.left, c.top, 640, 480, flags);
    if (!g_sdlWindow) {
        fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return;
    }
    SDL_ShowCursor(SDL_DISABLE);
    g_appliedFullScreen = false;
    BackendWindowChanged(w);
}

void BackendWindowChanged(PlatformWindow& w) {
    if (!g_sdlWindow) return;
    bool fullScreen = IsFullScreenStyle(w.style);
    if (fullScreen != g_appliedFullScreen || !w.visible) {
        // A desktop-sized full-screen window showing the picture scaled and
        // centred stands in for the exclusive 640x480 mode.
        const bool byManager = fullScreen && SdlWindowManagerFullScreens(g_sdlWindow);
        SDL_SetWindowFullscreen(g_sdlWindow, byManager ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        if (fullScreen && !byManager) CoverDisplay();
        g_appliedFullScreen = fullScreen;
    }
    if (!fullScreen) {
        RECT c = ClientRectOnDesktop(w);
        SDL_SetWindowBordered(g_sdlWindow, (w.style & WS_CAPTION) ? SDL_TRUE : SDL_FALSE);
        int cw = c.right - c.left, ch = c.bottom - c.top;
        if (cw > 0 && ch > 0) SDL_SetWindowSize(g_sdlWindow, cw, ch);
        SDL_SetWindowPosition(g_sdlWindow, c.left, c.top);
    }
    if (w.visible)
        SDL_ShowWindow(g_sdlWindow);
    else
        SDL_HideWindow(g_sdlWindow);
    SdlRequestRedraw();
}

void BackendWindowIcon(PlatformWindow&, const PlatformIcon& icon) {
    if (!g_sdlWindow) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.argb.data()), icon.width,
                                                        icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(g_sdlWindow, s);
    SDL_FreeSurface(s);
}

void BackendWindowDestroyed(PlatformWindow&) {
    if (g_sdlWindow) SDL_HideWindow(g_sdlWindow);
}

namespace {

void HandleEvent(const SDL_Event& e) {
    PlatformWindow* w = MainPlatformWindow();
    switch (e.type) {
    case SDL_QUIT:
        if (w) QueueWindowMessage(WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        if (!w) break;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            QueueWindowMessage(WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_MOVED:
            if (!IsFullScreenStyle(w->style)) NotifyWindowMoved(e.window.data1, e.window.data2);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            if (w->visible) NotifyWindowMinimized(true);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_MAXIMIZED:
            NotifyWindowMinimized(false);
            SdlRequestRedraw();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            SdlRequestRedraw();
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
        if (w) {
            bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            QueueWindowMessage(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, VirtualKeyOf(e.key.keysym), 0);
        }
        break;
    case SDL_KEYUP:
        if (w) {
            bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            QueueWindowMessage(alt ? WM_SYSKEYUP : WM_KEYUP, VirtualKeyOf(e.key.keysym), 0);
        }
        break;
    default:
        break;
    }
}

}  // namespace

void BackendPumpEvents() {
    // Once the window is gone nothing is listened to. Under a window manager,
    // the events its hiding set off would have SDL ask the X server about the
    // frame the manager is tearing down around it, and an X error then ends
    // the process with exit code 1 instead of the game's own.
    if (!g_videoUp || !MainPlatformWindow()) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
}

void BackendWaitEvent() {
    if (!g_videoUp || !MainPlatformWindow()) {
        SDL_Delay(10);
        return;
    }
    SDL_WaitEventTimeout(nullptr, 100);
    BackendPumpEvents();
}

DWORD timeGetTime() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (DWORD)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

void Sleep(DWORD milliseconds) {
    timespec ts;
    ts.tv_sec = milliseconds / 1000;
    ts.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    nanosleep(&ts, nullptr);
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    fflush(stderr);
    // A real modal box only where a desktop can show one; the dummy and
    // offscreen drivers have none.
    const char* driver = g_videoUp ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver && (strcmp(driver, "x11") == 0 || strcmp(driver, "wayland") == 0)) {
        // SDL shows the box from a copy of the process; a copy made while a
        // worker holds an allocator lock could wait on it for ever. The
        // workers stop between two short pieces of their work meanwhile.
        worker_gate::Hold();
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption ? caption : "", text ? text : "", g_sdlWindow);
        worker_gate::Release();
    }
    return IDOK;
}

void OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    fputs(text, stderr);
    fflush(stderr);
}
