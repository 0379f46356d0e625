// Enemies and items: set-up, drawing, decisions, movement and animation,
// called directly as the play step calls them, and over real play frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "game/enemies.h"
#include "game/objects.h"
#include "game/scene.h"
#include "game/stage_start.h"
#include "platform/d3dx_texture.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/textures.h"
#include "stages/stage_data.h"
#include "test_support.h"

namespace {

const DWORD kStart = headless::kStartClock;

bool IsBig(int type)
{
    return type == ENEMY_BIG_JUMPER || type == ENEMY_FAST_BIG_JUMPER;
}

// Writes a slot as the stage data or a summon does, then sets it up.
GAMEOBJ& Place(int slot, int type, float x, float y, int hp = 1)
{
    GAMEOBJ& e = g_Enemy[slot];
    const float size = IsBig(type) ? 200.0f : 100.0f;
    SetQuadDiv10B(e.vtx, x, y, x + size, y + size, 255);
    e.fY = y;
    e.nType = type;
    e.nHp = hp;
    InitEnemyParam(slot);
    return e;
}

void PutPlayer(float x, float y)
{
    SetQuadDiv20(g_Player.vtx, x, y, x + 100.0f, y + 100.0f, 255);
}

// An enemy standing on the floor, walking, with nothing pending.
GAMEOBJ& Grounded(int slot, int type, float x, int state)
{
    GAMEOBJ& e = Place(slot, type, x, 0.0f);
    const float size = IsBig(type) ? 200.0f : 100.0f;
    SetQuadDiv10B(e.vtx, x, e.fGroundY, x + size, e.fGroundY + size, 255);
    e.fY = e.fGroundY;
    e.bAirborne = 0;
    e.nJumpState = JUMP_ON_GROUND;
    e.nState = state;
    e.dwThinkTime = g_dwNowTime;
    return e;
}

bool Present(const GAMEOBJ& e)
{
    return e.fGroundY > 0.0f;
}

bool Parked(const GAMEOBJ& e)
{
    for (const VERTEX& v : e.vtx) {
        if (v.x != QUAD_PARK || v.y != QUAD_PARK) return false;
    }
    return true;
}

// The u values of strip frame f of 10 at the left and right vertices.
void ExpectShowsFrame(const GAMEOBJ& e, int frame)
{
    const float left = (float)frame * 0.1f;
    EXPECT_EQ(e.vtx[0].tu, left);
    EXPECT_EQ(e.vtx[3].tu, left);
    EXPECT_EQ(e.vtx[1].tu, left + 0.1f);
    EXPECT_EQ(e.vtx[2].tu, left + 0.1f);
}

// One play frame for one slot, in the play step's order, without the block,
// hit and edge passes (those belong to the collision module).
void EnemyFrame(int i)
{
    if (!Present(g_Enemy[i])) return;
    UpdateEnemyAI(i);
    DrawEnemy(i);
    if (g_Enemy[i].nState > ENEMY_APPEARING) MoveEnemy(i);
}

// The headless frame clock: 16 and 17 ms alternately.
int g_frameCount = 0;
void NextFrame()
{
    g_dwNowTime += (g_frameCount++ % 3 == 0) ? 17 : 16;
}

class Enemies : public ::testing::Test {
protected:
    Enemies() {
        headless_sound::AcceptMissingFiles(true);
        LoadGameSounds();
        headless_sound::ClearEvents();
        g_dwNowTime = kStart;
        PutPlayer(100.0f, 376.0f);
        g_Player.nHp = 8;
        g_nStage = 1;
        srand(7);
        // Draws are recorded inside a scene, as in a frame.
        g_pd3dDevice->BeginScene();
    }
    ~Enemies() override { g_pd3dDevice->EndScene(); }
    static std::vector<std::string> Plays() { return headless_sound::Log("play"); }

    ScratchFolder folder_;
    Scenario game_;
};

const char kWarpSound[] = "play date/SE18.tov secondary once";
const char kBigJumpSound[] = "play date/SE25.tov secondary once";

// ---------------------------------------------------------------- set-up

struct TypeRow {
    int type;
    float base, max, gravity;
    int shots[3];
    RECT insets;
    float ground;
};

const TypeRow kRows[] = {
    {2, 1.0f, 3.0f, 0.1f, {99, 99, 99}, {40, 10, 40, 15}, 376.0f},
    {12, 1.0f, 3.0f, 0.1f, {99, 99, 99}, {40, 10, 40, 15}, 376.0f},
    {3, 1.0f, 2.5f, 0.1f, {0, 0, 99}, {40, 10, 40, 15}, 376.0f},
    {13, 1.0f, 2.5f, 0.1f, {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {4, 1.0f, 1.5f, 0.1f, {0, 0, 0}, {40, 10, 40, 5}, 366.0f},
    {14, 1.0f, 2.0f, 0.1f, {0, 0, 0}, {40, 10, 40, 5}, 366.0f},
    {5, 0.0f, 0.0f, 0.15f, {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {15, 0.0f, 0.0f, 0.15f, {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {6, 0.0f, 0.0f, 0.1f, {0, 0, 99}, {40, 10, 40, 15}, 376.0f},
    {16, 0.0f, 0.0f, 0.1f, {0, 99, 99}, {40, 10, 40, 15}, 376.0f},
    {7, 0.0f, 0.0f, 0.1f, {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {17, 0.0f, 0.0f, 0.1f, {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
    {8, 0.0f, 0.0f, 0.1f, {99, 99, 99}, {40, 10, 40, 5}, 366.0f},
    {9, 2.0f, 4.0f, 0.1f, {99, 99, 99}, {80, 50, 80, 40}, 401.0f},
    {19, 4.0f, 6.0f, 0.1f, {99, 99, 99}, {80, 50, 80, 40}, 401.0f},
    {20, 0.0f, 0.0f, 0.1f, {0, 0, 0}, {40, 10, 40, 15}, 376.0f},
};

const TypeRow* RowOf(int type)
{
    for (const TypeRow& row : kRows) {
        if (row.type == type) return &row;
    }
    return nullptr;
}

void ExpectSetUp(const GAMEOBJ& e, const TypeRow& row, int slot)
{
    SCOPED_TRACE("slot " + std::to_string(slot) + " type " + std::to_string(row.type));
    EXPECT_EQ(e.fBaseSpeed, row.base);
    EXPECT_EQ(e.fMaxSpeed, row.max);
    EXPECT_EQ(e.fGravity, row.gravity);
    EXPECT_EQ(e.fJumpSpeed, -5.0f);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(e.nShotState[k], row.shots[k]) << "shot slot " << k;
    EXPECT_EQ(e.rcHit.left, row.insets.left);
    EXPECT_EQ(e.rcHit.top, row.insets.top);
    EXPECT_EQ(e.rcHit.right, row.insets.right);
    EXPECT_EQ(e.rcHit.bottom, row.insets.bottom);
    EXPECT_EQ(e.fGroundY, row.ground);
    EXPECT_EQ(e.nState, ENEMY_APPEARING);
    EXPECT_EQ(e.dwStateTime, g_dwNowTime);
    EXPECT_EQ(e.fSpeed, 0.0f);
    EXPECT_EQ(e.nReserved, 0);
    EXPECT_EQ(e.nFrame, 0);
    EXPECT_EQ(e.nFacing, FACING_UNSET);
    EXPECT_EQ(e.nJumpState, JUMP_FALLING);
    EXPECT_EQ(e.bAirborne, 1);
    EXPECT_EQ(e.fVy, 0.0f);
    EXPECT_EQ(e.bAttack, 0);
    EXPECT_EQ(e.fY, e.vtx[0].y);
}

// A slot as the previous stage left it: in play, mid-shot, hurt, timed.
void Dirty(GAMEOBJ& e)
{
    SetQuadDiv10B(e.vtx, 10, 20, 110, 120, 77);
    e.rcHit = RECT{1, 2, 3, 4};
    e.nType = ENEMY_WARPER;
    e.nState = ENEMY_HIDDEN;
    e.nHp = 3;
    e.nReserved = 5;
    e.nFrame = 6;
    e.nFacing = FACING_LEFT;
    e.fSpeed = 2.0f;
    e.fGroundY = 376.0f;
    e.fVy = 3.0f;
    e.nShotState[0] = e.nShotState[1] = e.nShotState[2] = SHOT_FLYING;
    e.bAttack = 1;
    e.dwThinkTime = 1234;
    e.dwHitTime = 4321;
    e.dwAccelTime = 555;
    e.dwAnimTime = 666;
    e.fWave = 1.5f;
}

TEST_F(Enemies, InitEnemiesEmptiesEverySlotAndSetsUpEachPlacedOneByItsType)
{
    int typesSeen[32] = {};
    for (int stage = 1; stage <= 54; ++stage) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        g_nStage = stage;
        for (GAMEOBJ& e : g_Enemy) Dirty(e);
        g_EnemyShot[0][1].fSpeed = 9.0f;
        g_dwNowTime = kStart + stage;
        InitEnemies();

        const StageEnemies* data = FindStageEnemies(stage);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(g_nEnemyLeft, data->toDefeat);
        bool placed[ENEMY_COUNT] = {};
        for (const EnemyPlacement& p : data->placements) {
            if (p.type == 0) break;
            placed[p.slot] = true;
            const GAMEOBJ& e = g_Enemy[p.slot];
            const TypeRow* row = RowOf(p.type);
            ASSERT_NE(row, nullptr);
            typesSeen[p.type] = 1;
            EXPECT_EQ(e.nType, p.type);
            EXPECT_EQ(e.nHp, p.hp);
            EXPECT_EQ(e.vtx[0].x, (float)p.x);
            EXPECT_EQ(e.vtx[0].y, (float)p.y);
            EXPECT_EQ(e.vtx[2].x - e.vtx[0].x, IsBig(p.type) ? 200.0f : 100.0f);
            ExpectSetUp(e, *row, p.slot);
            // What set-up leaves alone keeps the previous occupant's values.
            EXPECT_EQ(e.dwThinkTime, 1234u);
            EXPECT_EQ(e.dwHitTime, 4321u);
            EXPECT_EQ(e.dwAnimTime, 666u);
            EXPECT_EQ(e.fWave, 1.5f);
        }
        for (int i = 0; i < ENEMY_COUNT; ++i) {
            if (placed[i]) continue;
            const GAMEOBJ& e = g_Enemy[i];
            EXPECT_TRUE(Parked(e)) << "slot " << i;
            EXPECT_EQ(e.vtx[0].color >> 24, 255u);
            EXPECT_EQ(e.rcHit.left | e.rcHit.top | e.rcHit.right | e.rcHit.bottom, 0);
            EXPECT_EQ(e.fGroundY, 0.0f);
            EXPECT_EQ(e.nType, 0);
            EXPECT_EQ(e.nState, 0);
            EXPECT_EQ(e.nHp, 0);
        }
        EXPECT_EQ(g_EnemyShot[0][1].fSpeed, 9.0f);
    }
    for (const TypeRow& row : kRows) EXPECT_TRUE(typesSeen[row.type]) << "type " << row.type;
}

TEST_F(Enemies, ASummonedSlotIsSetUpWithItsOwnInsetsAndAFreshAppearance)
{
    GAMEOBJ& e = g_Enemy[4];
    Dirty(e);
    e.nType = ENEMY_NONE;
    InitEnemyParam(4);  // an empty slot is left alone
    EXPECT_EQ(e.nState, ENEMY_HIDDEN);
    EXPECT_EQ(e.fGroundY, 376.0f);

    for (const TypeRow& row : kRows) {
        Dirty(e);
        SetQuadDiv10B(e.vtx, 300, 40, 300 + (IsBig(row.type) ? 200 : 100), 140, 255);
        e.fY = 40.0f;
        e.nType = row.type;
        e.nHp = 1;
        g_dwNowTime += 1000;
        InitEnemyParam(4);
        ExpectSetUp(e, row, 4);
        EXPECT_EQ(e.vtx[0].x, 300.0f);
        EXPECT_EQ(e.nHp, 1);
        EXPECT_EQ(e.dwHitTime, 4321u);
    }

    // A code without set-up values never comes into play.
    Dirty(e);
    e.nType = 11;
    InitEnemyParam(4);
    EXPECT_EQ(e.fGroundY, 0.0f);
    InitEnemyParam(-1);
    InitEnemyParam(ENEMY_COUNT);
}

TEST_F(Enemies, DrawEnemyPicksTheTypesSheetByFacing)
{
    // Every sheet a distinct texture, so that the draw tells which was bound.
    ScratchFolder::WritePpm("sheet");
    IDirect3DTexture8** sheets[] = {&g_pTexEnemyOut, &g_pTexEnemy1R, &g_pTexEnemy1L, &g_pTexEnemy2R,
                                    &g_pTexEnemy2L, &g_pTexEnemy3R, &g_pTexEnemy3L, &g_pTexEnemy4R,
                                    &g_pTexEnemy4L, &g_pTexEnemy5R, &g_pTexEnemy5L, &g_pTexEnemy6R,
                                    &g_pTexEnemy6L, &g_pTexItem, &g_pTexEnemy7R, &g_pTexEnemy7L,
                                    &g_pTexBoss};
    for (IDirect3DTexture8** slot : sheets) {
        ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/sheet.tov", slot), 0);
    }
    struct Case {
        int type;
        IDirect3DTexture8* right;
        IDirect3DTexture8* left;
    };
    const Case cases[] = {
        {1, g_pTexEnemyOut, g_pTexEnemyOut}, {30, g_pTexEnemyOut, g_pTexEnemyOut},
        {2, g_pTexEnemy1R, g_pTexEnemy1L},   {12, g_pTexEnemy1R, g_pTexEnemy1L},
        {3, g_pTexEnemy2R, g_pTexEnemy2L},   {13, g_pTexEnemy2R, g_pTexEnemy2L},
        {4, g_pTexEnemy3R, g_pTexEnemy3L},   {14, g_pTexEnemy3R, g_pTexEnemy3L},
        {5, g_pTexEnemy4R, g_pTexEnemy4L},   {15, g_pTexEnemy4R, g_pTexEnemy4L},
        {6, g_pTexEnemy5R, g_pTexEnemy5L},   {16, g_pTexEnemy5R, g_pTexEnemy5L},
        {7, g_pTexEnemy6R, g_pTexEnemy6L},   {17, g_pTexEnemy6R, g_pTexEnemy6L},
        {8, g_pTexItem, g_pTexItem},         {9, g_pTexEnemy7R, g_pTexEnemy7L},
        {19, g_pTexEnemy7R, g_pTexEnemy7L},  {20, g_pTexBoss, g_pTexBoss},
    };
    GAMEOBJ& e = g_Enemy[3];
    SetQuadDiv10B(e.vtx, 50, 60, 150, 160, 200);
    for (const Case& c : cases) {
        for (int facing = 0; facing <= 2; ++facing) {
            headless::ClearDraws();
            e.nType = c.type;
            e.nFacing = facing;
            e.nFrame = 4;
            unsigned char before[sizeof(GAMEOBJ)];
            std::memcpy(before, &e, sizeof(GAMEOBJ));
            DrawEnemy(3);
            ASSERT_EQ(headless::Draws().size(), 1u);
            const auto& d = headless::Draws()[0];
            EXPECT_EQ(d.texture, facing < 2 ? c.right : c.left) << "type " << c.type << " facing " << facing;
            EXPECT_EQ(d.v[0].x, 50.0f);
            EXPECT_EQ(d.v[2].y, 160.0f);
            EXPECT_EQ(std::memcmp(before, &e, sizeof(e)), 0) << "drawing changes no field";
        }
    }
    // Never-placed codes have no sheet and draw nothing.
    headless::ClearDraws();
    e.nType = 18;
    DrawEnemy(3);
    EXPECT_TRUE(headless::Draws().empty());
}

// ---------------------------------------------------------------- appearance and landing

TEST_F(Enemies, ANewEnemyHangsForItsAppearanceShowingFramesNineAndEightThenFalls)
{
    g_nStage = 1;
    InitEnemies();  // stage 1: hoppers at (400, 0) and (1000, 120)
    const DWORD placedAt = g_dwNowTime;
    headless::ClearDraws();
    std::vector<int> shown;  // the frame of each 100-ms step, as drawn
    int lastFrame = -1;
    for (;;) {
        NextFrame();
        UpdateEnemyAI(0);
        DrawEnemy(0);
        if (g_Enemy[0].nState > 0) break;
        ASSERT_LE(g_dwNowTime - placedAt, 1500u);
        const auto& d = headless::Draws().back();
        const int frame = (int)std::lround(d.v[0].u * 10.0f);
        EXPECT_EQ(d.v[1].u, d.v[0].u + 0.1f);
        if (frame != lastFrame) shown.push_back(frame);
        lastFrame = frame;
        EXPECT_EQ(g_Enemy[0].vtx[0].y, 0.0f);
        EXPECT_EQ(g_Enemy[0].fY, 0.0f);
        EXPECT_EQ(g_Enemy[0].nJumpState, JUMP_FALLING);
    }
    // The first step is due at once; 9 and 8 alternate every step.
    ASSERT_GE(shown.size(), 12u);
    for (size_t s = 0; s < shown.size(); ++s) EXPECT_EQ(shown[s], s % 2 == 0 ? 9 : 8) << "step " << s;

    // The first frame past 1500 ms ends it, and the enemy falls at once.
    EXPECT_GT(g_dwNowTime - placedAt, 1500u);
    EXPECT_LE(g_dwNowTime - placedAt, 1517u);
    EXPECT_EQ(g_Enemy[0].nState, ENEMY_WALK_LEFT);
    EXPECT_EQ(g_Enemy[0].dwStateTime, g_dwNowTime);
    MoveEnemy(0);
    EXPECT_GT(g_Enemy[0].vtx[0].y, 0.0f);
}

TEST_F(Enemies, EveryTypeLandsOnItsOwnGroundLine)
{
    for (const TypeRow& row : kRows) {
        SCOPED_TRACE("type " + std::to_string(row.type));
        for (GAMEOBJ& e : g_Enemy) e.fGroundY = 0.0f;
        GAMEOBJ& e = Place(0, row.type, 500.0f, IsBig(row.type) ? 140.0f : 120.0f);
        g_dwNowTime += 2000;
        e.dwStateTime = g_dwNowTime;
        bool landed = false;
        for (int f = 0; f < 600 && !landed; ++f) {
            NextFrame();
            EnemyFrame(0);
            landed = e.nState > 0 && !e.bAirborne;
        }
        ASSERT_TRUE(landed);
        EXPECT_EQ(e.fY, row.ground);
        EXPECT_EQ(e.vtx[0].y, row.ground);
        EXPECT_EQ(e.vtx[2].y, row.ground + (IsBig(row.type) ? 200.0f : 100.0f));
        EXPECT_EQ(e.nJumpState, JUMP_ON_GROUND);
    }
}

// ---------------------------------------------------------------- defeat and removal

TEST_F(Enemies, ADefeatedEnemyBlinksWhereItIsAndLeavesAfterMoreThan1500ms)
{
    g_nEnemyLeft = 2;
    GAMEOBJ& e = Grounded(2, ENEMY_HOPPER, 300.0f, ENEMY_WALK_LEFT);
    // Hit in the air: it stays there.
    e.bAirborne = 1;
    e.fVy = 3.0f;
    SetQuadDiv10B(e.vtx, 300, 200, 400, 300, 255);
    e.fY = 200.0f;
    // As the hit leaves it.
    e.nType = ENEMY_DEFEATED;
    e.nFrame = 0;
    e.dwStateTime = g_dwNowTime;
    e.dwAnimTime = g_dwNowTime;
    const DWORD defeatedAt = g_dwNowTime;

    std::vector<int> frames;
    while (g_dwNowTime - defeatedAt < 1500) {
        NextFrame();
        if (g_dwNowTime - defeatedAt > 1500) g_dwNowTime = defeatedAt + 1500;
        EnemyFrame(2);
        if (frames.empty() || frames.back() != e.nFrame) frames.push_back(e.nFrame);
        ASSERT_TRUE(Present(e));
        EXPECT_EQ(e.vtx[0].y, 200.0f);
        EXPECT_EQ(e.fY, 200.0f);
    }
    ASSERT_GE(frames.size(), 10u);
    for (size_t s = 0; s < frames.size(); ++s) EXPECT_EQ(frames[s], s % 2 == 0 ? 0 : 1);
    EXPECT_EQ(g_nEnemyLeft, 2);

    g_dwNowTime = defeatedAt + 1501;
    UpdateEnemyAI(2);
    EXPECT_FALSE(Present(e));
    EXPECT_TRUE(Parked(e));
    EXPECT_EQ(e.rcHit.left | e.rcHit.top | e.rcHit.right | e.rcHit.bottom, 0);
    EXPECT_EQ(e.nType, ENEMY_DEFEATED);
    EXPECT_EQ(e.dwStateTime, g_dwNowTime);
    EXPECT_EQ(g_nEnemyLeft, 1);
}

TEST_F(Enemies, OnTheLastStageOnlyTheBossesRemovalCounts)
{
    for (int stage : {53, 54}) {
        g_nStage = stage;
        g_nEnemyLeft = 1;
        for (int type : {ENEMY_DEFEATED, ENEMY_BOSS_DEFEATED}) {
            GAMEOBJ& e = Grounded(0, ENEMY_HOPPER, 300.0f, ENEMY_WALK_LEFT);
            e.nType = type;
            e.dwStateTime = g_dwNowTime - 1501;
            UpdateEnemyAI(0);
            EXPECT_FALSE(Present(e));
        }
        EXPECT_EQ(g_nEnemyLeft, stage == 54 ? 0 : -1) << "stage " << stage;
    }
}

// ---------------------------------------------------------------- decisions

TEST_F(Enemies, AWalkerDecidesWhenMoreThanTheSharedValueTimes500msHavePassed)
{
    GAMEOBJ& e = Grounded(0, ENEMY_HOPPER, 300.0f, ENEMY_WALK_LEFT);
    g_nRand = 3;
    e.dwThinkTime = g_dwNowTime - 1500;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.bAirborne, 0) << "1500 ms is not more than 3 x 500";
    EXPECT_EQ(g_nRand, 3);

    e.dwThinkTime = g_dwNowTime - 1501;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.bAirborne, 1);
    EXPECT_EQ(e.nJumpState, JUMP_RISING);
    EXPECT_EQ(e.fVy, -5.0f);
    EXPECT_EQ(e.dwThinkTime, g_dwNowTime);
    EXPECT_GE(g_nRand, 0);
    EXPECT_LE(g_nRand, 9);

    // Deciding again in the air re-rolls but does not jump again.
    e.fVy = -2.0f;
    g_nRand = 0;
    g_dwNowTime += 1;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.fVy, -2.0f);
    EXPECT_EQ(e.dwThinkTime, g_dwNowTime);

    // The wait survives the clock's wrap.
    g_nRand = 1;
    e.bAirborne = 0;
    e.dwThinkTime = 0xFFFFFF00u;
    g_dwNowTime = 0x100;  // 512 ms later
    UpdateEnemyAI(0);
    EXPECT_EQ(e.bAirborne, 1);
}

TEST_F(Enemies, BombersDecideOnTheValueThatTimedThemAndThenDrawANewOne)
{
    PutPlayer(100.0f, 376.0f);
    // Type 3: below 4 jumps, otherwise attacks towards the player.
    GAMEOBJ& b = Grounded(0, ENEMY_BOMBER, 300.0f, ENEMY_WALK_RIGHT);
    g_nRand = 3;
    b.dwThinkTime = g_dwNowTime - 1501;
    UpdateEnemyAI(0);
    EXPECT_EQ(b.bAirborne, 1);
    EXPECT_EQ(b.bAttack, 0);

    Grounded(0, ENEMY_BOMBER, 300.0f, ENEMY_WALK_RIGHT);
    g_nRand = 4;
    b.dwThinkTime = g_dwNowTime - 2001;
    UpdateEnemyAI(0);
    EXPECT_EQ(b.bAirborne, 0);
    EXPECT_EQ(b.bAttack, 1);
    EXPECT_EQ(b.nState, ENEMY_WALK_LEFT) << "towards the player";

    // Type 13 never jumps: below 3 it re-aims every bomb record, in flight or not.
    GAMEOBJ& c = Grounded(1, ENEMY_BOMBER3, 300.0f, ENEMY_WALK_LEFT);
    SetQuadDiv10A(g_EnemyShot[1][0].vtx, 50, 300, 100, 350, 255);   // left of the player's x1 100
    SetQuadDiv10A(g_EnemyShot[1][1].vtx, 100, 300, 150, 350, 255);  // level with it
    SetQuadDiv10A(g_EnemyShot[1][2].vtx, 101, 300, 151, 350, 255);  // right of it
    c.nShotState[1] = SHOT_FLYING;
    g_nRand = 0;
    c.dwThinkTime = g_dwNowTime - 1;
    UpdateEnemyAI(1);
    EXPECT_EQ(c.bAirborne, 0);
    EXPECT_EQ(c.bAttack, 0);
    EXPECT_EQ(g_EnemyShot[1][0].fSpeed, 3.0f);
    EXPECT_EQ(g_EnemyShot[1][0].nFacing, FACING_RIGHT);
    EXPECT_EQ(g_EnemyShot[1][1].fSpeed, 3.0f);
    EXPECT_EQ(g_EnemyShot[1][2].fSpeed, -3.0f);
    EXPECT_EQ(g_EnemyShot[1][2].nFacing, FACING_LEFT);

    g_nRand = 3;
    c.dwThinkTime = g_dwNowTime - 1501;
    UpdateEnemyAI(1);
    EXPECT_EQ(c.bAirborne, 0);
    EXPECT_EQ(c.bAttack, 1);
}

TEST_F(Enemies, AnAttackNeedsAShotSlotThatCanTakeARequest)
{
    // The first slot counts only while no attack runs; the others always do.
    struct Case {
        bool attacking;
        int s0, s1, s2;
        bool attacks;
    };
    const Case cases[] = {
        {false, 0, 2, 2, true},  {true, 0, 2, 2, false}, {true, 2, 1, 2, true},
        {true, 2, 2, 0, true},   {false, 2, 2, 2, false}, {false, 99, 99, 99, false},
    };
    PutPlayer(600.0f, 376.0f);
    for (const Case& c : cases) {
        GAMEOBJ& e = Grounded(0, ENEMY_SHOOTER, 300.0f, ENEMY_WALK_LEFT);
        e.bAttack = c.attacking;
        e.nShotState[0] = c.s0;
        e.nShotState[1] = c.s1;
        e.nShotState[2] = c.s2;
        g_nRand = 0;
        e.dwThinkTime = g_dwNowTime - 1;
        UpdateEnemyAI(0);
        EXPECT_EQ(e.nState, c.attacks ? ENEMY_WALK_RIGHT : ENEMY_WALK_LEFT)
            << c.attacking << " " << c.s0 << " " << c.s1 << " " << c.s2;
        EXPECT_EQ(e.bAttack != 0, c.attacks || c.attacking);
    }
}

TEST_F(Enemies, TheChaserDropsToALowerPlayerAndJumpsToAHigherOne)
{
    // Standing on a block above the player: it drops through it.
    PutPlayer(200.0f, 376.0f);
    GAMEOBJ& e = Grounded(0, ENEMY_CHASER, 400.0f, ENEMY_WALK_RIGHT);
    SetQuadDiv10B(e.vtx, 400, 146, 500, 246, 255);
    e.fY = 140.0f;
    e.nJumpState = JUMP_ON_BLOCK;
    g_nRand = 0;
    e.dwThinkTime = g_dwNowTime - 1;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.bAirborne, 1);
    EXPECT_EQ(e.nJumpState, JUMP_FALLING);
    EXPECT_EQ(e.fVy, 0.0f);
    EXPECT_EQ(e.vtx[0].y, 156.0f);
    EXPECT_EQ(e.fY, 140.0f) << "the drop moves only the quad";
    EXPECT_EQ(e.nState, ENEMY_WALK_LEFT);

    // Level with the player: neither.
    Grounded(0, ENEMY_CHASER, 400.0f, ENEMY_WALK_LEFT);
    PutPlayer(600.0f, 376.0f);
    g_nRand = 0;
    e.dwThinkTime = g_dwNowTime - 1;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.bAirborne, 0);
    EXPECT_EQ(e.vtx[0].y, 376.0f);
    EXPECT_EQ(e.nState, ENEMY_WALK_RIGHT);

    // Below the player: it jumps.
    PutPlayer(600.0f, 146.0f);
    g_nRand = 0;
    e.dwThinkTime = g_dwNowTime - 1;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.bAirborne, 1);
    EXPECT_EQ(e.nJumpState, JUMP_RISING);
    EXPECT_EQ(e.fVy, -5.0f);
}

// Seeds rand so that its next value mod 10 is below 3 (or not).
void SeedNextDecision(bool below3)
{
    for (unsigned seed = 1;; ++seed) {
        srand(seed);
        if ((rand() % 10 < 3) == below3) {
            srand(seed);
            return;
        }
    }
}

TEST_F(Enemies, BigJumpersReverseOnALowNewValueAndOtherwiseJumpHighForGood)
{
    GAMEOBJ& e = Grounded(0, ENEMY_FAST_BIG_JUMPER, 400.0f, ENEMY_WALK_LEFT);
    SeedNextDecision(true);
    g_nRand = 0;
    e.dwThinkTime = g_dwNowTime - 1;
    UpdateEnemyAI(0);
    EXPECT_LT(g_nRand, 3);
    EXPECT_EQ(e.nState, ENEMY_WALK_RIGHT);
    EXPECT_EQ(e.bAirborne, 0);
    EXPECT_TRUE(Plays().empty());

    SeedNextDecision(false);
    g_nRand = 0;
    e.dwThinkTime = g_dwNowTime - 1;
    UpdateEnemyAI(0);
    EXPECT_EQ(e.nState, ENEMY_WALK_RIGHT);
    EXPECT_EQ(e.bAirborne, 1);
    EXPECT_EQ(e.fVy, -5.0f);
    EXPECT_EQ(e.fGravity, 0.04f);
    EXPECT_EQ(Plays(), std::vector<std::string>{kBigJumpSound});

    // The low gravity stays for every later fall: up 312.5 px, and back down.
    float highest = e.fY;
    int frames = 0;
    g_nRand = 9;
    while (e.bAirborne && frames < 1000) {
        e.dwThinkTime = g_dwNowTime;
        NextFrame();
        MoveEnemy(0);
        highest = std::min(highest, e.fY);
        ++frames;
    }
    EXPECT_FALSE(e.bAirborne);
    EXPECT_NEAR(401.0f - highest, 312.5f, 5.0f);
    EXPECT_EQ(e.fGravity, 0.04f);
    EXPECT_EQ(e.vtx[2].y - e.vtx[0].y, 200.0f);
}

TEST_F(Enemies, BigJumpersFirstWalkRightOnTheirOwnStage)
{
    struct Case {
        int type, stage, first;
    };
    for (const Case& c : {Case{9, 39, 2}, Case{9, 40, 1}, Case{19, 40, 2}, Case{19, 39, 1}, Case{2, 39, 1}}) {
        g_nStage = c.stage;
        GAMEOBJ& e = Place(0, c.type, 400.0f, 140.0f);
        g_dwNowTime += 1501;
        UpdateEnemyAI(0);
        EXPECT_EQ(e.nState, c.first) << "type " << c.type << " stage " << c.stage;
    }
}

// ---------------------------------------------------------------- walking

TEST_F(Enemies, AWalkerThatTurnsOnTheGroundStartsAgainFromItsBaseSpeed)
{
    GAMEOBJ& e = Grounded(0, ENEMY_HOPPER, 400.0f, ENEMY_WALK_LEFT);
    e.nFacing = FACING_RIGHT;
    e.fSpeed = 3.0f;
    std::vector<float> speeds;
    std::vector<DWORD> stepTimes;
    float x = e.vtx[0].x;
    for (int f = 0; f < 60; ++f) {
        NextFrame();
        MoveEnemy(0);
        EXPECT_EQ(e.vtx[0].x, x - e.fSpeed);
        x = e.vtx[0].x;
        if (speeds.empty() || speeds.back() != e.fSpeed) {
            speeds.push_back(e.fSpeed);
            stepTimes.push_back(g_dwNowTime);
        }
    }
    EXPECT_EQ(speeds, (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 3.0f}));
    for (size_t s = 2; s < stepTimes.size(); ++s) EXPECT_GT(stepTimes[s] - stepTimes[s - 1], 100u);
    EXPECT_EQ(e.nFacing, FACING_LEFT);

    // A turn in the air keeps the speed.
    SetQuadDiv10B(e.vtx, e.vtx[0].x, 200, e.vtx[2].x, 300, 255);
    e.fY = 200.0f;
    e.bAirborne = 1;
    e.nState = ENEMY_WALK_RIGHT;
    NextFrame();
    MoveEnemy(0);
    EXPECT_EQ(e.fSpeed, 3.0f);
    EXPECT_EQ(e.nFacing, FACING_RIGHT);
}

TEST_F(Enemies, AWalkerStartingInTheAirAcceleratesFromNothing)
{
    GAMEOBJ& e = Place(0, ENEMY_HOPPER, 400.0f, 0.0f);
    g_dwNowTime += 1501;
    UpdateEnemyAI(0);
    ASSERT_EQ(e.nState, ENEMY_WALK_LEFT);
    std::vector<float> speeds;
    for (int f = 0; f < 30; ++f) {
        MoveEnemy(0);
        if (speeds.empty() || speeds.back() != e.fSpeed) speeds.push_back(e.fSpeed);
        NextFrame();
    }
    ASSERT_TRUE(e.bAirborne);
    ASSERT_GE(speeds.size(), 4u);
    EXPECT_EQ(std::vector<float>(speeds.begin(), speeds.begin() + 4), (std::vector<float>{0.0f, 0.5f, 1.0f, 1.5f}));
}

// ---------------------------------------------------------------- animation

TEST_F(Enemies, AnimationPicksOneStepperByPriorityAtMostEvery100ms)
{
    struct Case {
        const char* what;
        int type;
        int state;
        bool hurt, attack, airborne;
        int moveDir;
        int frameBefore, frameAfter;
    };
    const Case cases[] = {
        {"defeat beats all", ENEMY_DEFEATED, 1, true, true, true, 1, 0, 1},
        {"damage flicker", ENEMY_HOPPER, 1, true, true, true, 1, 8, 9},
        {"damage leaves other frames", ENEMY_HOPPER, 1, true, false, false, 1, 3, 3},
        {"attack before warp", ENEMY_WARPER, 5, false, true, true, 0, 6, 7},
        {"warp before airborne", ENEMY_WARPER, 5, false, false, true, 0, 0, 1},
        {"airborne hopper", ENEMY_HOPPER, 1, false, false, true, 2, 0, 6},
        {"airborne bomber", ENEMY_BOMBER, 1, false, false, true, 2, 0, 3},
        {"airborne big jumper", ENEMY_BIG_JUMPER, 1, false, false, true, 2, 0, 7},
        {"airborne warper", ENEMY_WARPER, 4, false, false, true, 0, 5, 2},
        {"airborne item", ENEMY_ITEM, 7, false, false, true, 0, 1, 0},
        {"standing hopper", ENEMY_HOPPER, 7, false, false, false, 0, 3, 3},
        {"standing dropper", ENEMY_ROCK_DROPPER, 7, false, false, false, 0, 2, 0},
        {"walking hopper wraps", ENEMY_HOPPER, 1, false, false, false, 2, 5, 0},
        {"walking hopper", ENEMY_HOPPER, 1, false, false, false, 2, 8, 1},
        {"walking shooter wraps", ENEMY_SHOOTER, 2, false, false, false, 1, 3, 0},
        {"walking homing stays", ENEMY_HOMING, 2, false, false, false, 1, 2, 2},
        {"walking boss", ENEMY_BOSS, 2, false, false, false, 1, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GAMEOBJ& e = Grounded(0, c.type == ENEMY_DEFEATED ? ENEMY_HOPPER : c.type, 300.0f, c.state);
        e.nType = c.type;
        e.dwHitTime = c.hurt ? g_dwNowTime - 800 : g_dwNowTime - 801;
        e.bAttack = c.attack;
        e.bAirborne = c.airborne;
        e.nFrame = c.frameBefore;
        e.dwAnimTime = g_dwNowTime - 100;
        AnimateEnemy(0, &e, c.moveDir);
        EXPECT_EQ(e.nFrame, c.frameBefore) << "not due at 100 ms";
        e.dwAnimTime = g_dwNowTime - 101;
        AnimateEnemy(0, &e, c.moveDir);
        EXPECT_EQ(e.nFrame, c.frameAfter);
        if (c.frameAfter != c.frameBefore) ExpectShowsFrame(e, c.frameAfter);
    }
}

TEST_F(Enemies, AttackRunsShowTheirFramesAndEndWithOneShotRequest)
{
    struct Case {
        int type;
        std::vector<int> frames;  // shown, one a step, the last held at the end
        int stateAfter;
    };
    const Case cases[] = {
        {ENEMY_BOMBER, {7, 7}, ENEMY_WALK_LEFT},
        {ENEMY_WAVE_SHOOTER, {4, 5, 6, 6}, ENEMY_WALK_LEFT},
        {ENEMY_HOMING, {3, 4, 4}, ENEMY_STANDING},
        {ENEMY_BOSS, {1, 2, 2}, ENEMY_STANDING},
        {ENEMY_BIG_ROCK_DROPPER, {1, 2, 2}, ENEMY_WAITING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        const int state = c.stateAfter == ENEMY_WAITING ? ENEMY_STANDING : c.stateAfter;
        GAMEOBJ& e = Grounded(0, c.type, 300.0f, state);
        e.dwHitTime = 0;
        e.nShotState[0] = SHOT_FLYING;  // the first free slot takes the request
        e.bAttack = 1;
        e.nFrame = 9;
        for (size_t s = 0; s < c.frames.size(); ++s) {
            ASSERT_TRUE(e.bAttack) << "step " << s;
            g_dwNowTime += 101;
            AnimEnemyAttack(0, &e);
            EXPECT_EQ(e.nFrame, c.frames[s]);
            ExpectShowsFrame(e, c.frames[s]);
            EXPECT_EQ(e.dwAnimTime, g_dwNowTime);
        }
        EXPECT_FALSE(e.bAttack);
        EXPECT_EQ(e.nState, c.stateAfter);
        const int expected1 = (c.type == ENEMY_BIG_ROCK_DROPPER) ? SHOT_UNUSED : SHOT_REQUESTED;
        EXPECT_EQ(e.nShotState[0], SHOT_FLYING);
        EXPECT_EQ(e.nShotState[1], expected1);
        // All slots taken: the attack ends without a request.
        e.bAttack = 1;
        e.nFrame = c.frames.back();
        for (int& s : e.nShotState) s = (s == SHOT_UNUSED) ? s : SHOT_FLYING;
        for (size_t s = 0; s < c.frames.size() && e.bAttack; ++s) AnimEnemyAttack(0, &e);
        EXPECT_FALSE(e.bAttack);
        for (int s : e.nShotState) EXPECT_NE(s, SHOT_REQUESTED);
    }
}

// ---------------------------------------------------------------- the standing types

// Records every change of nState of slot i over n frames.
std::vector<int> StatesOver(int i, int n, const std::function<void(int from, int to)>& onChange = {})
{
    std::vector<int> states{g_Enemy[i].nState};
    for (int f = 0; f < n; ++f) {
        NextFrame();
        const int before = g_Enemy[i].nState;
        EnemyFrame(i);
        if (g_Enemy[i].nState != before) {
            states.push_back(g_Enemy[i].nState);
            if (onChange) onChange(before, g_Enemy[i].nState);
        }
    }
    return states;
}

TEST_F(Enemies, TheWarperVanishesFallsHiddenShootsWaitsAndReappearsAwayFromThePlayer)
{
    for (int type : {ENEMY_WARPER, ENEMY_FAST_WARPER}) {
        SCOPED_TRACE("type " + std::to_string(type));
        headless_sound::ClearEvents();
        PutPlayer(150.0f, 376.0f);
        GAMEOBJ& e = Place(0, type, 600.0f, 120.0f);
        g_nRand = 1;
        int warpSounds = 0;
        DWORD attackPoseFrom = 0;
        DWORD waitingFrom = 0;
        bool checkedReappearance = false;
        auto onChange = [&](int from, int to) {
            if (from == ENEMY_APPEARING) {
                // The first vanish begins at once, with its sound, and the
                // fall from the placed height starts in the same frame.
                EXPECT_EQ(to, ENEMY_VANISHING);
                EXPECT_GT(e.vtx[0].y, 120.0f);
            }
            if (to == ENEMY_HIDDEN) {
                EXPECT_TRUE(Parked(e));
            }
            if (to == ENEMY_WALK_LEFT || to == ENEMY_WALK_RIGHT) {
                EXPECT_EQ(e.fY, 376.0f);
                EXPECT_TRUE(e.bAttack);
                EXPECT_EQ(e.nFrame, 2);
                attackPoseFrom = g_dwNowTime;
            }
            if (from != ENEMY_APPEARING && to == ENEMY_WAITING) {
                const DWORD held = e.nType == ENEMY_WARPER ? 800 : 400;
                EXPECT_GT(g_dwNowTime - attackPoseFrom, held + 100);
                EXPECT_LE(g_dwNowTime - attackPoseFrom, held + 200 + 3 * 120);
                EXPECT_EQ(e.nShotState[0], SHOT_REQUESTED);
                e.nShotState[0] = SHOT_FREE;  // as if the shot flew and ended
                waitingFrom = g_dwNowTime;
            }
            if (from == ENEMY_WAITING) {
                // 1200 ms on frame 2 since the step that ended the attack.
                EXPECT_EQ(to, ENEMY_VANISHING);
                EXPECT_GT(g_dwNowTime - waitingFrom, 1200u);
                EXPECT_LE(g_dwNowTime - waitingFrom, 1217u);
            }
            if (to == ENEMY_REAPPEARING && !checkedReappearance) {
                checkedReappearance = true;
                const float x = e.vtx[0].x;
                EXPECT_EQ(x, (float)g_nRandX);
                EXPECT_EQ(e.vtx[2].x - x, 102.0f);
                EXPECT_TRUE(x >= 150.0f + 200.0f || x < 150.0f - 100.0f) << x;
                if (e.nType == ENEMY_FAST_WARPER) {
                    EXPECT_EQ(e.vtx[0].y, 374.0f);
                    EXPECT_EQ(e.vtx[2].y, 476.0f);
                } else {
                    EXPECT_EQ(e.vtx[0].y, (float)g_nRandY);
                    EXPECT_EQ(e.vtx[2].y - e.vtx[0].y, 102.0f);
                }
                EXPECT_EQ(e.rcHit.left, 40);
                EXPECT_EQ(e.rcHit.bottom, 15);
            }
            warpSounds = (int)Plays().size();
        };
        const std::vector<int> states = StatesOver(0, 900, onChange);
        // Appear, vanish, hide and land out of sight (turning to the player
        // on its left), shoot, wait, vanish, hide, reappear, land, shoot ...
        const std::vector<int> expected = {0, 3, 4, 1, 6, 3, 4, 5};
        ASSERT_GE(states.size(), expected.size() + 2);
        EXPECT_EQ(std::vector<int>(states.begin(), states.begin() + expected.size()), expected);
        EXPECT_TRUE(states[8] == 1 || states[8] == 2);
        EXPECT_EQ(states[9], 6);
        EXPECT_TRUE(checkedReappearance);
        EXPECT_GE(warpSounds, 3);
        for (const std::string& play : Plays()) EXPECT_EQ(play, kWarpSound);
    }
}

TEST_F(Enemies, AReappearingWarperLandsNeverOnTopOfThePlayer)
{
    // The player's x1 at 150: the new x1 is at least 350, or below 50.
    PutPlayer(150.0f, 300.0f);
    bool right = false, left = false;
    for (int n = 0; n < 200; ++n) {
        const int type = n % 2 ? ENEMY_FAST_WARPER : ENEMY_WARPER;
        GAMEOBJ& e = Grounded(0, type, 400.0f, ENEMY_HIDDEN);
        g_nRand = 0;
        e.dwAnimTime = g_dwNowTime - 1;
        UpdateEnemyAI(0);
        ASSERT_EQ(e.nState, ENEMY_REAPPEARING);
        const float x = e.vtx[0].x;
        ASSERT_EQ(x, (float)g_nRandX);
        ASSERT_TRUE((x >= 350.0f && x < 700.0f) || (x >= -100.0f && x < 50.0f)) << x;
        right |= x >= 350.0f;
        left |= x < 50.0f;
        ASSERT_EQ(e.vtx[2].x - x, 102.0f);
        if (type == ENEMY_FAST_WARPER) {
            ASSERT_EQ(e.vtx[0].y, 298.0f);  // at the player's height
            ASSERT_EQ(e.vtx[2].y, 400.0f);
        } else {
            ASSERT_EQ(e.vtx[0].y, (float)g_nRandY);
            ASSERT_LT(g_nRandY, 350);
            ASSERT_EQ(e.vtx[2].y - e.vtx[0].y, 102.0f);
        }
        ASSERT_EQ(e.fY, 376.0f) << "its physics y waits for the next step";
    }
    EXPECT_TRUE(right && left);
    EXPECT_EQ(Plays().size(), 200u);
}

TEST_F(Enemies, TheRockDropperAttacksFacingThePlayerAndWaitsBetween)
{
    PutPlayer(100.0f, 376.0f);
    GAMEOBJ& e = Place(0, ENEMY_ROCK_DROPPER, 400.0f, 0.0f);
    int attacks = 0;
    std::vector<int> attackFrames;
    auto onChange = [&](int from, int to) {
        if (to == ENEMY_STANDING) {
            EXPECT_EQ(e.nFacing, FACING_LEFT);
            EXPECT_EQ(e.nFrame, 0);
        }
        if (from == ENEMY_STANDING && to == ENEMY_WAITING) {
            ++attacks;
            int requested = 0;
            for (int& s : e.nShotState) {
                if (s == SHOT_REQUESTED) {
                    ++requested;
                    s = SHOT_FREE;  // as if the rock fell and ended
                }
            }
            EXPECT_EQ(requested, 1);
        }
    };
    std::vector<int> states = StatesOver(0, 900, onChange);
    // The appearance may hand over to 6 and on to 7 in one frame.
    ASSERT_EQ(states[0], 0);
    states.erase(states.begin());
    if (states[0] == 6) states.erase(states.begin());
    ASSERT_GE(states.size(), 4u);
    for (size_t s = 0; s < states.size(); ++s) EXPECT_EQ(states[s], s % 2 == 0 ? 7 : 6) << s;
    EXPECT_GE(attacks, 2);
    EXPECT_EQ(e.fY, 376.0f);
    EXPECT_EQ(e.vtx[0].x, 400.0f) << "it never walks";
}

TEST_F(Enemies, TheHomingShooterIdlesOnOneAndTwoAndFlickersOncePerStepWhenHurt)
{
    PutPlayer(600.0f, 376.0f);
    GAMEOBJ& e = Grounded(0, ENEMY_HOMING, 300.0f, ENEMY_STANDING);
    e.dwHitTime = 0;
    e.nFrame = 5;
    g_nRand = 9;
    std::vector<int> frames;
    for (int f = 0; f < 40; ++f) {
        NextFrame();
        EnemyFrame(0);
        if (frames.empty() || frames.back() != e.nFrame) frames.push_back(e.nFrame);
        ASSERT_FALSE(e.bAttack);
    }
    ASSERT_GE(frames.size(), 5u);
    for (size_t s = 0; s < frames.size(); ++s) EXPECT_EQ(frames[s], s % 2 == 0 ? 2 : 1) << s;
    EXPECT_EQ(e.nFacing, FACING_RIGHT);

    // A tick raises the attack; the move in the same frame shows frame 3.
    e.dwThinkTime = g_dwNowTime - 4501;
    e.dwAnimTime = g_dwNowTime - 200;
    EnemyFrame(0);
    EXPECT_TRUE(e.bAttack);
    EXPECT_EQ(e.nFrame, 3);

    // Hurt: both the decision and the animation could flicker, but only one
    // step is taken per 100 ms.
    e.bAttack = 0;
    e.dwHitTime = g_dwNowTime;
    e.nFrame = 8;
    e.dwAnimTime = g_dwNowTime - 101;
    std::vector<DWORD> steps;
    int frame = e.nFrame;
    while (g_dwNowTime - e.dwHitTime <= 800) {
        EnemyFrame(0);
        if (e.nFrame != frame) steps.push_back(g_dwNowTime);
        frame = e.nFrame;
        NextFrame();
    }
    ASSERT_GE(steps.size(), 6u);
    for (size_t s = 1; s < steps.size(); ++s) EXPECT_GT(steps[s] - steps[s - 1], 100u);
    EXPECT_FALSE(e.bAttack) << "no attack while hurt";
}

TEST_F(Enemies, TheItemBlinksEvery500msAndTheBossAttacksOnHalfTheWait)
{
    GAMEOBJ& item = Grounded(0, ENEMY_ITEM, 300.0f, ENEMY_STANDING);
    item.dwAnimTime = g_dwNowTime;
    item.nFrame = 0;
    g_dwNowTime += 500;
    UpdateEnemyAI(0);
    EXPECT_EQ(item.nFrame, 0);
    g_dwNowTime += 1;
    UpdateEnemyAI(0);
    EXPECT_EQ(item.nFrame, 1);
    ExpectShowsFrame(item, 1);
    g_dwNowTime += 501;
    UpdateEnemyAI(0);
    EXPECT_EQ(item.nFrame, 0);

    GAMEOBJ& boss = Grounded(1, ENEMY_BOSS, 300.0f, ENEMY_STANDING);
    g_nRand = 3;
    boss.dwAnimTime = g_dwNowTime - 750;
    UpdateEnemyAI(1);
    EXPECT_FALSE(boss.bAttack);
    boss.dwAnimTime = g_dwNowTime - 751;
    UpdateEnemyAI(1);
    EXPECT_TRUE(boss.bAttack);

    // Standing still it returns to 7; it lands on the floor into 7 too.
    boss.bAttack = 0;
    boss.nState = ENEMY_WALK_LEFT;
    boss.dwAnimTime = g_dwNowTime - 101;
    AnimateEnemy(1, &boss, 0);
    EXPECT_EQ(boss.nState, ENEMY_STANDING);
    boss.nState = ENEMY_WALK_RIGHT;
    boss.bAirborne = 1;
    boss.fVy = 2.0f;
    boss.fY = 375.0f;
    MoveEnemy(1);
    EXPECT_FALSE(boss.bAirborne);
    EXPECT_EQ(boss.nState, ENEMY_STANDING);
}

// ---------------------------------------------------------------- long runs

// What this module alone guarantees, whatever a type does: the side ends are
// kept by the edge clamp and blocks by the block pass, neither of them here.
void ExpectSane(const GAMEOBJ& e, float lastX1, int frame)
{
    SCOPED_TRACE("frame " + std::to_string(frame));
    for (const VERTEX& v : e.vtx) {
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    }
    ASSERT_GE(e.nState, 0);
    ASSERT_LE(e.nState, 7);
    ASSERT_GE(e.nFrame, 0);
    ASSERT_LE(e.nFrame, 9);
    for (int s : e.nShotState) ASSERT_TRUE(s == SHOT_FREE || s == SHOT_REQUESTED || s == SHOT_UNUSED) << s;
    ASSERT_GE(e.fSpeed, 0.0f);
    ASSERT_LE(e.fSpeed, std::max(e.fMaxSpeed, 0.0f));
    if (Parked(e) || (e.vtx[0].x == QUAD_PARK && e.vtx[2].x == QUAD_PARK)) return;
    ASSERT_GE(e.vtx[0].y, 0.0f);
    if (e.nType == ENEMY_WARPER || e.nType == ENEMY_FAST_WARPER) {
        // A warper that reappears while still falling moves its new quad at
        // the old fall speed until its next step resynchronises fY, so it
        // may dip below its ground line before it lands; it stays on the
        // picture.
        ASSERT_LE(e.vtx[0].y, 480.0f);
        ASSERT_GE(e.vtx[0].x, -100.0f);
        ASSERT_LT(e.vtx[0].x, 700.0f);
    } else {
        // Never below its ground line.
        ASSERT_LE(e.vtx[0].y, e.fGroundY);
        ASSERT_LE(std::fabs(e.vtx[0].x - lastX1), e.fMaxSpeed);
    }
}

TEST_F(Enemies, EveryTypeRunsForAWhileOnItsOwnWithinItsBounds)
{
    for (const TypeRow& row : kRows) {
        SCOPED_TRACE("type " + std::to_string(row.type));
        for (GAMEOBJ& e : g_Enemy) e.fGroundY = 0.0f;
        g_nStage = 40;
        PutPlayer(100.0f, 376.0f);
        GAMEOBJ& e = Place(0, row.type, 400.0f, IsBig(row.type) ? 140.0f : 0.0f);
        float x1 = e.vtx[0].x;
        for (int f = 0; f < 900; ++f) {
            NextFrame();
            EnemyFrame(0);
            // Shots are fired and ended elsewhere; free what was requested.
            if (f % 50 == 0) {
                for (int& s : e.nShotState) s = (s == SHOT_REQUESTED) ? SHOT_FREE : s;
            }
            ASSERT_NO_FATAL_FAILURE(ExpectSane(e, x1, f));
            x1 = e.vtx[0].x;
            ASSERT_TRUE(Present(e));
        }
    }
}

TEST_F(Enemies, AllTypesTogetherShareTheDecisionValueWithoutHarm)
{
    int slot = 0;
    for (const TypeRow& row : kRows) {
        Place(slot, row.type, 60.0f * slot, IsBig(row.type) ? 140.0f : 0.0f);
        ++slot;
    }
    float x1[ENEMY_COUNT];
    for (int i = 0; i < ENEMY_COUNT; ++i) x1[i] = g_Enemy[i].vtx[0].x;
    for (int f = 0; f < 900; ++f) {
        NextFrame();
        for (int i = 0; i < ENEMY_COUNT; ++i) EnemyFrame(i);
        for (int i = 0; i < slot; ++i) {
            ASSERT_NO_FATAL_FAILURE(ExpectSane(g_Enemy[i], x1[i], f)) << "slot " << i;
            x1[i] = g_Enemy[i].vtx[0].x;
            for (int& s : g_Enemy[i].nShotState) s = (s == SHOT_REQUESTED) ? SHOT_FREE : s;
        }
        ASSERT_GE(g_nRand, 0);
        ASSERT_LE(g_nRand, 9);
    }
}

// ---------------------------------------------------------------- real frames

// Stage 1 over real frames of the stage start and play: both hoppers appear,
// fall to the floor and walk; defeated by their fields, they leave one after
// the other and the stage counts down to its clear.
TEST(EnemiesInPlay, StageOnesHoppersAppearWalkAndCountDownToTheClear)
{
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario game;
    g_nStage = 1;
    g_nCharacter = 1;
    g_FrameNo = 30;
    g_nStageStep = 0;
    int guard = 0;
    while (g_FrameNo == 30 && guard++ < 400) game.run(1);
    ASSERT_EQ(g_FrameNo, 31);
    ASSERT_EQ(g_nEnemyLeft, 2);
    // The player's own module sets it up; here it only needs to be alive.
    g_Player.nHp = 8;
    PutPlayer(250.0f, 376.0f);
    g_Player.dwHitTime = 0;
    const DWORD start = g_Enemy[0].dwStateTime;

    headless::ClearDraws();
    for (;;) {
        game.run(1);
        if (g_dwNowTime - start > 1500) break;
        ASSERT_EQ(g_Enemy[0].nState, ENEMY_APPEARING);
        ASSERT_EQ(g_Enemy[0].vtx[0].y, 0.0f);
        ASSERT_EQ(g_Enemy[1].vtx[0].y, 120.0f);
    }
    // Drawn on the appearing frames only.
    int appearingDraws = 0;
    for (const auto& d : headless::Draws()) {
        if (d.texture != g_pTexEnemy1R || d.v[0].x != 400.0f) continue;
        const int frame = (int)std::lround(d.v[0].u * 10.0f);
        EXPECT_TRUE(frame == 8 || frame == 9) << frame;
        ++appearingDraws;
    }
    EXPECT_GE(appearingDraws, 80);

    bool landed[2] = {false, false};
    for (int f = 0; f < 240; ++f) {
        game.run(1);
        for (int i = 0; i < 2; ++i) {
            const GAMEOBJ& e = g_Enemy[i];
            ASSERT_GT(e.nState, 0);
            ASSERT_LE(e.fY, 376.0f);
            // On the floor line, or on one of the stage's blocks.
            if (!e.bAirborne && (e.nJumpState == JUMP_ON_BLOCK || (e.fY == 376.0f && e.vtx[0].y == 376.0f)))
                landed[i] = true;
        }
    }
    EXPECT_TRUE(landed[0]);
    EXPECT_TRUE(landed[1]);
    EXPECT_LT(g_Enemy[1].vtx[0].x, 1000.0f) << "it walks";

    for (int i = 0; i < 2; ++i) {
        g_Enemy[i].nType = ENEMY_DEFEATED;
        g_Enemy[i].dwStateTime = g_dwNowTime;
        const DWORD defeatedAt = g_dwNowTime;
        for (int f = 0; f < 200 && Present(g_Enemy[i]); ++f) {
            EXPECT_EQ(g_nEnemyLeft, 2 - i);
            game.run(1);
        }
        EXPECT_FALSE(Present(g_Enemy[i]));
        EXPECT_GT(g_dwNowTime - defeatedAt, 1500u);
        EXPECT_LE(g_dwNowTime - defeatedAt, 1517u);
        EXPECT_EQ(g_nEnemyLeft, 1 - i);
    }
    // With nothing left, play no longer runs the enemies.
    unsigned char before[sizeof(GAMEOBJ)];
    std::memcpy(before, &g_Enemy[0], sizeof(GAMEOBJ));
    game.run(5);
    EXPECT_EQ(std::memcmp(before, &g_Enemy[0], sizeof(GAMEOBJ)), 0);
}

}  // namespace
