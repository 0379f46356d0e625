#include "shell/renderer.h"

#include <cstring>

#include "shell/textures.h"
#include "shell/winmain.h"

IDirect3D8* g_pD3D = nullptr;
IDirect3DDevice8* g_pd3dDevice = nullptr;
D3DPRESENT_PARAMETERS g_d3dpp;

HRESULT InitD3D() {
    g_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (g_pD3D == nullptr) {
        MessageBoxA(g_hWnd, "DirectXD3D8オブジェクト生成失敗", "ERROR", MB_OK);
        return E_FAIL;
    }

    D3DDISPLAYMODE DispMode;
    memset(&DispMode, 0, sizeof DispMode);
    memset(&g_d3dpp, 0, sizeof g_d3dpp);
    g_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &DispMode);
    g_d3dpp.BackBufferWidth = 640;
    g_d3dpp.BackBufferHeight = 480;
    g_d3dpp.BackBufferFormat = DispMode.Format;
    g_d3dpp.BackBufferCount = 1;
    g_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    g_d3dpp.Windowed = g_bWindowed;
    g_d3dpp.EnableAutoDepthStencil = TRUE;
    g_d3dpp.AutoDepthStencilFormat = D3DFMT_D16;

    // Hardware first; the reference rasteriser is the last resort.
    if (FAILED(g_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_hWnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &g_d3dpp, &g_pd3dDevice)) &&
        FAILED(g_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_hWnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &g_d3dpp, &g_pd3dDevice)) &&
        FAILED(g_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, g_hWnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &g_d3dpp, &g_pd3dDevice))) {
        MessageBoxA(g_hWnd, "DirectXデバイス生成失敗", "ERROR", MB_OK);
        return E_FAIL;
    }
    return S_OK;
}

void InitRenderState() {
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    g_pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g_pd3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    g_pd3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
}

void ResetD3DDevice() {
    if (g_pd3dDevice != nullptr) {
        g_pd3dDevice->Reset(&g_d3dpp);
        InitRenderState();
    }
}

void ReleaseD3D() {
    ReleaseTitleTextures();
    ReleaseCharSelectTextures();
    ReleaseGameTextures();
    if (g_pd3dDevice != nullptr) {
        g_pd3dDevice->Release();
        g_pd3dDevice = nullptr;
    }
    if (g_pD3D != nullptr) {
        g_pD3D->Release();
        g_pD3D = nullptr;
    }
}
