// The scene state machine: one code selects the scene that each frame runs,
// and the front-end scenes (logo, title, title to character select,
// character select) that lead into play.
#pragma once

#include <cstdint>

#include "shell/quad.h"

// 10 logo, 11 title, 30 stage start, 31 stage play, 40 title to character
// select, 41 character select.
extern uint8_t g_FrameNo;

extern int g_nTitleStep;     // logo sub-step 0..4
extern int g_nTitleCount;    // logo fade and frame counter, title blink counter
extern VERTEX g_vtxTitle[4]; // full-screen quad of scenes 10 and 11
extern int g_nSelectStep;    // scene 40 sub-step 0..2
extern int g_nFadeAlpha;     // scene 40 fade value
extern VERTEX g_vtxSelect[4]; // full-screen quad of scenes 40 and 41
extern int g_bNoFadeOut;     // non-zero: scene 40 skips the title fade-out (continue)

void SceneLogo();
void SceneTitle();
void SceneTitleToSelect();
void SceneCharSelect();
void SceneStageStart();
void SceneStagePlay();
