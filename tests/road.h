// The front-end road as a player walks it, for tests that start further on:
// through the logo, a confirm on the title, the passage to the select screen
// and a confirm there, which starts the stage.
#pragma once

#include "scenario.h"

// From start-up to the first frame of the title (the logo runs 358 frames).
void RunToTitle(Scenario& game);
// From start-up to the select screen, scene 41 (Enter on the title).
void RunToSelect(Scenario& game);
// From start-up through Z on the select screen: the next frame is the first
// of the stage start.
void RunToStageStart(Scenario& game);
// From start-up to the first frame of stage play (scene 31).
void RunToPlay(Scenario& game);

// Frame n (1 = the first) after the present count `base`, as the frame
// number of headless::Draws().
inline int DrawFrame(int base, int n) { return base + n - 1; }
