// The HUD: the HP panel with one icon per point, and the stage counter.
#pragma once

#include "shell/quad.h"

extern VERTEX g_vtxHpMeter[4];
extern VERTEX g_vtxStageCountBase[4];

void InitHud();
void DrawHud();
