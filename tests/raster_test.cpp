// The software rasteriser: what a sprite quad puts into the picture.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/common/raster.h"

namespace {

struct Canvas {
    std::unique_ptr<Picture> pic{new Picture()};
    Canvas() { RasterClear(*pic, 0xFF000000u); }
    uint32_t at(int x, int y) const { return pic->px[y * kPictureWidth + x]; }
    int countNot(uint32_t c) const {
        int n = 0;
        for (uint32_t p : pic->px) n += p != c;
        return n;
    }
};

void Quad(RasterVertex v[4], float l, float t, float r, float b, uint32_t color, float ul = 0, float ur = 1) {
    v[0] = {l, t, color, ul, 0};
    v[1] = {r, t, color, ur, 0};
    v[2] = {r, b, color, ur, 1};
    v[3] = {l, b, color, ul, 1};
}

RasterState Blend(bool linear = true) {
    RasterState s;
    s.blend = true;
    s.linearMag = linear;
    return s;
}

}  // namespace

TEST(Raster, ImageAtItsOwnSizeIsCopiedTexelForTexel) {
    std::vector<uint32_t> texels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456,
                                    0xFFABCDEF, 0xFF000001, 0xFF7F7F7F, 0xFFFFFFFF};
    RasterTexture tex{4, 2, texels.data()};
    Canvas c;
    RasterVertex v[4];
    Quad(v, 10, 20, 14, 22, 0xFFFFFFFF);
    RasterFan(*c.pic, &tex, Blend(), v, 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(c.at(10 + x, 20 + y), texels[y * 4 + x]) << x << "," << y;
    EXPECT_EQ(c.countNot(0xFF000000u), 8) << "nothing outside the quad";
}

TEST(Raster, VertexAlphaFadesAndTransparentTexelsLeaveThePicture) {
    std::vector<uint32_t> texels = {0xFFFFFFFF, 0x00FFFFFF};
    RasterTexture tex{2, 1, texels.data()};
    Canvas c;
    RasterVertex v[4];
    Quad(v, 0, 0, 2, 1, 0x80FFFFFF);
    RasterFan(*c.pic, &tex, Blend(), v, 4);
    EXPECT_EQ(c.at(0, 0), 0xFF808080u);
    EXPECT_EQ(c.at(1, 0), 0xFF000000u);
    Quad(v, 0, 0, 2, 1, 0x00FFFFFF);  // alpha 0 shows nothing
    RasterFan(*c.pic, &tex, Blend(), v, 4);
    EXPECT_EQ(c.at(0, 0), 0xFF808080u);
}

TEST(Raster, StripFrameShowsOnlyItsFrame) {
    // Four frames of 2x1, each its own colour.
    std::vector<uint32_t> texels = {0xFF110000, 0xFF110000, 0xFF002200, 0xFF002200,
                                    0xFF000033, 0xFF000033, 0xFF444444, 0xFF444444};
    RasterTexture tex{8, 1, texels.data()};
    Canvas c;
    RasterVertex v[4];
    Quad(v, 100, 100, 102, 101, 0xFFFFFFFF, 0.5f, 0.75f);
    RasterFan(*c.pic, &tex, Blend(), v, 4);
    EXPECT_EQ(c.at(100, 100), 0xFF000033u);
    EXPECT_EQ(c.at(101, 100), 0xFF000033u);
    // Magnified 10x, the frame's edges must not pick up its neighbours.
    Quad(v, 200, 200, 220, 210, 0xFFFFFFFF, 0.5f, 0.75f);
    RasterFan(*c.pic, &tex, Blend(), v, 4);
    EXPECT_EQ(c.at(205, 205), 0xFF000033u);
}

TEST(Raster, MagnifiedImageIsFilteredLinearly) {
    std::vector<uint32_t> texels = {0xFF000000, 0xFFFFFFFF};
    RasterTexture tex{2, 1, texels.data()};
    Canvas c;
    RasterVertex v[4];
    Quad(v, 0, 0, 4, 1, 0xFFFFFFFF);
    RasterFan(*c.pic, &tex, Blend(true), v, 4);
    EXPECT_EQ(c.at(0, 0), 0xFF000000u);
    EXPECT_EQ(c.at(3, 0), 0xFFFFFFFFu);
    uint32_t mid = c.at(1, 0) & 0xFF;
    EXPECT_GT(mid, 0x20u);
    EXPECT_LT(mid, 0x80u);
    Canvas p;
    RasterFan(*p.pic, &tex, Blend(false), v, 4);
    EXPECT_EQ(p.at(1, 0), 0xFF000000u) << "point sampling without the linear state";
}

TEST(Raster, EmptySlotDrawsWhiteTimesVertexColour) {
    Canvas c;
    RasterVertex v[4];
    Quad(v, 0, 0, 3, 3, 0xFF336699);
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    EXPECT_EQ(c.at(1, 1), 0xFF336699u);
}

TEST(Raster, ParkedMirroredAndOffscreenQuadsDrawNothing) {
    Canvas c;
    RasterVertex v[4];
    Quad(v, 999, 999, 999, 999, 0xFFFFFFFF);
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    Quad(v, 50, 0, 10, 10, 0xFFFFFFFF);  // right of left: wound the other way, culled
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    Quad(v, -100, -100, -10, -10, 0xFFFFFFFF);
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    Quad(v, 630, 470, 700, 500, 0xFFFFFFFF);  // clipped to the picture
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    EXPECT_EQ(c.countNot(0xFF000000u), 10 * 10);
}

TEST(Raster, GeneralPathCoversTheSamePixelsOnceEach) {
    // Vertex colours that differ force the triangle path; the fan's shared
    // diagonal must not be blended twice.
    Canvas c;
    RasterVertex v[4];
    Quad(v, 10.0f, 10.0f, 30.0f, 30.0f, 0x80FFFFFF);
    v[2].color = 0x80FFFFFE;
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    EXPECT_EQ(c.countNot(0xFF000000u), 400);
    for (int i = 10; i < 30; ++i) EXPECT_EQ(c.at(i, i) & 0xFF00, 0x8000u) << "diagonal pixel " << i;
}

TEST(Raster, FractionalEdgesFollowPixelCentres) {
    Canvas c;
    RasterVertex v[4];
    Quad(v, 0.4f, 0.6f, 2.5f, 2.4f, 0xFFFFFFFF);
    RasterFan(*c.pic, nullptr, Blend(), v, 4);
    // Centres 0.5, 1.5 lie inside [0.4, 2.5) horizontally; 1.5 only vertically.
    EXPECT_EQ(c.countNot(0xFF000000u), 2);
    EXPECT_EQ(c.at(0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(c.at(1, 1), 0xFFFFFFFFu);
}

// Blending over a picture whose channels all differ, so that a channel taken
// from the wrong place shows: each channel is source x alpha + destination x
// (1 - alpha), on the sprite path, the empty-slot path and the general path.
TEST(Raster, BlendKeepsEachChannelApart) {
    const uint32_t dst = 0xFF20A0E0u;
    const uint32_t texel = 0xFFC04010u;
    const uint32_t alpha = 0x60;
    auto expectBlend = [&](uint32_t got, uint32_t src, const char* path) {
        for (int shift = 0; shift <= 16; shift += 8) {
            const int s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
            const int want = (s * (int)alpha + d * (255 - (int)alpha) + 127) / 255;
            EXPECT_NEAR((int)((got >> shift) & 0xFF), want, 1) << path << ", channel shift " << shift;
        }
        EXPECT_EQ(got >> 24, 0xFFu) << path;
    };
    RasterTexture tex{1, 1, &texel};
    RasterVertex v[4];

    Canvas sprite;
    RasterClear(*sprite.pic, dst);
    Quad(v, 10, 10, 20, 20, alpha << 24 | 0xFFFFFF);
    RasterFan(*sprite.pic, &tex, Blend(), v, 4);
    expectBlend(sprite.at(15, 15), texel, "sprite");

    Canvas empty;
    RasterClear(*empty.pic, dst);
    Quad(v, 10, 10, 20, 20, alpha << 24 | 0x3080C0);
    RasterFan(*empty.pic, nullptr, Blend(), v, 4);
    expectBlend(empty.at(15, 15), 0xFF3080C0u, "empty slot");

    Canvas general;
    RasterClear(*general.pic, dst);
    RasterVertex tri[3] = {{10, 10, alpha << 24 | 0xFFFFFF, 0, 0},
                           {40, 12, alpha << 24 | 0xFFFFFF, 1, 0},
                           {12, 40, alpha << 24 | 0xFFFFFF, 0, 1}};
    RasterTriangle(*general.pic, &tex, Blend(), tri[0], tri[1], tri[2]);
    expectBlend(general.at(15, 15), texel, "general");
}
