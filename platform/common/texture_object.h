// A texture as the device holds it: 32-bit texels at the image's own size.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8.h"

struct TextureObject : IDirect3DTexture8 {
    ULONG refs = 1;
    int width = 0;
    int height = 0;
    uint64_t serial = 0;  // unique for the run: tells textures apart where an address may be reused
    std::vector<uint32_t> argb;  // 0xAARRGGBB, rows top-down
};

// A texture holding a copy of width * height texels.
TextureObject* NewTextureObject(int width, int height, const uint32_t* texels);

// Textures created and not yet released: lets tests see leaks and double frees.
int LiveTextureCount();
