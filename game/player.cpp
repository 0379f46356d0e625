// The player: set-up, input, physics, scrolling and animation.
#include "game/player.h"

#include "game/scene_helpers.h"
#include "game/stage_start.h"
#include "shell/input.h"

namespace {

// The player's quad is 100 x 100 on a strip of 20 frames.
const float PLAYER_SIZE = 100.0f;
const float START_LEFT = 250.0f;
const float START_TOP = 350.0f;
const float FLOOR_TOP = 376.0f;  // top-edge y of the quad standing on the floor

const RECT PLAYER_INSETS = {45, 10, 45, 15};

// The view scrolls only while the player's stage x lies strictly between
// these: one screen width, so that either end of the 1280-pixel stage can be
// shown without scrolling past it.
const float SCROLL_LEFT_END = 270.0f;
const float SCROLL_RIGHT_END = 910.0f;
const float SCREEN_WIDTH = 640.0f;

// Enemy shots that were fired once carry a ground line of 417 or 420; records
// that never flew have none and must not drift with the view.
const float FIRED_SHOT_GROUND = 400.0f;

const DWORD ANIM_STEP_MS = 100;
const DWORD ACCEL_STEP_MS = 100;
const DWORD HURT_MS = 800;
const float ACCEL_STEP = 0.5f;

const int ATTACK_SOUND_SLOT = 2;

// One character's values.
struct CharacterData {
    int nMaxHp;
    float fBaseSpeed;
    float fMaxSpeed;
    float fJumpSpeed;
    float fGravity;
    int nShotSlots;  // slots 0 .. n-1 are opened
};

const CharacterData CHARACTERS[5] = {
    {8, 1.0f, 3.5f, -4.5f, 0.15f, 3},
    {6, 1.0f, 3.0f, -5.0f, 0.1f, 3},
    {6, 1.0f, 4.0f, -4.5f, 0.15f, 3},
    {8, 1.0f, 3.5f, -5.0f, 0.1f, 2},
    {6, 3.0f, 6.0f, -5.5f, 0.2f, 1},
};

bool AnySlotBelowFlying(const GAMEOBJ* player)
{
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        if (player->nShotState[k] < SHOT_FLYING) return true;
    }
    return false;
}

// Shifts everything that lives in stage coordinates by dx, the player with
// it, so that the player stays put on screen while the stage slides by.
void ScrollStage(GAMEOBJ* player, float dx)
{
    MoveQuad(player->vtx, dx, 0.0f, 0.0f);
    MoveQuad(g_vtxBack, dx, 0.0f, 0.0f);
    for (int i = 0; i < ENEMY_COUNT; ++i) {
        if (!(g_Enemy[i].fGroundY > 0.0f)) continue;
        MoveQuad(g_Enemy[i].vtx, dx, 0.0f, 0.0f);
        for (int k = 0; k < SHOT_SLOTS; ++k) {
            if (g_EnemyShot[i][k].fGroundY >= FIRED_SHOT_GROUND) {
                MoveQuad(g_EnemyShot[i][k].vtx, dx, 0.0f, 0.0f);
            }
        }
    }
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        MoveQuad(g_Block[b].vtx, dx, 0.0f, 0.0f);
    }
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        MoveQuad(g_PlayerShot[k].vtx, dx, 0.0f, 0.0f);
    }
}

void SetStageBackAt(float dx)
{
    SetQuad(g_vtxBack, (float)g_rcStage.left, (float)g_rcStage.top, (float)g_rcStage.right,
            (float)g_rcStage.bottom, 255);
    if (dx != 0.0f) {
        MoveQuad(g_vtxBack, dx, 0.0f, 0.0f);
    }
}

// The stage at its left end: background and blocks where the data put them.
void PlaceStageAtLeftEnd()
{
    SetStageBackAt(0.0f);
    InitBlocks(255);
}

// The stage at its right end: everything one screen to the left.
void PlaceStageAtRightEnd()
{
    SetStageBackAt(-SCREEN_WIDTH);
    InitBlocks(255);
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        MoveQuad(g_Block[b].vtx, -SCREEN_WIDTH, 0.0f, 0.0f);
    }
}

bool InsideScrollRange(float x)
{
    return x > SCROLL_LEFT_END && x < SCROLL_RIGHT_END;
}

// The drop through a block: Down and jump together, with neither Left nor
// Right. The jump latch is left alone while a side is held, so that the jump
// start below turns that press into an ordinary jump.
void DropThroughBlock(GAMEOBJ* player)
{
    if (player->nJumpState != JUMP_ON_BLOCK) return;
    if (InputJump() && InputDropDown()) {
        if (!InputLeft() && !InputRight() && g_bHoldB == 0) {
            g_bHoldB = 1;
            if (player->bAirborne == 0) {
                player->bAirborne = 1;
                player->nJumpState = JUMP_FALLING;
                player->fVy = 0.0f;
                // Below the block's landing window, so the block pass lets go.
                MoveQuad(player->vtx, 0.0f, 10.0f, 0.0f);
            }
        }
    } else if (!InputJump()) {
        g_bHoldB = 0;
    }
}

void StartJump(GAMEOBJ* player)
{
    if (TakePress(g_bHoldB, InputJump()) && player->bAirborne == 0) {
        player->bAirborne = 1;
        player->nJumpState = JUMP_RISING;
        player->fVy = player->fJumpSpeed;
    }
}

// Gravity, and the floor. Holding jump lets the rise run its course;
// letting go ends the rise in the same frame.
void MoveVertically(GAMEOBJ* player)
{
    if (player->bAirborne != 1) return;
    if (g_bHoldB) {
        player->fVy += player->fGravity;
        player->fY += player->fVy;
        if (player->fVy >= 0.0f) {
            player->nJumpState = JUMP_FALLING;
        }
    } else {
        if (player->fVy < 0.0f) {
            player->fVy = 0.0f;
            player->nJumpState = JUMP_FALLING;
        }
        player->fVy += player->fGravity;
        player->fY += player->fVy;
    }
    MoveQuad(player->vtx, 0.0f, player->fVy, 0.0f);

    if (player->fVy > 0.0f && player->fY >= player->fGroundY) {
        player->bAirborne = 0;
        player->nJumpState = JUMP_ON_GROUND;
        player->fY = player->fGroundY;
        SetQuadDiv20(player->vtx, player->vtx[0].x, player->fGroundY, player->vtx[2].x,
                     player->fGroundY + PLAYER_SIZE, 255);
    }
}

// Holding the way already faced speeds up in steps; anything else on the
// ground drops back to the base speed. The air keeps whatever speed it had.
void UpdateRunSpeed(GAMEOBJ* player)
{
    bool keepsRunning = (player->nFacing == FACING_LEFT && InputLeft()) ||
                        (player->nFacing == FACING_RIGHT && InputRight());
    if (keepsRunning) {
        if (TimeElapsed(player->dwAccelTime, ACCEL_STEP_MS)) {
            player->dwAccelTime = g_dwNowTime;
            player->fSpeed += ACCEL_STEP;
            if (player->fSpeed > player->fMaxSpeed) {
                player->fSpeed = player->fMaxSpeed;
            }
        }
    } else if (player->bAirborne == 0) {
        player->fSpeed = player->fBaseSpeed;
    }
}

// Returns this frame's direction: 0 none, 1 right, 2 left. Left wins.
int MoveHorizontally(GAMEOBJ* player)
{
    if (InputLeft()) {
        MoveQuad(player->vtx, -player->fSpeed, 0.0f, 0.0f);
        player->nFacing = FACING_LEFT;
        g_fScrollX -= player->fSpeed;
        if (g_fScrollX <= SCROLL_LEFT_END) {
            PlaceStageAtLeftEnd();
        }
        if (InsideScrollRange(g_fScrollX)) {
            ScrollStage(player, player->fSpeed);
        }
        return FACING_LEFT;
    }
    if (InputRight()) {
        MoveQuad(player->vtx, player->fSpeed, 0.0f, 0.0f);
        player->nFacing = FACING_RIGHT;
        g_fScrollX += player->fSpeed;
        if (g_fScrollX >= SCROLL_RIGHT_END) {
            PlaceStageAtRightEnd();
        }
        if (InsideScrollRange(g_fScrollX)) {
            ScrollStage(player, -player->fSpeed);
        }
        return FACING_RIGHT;
    }
    return 0;
}

// Shows nFrame of the 20-frame strip.
void ShowFrame(GAMEOBJ* player)
{
    SetQuadFrame(player->vtx, player->nFrame, QUAD_U_DIV20);
}

// The attack's end asks for a shot in the first slot that can take one.
void RequestShot(GAMEOBJ* player)
{
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        if (player->nShotState[k] < SHOT_FLYING) {
            player->nShotState[k] = SHOT_REQUESTED;
            PlaySlot(ATTACK_SOUND_SLOT, PLAY_EFFECT);
            return;
        }
    }
}

}  // namespace

void InitPlayer()
{
    GAMEOBJ& p = g_Player;
    SetQuadDiv20(p.vtx, START_LEFT, START_TOP, START_LEFT + PLAYER_SIZE, START_TOP + PLAYER_SIZE, 255);
    p.rcHit = PLAYER_INSETS;
    p.fSpeed = 0.0f;
    p.nReserved = 0;
    p.nFrame = 0;
    p.nFacing = FACING_UNSET;

    // It starts a little above the floor and falls onto it.
    p.nJumpState = JUMP_FALLING;
    p.bAirborne = 1;
    p.fVy = 0.0f;
    p.fY = START_TOP;
    p.fGroundY = FLOOR_TOP;

    for (int k = 0; k < SHOT_SLOTS; ++k) {
        p.nShotState[k] = SHOT_UNUSED;
        g_PlayerShot[k].fDistance = 0.0f;
    }
    p.bAttack = 0;

    if (p.nType < 1 || p.nType > 5) return;
    const CharacterData& c = CHARACTERS[p.nType - 1];
    // HP carries over from the stage before unless it ran out.
    if (p.nHp < 1) {
        p.nHp = c.nMaxHp;
    }
    p.fBaseSpeed = c.fBaseSpeed;
    p.fMaxSpeed = c.fMaxSpeed;
    p.fJumpSpeed = c.fJumpSpeed;
    p.fGravity = c.fGravity;
    for (int k = 0; k < c.nShotSlots; ++k) {
        p.nShotState[k] = SHOT_FREE;
    }
}

void UpdatePlayer(GAMEOBJ* player)
{
    // The attack starts only when a shot could follow it.
    if (TakePress(g_bHoldA, InputAttack()) && AnySlotBelowFlying(player)) {
        player->bAttack = 1;
    }
    DropThroughBlock(player);
    StartJump(player);
    MoveVertically(player);
    UpdateRunSpeed(player);
    int direction = MoveHorizontally(player);
    AnimatePlayer(player, direction, player);
}

void AnimatePlayer(GAMEOBJ* player, int direction, GAMEOBJ* quadOwner)
{
    if (!TimeElapsed(player->dwAnimTime, ANIM_STEP_MS)) {
        return;
    }
    // Damage comes first; an attack under way waits for it to pass.
    if (!TimeElapsed(player->dwHitTime, HURT_MS)) {
        AnimPlayerDamage(player);
    } else if (player->bAttack == 1) {
        AnimPlayerAttack(player);
    } else if (player->bAirborne == 1) {
        AnimPlayerJump(player);
    } else if (direction == FACING_RIGHT || direction == FACING_LEFT) {
        AnimPlayerWalk(player);
    } else {
        // Standing still shows frame 0 without counting it as a step.
        SetQuadFrame(quadOwner->vtx, 0, QUAD_U_DIV20);
    }
}

void AnimPlayerWalk(GAMEOBJ* player)
{
    player->dwAnimTime = g_dwNowTime;
    if (player->nFrame == 0 || player->nFrame > 6) {
        player->nFrame = 1;
    }
    player->nFrame += 1;
    if (player->nFrame > 6) {
        player->nFrame = 1;
    }
    ShowFrame(player);
}

void AnimPlayerDamage(GAMEOBJ* player)
{
    player->dwAnimTime = g_dwNowTime;
    if (player->nFrame == 9) {
        player->nFrame = 18;
    } else if (player->nFrame == 18) {
        player->nFrame = 9;
    }
    ShowFrame(player);
}

void AnimPlayerJump(GAMEOBJ* player)
{
    player->dwAnimTime = g_dwNowTime;
    if (player->nFrame < 7 || player->nFrame > 8) {
        player->nFrame = 7;
    }
    player->nFrame += 1;
    if (player->nFrame > 8) {
        player->nFrame = 7;
    }
    ShowFrame(player);
}

void AnimPlayerAttack(GAMEOBJ* player)
{
    player->dwAnimTime = g_dwNowTime;
    if (player->nFrame < 10 || player->nFrame > 11) {
        player->nFrame = 10;
    }
    ShowFrame(player);
    player->nFrame += 1;
    if (player->nFrame == 12) {
        player->nFrame = 11;
        player->bAttack = 0;
        RequestShot(player);
    }
}
