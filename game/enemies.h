// Enemies and items: set-up by type, drawing, behaviour and animation.
#pragma once

#include "game/objects.h"

void InitEnemies();
void InitEnemyParam(int index);
void DrawEnemy(int i);

void UpdateEnemyAI(int i);
void MoveEnemy(int i);
// moveDir: 0 no walk this frame, 1 walked right, 2 walked left.
void AnimateEnemy(int i, GAMEOBJ* enemy, int moveDir);
void AnimEnemyOut(int i, GAMEOBJ* enemy);
void AnimEnemyDamage(int i, GAMEOBJ* enemy);
void AnimEnemyAppear(int i, GAMEOBJ* enemy);
void AnimEnemyWalk(int i, GAMEOBJ* enemy);
void AnimEnemyJump(int i, GAMEOBJ* enemy);
void AnimEnemyAttack(int i, GAMEOBJ* enemy);
void AnimEnemyWarp(int i, GAMEOBJ* enemy);
void AnimEnemyStand(int i, GAMEOBJ* enemy);
