// The scene code and the front-end scenes. Each scene is a small sub-state
// machine advanced once per frame; a fade value doubles as the frame counter.
#include "game/scene.h"

#include "game/objects.h"
#include "game/scene_helpers.h"
#include "shell/input.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/textures.h"
#include "shell/winmain.h"

uint8_t g_FrameNo = 10;

int g_nTitleStep = 0;
int g_nTitleCount = 0;
VERTEX g_vtxTitle[4] = {};
int g_nSelectStep = 0;
int g_nFadeAlpha = 255;
VERTEX g_vtxSelect[4] = {};
int g_bNoFadeOut = 0;

void SceneLogo()
{
    if (g_nTitleStep == 0) {
        LoadTitleTextures();
        g_nTitleStep = 1;
        g_bNoFadeOut = 0;
        if (!LoadSceneSegment(0, "date/logo.tov", false)) {
            return;  // the logo goes on without its jingle
        }
        PlaySlot(0, PLAY_MUSIC);
    }
    if (g_nTitleStep == 1) {
        SetFullScreen(g_vtxTitle, g_nTitleCount);
        DrawQuad(g_pTexLogo1, g_vtxTitle);
        g_nTitleCount += 5;
        if (g_nTitleCount > 255) {
            g_nTitleStep = 2;
        }
    }
    if (g_nTitleStep == 2) {
        if (g_nTitleCount > 255) {
            g_nTitleCount = 0;
        }
        DrawQuad(g_nTitleCount <= 160 ? g_pTexLogo1 : g_pTexLogo2, g_vtxTitle);
        g_nTitleCount += 1;
        if (g_nTitleCount > 255) {
            g_nTitleStep = 3;
        }
    }
    if (g_nTitleStep == 3) {
        if (g_nTitleCount > 255) {
            g_nTitleCount = 0;
        }
        SetFullScreen(g_vtxTitle, g_nTitleCount);
        DrawQuad(g_pTexStart1, g_vtxTitle);
        g_nTitleCount += 5;
        if (g_nTitleCount > 255) {
            g_nTitleStep = 4;
        }
    }
    if (g_nTitleStep == 4) {
        SetFullScreen(g_vtxTitle, 255);
        // Without the title music the title still comes: trying the load again
        // every frame would keep the player behind a message box.
        if (LoadSceneSegment(0, "date/gorumo.tov", true)) {
            PlaySlot(0, PLAY_MUSIC);
        }
        g_FrameNo = 11;
        g_nStage = 1;
        // g_nTitleStep stays 4 and g_nTitleCount at 260, where the blink starts.
    }
}

void SceneTitle()
{
    // Two half-steps with a wrap check after each: the blink period is 40
    // frames, and entering at 260 the second picture shows first for 14.
    g_nTitleCount += 5;
    if (g_nTitleCount >= 400) {
        g_nTitleCount = 0;
    }
    DrawQuad(g_nTitleCount <= 200 ? g_pTexStart1 : g_pTexStart2, g_vtxTitle);
    g_nTitleCount += 5;
    if (g_nTitleCount >= 400) {
        g_nTitleCount = 0;
    }

    if (TakeConfirm()) {
        g_nTitleCount = 0;
        g_nTitleStep = 0;
        g_FrameNo = 40;
        g_nCharacter = 1;
        if (!LoadSceneSegment(1, "date/SE05.tov", false)) {
            return;
        }
        PlaySlot(1, PLAY_EFFECT);
    }

    if (!InputJump()) {
        g_bHoldB = 0;
    }
}

void SceneTitleToSelect()
{
    // Tested in the order 1, 0, 2: the end of the fade-out swaps the pictures
    // in the next frame, and the swap starts the fade-in in its own frame.
    if (g_nSelectStep == 1) {
        ReleaseTitleTextures();
        LoadCharSelectTexture();
        g_nSelectStep = 2;
    }
    if (g_nSelectStep == 0) {
        if (g_bNoFadeOut == 0) {
            SetFullScreen(g_vtxSelect, g_nFadeAlpha);
            DrawQuad(g_pTexStart2, g_vtxSelect);
            g_nFadeAlpha -= 5;
            if (g_nFadeAlpha <= 0) {
                g_nFadeAlpha = 0;
                g_nSelectStep = 1;
            }
        } else {
            g_nSelectStep = 1;
        }
    }
    if (g_nSelectStep == 2) {
        SetFullScreen(g_vtxSelect, g_nFadeAlpha);
        DrawQuad(g_pTexCharSelect[0], g_vtxSelect);
        g_nFadeAlpha += 5;
        if (g_nFadeAlpha >= 255) {
            // After a continue the fade starts at 255 and would end at 260;
            // the select screen expects 255 either way.
            g_nFadeAlpha = 255;
            SetFullScreen(g_vtxSelect, 255);
            // Without the select music the select screen still comes: trying
            // the load again every frame would keep the player behind a
            // message box.
            if (LoadSceneSegment(0, "date/CharSelect.tov", true)) {
                PlaySlot(0, PLAY_MUSIC);
            }
            g_FrameNo = 41;
            g_nCharacter = 1;
            if (!LoadSceneSegment(1, "date/SE04.tov", false)) {
                return;
            }
            if (!LoadSceneSegment(2, "date/SE01.tov", false)) {
                return;
            }
            LoadSceneSegment(3, "date/SE30.tov", false);
        }
    }
}

void SceneCharSelect()
{
    if (g_nCharacter >= 1 && g_nCharacter <= 5) {
        DrawQuad(g_pTexCharSelect[g_nCharacter - 1], g_vtxSelect);
    }

    if (TakeConfirm()) {
        g_nFadeAlpha = 255;
        g_nSelectStep = 0;
        g_FrameNo = 30;
        PlaySlot(1, PLAY_EFFECT);
        LoadLoadingTexture();
    }
}
