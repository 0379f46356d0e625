// Hit boxes, landing on blocks, the hit tests with their sounds and windows,
// the item and the stage-edge clamps, called directly on records set up by
// hand; and the 800-ms window at its edge through the play step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/collisions.h"
#include "game/objects.h"
#include "game/play_step.h"
#include "game/player.h"
#include "game/scene.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/sound.h"

namespace {

const RECT kPlayerInsets = {45, 10, 45, 15};
const RECT kEnemyInsets = {40, 10, 40, 15};

class Collisions : public ::testing::Test {
protected:
    Collisions() {
        headless_sound::AcceptMissingFiles(true);
        g_nCharacter = 1;
        LoadGameSounds();
        headless_sound::ClearEvents();
        g_dwNowTime = 100000;
        for (GAMEOBJ& b : g_Block) {
            SetQuad(b.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
            b.rcHit = {0, 0, 0, 0};
        }
        g_Player.nType = 1;
        g_Player.nHp = 8;
        PlacePlayer(200, 200);
    }

    static void PlaceBlock(int b, float left, float top) {
        SetQuad(g_Block[b].vtx, left, top, left + 64, top + 20, 255);
    }
    static void ParkBlock(int b) { SetQuad(g_Block[b].vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255); }

    // The player's quad at (x, y), falling.
    static void PlacePlayer(float x, float y) {
        SetQuadDiv20(g_Player.vtx, x, y, x + 100, y + 100, 255);
        g_Player.rcHit = kPlayerInsets;
        g_Player.nJumpState = JUMP_FALLING;
        g_Player.bAirborne = 1;
        g_Player.fVy = 1.25f;
        g_Player.fY = y - 3.0f;  // physics y and quad need not agree
    }

    static GAMEOBJ& PlaceEnemy(int i, int type, float x, float y, float size = 100.0f) {
        GAMEOBJ& e = g_Enemy[i];
        SetQuadDiv10B(e.vtx, x, y, x + size, y + size, 255);
        e.rcHit = kEnemyInsets;
        e.nType = type;
        e.nState = ENEMY_WALK_LEFT;
        e.nHp = 2;
        e.fGroundY = 376.0f;
        e.fSpeed = 1.5f;
        e.nJumpState = JUMP_FALLING;
        e.bAirborne = 1;
        e.fVy = 2.0f;
        e.fY = y;
        return e;
    }

    // A small shot whose hit box is its quad.
    static void PlaceShot(GAMEOBJ& shot, float left, float top, float right, float bottom) {
        SetQuadDiv10A(shot.vtx, left, top, right, bottom, 255);
        shot.rcHit = {0, 0, 0, 0};
    }

    static bool Parked(const VERTEX q[4]) {
        for (int v = 0; v < 4; ++v)
            if (q[v].x != QUAD_PARK || q[v].y != QUAD_PARK) return false;
        return true;
    }
    static std::vector<std::string> Plays() { return headless_sound::Log("play"); }

    static void ShotHitsPlayer() {
        HitEnemyShotPlayer(0, g_EnemyShot[0][0].vtx, g_EnemyShot[0][0].rcHit, g_Player.vtx, g_Player.rcHit);
    }

    Scenario platform_;
};

// The player's box is x1 + 45 .. x2 - 45 by y1 + 10 .. y2 - 15, from the
// truncated corners; boxes that only touch overlap.
TEST_F(Collisions, HitBoxTruncatesTowardZeroAndTouchingBoxesOverlap) {
    struct Case {
        float px, py;                  // player quad's top-left
        float l, t, r, b;              // shot quad = its box (before truncation)
        bool hit;
    } cases[] = {
        {-0.5f, 200, 0, 250, 44.9f, 260, false},  // player left is 0 + 45, shot right 44
        {-0.5f, 200, 0, 250, 45.0f, 260, true},   // right edge on left edge
        {-1.5f, 200, 0, 250, 44.9f, 260, true},   // -1.5 truncates to -1: left 44
        {100, 200, 155, 250, 170, 260, true},     // left edge on right edge (155)
        {100, 200, 155.9f, 250, 170, 260, true},  // 155.9 truncates to 155
        {100, 200, 156, 250, 170, 260, false},
        {100, 200, 140, 150, 160, 210.0f, true},  // bottom on top (210)
        {100, 200, 140, 150, 160, 209.9f, false},
        {100, 200, 140, 285, 160, 300, true},     // top on bottom (285)
        {100, 200, 140, 285.5f, 160, 300, true},
        {100, 200, 140, 286, 160, 300, false},
        {100, 200, 155, 285, 170, 300, true},     // corner on corner
        {100, 200, 156, 285, 170, 300, false},
    };
    for (const Case& c : cases) {
        PlacePlayer(c.px, c.py);
        g_Player.nHp = 8;
        PlaceShot(g_EnemyShot[0][0], c.l, c.t, c.r, c.b);
        ShotHitsPlayer();
        EXPECT_EQ(g_Player.nHp, c.hit ? 7 : 8) << c.px << " " << c.l << "," << c.t << "," << c.r << "," << c.b;
    }
}

// A falling mover lands when its box's bottom lies from the block's top to
// 8 pixels below it; the quad is rebuilt standing on the block.
TEST_F(Collisions, PlayerLandsOnABlockWithinTheEightPixelWindow) {
    PlaceBlock(5, 150, 300);
    for (int bottom = 296; bottom <= 312; ++bottom) {
        PlacePlayer(140.5f, (float)(bottom + 15 - 100));
        g_Player.nFrame = 7;
        g_Player.dwAnimTime = 5;
        LandPlayerOnBlock(g_Player.vtx, g_Player.rcHit, g_Block[5].vtx, g_Block[5].rcHit);
        const bool lands = bottom >= 300 && bottom <= 308;
        EXPECT_EQ(g_Player.nJumpState, lands ? JUMP_ON_BLOCK : JUMP_FALLING) << bottom;
        // After a landing the mover rests on the block.
        EXPECT_EQ(CheckOffBlock(g_Player.vtx, g_Player.rcHit, g_Block[5].vtx, g_Block[5].rcHit), !lands)
            << bottom;
        if (!lands) continue;
        EXPECT_EQ(g_Player.bAirborne, 0);
        EXPECT_EQ(g_Player.vtx[0].x, 140.5f);
        EXPECT_EQ(g_Player.vtx[2].x, 240.5f);
        EXPECT_EQ(g_Player.vtx[0].y, 215.0f);
        EXPECT_EQ(g_Player.vtx[2].y, 315.0f);
        EXPECT_EQ(g_Player.nFrame, 1);
        EXPECT_EQ(g_Player.vtx[0].tu, 0.05f);
        EXPECT_EQ(g_Player.vtx[2].tu, 0.1f);
        EXPECT_EQ(g_Player.dwAnimTime, g_dwNowTime);
        EXPECT_EQ(g_Player.fY, (float)(bottom + 15 - 100) - 3.0f);  // physics untouched
        EXPECT_EQ(g_Player.fVy, 1.25f);
    }
}

TEST_F(Collisions, OnlyAFallingPlayerLandsAndTheDamageFrameIsKept) {
    PlaceBlock(5, 150, 300);
    PlacePlayer(140, 200);  // box bottom 285 ... moved to 304
    MoveQuad(g_Player.vtx, 0, 19, 0);
    g_Player.nJumpState = JUMP_RISING;
    LandPlayerOnBlock(g_Player.vtx, g_Player.rcHit, g_Block[5].vtx, g_Block[5].rcHit);
    EXPECT_EQ(g_Player.nJumpState, JUMP_RISING);
    EXPECT_EQ(g_Player.vtx[0].y, 219.0f);

    // Hit 800 ms ago: still in the window; the builder's frame 0 shows.
    g_Player.nJumpState = JUMP_FALLING;
    g_Player.nFrame = 9;
    g_Player.dwHitTime = g_dwNowTime - 800;
    g_Player.dwAnimTime = 7;
    LandPlayerOnBlock(g_Player.vtx, g_Player.rcHit, g_Block[5].vtx, g_Block[5].rcHit);
    EXPECT_EQ(g_Player.nJumpState, JUMP_ON_BLOCK);
    EXPECT_EQ(g_Player.nFrame, 9);
    EXPECT_EQ(g_Player.vtx[0].tu, 0.0f);
    EXPECT_EQ(g_Player.vtx[1].tu, 0.05f);
    EXPECT_EQ(g_Player.dwAnimTime, 7u);
    EXPECT_EQ(g_Player.vtx[2].y, 315.0f);
}

// Among candidate blocks the lowest index wins; the mover is then carried
// by any block it rests on, and falls from rest when none is left.
TEST_F(Collisions, PlayerBlockPassLandsSupportsAndLetsGo) {
    PlaceBlock(5, 150, 304);
    PlaceBlock(25, 190, 300);
    PlacePlayer(150, 221);  // box 195..205 by 231..306
    HitPlayerBlocks();
    EXPECT_EQ(g_Player.nJumpState, JUMP_ON_BLOCK);
    EXPECT_EQ(g_Player.vtx[2].y, 304.0f + 15.0f);

    ParkBlock(5);  // now 4 pixels into block 25: still carried
    HitPlayerBlocks();
    EXPECT_EQ(g_Player.nJumpState, JUMP_ON_BLOCK);
    EXPECT_EQ(g_Player.bAirborne, 0);

    ParkBlock(25);
    g_Player.fVy = 3.0f;
    HitPlayerBlocks();
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
    EXPECT_EQ(g_Player.bAirborne, 1);
    EXPECT_EQ(g_Player.fVy, 0.0f);

    // A drop puts the box 10 pixels into the block: it falls through.
    PlaceBlock(5, 150, 300);
    PlacePlayer(150, 215);  // bottom on the block's top
    HitPlayerBlocks();
    ASSERT_EQ(g_Player.nJumpState, JUMP_ON_BLOCK);
    MoveQuad(g_Player.vtx, 0, 10, 0);
    g_Player.nJumpState = JUMP_FALLING;
    g_Player.bAirborne = 1;
    HitPlayerBlocks();
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
    EXPECT_EQ(g_Player.vtx[2].y, 325.0f);
}

TEST_F(Collisions, EnemiesLandOnBlocksByType) {
    PlaceBlock(5, 150, 300);
    struct Case {
        int type;
        bool lands;
        int frame;
        int state;  // nState afterwards (placed walking left)
        BYTE attack;
    } cases[] = {
        {ENEMY_HOPPER, true, 1, 1, 0},        {ENEMY_SHOOTER, true, 1, 1, 0},
        {ENEMY_ITEM, true, 1, 1, 0},          {ENEMY_WARPER, true, 2, 2, 1},
        {ENEMY_FAST_WARPER, true, 2, 2, 1},   {ENEMY_ROCK_DROPPER, true, 0, 1, 0},
        {ENEMY_BIG_ROCK_DROPPER, true, 0, 1, 0}, {ENEMY_BOSS, true, 0, 7, 0},
        {ENEMY_BIG_JUMPER, false, 0, 1, 0},   {ENEMY_FAST_BIG_JUMPER, false, 0, 1, 0},
    };
    PlacePlayer(300, 100);  // right of the enemies: warpers turn right
    for (const Case& c : cases) {
        GAMEOBJ& e = PlaceEnemy(3, c.type, 140.5f, 198);  // box bottom 283 ... 303
        OffsetQuad(e.vtx, 0, 20);
        e.bAttack = 0;
        e.nFrame = 5;
        e.dwAnimTime = 1;
        HitEnemyBlocks(3);
        EXPECT_EQ(e.nJumpState, c.lands ? JUMP_ON_BLOCK : JUMP_FALLING) << c.type;
        EXPECT_EQ(e.nState, c.state) << c.type;
        EXPECT_EQ(e.bAttack, c.attack) << c.type;
        if (!c.lands) {
            EXPECT_EQ(e.vtx[0].y, 218.0f);
            continue;
        }
        EXPECT_EQ(e.vtx[0].x, 140.5f);
        EXPECT_EQ(e.vtx[0].y, 215.0f) << c.type;
        EXPECT_EQ(e.vtx[2].y, 315.0f) << c.type;
        EXPECT_EQ(e.nFrame, c.frame) << c.type;
        EXPECT_EQ(e.vtx[0].tu, c.frame * 0.1f) << c.type;
        EXPECT_EQ(e.vtx[1].tu, c.frame * 0.1f + 0.1f) << c.type;
        EXPECT_EQ(e.dwAnimTime, g_dwNowTime);
        EXPECT_EQ(e.fVy, c.attack ? 0.0f : 2.0f) << c.type;
    }
    // A warper with the player to its left turns left.
    PlacePlayer(0, 100);
    GAMEOBJ& w = PlaceEnemy(3, ENEMY_WARPER, 140, 218);
    w.nState = ENEMY_WALK_RIGHT;
    HitEnemyBlocks(3);
    EXPECT_EQ(w.nState, ENEMY_WALK_LEFT);
}

// Standing on nothing: hoppers and chasers fall, a bomber falls or turns by
// the shared decision value, bombers of three and shooters turn back, the
// rest stand in the air.
TEST_F(Collisions, EnemiesOffTheirBlockFallTurnOrStay) {
    struct Case {
        int type;
        int rand;
        enum { Falls, Turns, Stays } what;
    } cases[] = {
        {ENEMY_HOPPER, 9, Case::Falls},       {ENEMY_CHASER, 9, Case::Falls},
        {ENEMY_BOMBER, 3, Case::Falls},       {ENEMY_BOMBER, 4, Case::Turns},
        {ENEMY_SHOOTER, 0, Case::Turns},      {ENEMY_BOMBER3, 0, Case::Turns},
        {ENEMY_WAVE_SHOOTER, 0, Case::Turns}, {ENEMY_WARPER, 0, Case::Stays},
        {ENEMY_ROCK_DROPPER, 0, Case::Stays}, {ENEMY_HOMING, 0, Case::Stays},
        {ENEMY_BOSS, 0, Case::Stays},         {ENEMY_ITEM, 0, Case::Stays},
    };
    for (const Case& c : cases) {
        for (int state : {ENEMY_WALK_LEFT, ENEMY_WALK_RIGHT, ENEMY_STANDING}) {
            g_nRand = c.rand;
            GAMEOBJ& e = PlaceEnemy(4, c.type, 300.25f, 200);
            e.nJumpState = JUMP_ON_BLOCK;
            e.bAirborne = 0;
            e.nState = state;
            HitEnemyBlocks(4);
            EXPECT_EQ(g_nRand, c.rand);
            if (c.what == Case::Falls) {
                EXPECT_EQ(e.nJumpState, JUMP_FALLING) << c.type;
                EXPECT_EQ(e.bAirborne, 1);
                EXPECT_EQ(e.fVy, 0.0f);
                EXPECT_EQ(e.nState, state);
                continue;
            }
            EXPECT_EQ(e.nJumpState, JUMP_ON_BLOCK) << c.type;
            EXPECT_EQ(e.bAirborne, 0);
            float dx = 0.0f;
            int turned = state;
            if (c.what == Case::Turns && state == ENEMY_WALK_LEFT) {
                dx = 3.5f;
                turned = ENEMY_WALK_RIGHT;
            } else if (c.what == Case::Turns && state == ENEMY_WALK_RIGHT) {
                dx = -3.5f;
                turned = ENEMY_WALK_LEFT;
            }
            EXPECT_EQ(e.nState, turned) << c.type << " state " << state;
            EXPECT_EQ(e.vtx[0].x, 300.25f + dx) << c.type << " state " << state;
            EXPECT_EQ(e.vtx[2].x, 400.25f + dx);
        }
    }
}

TEST_F(Collisions, ShotsLandOnBlocksWithTheirFrame) {
    PlaceBlock(45, 150, 300);
    for (int k = 0; k < 3; ++k) {
        GAMEOBJ& s = g_PlayerShot[k];
        PlaceShot(s, 170, 260, 190, 305);
        s.nJumpState = JUMP_FALLING;
        HitPlayerShotBlocks(k);
        EXPECT_EQ(s.nJumpState, JUMP_ON_BLOCK);
        EXPECT_EQ(s.vtx[0].y, 250.0f);
        EXPECT_EQ(s.vtx[2].y, 300.0f);
        EXPECT_EQ(s.nFrame, 3 * k);
        EXPECT_EQ(s.vtx[0].tu, 3 * k * 0.1f);
        EXPECT_EQ(s.vtx[1].tu, 3 * k * 0.1f + 0.1f);
    }
    GAMEOBJ& bomb = g_EnemyShot[7][2];
    SetQuadDiv10A(bomb.vtx, 165, 250, 215, 300, 255);
    bomb.rcHit = {10, 10, 10, 4};  // bottom inset: stands 4 pixels into the block
    bomb.nJumpState = JUMP_FALLING;
    bomb.nFrame = 1;
    OffsetQuad(bomb.vtx, 0, 8);
    HitEnemyShotBlocks(7, 2);
    EXPECT_EQ(bomb.nJumpState, JUMP_ON_BLOCK);
    EXPECT_EQ(bomb.vtx[0].y, 254.0f);
    EXPECT_EQ(bomb.vtx[2].y, 304.0f);
    EXPECT_EQ(bomb.nFrame, 0);
    EXPECT_EQ(bomb.vtx[1].tu, 0.5f);

    // Off the block: both fall from rest.
    ParkBlock(45);
    bomb.fVy = 2.0f;
    HitEnemyShotBlocks(7, 2);
    EXPECT_EQ(bomb.nJumpState, JUMP_FALLING);
    EXPECT_EQ(bomb.bAirborne, 1);
    EXPECT_EQ(bomb.fVy, 0.0f);
    HitPlayerShotBlocks(1);
    EXPECT_EQ(g_PlayerShot[1].nJumpState, JUMP_FALLING);
}

TEST_F(Collisions, PlayerShotHurtsThenDefeatsAnEnemyAndIsSpent) {
    GAMEOBJ& e = PlaceEnemy(6, ENEMY_HOPPER, 300, 200);
    SetQuadFrame(e.vtx, 3, QUAD_U_DIV10);
    GAMEOBJ& shot = g_PlayerShot[2];
    auto fire = [&shot] {
        PlaceShot(shot, 330, 240, 345, 250);
        shot.fDistance = 40.0f;
        g_Player.nShotState[2] = SHOT_FLYING;
    };
    auto hit = [&shot, &e] { HitPlayerShotEnemy(2, 6, shot.vtx, shot.rcHit, e.vtx, e.rcHit); };

    fire();
    hit();
    EXPECT_EQ(e.nHp, 1);
    EXPECT_EQ(e.nType, ENEMY_HOPPER);
    EXPECT_EQ(e.dwHitTime, g_dwNowTime);
    EXPECT_EQ(e.nFrame, 8);
    EXPECT_EQ(e.vtx[0].tu, 3 * 0.1f);  // the enemy's animation draws frame 8
    EXPECT_EQ(g_Player.nShotState[2], SHOT_FREE);
    EXPECT_EQ(shot.fDistance, 0.0f);
    EXPECT_TRUE(Parked(shot.vtx));
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/SE12.tov secondary once"});

    g_dwNowTime += 900;
    fire();
    hit();
    EXPECT_EQ(e.nHp, 0);
    EXPECT_EQ(e.nType, ENEMY_DEFEATED);
    EXPECT_EQ(e.nFrame, 0);
    EXPECT_EQ(e.vtx[0].tu, 0.0f);
    EXPECT_EQ(e.vtx[2].tu, 0.1f);
    EXPECT_EQ(e.dwAnimTime, g_dwNowTime);
    EXPECT_EQ(e.dwStateTime, g_dwNowTime);
    EXPECT_EQ(e.dwHitTime, g_dwNowTime - 900);
    EXPECT_EQ(e.fGroundY, 376.0f);  // removed later by its own animation
    EXPECT_EQ(g_Player.nShotState[2], SHOT_FREE);
    EXPECT_EQ(Plays().size(), 2u);
}

// Shots pass through the item and through an enemy still appearing; one
// that misses flies on.
TEST_F(Collisions, PlayerShotPassesTheItemAnAppearingEnemyAndMisses) {
    GAMEOBJ& shot = g_PlayerShot[0];
    for (int c = 0; c < 3; ++c) {
        GAMEOBJ& e = PlaceEnemy(1, c == 0 ? ENEMY_ITEM : ENEMY_HOPPER, 300, 200);
        if (c == 1) e.nState = ENEMY_APPEARING;
        // The enemy's box starts at x 340.
        if (c == 2) {
            PlaceShot(shot, 325, 240, 339.9f, 250);
        } else {
            PlaceShot(shot, 335, 240, 345, 250);
        }
        g_Player.nShotState[0] = SHOT_FLYING;
        HitPlayerShotEnemy(0, 1, shot.vtx, shot.rcHit, e.vtx, e.rcHit);
        EXPECT_EQ(e.nHp, 2) << c;
        EXPECT_EQ(g_Player.nShotState[0], SHOT_FLYING) << c;
        EXPECT_FALSE(Parked(shot.vtx));
    }
    EXPECT_TRUE(Plays().empty());
}

// The boss leaps away by a fixed offset for each hit it survives, with no
// window of its own; the fifth hit stops all playback and plays its fall.
TEST_F(Collisions, BossJumpsAwayFourTimesAndFallsOnTheFifthHit) {
    GAMEOBJ& boss = PlaceEnemy(0, ENEMY_BOSS, 700, 300);
    boss.nHp = 5;
    boss.nState = ENEMY_STANDING;
    boss.nJumpState = JUMP_ON_BLOCK;
    boss.bAirborne = 0;
    boss.dwHitTime = 4321;
    const float moves[4][2] = {{600, 300}, {-600, -400}, {-500, 300}, {500, -400}};
    float x = 700, y = 300;
    for (int h = 0; h < 4; ++h) {
        PlaceShot(g_PlayerShot[1], x + 45, y + 50, x + 55, y + 60);
        g_Player.nShotState[1] = SHOT_FLYING;
        boss.rcHit = kEnemyInsets;
        HitPlayerShotEnemy(1, 0, g_PlayerShot[1].vtx, g_PlayerShot[1].rcHit, boss.vtx, boss.rcHit);
        x += moves[h][0];
        y += moves[h][1];
        EXPECT_EQ(boss.nHp, 4 - h);
        EXPECT_EQ(boss.nType, ENEMY_BOSS);
        EXPECT_EQ(boss.vtx[0].x, x) << h;
        EXPECT_EQ(boss.vtx[0].y, y) << h;
        EXPECT_EQ(boss.fY, y);
        EXPECT_EQ(boss.rcHit.left, 40);
        EXPECT_EQ(boss.rcHit.bottom, 15);
        EXPECT_EQ(boss.nJumpState, JUMP_FALLING);
        EXPECT_EQ(boss.bAirborne, 1);
        EXPECT_EQ(boss.fVy, 2.0f);
        EXPECT_EQ(boss.dwHitTime, 4321u);
        EXPECT_EQ(g_Player.nShotState[1], SHOT_FREE);
    }
    EXPECT_EQ(Plays(), std::vector<std::string>(4, "play date/SE18.tov secondary once"));

    headless_sound::ClearEvents();
    PlaceShot(g_PlayerShot[1], x + 45, y + 50, x + 55, y + 60);
    g_Player.nShotState[1] = SHOT_FLYING;
    HitPlayerShotEnemy(1, 0, g_PlayerShot[1].vtx, g_PlayerShot[1].rcHit, boss.vtx, boss.rcHit);
    EXPECT_EQ(boss.nType, ENEMY_BOSS_DEFEATED);
    EXPECT_EQ(boss.nFrame, 0);
    EXPECT_EQ(boss.dwStateTime, g_dwNowTime);
    EXPECT_EQ(headless_sound::Log(), (std::vector<std::string>{"stop all", "play date/SE35.tov secondary once"}));
}

TEST_F(Collisions, ItemRefillsToTheCharactersMaximumAndIsParked) {
    struct Case {
        int character, hp, after;
    } cases[] = {{1, 1, 8}, {4, 1, 8}, {2, 1, 6}, {3, 1, 6}, {5, 1, 6}, {1, 8, 8}, {2, 6, 6}, {5, -1, 6}};
    for (const Case& c : cases) {
        g_Player.nType = c.character;
        g_Player.nHp = c.hp;
        PlacePlayer(200, 276);
        GAMEOBJ& item = PlaceEnemy(8, ENEMY_ITEM, 205, 266);
        item.nHp = 1;
        item.nState = ENEMY_STANDING;
        HitEnemyPlayer(8, item.vtx, item.rcHit, g_Player.vtx, g_Player.rcHit);
        EXPECT_EQ(g_Player.nHp, c.after) << c.character << " " << c.hp;
        EXPECT_TRUE(Parked(item.vtx));
        EXPECT_EQ(item.fGroundY, 376.0f);
        EXPECT_EQ(item.nType, ENEMY_ITEM);
        EXPECT_EQ(item.nHp, 1);
        EXPECT_EQ(g_Player.dwHitTime, 0u);
        // Parked, it is out of reach.
        HitEnemyPlayer(8, item.vtx, item.rcHit, g_Player.vtx, g_Player.rcHit);
        EXPECT_EQ(g_Player.nHp, c.after);
    }
    EXPECT_EQ(Plays(), std::vector<std::string>(8, "play date/SE31.tov secondary once"));
}

// Damage: one HP, the hurt sound, the stamps and frame 9; HP may reach 0.
// An enemy shot that hits flies on.
TEST_F(Collisions, BodiesAndShotsDamageThePlayer) {
    GAMEOBJ& e = PlaceEnemy(2, ENEMY_CHASER, 210, 200);
    g_Player.nHp = 2;
    g_Player.nFrame = 3;
    HitEnemyPlayer(2, e.vtx, e.rcHit, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_Player.nHp, 1);
    EXPECT_EQ(g_Player.nFrame, 9);
    EXPECT_EQ(g_Player.vtx[0].tu, 9 * 0.05f);
    EXPECT_EQ(g_Player.vtx[1].tu, 9 * 0.05f + 0.05f);
    EXPECT_EQ(g_Player.dwHitTime, g_dwNowTime);
    EXPECT_EQ(g_Player.dwAnimTime, g_dwNowTime);
    EXPECT_EQ(g_Player.dwStateTime, g_dwNowTime);
    EXPECT_EQ(e.nHp, 2);
    EXPECT_EQ(e.dwHitTime, 0u);

    g_dwNowTime += 1000;
    g_Enemy[2].nShotState[1] = SHOT_FLYING;
    PlaceShot(g_EnemyShot[2][1], 240, 250, 260, 270);
    HitEnemyShotPlayer(2, g_EnemyShot[2][1].vtx, g_EnemyShot[2][1].rcHit, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_Player.nHp, 0);
    EXPECT_EQ(g_Player.dwHitTime, g_dwNowTime);
    EXPECT_EQ(g_Enemy[2].nShotState[1], SHOT_FLYING);
    EXPECT_EQ(g_EnemyShot[2][1].vtx[0].x, 240.0f);
    EXPECT_EQ(Plays(), std::vector<std::string>(2, "play date/SE08.tov secondary once"));

    // Apart: nothing.
    OffsetQuad(e.vtx, 200, 0);
    HitEnemyPlayer(2, e.vtx, e.rcHit, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_Player.nHp, 0);
}

// The clamp moves the quad by whole pixels from the box taken on entry;
// side ends set the scroll value, and no physics value changes.
TEST_F(Collisions, ClampKeepsThePlayerInsideTheStage) {
    SetQuad(g_vtxBack, 0, 0, 1280, 480, 255);
    g_fScrollX = 37.0f;
    PlacePlayer(-50.75f, -60.5f);  // box left -5 (truncated -50), top -50
    ClampPlayer(g_vtxBack, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_fScrollX, 0.0f);
    EXPECT_EQ(g_Player.vtx[0].x, -45.75f);
    EXPECT_EQ(g_Player.vtx[2].x, 54.25f);
    EXPECT_EQ(g_Player.vtx[0].y, -60.5f);  // -60 + 10 = -50 is allowed
    EXPECT_EQ(g_Player.fY, -63.5f);
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);

    g_fScrollX = 37.0f;
    PlacePlayer(100, -61.5f);  // top -51
    ClampPlayer(g_vtxBack, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_Player.vtx[0].y, -60.5f);
    EXPECT_EQ(g_fScrollX, 37.0f);

    // The right end as the scrolled background has it.
    MoveQuad(g_vtxBack, -640.5f, 0, 0);  // right end 639.5, taken as 639
    PlacePlayer(590.5f, 380.9f);         // box right 645, bottom 465
    ClampPlayer(g_vtxBack, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_fScrollX, 1180.0f);
    EXPECT_EQ(g_Player.vtx[0].x, 584.5f);
    EXPECT_EQ(g_Player.vtx[0].y, 376.9f);
    EXPECT_EQ(g_Player.vtx[2].y, 476.9f);
    EXPECT_EQ(g_Player.fY, 377.9f);
    g_fScrollX = 37.0f;
    PlacePlayer(584.5f, 376.9f);  // exactly at both limits: no move
    ClampPlayer(g_vtxBack, g_Player.vtx, g_Player.rcHit);
    EXPECT_EQ(g_fScrollX, 37.0f);
    EXPECT_EQ(g_Player.vtx[0].x, 584.5f);
    EXPECT_EQ(g_Player.vtx[0].y, 376.9f);
}

TEST_F(Collisions, ClampTurnsWalkersWrapsBigJumpersAndPushesTheRest) {
    SetQuad(g_vtxBack, -320.5f, 0, 959.5f, 480, 255);  // ends -320 and 959 truncated
    // Walkers and anything else turnable turn round; warpers and defeat
    // animations keep their state.
    struct Case {
        int type;
        bool turns;
    } cases[] = {{ENEMY_HOPPER, true}, {ENEMY_ITEM, true}, {ENEMY_BOSS, true}, {ENEMY_HOMING, true},
                 {ENEMY_WARPER, false}, {ENEMY_FAST_WARPER, false}, {ENEMY_DEFEATED, false},
                 {ENEMY_BOSS_DEFEATED, false}};
    for (const Case& c : cases) {
        GAMEOBJ& e = PlaceEnemy(5, c.type, -365.0f, 200);  // box left -325
        e.nState = ENEMY_WALK_LEFT;
        ClampEnemy(5, g_vtxBack, e.vtx, e.rcHit);
        EXPECT_EQ(e.vtx[0].x, -360.0f) << c.type;
        EXPECT_EQ(e.nState, c.turns ? ENEMY_WALK_RIGHT : ENEMY_WALK_LEFT) << c.type;

        PlaceEnemy(5, c.type, 880.0f, 200);  // box right 940 .. moved to 962
        OffsetQuad(e.vtx, 22.0f, 0);
        e.nState = ENEMY_WALK_RIGHT;
        ClampEnemy(5, g_vtxBack, e.vtx, e.rcHit);
        EXPECT_EQ(e.vtx[0].x, 899.0f) << c.type;
        EXPECT_EQ(e.nState, c.turns ? ENEMY_WALK_LEFT : ENEMY_WALK_RIGHT) << c.type;
        EXPECT_EQ(e.rcHit.left, 40);
    }

    // A big jumper leaving at the left comes back at the right, still
    // walking left, and the other way round; the quad from the unrounded ends.
    for (int type : {ENEMY_BIG_JUMPER, ENEMY_FAST_BIG_JUMPER}) {
        GAMEOBJ& j = PlaceEnemy(6, type, -420.0f, 240, 200);
        j.rcHit = {80, 50, 80, 40};
        SetQuadFrame(j.vtx, 4, QUAD_U_DIV10);
        ClampEnemy(6, g_vtxBack, j.vtx, j.rcHit);
        EXPECT_EQ(j.vtx[0].x, 959.5f - 140.0f) << type;
        EXPECT_EQ(j.vtx[2].x, 959.5f + 60.0f);
        EXPECT_EQ(j.vtx[0].y, 240.0f);
        EXPECT_EQ(j.vtx[2].y, 440.0f);
        EXPECT_EQ(j.vtx[0].tu, 0.0f);
        EXPECT_EQ(j.vtx[1].tu, 0.1f);
        EXPECT_EQ(j.nState, ENEMY_WALK_LEFT);
        EXPECT_EQ(j.rcHit.left, 80);
        EXPECT_EQ(j.rcHit.top, 50);
        EXPECT_EQ(j.rcHit.bottom, 40);

        PlaceEnemy(6, type, 900.0f, 240, 200);
        j.rcHit = {60, 60, 60, 60};
        j.nState = ENEMY_WALK_RIGHT;
        ClampEnemy(6, g_vtxBack, j.vtx, j.rcHit);
        EXPECT_EQ(j.vtx[0].x, -320.5f - 60.0f) << type;
        EXPECT_EQ(j.vtx[2].x, -320.5f + 140.0f);
        EXPECT_EQ(j.nState, ENEMY_WALK_RIGHT);
        EXPECT_EQ(j.rcHit.left, 80);
        EXPECT_EQ(j.rcHit.right, 80);
    }

    // Top and bottom: lowered to -50, lifted to 461, no physics touched.
    GAMEOBJ& e = PlaceEnemy(7, ENEMY_HOPPER, 100, -70);
    e.nState = ENEMY_WALK_LEFT;
    ClampEnemy(7, g_vtxBack, e.vtx, e.rcHit);
    EXPECT_EQ(e.vtx[0].y, -60.0f);
    EXPECT_EQ(e.nState, ENEMY_WALK_LEFT);
    PlaceEnemy(7, ENEMY_BIG_JUMPER, 100, 401, 200);
    e.rcHit = {80, 50, 80, 40};
    ClampEnemy(7, g_vtxBack, e.vtx, e.rcHit);
    EXPECT_EQ(e.vtx[0].y, 301.0f);
    EXPECT_EQ(e.fY, 401.0f);
    EXPECT_EQ(e.nJumpState, JUMP_FALLING);
}

// Through the play step: a hit at T, nothing more at T + 800, the next at
// T + 801.
TEST_F(Collisions, DamageWindowEndsAfter800MsInThePlayStep) {
    g_FrameNo = 31;
    g_nEnemyLeft = 1;
    g_nStage = 1;
    SetQuad(g_vtxBack, 0, 0, 1280, 480, 255);
    InitPlayer();
    SetQuadDiv20(g_Player.vtx, 250, 376, 350, 476, 255);
    g_Player.fY = 376.0f;
    g_Player.nJumpState = JUMP_ON_GROUND;
    g_Player.bAirborne = 0;

    auto frameAt = [](DWORD now) {
        GAMEOBJ& e = PlaceEnemy(0, ENEMY_SHOOTER, 250, 366);
        e.rcHit = {40, 10, 40, 5};
        e.nState = ENEMY_STANDING;
        e.nJumpState = JUMP_ON_GROUND;
        e.bAirborne = 0;
        e.dwHitTime = now - 5000;  // the enemy's own window long past
        g_dwNowTime = now;
        SceneStagePlay();
    };
    const DWORD t = 0xFFFFFF00u;  // and across the clock's wrap
    frameAt(t);
    EXPECT_EQ(g_Player.nHp, 7);
    EXPECT_EQ(g_Player.dwHitTime, t);
    frameAt(t + 400);
    frameAt(t + 800);
    EXPECT_EQ(g_Player.nHp, 7);
    frameAt(t + 801);
    EXPECT_EQ(g_Player.nHp, 6);
    EXPECT_EQ(g_Player.dwHitTime, t + 801);
}

}  // namespace
