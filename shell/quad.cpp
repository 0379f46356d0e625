// Screen quads.
#include "shell/quad.h"

DWORD QuadColor(int alpha)
{
    if (alpha == 255) {
        return 0xFFFFFFFFu;
    }
    // Out-of-range alphas wrap to their low byte (-5 gives 251, 300 gives 44);
    // the shift is done unsigned so that 128..255 cannot overflow an int.
    return ((static_cast<DWORD>(alpha) & 0xFFu) << 24) | 0x00FFFFFFu;
}

static void SetVertex(VERTEX& v, float x, float y, DWORD color, float tu, float tv)
{
    v.x = x;
    v.y = y;
    v.z = 0.0f;
    v.rhw = 1.0f;
    v.color = color;
    v.tu = tu;
    v.tv = tv;
}

// Every builder writes every field, so a rebuilt quad forgets any frame that
// had been selected and shows frame 0 again.
static void BuildQuad(VERTEX quad[4], float left, float top, float right, float bottom, int alpha,
                      float rightU)
{
    const DWORD color = QuadColor(alpha);
    SetVertex(quad[0], left, top, color, 0.0f, 0.0f);
    SetVertex(quad[1], right, top, color, rightU, 0.0f);
    SetVertex(quad[2], right, bottom, color, rightU, 1.0f);
    SetVertex(quad[3], left, bottom, color, 0.0f, 1.0f);
}

void SetQuad(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_WHOLE);
}

void SetQuadDiv20(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_DIV20);
}

void SetQuadDiv10A(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_DIV10);
}

void SetQuadDiv10B(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_DIV10);
}

void SetQuadDiv5(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_DIV5);
}

void SetQuadDiv4(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_DIV4);
}

void SetQuadDiv2B(VERTEX quad[4], float left, float top, float right, float bottom, int alpha)
{
    BuildQuad(quad, left, top, right, bottom, alpha, QUAD_U_DIV2);
}

void SetQuadFrame(VERTEX quad[4], int frame, float frameU)
{
    const float left = static_cast<float>(frame) * frameU;
    const float right = left + frameU;
    quad[0].tu = left;
    quad[3].tu = left;
    quad[1].tu = right;
    quad[2].tu = right;
}
