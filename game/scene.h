// The scene state machine: one code selects the scene that each frame runs.
#pragma once

#include <cstdint>

// 10 logo, 11 title, 30 stage start, 31 stage play, 40 title to character
// select, 41 character select.
extern uint8_t g_FrameNo;

void SceneLogo();
void SceneTitle();
void SceneTitleToSelect();
void SceneCharSelect();
void SceneStageStart();
void SceneStagePlay();
