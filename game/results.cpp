// What the result sequences draw: the stage frozen as it stands, the portrait
// and text banners, the black and message pictures and the continue menu.
#include "game/results.h"

#include "game/hud.h"
#include "game/objects.h"
#include "game/play_step.h"
#include "game/scene_helpers.h"
#include "shell/textures.h"

VERTEX g_vtxChar[4];
VERTEX g_vtxComment[4];
VERTEX g_vtxContinue[4];

namespace {

const float CHAR_LEFT = 270.0f, CHAR_TOP = 376.0f, CHAR_RIGHT = 370.0f, CHAR_BOTTOM = 476.0f;
const float COMMENT_LEFT = 140.0f, COMMENT_TOP = 80.0f, COMMENT_RIGHT = 500.0f, COMMENT_BOTTOM = 280.0f;

// Frames of the text strip.
const int COMMENT_CLEAR = 1;
const int COMMENT_WORLD_CLEAR = 2;
const int COMMENT_GAME_OVER = 3;
const int COMMENT_LAST_CLEAR = 4;
const int COMMENT_NONE = -1;

// The last stage of each world, and stage 53 before the final boss.
bool IsWorldEnd(int stage)
{
    switch (stage) {
    case 9: case 18: case 27: case 36: case 45: case 53:
        return true;
    default:
        return false;
    }
}

// Game over first, then nothing while enemies remain, then the kind of clear.
int ResultFrame()
{
    if (g_Player.nHp < 1) return COMMENT_GAME_OVER;
    if (g_nEnemyLeft > 0) return COMMENT_NONE;
    if (IsWorldEnd(g_nStage)) return COMMENT_WORLD_CLEAR;
    if (g_nStage == 54) return COMMENT_LAST_CLEAR;
    return COMMENT_CLEAR;
}

}  // namespace

void DrawResultStage()
{
    DrawBackground();
    DrawBlocks();
    DrawHud();
    DrawPlayer();
}

void DrawPortrait(int frame, int alpha)
{
    SetQuadDiv4(g_vtxChar, CHAR_LEFT, CHAR_TOP, CHAR_RIGHT, CHAR_BOTTOM, alpha);
    SetQuadFrame(g_vtxChar, frame, QUAD_U_DIV4);
    DrawQuad(g_pTexChar1, g_vtxChar);
}

void DrawResultMessage(int alpha)
{
    int frame = ResultFrame();
    if (frame == COMMENT_NONE) return;
    SetQuad(g_vtxComment, COMMENT_LEFT, COMMENT_TOP, COMMENT_RIGHT, COMMENT_BOTTOM, alpha);
    SetQuadFrame(g_vtxComment, frame, QUAD_U_DIV5);
    DrawQuad(g_pTexComment, g_vtxComment);
}

void DrawBlackOverlay(int alpha)
{
    SetFullScreen(g_vtxOverlay, alpha);
    DrawQuad(g_pTexBlack, g_vtxOverlay);
}

void DrawMessageScreen(int alpha)
{
    SetFullScreen(g_vtxOverlay, alpha);
    DrawQuad(g_pTexMessage1, g_vtxOverlay);
}

void DrawContinueMenu(int sel, int alpha)
{
    IDirect3DTexture8* picture;
    if (sel == 1) {
        picture = g_pTexContinue1;
    } else if (sel == 2) {
        picture = g_pTexContinue2;
    } else {
        return;
    }
    SetFullScreen(g_vtxContinue, alpha);
    DrawQuad(picture, g_vtxContinue);
}

int ContinueStage(int stage)
{
    // The last stage of each stretch, and where the stretch begins.
    static const int kStretches[][2] = {
        {4, 1},   {9, 5},   {13, 10}, {18, 14}, {22, 19}, {27, 23},
        {31, 28}, {36, 32}, {40, 37}, {45, 41}, {52, 46},
    };
    for (const auto& stretch : kStretches) {
        if (stage <= stretch[0]) return stretch[1];
    }
    return stage;
}
