// Stage clear, the ending, game over and continue.
#include "game/results.h"

VERTEX g_vtxChar[4];
VERTEX g_vtxComment[4];
VERTEX g_vtxContinue[4];

// One frame of the clear sequence; still to come.
void StageClear() {}
// One frame of the ending sequence; still to come.
void StageClearEnding() {}
// The result banner for the current outcome; still to come.
void DrawResultMessage(int) {}
// The black picture over the screen; still to come.
void DrawBlackOverlay(int) {}
// The ending's message picture over the screen; still to come.
void DrawMessageScreen(int) {}
// One frame of the game-over sequence; still to come.
void GameOver() {}
// The continue menu picture for the choice; still to come.
void DrawContinueMenu(int, int) {}
