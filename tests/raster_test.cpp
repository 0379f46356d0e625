// The software rasteriser: what a sprite quad puts into the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

namespace {

// Source alpha over the destination, 8 bits a channel, rounded as the device does.
uint32_t RefBlend(uint32_t src, uint32_t dst) {
    auto mul = [](uint32_t a, uint32_t b) { return (a * b + 127) / 255; };
    uint32_t a = src >> 24, out = 0xFF000000u;
    for (int s = 0; s < 24; s += 8) {
        uint32_t c = mul((src >> s) & 0xFF, a) + mul((dst >> s) & 0xFF, 255 - a);
        out |= std::min(c, 255u) << s;
    }
    return out;
}

uint32_t Channel(uint32_t c, int s) { return (c >> s) & 0xFF; }

}  // namespace

TEST(Raster, EveryTexelAlphaBlendsAsTheFormulaSays) {
    // Texels of every kind side by side, in groups that are all opaque, all
    // clear, or mixed, and a ragged end: over a patterned picture.
    const int w = 61;
    std::vector<uint32_t> texels(w);
    for (int i = 0; i < w; ++i) {
        uint32_t alpha = i < 8 ? 255 : i < 16 ? 0 : (uint32_t)(i * 37 % 256);
        texels[i] = alpha << 24 | (uint32_t)(i * 4) << 16 | (uint32_t)(255 - i) << 8 | (uint32_t)(i * 3);
    }
    RasterTexture tex{w, 1, texels.data()};
    for (uint32_t color : {0xFFFFFFFFu, 0x80FFFFFFu, 0xC0FF8040u}) {
        SCOPED_TRACE(color);
        Canvas c;
        for (int x = 0; x < w; ++x) c.pic->px[5 * kPictureWidth + 3 + x] = 0xFF000000u | (uint32_t)(x * 0x030507);
        std::vector<uint32_t> before(c.pic->px + 5 * kPictureWidth + 3, c.pic->px + 5 * kPictureWidth + 3 + w);
        RasterVertex v[4];
        Quad(v, 3, 5, 3 + w, 6, color);
        RasterFan(*c.pic, &tex, Blend(), v, 4);
        for (int x = 0; x < w; ++x) {
            uint32_t t = texels[x], shaded = 0;
            for (int s = 0; s < 32; s += 8) shaded |= (Channel(t, s) * Channel(color, s) + 127) / 255 << s;
            EXPECT_EQ(c.at(3 + x, 5), RefBlend(shaded, before[x])) << "column " << x;
        }
    }
}

// Strip frames picked with frame * step in float rarely land on a whole
// texel; drawn at their own size on whole pixels they still show their own
// texels exactly.
TEST(Raster, StripFramesAtTheirOwnSizeShowTheirTexelsExactly) {
    for (int frames : {5, 10, 20}) {
        const int fw = 100 / frames * 2, fh = 3, w = fw * frames;
        const float step = 1.0f / (float)frames;
        std::vector<uint32_t> texels((size_t)w * fh);
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | (uint32_t)(i * 2654435761u >> 8);
        RasterTexture tex{w, fh, texels.data()};
        for (int f = 0; f < frames; ++f) {
            SCOPED_TRACE(testing::Message() << frames << " frames, frame " << f);
            Canvas c;
            RasterVertex v[4];
            float u = (float)f * step;
            Quad(v, 7, 9, (float)(7 + fw), (float)(9 + fh), 0xFFFFFFFF, u, u + step);
            RasterFan(*c.pic, &tex, Blend(), v, 4);
            int wrong = 0;
            for (int y = 0; y < fh; ++y)
                for (int x = 0; x < fw; ++x) wrong += c.at(7 + x, 9 + y) != texels[(size_t)y * w + f * fw + x];
            EXPECT_EQ(wrong, 0);
        }
    }
}

// An image at its own size moved by a fraction of a pixel is filtered
// bilinearly like any magnified one, edges clamped.
TEST(Raster, ImageMovedByAFractionIsFilteredBetweenNeighbours) {
    const int w = 37, h = 9;
    std::vector<uint32_t> texels((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            texels[(size_t)y * w + x] = (x % 7 == 3 ? 0x00u : 0xFFu) << 24 | (uint32_t)(x * 6) << 16 |
                                        (uint32_t)(y * 25) << 8 | (uint32_t)((x * y) & 0xFF);
    RasterTexture tex{w, h, texels.data()};
    auto at = [&](int x, int y) {
        return texels[(size_t)std::clamp(y, 0, h - 1) * w + std::clamp(x, 0, w - 1)];
    };
    for (float fx : {0.0f, 0.25f, 0.5f, 0.8f}) {
        for (float fy : {0.0f, 0.4f}) {
            SCOPED_TRACE(testing::Message() << fx << "," << fy);
            Canvas c;
            const float left = 100.0f + fx, top = 50.0f + fy;
            RasterVertex v[4];
            Quad(v, left, top, left + w, top + h, 0xFFFFFFFF);
            RasterState opaque;
            opaque.linearMag = true;
            RasterFan(*c.pic, &tex, opaque, v, 4);
            int worst = 0;
            for (int py = 49; py < 61; ++py) {
                for (int px = 99; px < 139; ++px) {
                    double cx = px + 0.5, cy = py + 0.5;
                    bool inside = cx >= left && cx < left + w && cy >= top && cy < top + h;
                    if (!inside) {
                        EXPECT_EQ(c.at(px, py), 0xFF000000u) << px << "," << py;
                        continue;
                    }
                    double tx = cx - left - 0.5, ty = cy - top - 0.5;
                    int ix = (int)std::floor(tx), iy = (int)std::floor(ty);
                    double ax = tx - ix, ay = ty - iy;
                    for (int s = 0; s < 24; s += 8) {
                        double want = (1 - ay) * ((1 - ax) * Channel(at(ix, iy), s) + ax * Channel(at(ix + 1, iy), s)) +
                                      ay * ((1 - ax) * Channel(at(ix, iy + 1), s) + ax * Channel(at(ix + 1, iy + 1), s));
                        worst = std::max(worst, (int)std::lround(std::fabs(want - Channel(c.at(px, py), s))));
                    }
                }
            }
            EXPECT_LE(worst, 2);
        }
    }
}
