// The window, its messages and the message queue, shared by both platforms.
// A window call that sends messages (creation, moves, sizes, shows) calls the
// window procedure at once, as the game expects; events from the desktop are
// queued and reach it through the message loop.
#include <cstdio>
#include <string>

#include "platform/common/backend.h"
#include "platform/common/program_resources.h"
#include "platform/image/image_decode.h"

namespace {

constexpr int kQueueSize = 256;

PlatformWindow g_window;
PlatformWindow g_desktop;
WNDCLASSEXA g_class = {};
bool g_classRegistered = false;

MSG g_queue[kQueueSize];
int g_queueHead = 0;
int g_queueCount = 0;
const ProgramResource* g_resources = nullptr;
int g_resourceCount = 0;
PlatformIcon g_systemIcon;   // the desktop's own standard icon
PlatformIcon g_programIcon;  // the one icon the program carries

bool g_quitPosted = false;
int g_quitCode = 0;
bool g_loopEntered = false;  // the message loop has asked for its first message

HWND Handle(PlatformWindow* w) { return reinterpret_cast<HWND>(w); }

PlatformWindow* FromHandle(HWND h) {
    if (h == Handle(&g_window) && g_window.alive) return &g_window;
    return nullptr;
}

LPARAM MakeLParam(int lo, int hi) { return (LPARAM)(DWORD)(((WORD)lo) | ((DWORD)(WORD)hi << 16)); }

LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!g_window.alive || !g_window.proc) return 0;
    return g_window.proc(Handle(&g_window), msg, wParam, lParam);
}

void SendMoveAndSize(bool moved, bool sized) {
    RECT c = ClientRectOnDesktop(g_window);
    if (sized) Send(WM_SIZE, g_window.minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                    MakeLParam(c.right - c.left, c.bottom - c.top));
    if (moved) Send(WM_MOVE, 0, MakeLParam(c.left, c.top));
}

}  // namespace

RECT ClientRectOnDesktop(const PlatformWindow& w) {
    RECT c = w.rect;
    if (w.style & WS_CAPTION) {
        c.left += kFrameLeft;
        c.top += kFrameTop;
        c.right -= kFrameRight;
        c.bottom -= kFrameBottom;
    }
    return c;
}

bool IsFullScreenStyle(DWORD style) { return (style & WS_POPUP) && !(style & WS_CAPTION); }

PlatformWindow* MainPlatformWindow() { return g_window.alive ? &g_window : nullptr; }

void QueueWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_window.alive) PostMessageA(Handle(&g_window), msg, wParam, lParam);
}

void NotifyWindowMoved(int clientX, int clientY) {
    RECT c = ClientRectOnDesktop(g_window);
    int dx = clientX - c.left, dy = clientY - c.top;
    if (dx == 0 && dy == 0) return;
    g_window.rect.left += dx;
    g_window.rect.right += dx;
    g_window.rect.top += dy;
    g_window.rect.bottom += dy;
    QueueWindowMessage(WM_MOVE, 0, MakeLParam(clientX, clientY));
}

void NotifyWindowMinimized(bool minimized) {
    if (g_window.minimized == minimized) return;
    g_window.minimized = minimized;
    RECT c = ClientRectOnDesktop(g_window);
    QueueWindowMessage(WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                       minimized ? 0 : MakeLParam(c.right - c.left, c.bottom - c.top));
}

HRESULT CoInitialize(LPVOID) { return S_OK; }

WORD RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpfnWndProc || !wc->lpszClassName) return 0;
    g_class = *wc;
    g_classRegistered = true;
    return 1;
}

HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR windowName, DWORD style, int x, int y, int width, int height, HWND,
                     HMENU, HINSTANCE, LPVOID) {
    if (!g_classRegistered || g_window.alive) return nullptr;
    if (!BackendVideoInit()) return nullptr;
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
    if (width == CW_USEDEFAULT) width = 640 + kFrameLeft + kFrameRight;
    if (height == CW_USEDEFAULT) height = 480 + kFrameTop + kFrameBottom;
    g_window = PlatformWindow();
    g_window.style = style;
    g_window.rect = {x, y, x + width, y + height};
    g_window.visible = (style & WS_VISIBLE) != 0;
    g_window.alive = true;
    g_window.proc = g_class.lpfnWndProc;
    BackendWindowCreated(g_window, windowName ? windowName : "");
    Send(WM_CREATE, 0, 0);
    SendMoveAndSize(true, true);
    return Handle(&g_window);
}

BOOL ShowWindow(HWND hWnd, int cmdShow) {
    PlatformWindow* w = FromHandle(hWnd);
    if (!w) return FALSE;
    BOOL wasVisible = w->visible;
    switch (cmdShow) {
    case SW_HIDE:
        w->visible = false;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        w->visible = true;
        if (!w->minimized) {
            w->minimized = true;
            SendMoveAndSize(false, true);
        }
        break;
    default:
        w->visible = true;
        if (w->minimized) {
            w->minimized = false;
            SendMoveAndSize(false, true);
        }
        break;
    }
    w->style = w->visible ? (w->style | WS_VISIBLE) : (w->style & ~WS_VISIBLE);
    BackendWindowChanged(*w);
    return wasVisible;
}

BOOL UpdateWindow(HWND hWnd) { return FromHandle(hWnd) ? TRUE : FALSE; }
BOOL ValidateRect(HWND, const RECT*) { return TRUE; }
HWND SetFocus(HWND hWnd) { return FromHandle(hWnd) ? hWnd : nullptr; }

BOOL GetWindowRect(HWND hWnd, RECT* rect) {
    if (!rect) return FALSE;
    if (hWnd == Handle(&g_desktop)) {
        int w = 0, h = 0;
        BackendDesktopSize(&w, &h);
        *rect = {0, 0, w, h};
        return TRUE;
    }
    PlatformWindow* w = FromHandle(hWnd);
    if (!w) return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, RECT* rect) {
    PlatformWindow* w = FromHandle(hWnd);
    if (!w || !rect) return FALSE;
    RECT c = ClientRectOnDesktop(*w);
    *rect = {0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    PlatformWindow* w = FromHandle(hWnd);
    if (!w) return FALSE;
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        r.right = x + (r.right - r.left);
        r.bottom = y + (r.bottom - r.top);
        r.left = x;
        r.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    bool moved = r.left != w->rect.left || r.top != w->rect.top;
    bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
                 (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
    w->rect = r;
    if (flags & SWP_SHOWWINDOW) {
        w->visible = true;
        w->style |= WS_VISIBLE;
    }
    BackendWindowChanged(*w);
    SendMoveAndSize(moved, sized);
    return TRUE;
}

LONG SetWindowLongA(HWND hWnd, int index, LONG value) {
    PlatformWindow* w = FromHandle(hWnd);
    if (!w || index != GWL_STYLE) return 0;
    LONG old = (LONG)w->style;
    w->style = (DWORD)value;
    w->visible = (w->style & WS_VISIBLE) != 0;
    BackendWindowChanged(*w);
    return old;
}

HWND GetDesktopWindow() { return Handle(&g_desktop); }

BOOL DestroyWindow(HWND hWnd) {
    PlatformWindow* w = FromHandle(hWnd);
    if (!w) return FALSE;
    Send(WM_DESTROY, 0, 0);
    w->alive = false;
    BackendWindowDestroyed(*w);
    return TRUE;
}

LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!FromHandle(hWnd)) return 0;
    return Send(msg, wParam, lParam);
}

void SetProgramResources(const ProgramResource* table, int count) {
    g_resources = table;
    g_resourceCount = table ? count : 0;
}

namespace {

// Scales an icon to the size asked for: whole blocks of pixels averaged when
// it shrinks by a whole factor (32 to 16), the nearest pixel otherwise.
void ScaleIcon(const DecodedImage& img, int w, int h, PlatformIcon& out) {
    out.width = w;
    out.height = h;
    out.argb.assign((size_t)w * (size_t)h, 0);
    const bool blocks = img.width % w == 0 && img.height % h == 0;
    const int bw = blocks ? img.width / w : 1, bh = blocks ? img.height / h : 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int sx = blocks ? x * bw : x * img.width / w, sy = blocks ? y * bh : y * img.height / h;
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < bh; ++j) {
                for (int i = 0; i < bw; ++i) {
                    const uint32_t p = img.argb[(size_t)(sy + j) * (size_t)img.width + (size_t)(sx + i)];
                    for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
                }
            }
            const uint32_t n = (uint32_t)(bw * bh);
            uint32_t p = 0;
            for (int c = 0; c < 4; ++c) p |= ((sum[c] + n / 2) / n) << (8 * c);
            out.argb[(size_t)y * (size_t)w + (size_t)x] = p;
        }
    }
}

}  // namespace

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT) {
    if (type != IMAGE_ICON) return nullptr;
    if (name == IDI_APPLICATION) return &g_systemIcon;
    const uintptr_t id = (uintptr_t)name;
    if (id > 0xFFFF) return nullptr;  // icons are found by number only
    for (int i = 0; i < g_resourceCount; ++i) {
        if ((uintptr_t)g_resources[i].id != id) continue;
        DecodedImage img;
        std::string why;
        if (!DecodeImage(g_resources[i].data, g_resources[i].size, img, &why)) {
            fprintf(stderr, "icon %d: %s\n", (int)id, why.c_str());
            return nullptr;
        }
        ScaleIcon(img, cx > 0 ? cx : img.width, cy > 0 ? cy : img.height, g_programIcon);
        return &g_programIcon;
    }
    return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }

HCURSOR SetCursor(HCURSOR) { return nullptr; }  // the pointer is hidden over the window by the backend

HGDIOBJ GetStockObject(int) {
    static int brush;
    return &brush;
}

BOOL PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_queueCount == kQueueSize) return FALSE;
    MSG& m = g_queue[(g_queueHead + g_queueCount) % kQueueSize];
    m = MSG();
    m.hwnd = hWnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = timeGetTime();
    ++g_queueCount;
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    g_quitPosted = true;
    g_quitCode = exitCode;
}

namespace {

// Takes the next message, if any; the quit message comes when nothing else waits.
bool TakeMessage(MSG* msg, bool remove) {
    if (g_queueCount > 0) {
        *msg = g_queue[g_queueHead];
        if (remove) {
            g_queueHead = (g_queueHead + 1) % kQueueSize;
            --g_queueCount;
        }
        return true;
    }
    if (g_quitPosted) {
        *msg = MSG();
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)(intptr_t)g_quitCode;
        msg->time = timeGetTime();
        if (remove) g_quitPosted = false;
        return true;
    }
    return false;
}

}  // namespace

bool MessageLoopEntered() { return g_loopEntered; }

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeFlags) {
    g_loopEntered = true;
    BackendPumpEvents();
    return TakeMessage(msg, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT) {
    for (;;) {
        BackendPumpEvents();
        if (TakeMessage(msg, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        BackendWaitEvent();
    }
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !FromHandle(msg->hwnd)) return 0;
    return Send(msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessage() {
    BackendPumpEvents();
    if (g_queueCount == 0 && !g_quitPosted) BackendWaitEvent();
    return TRUE;
}

LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == 0x73) SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETICON: {
        PlatformWindow* w = FromHandle(hWnd);
        const PlatformIcon* icon = reinterpret_cast<const PlatformIcon*>(lParam);
        if (w && icon && !icon->argb.empty()) BackendWindowIcon(*w, *icon);
        return 0;
    }
    default:
        return 0;
    }
}
