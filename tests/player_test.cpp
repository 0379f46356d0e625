// The player's routines called directly: set-up, jump physics, the drop
// through a block, running, scrolling and the animation steppers. Input is set
// in the buffers the routines read; the clock is g_dwNowTime.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/player.h"
#include "game/stage_start.h"
#include "platform/dinput.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/input.h"
#include "shell/sound.h"

namespace {

struct Keys {
    bool left = false, right = false, jump = false, down = false, attack = false;
};

class Player : public ::testing::Test {
protected:
    Player() {
        headless_sound::AcceptMissingFiles(true);
        g_nCharacter = 1;
        LoadGameSounds();
        headless_sound::ClearEvents();
        g_dwNowTime = 100000;
        g_nStage = 1;
        g_fScrollX = 250.0f;
        SetQuad(g_vtxBack, 0, 0, 1280, 480, 255);
        InitBlocks(255);
    }

    static void Press(const Keys& k) {
        g_byKeyState[VK_LEFT] = k.left ? 0x80 : 0;
        g_byKeyState[VK_RIGHT] = k.right ? 0x80 : 0;
        g_byDIKeys[DIK_X] = k.jump ? 0x80 : 0;
        g_byDIKeys[DIK_DOWN] = k.down ? 0x80 : 0;
        g_byDIKeys[DIK_Z] = k.attack ? 0x80 : 0;
    }

    // One play frame of the player, the clock on by 16 or 17 ms.
    void Frame(const Keys& k = Keys()) {
        g_dwNowTime += (frames_++ % 3 == 0) ? 16 : 17;
        Press(k);
        UpdatePlayer(&g_Player);
    }

    void Start(int character, int hp = 0) {
        g_Player.nType = character;
        g_Player.nHp = hp;
        InitPlayer();
    }

    // Set up and let it fall onto the floor line.
    void StandOnFloor(int character) {
        Start(character);
        for (int i = 0; i < 100 && g_Player.nJumpState != JUMP_ON_GROUND; ++i) Frame();
        ASSERT_EQ(g_Player.nJumpState, JUMP_ON_GROUND);
    }

    // Standing on a block as the block pass leaves it.
    void StandOnBlock() {
        StandOnFloor(1);
        SetQuadDiv20(g_Player.vtx, 100, 306, 200, 406, 255);
        g_Player.nJumpState = JUMP_ON_BLOCK;
        g_Player.bAirborne = 0;
        g_Player.fVy = 0.0f;
        g_Player.fY = 300.0f;
    }

    static float U(const GAMEOBJ& o) { return o.vtx[0].tu; }

    int frames_ = 0;
    Scenario platform_;
};

TEST_F(Player, SetUpGivesEachCharacterItsValues) {
    struct Row {
        int hp;
        float base, max, jump, gravity;
        int shots[3];
    };
    const Row rows[5] = {
        {8, 1.0f, 3.5f, -4.5f, 0.15f, {0, 0, 0}},   {6, 1.0f, 3.0f, -5.0f, 0.1f, {0, 0, 0}},
        {6, 1.0f, 4.0f, -4.5f, 0.15f, {0, 0, 0}},   {8, 1.0f, 3.5f, -5.0f, 0.1f, {0, 0, 99}},
        {6, 3.0f, 6.0f, -5.5f, 0.2f, {0, 99, 99}},
    };
    for (int c = 1; c <= 5; ++c) {
        const Row& r = rows[c - 1];
        // Leftovers of a stage before.
        g_Player.nFrame = 11;
        g_Player.nFacing = 2;
        g_Player.fSpeed = 3.0f;
        g_Player.bAttack = 1;
        g_Player.nJumpState = JUMP_ON_BLOCK;
        g_Player.dwHitTime = 1234;
        g_Player.dwAnimTime = 2345;
        g_PlayerShot[1].fDistance = 80.0f;
        Start(c, c == 3 ? -2 : 0);
        EXPECT_EQ(g_Player.nHp, r.hp) << c;
        EXPECT_EQ(g_Player.fBaseSpeed, r.base) << c;
        EXPECT_EQ(g_Player.fMaxSpeed, r.max) << c;
        EXPECT_EQ(g_Player.fJumpSpeed, r.jump) << c;
        EXPECT_EQ(g_Player.fGravity, r.gravity) << c;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(g_Player.nShotState[k], r.shots[k]) << c << " slot " << k;
        EXPECT_EQ(g_PlayerShot[1].fDistance, 0.0f);

        EXPECT_EQ(g_Player.vtx[0].x, 250.0f);
        EXPECT_EQ(g_Player.vtx[0].y, 350.0f);
        EXPECT_EQ(g_Player.vtx[2].x, 350.0f);
        EXPECT_EQ(g_Player.vtx[2].y, 450.0f);
        EXPECT_EQ(g_Player.vtx[1].tu, 0.05f);
        EXPECT_EQ(g_Player.rcHit.left, 45);
        EXPECT_EQ(g_Player.rcHit.top, 10);
        EXPECT_EQ(g_Player.rcHit.right, 45);
        EXPECT_EQ(g_Player.rcHit.bottom, 15);
        EXPECT_EQ(g_Player.nFrame, 0);
        EXPECT_EQ(g_Player.nFacing, 0);
        EXPECT_EQ(g_Player.fSpeed, 0.0f);
        EXPECT_EQ(g_Player.bAttack, 0);
        EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
        EXPECT_EQ(g_Player.bAirborne, 1);
        EXPECT_EQ(g_Player.fY, 350.0f);
        EXPECT_EQ(g_Player.fGroundY, 376.0f);
        EXPECT_EQ(g_Player.dwHitTime, 1234u);
        EXPECT_EQ(g_Player.dwAnimTime, 2345u);
    }
    // HP left over is kept, even above this character's maximum.
    Start(1, 3);
    EXPECT_EQ(g_Player.nHp, 3);
    Start(2, 8);
    EXPECT_EQ(g_Player.nHp, 8);
}

// Held jump from the floor line: rise, top and landing frame by character.
TEST_F(Player, HeldJumpHasEachCharactersArc) {
    struct Arc {
        int character;
        float rise;
        int riseFrames, landFrames;
    };
    // riseFrames: the frame in which it starts to fall. Characters 2 and 4
    // take one more than -5.0 / 0.1 suggests: in single precision fifty
    // steps of 0.1 leave fVy a hair below 0.
    const Arc arcs[] = {{1, 65.25f, 30, 59}, {3, 65.25f, 30, 59}, {2, 122.5f, 51, 100},
                        {4, 122.5f, 51, 100}, {5, 72.9f, 28, 54}};
    for (const Arc& a : arcs) {
        StandOnFloor(a.character);
        Keys jump;
        jump.jump = true;
        float top = g_Player.fY;
        int riseFrames = 0, landFrames = 0;
        for (int n = 1; n <= 200; ++n) {
            Frame(jump);
            if (g_Player.nJumpState == JUMP_RISING) riseFrames = n;
            if (g_Player.fY < top) top = g_Player.fY;
            EXPECT_EQ(g_Player.vtx[0].y, g_Player.fY) << a.character << " frame " << n;
            if (g_Player.nJumpState == JUMP_ON_GROUND) {
                landFrames = n;
                break;
            }
        }
        EXPECT_EQ(riseFrames + 1, a.riseFrames) << a.character;
        EXPECT_NEAR(376.0f - top, a.rise, 0.01f) << a.character;
        EXPECT_EQ(landFrames, a.landFrames) << a.character;
        EXPECT_EQ(g_Player.fY, 376.0f);
        EXPECT_EQ(g_Player.vtx[2].y, 476.0f);
        EXPECT_EQ(g_Player.bAirborne, 0);
        // Still held: no second jump until released and pressed again.
        Frame(jump);
        EXPECT_EQ(g_Player.nJumpState, JUMP_ON_GROUND);
        Frame();
        Frame(jump);
        EXPECT_EQ(g_Player.nJumpState, JUMP_RISING);
        Press(Keys());
        g_bHoldB = 0;
    }
}

TEST_F(Player, ReleasingJumpEndsTheRiseInThatFrame) {
    StandOnFloor(1);
    Keys jump;
    jump.jump = true;
    for (int i = 0; i < 5; ++i) Frame(jump);
    ASSERT_EQ(g_Player.nJumpState, JUMP_RISING);
    ASSERT_LT(g_Player.fVy, 0.0f);
    const float y = g_Player.fY;
    Frame();
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
    EXPECT_EQ(g_Player.fVy, 0.15f);
    EXPECT_EQ(g_Player.fY, y + 0.15f);
    // A press in the air only takes the latch: no jump, no rise.
    Frame(jump);
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
    EXPECT_GT(g_Player.fVy, 0.15f);
}

// Down and jump on a block drop through it; with a side held, or on the
// floor line, the same press is an ordinary jump.
TEST_F(Player, DropThroughNeedsABlockDownJumpAndNoSide) {
    Keys drop;
    drop.down = drop.jump = true;

    StandOnBlock();
    Frame(drop);
    EXPECT_EQ(g_Player.nJumpState, JUMP_FALLING);
    EXPECT_EQ(g_Player.bAirborne, 1);
    EXPECT_EQ(g_bHoldB, 1);
    // Ten pixels down plus one frame of gravity from rest; fY only the gravity.
    EXPECT_EQ(g_Player.fVy, 0.15f);
    EXPECT_EQ(g_Player.vtx[0].y, 306.0f + 10.0f + 0.15f);
    EXPECT_EQ(g_Player.fY, 300.0f + 0.15f);

    for (bool left : {true, false}) {
        StandOnBlock();
        Keys sideDrop = drop;
        sideDrop.left = left;
        sideDrop.right = !left;
        Frame(sideDrop);
        EXPECT_EQ(g_Player.nJumpState, JUMP_RISING) << left;
        EXPECT_EQ(g_Player.fVy, -4.5f + 0.15f) << left;
        Frame();
    }

    StandOnFloor(1);
    Frame(drop);
    EXPECT_EQ(g_Player.nJumpState, JUMP_RISING);
    EXPECT_EQ(g_Player.vtx[0].y, 376.0f - 4.35f);
    Frame();

    // Jump alone on a block is a jump; a drop needs a fresh press.
    StandOnBlock();
    Keys jump;
    jump.jump = true;
    Frame(jump);
    EXPECT_EQ(g_Player.nJumpState, JUMP_RISING);
    StandOnBlock();
    g_bHoldB = 1;
    Frame(drop);
    EXPECT_EQ(g_Player.nJumpState, JUMP_ON_BLOCK);
    EXPECT_EQ(g_Player.vtx[0].y, 306.0f);
}

TEST_F(Player, RunningSpeedsUpInStepsOfMoreThan100Ms) {
    StandOnFloor(1);
    g_Player.nFacing = FACING_RIGHT;
    g_Player.dwAccelTime = g_dwNowTime - 500;
    Keys right;
    right.right = true;

    // The way already faced: +0.5 at once.
    float x = g_Player.vtx[0].x;
    Press(right);
    UpdatePlayer(&g_Player);
    EXPECT_EQ(g_Player.fSpeed, 1.5f);
    EXPECT_EQ(g_Player.vtx[0].x, x + 1.5f);
    EXPECT_EQ(g_fScrollX, 250.0f + 1.5f);

    std::vector<float> speeds;
    for (int i = 0; i < 6; ++i) {
        g_dwNowTime += 100;  // not more than 100: no step
        UpdatePlayer(&g_Player);
        float before = g_Player.fSpeed;
        g_dwNowTime += 1;
        UpdatePlayer(&g_Player);
        EXPECT_EQ(g_Player.fSpeed, before == 3.5f ? 3.5f : before + 0.5f);
        speeds.push_back(g_Player.fSpeed);
    }
    EXPECT_EQ(speeds, (std::vector<float>{2.0f, 2.5f, 3.0f, 3.5f, 3.5f, 3.5f}));

    // Reversing on the ground: the first frame at the base speed. (Back in
    // the left part of the stage, where the player moves on screen.)
    g_fScrollX = 100.0f;
    Keys left;
    left.left = true;
    x = g_Player.vtx[0].x;
    Frame(left);
    EXPECT_EQ(g_Player.fSpeed, 1.0f);
    EXPECT_EQ(g_Player.nFacing, FACING_LEFT);
    EXPECT_EQ(g_Player.vtx[0].x, x - 1.0f);
    g_dwNowTime += 101;
    UpdatePlayer(&g_Player);
    EXPECT_EQ(g_Player.fSpeed, 1.5f);

    // Both sides held: left wins.
    Keys both;
    both.left = both.right = true;
    x = g_Player.vtx[0].x;
    Frame(both);
    EXPECT_EQ(g_Player.nFacing, FACING_LEFT);
    EXPECT_LT(g_Player.vtx[0].x, x);

    // In the air the speed is kept without any side held; on the ground it
    // falls back to the base.
    g_Player.fSpeed = 3.0f;
    g_Player.bAirborne = 1;
    g_Player.nJumpState = JUMP_FALLING;
    g_Player.fVy = -3.0f;
    g_Player.fY = 200.0f;
    Frame();
    EXPECT_EQ(g_Player.fSpeed, 3.0f);
    g_Player.bAirborne = 0;
    g_Player.nJumpState = JUMP_ON_GROUND;
    Frame();
    EXPECT_EQ(g_Player.fSpeed, 1.0f);
}

// In the scroll range the player's own move is undone and everything in
// stage coordinates moves the other way; enemies that are not in play and
// enemy shots never fired stay where they are.
TEST_F(Player, ScrollingShiftsTheStageAndWhatIsInIt) {
    StandOnFloor(1);
    SetQuadDiv10B(g_Enemy[0].vtx, 400, 100, 500, 200, 255);
    g_Enemy[0].fGroundY = 376.0f;
    SetQuadDiv10A(g_EnemyShot[0][0].vtx, 420, 300, 440, 320, 255);
    g_EnemyShot[0][0].fGroundY = 417.0f;
    SetQuadDiv10A(g_EnemyShot[0][1].vtx, 430, 300, 450, 320, 255);
    g_EnemyShot[0][1].fGroundY = 0.0f;
    SetQuadDiv10B(g_Enemy[1].vtx, 600, 100, 700, 200, 255);
    g_Enemy[1].fGroundY = 0.0f;
    SetQuadDiv10A(g_PlayerShot[0].vtx, 300, 300, 320, 320, 255);
    SetQuadDiv10A(g_PlayerShot[1].vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);

    g_fScrollX = 500.0f;
    g_Player.fSpeed = 2.0f;
    g_Player.nFacing = FACING_LEFT;  // running right from facing left: base speed
    g_Player.fBaseSpeed = 2.0f;
    const float x = g_Player.vtx[0].x;
    Keys right;
    right.right = true;
    Frame(right);
    EXPECT_EQ(g_fScrollX, 502.0f);
    EXPECT_EQ(g_Player.vtx[0].x, x);
    EXPECT_EQ(g_vtxBack[0].x, -2.0f);
    EXPECT_EQ(g_vtxBack[2].x, 1278.0f);
    EXPECT_EQ(g_Block[2].vtx[0].x, 126.0f);
    EXPECT_EQ(g_Block[59].vtx[2].x, 1278.0f);
    EXPECT_EQ(g_Enemy[0].vtx[0].x, 398.0f);
    EXPECT_EQ(g_EnemyShot[0][0].vtx[0].x, 418.0f);
    EXPECT_EQ(g_EnemyShot[0][1].vtx[0].x, 430.0f);
    EXPECT_EQ(g_Enemy[1].vtx[0].x, 600.0f);
    EXPECT_EQ(g_PlayerShot[0].vtx[0].x, 298.0f);
    EXPECT_EQ(g_PlayerShot[1].vtx[0].x, 997.0f);
    EXPECT_EQ(g_PlayerShot[1].vtx[2].x, 997.0f);
    EXPECT_EQ(g_PlayerShot[1].vtx[0].y, 999.0f);

    // Left in the range: the other way.
    g_Player.fBaseSpeed = 1.0f;
    Keys left;
    left.left = true;
    Frame(left);
    EXPECT_EQ(g_fScrollX, 501.0f);
    EXPECT_EQ(g_Player.vtx[0].x, x);
    EXPECT_EQ(g_vtxBack[0].x, -1.0f);
    EXPECT_EQ(g_Enemy[0].vtx[0].x, 399.0f);
}

// At either end the stage is re-placed from its data (and only the
// background and blocks are); the player moves on screen.
TEST_F(Player, TheStageIsRePlacedAtEitherEnd) {
    StandOnFloor(1);
    SetQuadDiv10B(g_Enemy[0].vtx, 400, 100, 500, 200, 255);
    g_Enemy[0].fGroundY = 376.0f;
    g_Player.nFacing = FACING_RIGHT;
    g_Player.fSpeed = 2.0f;
    g_Player.dwAccelTime = g_dwNowTime;  // no step in these frames

    // Right: from 909 to 911.
    g_fScrollX = 909.0f;
    MoveQuad(g_vtxBack, -633.0f, 0, 0);
    for (GAMEOBJ& b : g_Block) MoveQuad(b.vtx, -633.0f, 0, 0);
    float x = g_Player.vtx[0].x;
    Keys right;
    right.right = true;
    Frame(right);
    EXPECT_EQ(g_fScrollX, 911.0f);
    EXPECT_EQ(g_vtxBack[0].x, -640.0f);
    EXPECT_EQ(g_vtxBack[2].x, 640.0f);
    EXPECT_EQ(g_Block[2].vtx[0].x, 128.0f - 640.0f);
    EXPECT_EQ(g_Block[2].vtx[0].y, 406.0f);
    EXPECT_EQ(g_Enemy[0].vtx[0].x, 400.0f);
    EXPECT_EQ(g_Player.vtx[0].x, x + 2.0f);
    // Every frame out there does the same.
    MoveQuad(g_vtxBack, 5.0f, 0, 0);
    Frame(right);
    EXPECT_EQ(g_vtxBack[0].x, -640.0f);

    // Left: from 271 to 269.
    g_Player.nFacing = FACING_LEFT;
    g_fScrollX = 271.0f;
    x = g_Player.vtx[0].x;
    Keys left;
    left.left = true;
    Frame(left);
    EXPECT_EQ(g_fScrollX, 269.0f);
    EXPECT_EQ(g_vtxBack[0].x, 0.0f);
    EXPECT_EQ(g_Block[2].vtx[0].x, 128.0f);
    EXPECT_EQ(g_Enemy[0].vtx[0].x, 400.0f);
    EXPECT_EQ(g_Player.vtx[0].x, x - 2.0f);
}

// Landing exactly on 270 or 910 does not scroll; reaching it from inside
// re-places the stage at that end.
TEST_F(Player, ScrollLimitsThemselvesDoNotScroll) {
    struct Case {
        float from;
        bool right;
        float backAfter;  // background's left edge; it starts at -100
        float playerMove;
    } cases[] = {
        {268.0f, true, -100.0f, 2.0f},   // to 270 from the left part: nothing moves but the player
        {272.0f, false, 0.0f, -2.0f},    // to 270 from inside: left end
        {908.0f, true, -640.0f, 2.0f},   // to 910 from inside: right end
        {912.0f, false, -100.0f, -2.0f}, // to 910 from the right part
    };
    for (const Case& c : cases) {
        StandOnFloor(1);
        SetQuad(g_vtxBack, -100, 0, 1180, 480, 255);
        g_Player.nFacing = c.right ? FACING_LEFT : FACING_RIGHT;  // a turn: base speed
        g_Player.fBaseSpeed = 2.0f;
        g_fScrollX = c.from;
        const float x = g_Player.vtx[0].x;
        Keys k;
        k.right = c.right;
        k.left = !c.right;
        Frame(k);
        EXPECT_EQ(g_fScrollX, c.from + c.playerMove) << c.from;
        EXPECT_EQ(g_vtxBack[0].x, c.backAfter) << c.from;
        EXPECT_EQ(g_Player.vtx[0].x, x + c.playerMove) << c.from;
    }
}

TEST_F(Player, WalkAndJumpFramesStepOncePerMoreThan100Ms) {
    StandOnFloor(1);
    g_Player.dwAnimTime = g_dwNowTime;
    Keys right;
    right.right = true;
    std::vector<int> shown;
    for (int i = 0; i < 8 * 7; ++i) {
        Frame(right);
        if (g_Player.dwAnimTime == g_dwNowTime) {
            shown.push_back(g_Player.nFrame);
            EXPECT_EQ(U(g_Player), g_Player.nFrame * 0.05f);
            EXPECT_EQ(g_Player.vtx[1].tu, g_Player.nFrame * 0.05f + 0.05f);
        }
    }
    // 16-17 ms frames: a step on every 7th.
    EXPECT_EQ(shown, (std::vector<int>{2, 3, 4, 5, 6, 1, 2, 3}));

    // Standing still: frame 0 shows, but it is not a step.
    const DWORD stamp = g_Player.dwAnimTime;
    g_dwNowTime = stamp + 100;
    Press(Keys());
    UpdatePlayer(&g_Player);
    EXPECT_EQ(U(g_Player), 3 * 0.05f);
    g_dwNowTime = stamp + 101;
    UpdatePlayer(&g_Player);
    EXPECT_EQ(U(g_Player), 0.0f);
    EXPECT_EQ(g_Player.vtx[1].tu, 0.05f);
    EXPECT_EQ(g_Player.nFrame, 3);
    EXPECT_EQ(g_Player.dwAnimTime, stamp);

    // In the air: 8, 7, 8.
    g_Player.nFrame = 3;
    std::vector<int> air;
    for (int i = 0; i < 3; ++i) {
        g_Player.dwAnimTime = 0;
        g_Player.bAirborne = 1;
        AnimatePlayer(&g_Player, 0, &g_Player);
        air.push_back(g_Player.nFrame);
    }
    EXPECT_EQ(air, (std::vector<int>{8, 7, 8}));
    EXPECT_EQ(U(g_Player), 8 * 0.05f);
}

// The attack shows frames 10 and 11, then asks for a shot in the first slot
// that can take one, with the character's attack sound.
TEST_F(Player, AttackAnimatesAndRequestsTheShot) {
    StandOnFloor(1);
    g_Player.nShotState[0] = SHOT_FLYING;
    g_Player.dwAnimTime = g_dwNowTime;
    Keys z;
    z.attack = true;
    Frame(z);
    EXPECT_EQ(g_Player.bAttack, 1);
    EXPECT_EQ(g_bHoldA, 1);

    g_dwNowTime = g_Player.dwAnimTime + 101;
    AnimatePlayer(&g_Player, 0, &g_Player);
    EXPECT_EQ(U(g_Player), 10 * 0.05f);
    EXPECT_EQ(g_Player.bAttack, 1);
    EXPECT_TRUE(headless_sound::Log("play").empty());
    g_dwNowTime += 101;
    AnimatePlayer(&g_Player, 0, &g_Player);
    EXPECT_EQ(U(g_Player), 11 * 0.05f);
    EXPECT_EQ(g_Player.nFrame, 11);
    EXPECT_EQ(g_Player.bAttack, 0);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FLYING);
    EXPECT_EQ(g_Player.nShotState[1], SHOT_REQUESTED);
    EXPECT_EQ(g_Player.nShotState[2], SHOT_FREE);
    EXPECT_EQ(headless_sound::Log("play"), std::vector<std::string>{"play date/SE09.tov secondary once"});

    // Held, the press is not taken again.
    Frame(z);
    EXPECT_EQ(g_Player.bAttack, 0);

    // Every open slot in flight: no attack at all. Character 5 has one slot.
    Frame();
    g_Player.nShotState[0] = SHOT_FLYING;
    g_Player.nShotState[1] = SHOT_UNUSED;
    g_Player.nShotState[2] = SHOT_UNUSED;
    Frame(z);
    EXPECT_EQ(g_Player.bAttack, 0);
}

// Damage flickers between frames 9 and 18 and holds an attack back until the
// 800 ms are over.
TEST_F(Player, DamageFlickerComesBeforeTheAttack) {
    StandOnFloor(1);
    g_Player.bAttack = 1;
    g_Player.nFrame = 9;
    g_Player.dwHitTime = g_dwNowTime;
    g_Player.dwAnimTime = g_dwNowTime;
    const DWORD hit = g_dwNowTime;
    std::vector<int> shown;
    for (DWORD t = hit + 101; t - hit <= 800; t += 101) {
        g_dwNowTime = t;
        AnimatePlayer(&g_Player, 1, &g_Player);
        shown.push_back(g_Player.nFrame);
        EXPECT_EQ(U(g_Player), g_Player.nFrame * 0.05f);
    }
    EXPECT_EQ(shown, (std::vector<int>{18, 9, 18, 9, 18, 9, 18}));
    EXPECT_EQ(g_Player.bAttack, 1);
    g_dwNowTime = hit + 808;  // out of the window, and a step due
    AnimatePlayer(&g_Player, 1, &g_Player);
    EXPECT_EQ(g_Player.nFrame, 11);  // frame 10 shown, counted on
    EXPECT_EQ(U(g_Player), 10 * 0.05f);
    // Another value stays as it is under the flicker.
    g_Player.nFrame = 4;
    g_Player.dwHitTime = g_dwNowTime;
    g_dwNowTime += 101;
    AnimPlayerDamage(&g_Player);
    EXPECT_EQ(g_Player.nFrame, 4);
}

// Every player timer measures elapsed time unsigned, across the clock's wrap.
TEST_F(Player, TimersSeeTheElapsedTimeAcrossTheWrap) {
    StandOnFloor(1);
    g_Player.nFrame = 2;
    g_Player.dwAnimTime = 0xFFFFFFC0u;  // 64 ms before the wrap
    g_Player.dwHitTime = 0xFFFFFE00u;   // 512 ms before it
    g_Player.nFacing = FACING_RIGHT;
    g_Player.fSpeed = 2.0f;
    g_Player.dwAccelTime = 0xFFFFFFF0u;

    g_dwNowTime = 0x20;  // 96 ms on from the anim stamp, 48 from the accel stamp
    Press(Keys{false, true, false, false, false});
    UpdatePlayer(&g_Player);
    EXPECT_EQ(g_Player.fSpeed, 2.0f);
    EXPECT_EQ(g_Player.nFrame, 2);
    g_dwNowTime = 0x25;  // 101 ms on: a damage step, since 549 ms <= 800
    UpdatePlayer(&g_Player);
    EXPECT_EQ(g_Player.dwAnimTime, 0x25u);
    EXPECT_EQ(U(g_Player), 2 * 0.05f);  // the flicker leaves frame 2 alone
    g_dwNowTime = 0x55;  // accel stamp 101 ms back
    UpdatePlayer(&g_Player);
    EXPECT_EQ(g_Player.fSpeed, 2.5f);
    g_dwNowTime = 0x130;  // 816 ms after the hit: walking again
    UpdatePlayer(&g_Player);
    EXPECT_EQ(g_Player.nFrame, 3);
}

}  // namespace
