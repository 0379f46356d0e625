// Stage play (scene 31): the pause toggle, the choice between a result
// sequence and play, and one frame of play in its fixed order. Also the draw
// routines that the stage start and the result sequences share.
#pragma once

#include "platform/win32.h"
#include "shell/quad.h"

extern BYTE g_bPause;           // 1 while the game is paused
extern VERTEX g_vtxOverlay[4];  // full-screen overlay: loading, black, message

void SceneStagePlay();

void DrawBackground();
void DrawBlocks();
void DrawPlayer();
void DrawLoadingScreen(int alpha);
