// The fixed-rate frame loop: one call is one 1/60-s step.
#include "shell/frame_loop.h"

#include "game/scene.h"
#include "shell/input.h"
#include "shell/renderer.h"
#include "shell/winmain.h"

DWORD g_dwPrevTime = 0;
DWORD g_dwTimeRem = 0;
DWORD g_dwNowTime = 0;
DWORD g_nFpsCount = 0;
DWORD g_dwFpsTime = 0;
BYTE g_bHoldF1 = 0;

int GameLoop(HINSTANCE hInstance, int nCmdShow) {
    char buff[80];
    DWORD t0 = timeGetTime();

    // Time is counted in thirds of a millisecond: 50 of them make one step.
    // A late frame runs one step only; the time beyond it is dropped.
    DWORD now, acc;
    for (;;) {
        now = timeGetTime();
        acc = (now - g_dwPrevTime) * 3 + g_dwTimeRem;
        if (acc >= 50) break;
        Sleep(1);
    }
    g_dwPrevTime = now;
    g_dwTimeRem = acc % 50;
    g_dwNowTime = timeGetTime();

    if (!GetKeyboardState(g_byKeyState)) {
        MessageBoxA(g_hWnd, "キー情報の取得に失敗", "ERROR", MB_OK);
        return 0;
    }
    UpdateKeyboard();
    UpdateJoypad();

    g_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 0.0f, 0);
    g_pd3dDevice->BeginScene();
    g_pd3dDevice->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);

    switch (g_FrameNo) {
    case 10: SceneLogo(); break;
    case 11: SceneTitle(); break;
    case 30: SceneStageStart(); break;
    case 31: SceneStagePlay(); break;
    case 40: SceneTitleToSelect(); break;
    case 41: SceneCharSelect(); break;
    default:
        MessageBoxA(g_hWnd, "g_FrameNoの値が例外です。", "ERROR", MB_OK);
        return 0;
    }

    g_pd3dDevice->EndScene();
    g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);

    if (g_byKeyState[VK_F1] & 0x80) {
        if (g_bHoldF1 == 0) {
            g_bHoldF1 = 1;
            g_bWindowed = g_bWindowed ? 0 : 1;
            ChangeWindowMode(hInstance, nCmdShow);
            ResetD3DDevice();
        }
    } else {
        g_bHoldF1 = 0;
    }

    g_nFpsCount += 1;
    if (t0 - g_dwFpsTime >= 1000) {
        wsprintfA(buff, "%04d FPS\n", (int)g_nFpsCount);
        OutputDebugStringA(buff);
        g_nFpsCount = 0;
        g_dwFpsTime = t0;
    }
    return 1;
}
