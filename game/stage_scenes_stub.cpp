// The stage start and stage play scenes are still to come: they draw nothing.
#include "game/scene.h"

void SceneStageStart() {}
void SceneStagePlay() {}
