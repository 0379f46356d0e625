// Hit boxes, landing on blocks, hits and the stage edges.
#include "game/collisions.h"

#include <climits>

#include "game/scene_helpers.h"

namespace {

// How far below a block's top a falling mover's feet may be and still land.
const int LANDING_WINDOW = 8;

const float BODY_HEIGHT = 100.0f;  // player and enemies rebuilt on a block
const float SHOT_HEIGHT = 50.0f;   // player shots and enemy bombs

const DWORD HURT_MS = 800;

// The clamped hit box stays between these screen rows.
const int TOP_LIMIT = -50;
const int BOTTOM_LIMIT = 461;

const float SCROLL_AT_LEFT_END = 0.0f;
const float SCROLL_AT_RIGHT_END = 1180.0f;

// A big jumper leaving one end comes back at the other with its 200-pixel
// quad this far inside (and outside) the stage.
const float WRAP_INSIDE = 140.0f;
const float WRAP_OUTSIDE = 60.0f;
const RECT BIG_JUMPER_INSETS = {80, 50, 80, 40};
const RECT BOSS_INSETS_AFTER_HIT = {40, 10, 40, 15};

const int ITEM_HP = 8;

// Sound slots.
const int SOUND_PLAYER_HURT = 1;
const int SOUND_ENEMY_HIT = 7;
const int SOUND_BOSS_HIT = 8;
const int SOUND_ITEM = 15;
const int SOUND_BOSS_DEFEATED = 17;

struct HitBox {
    int left, top, right, bottom;
};

// Truncation toward zero, as a plain cast does; values beyond int's range
// (never met in play) saturate instead of being undefined.
int Truncate(float f)
{
    if (f != f) return 0;
    if (f <= (float)INT_MIN) return INT_MIN;
    if (f >= (float)INT_MAX) return INT_MAX;
    return (int)f;
}

// Only the top-left and bottom-right corners take part.
HitBox MakeHitBox(const VERTEX quad[4], const RECT& insets)
{
    HitBox box;
    box.left = Truncate(quad[0].x) + insets.left;
    box.top = Truncate(quad[0].y) + insets.top;
    box.right = Truncate(quad[2].x) - insets.right;
    box.bottom = Truncate(quad[2].y) - insets.bottom;
    return box;
}

// Inclusive on every side: touching boxes overlap.
bool Overlap(const HitBox& a, const HitBox& b)
{
    return a.left <= b.right && a.top <= b.bottom && a.right >= b.left && a.bottom >= b.top;
}

// Overlapping, with the mover's feet at the block's top or up to 8 pixels
// into it.
bool RestsOn(const HitBox& mover, const HitBox& block)
{
    return Overlap(mover, block) && block.top <= mover.bottom &&
           (double)block.top + (double)LANDING_WINDOW >= (double)mover.bottom;
}

// Puts the mover's quad on the block at the same x, so that its hit-box
// bottom meets the block's top exactly. The builder shows frame 0.
void StandOnBlock(VERTEX quad[4], const RECT& insets, const VERTEX blockQuad[4], float height,
                  void (*build)(VERTEX*, float, float, float, float, int))
{
    const float blockTop = blockQuad[0].y;
    build(quad, quad[0].x, blockTop - height + (float)insets.bottom, quad[2].x,
          blockTop + (float)insets.bottom, 255);
}

void FallFromRest(GAMEOBJ& mover)
{
    mover.bAirborne = 1;
    mover.nJumpState = JUMP_FALLING;
    mover.fVy = 0.0f;
}

// Whether any of the 60 blocks still carries the mover.
bool SupportedByABlock(VERTEX quad[4], RECT insets)
{
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        if (!CheckOffBlock(quad, insets, g_Block[b].vtx, g_Block[b].rcHit)) return true;
    }
    return false;
}

// A walker at the edge of its block steps back and walks the other way.
void TurnBack(GAMEOBJ& enemy)
{
    const float step = enemy.fSpeed + 2.0f;
    if (enemy.nState == ENEMY_WALK_LEFT) {
        enemy.nState = ENEMY_WALK_RIGHT;
        OffsetQuad(enemy.vtx, step, 0.0f);
    } else if (enemy.nState == ENEMY_WALK_RIGHT) {
        enemy.nState = ENEMY_WALK_LEFT;
        OffsetQuad(enemy.vtx, -step, 0.0f);
    }
}

void ParkQuad(VERTEX quad[4], void (*build)(VERTEX*, float, float, float, float, int))
{
    build(quad, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
}

int PlayerMaxHp(int character)
{
    return (character == 1 || character == 4) ? 8 : 6;
}

void DamagePlayer(VERTEX playerQuad[4])
{
    g_Player.nFrame = 9;
    g_Player.nHp -= 1;
    PlaySlot(SOUND_PLAYER_HURT, PLAY_EFFECT);
    g_Player.dwHitTime = g_dwNowTime;
    g_Player.dwAnimTime = g_dwNowTime;
    SetQuadFrame(playerQuad, 9, QUAD_U_DIV20);
    g_Player.dwStateTime = g_dwNowTime;
}

bool IsBigJumper(int type)
{
    return type == ENEMY_BIG_JUMPER || type == ENEMY_FAST_BIG_JUMPER;
}

// Walkers, standers, the item and the boss turn at an end; warpers and the
// defeat animations are only pushed back.
bool Turnable(int type)
{
    return type >= 2 && type <= 29 && type != ENEMY_WARPER && type != ENEMY_FAST_WARPER;
}

// The whole-pixel gap between two truncated coordinates, as a move.
float Gap(int from, int to)
{
    return (float)((long long)to - (long long)from);
}

void RebuildBigJumper(GAMEOBJ& enemy, VERTEX quad[4], float left, float right)
{
    SetQuadDiv10B(quad, left, quad[0].y, right, quad[2].y, 255);
    enemy.rcHit = BIG_JUMPER_INSETS;
}

}  // namespace

void LandPlayerOnBlock(VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets)
{
    HitBox mover = MakeHitBox(quad, insets);
    HitBox block = MakeHitBox(blockQuad, blockInsets);
    if (g_Player.nJumpState != JUMP_FALLING || !RestsOn(mover, block)) return;

    g_Player.bAirborne = 0;
    g_Player.nJumpState = JUMP_ON_BLOCK;
    StandOnBlock(quad, insets, blockQuad, BODY_HEIGHT, SetQuadDiv20);
    // Inside the damage window the damage flicker keeps its frame.
    if (TimeElapsed(g_Player.dwHitTime, HURT_MS)) {
        g_Player.nFrame = 1;
        SetQuadFrame(quad, 1, QUAD_U_DIV20);
        g_Player.dwAnimTime = g_dwNowTime;
    }
}

void LandEnemyOnBlock(int i, VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets)
{
    GAMEOBJ& enemy = g_Enemy[i];
    HitBox mover = MakeHitBox(quad, insets);
    HitBox block = MakeHitBox(blockQuad, blockInsets);
    // Big jumpers pass through blocks.
    if (enemy.nJumpState != JUMP_FALLING || !RestsOn(mover, block) || IsBigJumper(enemy.nType)) return;

    enemy.bAirborne = 0;
    enemy.nJumpState = JUMP_ON_BLOCK;
    StandOnBlock(quad, insets, blockQuad, BODY_HEIGHT, SetQuadDiv10B);

    int frame = 1;
    switch (enemy.nType) {
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        frame = 2;
        break;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
    case ENEMY_BOSS:
        frame = 0;
        break;
    default:
        break;
    }
    enemy.nFrame = frame;
    SetQuadFrame(quad, frame, QUAD_U_DIV10);
    enemy.dwAnimTime = g_dwNowTime;

    if (enemy.nType == ENEMY_WARPER || enemy.nType == ENEMY_FAST_WARPER) {
        // A warper that lands turns toward the player and attacks.
        enemy.fVy = 0.0f;
        enemy.bAttack = 1;
        enemy.nState = g_Player.vtx[0].x >= quad[0].x ? ENEMY_WALK_RIGHT : ENEMY_WALK_LEFT;
    } else if (enemy.nType == ENEMY_BOSS) {
        enemy.nState = ENEMY_STANDING;
    }
}

void LandPlayerShotOnBlock(int k, VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets)
{
    GAMEOBJ& shot = g_PlayerShot[k];
    HitBox mover = MakeHitBox(quad, insets);
    HitBox block = MakeHitBox(blockQuad, blockInsets);
    if (shot.nJumpState != JUMP_FALLING || !RestsOn(mover, block)) return;

    shot.bAirborne = 0;
    shot.nJumpState = JUMP_ON_BLOCK;
    StandOnBlock(quad, insets, blockQuad, SHOT_HEIGHT, SetQuadDiv10A);
    shot.nFrame = 3 * k;
    SetQuadFrame(quad, shot.nFrame, QUAD_U_DIV10);
}

void LandEnemyShotOnBlock(int i, int k, VERTEX quad[4], RECT insets, VERTEX blockQuad[4],
                          RECT blockInsets)
{
    GAMEOBJ& shot = g_EnemyShot[i][k];
    HitBox mover = MakeHitBox(quad, insets);
    HitBox block = MakeHitBox(blockQuad, blockInsets);
    if (shot.nJumpState != JUMP_FALLING || !RestsOn(mover, block)) return;

    shot.bAirborne = 0;
    shot.nJumpState = JUMP_ON_BLOCK;
    StandOnBlock(quad, insets, blockQuad, SHOT_HEIGHT, SetQuadDiv10A);
    // A bomb's sheet has two frames.
    shot.nFrame = 0;
    SetQuadFrame(quad, 0, QUAD_U_DIV2);
}

bool CheckOffBlock(VERTEX quad[4], RECT insets, VERTEX blockQuad[4], RECT blockInsets)
{
    return !RestsOn(MakeHitBox(quad, insets), MakeHitBox(blockQuad, blockInsets));
}

void HitPlayerBlocks()
{
    GAMEOBJ& p = g_Player;
    // The lowest-numbered block wins; a landed mover is no longer falling.
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        LandPlayerOnBlock(p.vtx, p.rcHit, g_Block[b].vtx, g_Block[b].rcHit);
    }
    if (p.nJumpState != JUMP_ON_BLOCK) return;
    if (!SupportedByABlock(p.vtx, p.rcHit)) {
        FallFromRest(p);
    }
}

void HitEnemyBlocks(int i)
{
    GAMEOBJ& enemy = g_Enemy[i];
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        LandEnemyOnBlock(i, enemy.vtx, enemy.rcHit, g_Block[b].vtx, g_Block[b].rcHit);
    }
    if (enemy.nJumpState != JUMP_ON_BLOCK) return;
    if (SupportedByABlock(enemy.vtx, enemy.rcHit)) return;

    // Off the edge: some fall, some turn back, the rest stand in the air.
    switch (enemy.nType) {
    case ENEMY_HOPPER:
    case ENEMY_CHASER:
        FallFromRest(enemy);
        break;
    case ENEMY_BOMBER:
        if (g_nRand < 4) {
            FallFromRest(enemy);
        } else {
            TurnBack(enemy);
        }
        break;
    case ENEMY_SHOOTER:
    case ENEMY_BOMBER3:
    case ENEMY_WAVE_SHOOTER:
        TurnBack(enemy);
        break;
    default:
        break;
    }
}

void HitPlayerShotBlocks(int k)
{
    GAMEOBJ& shot = g_PlayerShot[k];
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        LandPlayerShotOnBlock(k, shot.vtx, shot.rcHit, g_Block[b].vtx, g_Block[b].rcHit);
    }
    if (shot.nJumpState != JUMP_ON_BLOCK) return;
    if (!SupportedByABlock(shot.vtx, shot.rcHit)) {
        FallFromRest(shot);
    }
}

void HitEnemyShotBlocks(int i, int k)
{
    GAMEOBJ& shot = g_EnemyShot[i][k];
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        LandEnemyShotOnBlock(i, k, shot.vtx, shot.rcHit, g_Block[b].vtx, g_Block[b].rcHit);
    }
    if (shot.nJumpState != JUMP_ON_BLOCK) return;
    if (!SupportedByABlock(shot.vtx, shot.rcHit)) {
        FallFromRest(shot);
    }
}

void HitPlayerShotEnemy(int k, int i, VERTEX shotQuad[4], RECT shotInsets, VERTEX enemyQuad[4],
                        RECT enemyInsets)
{
    GAMEOBJ& enemy = g_Enemy[i];
    HitBox shotBox = MakeHitBox(shotQuad, shotInsets);
    HitBox enemyBox = MakeHitBox(enemyQuad, enemyInsets);
    // Shots pass through the item and through an enemy still appearing.
    if (enemy.nType == ENEMY_ITEM || enemy.nState == ENEMY_APPEARING || !Overlap(shotBox, enemyBox)) {
        return;
    }

    enemy.nHp -= 1;
    if (enemy.nHp < 1) {
        if (enemy.nType == ENEMY_BOSS) {
            enemy.nType = ENEMY_BOSS_DEFEATED;
            enemy.nFrame = 0;
            // The music ends with the boss.
            StopAllSound();
            PlaySlot(SOUND_BOSS_DEFEATED, PLAY_EFFECT);
        } else {
            enemy.nType = ENEMY_DEFEATED;
            enemy.nFrame = 0;
            PlaySlot(SOUND_ENEMY_HIT, PLAY_EFFECT);
        }
        enemy.dwAnimTime = g_dwNowTime;
        SetQuadFrame(enemyQuad, 0, QUAD_U_DIV10);
        enemy.dwStateTime = g_dwNowTime;
    } else if (enemy.nType != ENEMY_BOSS) {
        enemy.dwHitTime = g_dwNowTime;
        enemy.nFrame = 8;  // the enemy's own animation draws the flicker
        PlaySlot(SOUND_ENEMY_HIT, PLAY_EFFECT);
    } else {
        PlaySlot(SOUND_BOSS_HIT, PLAY_EFFECT);
        // The boss leaps away, somewhere else for each hit it survives, and
        // takes no breather: it can be hit again at once.
        float dx = 0.0f, dy = 0.0f;
        switch (enemy.nHp) {
        case 4: dx = 600.0f; dy = 300.0f; break;
        case 3: dx = -600.0f; dy = -400.0f; break;
        case 2: dx = -500.0f; dy = 300.0f; break;
        case 1: dx = 500.0f; dy = -400.0f; break;
        default: break;
        }
        OffsetQuad(enemyQuad, dx, dy);
        enemy.rcHit = BOSS_INSETS_AFTER_HIT;
        enemy.bAirborne = 1;
        enemy.nJumpState = JUMP_FALLING;
        enemy.fY = enemyQuad[0].y;
    }

    // The shot is spent on the first enemy it meets.
    g_Player.nShotState[k] = SHOT_FREE;
    g_PlayerShot[k].fDistance = 0.0f;
    ParkQuad(shotQuad, SetQuadDiv10A);
}

void HitEnemyPlayer(int i, VERTEX enemyQuad[4], RECT enemyInsets, VERTEX playerQuad[4],
                    RECT playerInsets)
{
    GAMEOBJ& enemy = g_Enemy[i];
    if (!Overlap(MakeHitBox(enemyQuad, enemyInsets), MakeHitBox(playerQuad, playerInsets))) return;

    if (enemy.nType == ENEMY_ITEM) {
        g_Player.nHp += ITEM_HP;
        int maxHp = PlayerMaxHp(g_Player.nType);
        if (g_Player.nHp > maxHp) {
            g_Player.nHp = maxHp;
        }
        PlaySlot(SOUND_ITEM, PLAY_EFFECT);
        // The slot stays in play until the stage ends; only its quad goes.
        ParkQuad(enemyQuad, SetQuadDiv10B);
        return;
    }
    DamagePlayer(playerQuad);
}

void HitEnemyShotPlayer(int, VERTEX shotQuad[4], RECT shotInsets, VERTEX playerQuad[4],
                        RECT playerInsets)
{
    // The shot flies on.
    if (Overlap(MakeHitBox(shotQuad, shotInsets), MakeHitBox(playerQuad, playerInsets))) {
        DamagePlayer(playerQuad);
    }
}

void ClampPlayer(VERTEX backQuad[4], VERTEX playerQuad[4], RECT playerInsets)
{
    // Every test uses the box as it was on entry.
    const HitBox box = MakeHitBox(playerQuad, playerInsets);
    const int stageLeft = Truncate(backQuad[0].x);
    const int stageRight = Truncate(backQuad[2].x);

    if (box.left < stageLeft) {
        g_fScrollX = SCROLL_AT_LEFT_END;
        OffsetQuad(playerQuad, Gap(box.left, stageLeft), 0.0f);
    }
    if (box.top < TOP_LIMIT) {
        OffsetQuad(playerQuad, 0.0f, Gap(box.top, TOP_LIMIT));
    }
    if (stageRight < box.right) {
        g_fScrollX = SCROLL_AT_RIGHT_END;
        OffsetQuad(playerQuad, Gap(box.right, stageRight), 0.0f);
    }
    if (box.bottom > BOTTOM_LIMIT) {
        OffsetQuad(playerQuad, 0.0f, Gap(box.bottom, BOTTOM_LIMIT));
    }
}

void ClampEnemy(int i, VERTEX backQuad[4], VERTEX enemyQuad[4], RECT enemyInsets)
{
    GAMEOBJ& enemy = g_Enemy[i];
    const HitBox box = MakeHitBox(enemyQuad, enemyInsets);
    const int stageLeft = Truncate(backQuad[0].x);
    const int stageRight = Truncate(backQuad[2].x);
    const bool turnable = Turnable(enemy.nType);

    if (box.left < stageLeft) {
        OffsetQuad(enemyQuad, Gap(box.left, stageLeft), 0.0f);
        if (turnable) {
            if (IsBigJumper(enemy.nType)) {
                // Out at the left, in again at the right, still walking left.
                RebuildBigJumper(enemy, enemyQuad, backQuad[2].x - WRAP_INSIDE, backQuad[2].x + WRAP_OUTSIDE);
            } else {
                enemy.nState = ENEMY_WALK_RIGHT;
            }
        }
    }
    if (box.top < TOP_LIMIT) {
        OffsetQuad(enemyQuad, 0.0f, Gap(box.top, TOP_LIMIT));
    }
    if (stageRight < box.right) {
        OffsetQuad(enemyQuad, Gap(box.right, stageRight), 0.0f);
        if (turnable) {
            if (IsBigJumper(enemy.nType)) {
                RebuildBigJumper(enemy, enemyQuad, backQuad[0].x - WRAP_OUTSIDE, backQuad[0].x + WRAP_INSIDE);
            } else {
                enemy.nState = ENEMY_WALK_LEFT;
            }
        }
    }
    if (box.bottom > BOTTOM_LIMIT) {
        OffsetQuad(enemyQuad, 0.0f, Gap(box.bottom, BOTTOM_LIMIT));
    }
}
