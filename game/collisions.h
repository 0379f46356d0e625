// Hit boxes, landing on blocks, hits between player, enemies and shots, and
// keeping the player and the enemies inside the stage.
#pragma once

#include "game/objects.h"

// Quads are passed as a record's vtx, insets by value as its rcHit.
void LandPlayerOnBlock(VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets);
void LandEnemyOnBlock(int i, VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets);
void LandPlayerShotOnBlock(int k, VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets);
void LandEnemyShotOnBlock(int i, int k, VERTEX quad[4], RECT insets, VERTEX blockQuad[4],
                          RECT blockInsets);
// False when the mover rests on the block, true otherwise.
bool CheckOffBlock(VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets);

void HitPlayerBlocks();
void HitEnemyBlocks(int i);
void HitPlayerShotBlocks(int k);
void HitEnemyShotBlocks(int i, int k);

void HitPlayerShotEnemy(int k, int i, VERTEX shotQuad[4], RECT shotInsets, VERTEX enemyQuad[4],
                        RECT enemyInsets);
void HitEnemyPlayer(int i, VERTEX enemyQuad[4], RECT enemyInsets, VERTEX playerQuad[4],
                    RECT playerInsets);
void HitEnemyShotPlayer(int i, VERTEX shotQuad[4], RECT shotInsets, VERTEX playerQuad[4],
                        RECT playerInsets);

void ClampPlayer(VERTEX backQuad[4], VERTEX playerQuad[4], RECT playerInsets);
void ClampEnemy(int i, VERTEX backQuad[4], VERTEX enemyQuad[4], RECT enemyInsets);
