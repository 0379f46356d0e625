// Shots: the player's five kinds, the enemies' kinds, and the boss's summons.
#pragma once

#include "game/objects.h"

extern int g_nSummonSlot;  // enemy slot drawn for a summon
extern int g_nSummonType;  // enemy type drawn for a summon

void FirePlayerShot(int k, GAMEOBJ* player, GAMEOBJ* shot);
void MovePlayerShot(int k, GAMEOBJ* shot);
void AnimatePlayerShot(int k, GAMEOBJ* shot);

// The airborne step of a falling shot (the bombs): gravity, the fall and the
// landing on the floor line; true in the frame it lands, when the caller
// rebuilds its quad there.
bool StepShotFall(GAMEOBJ* shot);

void FireEnemyShot(int i, int k, GAMEOBJ* owner, GAMEOBJ* shot);
void MoveEnemyShot(int i, int k, GAMEOBJ* shot);
void AnimateEnemyShot(int i, int k, GAMEOBJ* shot);
