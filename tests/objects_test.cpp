#include <gtest/gtest.h>

#include <cstring>

#include "game/objects.h"
#include "platform/d3dx_math.h"

namespace {

TEST(Objects, StartValues)
{
    EXPECT_EQ(g_nRand, 1);
    EXPECT_EQ(g_nRandX, 100);
    EXPECT_EQ(g_nRandY, 100);
    EXPECT_EQ(g_nContinueSel, 1);
    EXPECT_EQ(g_nStage, 0);
    EXPECT_EQ(g_rcScreen.right, 640);
    EXPECT_EQ(g_rcScreen.bottom, 480);
    EXPECT_EQ(g_rcStage.right, 1280);
    EXPECT_EQ(g_rcStage.bottom, 480);
    EXPECT_EQ(g_rcStage.left | g_rcStage.top | g_rcScreen.left | g_rcScreen.top, 0);
    // A zeroed enemy slot is free: fGroundY 0.
    for (const GAMEOBJ& enemy : g_Enemy) {
        EXPECT_EQ(enemy.fGroundY, 0.0f);
        EXPECT_EQ(enemy.nType, ENEMY_NONE);
    }
}

TEST(MoveQuad, ZeroMoveLeavesTheQuadAsItWas)
{
    VERTEX quad[4];
    SetQuadDiv20(quad, 12.5f, -3.25f, 76.0f, 40.0f, 99);
    SetQuadFrame(quad, 4, QUAD_U_DIV20);
    VERTEX before[4];
    std::memcpy(before, quad, sizeof(quad));
    MoveQuad(quad, 0, 0, 0);
    EXPECT_EQ(std::memcmp(quad, before, sizeof(quad)), 0);
}

TEST(MoveQuad, AddsTheMoveInSinglePrecisionAndKeepsTheRest)
{
    const float moves[][2] = {{5.0f, -7.0f}, {0.1f, 0.3f}, {-640.0f, 0.0f}, {2.75f, -1e-3f}};
    for (const auto& m : moves) {
        VERTEX quad[4];
        SetQuadDiv4(quad, 33.3f, 101.7f, 133.3f, 201.7f, 200);
        SetQuadFrame(quad, 2, QUAD_U_DIV4);
        VERTEX before[4];
        std::memcpy(before, quad, sizeof(quad));
        MoveQuad(quad, m[0], m[1], 0.0f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(quad[i].x, before[i].x + m[0]);
            EXPECT_EQ(quad[i].y, before[i].y + m[1]);
            EXPECT_EQ(quad[i].z, 0.0f);
            EXPECT_EQ(quad[i].rhw, before[i].rhw);
            EXPECT_EQ(quad[i].color, before[i].color);
            EXPECT_EQ(quad[i].tu, before[i].tu);
            EXPECT_EQ(quad[i].tv, before[i].tv);
        }
    }
}

TEST(MoveQuad, ParkedQuadStaysAPointOffThePicture)
{
    VERTEX quad[4];
    SetQuad(quad, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
    MoveQuad(quad, -640.0f, 0.0f, 0.0f);
    MoveQuad(quad, 3.5f, 0.0f, 0.0f);
    for (const VERTEX& v : quad) {
        EXPECT_EQ(v.x, quad[0].x);
        EXPECT_EQ(v.y, 999.0f);
    }
}

TEST(OffsetQuad, MovesPositionsOnly)
{
    VERTEX quad[4];
    SetQuadDiv5(quad, 10, 20, 30, 40, 128);
    VERTEX before[4];
    std::memcpy(before, quad, sizeof(quad));
    OffsetQuad(quad, -4.5f, 8.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(quad[i].x, before[i].x - 4.5f);
        EXPECT_EQ(quad[i].y, before[i].y + 8.0f);
        quad[i].x = before[i].x;
        quad[i].y = before[i].y;
    }
    EXPECT_EQ(std::memcmp(quad, before, sizeof(quad)), 0);
}

TEST(D3DXMath, MultiplyUsesRowVectorsAndMayWriteIntoAnOperand)
{
    // Scale by 2, then translate: a point at x 3 ends at 2 * 3 + 10 = 16.
    D3DXMATRIX scale{};
    scale._11 = scale._22 = scale._33 = 2.0f;
    scale._44 = 1.0f;
    D3DXMATRIX move;
    D3DXMatrixTranslation(&move, 10.0f, 20.0f, 30.0f);
    D3DXMATRIX point;
    D3DXMatrixTranslation(&point, 3.0f, 4.0f, 5.0f);

    D3DXMatrixMultiply(&point, &point, &scale);
    D3DXMatrixMultiply(&point, &point, &move);
    EXPECT_EQ(point._41, 16.0f);
    EXPECT_EQ(point._42, 28.0f);
    EXPECT_EQ(point._43, 40.0f);
    EXPECT_EQ(point._44, 1.0f);

    // Out aliasing the second operand.
    D3DXMatrixMultiply(&move, &scale, &move);
    EXPECT_EQ(move._11, 2.0f);
    EXPECT_EQ(move._41, 10.0f);
}

TEST(Objects, TimeStampsSurviveTheClockWrap)
{
    const DWORD stamp = 0xFFFFFF00u;  // 256 ms before the wrap
    g_dwNowTime = 50;                 // 306 ms after the stamp
    EXPECT_TRUE(TimeElapsed(stamp, 300));
    EXPECT_FALSE(TimeElapsed(stamp, 306));  // strictly more than the limit
    EXPECT_FALSE(TimeElapsed(stamp, 800));
}

}  // namespace
