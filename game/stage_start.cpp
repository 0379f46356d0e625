// The stage start (scene 30). Its sub-steps are tested in the order 1, 0, 2,
// 3, 4, 8 within a frame, so that a step handing over to a later-tested one
// runs it in the same frame (1 -> 2 -> 3 -> 4, 0 -> 8), while step 8's hand-
// over to 1 waits for the next frame.
#include "game/stage_start.h"

#include <ctime>
#include <cstdlib>

#include "game/enemies.h"
#include "game/hud.h"
#include "game/objects.h"
#include "game/play_step.h"
#include "game/player.h"
#include "game/results.h"
#include "game/scene.h"
#include "game/scene_helpers.h"
#include "shell/textures.h"
#include "stages/stage_data.h"

int g_nStageStep = 0;
int g_nStageAlpha = 255;

namespace {

// The portrait banner and the stage text.
const float CHAR_LEFT = 270.0f, CHAR_TOP = 376.0f, CHAR_RIGHT = 370.0f, CHAR_BOTTOM = 476.0f;
const float COMMENT_LEFT = 140.0f, COMMENT_TOP = 80.0f, COMMENT_RIGHT = 500.0f, COMMENT_BOTTOM = 280.0f;

// The counter value at which the stage text appears with its sound.
const int BANNER_ALPHA = 200;

void SetStageBack()
{
    SetQuad(g_vtxBack, (float)g_rcStage.left, (float)g_rcStage.top, (float)g_rcStage.right,
            (float)g_rcStage.bottom, 255);
}

// The stage and its blocks, rebuilt from the stage data.
void DrawStage()
{
    SetStageBack();
    DrawQuad(g_pTexStageBack, g_vtxBack);
    InitBlocks(255);
    DrawBlocks();
}

bool IsBossStage(int stage)
{
    switch (stage) {
    case 4: case 9: case 13: case 18: case 22: case 27: case 31: case 36: case 40: case 45: case 53:
        return true;
    default:
        return false;
    }
}

// Step 0: the select picture fades out over the loading picture.
void FadeOutSelect()
{
    if (g_nStageAlpha < 1) {
        g_nStageAlpha = 255;
    }
    DrawLoadingScreen(255);
    SetFullScreen(g_vtxBack, g_nStageAlpha);
    if (g_Player.nType >= 1 && g_Player.nType <= 5) {
        DrawQuad(g_pTexCharSelect[g_Player.nType - 1], g_vtxBack);
    }
    g_nStageAlpha -= 5;
    if (g_nStageAlpha < 1) {
        g_nStageAlpha = 0;
        g_nStageStep = 8;
    }
}

// Step 8: characters 2 and 3 swap their data; the others keep theirs.
void MapCharacter()
{
    if (g_nCharacter == 2) {
        g_nCharacter = 3;
    } else if (g_nCharacter == 3) {
        g_nCharacter = 2;
    }
    g_Player.nType = g_nCharacter;
    g_nStageStep = 1;
}

// Step 1: the in-game set is loaded afresh; the loading picture stays, since
// step 2 still draws it.
void ReloadGameSet()
{
    ReleaseCharSelectTextures();
    ReleaseGameTexturesKeepingLoading();
    StopSlot(0);
    LoadGameAssets();
    g_nStageStep = 2;
}

// Step 2: the stage shows through as the loading picture fades out.
void FadeOutLoading()
{
    if (g_nStageAlpha < 1) {
        g_nStageAlpha = 255;
    }
    DrawStage();
    DrawLoadingScreen(g_nStageAlpha);
    g_nStageAlpha -= 5;
    if (g_nStageAlpha < 1) {
        // The blocks once more, over the last of the loading picture.
        SetStageBack();
        InitBlocks(255);
        DrawBlocks();
        int slot = StageMusicSlot(g_nStage);
        if (slot >= 0) {
            PlaySlot(slot, PLAY_MUSIC);
        }
        g_nStageStep = 3;
        g_nStageAlpha = 0;
        ReleaseLoadingTexture();
    }
}

// Step 3: the portrait fades in.
void FadeInPortrait()
{
    DrawStage();
    SetQuadDiv4(g_vtxChar, CHAR_LEFT, CHAR_TOP, CHAR_RIGHT, CHAR_BOTTOM, g_nStageAlpha);
    DrawQuad(g_pTexChar1, g_vtxChar);
    g_nStageAlpha += 5;
    if (g_nStageAlpha >= 255) {
        g_nStageAlpha = 255;
        g_nStageStep = 4;
    }
}

// Step 4: the stage text with its sound, then play is set up.
void ShowStageText()
{
    DrawStage();
    if (g_nStageAlpha == BANNER_ALPHA) {
        PlaySlot(12, PLAY_EFFECT);
    }
    if (g_nStageAlpha <= BANNER_ALPHA) {
        SetQuadDiv4(g_vtxChar, CHAR_LEFT, CHAR_TOP, CHAR_RIGHT, CHAR_BOTTOM, 255);
        SetQuadFrame(g_vtxChar, 1, QUAD_U_DIV4);
        SetQuad(g_vtxComment, COMMENT_LEFT, COMMENT_TOP, COMMENT_RIGHT, COMMENT_BOTTOM, 255);
        SetQuadFrame(g_vtxComment, 0, QUAD_U_DIV5);
        DrawQuad(g_pTexComment, g_vtxComment);
    }
    // Above the banner value this still holds step 3's last portrait.
    DrawQuad(g_pTexChar1, g_vtxChar);
    g_nStageAlpha -= 5;
    if (g_nStageAlpha < 1) {
        SetStageBack();
        InitPlayer();
        InitEnemies();
        InitHud();
        InitBlocks(255);
        g_FrameNo = 31;
        g_nStageAlpha = 255;
        g_nStageStep = 5;
        srand((unsigned int)time(NULL));
    }
}

}  // namespace

int StageMusicSlot(int stage)
{
    if (IsBossStage(stage)) return 25;
    if (stage < 10) return 20;
    if (stage <= 18) return 21;
    if (stage <= 27) return 22;
    if (stage <= 36) return 27;
    if (stage <= 45) return 28;
    if (stage <= 53) return 29;
    if (stage == 54) return 30;
    return -1;
}

void InitBlocks(int alpha)
{
    for (int i = 0; i < BLOCK_COUNT; ++i) {
        SetQuad(g_Block[i].vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, alpha);
        g_Block[i].rcHit = {0, 0, 0, 0};
    }
    SetStageLayout(alpha);
}

void SceneStageStart()
{
    g_Player.nType = g_nCharacter;
    g_fScrollX = 250.0f;
    g_nContinueSel = 1;

    if (g_nStageStep == 1) ReloadGameSet();
    if (g_nStageStep == 0) FadeOutSelect();
    if (g_nStageStep == 2) FadeOutLoading();
    if (g_nStageStep == 3) FadeInPortrait();
    if (g_nStageStep == 4) ShowStageText();
    if (g_nStageStep == 8) MapCharacter();
}
