#include <gtest/gtest.h>

#include <cstring>

#include "shell/quad.h"

namespace {

typedef void (*Builder)(VERTEX[4], float, float, float, float, int);

TEST(Quad, ColourIsWhiteWithTheLowByteOfAlpha)
{
    const struct {
        int alpha;
        DWORD color;
    } cases[] = {
        {255, 0xFFFFFFFFu}, {0, 0x00FFFFFFu},   {128, 0x80FFFFFFu}, {254, 0xFEFFFFFFu},
        {256, 0x00FFFFFFu}, {300, 0x2CFFFFFFu}, {-5, 0xFBFFFFFFu},  {-1, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        VERTEX quad[4];
        SetQuad(quad, 0, 0, 10, 10, c.alpha);
        for (const VERTEX& v : quad) {
            EXPECT_EQ(v.color, c.color) << "alpha " << c.alpha;
        }
    }
}

TEST(Quad, EveryBuilderWritesTheFullQuadWithItsStripWidth)
{
    const struct {
        const char* name;
        Builder build;
        float rightU;
    } builders[] = {
        {"SetQuad", SetQuad, 1.0f},          {"SetQuadDiv20", SetQuadDiv20, 0.05f},
        {"SetQuadDiv10A", SetQuadDiv10A, 0.1f}, {"SetQuadDiv10B", SetQuadDiv10B, 0.1f},
        {"SetQuadDiv5", SetQuadDiv5, 0.2f},   {"SetQuadDiv4", SetQuadDiv4, 0.25f},
        {"SetQuadDiv2B", SetQuadDiv2B, 0.5f},
    };
    for (const auto& b : builders) {
        VERTEX quad[4];
        std::memset(quad, 0xAB, sizeof(quad));  // nothing of this may survive
        b.build(quad, 100, 200, 150, 260, 255);
        const float x[4] = {100, 150, 150, 100};
        const float y[4] = {200, 200, 260, 260};
        const float tu[4] = {0.0f, b.rightU, b.rightU, 0.0f};
        const float tv[4] = {0, 0, 1, 1};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(std::string(b.name) + " vertex " + std::to_string(i));
            EXPECT_EQ(quad[i].x, x[i]);
            EXPECT_EQ(quad[i].y, y[i]);
            EXPECT_EQ(quad[i].z, 0.0f);
            EXPECT_EQ(quad[i].rhw, 1.0f);
            EXPECT_EQ(quad[i].color, 0xFFFFFFFFu);
            EXPECT_EQ(quad[i].tu, tu[i]);
            EXPECT_EQ(quad[i].tv, tv[i]);
        }
    }
}

TEST(Quad, FrameShiftMovesOnlyTheUCoordinates)
{
    VERTEX quad[4];
    SetQuadDiv20(quad, 100, 200, 150, 260, 77);
    VERTEX before[4];
    std::memcpy(before, quad, sizeof(quad));

    SetQuadFrame(quad, 3, QUAD_U_DIV20);
    EXPECT_FLOAT_EQ(quad[0].tu, 0.15f);
    EXPECT_FLOAT_EQ(quad[3].tu, 0.15f);
    EXPECT_FLOAT_EQ(quad[1].tu, 0.2f);
    EXPECT_FLOAT_EQ(quad[2].tu, 0.2f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(quad[i].x, before[i].x);
        EXPECT_EQ(quad[i].y, before[i].y);
        EXPECT_EQ(quad[i].color, before[i].color);
        EXPECT_EQ(quad[i].tv, before[i].tv);
    }

    // The last frame must end at the strip's right edge.
    SetQuadFrame(quad, 19, QUAD_U_DIV20);
    EXPECT_FLOAT_EQ(quad[1].tu, 1.0f);
}

TEST(Quad, RebuildShowsFrameZeroAtTheNewAlpha)
{
    VERTEX quad[4];
    SetQuadDiv10B(quad, 0, 0, 100, 100, 255);
    SetQuadFrame(quad, 7, QUAD_U_DIV10);
    SetQuadDiv10B(quad, 0, 0, 100, 100, 40);
    EXPECT_EQ(quad[0].tu, 0.0f);
    EXPECT_EQ(quad[3].tu, 0.0f);
    EXPECT_EQ(quad[1].tu, 0.1f);
    EXPECT_EQ(quad[2].tu, 0.1f);
    EXPECT_EQ(quad[0].color, 0x28FFFFFFu);
}

TEST(Quad, ParkedQuadHasNoArea)
{
    VERTEX quad[4];
    SetQuad(quad, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
    for (const VERTEX& v : quad) {
        EXPECT_EQ(v.x, 999.0f);
        EXPECT_EQ(v.y, 999.0f);
    }
}

}  // namespace
