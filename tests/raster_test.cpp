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
            texels[(size_t)y * w + x] = (x % 7 == 3 ? 0x00u : 0xFFu) << 24 |
                                        ((uint32_t)(y * w + x) * 2654435761u >> 8 & 0xFFFFFFu);
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
            int worst = 0, inexact = 0;
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
                        // Exactly: weights in 256ths, each step truncated,
                        // across first and then down.
                        auto weight = [](double f, int& i) {
                            int wt = (int)std::lround(f * 256);
                            if (wt == 256) ++i, wt = 0;
                            return (uint32_t)wt;
                        };
                        int jx = ix, jy = iy;
                        uint32_t wx = weight(ax, jx), wy = weight(ay, jy);
                        auto across = [&](int row) {
                            return (Channel(at(jx, row), s) * (256 - wx) + Channel(at(jx + 1, row), s) * wx) >> 8;
                        };
                        uint32_t exact = (across(jy) * (256 - wy) + across(jy + 1) * wy) >> 8;
                        inexact += exact != Channel(c.at(px, py), s);
                    }
                }
            }
            EXPECT_LE(worst, 2);
            EXPECT_EQ(inexact, 0);
        }
    }
}

namespace {

// Texels of every kind in runs of every length, as keyed sprites and
// see-through art have them.
std::vector<uint32_t> MixedTexels(int w, int h, unsigned seed) {
    std::vector<uint32_t> texels((size_t)w * h);
    uint32_t kind = 0;
    int left = 0;
    for (size_t i = 0; i < texels.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        if (left-- <= 0) {
            kind = seed >> 16 & 3;  // clear, opaque (twice as often), partly
            left = (int)(seed >> 20 & 15);
        }
        uint32_t alpha = kind == 0 ? 0 : kind == 3 ? 1 + (seed >> 8 & 0xFD) : 255;
        texels[i] = alpha << 24 | (seed >> 4 & 0xFFFFFF);
    }
    return texels;
}

void Pattern(Picture& pic) {
    for (int i = 0; i < kPictureWidth * kPictureHeight; ++i) pic.px[i] = 0xFF000000u | (uint32_t)i * 2654435761u >> 8;
}

}  // namespace

// Runs only spare work: with them a sprite must put exactly the pixels it
// puts without them, on whole and fractional positions, clipped by the
// picture or clamped at the image's edges, in any colour.
TEST(Raster, TexelRunsChangeNoPixel) {
    const int w = 53, h = 21;
    for (unsigned seed : {1u, 2u, 3u}) {
        std::vector<uint32_t> texels = MixedTexels(w, h, seed);
        std::vector<uint16_t> runs(TexelRunEntries(w, h));
        BuildTexelRuns(texels.data(), w, h, runs.data());
        const RasterTexture plain{w, h, texels.data()};
        const RasterTexture withRuns{w, h, texels.data(), runs.data()};
        for (float fx : {0.0f, 0.3f, 0.75f}) {
            for (float fy : {0.0f, 0.5f}) {
                for (float left : {100.0f, -20.0f, 620.0f}) {
                    for (uint32_t color : {0xFFFFFFFFu, 0xFF80C0FFu, 0x80FFFFFFu}) {
                        SCOPED_TRACE(testing::Message() << "seed " << seed << " at " << left + fx << "," << 470 + fy
                                                        << " colour " << std::hex << color);
                        Canvas a, b;
                        Pattern(*a.pic);
                        Pattern(*b.pic);
                        RasterVertex v[4];
                        Quad(v, left + fx, 200 + fy, left + fx + w, 200 + fy + h, color);
                        RasterFan(*a.pic, &plain, Blend(), v, 4);
                        RasterFan(*b.pic, &withRuns, Blend(), v, 4);
                        Quad(v, left + fx, 470 + fy, left + fx + w, 470 + fy + h, color);  // off the bottom
                        RasterFan(*a.pic, &plain, Blend(), v, 4);
                        RasterFan(*b.pic, &withRuns, Blend(), v, 4);
                        int differ = 0;
                        for (int i = 0; i < kPictureWidth * kPictureHeight; ++i) differ += a.pic->px[i] != b.pic->px[i];
                        EXPECT_EQ(differ, 0);
                    }
                }
            }
        }
    }
    // Strip frames with clear borders, the next frame's ink right beside
    // this one's edge: a frame moved by a fraction mixes that ink in.
    const int fw = 24, fh = 10, frames = 4, sw = fw * frames;
    std::vector<uint32_t> strip((size_t)sw * fh, 0);
    for (int f = 0; f < frames; ++f)
        for (int y = 2; y < fh - 2; ++y)
            for (int x = 7 + f; x < 15 + f; ++x) strip[(size_t)y * sw + f * fw + x] = 0xFF102030u * (uint32_t)(x + 1);
    for (int y = 0; y < fh; ++y) strip[(size_t)y * sw + 2 * fw] = 0xFFFFFFFFu;  // frame 2's first column
    std::vector<uint16_t> stripRuns(TexelRunEntries(sw, fh));
    BuildTexelRuns(strip.data(), sw, fh, stripRuns.data());
    const RasterTexture plainStrip{sw, fh, strip.data()}, stripWithRuns{sw, fh, strip.data(), stripRuns.data()};
    for (int f = 0; f < frames; ++f) {
        for (float fx : {0.1f, 0.5f, 0.9f}) {
            SCOPED_TRACE(testing::Message() << "frame " << f << " moved by " << fx);
            Canvas a, b;
            Pattern(*a.pic);
            Pattern(*b.pic);
            RasterVertex v[4];
            const float u = (float)f / frames;
            Quad(v, 30 + fx, 40.5f, 30 + fx + fw, 40.5f + fh, 0xFFFFFFFFu, u, u + 1.0f / frames);
            RasterFan(*a.pic, &plainStrip, Blend(), v, 4);
            RasterFan(*b.pic, &stripWithRuns, Blend(), v, 4);
            int differ = 0;
            for (int i = 0; i < kPictureWidth * kPictureHeight; ++i) differ += a.pic->px[i] != b.pic->px[i];
            EXPECT_EQ(differ, 0);
        }
    }

    // A run longer than its entry can count is taken in pieces.
    const int wide = 20000;
    std::vector<uint32_t> row(wide, 0xFF123456u);
    for (int x = 19000; x < 19100; x += 3) row[x] = 0;
    std::vector<uint16_t> runs(TexelRunEntries(wide, 1));
    BuildTexelRuns(row.data(), wide, 1, runs.data());
    const RasterTexture plain{wide, 1, row.data()}, withRuns{wide, 1, row.data(), runs.data()};
    Canvas a, b;
    Pattern(*a.pic);
    Pattern(*b.pic);
    RasterVertex v[4];
    Quad(v, -18600, 7, -18600 + wide, 8, 0xFFFFFFFFu);
    RasterFan(*a.pic, &plain, Blend(), v, 4);
    RasterFan(*b.pic, &withRuns, Blend(), v, 4);
    for (int x = 0; x < kPictureWidth; ++x) ASSERT_EQ(a.at(x, 7), b.at(x, 7)) << x;
    EXPECT_EQ(b.at(0, 7), 0xFF123456u);
}

// The device leaves out a clear only under a draw that hides all of it.
TEST(Raster, OnlyAnOpaqueDrawOverThePictureCoversIt) {
    std::vector<uint32_t> texels(64 * 48, 0xFF204060u);
    std::vector<uint16_t> runs(TexelRunEntries(64, 48));
    BuildTexelRuns(texels.data(), 64, 48, runs.data());
    RasterTexture tex{64, 48, texels.data(), runs.data()};
    RasterVertex v[4];
    Quad(v, 0, 0, 640, 480, 0xFFFFFFFFu);
    EXPECT_TRUE(RasterFanCoversPicture(&tex, Blend(), v, 4));
    EXPECT_TRUE(RasterFanCoversPicture(nullptr, Blend(), v, 4)) << "white";
    Quad(v, -0.4f, 0.4f, 640.2f, 480.3f, 0xFF808080u);  // every pixel centre still inside
    EXPECT_TRUE(RasterFanCoversPicture(&tex, Blend(), v, 4));

    Quad(v, 0, 0, 639.4f, 480, 0xFFFFFFFFu);
    EXPECT_FALSE(RasterFanCoversPicture(&tex, Blend(), v, 4)) << "a column short";
    Quad(v, 0, 0.6f, 640, 480, 0xFFFFFFFFu);
    EXPECT_FALSE(RasterFanCoversPicture(&tex, Blend(), v, 4)) << "a row short";
    Quad(v, 0, 0, 640, 480, 0xFEFFFFFFu);
    EXPECT_FALSE(RasterFanCoversPicture(&tex, Blend(), v, 4)) << "see-through colour";
    EXPECT_TRUE(RasterFanCoversPicture(&tex, RasterState(), v, 4)) << "unblended, it writes every pixel whole";
    Quad(v, 0, 0, 640, 480, 0xFFFFFFFFu);
    texels[64 * 47 + 63] = 0xFE204060u;
    BuildTexelRuns(texels.data(), 64, 48, runs.data());
    EXPECT_FALSE(RasterFanCoversPicture(&tex, Blend(), v, 4)) << "one texel not opaque";
    tex.runs = nullptr;
    texels[64 * 47 + 63] = 0xFF204060u;
    EXPECT_FALSE(RasterFanCoversPicture(&tex, Blend(), v, 4)) << "without runs, nothing is known";
    Quad(v, 640, 0, 0, 480, 0xFFFFFFFFu);
    EXPECT_FALSE(RasterFanCoversPicture(nullptr, Blend(), v, 4)) << "mirrored: culled";
}

// The screen's own scaling: pixel centres onto pixel centres, bilinear
// between the picture's pixels, edges clamped; at the picture's size a copy.
TEST(Raster, PictureScaledToTheScreenIsFilteredBetweenItsPixels) {
    Canvas c;
    Pattern(*c.pic);
    for (int i = 0; i < 300; ++i) c.pic->px[(i * 7919) % (kPictureWidth * kPictureHeight)] = 0xFFFFFFFFu;
    auto channel = [&](int x, int y, int s) {
        x = std::clamp(x, 0, kPictureWidth - 1);
        y = std::clamp(y, 0, kPictureHeight - 1);
        return (double)Channel(c.at(x, y), s);
    };
    struct Size {
        int w, h;
    };
    for (Size size : {Size{640, 480}, Size{1024, 768}, Size{800, 600}, Size{1280, 960}, Size{517, 389}}) {
        SCOPED_TRACE(testing::Message() << size.w << "x" << size.h);
        const int pitch = size.w * 4 + 12;  // rows padded: the padding stays as it was
        std::vector<uint8_t> screen((size_t)pitch * size.h, 0xAB);
        RasterScalePicture(*c.pic, size.w, size.h, screen.data(), pitch);
        int worst = 0, padding = 0;
        for (int y = 0; y < size.h; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(screen.data() + (size_t)y * pitch);
            for (int k = size.w * 4; k < pitch; ++k) padding += screen[(size_t)y * pitch + k] != 0xAB;
            const double ty = (y + 0.5) * kPictureHeight / size.h - 0.5;
            const int iy = (int)std::floor(ty);
            const double ay = ty - iy;
            for (int x = 0; x < size.w; ++x) {
                const double tx = (x + 0.5) * kPictureWidth / size.w - 0.5;
                const int ix = (int)std::floor(tx);
                const double ax = tx - ix;
                ASSERT_EQ(row[x] >> 24, 0xFFu);
                for (int s = 0; s < 24; s += 8) {
                    double want = (1 - ay) * ((1 - ax) * channel(ix, iy, s) + ax * channel(ix + 1, iy, s)) +
                                  ay * ((1 - ax) * channel(ix, iy + 1, s) + ax * channel(ix + 1, iy + 1, s));
                    worst = std::max(worst, (int)std::lround(std::fabs(want - Channel(row[x], s))));
                }
            }
        }
        EXPECT_LE(worst, 2);
        EXPECT_EQ(padding, 0);
        if (size.w == kPictureWidth) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(screen.data() + (size_t)100 * pitch);
            EXPECT_TRUE(std::equal(row, row + kPictureWidth, c.pic->px + 100 * kPictureWidth)) << "a copy";
        }
    }
    std::vector<uint8_t> wide(16, 0xAB);
    RasterScalePicture(*c.pic, kMaxScaledWidth + 1, 1, wide.data(), 4);
    EXPECT_EQ(wide[0], 0xAB) << "wider than the scaler takes: nothing written";
}
