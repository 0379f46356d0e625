// Texture slots, the two loaders and the load lists, over files the tests write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "game/objects.h"
#include "platform/common/texture_object.h"
#include "platform/d3dx_texture.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

const char* const kPlainInGame[] = {"black", "back_stage1", "Message1", "Loading"};
const char* const kKeyedInGame[] = {"back_char_con1", "back_char_con2", "char1", "comment", "HP_M1", "HP1",
                                    "stage_count_base", "stage_count", "mychar1_right", "mychar1_left",
                                    "enemy_out", "enemy1_right", "enemy1_left", "enemy2_right", "enemy2_left",
                                    "block1", "mychar1_attack", "enemy2_attack_right", "enemy2_attack_left"};

void WriteInGameSet() {
    for (const char* n : kPlainInGame) ScratchFolder::WritePpm(n);
    for (const char* n : kKeyedInGame) ScratchFolder::WriteTga(n, 1, 1, {0xFF102030});
}

const TextureObject* Tex(IDirect3DTexture8* t) { return static_cast<const TextureObject*>(t); }

}  // namespace

TEST(TextureLoaders, KeepTheImageSizeAndDecodeByContent) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WritePpm("odd", 3, 5);  // the name says nothing about the format
    IDirect3DTexture8* t = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/odd.tov", &t), 0);
    EXPECT_EQ(Tex(t)->width, 3);
    EXPECT_EQ(Tex(t)->height, 5);
    EXPECT_EQ(Tex(t)->argb[0], 0xFF808080u);
    t->Release();
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLoaders, KeyedLoaderDropsOnlyTransparentPureGreen) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WriteTga("keyed", 5, 1, {0xFF00FF00, 0x0000FF00, 0x00FF0000, 0x80FF0000, 0x7F0000FF});
    IDirect3DTexture8* t = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileExA(g_pd3dDevice, "date/keyed.tov", 0, 0, 0, 0, D3DFMT_A1R5G5B5,
                                           D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0x0000FF00,
                                           nullptr, nullptr, &t),
              0);
    const auto& px = Tex(t)->argb;
    EXPECT_EQ(px[0], 0xFF00FF00u) << "opaque green stays green";
    EXPECT_EQ(px[1], 0x00000000u) << "transparent green becomes transparent black";
    EXPECT_EQ(px[2] >> 24, 0u) << "other transparent colours keep alpha 0";
    EXPECT_EQ(px[3], 0xFFFF0000u) << "alpha of half or more is opaque";
    EXPECT_EQ(px[4] >> 24, 0u) << "alpha below half is transparent";
    t->Release();
}

TEST(TextureLoaders, MissingCorruptOrTruncatedFilesFail) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::Write("garbage", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    ScratchFolder::Write("empty", {});
    ScratchFolder::Write("short", {'P', '6', '\n', '4', ' ', '4', '\n', '2', '5', '5', '\n', 1, 2, 3});
    for (const char* f : {"date/missing.tov", "date/garbage.tov", "date/empty.tov", "date/short.tov", "date"}) {
        IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(1);
        EXPECT_LT(D3DXCreateTextureFromFileA(g_pd3dDevice, f, &t), 0) << f;
        EXPECT_EQ(t, nullptr) << f;
    }
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLists, TitleListStopsAtTheFirstFailureWithItsMessage) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WritePpm("back_start1");
    ScratchFolder::WritePpm("back_start2");
    ScratchFolder::WritePpm("logo2");  // logo1 is missing: logo2 must not be loaded
    LoadTitleTextures();
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{"スタート画面背景をテクスチャとして読み込めませんでした"});
    EXPECT_NE(g_pTexStart1, nullptr);
    EXPECT_NE(g_pTexStart2, nullptr);
    EXPECT_EQ(g_pTexLogo1, nullptr);
    EXPECT_EQ(g_pTexLogo2, nullptr);
    ReleaseTitleTextures();
    EXPECT_EQ(g_pTexStart1, nullptr);
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLists, InGameSetReloadsToTheSameCountAndKeepsTheLoadingPicture) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    g_nCharacter = 1;
    LoadLoadingTexture();
    IDirect3DTexture8* loading = g_pTexLoading;
    LoadGameAssets();
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{});
    int first = LiveTextureCount();
    EXPECT_EQ(first, 23) << "22 in-game pictures and the loading picture";

    ReleaseGameTexturesKeepingLoading();
    EXPECT_EQ(LiveTextureCount(), 1);
    EXPECT_EQ(g_pTexLoading, loading);
    LoadGameAssets();
    EXPECT_EQ(LiveTextureCount(), first);
    ReleaseLoadingTexture();
    ReleaseGameTextures();
    EXPECT_EQ(LiveTextureCount(), 0);
    EXPECT_EQ(g_pTexStageCount, nullptr);
}

TEST(TextureLists, MissingContinuePictureStopsTheWholeInGameList) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    ASSERT_EQ(unlink("date/back_char_con1.tov"), 0);
    g_nCharacter = 1;
    LoadGameAssets();
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{"ゲームオーバー画面をテクスチャとして読み込めませんでした"});
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLists, SubListFailureStopsOnlyThatSubList) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    ASSERT_EQ(unlink("date/HP1.tov"), 0);
    ASSERT_EQ(unlink("date/mychar1_left.tov"), 0);
    ASSERT_EQ(unlink("date/Message1.tov"), 0);
    g_nCharacter = 1;
    LoadGameAssets();
    EXPECT_EQ(MessageBoxTexts(), (std::vector<std::string>{
                              "Hpをテクスチャとして読み込めませんでした",
                              "ゲーム画面自キャラ（左）をテクスチャとして読み込めませんでした",
                              "キャラ選択をテクスチャとして読み込めませんでした",
                          }));
    EXPECT_NE(g_pTexHPMeter1, nullptr);
    EXPECT_EQ(g_pTexStageCountBase, nullptr) << "the HUD list stopped at HP1";
    EXPECT_NE(g_pTexStageBack, nullptr) << "the in-game list went on";
    EXPECT_NE(g_pTexMyCharR, nullptr);
    EXPECT_NE(g_pTexBlock, nullptr);
    EXPECT_NE(g_pTexEnemy2AtkL, nullptr);
}

TEST(TextureLists, PlayerPicturesFollowTheCharacter) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WriteTga("mychar3_right", 2, 1, {0xFF0000FF, 0xFF0000FF});
    ScratchFolder::WriteTga("mychar3_left", 1, 1, {0xFF0000FF});
    g_nCharacter = 3;
    LoadPlayerTextures();
    ASSERT_NE(g_pTexMyCharR, nullptr);
    EXPECT_EQ(Tex(g_pTexMyCharR)->width, 2);
    EXPECT_NE(g_pTexMyCharL, nullptr);
    ReleaseGameTextures();
    g_nCharacter = 6;  // no such character: nothing is loaded and nothing is said
    LoadPlayerTextures();
    EXPECT_EQ(g_pTexMyCharR, nullptr);
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST(TextureLists, ShutdownReleasesEveryListBeforeTheDevice) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    for (const char* n : {"back_start1", "back_start2", "logo1", "logo2", "back_char_select1"})
        ScratchFolder::WritePpm(n);
    g_nCharacter = 1;
    LoadTitleTextures();
    LoadCharSelectTexture();
    LoadGameAssets();
    EXPECT_EQ(LiveTextureCount(), 22 + 5);
    ReleaseD3D();
    EXPECT_EQ(LiveTextureCount(), 0);
    EXPECT_EQ(g_pd3dDevice, nullptr);
    EXPECT_EQ(g_pD3D, nullptr);
}

TEST(TextureLoaders, ReloadSeesAChangedFile) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WriteTga("pic", 1, 1, {0xFFFF0000});
    IDirect3DTexture8* a = nullptr;
    IDirect3DTexture8* b = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/pic.tov", &a), 0);
    ScratchFolder::WriteTga("pic", 2, 1, {0xFF0000FF, 0xFF0000FF});
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/pic.tov", &b), 0);
    EXPECT_EQ(Tex(a)->argb[0], 0xFFFF0000u);
    EXPECT_EQ(Tex(b)->width, 2);
    EXPECT_EQ(Tex(b)->argb[0], 0xFF0000FFu);
    a->Release();
    b->Release();
    ASSERT_EQ(unlink("date/pic.tov"), 0);
    EXPECT_LT(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/pic.tov", &a), 0) << "a deleted file is not served from memory";
}

// The in-game list finds every picture already decoded, each with the
// conversion its own loader asks for.
TEST(TextureLists, InGamePicturesAreDecodedAheadOfTheList) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    ScratchFolder::WriteTga("mychar4_right", 1, 1, {0xFF102030});
    ScratchFolder::WriteTga("mychar4_left", 1, 1, {0xFF102030});
    ScratchFolder::WriteTga("block1", 2, 1, {0x0000FF00, 0xFF123456});  // keyed: green goes, colours lose bits
    g_nCharacter = 4;
    TextureDecodeCounts before = GetTextureDecodeCounts();
    LoadGameAssets();
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{});
    TextureDecodeCounts after = GetTextureDecodeCounts();
    EXPECT_EQ(after.byPrefetch - before.byPrefetch, 22);
    EXPECT_EQ(after.byLoads - before.byLoads, 0);
    ASSERT_NE(g_pTexBlock, nullptr);
    EXPECT_EQ(Tex(g_pTexBlock)->argb[0], 0x00000000u);
    EXPECT_EQ(Tex(g_pTexBlock)->argb[1], 0xFF103152u);
    ASSERT_NE(g_pTexMyCharR, nullptr);
    ReleaseGameTextures();
}
