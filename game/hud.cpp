// The HUD: HP panel and icons, stage counter.
#include "game/hud.h"

#include "game/objects.h"
#include "game/scene_helpers.h"
#include "shell/textures.h"

VERTEX g_vtxHpMeter[4];
VERTEX g_vtxStageCountBase[4];

namespace {

// Icons start at x 60 in the panel, one per hit point of the character's
// maximum: eight narrow ones or six wide ones, both filling up to x 300.
const float ICON_LEFT = 60.0f;
const float ICON_TOP = 12.0f;
const float ICON_BOTTOM = 36.0f;

// The digit cells are wider than their spacing, so they overlap.
const float DIGIT_LEFT[STAGE_DIGIT_COUNT] = {543.0f, 570.0f, 599.0f};
const float DIGIT_WIDTH = 40.0f;
const float DIGIT_HEIGHT = 40.0f;

struct HudLook {
    IDirect3DTexture8* panel;
    IDirect3DTexture8* icon;
};

// Characters 3 and 5 share their pictures. Read at draw time, since the
// slots are filled by the load lists after start-up.
bool LookOf(int character, HudLook* look)
{
    switch (character) {
    case 1: *look = {g_pTexHPMeter1, g_pTexHP1}; return true;
    case 2: *look = {g_pTexHPMeter2, g_pTexHP2}; return true;
    case 3:
    case 5: *look = {g_pTexHPMeter3, g_pTexHP3}; return true;
    case 4: *look = {g_pTexHPMeter4, g_pTexHP4}; return true;
    default: return false;
    }
}

}  // namespace

void InitHud()
{
    for (int i = 0; i < HP_ICON_COUNT; ++i) {
        SetQuad(g_HpIcon[i].vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
    }
    SetQuad(g_vtxHpMeter, -1.0f, -1.0f, 305.0f, 57.0f, 255);

    int icons = 0;
    float width = 0.0f;
    switch (g_Player.nType) {
    case 1:
    case 4:
        icons = 8;
        width = 30.0f;
        break;
    case 2:
    case 3:
    case 5:
        icons = 6;
        width = 40.0f;
        break;
    default:
        break;
    }
    for (int i = 0; i < icons; ++i) {
        float left = ICON_LEFT + width * (float)i;
        SetQuad(g_HpIcon[i].vtx, left, ICON_TOP, left + width, ICON_BOTTOM, 255);
    }

    SetQuad(g_vtxStageCountBase, 299.0f, -1.0f, 641.0f, 41.0f, 255);
    // Only the cells: the digit values were written by the stage data.
    for (int k = 0; k < STAGE_DIGIT_COUNT; ++k) {
        SetQuadDiv10B(g_StageDigit[k].vtx, DIGIT_LEFT[k], 0.0f, DIGIT_LEFT[k] + DIGIT_WIDTH, DIGIT_HEIGHT,
                      255);
    }
}

void DrawHud()
{
    HudLook look;
    if (LookOf(g_Player.nType, &look)) {
        DrawQuad(look.panel, g_vtxHpMeter);
        // Icon i shows while HP > i; the parked ones never show.
        for (int i = HP_ICON_COUNT - 1; i >= 0; --i) {
            if (g_Player.nHp >= i + 1) {
                DrawQuad(look.icon, g_HpIcon[i].vtx);
            }
        }
    }

    DrawQuad(g_pTexStageCountBase, g_vtxStageCountBase);
    for (int k = 0; k < STAGE_DIGIT_COUNT; ++k) {
        SetQuadFrame(g_StageDigit[k].vtx, g_StageDigit[k].nFrame, QUAD_U_DIV10);
    }
    for (int k = 0; k < STAGE_DIGIT_COUNT; ++k) {
        DrawQuad(g_pTexStageCount, g_StageDigit[k].vtx);
    }
}
