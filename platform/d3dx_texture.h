// Loading an image file into a texture, as the game's two loaders call it.
#pragma once

#include "platform/d3d8.h"

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_FILTER_NONE 1u
#define D3DX_FILTER_POINT 2u
#define D3DX_FILTER_LINEAR 3u

struct D3DXIMAGE_INFO;
struct PALETTEENTRY;

// The image's own size and format; the texture lands in the managed pool.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, LPCSTR srcFile, IDirect3DTexture8** texture);

// The same with a format and a colour key: a pixel that equals the key in all
// four channels becomes transparent black. Width and height of 0 or
// D3DX_DEFAULT take the image's own.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR srcFile, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                     PALETTEENTRY* palette, IDirect3DTexture8** texture);

// Not a D3DX call: starts decoding files that the loaders above will be asked
// for, on worker threads, and returns at once; a load then only collects the
// picture (waiting for it if its decode is still running), so the earlier a
// file is asked for, the less its load costs. colorKeys[i] is the key the Ex
// loader will be given with D3DFMT_A1R5G5B5, or formats[i] is D3DFMT_UNKNOWN
// for the plain loader. Null names are skipped. Files that cannot be read or
// decoded are left to the loads to report.
void PrefetchTextureFiles(const LPCSTR* srcFiles, const D3DFORMAT* formats, const D3DCOLOR* colorKeys, int count);
