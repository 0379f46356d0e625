// Stage play (scene 31). Every routine draws or changes the objects at once,
// so the order of the calls below is what the player sees: background,
// blocks, HUD and player are drawn where the last frame left them, each shot
// is drawn by its fire routine before it moves, and each enemy decides before
// it is drawn and moves after.
#include "game/play_step.h"

#include "game/collisions.h"
#include "game/enemies.h"
#include "game/hud.h"
#include "game/objects.h"
#include "game/pause.h"
#include "game/player.h"
#include "game/results.h"
#include "game/scene_helpers.h"
#include "game/shots.h"
#include "shell/input.h"
#include "shell/textures.h"

BYTE g_bPause = 0;
VERTEX g_vtxOverlay[4];

namespace {

// Requested or in flight.
bool ShotLive(int state)
{
    return state > SHOT_FREE && state < SHOT_UNUSED;
}

bool EnemyPresent(const GAMEOBJ& enemy)
{
    return enemy.fGroundY > 0.0f;
}

// Defeat animations (1, 30) and empty slots are never hit; the item is.
bool HittableByType(const GAMEOBJ& enemy)
{
    return enemy.nType >= 2 && enemy.nType <= 29;
}

// More than 800 ms since the last hit taken.
bool Unhurt(const GAMEOBJ& obj)
{
    return TimeElapsed(obj.dwHitTime, 800);
}

void TogglePause()
{
    if (InputPause()) {
        if (g_bHoldPause == 0) {
            g_bHoldPause = 1;
            g_bPause = g_bPause ? 0 : 1;
            g_nPauseCode = 0;
        }
    } else {
        g_bHoldPause = 0;
    }
}

void DrawStageAndPlayer()
{
    DrawBackground();
    DrawBlocks();
    DrawHud();
    DrawPlayer();
}

// Nothing moves, nothing is hit, nothing is clamped; a requested shot is
// still spawned so that it shows.
void PausedFrame()
{
    UpdatePause();
    DrawStageAndPlayer();
    for (int k = 0; k < SHOT_SLOTS; ++k) {
        if (ShotLive(g_Player.nShotState[k])) {
            FirePlayerShot(k, &g_Player, &g_PlayerShot[k]);
        }
    }
    for (int i = 0; i < ENEMY_COUNT; ++i) {
        if (!EnemyPresent(g_Enemy[i])) continue;
        DrawEnemy(i);
        for (int k = 0; k < SHOT_SLOTS; ++k) {
            if (ShotLive(g_Enemy[i].nShotState[k])) {
                FireEnemyShot(i, k, &g_Enemy[i], &g_EnemyShot[i][k]);
            }
        }
    }
}

void PlayFrame()
{
    DrawStageAndPlayer();
    UpdatePlayer(&g_Player);
    HitPlayerBlocks();

    for (int k = 0; k < SHOT_SLOTS; ++k) {
        if (!ShotLive(g_Player.nShotState[k])) continue;
        FirePlayerShot(k, &g_Player, &g_PlayerShot[k]);
        MovePlayerShot(k, &g_PlayerShot[k]);
        // A shot that ended in its move is parked and overlaps nothing; an
        // absent slot's parked quad is as harmless.
        for (int i = 0; i < ENEMY_COUNT; ++i) {
            if (Unhurt(g_Enemy[i]) && HittableByType(g_Enemy[i])) {
                HitPlayerShotEnemy(k, i, g_PlayerShot[k].vtx, g_PlayerShot[k].rcHit, g_Enemy[i].vtx,
                                   g_Enemy[i].rcHit);
            }
        }
    }

    for (int i = 0; i < ENEMY_COUNT; ++i) {
        GAMEOBJ& enemy = g_Enemy[i];
        if (!EnemyPresent(enemy)) continue;
        UpdateEnemyAI(i);
        DrawEnemy(i);
        if (enemy.nState > ENEMY_APPEARING) {
            MoveEnemy(i);
            HitEnemyBlocks(i);
            if (Unhurt(enemy) && Unhurt(g_Player) && HittableByType(enemy)) {
                HitEnemyPlayer(i, enemy.vtx, enemy.rcHit, g_Player.vtx, g_Player.rcHit);
            }
        }
        for (int k = 0; k < SHOT_SLOTS; ++k) {
            if (!ShotLive(enemy.nShotState[k])) continue;
            FireEnemyShot(i, k, &enemy, &g_EnemyShot[i][k]);
            MoveEnemyShot(i, k, &g_EnemyShot[i][k]);
            // Only a shot in flight can hurt: a request that nothing answered
            // (a summon that found no place) leaves a record the owner never
            // wrote.
            if (enemy.nShotState[k] == SHOT_FLYING && Unhurt(g_Player) && HittableByType(enemy)) {
                HitEnemyShotPlayer(i, g_EnemyShot[i][k].vtx, g_EnemyShot[i][k].rcHit, g_Player.vtx,
                                   g_Player.rcHit);
            }
        }
    }

    ClampPlayer(g_vtxBack, g_Player.vtx, g_Player.rcHit);
    for (int i = 0; i < ENEMY_COUNT; ++i) {
        if (EnemyPresent(g_Enemy[i])) {
            ClampEnemy(i, g_vtxBack, g_Enemy[i].vtx, g_Enemy[i].rcHit);
        }
    }
}

}  // namespace

void SceneStagePlay()
{
    // The toggle runs during the result sequences too; the dispatch below
    // clears the flag again, so they are never paused.
    TogglePause();

    // Game over wins over a clear in the same frame.
    if (g_Player.nHp < 1) {
        g_bPause = 0;
        GameOver();
        return;
    }
    if (g_nEnemyLeft < 1) {
        g_bPause = 0;
        if (g_nStage == 9) {
            StageClearEnding();
        } else {
            StageClear();
        }
        return;
    }
    if (g_bPause == 1) {
        PausedFrame();
    } else {
        PlayFrame();
    }
}

void DrawBackground()
{
    DrawQuad(g_pTexStageBack, g_vtxBack);
}

void DrawBlocks()
{
    // All 60, parked ones included: a parked quad has no size and shows nothing.
    for (int i = 0; i < BLOCK_COUNT; ++i) {
        DrawQuad(g_pTexBlock, g_Block[i].vtx);
    }
}

void DrawPlayer()
{
    // Facing 0, before the first move, uses the right-facing sheet.
    DrawQuad(g_Player.nFacing > FACING_RIGHT ? g_pTexMyCharL : g_pTexMyCharR, g_Player.vtx);
}

void DrawLoadingScreen(int alpha)
{
    SetFullScreen(g_vtxOverlay, alpha);
    DrawQuad(g_pTexLoading, g_vtxOverlay);
}
