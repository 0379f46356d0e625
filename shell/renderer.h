// The Direct3D device and the render states that let vertex alpha fade sprites.
#pragma once

#include "platform/d3d8.h"

extern IDirect3D8* g_pD3D;
extern IDirect3DDevice8* g_pd3dDevice;
extern D3DPRESENT_PARAMETERS g_d3dpp;

HRESULT InitD3D();
void InitRenderState();
void ResetD3DDevice();
void ReleaseD3D();
