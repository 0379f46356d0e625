// Enemies and items: set-up by type and drawing. Behaviour and animation live
// in enemy_ai.cpp.
#include "game/enemies.h"

#include "game/scene_helpers.h"
#include "shell/textures.h"
#include "stages/stage_data.h"

namespace {

// Every type starts its jumps at this speed.
const float ENEMY_JUMP_SPEED = -5.0f;

// What set-up gives one type. Shot slots not listed as open stay unavailable.
struct EnemyParam {
    int type;
    float baseSpeed;
    float maxSpeed;
    float gravity;
    int openShots[SHOT_SLOTS];   // 1 = the slot is free to use
    RECT insets;
    float groundY;               // quad top when standing on the floor
};

// The insets put the hit box's bottom at 461 when the quad's top is on the
// ground line: the lowest the stage edge allows. The big jumpers land lower
// and are lifted by the edge clamp.
const EnemyParam kEnemyParams[] = {
    {ENEMY_HOPPER,           1.0f, 3.0f, 0.1f,  {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_CHASER,           1.0f, 3.0f, 0.1f,  {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_BOMBER,           1.0f, 2.5f, 0.1f,  {1, 1, 0}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_BOMBER3,          1.0f, 2.5f, 0.1f,  {1, 1, 1}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_SHOOTER,          1.0f, 1.5f, 0.1f,  {1, 1, 1}, {40, 10, 40, 5},  366.0f},
    {ENEMY_WAVE_SHOOTER,     1.0f, 2.0f, 0.1f,  {1, 1, 1}, {40, 10, 40, 5},  366.0f},
    {ENEMY_WARPER,           0.0f, 0.0f, 0.15f, {1, 1, 1}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_FAST_WARPER,      0.0f, 0.0f, 0.15f, {1, 1, 1}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_ROCK_DROPPER,     0.0f, 0.0f, 0.1f,  {1, 1, 0}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_BIG_ROCK_DROPPER, 0.0f, 0.0f, 0.1f,  {1, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_HOMING,           0.0f, 0.0f, 0.1f,  {1, 1, 1}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_FAST_HOMING,      0.0f, 0.0f, 0.1f,  {1, 1, 1}, {40, 10, 40, 15}, 376.0f},
    {ENEMY_ITEM,             0.0f, 0.0f, 0.1f,  {0, 0, 0}, {40, 10, 40, 5},  366.0f},
    {ENEMY_BIG_JUMPER,       2.0f, 4.0f, 0.1f,  {0, 0, 0}, {80, 50, 80, 40}, 401.0f},
    {ENEMY_FAST_BIG_JUMPER,  4.0f, 6.0f, 0.1f,  {0, 0, 0}, {80, 50, 80, 40}, 401.0f},
    {ENEMY_BOSS,             0.0f, 0.0f, 0.1f,  {1, 1, 1}, {40, 10, 40, 15}, 376.0f},
};

const EnemyParam* FindEnemyParam(int type)
{
    for (const EnemyParam& param : kEnemyParams) {
        if (param.type == type) return &param;
    }
    return nullptr;
}

// The common part of placing a new enemy: it hangs where it was put, falling
// but held by its appearance, facing right, with no shot of a previous
// occupant left. A type without set-up values stays out of play.
void SetUpSlot(GAMEOBJ& enemy)
{
    enemy.fSpeed = 0.0f;
    enemy.nReserved = 0;
    enemy.nFrame = 0;
    enemy.nFacing = FACING_UNSET;
    enemy.nJumpState = JUMP_FALLING;
    enemy.bAirborne = 1;
    enemy.fVy = 0.0f;
    enemy.fGroundY = 0.0f;
    for (int k = 0; k < SHOT_SLOTS; ++k) enemy.nShotState[k] = SHOT_UNUSED;
    enemy.bAttack = 0;
    enemy.fY = enemy.vtx[0].y;

    const EnemyParam* param = FindEnemyParam(enemy.nType);
    if (param == nullptr) return;
    enemy.fBaseSpeed = param->baseSpeed;
    enemy.fMaxSpeed = param->maxSpeed;
    enemy.fJumpSpeed = ENEMY_JUMP_SPEED;
    enemy.fGravity = param->gravity;
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        if (param->openShots[k]) enemy.nShotState[k] = SHOT_FREE;
    }
    enemy.rcHit = param->insets;
    enemy.fGroundY = param->groundY;
}

// The sheet of a type: right-facing until the enemy first faces left. The
// slot is bound whatever it holds, loaded or not.
IDirect3DTexture8* SheetOf(int type, int facing)
{
    const bool right = facing < FACING_LEFT;
    switch (type) {
    case ENEMY_DEFEATED:
    case ENEMY_BOSS_DEFEATED:
        return g_pTexEnemyOut;
    case ENEMY_HOPPER:
    case ENEMY_CHASER:
        return right ? g_pTexEnemy1R : g_pTexEnemy1L;
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:
        return right ? g_pTexEnemy2R : g_pTexEnemy2L;
    case ENEMY_SHOOTER:
    case ENEMY_WAVE_SHOOTER:
        return right ? g_pTexEnemy3R : g_pTexEnemy3L;
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        return right ? g_pTexEnemy4R : g_pTexEnemy4L;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
        return right ? g_pTexEnemy5R : g_pTexEnemy5L;
    case ENEMY_HOMING:
    case ENEMY_FAST_HOMING:
        return right ? g_pTexEnemy6R : g_pTexEnemy6L;
    case ENEMY_ITEM:
        return g_pTexItem;
    case ENEMY_BIG_JUMPER:
    case ENEMY_FAST_BIG_JUMPER:
        return right ? g_pTexEnemy7R : g_pTexEnemy7L;
    case ENEMY_BOSS:
        return g_pTexBoss;
    default:
        return nullptr;
    }
}

bool HasSheet(int type)
{
    return type == ENEMY_DEFEATED || type == ENEMY_BOSS_DEFEATED || FindEnemyParam(type) != nullptr;
}

bool EnemyTexture(int type, int facing, IDirect3DTexture8*& texture)
{
    if (!HasSheet(type)) return false;
    texture = SheetOf(type, facing);
    return true;
}

bool ValidSlot(int i)
{
    return i >= 0 && i < ENEMY_COUNT;
}

}  // namespace

void InitEnemies()
{
    for (GAMEOBJ& enemy : g_Enemy) {
        SetQuad(enemy.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
        enemy.rcHit = RECT{0, 0, 0, 0};
        enemy.fGroundY = 0.0f;
        enemy.nType = ENEMY_NONE;
        enemy.nState = ENEMY_APPEARING;
        enemy.nHp = 0;
    }

    SetStageEnemies();

    for (GAMEOBJ& enemy : g_Enemy) {
        if (enemy.nType == ENEMY_NONE) continue;
        enemy.dwStateTime = g_dwNowTime;
        SetUpSlot(enemy);
    }
}

void InitEnemyParam(int index)
{
    if (!ValidSlot(index)) return;
    GAMEOBJ& enemy = g_Enemy[index];
    if (enemy.nType == ENEMY_NONE) return;
    enemy.dwStateTime = g_dwNowTime;
    enemy.nState = ENEMY_APPEARING;
    SetUpSlot(enemy);
}

void DrawEnemy(int i)
{
    if (!ValidSlot(i)) return;
    GAMEOBJ& enemy = g_Enemy[i];
    IDirect3DTexture8* texture = nullptr;
    // A code without a sheet never comes into play; there is nothing to show.
    if (!EnemyTexture(enemy.nType, enemy.nFacing, texture)) return;
    DrawQuad(texture, enemy.vtx);
}
