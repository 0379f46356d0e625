// Enemies and items: set-up, drawing, behaviour and animation.
#include "game/enemies.h"

#include "stages/stage_data.h"

// Empties the slots and places the stage's enemies; the rest is still to come.
void InitEnemies() { SetStageEnemies(); }
// The per-type set-up values; still to come.
void InitEnemyParam(int) {}
// Draws slot i with its type's sheet; still to come.
void DrawEnemy(int) {}
// Each type's decisions; still to come.
void UpdateEnemyAI(int) {}
// Walking and the airborne step; still to come.
void MoveEnemy(int) {}
// Picks the frame steppers for this frame; still to come.
void AnimateEnemy(int, GAMEOBJ*, int) {}
// Defeat frames; still to come.
void AnimEnemyOut(int, GAMEOBJ*) {}
// Damage frames; still to come.
void AnimEnemyDamage(int, GAMEOBJ*) {}
// Appearance frames; still to come.
void AnimEnemyAppear(int, GAMEOBJ*) {}
// Walking frames; still to come.
void AnimEnemyWalk(int, GAMEOBJ*) {}
// Airborne frames; still to come.
void AnimEnemyJump(int, GAMEOBJ*) {}
// Attack frames and the shot request; still to come.
void AnimEnemyAttack(int, GAMEOBJ*) {}
// Warp frames; still to come.
void AnimEnemyWarp(int, GAMEOBJ*) {}
// Standing frames; still to come.
void AnimEnemyStand(int, GAMEOBJ*) {}
