// Matrix arithmetic for the game's quad movers.
#include "platform/d3dx_math.h"

#include <cstring>

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z)
{
    *pOut = D3DXMATRIX{
        1.0f, 0.0f, 0.0f, 0.0f,
        0.0f, 1.0f, 0.0f, 0.0f,
        0.0f, 0.0f, 1.0f, 0.0f,
        x,    y,    z,    1.0f,
    };
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    // Work on plain arrays so the product can be written in loops; the result
    // goes to a temporary first because callers multiply in place.
    float a[4][4];
    float b[4][4];
    float product[4][4];
    std::memcpy(a, pM1, sizeof(a));
    std::memcpy(b, pM2, sizeof(b));
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[row][k] * b[k][col];
            }
            product[row][col] = sum;
        }
    }
    std::memcpy(pOut, product, sizeof(product));
    return pOut;
}
