// The stage clear and, after the last stage of the first world, the ending.
// Both run inside play, one step a frame, continuing the stage's sub-step
// from 5 where the stage start left it with the counter at 255. A step that
// finds the counter at 255 or more starts it again from 0; a step that
// hands over to another lets it run from the next frame.
#include "game/results.h"

#include "game/objects.h"
#include "game/play_step.h"
#include "game/scene.h"
#include "game/scene_helpers.h"
#include "game/stage_start.h"
#include "shell/input.h"
#include "shell/textures.h"

namespace {

const int PORTRAIT_ENDING = 3;  // frame of the portrait strip

// The clear steps count by 5 (51 frames each), the ending's by 1 (255).
const int CLEAR_STEP = 5;
const int ENDING_STEP = 1;

// The frame of the clear in which its jingle starts, and that of the ending
// in which the stage music gives way to the ending music.
const int CLEAR_JINGLE_AT = 50;
const int ENDING_MUSIC_AT = 50;

const int SLOT_CURRENT_MUSIC = 0;
const int SLOT_CLEAR_JINGLE = 24;
const int SLOT_ENDING_MUSIC = 26;

// True when the step is entered with the counter spent; it starts again at 0.
bool Restart()
{
    if (g_nStageAlpha >= 255) {
        g_nStageAlpha = 0;
        return true;
    }
    return false;
}

// Adds to the counter; true once it has run its course.
bool Count(int step)
{
    g_nStageAlpha += step;
    return g_nStageAlpha >= 255;
}

// The ending's waits take the attack input alone: Enter, which confirms
// elsewhere, does not pass them.
bool FreshAttack()
{
    return TakePress(g_bHoldA, InputAttack());
}

void DrawEndingBanners()
{
    DrawResultStage();
    DrawPortrait(PORTRAIT_ENDING, 255);
    DrawResultMessage(255);
}

}  // namespace

void StageClear()
{
    switch (g_nStageStep) {
    case 5:  // the banner fades in; the stage music ends at once
        if (Restart()) StopAllSound();
        DrawResultStage();
        DrawResultMessage(g_nStageAlpha);
        if (Count(CLEAR_STEP)) g_nStageStep = 6;
        if (g_nStageAlpha == CLEAR_JINGLE_AT) PlaySlot(SLOT_CLEAR_JINGLE, PLAY_MUSIC);
        break;
    case 6:  // hold
        Restart();
        DrawResultStage();
        DrawResultMessage(255);
        if (Count(CLEAR_STEP)) {
            g_nStageStep = 7;
            LoadLoadingTexture();
        }
        break;
    case 7:  // the loading picture fades in, then the next stage starts
        Restart();
        DrawResultStage();
        DrawResultMessage(255);
        DrawLoadingScreen(g_nStageAlpha);
        if (Count(CLEAR_STEP)) {
            // The stage start reloads everything from its step 1; the
            // player's HP is left alone and carries over.
            g_nStage += 1;
            g_nStageAlpha = 255;
            g_nStageStep = 1;
            g_FrameNo = 30;
        }
        break;
    default:
        break;
    }
}

void StageClearEnding()
{
    switch (g_nStageStep) {
    case 5:  // the portrait fades in over the stage music
        Restart();
        DrawResultStage();
        DrawPortrait(PORTRAIT_ENDING, g_nStageAlpha);
        if (Count(ENDING_STEP)) g_nStageStep = 6;
        if (g_nStageAlpha == ENDING_MUSIC_AT) {
            StopAllSound();
            PlaySlot(SLOT_ENDING_MUSIC, PLAY_MUSIC);
        }
        break;
    case 6:  // the banner fades in
        Restart();
        DrawResultStage();
        DrawPortrait(PORTRAIT_ENDING, 255);
        DrawResultMessage(g_nStageAlpha);
        if (Count(ENDING_STEP)) g_nStageStep = 7;
        break;
    case 7:  // first wait; the counter rests at 0 for the fade that follows
        Restart();
        DrawEndingBanners();
        if (FreshAttack()) g_nStageStep = 8;
        break;
    case 8:  // fade to black
        // Clearing the latch all through the fade lets an attack still held
        // from the first wait count again at the second.
        g_bHoldA = 0;
        DrawEndingBanners();
        DrawBlackOverlay(g_nStageAlpha);
        if (Count(ENDING_STEP)) g_nStageStep = 9;
        break;
    case 9:  // the message picture fades in with its own music
        if (Restart()) {
            StopAllSound();
            // Without its music the ending goes on silent; the counter is
            // already 0, so the load is not tried again.
            if (!LoadSceneSegment(SLOT_CURRENT_MUSIC, "date/CharSelect.tov", true)) return;
            PlaySlot(SLOT_CURRENT_MUSIC, PLAY_MUSIC);
        }
        DrawMessageScreen(g_nStageAlpha);
        if (Count(ENDING_STEP)) g_nStageStep = 10;
        break;
    case 10:  // second wait
        Restart();
        DrawMessageScreen(255);
        if (FreshAttack()) g_nStageStep = 11;
        break;
    case 11:  // last fade to black, then the logo and a new game from stage 1
        g_bHoldA = 0;
        Restart();
        DrawMessageScreen(255);
        DrawBlackOverlay(g_nStageAlpha);
        if (Count(ENDING_STEP)) {
            g_nStageAlpha = 255;
            g_nStageStep = 0;
            g_nStage = 1;
            g_Player.nHp = 0;  // the next stage start refills it
            g_FrameNo = 10;
            ReleaseGameTextures();
        }
        break;
    default:
        break;
    }
}
