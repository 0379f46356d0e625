// Game objects and the play-wide variables.
#include "game/objects.h"

#include "platform/d3dx_math.h"

GAMEOBJ g_Block[BLOCK_COUNT];
GAMEOBJ g_PlayerShot[SHOT_SLOTS];
GAMEOBJ g_Player;
GAMEOBJ g_Enemy[ENEMY_COUNT];
GAMEOBJ g_EnemyShot[ENEMY_COUNT][SHOT_SLOTS];
GAMEOBJ g_HpIcon[HP_ICON_COUNT];
GAMEOBJ g_StageDigit[STAGE_DIGIT_COUNT];

int g_nStage = 0;
int g_nCharacter = 0;
int g_nEnemyLeft = 0;
float g_fScrollX = 0.0f;
VERTEX g_vtxBack[4];
int g_nRand = 1;
int g_nRandX = 100;
int g_nRandY = 100;
const RECT g_rcScreen = {0, 0, 640, 480};
const RECT g_rcStage = {0, 0, 1280, 480};
int g_nContinueSel = 1;

void MoveQuad(VERTEX quad[4], float dx, float dy, float dz)
{
    // Each vertex is a translation composed with the move; the product's
    // translation row is the moved position.
    D3DXMATRIX MoveMatrix;
    D3DXMATRIX PosMatrix;
    D3DXMatrixTranslation(&MoveMatrix, dx, dy, dz);
    for (int i = 0; i < 4; ++i) {
        D3DXMatrixTranslation(&PosMatrix, quad[i].x, quad[i].y, quad[i].z);
        D3DXMatrixMultiply(&PosMatrix, &PosMatrix, &MoveMatrix);
        quad[i].x = PosMatrix._41;
        quad[i].y = PosMatrix._42;
        quad[i].z = PosMatrix._43;
    }
}

void OffsetQuad(VERTEX quad[4], float dx, float dy)
{
    for (int i = 0; i < 4; ++i) {
        quad[i].x += dx;
        quad[i].y += dy;
    }
}
