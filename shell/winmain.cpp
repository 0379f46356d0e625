// The process: start-up, the message loop that runs frames whenever no
// message waits, and shutdown.
#include "shell/winmain.h"

#include "shell/frame_loop.h"
#include "shell/input.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/textures.h"

HWND g_hWnd = nullptr;
BYTE g_bWindowed = 0;
int g_bActive = 1;
char g_szClassName[16] = "tovarel_vex_sys";
const char g_szTitle[] = "もけもけらんど　ぽてぽてさんぽ";

namespace {

constexpr DWORD kStyleWindowed = 0x00CA0000u;  // caption, system menu, minimise box
constexpr DWORD kStyleFullScreen = 0x90000000u;  // popup, visible

// Grows the window so that its client area is 640x480.
void SizeClientArea() {
    RECT wRect, cRect;
    GetWindowRect(g_hWnd, &wRect);
    GetClientRect(g_hWnd, &cRect);
    int frameW = (wRect.right - wRect.left) - (cRect.right - cRect.left);
    int frameH = (wRect.bottom - wRect.top) - (cRect.bottom - cRect.top);
    SetWindowPos(g_hWnd, HWND_TOP, 0, 0, frameW + 640, frameH + 480, SWP_NOMOVE);
}

}  // namespace

int WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow) {
    MSG msg = {};

    HICON icon = (HICON)LoadImageA(hInstance, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, 0);
    if (FAILED(CoInitialize(nullptr))) return 0;
    if (!InitWindow(hInstance, nCmdShow)) return 0;
    // The pictures decode and the songs render while the device and the
    // sound come up. Not before the window: bringing up the display may start
    // a helper process, which must not be copied from us while workers run.
    PrefetchSounds();
    PrefetchTextures();
    SendMessageA(g_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    if (FAILED(InitD3D())) return 0;
    if (!InitDirectMusic()) return 0;
    if (!InitDirectInput(hInstance)) return 0;
    InitRenderState();

    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (g_bActive) {
            if (!GameLoop(hInstance, nCmdShow)) break;
        } else {
            WaitMessage();
        }
    }

    ReleaseDirectInput();
    ReleaseAllSegments();
    ReleaseDirectMusic();
    ReleaseD3D();
    return (int)msg.wParam;
}

LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        ResetD3DDevice();
        return 0;
    case WM_SIZE:
        g_bActive = (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE) ? 0 : 1;
        ResetD3DDevice();
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) PostMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

int InitWindow(HINSTANCE hInstance, int nCmdShow) {
    WNDCLASSEXA wc;
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = 0;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = (HICON)LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = g_szClassName;
    wc.hIconSm = (HICON)LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
    if (!RegisterClassExA(&wc)) return 0;

    if (g_bWindowed == 1) {
        g_hWnd = CreateWindowExA(0, g_szClassName, g_szTitle, kStyleWindowed, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, nullptr, hInstance, nullptr);
        SizeClientArea();
        CenterWindow();
    } else {
        g_hWnd = CreateWindowExA(0, g_szClassName, g_szTitle, kStyleFullScreen, 0, 0, 640, 480, nullptr, nullptr,
                                 hInstance, nullptr);
    }
    ShowWindow(g_hWnd, nCmdShow);
    ValidateRect(g_hWnd, nullptr);
    UpdateWindow(g_hWnd);
    SetFocus(g_hWnd);
    return 1;
}

int ChangeWindowMode(HINSTANCE, int nCmdShow) {
    // The present parameters change first, so every reset that the window
    // calls below set off already uses the new mode.
    if (g_bWindowed == 1) {
        g_d3dpp.Windowed = 1;
        SetWindowLongA(g_hWnd, GWL_STYLE, (LONG)kStyleWindowed);
        SizeClientArea();
        CenterWindow();
    } else {
        g_d3dpp.Windowed = 0;
        SetWindowPos(g_hWnd, HWND_NOTOPMOST, 0, 0, 640, 480, SWP_SHOWWINDOW);
        SetWindowLongA(g_hWnd, GWL_STYLE, (LONG)kStyleFullScreen);
    }
    ShowWindow(g_hWnd, nCmdShow);
    ValidateRect(g_hWnd, nullptr);
    UpdateWindow(g_hWnd);
    SetFocus(g_hWnd);
    return 1;
}

int CenterWindow() {
    RECT DeskTop, Window;
    GetWindowRect(GetDesktopWindow(), &DeskTop);
    GetWindowRect(g_hWnd, &Window);
    int w = Window.right - Window.left;
    int h = Window.bottom - Window.top;
    int x = (DeskTop.right - w) / 2;
    int y = (DeskTop.bottom - h) / 2;
    SetWindowPos(g_hWnd, HWND_TOP, x, y, w, h, SWP_SHOWWINDOW);
    return 1;
}
