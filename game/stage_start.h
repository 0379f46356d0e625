// The stage start (scene 30): the select or loading picture gives way to the
// stage, the in-game set is reloaded, the portrait and the stage text are
// shown, and play is set up. Also the block rebuild that scrolling reuses.
#pragma once

#include "shell/quad.h"

// Sub-step of scenes 30 and 31: 0..4 and 8 belong to the stage start, 5..13
// to the result sequences inside play.
extern int g_nStageStep;
// Fade value and frame counter of those sub-steps.
extern int g_nStageAlpha;

void SceneStageStart();

// Parks all 60 blocks and places those of stage g_nStage at `alpha`.
void InitBlocks(int alpha);

// The stage music slot of `stage` (boss stages first), or -1 for none.
int StageMusicSlot(int stage);
