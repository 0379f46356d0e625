// Scenes still to come draw nothing.
#include "game/scene.h"

uint8_t g_FrameNo = 10;

void SceneLogo() {}
void SceneTitle() {}
void SceneTitleToSelect() {}
void SceneCharSelect() {}
void SceneStageStart() {}
void SceneStagePlay() {}
