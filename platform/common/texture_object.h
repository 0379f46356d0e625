// A texture as the device holds it: 32-bit texels at the image's own size.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d8.h"

struct TextureObject : IDirect3DTexture8 {
    ULONG refs = 1;
    int width = 0;
    int height = 0;
    uint64_t serial = 0;  // unique for the run: tells textures apart where an address may be reused
    // 0xAARRGGBB, rows top-down. Textures never change once made, so those
    // of one decoded file share its texels rather than copy them.
    std::shared_ptr<const std::vector<uint32_t>> texels;
    const uint32_t* argb = nullptr;
    // The texels' runs for the rasteriser (BuildTexelRuns), shared likewise;
    // may be null.
    std::shared_ptr<const std::vector<uint16_t>> runs;
};

// A texture showing width * height texels.
TextureObject* NewTextureObject(int width, int height, std::shared_ptr<const std::vector<uint32_t>> texels,
                                std::shared_ptr<const std::vector<uint16_t>> runs = nullptr);

// Textures created and not yet released: lets tests see leaks and double frees.
int LiveTextureCount();

// Image files decoded so far, by the loaders themselves and ahead of them.
struct TextureDecodeCounts {
    int byLoads = 0;
    int byPrefetch = 0;
};
TextureDecodeCounts GetTextureDecodeCounts();

// Waits, at most maxMs, until no file asked for ahead of its load is still
// waiting or being decoded; false when time ran out first. For tests and the
// benchmark: the game never waits for anything but the picture it loads.
bool WaitForTextureDecodes(int maxMs);

// Picture workers running now; they end when left idle. For tests.
int TextureDecodeWorkers();
