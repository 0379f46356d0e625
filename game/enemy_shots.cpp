// The enemies' shots (bombs that roll, straight and wave shots, rocks from
// above, homing shots) and the boss's summons, which use the same request.
#include <cstdlib>

#include "game/collisions.h"
#include "game/enemies.h"
#include "game/objects.h"
#include "game/scene_helpers.h"
#include "game/shots.h"
#include "shell/textures.h"

int g_nSummonSlot = 0;
int g_nSummonType = 0;

namespace {

enum ShotKind {
    KIND_NONE,
    KIND_BOMB,
    KIND_STRAIGHT,
    KIND_WAVE,
    KIND_ROCK,
    KIND_HOMING,
};

ShotKind KindOf(int ownerType)
{
    switch (ownerType) {
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:
        return KIND_BOMB;
    case ENEMY_SHOOTER:
    case ENEMY_WARPER:
    case ENEMY_FAST_WARPER:
        return KIND_STRAIGHT;
    case ENEMY_WAVE_SHOOTER:
        return KIND_WAVE;
    case ENEMY_ROCK_DROPPER:
    case ENEMY_BIG_ROCK_DROPPER:
        return KIND_ROCK;
    case ENEMY_HOMING:
    case ENEMY_FAST_HOMING:
        return KIND_HOMING;
    default:
        return KIND_NONE;
    }
}

// Placement beside the owner: the right-facing quad spans x2 - inside to
// x2 + outside, the left-facing one x1 - outside to x1 + inside.
struct SideShot {
    float inside, outside, top, bottom;  // top and bottom below the owner's top
    float speed;                         // to the right; left is -speed
    int sound;
};

SideShot SideShotOf(int ownerType)
{
    switch (ownerType) {
    case ENEMY_BOMBER:
    case ENEMY_BOMBER3:      return {20.0f, 44.0f, 25.0f, 75.0f, 3.0f, 11};
    case ENEMY_SHOOTER:
    case ENEMY_WAVE_SHOOTER: return {20.0f, 20.0f, 30.0f, 72.0f, 5.5f, 10};
    case ENEMY_WARPER:       return {20.0f, 20.0f, 30.0f, 72.0f, 6.0f, 9};
    case ENEMY_FAST_WARPER:  return {30.0f, 30.0f, 20.0f, 82.0f, 8.0f, 9};
    case ENEMY_HOMING:       return {10.0f, 8.0f, 30.0f, 48.0f, 4.5f, 13};
    case ENEMY_FAST_HOMING:
    default:                 return {10.0f, 8.0f, 30.0f, 48.0f, 6.0f, 13};
    }
}

const int SOUND_ROCK = 6;
const int SOUND_SUMMON = 12;

const float BOMB_GRAVITY = 0.15f;
const float BOMB_FLOOR_Y = 417.0f;     // fY, and the quad's top, of a bomb on the floor
const float BOMB_HEIGHT = 50.0f;
const float BOMB_THROW_Y = 42.0f;      // fY below the owner's top when thrown
const float SHOT_GROUND_Y = 420.0f;    // never reached; it marks the record as fired
const float WAVE_START_SPEED = 2.0f;
const float WAVE_SPEED = 3.0f;
const float WAVE_TURN = 120.0f;
const float HOMING_BAND = 40.0f;

// The types a summon may bring; any other draw is rejected and retried.
bool Summonable(int type)
{
    switch (type) {
    case ENEMY_HOPPER: case ENEMY_BOMBER: case ENEMY_SHOOTER: case ENEMY_WARPER:
    case ENEMY_ROCK_DROPPER: case ENEMY_HOMING: case ENEMY_BIG_JUMPER: case ENEMY_CHASER:
    case ENEMY_BOMBER3: case ENEMY_WAVE_SHOOTER: case ENEMY_FAST_WARPER:
    case ENEMY_BIG_ROCK_DROPPER: case ENEMY_FAST_HOMING:
        return true;
    default:
        return false;
    }
}

void Park(VERTEX quad[4])
{
    SetQuad(quad, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
}

void SpawnBesideOwner(ShotKind kind, const GAMEOBJ* owner, GAMEOBJ* shot)
{
    const SideShot side = SideShotOf(owner->nType);
    const float x1 = owner->vtx[0].x, y1 = owner->vtx[0].y, x2 = owner->vtx[2].x;
    const bool right = owner->nFacing < FACING_LEFT;  // unset counts as right
    const float left = right ? x2 - side.inside : x1 - side.outside;
    const float rightEdge = right ? x2 + side.outside : x1 + side.inside;
    if (kind == KIND_BOMB) {
        SetQuadDiv2B(shot->vtx, left, y1 + side.top, rightEdge, y1 + side.bottom, 255);
        shot->rcHit = {20, 3, 20, 3};
        shot->fY = y1 + BOMB_THROW_Y;  // one sum: two would round twice
        shot->nJumpState = JUMP_FALLING;
        shot->bAirborne = 1;
        shot->fVy = 0.0f;
        shot->fGravity = BOMB_GRAVITY;
        shot->fGroundY = BOMB_FLOOR_Y;
    } else {
        if (kind == KIND_HOMING) {
            SetQuadDiv4(shot->vtx, left, y1 + side.top, rightEdge, y1 + side.bottom, 255);
        } else {
            SetQuadDiv10A(shot->vtx, left, y1 + side.top, rightEdge, y1 + side.bottom, 255);
        }
        shot->rcHit = {0, 0, 0, 0};
        shot->fGroundY = SHOT_GROUND_Y;
        if (kind == KIND_WAVE) {
            shot->fSpeedY = WAVE_START_SPEED;  // fWave carries on from the last wave shot
        }
    }
    shot->fSpeed = right ? side.speed : -side.speed;
    shot->nFacing = right ? FACING_RIGHT : FACING_LEFT;
    PlaySlot(side.sound, PLAY_EFFECT);
}

// Rocks come from above the screen over the player as it stands now.
void SpawnRock(int ownerType, GAMEOBJ* shot)
{
    const float px1 = g_Player.vtx[0].x, px2 = g_Player.vtx[2].x;
    if (ownerType == ENEMY_ROCK_DROPPER) {
        SetQuad(shot->vtx, px1 + 20.0f, -200.0f, px1 + 70.0f, -150.0f, 255);
        shot->fSpeedY = 8.0f;
    } else {
        SetQuad(shot->vtx, px1, -300.0f, px2, -200.0f, 255);
        shot->fSpeedY = 6.0f;
    }
    shot->rcHit = {0, 0, 0, 0};
    shot->fGroundY = SHOT_GROUND_Y;
    PlaySlot(SOUND_ROCK, PLAY_EFFECT);
}

// One attempt to bring a random enemy into a free slot 0..8. Each attempt
// draws one, two or four numbers; a rejected one leaves the request for the
// next frame.
bool TrySummon()
{
    g_nSummonSlot = rand() % 9;
    GAMEOBJ& slot = g_Enemy[g_nSummonSlot];
    // Free: never used, freed, or still showing a defeat; the boss and the
    // item keep their HP and are never replaced.
    if (slot.nHp >= 1) return false;
    g_nSummonType = rand() % 19;
    if (!Summonable(g_nSummonType)) return false;
    g_nRandX = rand() % 500;
    g_nRandY = rand() % 350;

    PlaySlot(SOUND_SUMMON, PLAY_EFFECT);
    const float x = (float)g_nRandX, y = (float)g_nRandY;
    if (g_nSummonType == ENEMY_BIG_JUMPER) {
        SetQuadDiv10B(slot.vtx, x - 100.0f, y, x + 100.0f, y + 200.0f, 255);
    } else {
        SetQuadDiv10B(slot.vtx, x, y, x + 100.0f, y + 100.0f, 255);
    }
    slot.fY = slot.vtx[0].y;
    slot.nType = g_nSummonType;
    slot.nHp = 1;
    InitEnemyParam(g_nSummonSlot);
    return true;
}

IDirect3DTexture8* ShotTexture(ShotKind kind, const GAMEOBJ* shot)
{
    const bool left = shot->nFacing >= FACING_LEFT;
    switch (kind) {
    case KIND_BOMB: return left ? g_pTexEnemy2AtkL : g_pTexEnemy2AtkR;
    case KIND_STRAIGHT:
    case KIND_WAVE: return left ? g_pTexEnemy3AtkL : g_pTexEnemy3AtkR;
    case KIND_ROCK: return g_pTexEnemy5Atk;
    case KIND_HOMING: return g_pTexEnemy6Atk;
    default: return nullptr;
    }
}

// Wholly beyond either end of the stage; a shot touching an end stays.
bool OffStage(const GAMEOBJ* shot)
{
    return shot->vtx[0].x > g_vtxBack[2].x || shot->vtx[2].x < g_vtxBack[0].x;
}

void FreeShot(int i, int k, GAMEOBJ* shot)
{
    g_Enemy[i].nShotState[k] = SHOT_FREE;
    Park(shot->vtx);
}

void MoveBomb(int i, int k, GAMEOBJ* shot)
{
    MoveQuad(shot->vtx, shot->fSpeed, 0.0f, 0.0f);
    HitEnemyShotBlocks(i, k);
    if (StepShotFall(shot)) {
        SetQuadDiv2B(shot->vtx, shot->vtx[0].x, shot->fY, shot->vtx[2].x, shot->fY + BOMB_HEIGHT, 255);
    }
}

void MoveWave(GAMEOBJ* shot)
{
    MoveQuad(shot->vtx, shot->fSpeed, shot->fSpeedY, 0.0f);
    shot->fWave += shot->fSpeedY;
    if (shot->fWave > WAVE_TURN) shot->fSpeedY = -WAVE_SPEED;
    if (shot->fWave < -WAVE_TURN) shot->fSpeedY = WAVE_SPEED;
}

// Climbs or descends toward the band 40 pixels inside the player's quad.
void MoveHoming(int ownerType, GAMEOBJ* shot)
{
    const float step = ownerType == ENEMY_HOMING ? 0.5f : 1.0f;
    float dy = 0.0f;
    if (shot->vtx[2].y > g_Player.vtx[2].y - HOMING_BAND) {
        dy = -step;
    } else if (shot->vtx[0].y < g_Player.vtx[0].y + HOMING_BAND) {
        dy = step;
    }
    MoveQuad(shot->vtx, shot->fSpeed, dy, 0.0f);
}

}  // namespace

void FireEnemyShot(int /*i*/, int k, GAMEOBJ* owner, GAMEOBJ* shot)
{
    const ShotKind kind = KindOf(owner->nType);
    if (owner->nShotState[k] == SHOT_REQUESTED) {
        if (kind != KIND_NONE) {
            if (kind == KIND_ROCK) {
                SpawnRock(owner->nType, shot);
            } else {
                SpawnBesideOwner(kind, owner, shot);
            }
            shot->nFrame = 9;  // the first animation step maps it into the strip
            owner->nShotState[k] = SHOT_FLYING;
        } else if (owner->nType == ENEMY_BOSS) {
            // A failed attempt leaves the request for the next frame.
            if (TrySummon()) owner->nShotState[k] = SHOT_FREE;
        }
    }
    if (kind != KIND_NONE) {
        DrawQuad(ShotTexture(kind, shot), shot->vtx);
    }
}

void MoveEnemyShot(int i, int k, GAMEOBJ* shot)
{
    const int ownerType = g_Enemy[i].nType;
    const ShotKind kind = KindOf(ownerType);
    if (kind != KIND_NONE && g_Enemy[i].nShotState[k] == SHOT_FLYING) {
        switch (kind) {
        case KIND_BOMB:
            MoveBomb(i, k, shot);
            if (OffStage(shot)) FreeShot(i, k, shot);
            break;
        case KIND_STRAIGHT:
            MoveQuad(shot->vtx, shot->fSpeed, 0.0f, 0.0f);
            if (OffStage(shot)) FreeShot(i, k, shot);
            break;
        case KIND_WAVE:
            MoveWave(shot);
            if (OffStage(shot)) FreeShot(i, k, shot);
            break;
        case KIND_ROCK:
            // Rocks ignore the stage ends; they go when they have fallen past the screen.
            MoveQuad(shot->vtx, 0.0f, shot->fSpeedY, 0.0f);
            if (shot->vtx[0].y > 480.0f) FreeShot(i, k, shot);
            break;
        case KIND_HOMING:
            MoveHoming(ownerType, shot);
            if (OffStage(shot) || shot->vtx[0].y > 480.0f || shot->vtx[2].y < 0.0f) {
                FreeShot(i, k, shot);
            }
            break;
        default:
            break;
        }
    }
    if (TimeElapsed(shot->dwShotAnimTime, 100)) {
        AnimateEnemyShot(i, k, shot);
    }
}

void AnimateEnemyShot(int i, int k, GAMEOBJ* shot)
{
    if (g_Enemy[i].nShotState[k] != SHOT_FLYING) return;
    switch (KindOf(g_Enemy[i].nType)) {
    case KIND_BOMB:
        shot->dwShotAnimTime = g_dwNowTime;
        if (shot->nFrame > 9) shot->nFrame = 0;
        shot->nFrame += 1;
        if (shot->nFrame > 1) shot->nFrame = 0;
        SetQuadFrame(shot->vtx, shot->nFrame, QUAD_U_DIV2);
        break;
    case KIND_STRAIGHT:
    case KIND_WAVE:
        // Fired with the 10-frame builder, shown as frame 0 of a strip of two.
        shot->dwShotAnimTime = g_dwNowTime;
        shot->nFrame = 0;
        SetQuadFrame(shot->vtx, shot->nFrame, QUAD_U_DIV2);
        break;
    case KIND_HOMING:
        shot->dwShotAnimTime = g_dwNowTime;
        if (shot->nFrame > 3) shot->nFrame = 0;
        shot->nFrame += 1;
        if (shot->nFrame > 3) shot->nFrame = 0;
        SetQuadFrame(shot->vtx, shot->nFrame, QUAD_U_DIV4);
        break;
    default:
        // Rocks show their whole picture; their stamp is never renewed.
        break;
    }
}
