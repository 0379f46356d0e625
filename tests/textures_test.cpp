// Texture slots, the two loaders and the load lists, over files the tests write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/objects.h"
#include "platform/common/texture_object.h"
#include "platform/d3dx_texture.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"

namespace {

// A scratch folder with its own date/, made the current directory.
class AssetFolder {
public:
    AssetFolder() {
        char tmpl[] = "/tmp/potetex-XXXXXX";
        dir_ = mkdtemp(tmpl);
        EXPECT_EQ(chdir(dir_.c_str()), 0);
        EXPECT_EQ(mkdir("date", 0755), 0);
    }
    ~AssetFolder() { (void)system(("rm -rf '" + dir_ + "'").c_str()); }

    static void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        FILE* f = fopen(("date/" + name + ".tov").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    // An opaque grey picture as binary PPM.
    static void WritePpm(const std::string& name, int w = 2, int h = 2) {
        std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        std::vector<uint8_t> bytes(head.begin(), head.end());
        bytes.resize(bytes.size() + (size_t)w * h * 3, 0x80);
        Write(name, bytes);
    }
    // A 32-bit uncompressed TGA, rows top-down, pixels given as 0xAARRGGBB.
    static void WriteTga(const std::string& name, int w, int h, const std::vector<uint32_t>& argb) {
        std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)w, (uint8_t)(w >> 8),
                                  (uint8_t)h, (uint8_t)(h >> 8), 32, 0x28};
        for (uint32_t p : argb) {
            b.push_back(p & 0xFF);
            b.push_back((p >> 8) & 0xFF);
            b.push_back((p >> 16) & 0xFF);
            b.push_back(p >> 24);
        }
        Write(name, b);
    }

private:
    std::string dir_;
};

const char* const kPlainInGame[] = {"black", "back_stage1", "Message1", "Loading"};
const char* const kKeyedInGame[] = {"back_char_con1", "back_char_con2", "char1", "comment", "HP_M1", "HP1",
                                    "stage_count_base", "stage_count", "mychar1_right", "mychar1_left",
                                    "enemy_out", "enemy1_right", "enemy1_left", "enemy2_right", "enemy2_left",
                                    "block1", "mychar1_attack", "enemy2_attack_right", "enemy2_attack_left"};

void WriteInGameSet() {
    for (const char* n : kPlainInGame) AssetFolder::WritePpm(n);
    for (const char* n : kKeyedInGame) AssetFolder::WriteTga(n, 1, 1, {0xFF102030});
}

std::vector<std::string> BoxTexts() {
    std::vector<std::string> out;
    for (const auto& b : headless::MessageBoxes()) {
        EXPECT_EQ(b.caption, "ERROR");
        out.push_back(b.text);
    }
    return out;
}

const TextureObject* Tex(IDirect3DTexture8* t) { return static_cast<const TextureObject*>(t); }

}  // namespace

TEST(TextureLoaders, KeepTheImageSizeAndDecodeByContent) {
    AssetFolder folder;
    Scenario s;
    AssetFolder::WritePpm("odd", 3, 5);  // the name says nothing about the format
    IDirect3DTexture8* t = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/odd.tov", &t), 0);
    EXPECT_EQ(Tex(t)->width, 3);
    EXPECT_EQ(Tex(t)->height, 5);
    EXPECT_EQ(Tex(t)->argb[0], 0xFF808080u);
    t->Release();
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLoaders, KeyedLoaderDropsOnlyTransparentPureGreen) {
    AssetFolder folder;
    Scenario s;
    AssetFolder::WriteTga("keyed", 5, 1, {0xFF00FF00, 0x0000FF00, 0x00FF0000, 0x80FF0000, 0x7F0000FF});
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
    AssetFolder folder;
    Scenario s;
    AssetFolder::Write("garbage", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    AssetFolder::Write("empty", {});
    AssetFolder::Write("short", {'P', '6', '\n', '4', ' ', '4', '\n', '2', '5', '5', '\n', 1, 2, 3});
    for (const char* f : {"date/missing.tov", "date/garbage.tov", "date/empty.tov", "date/short.tov", "date"}) {
        IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(1);
        EXPECT_LT(D3DXCreateTextureFromFileA(g_pd3dDevice, f, &t), 0) << f;
        EXPECT_EQ(t, nullptr) << f;
    }
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLists, TitleListStopsAtTheFirstFailureWithItsMessage) {
    AssetFolder folder;
    Scenario s;
    AssetFolder::WritePpm("back_start1");
    AssetFolder::WritePpm("back_start2");
    AssetFolder::WritePpm("logo2");  // logo1 is missing: logo2 must not be loaded
    LoadTitleTextures();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"スタート画面背景をテクスチャとして読み込めませんでした"});
    EXPECT_NE(g_pTexStart1, nullptr);
    EXPECT_NE(g_pTexStart2, nullptr);
    EXPECT_EQ(g_pTexLogo1, nullptr);
    EXPECT_EQ(g_pTexLogo2, nullptr);
    ReleaseTitleTextures();
    EXPECT_EQ(g_pTexStart1, nullptr);
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLists, InGameSetReloadsToTheSameCountAndKeepsTheLoadingPicture) {
    AssetFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    g_nCharacter = 1;
    LoadLoadingTexture();
    IDirect3DTexture8* loading = g_pTexLoading;
    LoadGameAssets();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{});
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
    AssetFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    ASSERT_EQ(unlink("date/back_char_con1.tov"), 0);
    g_nCharacter = 1;
    LoadGameAssets();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"ゲームオーバー画面をテクスチャとして読み込めませんでした"});
    EXPECT_EQ(LiveTextureCount(), 0);
}

TEST(TextureLists, SubListFailureStopsOnlyThatSubList) {
    AssetFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    ASSERT_EQ(unlink("date/HP1.tov"), 0);
    ASSERT_EQ(unlink("date/mychar1_left.tov"), 0);
    ASSERT_EQ(unlink("date/Message1.tov"), 0);
    g_nCharacter = 1;
    LoadGameAssets();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
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
    AssetFolder folder;
    Scenario s;
    AssetFolder::WriteTga("mychar3_right", 2, 1, {0xFF0000FF, 0xFF0000FF});
    AssetFolder::WriteTga("mychar3_left", 1, 1, {0xFF0000FF});
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
    AssetFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    for (const char* n : {"back_start1", "back_start2", "logo1", "logo2", "back_char_select1"})
        AssetFolder::WritePpm(n);
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
    AssetFolder folder;
    Scenario s;
    AssetFolder::WriteTga("pic", 1, 1, {0xFFFF0000});
    IDirect3DTexture8* a = nullptr;
    IDirect3DTexture8* b = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/pic.tov", &a), 0);
    AssetFolder::WriteTga("pic", 2, 1, {0xFF0000FF, 0xFF0000FF});
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/pic.tov", &b), 0);
    EXPECT_EQ(Tex(a)->argb[0], 0xFFFF0000u);
    EXPECT_EQ(Tex(b)->width, 2);
    EXPECT_EQ(Tex(b)->argb[0], 0xFF0000FFu);
    a->Release();
    b->Release();
    ASSERT_EQ(unlink("date/pic.tov"), 0);
    EXPECT_LT(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/pic.tov", &a), 0) << "a deleted file is not served from memory";
}
