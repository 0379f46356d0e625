// Hit boxes, landing on blocks, hits and the stage edges.
#include "game/collisions.h"

// Lands the player on one block; still to come.
void LandPlayerOnBlock(VERTEX*, RECT, VERTEX*, RECT) {}
// Lands enemy i on one block; still to come.
void LandEnemyOnBlock(int, VERTEX*, RECT, VERTEX*, RECT) {}
// Lands player shot k on one block; still to come.
void LandPlayerShotOnBlock(int, VERTEX*, RECT, VERTEX*, RECT) {}
// Lands enemy shot (i, k) on one block; still to come.
void LandEnemyShotOnBlock(int, int, VERTEX*, RECT, VERTEX*, RECT) {}
// Whether the mover has left the block; still to come.
bool CheckOffBlock(VERTEX*, RECT, VERTEX*, RECT) { return true; }
// The player's block pass; still to come.
void HitPlayerBlocks() {}
// Enemy i's block pass; still to come.
void HitEnemyBlocks(int) {}
// Player shot k's block pass; still to come.
void HitPlayerShotBlocks(int) {}
// Enemy shot (i, k)'s block pass; still to come.
void HitEnemyShotBlocks(int, int) {}
// Player shot k against enemy i; still to come.
void HitPlayerShotEnemy(int, int, VERTEX*, RECT, VERTEX*, RECT) {}
// Enemy i's body against the player; still to come.
void HitEnemyPlayer(int, VERTEX*, RECT, VERTEX*, RECT) {}
// One of enemy i's shots against the player; still to come.
void HitEnemyShotPlayer(int, VERTEX*, RECT, VERTEX*, RECT) {}
// Keeps the player inside the stage; still to come.
void ClampPlayer(VERTEX*, VERTEX*, RECT) {}
// Keeps enemy i inside the stage; still to come.
void ClampEnemy(int, VERTEX*, VERTEX*, RECT) {}
