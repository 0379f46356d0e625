// The HUD: HP panel and icons, stage counter.
#include "game/hud.h"

VERTEX g_vtxHpMeter[4];
VERTEX g_vtxStageCountBase[4];

// Places the panels, icons and digit cells; still to come.
void InitHud() {}
// Draws the panels, icons and digits; still to come.
void DrawHud() {}
