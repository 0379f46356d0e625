// Stage play over real frames with the build's default assets: a stage is
// brought in through the stage start from its step 1 (the road after a
// clear), and each frame's draws are told as a short line of names.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/scene.h"
#include "game/stage_start.h"
#include "golden.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/quad.h"
#include "shell/renderer.h"
#include "shell/textures.h"

// Draw calls outside a frame, as a scene's own drawing makes them.
class InScene {
public:
    InScene() { g_pd3dDevice->BeginScene(); }
    ~InScene() { g_pd3dDevice->EndScene(); }
};

class PlayRoad : public ::testing::Test {
protected:
    // Brings stage `stage` in as after a clear of the stage before it, and
    // stops at the first frame of play (not yet run). The player stands on
    // the floor with `hp`; `enemies` are left to defeat.
    void StartStage(int stage, int hp, int enemies = 3) {
        g_nStage = stage;
        g_nCharacter = 1;
        g_Player.nHp = hp;
        g_nEnemyLeft = enemies;
        g_FrameNo = 30;
        g_nStageStep = 1;
        g_nStageAlpha = 255;
        LoadLoadingTexture();
        int frames = 0;
        while (g_FrameNo == 30 && frames < 400) {
            game_.run(1);
            ++frames;
        }
        ASSERT_EQ(g_FrameNo, 31);
        ASSERT_EQ(frames, 151);
        ASSERT_EQ(g_nStageStep, 5);
        ASSERT_EQ(g_nStageAlpha, 255);
        StandOnFloor(270.0f, 376.0f);
        g_Player.nHp = hp;
        headless_sound::ClearEvents();
    }

    static void StandOnFloor(float x, float y) {
        SetQuadDiv20(g_Player.vtx, x, y, x + 100.0f, y + 100.0f, 255);
    }

    // Runs one frame and tells what it drew, in order: "back", "blocks",
    // "player", and the result pictures with their strip frame and alpha,
    // e.g. "comment3:120". The HUD's pictures are left out; anything else
    // drawn shows as "other".
    std::string Frame() {
        std::map<const IDirect3DTexture8*, std::string> names = Names();
        headless::ClearDraws();
        game_.run(1);
        std::string line;
        std::string last;
        for (const auto& d : headless::Draws()) {
            auto it = names.find(d.texture);
            std::string name = it == names.end() ? "other" : it->second;
            if (name == "hud") continue;
            if (name == "blocks" && last == "blocks") continue;
            last = name;
            if (name == "char" || name == "comment") {
                float width = name == "char" ? QUAD_U_DIV4 : QUAD_U_DIV5;
                name += std::to_string((int)(d.v[0].u / width + 0.5f));
            }
            if (name != "back" && name != "blocks" && name != "player") {
                name += ":" + std::to_string(d.v[0].color >> 24);
            }
            line += line.empty() ? name : " " + name;
        }
        return line;
    }

    // Runs frames while they draw exactly `expected(i)` for i = 1..n.
    template <typename F>
    void Frames(int n, F expected) {
        for (int i = 1; i <= n; ++i) {
            ASSERT_EQ(Frame(), expected(i)) << "frame " << i << " of " << n;
        }
    }

    static std::vector<std::string> Sounds() { return headless_sound::Log(); }

    DefaultAssets folder_;
    Scenario game_;

private:
    static std::map<const IDirect3DTexture8*, std::string> Names() {
        std::map<const IDirect3DTexture8*, std::string> n;
        for (IDirect3DTexture8* hud : {g_pTexHP1, g_pTexHP2, g_pTexHP3, g_pTexHP4, g_pTexHPMeter1, g_pTexHPMeter2,
                                       g_pTexHPMeter3, g_pTexHPMeter4, g_pTexStageCountBase, g_pTexStageCount}) {
            n[hud] = "hud";
        }
        n[g_pTexStageBack] = "back";
        n[g_pTexBlock] = "blocks";
        n[g_pTexMyCharR] = "player";
        n[g_pTexMyCharL] = "player";
        n[g_pTexChar1] = "char";
        n[g_pTexComment] = "comment";
        n[g_pTexBlack] = "black";
        n[g_pTexMessage1] = "message";
        n[g_pTexLoading] = "loading";
        n[g_pTexContinue1] = "continue";
        n[g_pTexContinue2] = "quit";
        n.erase(nullptr);  // an empty slot is no picture of ours
        return n;
    }
};
