// The result sequences inside play: stage clear, the ending after the last
// stage, and game over with its continue menu. Also the portrait and text
// banners that the stage start shares.
#pragma once

#include "shell/quad.h"

extern VERTEX g_vtxChar[4];      // portrait banner, a strip of 4
extern VERTEX g_vtxComment[4];   // text banner, a strip of 5
extern VERTEX g_vtxContinue[4];  // the continue menu

void StageClear();
void StageClearEnding();
void DrawResultMessage(int alpha);
void DrawBlackOverlay(int alpha);
void DrawMessageScreen(int alpha);

void GameOver();
void DrawContinueMenu(int sel, int alpha);

// Shared by the sequences: the stage as it stands (background, blocks, HUD,
// player; no enemies, items or shots), and the portrait banner showing one
// frame of its strip.
void DrawResultStage();
void DrawPortrait(int frame, int alpha);

// The stage a continue starts from: the first stage of the stretch that ends
// with the next boss stage. Stages from 53 on are replayed as they are.
int ContinueStage(int stage);
