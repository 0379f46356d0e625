// The HUD: its quads by character, one icon per hit point, and the stage
// counter's digits, read back from the recorded draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/hud.h"
#include "game/objects.h"
#include "platform/d3dx_texture.h"
#include "platform/headless/headless.h"
#include "scenario.h"
#include "shell/renderer.h"
#include "shell/textures.h"
#include "stages/stage_data.h"
#include "test_support.h"

namespace {

struct Drawn {
    const IDirect3DTexture8* texture;
    float left, top, right, bottom;
};

class Hud : public ::testing::Test {
protected:
    Hud() {
        // A distinct picture in every HUD slot, so that draws tell them apart.
        IDirect3DTexture8** slots[] = {&g_pTexHPMeter1, &g_pTexHPMeter2, &g_pTexHPMeter3, &g_pTexHPMeter4,
                                       &g_pTexHP1,      &g_pTexHP2,      &g_pTexHP3,      &g_pTexHP4,
                                       &g_pTexStageCountBase, &g_pTexStageCount};
        int n = 0;
        for (IDirect3DTexture8** slot : slots) {
            std::string name = "hud" + std::to_string(n++);
            ScratchFolder::WritePpm(name, n, 1);
            EXPECT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, ("date/" + name + ".tov").c_str(), slot), 0);
        }
    }

    // What one DrawHud draws, in order.
    static std::vector<Drawn> Draw() {
        headless::ClearDraws();
        g_pd3dDevice->BeginScene();
        DrawHud();
        g_pd3dDevice->EndScene();
        std::vector<Drawn> out;
        for (const auto& d : headless::Draws())
            out.push_back({d.texture, d.v[0].x, d.v[0].y, d.v[2].x, d.v[2].y});
        return out;
    }

    static void Setup(int character, int hp) {
        g_Player.nType = character;
        g_Player.nHp = hp;
        InitHud();
    }

    ScratchFolder folder_;
    Scenario platform_;
};

TEST_F(Hud, IconsFollowTheCharactersMaximum) {
    for (int c = 1; c <= 5; ++c) {
        g_HpIcon[7].vtx[0].x = 5.0f;  // left over from another character
        Setup(c, 1);
        const bool eight = c == 1 || c == 4;
        const float width = eight ? 30.0f : 40.0f;
        for (int i = 0; i < 8; ++i) {
            const VERTEX* v = g_HpIcon[i].vtx;
            if (!eight && i >= 6) {
                for (int k = 0; k < 4; ++k) EXPECT_EQ(v[k].x, 999.0f) << c << " icon " << i;
                continue;
            }
            EXPECT_EQ(v[0].x, 60.0f + width * i) << c << " icon " << i;
            EXPECT_EQ(v[2].x, 60.0f + width * (i + 1)) << c << " icon " << i;
            EXPECT_EQ(v[0].y, 12.0f);
            EXPECT_EQ(v[2].y, 36.0f);
            EXPECT_EQ(v[1].tu, 1.0f);
            EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
        }
        EXPECT_EQ(g_HpIcon[eight ? 7 : 5].vtx[2].x, 300.0f);
    }
    EXPECT_EQ(g_vtxHpMeter[0].x, -1.0f);
    EXPECT_EQ(g_vtxHpMeter[0].y, -1.0f);
    EXPECT_EQ(g_vtxHpMeter[2].x, 305.0f);
    EXPECT_EQ(g_vtxHpMeter[2].y, 57.0f);
    EXPECT_EQ(g_vtxStageCountBase[0].x, 299.0f);
    EXPECT_EQ(g_vtxStageCountBase[0].y, -1.0f);
    EXPECT_EQ(g_vtxStageCountBase[2].x, 641.0f);
    EXPECT_EQ(g_vtxStageCountBase[2].y, 41.0f);
}

// Icon i shows while HP > i, drawn from the last icon down; 0 or less shows
// none, and the panels are drawn all the same.
TEST_F(Hud, OneIconPerHitPointOverThePanel) {
    struct Case {
        int character, hp;
        IDirect3DTexture8 **panel, **icon;
        std::vector<float> iconLefts;
    };
    const Case cases[] = {
        {1, 8, &g_pTexHPMeter1, &g_pTexHP1, {270, 240, 210, 180, 150, 120, 90, 60}},
        {1, 3, &g_pTexHPMeter1, &g_pTexHP1, {120, 90, 60}},
        {1, 0, &g_pTexHPMeter1, &g_pTexHP1, {}},
        {1, -2, &g_pTexHPMeter1, &g_pTexHP1, {}},
        {4, 1, &g_pTexHPMeter4, &g_pTexHP4, {60}},
        {2, 6, &g_pTexHPMeter2, &g_pTexHP2, {260, 220, 180, 140, 100, 60}},
        {3, 2, &g_pTexHPMeter3, &g_pTexHP3, {100, 60}},
        {5, 4, &g_pTexHPMeter3, &g_pTexHP3, {180, 140, 100, 60}},
        // More HP than icons placed: the parked two are drawn off the picture.
        {5, 8, &g_pTexHPMeter3, &g_pTexHP3, {999, 999, 260, 220, 180, 140, 100, 60}},
    };
    for (const Case& c : cases) {
        Setup(c.character, c.hp);
        std::vector<Drawn> d = Draw();
        ASSERT_EQ(d.size(), 1 + c.iconLefts.size() + 1 + 3) << c.character << " " << c.hp;
        EXPECT_EQ(d[0].texture, *c.panel);
        EXPECT_EQ(d[0].right, 305.0f);
        for (size_t i = 0; i < c.iconLefts.size(); ++i) {
            EXPECT_EQ(d[1 + i].texture, *c.icon) << c.character;
            EXPECT_EQ(d[1 + i].left, c.iconLefts[i]) << c.character << " " << c.hp << " draw " << i;
        }
        size_t n = 1 + c.iconLefts.size();
        EXPECT_EQ(d[n].texture, g_pTexStageCountBase);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(d[n + 1 + k].texture, g_pTexStageCount);
    }
}

// The counter shows world, 0 and stage in the world; each digit's u comes
// from its value at every draw, so a new value shows without a rebuild.
TEST_F(Hud, StageCounterDigitsAndTheirStrip) {
    Setup(1, 8);
    struct Case {
        int stage;
        int digits[3];
    } cases[] = {{1, {1, 0, 1}}, {9, {1, 0, 9}}, {10, {2, 0, 1}}, {54, {6, 0, 9}}};
    for (const Case& c : cases) {
        g_nStage = c.stage;
        SetStageEnemies();
        InitHud();  // keeps the values
        std::vector<Drawn> d = Draw();
        const float lefts[3] = {543, 570, 599};
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(g_StageDigit[k].nFrame, c.digits[k]) << c.stage;
            const VERTEX* v = g_StageDigit[k].vtx;
            EXPECT_EQ(v[0].tu, c.digits[k] * 0.1f) << c.stage << " digit " << k;
            EXPECT_EQ(v[3].tu, c.digits[k] * 0.1f);
            EXPECT_EQ(v[1].tu, c.digits[k] * 0.1f + 0.1f);
            EXPECT_EQ(v[2].tu, c.digits[k] * 0.1f + 0.1f);
            EXPECT_EQ(v[0].tv, 0.0f);
            EXPECT_EQ(v[2].tv, 1.0f);
            const Drawn& cell = d[d.size() - 3 + k];
            EXPECT_EQ(cell.left, lefts[k]);
            EXPECT_EQ(cell.right, lefts[k] + 40.0f);
            EXPECT_EQ(cell.top, 0.0f);
            EXPECT_EQ(cell.bottom, 40.0f);
        }
    }
    g_StageDigit[2].nFrame = 9;
    Draw();
    EXPECT_EQ(g_StageDigit[2].vtx[0].tu, 9 * 0.1f);
    EXPECT_FLOAT_EQ(g_StageDigit[2].vtx[1].tu, 1.0f);
    g_StageDigit[2].nFrame = 0;
    Draw();
    EXPECT_EQ(g_StageDigit[2].vtx[0].tu, 0.0f);
    EXPECT_EQ(g_StageDigit[2].vtx[1].tu, 0.1f);
}

}  // namespace
