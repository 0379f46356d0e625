// Player shots, enemy shots and the boss's summons.
#include "game/shots.h"

int g_nSummonSlot = 0;
int g_nSummonType = 0;

// Places a requested player shot and draws it; still to come.
void FirePlayerShot(int, GAMEOBJ*, GAMEOBJ*) {}
// Moves a player shot and ends it; still to come.
void MovePlayerShot(int, GAMEOBJ*) {}
// Steps a player shot's strip; still to come.
void AnimatePlayerShot(int, GAMEOBJ*) {}
// Places a requested enemy shot (or the boss's summon) and draws it; still to come.
void FireEnemyShot(int, int, GAMEOBJ*, GAMEOBJ*) {}
// Moves an enemy shot and frees it when gone; still to come.
void MoveEnemyShot(int, int, GAMEOBJ*) {}
// Steps an enemy shot's strip; still to come.
void AnimateEnemyShot(int, int, GAMEOBJ*) {}
