// Game over inside play: the music stops, the player drops off the screen,
// the portrait and banner come up over a darkened stage, and a menu asks
// whether to continue. One step a frame, continuing the stage's sub-step
// from 5 where the stage start left it with the counter at 255.
#include "game/results.h"

#include "game/hud.h"
#include "game/objects.h"
#include "game/play_step.h"
#include "game/scene.h"
#include "game/scene_helpers.h"
#include "game/stage_start.h"
#include "shell/input.h"
#include "shell/textures.h"

namespace {

const int PORTRAIT_GAME_OVER = 2;  // frame of the portrait strip

const int FADE_STEP = 5;       // most steps: 51 frames
const int LEAVE_STEP = 1;      // the last fade: from 180, 75 frames
const int DARKEN_TO = 180;     // how dark the stage stays behind the menu
const float FALL_SPEED = 2.0f;
const float FALL_OUT_Y = 480.0f;  // the fall ends once the top edge is below this

const int SLOT_FALL = 3;
const int SLOT_CURSOR = 4;
const int SLOT_CONTINUE = 5;
const int SLOT_QUIT = 14;
const int SLOT_GAME_OVER_MUSIC = 23;

const int SEL_CONTINUE = 1;
const int SEL_QUIT = 2;

// True when the step is entered with the counter spent; it starts again at
// `from`.
bool Restart(int from = 0)
{
    if (g_nStageAlpha >= 255) {
        g_nStageAlpha = from;
        return true;
    }
    return false;
}

bool Count(int step, int limit = 255)
{
    g_nStageAlpha += step;
    return g_nStageAlpha >= limit;
}

void DrawBanners()
{
    DrawResultStage();
    DrawPortrait(PORTRAIT_GAME_OVER, 255);
    DrawResultMessage(255);
}

void DrawMenu(int alpha)
{
    DrawBanners();
    DrawBlackOverlay(DARKEN_TO);
    DrawContinueMenu(g_nContinueSel, alpha);
}

// Confirm, then up, then down, each on its own latch: a frame with several
// fresh presses takes them all, so confirm with down continues while the
// fade shows the quit picture.
void ReadMenu()
{
    if (TakePress(g_bHoldA, InputConfirm())) {
        if (g_nContinueSel == SEL_CONTINUE) {
            g_nStageAlpha = 255;
            g_nStageStep = 13;
            PlaySlot(SLOT_CONTINUE, PLAY_EFFECT);
            g_nStage = ContinueStage(g_nStage);
        } else if (g_nContinueSel == SEL_QUIT) {
            g_nStageAlpha = 255;
            g_nStageStep = 12;
            PlaySlot(SLOT_QUIT, PLAY_EFFECT);
        }
    }
    // The cursor sounds on every fresh press, whether or not the choice moves.
    if (TakePress(g_bHoldUp, InputMenuUp())) {
        g_nContinueSel = SEL_CONTINUE;
        PlaySlot(SLOT_CURSOR, PLAY_EFFECT);
    }
    if (TakePress(g_bHoldDown, InputMenuDown())) {
        g_nContinueSel = SEL_QUIT;
        PlaySlot(SLOT_CURSOR, PLAY_EFFECT);
    }
}

// Steps 12 and 13: black over the chosen menu; true once it is dark.
bool FadeOutMenu()
{
    Restart(DARKEN_TO);
    DrawBanners();
    DrawContinueMenu(g_nContinueSel, 255);
    DrawBlackOverlay(g_nStageAlpha);
    return Count(LEAVE_STEP);
}

}  // namespace

void GameOver()
{
    switch (g_nStageStep) {
    case 5:  // stillness, in silence
        if (Restart()) StopAllSound();
        DrawResultStage();
        if (Count(FADE_STEP)) g_nStageStep = 6;
        break;
    case 6:  // the fall, as long as the player needs to leave the screen
        if (Restart()) PlaySlot(SLOT_FALL, PLAY_EFFECT);
        DrawBackground();
        DrawBlocks();
        DrawHud();
        MoveQuad(g_Player.vtx, 0.0f, FALL_SPEED, 0.0f);
        DrawPlayer();
        if (g_Player.vtx[0].y > FALL_OUT_Y) {
            g_nStageAlpha = 255;
            g_nStageStep = 7;
        }
        break;
    case 7:  // the portrait fades in with the game-over music
        if (Restart()) PlaySlot(SLOT_GAME_OVER_MUSIC, PLAY_MUSIC);
        DrawResultStage();
        DrawPortrait(PORTRAIT_GAME_OVER, g_nStageAlpha);
        if (Count(FADE_STEP)) g_nStageStep = 8;
        break;
    case 8:  // the banner fades in
        Restart();
        DrawResultStage();
        DrawPortrait(PORTRAIT_GAME_OVER, 255);
        DrawResultMessage(g_nStageAlpha);
        if (Count(FADE_STEP)) g_nStageStep = 9;
        break;
    case 9:  // the stage darkens behind them
        Restart();
        DrawBanners();
        DrawBlackOverlay(g_nStageAlpha);
        if (Count(FADE_STEP, DARKEN_TO)) {
            g_nStageAlpha = 255;
            g_nStageStep = 10;
        }
        break;
    case 10:  // the menu fades in
        Restart();
        DrawMenu(g_nStageAlpha);
        if (Count(FADE_STEP)) g_nStageStep = 11;
        break;
    case 11:  // the menu waits for the player
        DrawMenu(255);
        ReadMenu();
        break;
    case 12:  // quit: back to the logo, a new game from stage 1
        if (FadeOutMenu()) {
            g_nStageAlpha = 255;
            g_nStageStep = 0;
            g_nStage = 1;
            g_Player.nHp = 0;
            g_FrameNo = 10;
            ReleaseGameTextures();
        }
        break;
    case 13:  // continue: character select, without the title fade-out
        if (FadeOutMenu()) {
            // HP stays below 1, so the next stage start refills it.
            g_nStageAlpha = 255;
            g_nStageStep = 0;
            g_FrameNo = 40;
            g_bNoFadeOut = 1;
            ReleaseGameTextures();
        }
        break;
    default:
        break;
    }
}
