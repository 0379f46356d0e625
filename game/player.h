// The player: set-up for the five characters, input, running, jumping,
// dropping through blocks, scrolling the stage, and its animation.
#pragma once

#include "game/objects.h"

void InitPlayer();
void UpdatePlayer(GAMEOBJ* player);
// direction: 0 no move this frame, 1 right, 2 left. quadOwner receives the
// standing frame's texture coordinates.
void AnimatePlayer(GAMEOBJ* player, int direction, GAMEOBJ* quadOwner);
void AnimPlayerWalk(GAMEOBJ* player);
void AnimPlayerDamage(GAMEOBJ* player);
void AnimPlayerJump(GAMEOBJ* player);
void AnimPlayerAttack(GAMEOBJ* player);
