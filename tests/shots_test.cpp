// Player shots, enemy shots and the boss's summons: the routines called
// directly on the records, and the player's first shot over real frames of
// the play scene.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "game/collisions.h"
#include "game/objects.h"
#include "game/play_step.h"
#include "game/scene.h"
#include "game/shots.h"
#include "platform/d3dx_texture.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

struct Box {
    float x1, y1, x2, y2;
};

Box QuadOf(const GAMEOBJ& obj)
{
    return {obj.vtx[0].x, obj.vtx[0].y, obj.vtx[2].x, obj.vtx[2].y};
}

bool Parked(const GAMEOBJ& obj)
{
    for (const VERTEX& v : obj.vtx) {
        if (v.x != QUAD_PARK || v.y != QUAD_PARK) return false;
    }
    return true;
}

#define EXPECT_QUAD(obj, ex1, ey1, ex2, ey2)                                                   \
    do {                                                                                       \
        Box b_ = QuadOf(obj);                                                                  \
        EXPECT_EQ(b_.x1, (float)(ex1));                                                        \
        EXPECT_EQ(b_.y1, (float)(ey1));                                                        \
        EXPECT_EQ(b_.x2, (float)(ex2));                                                        \
        EXPECT_EQ(b_.y2, (float)(ey2));                                                        \
    } while (0)

// The stage at its start, sounds in their slots (no files needed), every
// shot sheet a distinct tiny texture, the blocks out of the way and the
// clock where the headless one starts.
class Shots : public ::testing::Test {
protected:
    Shots() {
        headless_sound::AcceptMissingFiles(true);
        g_nCharacter = 1;
        LoadGameSounds();
        struct Sheet {
            const char* name;
            IDirect3DTexture8** slot;
        };
        const Sheet sheets[] = {
            {"a1", &g_pTexMyChar1Atk},   {"a2", &g_pTexMyChar2Atk},   {"a3r", &g_pTexMyChar3AtkR},
            {"a3l", &g_pTexMyChar3AtkL}, {"a4", &g_pTexMyChar4Atk},   {"a5r", &g_pTexMyChar5AtkR},
            {"a5l", &g_pTexMyChar5AtkL}, {"e2r", &g_pTexEnemy2AtkR},  {"e2l", &g_pTexEnemy2AtkL},
            {"e3r", &g_pTexEnemy3AtkR},  {"e3l", &g_pTexEnemy3AtkL},  {"e5", &g_pTexEnemy5Atk},
            {"e6", &g_pTexEnemy6Atk},
        };
        for (const Sheet& s : sheets) {
            ScratchFolder::WritePpm(s.name, 2, 2);
            EXPECT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, ("date/" + std::string(s.name) + ".tov").c_str(),
                                                 s.slot),
                      0);
        }
        SetQuad(g_vtxBack, 0, 0, 1280, 480, 255);
        for (GAMEOBJ& block : g_Block) SetQuad(block.vtx, QUAD_PARK, QUAD_PARK, QUAD_PARK, QUAD_PARK, 255);
        g_dwNowTime = 100000;
        // Routines called directly draw as they would inside a frame.
        g_pd3dDevice->BeginScene();
        headless::ClearDraws();
        headless_sound::ClearEvents();
    }

    // The player standing with its 100 x 100 quad's top-left at (x, y).
    static void PlacePlayer(int character, float x, float y, int facing) {
        g_nCharacter = character;
        g_Player.nType = character;
        SetQuadDiv20(g_Player.vtx, x, y, x + 100, y + 100, 255);
        g_Player.rcHit = {45, 10, 45, 15};
        g_Player.nFacing = facing;
        g_Player.nHp = 8;
    }

    // Draws with this texture, all frames.
    static std::vector<headless::DrawRecord> DrawsOf(const IDirect3DTexture8* tex) {
        std::vector<headless::DrawRecord> out;
        for (const auto& d : headless::Draws()) {
            if (d.texture == tex) out.push_back(d);
        }
        return out;
    }
    static std::vector<std::string> Plays() { return headless_sound::Log("play"); }

    ScratchFolder folder_;
    Scenario game_;
};

// ---------------------------------------------------------------- player shots

TEST_F(Shots, FirstCharacterShotFliesTwoHundredPixelsOfItsOwnOverRealFrames)
{
    g_FrameNo = 31;
    g_nEnemyLeft = 1;
    PlacePlayer(1, 100, 376, FACING_RIGHT);
    g_Player.nShotState[0] = SHOT_REQUESTED;
    g_Player.nShotState[1] = SHOT_FREE;
    g_Player.nShotState[2] = SHOT_FREE;
    GAMEOBJ& shot = g_PlayerShot[0];
    const int firstFrame = headless::PresentCount();

    game_.run(1);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FLYING);
    EXPECT_EQ(shot.dwShotTime, g_dwNowTime);
    // Drawn where it was placed, before its first move.
    auto drawn = DrawsOf(g_pTexMyChar1Atk);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].frame, firstFrame);
    EXPECT_EQ(drawn[0].v[0].x, 180.0f);
    EXPECT_EQ(drawn[0].v[0].y, 406.0f);
    EXPECT_EQ(drawn[0].v[2].x, 222.0f);
    EXPECT_EQ(drawn[0].v[2].y, 448.0f);
    EXPECT_QUAD(shot, 184.5f, 406, 226.5f, 448);
    EXPECT_EQ(shot.nFrame, 1);  // the first step shows frame 1

    // The view scrolls under it by 3 pixels a frame; only its own steps count.
    int moves = 1;
    int lastFrame = shot.nFrame;
    std::vector<int> frames{lastFrame};
    while (g_Player.nShotState[0] == SHOT_FLYING && moves < 100) {
        MoveQuad(shot.vtx, -3.0f, 0.0f, 0.0f);
        game_.run(1);
        ++moves;
        if (shot.nFrame != lastFrame && g_Player.nShotState[0] == SHOT_FLYING) {
            lastFrame = shot.nFrame;
            frames.push_back(lastFrame);
        }
        if (moves == 44) {
            EXPECT_EQ(shot.fDistance, 198.0f);
        }
    }
    EXPECT_EQ(moves, 45);  // 45 x 4.5 = 202.5 is the first sum of 200 or more
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FREE);
    EXPECT_EQ(shot.fDistance, 0.0f);
    EXPECT_TRUE(Parked(shot));
    // 45 frames of about 16.7 ms: a new frame every seventh, cycling 1, 2, 3, 0.
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 0, 1, 2, 3}));

    // A free slot is neither fired nor drawn any more.
    const size_t drawsSoFar = DrawsOf(g_pTexMyChar1Atk).size();
    game_.run(3);
    EXPECT_EQ(DrawsOf(g_pTexMyChar1Atk).size(), drawsSoFar);
}

TEST_F(Shots, EachCharacterPlacesItsShotOnTheFacingSideMirrored)
{
    struct Expect {
        int character, facing;
        Box box;
        float speed, frameU;
        const IDirect3DTexture8* const* sheet;
    };
    // Player quad (200, 300)-(300, 400).
    const Expect cases[] = {
        {1, FACING_UNSET, {280, 330, 322, 372}, 4.5f, 0.2f, &g_pTexMyChar1Atk},
        {1, FACING_LEFT, {178, 330, 220, 372}, -4.5f, 0.2f, &g_pTexMyChar1Atk},
        {2, FACING_RIGHT, {280, 345, 322, 387}, 0.0f, 0.2f, &g_pTexMyChar2Atk},
        {2, FACING_LEFT, {178, 345, 220, 387}, -0.0f, 0.2f, &g_pTexMyChar2Atk},
        {3, FACING_RIGHT, {280, 335, 344, 385}, 3.0f, 0.1f, &g_pTexMyChar3AtkR},
        {3, FACING_LEFT, {156, 335, 220, 385}, -3.0f, 0.1f, &g_pTexMyChar3AtkL},
        {4, FACING_RIGHT, {280, 330, 322, 372}, 4.5f, 0.2f, &g_pTexMyChar4Atk},
        {4, FACING_LEFT, {178, 330, 220, 372}, -4.5f, 0.2f, &g_pTexMyChar4Atk},
        {5, FACING_UNSET, {290, 330, 324, 362}, 10.0f, 0.25f, &g_pTexMyChar5AtkR},
        {5, FACING_LEFT, {176, 330, 210, 362}, -10.0f, 0.25f, &g_pTexMyChar5AtkL},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(testing::Message() << "character " << c.character << " facing " << c.facing);
        PlacePlayer(c.character, 200, 300, c.facing);
        g_Player.nShotState[2] = SHOT_REQUESTED;
        GAMEOBJ& shot = g_PlayerShot[2];
        shot = GAMEOBJ{};
        headless::ClearDraws();
        FirePlayerShot(2, &g_Player, &shot);

        EXPECT_EQ(g_Player.nShotState[2], SHOT_FLYING);
        EXPECT_QUAD(shot, c.box.x1, c.box.y1, c.box.x2, c.box.y2);
        EXPECT_EQ(shot.vtx[0].tu, 0.0f);
        EXPECT_EQ(shot.vtx[1].tu, c.frameU);
        EXPECT_EQ(shot.vtx[0].color >> 24, 255u);
        EXPECT_EQ(shot.fSpeed, c.speed);
        ASSERT_EQ(headless::Draws().size(), 1u);
        EXPECT_EQ(headless::Draws()[0].texture, *c.sheet);
        EXPECT_EQ(headless::Draws()[0].v[0].x, c.box.x1);
        if (c.character == 3) {
            EXPECT_EQ(shot.rcHit.left, 20);
            EXPECT_EQ(shot.rcHit.top, 20);
            EXPECT_EQ(shot.rcHit.right, 20);
            EXPECT_EQ(shot.rcHit.bottom, 7);
        } else {
            EXPECT_EQ(shot.rcHit.left | shot.rcHit.top | shot.rcHit.right | shot.rcHit.bottom, 0);
        }
        if (c.character == 5) {
            EXPECT_EQ(shot.fSpeedY, 5.0f);
        }
    }

    // A shot already in flight is only drawn where it is, whatever the
    // player does meanwhile.
    PlacePlayer(1, 200, 300, FACING_RIGHT);
    GAMEOBJ& shot = g_PlayerShot[0];
    g_Player.nShotState[0] = SHOT_REQUESTED;
    FirePlayerShot(0, &g_Player, &shot);
    SetQuadDiv20(g_Player.vtx, 0, 0, 100, 100, 255);
    g_Player.nFacing = FACING_LEFT;
    FirePlayerShot(0, &g_Player, &shot);
    EXPECT_QUAD(shot, 280, 330, 322, 372);
    EXPECT_EQ(shot.fSpeed, 4.5f);
}

TEST_F(Shots, ThirdCharacterBombFallsLandsOnTheFloorAndRollsOffTheStage)
{
    PlacePlayer(3, 100, 376, FACING_RIGHT);
    g_Player.nShotState[1] = SHOT_REQUESTED;
    GAMEOBJ& bomb = g_PlayerShot[1];
    FirePlayerShot(1, &g_Player, &bomb);
    EXPECT_QUAD(bomb, 180, 411, 244, 461);
    EXPECT_EQ(bomb.fY, 418.0f);
    EXPECT_EQ(bomb.nJumpState, JUMP_FALLING);
    EXPECT_EQ(bomb.bAirborne, 1);
    EXPECT_EQ(bomb.fVy, 0.0f);

    std::vector<int> frames;
    int moves = 0;
    auto step = [&] {
        g_dwNowTime += 17;
        MovePlayerShot(1, &bomb);
        ++moves;
        if (frames.empty() || frames.back() != bomb.nFrame) frames.push_back(bomb.nFrame);
    };
    // It drops from rest at once: 0.15, 0.45, 0.9, 1.5 pixels below its start.
    for (int i = 0; i < 4; ++i) step();
    EXPECT_EQ(bomb.bAirborne, 1);
    EXPECT_FLOAT_EQ(bomb.vtx[0].y, 412.5f);
    EXPECT_FLOAT_EQ(bomb.fY, 419.5f);
    EXPECT_EQ(bomb.vtx[0].x, 192.0f);
    step();  // fY passes 420: on the floor, its top on the floor line
    EXPECT_EQ(bomb.bAirborne, 0);
    EXPECT_EQ(bomb.nJumpState, JUMP_ON_GROUND);
    EXPECT_EQ(bomb.fY, 420.0f);
    EXPECT_QUAD(bomb, 195, 420, 259, 470);

    // It rolls on at 3 pixels a frame until it is wholly past the right end.
    while (g_Player.nShotState[1] == SHOT_FLYING && moves < 1000) {
        step();
        if (g_Player.nShotState[1] == SHOT_FLYING) {
            EXPECT_EQ(bomb.vtx[0].y, 420.0f);
        }
    }
    EXPECT_EQ(moves, 367);  // x1 = 180 + 3 x 367 = 1281 > 1280
    EXPECT_TRUE(Parked(bomb));
    // Slot 1 has frames 3, 4, 5 of its own; the firing value 9 leads into them.
    ASSERT_GE(frames.size(), 5u);
    EXPECT_EQ((std::vector<int>(frames.begin(), frames.begin() + 5)), (std::vector<int>{3, 4, 5, 3, 4}));
}

TEST_F(Shots, SecondCharacterShotStaysFiveSecondsAndShowsItsSlotsFrame)
{
    PlacePlayer(2, 100, 300, FACING_RIGHT);
    g_Player.nShotState[2] = SHOT_REQUESTED;
    GAMEOBJ& shot = g_PlayerShot[2];
    FirePlayerShot(2, &g_Player, &shot);
    const DWORD fired = g_dwNowTime;
    const DWORD stamp = shot.dwShotAnimTime;
    MovePlayerShot(2, &shot);
    EXPECT_QUAD(shot, 180, 345, 222, 387);
    EXPECT_EQ(shot.nFrame, 2);
    EXPECT_FLOAT_EQ(shot.vtx[0].tu, 0.4f);
    EXPECT_FLOAT_EQ(shot.vtx[1].tu, 0.6f);
    // Its stamp is never renewed, so the frame is set again in every move.
    EXPECT_EQ(shot.dwShotAnimTime, stamp);
    shot.nFrame = 0;
    g_dwNowTime += 17;
    MovePlayerShot(2, &shot);
    EXPECT_EQ(shot.nFrame, 2);

    // Paused frames only draw it, but its life runs on.
    g_dwNowTime = fired + 4000;
    FirePlayerShot(2, &g_Player, &shot);
    g_dwNowTime = fired + 5000;
    MovePlayerShot(2, &shot);
    EXPECT_EQ(g_Player.nShotState[2], SHOT_FLYING);
    g_dwNowTime = fired + 5001;
    MovePlayerShot(2, &shot);
    EXPECT_EQ(g_Player.nShotState[2], SHOT_FREE);
    EXPECT_TRUE(Parked(shot));
}

TEST_F(Shots, FifthCharacterZigzagTurnsPastTwentyAndCarriesItsOffsetToTheNextShot)
{
    PlacePlayer(5, 1000, 300, FACING_LEFT);
    GAMEOBJ& shot = g_PlayerShot[0];
    auto fireAndFly = [&](int moves, float* low, float* high) {
        g_Player.nShotState[0] = SHOT_REQUESTED;
        FirePlayerShot(0, &g_Player, &shot);
        const float startY = shot.vtx[0].y, startX = shot.vtx[0].x;
        EXPECT_EQ(shot.fSpeedY, 5.0f);  // downwards first, whichever way it flies
        *low = *high = 0.0f;
        for (int i = 0; i < moves; ++i) {
            MovePlayerShot(0, &shot);
            const float offset = shot.vtx[0].y - startY;
            if (offset > *low) *low = offset;
            if (offset < *high) *high = offset;
        }
        EXPECT_EQ(shot.vtx[0].x, startX - 10.0f * moves);
    };
    float low, high;
    fireAndFly(20, &low, &high);
    EXPECT_EQ(low, 25.0f);
    EXPECT_EQ(high, -25.0f);
    EXPECT_EQ(shot.fDistance, -200.0f);  // counted, but no range for this one

    // Ended with its offset at 15 by leaving the stage: the next shot from
    // the slot turns 10 pixels below its start, not 25.
    g_Player.nShotState[0] = SHOT_FREE;
    shot.fWave = 10.0f;
    shot.fSpeedY = 5.0f;
    g_Player.nShotState[0] = SHOT_FLYING;
    MoveQuad(shot.vtx, -2000.0f, 0.0f, 0.0f);
    MovePlayerShot(0, &shot);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FREE);
    EXPECT_EQ(shot.fDistance, 0.0f);
    EXPECT_EQ(shot.fWave, 15.0f);
    fireAndFly(3, &low, &high);
    EXPECT_EQ(low, 10.0f);
}

TEST_F(Shots, PlayerShotTouchingAStageEndFliesOnAndOneBeyondItEnds)
{
    // The view at the stage's right part: the stage spans -640 to 640.
    SetQuad(g_vtxBack, -640, 0, 640, 480, 255);
    PlacePlayer(4, 100, 300, FACING_RIGHT);
    g_Player.nShotState[0] = SHOT_REQUESTED;
    GAMEOBJ& shot = g_PlayerShot[0];
    FirePlayerShot(0, &g_Player, &shot);
    // Put it 4.5 short of the right end: its move lands it exactly on it.
    MoveQuad(shot.vtx, 640.0f - 4.5f - shot.vtx[0].x, 0.0f, 0.0f);
    shot.fDistance = 1000.0f;  // no range limit for this character
    MovePlayerShot(0, &shot);
    EXPECT_EQ(shot.vtx[0].x, 640.0f);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FLYING);
    EXPECT_EQ(shot.fDistance, 1004.5f);

    // Half a pixel past the end ends it, and a slot freed in its move is not animated.
    MoveQuad(shot.vtx, -4.0f, 0.0f, 0.0f);
    shot.nFrame = 2;
    shot.dwShotAnimTime = g_dwNowTime - 500;
    MovePlayerShot(0, &shot);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FREE);
    EXPECT_EQ(shot.fDistance, 0.0f);
    EXPECT_EQ(shot.nFrame, 2);
    EXPECT_EQ(shot.dwShotAnimTime, g_dwNowTime - 500);

    // The same on the left end, flying left.
    g_Player.nFacing = FACING_LEFT;
    g_Player.nShotState[0] = SHOT_REQUESTED;
    FirePlayerShot(0, &g_Player, &shot);
    MoveQuad(shot.vtx, -640.0f + 4.5f - shot.vtx[2].x, 0.0f, 0.0f);
    MovePlayerShot(0, &shot);
    EXPECT_EQ(shot.vtx[2].x, -640.0f);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FLYING);
    MoveQuad(shot.vtx, 3.5f, 0.0f, 0.0f);
    MovePlayerShot(0, &shot);
    EXPECT_EQ(g_Player.nShotState[0], SHOT_FREE);
}

}  // namespace
