// The player's shots, one kind per character: a straight shot with a range
// (1), a shot that stays on its spot for a while (2), a bomb that falls and
// rolls (3), a straight shot without range (4) and a fast zigzag (5).
#include "game/collisions.h"
#include "game/objects.h"
#include "game/scene_helpers.h"
#include "game/shots.h"
#include "shell/textures.h"

namespace {

typedef void (*QuadBuilder)(VERTEX quad[4], float left, float top, float right, float bottom, int alpha);

// Where a kind's quad sits against the player's facing edge: it overlaps the
// player by `overlap` pixels and reaches `reach` pixels past the edge, the
// left-facing quad mirrored about the player's left edge.
struct PlayerShotKind {
    float overlap;
    float reach;
    float top;      // below the player's top
    float bottom;   // below the player's top
    QuadBuilder build;
    RECT rcHit;
    float speed;    // to the right; the left-facing shot flies at -speed
};

const PlayerShotKind kPlayerShotKinds[5] = {
    {20.0f, 22.0f, 30.0f, 72.0f, SetQuadDiv5, {0, 0, 0, 0}, 4.5f},
    {20.0f, 22.0f, 45.0f, 87.0f, SetQuadDiv5, {0, 0, 0, 0}, 0.0f},
    {20.0f, 44.0f, 35.0f, 85.0f, SetQuadDiv10A, {20, 20, 20, 7}, 3.0f},
    {20.0f, 22.0f, 30.0f, 72.0f, SetQuadDiv5, {0, 0, 0, 0}, 4.5f},
    {10.0f, 24.0f, 30.0f, 62.0f, SetQuadDiv4, {0, 0, 0, 0}, 10.0f},
};

const float RANGE_CHAR1 = 200.0f;      // character 1's shot flies this far
const DWORD LIFE_CHAR2 = 5000;         // character 2's shot stays this long, ms
const float BOMB_GRAVITY = 0.15f;
const float BOMB_FLOOR_Y = 420.0f;     // top of a bomb rolling on the floor
const float BOMB_HEIGHT = 50.0f;
const float BOMB_PHYSICS_OFFSET = 7.0f;  // fY below the bomb's top at firing
const float ZIGZAG_SPEED = 5.0f;
const float ZIGZAG_TURN = 20.0f;

// The character whose shots these are: 1..5, or 0 for anything else.
int ShotCharacter(int nType)
{
    return nType >= 1 && nType <= 5 ? nType : 0;
}

const PlayerShotKind* KindOf(int character)
{
    return character ? &kPlayerShotKinds[character - 1] : nullptr;
}

void PlaceShot(int character, const GAMEOBJ* player, GAMEOBJ* shot)
{
    const PlayerShotKind& kind = *KindOf(character);
    const float x1 = player->vtx[0].x, y1 = player->vtx[0].y, x2 = player->vtx[2].x;
    const bool right = player->nFacing <= FACING_RIGHT;
    if (right) {
        kind.build(shot->vtx, x2 - kind.overlap, y1 + kind.top, x2 + kind.reach, y1 + kind.bottom, 255);
    } else {
        kind.build(shot->vtx, x1 - kind.reach, y1 + kind.top, x1 + kind.overlap, y1 + kind.bottom, 255);
    }
    shot->rcHit = kind.rcHit;
    shot->fSpeed = right ? kind.speed : -kind.speed;

    if (character == 3) {
        shot->fY = y1 + kind.top + BOMB_PHYSICS_OFFSET;
        shot->nJumpState = JUMP_FALLING;   // it drops at once; it never rises
        shot->bAirborne = 1;
        shot->fVy = 0.0f;
        shot->fGravity = BOMB_GRAVITY;
        shot->fGroundY = BOMB_FLOOR_Y;
        shot->nFacing = right ? FACING_RIGHT : FACING_LEFT;
        shot->nFrame = 9;                  // the first animation step maps it into the slot's frames
    } else if (character == 5) {
        shot->fSpeedY = ZIGZAG_SPEED;      // downwards first
        shot->nFacing = right ? FACING_RIGHT : FACING_LEFT;
    }
}

IDirect3DTexture8* ShotTexture(int character, const GAMEOBJ* shot)
{
    switch (character) {
    case 1: return g_pTexMyChar1Atk;
    case 2: return g_pTexMyChar2Atk;
    case 3: return shot->nFacing > FACING_RIGHT ? g_pTexMyChar3AtkL : g_pTexMyChar3AtkR;
    case 4: return g_pTexMyChar4Atk;
    // The zigzag's sheet follows the direction it was fired in, not where
    // the player looks now.
    case 5: return shot->nFacing > FACING_RIGHT ? g_pTexMyChar5AtkL : g_pTexMyChar5AtkR;
    default: return nullptr;
    }
}

// Frees slot k; characters 1, 4 and 5 also clear the distance flown.
void EndShot(int k, GAMEOBJ* shot, int character, bool clearDistance)
{
    g_Player.nShotState[k] = SHOT_FREE;
    if (clearDistance) {
        shot->fDistance = 0.0f;
    }
    KindOf(character)->build(shot->vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
}

// Wholly beyond either end of the stage; a shot touching an end stays.
bool OffStage(const GAMEOBJ* shot)
{
    return g_vtxBack[2].x < shot->vtx[0].x || shot->vtx[2].x < g_vtxBack[0].x;
}

void MoveBomb(int k, GAMEOBJ* shot)
{
    MoveQuad(shot->vtx, shot->fSpeed, 0.0f, 0.0f);
    HitPlayerShotBlocks(k);
    if (StepShotFall(shot)) {
        SetQuadDiv10A(shot->vtx, shot->vtx[0].x, BOMB_FLOOR_Y, shot->vtx[2].x, BOMB_FLOOR_Y + BOMB_HEIGHT, 255);
    }
}

}  // namespace

bool StepShotFall(GAMEOBJ* shot)
{
    if (shot->bAirborne != 1) return false;
    shot->fVy += shot->fGravity;
    shot->fY += shot->fVy;
    if (shot->fVy >= 0.0f) {
        shot->nJumpState = JUMP_FALLING;
    }
    MoveQuad(shot->vtx, 0.0f, shot->fVy, 0.0f);
    if (shot->fVy > 0.0f && shot->fY >= shot->fGroundY) {
        shot->bAirborne = 0;
        shot->nJumpState = JUMP_ON_GROUND;
        shot->fY = shot->fGroundY;
        return true;
    }
    return false;
}

void FirePlayerShot(int k, GAMEOBJ* player, GAMEOBJ* shot)
{
    const int character = ShotCharacter(player->nType);
    if (character == 0) return;
    if (player->nShotState[k] == SHOT_REQUESTED) {
        PlaceShot(character, player, shot);
        player->nShotState[k] = SHOT_FLYING;
        shot->dwShotTime = g_dwNowTime;
    }
    DrawQuad(ShotTexture(character, shot), shot->vtx);
}

void MovePlayerShot(int k, GAMEOBJ* shot)
{
    const int character = ShotCharacter(g_Player.nType);
    if (character == 0) return;
    if (g_Player.nShotState[k] == SHOT_FLYING) {
        // Only the shots that count their distance clear it when they end.
        const bool clearDistance = character != 2 && character != 3;
        switch (character) {
        case 1:
            MoveQuad(shot->vtx, shot->fSpeed, 0.0f, 0.0f);
            shot->fDistance += shot->fSpeed;
            if (shot->fDistance <= -RANGE_CHAR1 || shot->fDistance >= RANGE_CHAR1) {
                EndShot(k, shot, character, true);
            }
            break;
        case 2:
            // Its speed is 0: it only follows the view when it scrolls.
            MoveQuad(shot->vtx, shot->fSpeed, 0.0f, 0.0f);
            if (TimeElapsed(shot->dwShotTime, LIFE_CHAR2)) {
                EndShot(k, shot, character, false);
            }
            break;
        case 3:
            MoveBomb(k, shot);
            break;
        case 4:
            MoveQuad(shot->vtx, shot->fSpeed, 0.0f, 0.0f);
            shot->fDistance += shot->fSpeed;
            break;
        case 5:
            MoveQuad(shot->vtx, shot->fSpeed, shot->fSpeedY, 0.0f);
            shot->fDistance += shot->fSpeed;
            shot->fWave += shot->fSpeedY;
            if (shot->fWave > ZIGZAG_TURN) shot->fSpeedY = -ZIGZAG_SPEED;
            if (shot->fWave < -ZIGZAG_TURN) shot->fSpeedY = ZIGZAG_SPEED;
            break;
        }
        if (g_Player.nShotState[k] == SHOT_FLYING && OffStage(shot)) {
            EndShot(k, shot, character, clearDistance);
        }
    }
    if (TimeElapsed(shot->dwShotAnimTime, 100)) {
        AnimatePlayerShot(k, shot);
    }
}

void AnimatePlayerShot(int k, GAMEOBJ* shot)
{
    const int character = ShotCharacter(g_Player.nType);
    if (character == 0 || g_Player.nShotState[k] != SHOT_FLYING) return;
    switch (character) {
    case 1:
    case 4:
    case 5:
        // Frames 1, 2, 3, 0, ...: the strip's last frame (if any) is never shown.
        shot->dwShotAnimTime = g_dwNowTime;
        if (shot->nFrame > 3) shot->nFrame = 0;
        shot->nFrame += 1;
        if (shot->nFrame > 3) shot->nFrame = 0;
        SetQuadFrame(shot->vtx, shot->nFrame, character == 5 ? QUAD_U_DIV4 : QUAD_U_DIV5);
        break;
    case 2:
        // The stamp is left alone, so this runs every frame; slot k shows frame k.
        shot->nFrame = k;
        SetQuadFrame(shot->vtx, shot->nFrame, QUAD_U_DIV5);
        break;
    case 3: {
        // Each slot has three frames of its own: 0-2, 3-5, 6-8.
        const int first = 3 * k, last = first + 2;
        shot->dwShotAnimTime = g_dwNowTime;
        if (shot->nFrame > 9) shot->nFrame = first;
        shot->nFrame += 1;
        if (shot->nFrame > last) shot->nFrame = first;
        SetQuadFrame(shot->vtx, shot->nFrame, QUAD_U_DIV10);
        break;
    }
    }
}
