// The little matrix arithmetic the game does, in the shape of the D3DX
// utility library's calls: single-precision 4x4 matrices used with row
// vectors (v' = v * M), so a translation sits in the fourth row, _41.._43.
#pragma once

#include <cstddef>

struct D3DXMATRIX {
    float _11, _12, _13, _14;
    float _21, _22, _23, _24;
    float _31, _32, _33, _34;
    float _41, _42, _43, _44;
};

static_assert(sizeof(D3DXMATRIX) == 16 * sizeof(float), "D3DXMATRIX is 16 packed floats");
static_assert(offsetof(D3DXMATRIX, _44) == 15 * sizeof(float), "D3DXMATRIX is 16 packed floats");

// Out = the translation by (x, y, z). Returns pOut.
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);

// Out = M1 * M2 (M1's transform first, then M2's). pOut may be M1 or M2.
// Returns pOut.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
