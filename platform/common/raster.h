// The software rasteriser behind the device: draws pre-transformed,
// vertex-coloured, textured triangles into the 640x480 picture. Both the SDL
// build and the headless test build draw through it, so tests see the very
// pixels a player sees.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

struct Picture {
    uint32_t px[kPictureWidth * kPictureHeight];  // 0xAARRGGBB, rows top-down
};

struct RasterTexture {
    int width = 0;
    int height = 0;
    const uint32_t* argb = nullptr;  // width * height texels, 0xAARRGGBB
    // What each texel asks of the picture, from BuildTexelRuns; optional, but
    // without it every blended row is sorted out again at each draw.
    const uint16_t* runs = nullptr;
};

// For each texel: whether it is clear (alpha 0), opaque (alpha 255) or
// neither, and how many texels of its row from it on are the same; then, a
// row at a time, a bit for each group of eight texels that are not all
// clear. Blending then copies opaque runs and skips clear ones whole.
// TexelRunEntries gives the size of runs.
size_t TexelRunEntries(int width, int height);
void BuildTexelRuns(const uint32_t* argb, int width, int height, uint16_t* runs);

struct RasterVertex {
    float x, y;
    uint32_t color;  // 0xAARRGGBB
    float u, v;
};

struct RasterState {
    bool blend = false;        // source alpha over the picture
    bool linearMag = false;    // bilinear filtering where the image is magnified
    bool cullCcw = true;       // drop triangles wound counter-clockwise on screen
};

void RasterClear(Picture& pic, uint32_t color);

// The picture into rows of pitch bytes, as the screen takes it, alpha opaque.
void RasterCopyPicture(const Picture& pic, void* pixels, int pitch);

// The picture scaled to width x height pixels with bilinear filtering (pixel
// centres mapped onto pixel centres, edges clamped) into rows of pitch bytes:
// a screen without a GPU, which would otherwise scale it more slowly itself.
// Widths up to kMaxScaledWidth.
constexpr int kMaxScaledWidth = 7680;
void RasterScalePicture(const Picture& pic, int width, int height, void* pixels, int pitch);

// Whether RasterFan with these arguments sets every pixel of the picture to
// a value that does not depend on what was there: a clear just before it
// can be left out.
bool RasterFanCoversPicture(const RasterTexture* tex, const RasterState& state, const RasterVertex* v, int n);

// One triangle. A null texture (an empty slot) samples as opaque white.
void RasterTriangle(Picture& pic, const RasterTexture* tex, const RasterState& state, const RasterVertex& a,
                    const RasterVertex& b, const RasterVertex& c);

// A triangle fan of n vertices. Fans that are screen-aligned rectangles with
// one colour (every sprite the game draws) take a fast path.
void RasterFan(Picture& pic, const RasterTexture* tex, const RasterState& state, const RasterVertex* v, int n);
