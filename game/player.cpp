// The player: set-up, input, physics, scrolling and animation.
#include "game/player.h"

// Sets the character's values and places the player; still to come.
void InitPlayer() {}
// One frame of input, jump physics, running and scrolling; still to come.
void UpdatePlayer(GAMEOBJ*) {}
// Picks the frame steppers for this frame; still to come.
void AnimatePlayer(GAMEOBJ*, int, GAMEOBJ*) {}
// Walking frames 1..6; still to come.
void AnimPlayerWalk(GAMEOBJ*) {}
// The two damage frames; still to come.
void AnimPlayerDamage(GAMEOBJ*) {}
// The frames in the air; still to come.
void AnimPlayerJump(GAMEOBJ*) {}
// The attack frames and the shot request; still to come.
void AnimPlayerAttack(GAMEOBJ*) {}
