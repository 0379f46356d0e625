// Screen quads: every picture of the game is a textured rectangle of four
// pre-transformed vertices, drawn as a two-triangle fan.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// One screen-space vertex in the device's XYZRHW | DIFFUSE | TEX1 layout. The
// device reads these straight from our arrays with a 28-byte stride, so the
// layout is part of the contract with the renderer.
struct VERTEX {
    float x;      // screen pixels, 0 = left edge
    float y;      // screen pixels, 0 = top edge
    float z;      // always 0: drawing order alone decides what lies on top
    float rhw;    // always 1
    DWORD color;  // ARGB, white with the quad's alpha
    float tu;
    float tv;
};

static_assert(sizeof(VERTEX) == 28, "VERTEX is the draw call's stride");
static_assert(offsetof(VERTEX, x) == 0, "VERTEX layout");
static_assert(offsetof(VERTEX, y) == 4, "VERTEX layout");
static_assert(offsetof(VERTEX, z) == 8, "VERTEX layout");
static_assert(offsetof(VERTEX, rhw) == 12, "VERTEX layout");
static_assert(offsetof(VERTEX, color) == 16, "VERTEX layout");
static_assert(offsetof(VERTEX, tu) == 20, "VERTEX layout");
static_assert(offsetof(VERTEX, tv) == 24, "VERTEX layout");

// A sprite quad is VERTEX[4]: top-left, top-right, bottom-right, bottom-left
// (clockwise on screen, which is the winding the device does not cull).

// Width in u of one frame of a horizontal strip. Callers that pick a frame
// must use these same single-precision constants so that frame f lines up
// with what the builder wrote for frame 0.
const float QUAD_U_WHOLE = 1.0f;
const float QUAD_U_DIV20 = 0.05f;
const float QUAD_U_DIV10 = 0.1f;
const float QUAD_U_DIV5 = 0.2f;
const float QUAD_U_DIV4 = 0.25f;
const float QUAD_U_DIV2 = 0.5f;

// Where an object that is out of play keeps its quad: a zero-size point
// outside the picture, which stays invisible however it is moved later.
const float QUAD_PARK = 999.0f;

// White with the low 8 bits of alpha as its alpha channel.
DWORD QuadColor(int alpha);

// Builders: fill all seven fields of all four vertices, showing the whole
// image (SetQuad) or frame 0 of a strip of 20, 10, 5, 4 or 2 frames.
void SetQuad(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);
void SetQuadDiv20(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);
void SetQuadDiv10A(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);
void SetQuadDiv10B(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);
void SetQuadDiv5(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);
void SetQuadDiv4(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);
void SetQuadDiv2B(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);

// Shows frame `frame` of a strip whose frames are `frameU` wide (one of the
// QUAD_U_ constants): left u = frame * frameU, right u = left u + frameU.
// Positions, colour and tv are kept.
void SetQuadFrame(VERTEX quad[4], int frame, float frameU);
