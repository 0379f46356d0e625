// Enemies and items: appearance, decisions, removal after a defeat, walking,
// the jump and fall physics, and the strip animation.
//
// All walking types decide on one shared value, g_nRand: an enemy decides when
// more than g_nRand x 500 ms have passed since its last decision, and every
// decision draws a new value, so one enemy's decision changes the waiting time
// of all the others.
#include "game/enemies.h"

#include <cstdlib>

#include "game/scene_helpers.h"

namespace {

const DWORD APPEAR_MS = 1500;        // appearance, and the defeat animation before removal
const DWORD HURT_MS = 800;           // damage window after a hit
const DWORD STEP_MS = 100;           // at most one animation or speed step per 100 ms
const DWORD ITEM_BLINK_MS = 500;
const DWORD WARP_WAIT_MS = 1200;     // warper on frame 2 after its shot
const DWORD WARP_AIM_MS = 800;       // warper's attack pose before firing
const DWORD FAST_WARP_AIM_MS = 400;
const DWORD DECISION_MS = 500;       // per unit of g_nRand
const float SPEED_STEP = 0.5f;
const float BIG_JUMP_GRAVITY = 0.04f;
const float DROP_THROUGH = 10.0f;    // below a block's 8-pixel landing window
const int SOUND_WARP = 8;
const int SOUND_BIG_JUMP = 16;
const int FINAL_STAGE = 54;          // only the boss counts here

bool IsType(const GAMEOBJ& e, int a, int b)
{
    return e.nType == a || e.nType == b;
}

bool IsDefeated(const GAMEOBJ& e)
{
    return IsType(e, ENEMY_DEFEATED, ENEMY_BOSS_DEFEATED);
}

bool IsBigJumper(const GAMEOBJ& e)
{
    return IsType(e, ENEMY_BIG_JUMPER, ENEMY_FAST_BIG_JUMPER);
}

bool IsWarper(const GAMEOBJ& e)
{
    return IsType(e, ENEMY_WARPER, ENEMY_FAST_WARPER);
}

bool IsRockDropper(const GAMEOBJ& e)
{
    return IsType(e, ENEMY_ROCK_DROPPER, ENEMY_BIG_ROCK_DROPPER);
}

// Shows nFrame of the enemy's 10-frame strip.
void ShowFrame(GAMEOBJ& e)
{
    SetQuadFrame(e.vtx, e.nFrame, QUAD_U_DIV10);
}

void SetFrame(GAMEOBJ& e, int frame)
{
    e.nFrame = frame;
    ShowFrame(e);
}

void Reroll()
{
    g_nRand = rand() % 10;
}

// The product is taken unsigned, like every other timer.
bool Tick(const GAMEOBJ& e)
{
    return TimeElapsed(e.dwThinkTime, (DWORD)g_nRand * DECISION_MS);
}

void Jump(GAMEOBJ& e)
{
    if (e.bAirborne) return;
    e.bAirborne = 1;
    e.nJumpState = JUMP_RISING;
    e.fVy = e.fJumpSpeed;
}

bool PlayerIsLeftOf(const GAMEOBJ& e)
{
    return g_Player.vtx[0].x < e.vtx[0].x;
}

void TowardPlayer(GAMEOBJ& e)
{
    e.nState = PlayerIsLeftOf(e) ? ENEMY_WALK_LEFT : ENEMY_WALK_RIGHT;
}

void FacePlayer(GAMEOBJ& e)
{
    e.nFacing = PlayerIsLeftOf(e) ? FACING_LEFT : FACING_RIGHT;
}

// Grouped so on purpose: a free first slot counts only while no attack runs,
// the other two count even during one.
bool AttackPossible(const GAMEOBJ& e)
{
    return (!e.bAttack && e.nShotState[0] < SHOT_FLYING) || e.nShotState[1] < SHOT_FLYING ||
           e.nShotState[2] < SHOT_FLYING;
}

void Attack(GAMEOBJ& e)
{
    e.bAttack = 1;
    TowardPlayer(e);
}

// The first slot that can take a request gets it; with none, nothing happens.
void RequestShot(GAMEOBJ& e)
{
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        if (e.nShotState[k] < SHOT_FLYING) {
            e.nShotState[k] = SHOT_REQUESTED;
            return;
        }
    }
}

void Step(GAMEOBJ& e)
{
    e.dwAnimTime = g_dwNowTime;
}

// Frames first..last in a loop, starting over from `first`.
void Cycle(GAMEOBJ& e, int first, int last)
{
    if (e.nFrame < first || e.nFrame > last) e.nFrame = first;
    e.nFrame += 1;
    if (e.nFrame > last) e.nFrame = first;
    ShowFrame(e);
}

// Frames first+1..last, one a step; the step after `last` ends the attack and
// asks for a shot. True when it ended.
bool AttackRun(GAMEOBJ& e, int first, int last)
{
    if (e.nFrame < first || e.nFrame > last) e.nFrame = first;
    e.nFrame += 1;
    bool ended = false;
    if (e.nFrame > last) {
        e.nFrame = last;
        e.bAttack = 0;
        RequestShot(e);
        ended = true;
    }
    ShowFrame(e);
    return ended;
}

void Park(GAMEOBJ& e)
{
    SetQuadDiv10B(e.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
}

// A defeated enemy leaves 1500 ms after its defeat; on the final stage only
// the boss counts towards the clear.
void RemoveWhenDefeatOver(GAMEOBJ& e)
{
    if (!IsDefeated(e) || !TimeElapsed(e.dwStateTime, APPEAR_MS)) return;
    e.dwStateTime = g_dwNowTime;
    Park(e);
    e.rcHit = RECT{0, 0, 0, 0};
    e.fGroundY = 0.0f;
    if (g_nStage != FINAL_STAGE || e.nType == ENEMY_BOSS_DEFEATED) {
        g_nEnemyLeft -= 1;
    }
}

int FirstState(const GAMEOBJ& e)
{
    switch (e.nType) {
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        return ENEMY_VANISHING;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
        return ENEMY_WAITING;
    case ENEMY_HOMING:
    case ENEMY_FAST_HOMING:
    case ENEMY_ITEM:
    case ENEMY_BOSS:
        return ENEMY_STANDING;
    case ENEMY_BIG_JUMPER:
        return g_nStage == 39 ? ENEMY_WALK_RIGHT : ENEMY_WALK_LEFT;
    case ENEMY_FAST_BIG_JUMPER:
        return g_nStage == 40 ? ENEMY_WALK_RIGHT : ENEMY_WALK_LEFT;
    default:
        return ENEMY_WALK_LEFT;
    }
}

// While appearing the enemy only shows frames 9 and 8; then it takes its
// type's first state.
void Appear(int i, GAMEOBJ& e)
{
    if (e.nState != ENEMY_APPEARING) return;
    if (!TimeElapsed(e.dwStateTime, APPEAR_MS)) {
        if (TimeElapsed(e.dwAnimTime, STEP_MS)) AnimEnemyAppear(i, &e);
    } else {
        e.dwStateTime = g_dwNowTime;
        e.nState = FirstState(e);
    }
}

// Each bomb of the enemy, flying or not, is aimed at the player's side.
void ReaimBombs(int i)
{
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        GAMEOBJ& bomb = g_EnemyShot[i][k];
        if (g_Player.vtx[0].x < bomb.vtx[0].x) {
            bomb.fSpeed = -3.0f;
            bomb.nFacing = FACING_LEFT;
        } else {
            bomb.fSpeed = 3.0f;
            bomb.nFacing = FACING_RIGHT;
        }
    }
}

// Somewhere at random, but never right on top of the player: at least 200
// pixels to its right, or more than 100 to its left.
void Reappear(GAMEOBJ& e)
{
    Reroll();
    g_nRandX = rand() % 500;
    g_nRandY = rand() % 350;
    if (g_Player.vtx[0].x <= (float)g_nRandX) {
        g_nRandX += 200;
    } else {
        g_nRandX -= 100;
    }
    PlaySlot(SOUND_WARP, PLAY_EFFECT);
    const float x = (float)g_nRandX;
    if (e.nType == ENEMY_FAST_WARPER) {
        SetQuadDiv10B(e.vtx, x, g_Player.vtx[0].y - 2.0f, x + 102.0f, g_Player.vtx[0].y + 100.0f, 255);
    } else {
        const float y = (float)g_nRandY;
        SetQuadDiv10B(e.vtx, x, y, x + 102.0f, y + 102.0f, 255);
    }
    e.rcHit = RECT{40, 10, 40, 15};
}

// Walkers: hopper, chaser, bombers, shooters and big jumpers.
void WalkerRule(int i, GAMEOBJ& e)
{
    if (!Tick(e)) return;
    switch (e.nType) {
    case ENEMY_HOPPER:
        Reroll();
        e.dwThinkTime = g_dwNowTime;
        Jump(e);
        break;
    case ENEMY_CHASER:
        Reroll();
        e.dwThinkTime = g_dwNowTime;
        if (e.vtx[2].y <= g_Player.vtx[2].y) {
            // Higher than the player: drop through whatever it stands on.
            if (e.vtx[0].y < g_Player.vtx[0].y && !e.bAirborne) {
                e.bAirborne = 1;
                e.nJumpState = JUMP_FALLING;
                e.fVy = 0.0f;
                MoveQuad(e.vtx, 0.0f, DROP_THROUGH, 0.0f);
            }
        } else {
            Jump(e);
        }
        TowardPlayer(e);
        break;
    case ENEMY_BOMBER:
        // It decides on the value that set its waiting time, then draws anew.
        e.dwThinkTime = g_dwNowTime;
        if (g_nRand < 4) {
            Jump(e);
        } else if (AttackPossible(e)) {
            Attack(e);
        }
        Reroll();
        break;
    case ENEMY_BOMBER3:
        e.dwThinkTime = g_dwNowTime;
        if (g_nRand < 3) {
            ReaimBombs(i);
        } else if (AttackPossible(e)) {
            Attack(e);
        }
        Reroll();
        break;
    case ENEMY_SHOOTER:
    case ENEMY_WAVE_SHOOTER:
        Reroll();
        e.dwThinkTime = g_dwNowTime;
        if (AttackPossible(e)) Attack(e);
        break;
    case ENEMY_BIG_JUMPER:
    case ENEMY_FAST_BIG_JUMPER:
        Reroll();
        e.dwThinkTime = g_dwNowTime;
        if (g_nRand < 3) {
            if (e.nState == ENEMY_WALK_LEFT) {
                e.nState = ENEMY_WALK_RIGHT;
            } else if (e.nState == ENEMY_WALK_RIGHT) {
                e.nState = ENEMY_WALK_LEFT;
            }
        } else if (!e.bAirborne) {
            Jump(e);
            e.fGravity = BIG_JUMP_GRAVITY;  // for every later fall too
            PlaySlot(SOUND_BIG_JUMP, PLAY_EFFECT);
        }
        break;
    default:
        break;
    }
}

void HomingRule(int i, GAMEOBJ& e)
{
    if (!TimeElapsed(e.dwHitTime, HURT_MS)) {
        if (TimeElapsed(e.dwAnimTime, STEP_MS)) {
            e.dwAnimTime = g_dwNowTime;
            AnimEnemyDamage(i, &e);
        }
        return;
    }
    if (e.nState != ENEMY_STANDING || e.bAttack) return;
    if (Tick(e)) {
        Reroll();
        e.dwThinkTime = g_dwNowTime;
        e.bAttack = 1;
    } else {
        // Idle: frames 1 and 2.
        if (e.nFrame > 2) SetFrame(e, 1);
        if (TimeElapsed(e.dwAnimTime, STEP_MS)) {
            e.dwAnimTime = g_dwNowTime;
            e.nFrame += 1;
            if (e.nFrame > 2) e.nFrame = 1;
            ShowFrame(e);
        }
    }
    FacePlayer(e);
}

// The types whose rule also runs in the frame that ends their appearance.
void StanderRule(int i, GAMEOBJ& e)
{
    switch (e.nType) {
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        if (e.nState == ENEMY_HIDDEN) {
            if (TimeElapsed(e.dwAnimTime, ((DWORD)g_nRand * DECISION_MS) >> 1)) {
                Reappear(e);
                e.nState = ENEMY_REAPPEARING;
            }
            FacePlayer(e);
        }
        break;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
        if (e.nState == ENEMY_STANDING) {
            if (TimeElapsed(e.dwAnimTime, (DWORD)g_nRand * DECISION_MS)) {
                Reroll();
                e.bAttack = 1;
            }
            FacePlayer(e);
        }
        break;
    case ENEMY_HOMING:
    case ENEMY_FAST_HOMING:
        HomingRule(i, e);
        break;
    case ENEMY_ITEM:
        if (e.nState == ENEMY_STANDING && TimeElapsed(e.dwAnimTime, ITEM_BLINK_MS)) {
            // Frames 1, 0, 1, 0 ...
            e.dwAnimTime = g_dwNowTime;
            if (e.nFrame > 1) e.nFrame = 0;
            e.nFrame += 1;
            if (e.nFrame > 1) e.nFrame = 0;
            ShowFrame(e);
        }
        break;
    case ENEMY_BOSS:
        if (e.nState == ENEMY_STANDING &&
            TimeElapsed(e.dwAnimTime, ((DWORD)g_nRand * DECISION_MS) >> 1)) {
            Reroll();
            e.bAttack = 1;
        }
        break;
    default:
        break;
    }
}

bool IsWalkerType(const GAMEOBJ& e)
{
    switch (e.nType) {
    case ENEMY_HOPPER:
    case ENEMY_CHASER:
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:
    case ENEMY_SHOOTER:
    case ENEMY_WAVE_SHOOTER:
    case ENEMY_BIG_JUMPER:
    case ENEMY_FAST_BIG_JUMPER:
        return true;
    default:
        return false;
    }
}

bool HasRule(const GAMEOBJ& e)
{
    switch (e.nType) {
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
    case ENEMY_HOMING:
    case ENEMY_FAST_HOMING:
    case ENEMY_ITEM:
    case ENEMY_BOSS:
        return true;
    default:
        return IsWalkerType(e);
    }
}

bool ValidSlot(int i)
{
    return i >= 0 && i < ENEMY_COUNT;
}

// Jump and fall physics; the floor landing rebuilds the quad on the ground
// line.
void AirborneStep(GAMEOBJ& e)
{
    if (!e.bAirborne) return;
    e.fVy += e.fGravity;
    e.fY += e.fVy;
    if (e.fVy >= 0.0f) e.nJumpState = JUMP_FALLING;
    MoveQuad(e.vtx, 0.0f, e.fVy, 0.0f);
    if (e.fVy > 0.0f && e.fY >= e.fGroundY) {
        e.bAirborne = 0;
        e.nJumpState = JUMP_ON_GROUND;
        e.fY = e.fGroundY;
        const float height = IsBigJumper(e) ? 200.0f : 100.0f;
        SetQuadDiv10B(e.vtx, e.vtx[0].x, e.fY, e.vtx[2].x, e.fY + height, 255);
        if (IsWarper(e)) {
            e.fVy = 0.0f;
            e.bAttack = 1;
            SetFrame(e, 2);
            TowardPlayer(e);
        } else if (e.nType == ENEMY_BOSS) {
            e.nState = ENEMY_STANDING;
        }
    }
}

// A walker that turns on the ground starts again from its base speed; one
// that keeps its direction gains 0.5 a step up to its maximum.
void Accelerate(GAMEOBJ& e)
{
    const bool keepsDirection = (e.nFacing == FACING_LEFT && e.nState == ENEMY_WALK_LEFT) ||
                                (e.nFacing == FACING_RIGHT && e.nState == ENEMY_WALK_RIGHT);
    if (keepsDirection) {
        if (TimeElapsed(e.dwAccelTime, STEP_MS)) {
            e.dwAccelTime = g_dwNowTime;
            e.fSpeed += SPEED_STEP;
            if (e.fSpeed > e.fMaxSpeed) e.fSpeed = e.fMaxSpeed;
        }
    } else if (!e.bAirborne) {
        e.fSpeed = e.fBaseSpeed;
    }
}

// Returns the moveDir of the frame.
int Walk(GAMEOBJ& e)
{
    if (e.nState == ENEMY_WALK_LEFT) {
        MoveQuad(e.vtx, -e.fSpeed, 0.0f, 0.0f);
        e.nFacing = FACING_LEFT;
        return 2;
    }
    if (e.nState == ENEMY_WALK_RIGHT) {
        MoveQuad(e.vtx, e.fSpeed, 0.0f, 0.0f);
        e.nFacing = FACING_RIGHT;
        return 1;
    }
    return 0;
}

}  // namespace

void UpdateEnemyAI(int i)
{
    if (!ValidSlot(i)) return;
    GAMEOBJ& e = g_Enemy[i];
    RemoveWhenDefeatOver(e);
    if (!HasRule(e)) return;

    const bool wasActive = e.nState != ENEMY_APPEARING;
    Appear(i, e);
    if (IsWalkerType(e)) {
        if (wasActive) WalkerRule(i, e);
    } else {
        StanderRule(i, e);
    }
}

void MoveEnemy(int i)
{
    if (!ValidSlot(i)) return;
    GAMEOBJ& e = g_Enemy[i];
    int moveDir = 0;
    if (!IsDefeated(e)) {
        AirborneStep(e);
        Accelerate(e);
        moveDir = Walk(e);
    }
    AnimateEnemy(i, &e, moveDir);
}

void AnimateEnemy(int i, GAMEOBJ* enemy, int moveDir)
{
    GAMEOBJ& e = *enemy;
    if (!TimeElapsed(e.dwAnimTime, STEP_MS)) return;
    if (IsDefeated(e)) {
        AnimEnemyOut(i, enemy);
    } else if (!TimeElapsed(e.dwHitTime, HURT_MS)) {
        AnimEnemyDamage(i, enemy);
    } else if (e.bAttack) {
        AnimEnemyAttack(i, enemy);
    } else if (e.nState == ENEMY_VANISHING || e.nState == ENEMY_REAPPEARING || e.nState == ENEMY_WAITING) {
        AnimEnemyWarp(i, enemy);
    } else if (e.bAirborne) {
        AnimEnemyJump(i, enemy);
    } else if (moveDir == 0) {
        AnimEnemyStand(i, enemy);
    } else {
        AnimEnemyWalk(i, enemy);
    }
}

void AnimEnemyOut(int, GAMEOBJ* enemy)
{
    Step(*enemy);
    Cycle(*enemy, 0, 1);
}

void AnimEnemyDamage(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    Step(e);
    // The hit shows 8 first; any other frame is left as it is.
    if (e.nFrame == 8) {
        SetFrame(e, 9);
    } else if (e.nFrame == 9) {
        SetFrame(e, 8);
    }
}

void AnimEnemyAppear(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    if (e.nType < ENEMY_HOPPER || e.nType >= ENEMY_BOSS_DEFEATED) return;
    Step(e);
    Cycle(e, 8, 9);
}

void AnimEnemyWalk(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    switch (e.nType) {
    case ENEMY_HOPPER:
    case ENEMY_CHASER:
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:
    case ENEMY_BIG_JUMPER:
    case ENEMY_FAST_BIG_JUMPER:
        Step(e);
        Cycle(e, 0, 5);
        break;
    case ENEMY_SHOOTER:
    case ENEMY_WAVE_SHOOTER:
        Step(e);
        Cycle(e, 0, 3);
        break;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
    case ENEMY_BOSS:
        // Turned by the stage edge, it only faces that way.
        SetFrame(e, 0);
        break;
    default:
        break;
    }
}

void AnimEnemyJump(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    if (e.nType < ENEMY_HOPPER || e.nType >= ENEMY_BOSS_DEFEATED) return;
    int frame = 6;
    switch (e.nType) {
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        frame = 2;
        break;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
    case ENEMY_BOSS:
    case ENEMY_ITEM:
        frame = 0;
        break;
    case ENEMY_BIG_JUMPER:
    case ENEMY_FAST_BIG_JUMPER:
        frame = 7;
        break;
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:
        frame = 3;
        break;
    default:
        break;
    }
    Step(e);
    SetFrame(e, frame);
}

void AnimEnemyAttack(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    switch (e.nType) {
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:
        Step(e);
        AttackRun(e, 6, 7);
        break;
    case ENEMY_SHOOTER:
    case ENEMY_WAVE_SHOOTER:
        Step(e);
        AttackRun(e, 3, 6);
        break;
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        if (e.nFrame == 6 || e.nFrame == 7) {
            Step(e);
            e.nFrame += 1;
            if (e.nFrame > 7) {
                e.nFrame = 7;
                e.bAttack = 0;
                e.nState = ENEMY_WAITING;
                RequestShot(e);
            }
            ShowFrame(e);
        } else if (TimeElapsed(e.dwAnimTime, e.nType == ENEMY_WARPER ? WARP_AIM_MS : FAST_WARP_AIM_MS)) {
            // The attack pose has been held long enough.
            Step(e);
            if (e.nFrame < 5 || e.nFrame > 7) e.nFrame = 5;
            e.nFrame += 1;
            ShowFrame(e);
        }
        break;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
        Step(e);
        if (AttackRun(e, 0, 2)) e.nState = ENEMY_WAITING;
        break;
    case ENEMY_HOMING:
    case ENEMY_FAST_HOMING:
        Step(e);
        AttackRun(e, 2, 4);
        break;
    case ENEMY_BOSS:
        // Its request summons an enemy.
        Step(e);
        AttackRun(e, 0, 2);
        break;
    default:
        break;
    }
}

void AnimEnemyWarp(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    if (IsWarper(e)) {
        switch (e.nState) {
        case ENEMY_VANISHING:
            if (e.nFrame < 3 || e.nFrame > 5) {
                e.nFrame = 3;
                PlaySlot(SOUND_WARP, PLAY_EFFECT);
            }
            Step(e);
            e.nFrame += 1;
            if (e.nFrame > 5) {
                e.nFrame = 5;
                e.nState = ENEMY_HIDDEN;
                Park(e);
            } else {
                ShowFrame(e);
            }
            break;
        case ENEMY_REAPPEARING:
            if (e.nFrame > 2) e.nFrame = 0;
            Step(e);
            e.nFrame += 1;
            if (e.nFrame > 2) {
                // Fully there: it falls on frame 2 until it lands.
                e.nFrame = 2;
                e.bAirborne = 1;
                e.nJumpState = JUMP_FALLING;
                e.fY = e.vtx[0].y;
            }
            ShowFrame(e);
            break;
        case ENEMY_WAITING:
            SetFrame(e, 2);
            if (TimeElapsed(e.dwAnimTime, WARP_WAIT_MS)) {
                e.dwAnimTime = g_dwNowTime;
                e.nState = ENEMY_VANISHING;
            }
            break;
        default:
            break;
        }
    } else if (IsRockDropper(e) && e.nState == ENEMY_WAITING) {
        SetFrame(e, 0);
        Step(e);
        e.nState = ENEMY_STANDING;
        FacePlayer(e);
    }
}

void AnimEnemyStand(int, GAMEOBJ* enemy)
{
    GAMEOBJ& e = *enemy;
    if (IsRockDropper(e) || e.nType == ENEMY_BOSS) {
        SetFrame(e, 0);
        if (e.nType == ENEMY_BOSS) e.nState = ENEMY_STANDING;
    }
}
