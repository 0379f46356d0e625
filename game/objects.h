// Game objects: the one record type for every block, player, shot, enemy,
// item, HP icon and stage digit, the fixed arrays that hold them, the quad
// movers, and the play-wide variables that several parts of play share.
#pragma once

#include "platform/win32.h"
#include "shell/frame_loop.h"
#include "shell/quad.h"

// Quad corners as every part of play reads them: x1 = vtx[0].x (left),
// y1 = vtx[0].y (top), x2 = vtx[2].x (right), y2 = vtx[2].y (bottom). An
// object's position and size are nothing but its quad.
struct GAMEOBJ {
    VERTEX vtx[4];        // sprite quad; its tu values pick the strip frame
    RECT rcHit;           // hit-box insets, inward from the quad's edges
    int nType;            // player: character 1..5; enemy slot: EnemyType
    int nState;           // enemies: EnemyState
    int nHp;
    int nReserved;        // zeroed by set-up, never read
    int nFrame;           // strip frame; for a stage digit the digit shown
    int nFacing;          // Facing
    float fSpeed;         // player and enemies: >= 0; shots: signed x velocity
    float fSpeedY;        // shots: y velocity of zigzag, wave and falling shots
    float fDistance;      // player shots: signed sum of x steps since firing
    float fWave;          // shots: accumulated zigzag or wave offset
    float fBaseSpeed;     // speed restored on the ground when not accelerating
    float fMaxSpeed;      // cap of the acceleration
    int nJumpState;       // JumpState
    BYTE bAirborne;       // 1 while jumping or falling
    float fJumpSpeed;     // y velocity at the start of a jump (< 0 is up)
    float fGravity;       // added to fVy every frame while airborne
    float fVy;
    float fY;             // physics y of the quad's top edge
    float fGroundY;       // top-edge y of the floor; enemy slot in play when > 0
    int nShotState[3];    // per shot slot of this owner: ShotState
    BYTE bAttack;         // 1 while the attack animation runs
    DWORD dwAccelTime;    // time stamps, in g_dwNowTime milliseconds
    DWORD dwAnimTime;
    DWORD dwShotAnimTime;
    DWORD dwShotTime;
    DWORD dwThinkTime;
    DWORD dwHitTime;
    DWORD dwStateTime;
};

// nType of an enemy slot. 1 and 30 are defeat animations; codes strictly
// between them can still be hit. A freed slot keeps its last code, so only
// fGroundY tells whether a slot is in play.
enum EnemyType : int {
    ENEMY_NONE = 0,
    ENEMY_DEFEATED = 1,
    ENEMY_HOPPER = 2,
    ENEMY_BOMBER = 3,            // two shot slots
    ENEMY_SHOOTER = 4,
    ENEMY_WARPER = 5,
    ENEMY_ROCK_DROPPER = 6,
    ENEMY_HOMING = 7,
    ENEMY_ITEM = 8,              // recovery item: never counted as an enemy to defeat
    ENEMY_BIG_JUMPER = 9,        // 200 x 200 quad
    ENEMY_CHASER = 12,
    ENEMY_BOMBER3 = 13,          // three shot slots
    ENEMY_WAVE_SHOOTER = 14,
    ENEMY_FAST_WARPER = 15,
    ENEMY_BIG_ROCK_DROPPER = 16,
    ENEMY_FAST_HOMING = 17,
    ENEMY_FAST_BIG_JUMPER = 19,  // 200 x 200 quad
    ENEMY_BOSS = 20,
    ENEMY_BOSS_DEFEATED = 30,
};

// nState of an enemy.
enum EnemyState : int {
    ENEMY_APPEARING = 0,         // cannot be hit yet
    ENEMY_WALK_LEFT = 1,
    ENEMY_WALK_RIGHT = 2,
    ENEMY_VANISHING = 3,
    ENEMY_HIDDEN = 4,
    ENEMY_REAPPEARING = 5,
    ENEMY_WAITING = 6,           // after an attack
    ENEMY_STANDING = 7,
};

// nShotState[k]. A slot takes a fire request while below SHOT_FLYING; a shot
// is live while 0 < state < SHOT_UNUSED.
enum ShotState : int {
    SHOT_FREE = 0,
    SHOT_REQUESTED = 1,
    SHOT_FLYING = 2,
    SHOT_UNUSED = 99,            // this character or type has no such slot
};

enum Facing : int {
    FACING_UNSET = 0,
    FACING_RIGHT = 1,
    FACING_LEFT = 2,
};

enum JumpState : int {
    JUMP_ON_GROUND = 0,
    JUMP_RISING = 1,
    JUMP_FALLING = 2,
    JUMP_ON_BLOCK = 3,
};

const int BLOCK_COUNT = 60;      // 3 rows of 20; block 20 * row + column
const int SHOT_SLOTS = 3;        // shot slots per owner
const int ENEMY_COUNT = 20;      // the stage data and summons use slots 0..8
const int HP_ICON_COUNT = 8;
const int STAGE_DIGIT_COUNT = 3;

extern GAMEOBJ g_Block[BLOCK_COUNT];
extern GAMEOBJ g_PlayerShot[SHOT_SLOTS];
extern GAMEOBJ g_Player;
extern GAMEOBJ g_Enemy[ENEMY_COUNT];
extern GAMEOBJ g_EnemyShot[ENEMY_COUNT][SHOT_SLOTS];
extern GAMEOBJ g_HpIcon[HP_ICON_COUNT];
extern GAMEOBJ g_StageDigit[STAGE_DIGIT_COUNT];

extern int g_nStage;             // 0 until the logo scene first sets it; 1..54 in play
extern int g_nCharacter;         // 1..5
extern int g_nEnemyLeft;         // enemies still to defeat; below 1 clears the stage
extern float g_fScrollX;         // the player's x in stage coordinates
extern VERTEX g_vtxBack[4];      // stage background; its x1, x2 are the stage's ends
extern int g_nRand;              // shared decision value 0..9 of the enemies
extern int g_nRandX;             // random position for teleports and summons
extern int g_nRandY;
extern const RECT g_rcScreen;    // {0, 0, 640, 480}
extern const RECT g_rcStage;     // {0, 0, 1280, 480}
extern int g_nContinueSel;       // continue menu: 1 continue, 2 quit

// True when more than `limit` ms have passed since `stamp`. The subtraction is
// unsigned so the test still sees a small elapsed time when the clock wraps.
inline bool TimeElapsed(DWORD stamp, DWORD limit)
{
    return g_dwNowTime - stamp > limit;
}

// Moves every vertex by (dx, dy, dz), the way all motion is done.
void MoveQuad(VERTEX quad[4], float dx, float dy, float dz);

// Adds (dx, dy) to the four positions; used for corrections (clamping,
// stepping back from block edges).
void OffsetQuad(VERTEX quad[4], float dx, float dy);
