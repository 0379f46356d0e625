// Texture slots, the two loaders and the load lists, over files the tests write.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "game/objects.h"
#include "game/scene.h"
#include "golden.h"
#include "platform/common/input_script.h"
#include "platform/common/texture_object.h"
#include "platform/common/worker_gate.h"
#include "platform/d3dx_texture.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"
#include "test_support.h"
#include "thread_count.h"

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

// The in-game list stops at its first failing picture: those before it are
// loaded, none after it.
TEST(TextureLists, MissingPictureStopsTheInGameListWhereItStands) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    WriteInGameSet();
    g_nCharacter = 1;
    ASSERT_EQ(unlink("date/back_char_con1.tov"), 0);
    LoadGameAssets();
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{"ゲームオーバー画面をテクスチャとして読み込めませんでした"});
    EXPECT_EQ(LiveTextureCount(), 0);

    WriteInGameSet();
    ASSERT_EQ(unlink("date/black.tov"), 0);
    LoadGameAssets();
    EXPECT_EQ(MessageBoxTexts().back(), "黒画面をテクスチャとして読み込めませんでした");
    EXPECT_EQ(LiveTextureCount(), 2) << "the two continue pictures";
    EXPECT_EQ(g_pTexChar1, nullptr);
    ReleaseGameTextures();
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

// Each picture reaches its own slot through its own loader. Every file is
// written with a code of its own in its second texel and transparent pure
// green in its first, which only the keyed loader turns into transparent black.
TEST(TextureLists, EachPictureLandsInItsSlotThroughItsLoader) {
    ScratchFolder folder;
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    struct Expect {
        const char* file;
        IDirect3DTexture8* const* slot;
        bool keyed;
    };
    const Expect table[] = {
        {"back_start1", &g_pTexStart1, false},       {"back_start2", &g_pTexStart2, false},
        {"logo1", &g_pTexLogo1, false},              {"logo2", &g_pTexLogo2, false},
        {"back_char_select1", &g_pTexCharSelect[0], false},
        {"Loading", &g_pTexLoading, false},          {"back_char_con1", &g_pTexContinue1, true},
        {"back_char_con2", &g_pTexContinue2, true},  {"black", &g_pTexBlack, false},
        {"char1", &g_pTexChar1, true},               {"comment", &g_pTexComment, true},
        {"HP_M1", &g_pTexHPMeter1, true},            {"HP1", &g_pTexHP1, true},
        {"stage_count_base", &g_pTexStageCountBase, true},
        {"stage_count", &g_pTexStageCount, true},    {"back_stage1", &g_pTexStageBack, false},
        {"mychar2_right", &g_pTexMyCharR, true},     {"mychar2_left", &g_pTexMyCharL, true},
        {"enemy_out", &g_pTexEnemyOut, true},        {"enemy1_right", &g_pTexEnemy1R, true},
        {"enemy1_left", &g_pTexEnemy1L, true},       {"enemy2_right", &g_pTexEnemy2R, true},
        {"enemy2_left", &g_pTexEnemy2L, true},       {"block1", &g_pTexBlock, true},
        {"mychar1_attack", &g_pTexMyChar1Atk, true}, {"enemy2_attack_right", &g_pTexEnemy2AtkR, true},
        {"enemy2_attack_left", &g_pTexEnemy2AtkL, true}, {"Message1", &g_pTexMessage1, false},
    };
    // The code sits in the top five bits of red and blue, which the keyed
    // loader's 5-bit colour keeps.
    auto code = [](int i) { return 0xFF000000u | (uint32_t)(i + 1) << 19 | (uint32_t)(i + 1) << 3; };
    int i = 0;
    for (const Expect& e : table) ScratchFolder::WriteTga(e.file, 2, 1, {0x0000FF00u, code(i++)});
    // Another character's pictures, which must not be the ones loaded.
    ScratchFolder::WriteTga("mychar1_right", 2, 1, {0x0000FF00u, 0xFFFFFFFFu});
    ScratchFolder::WriteTga("mychar1_left", 2, 1, {0x0000FF00u, 0xFFFFFFFFu});

    LoadTitleTextures();
    LoadCharSelectTexture();
    LoadLoadingTexture();
    g_nCharacter = 2;
    LoadGameAssets();
    EXPECT_TRUE(MessageBoxTexts().empty());

    i = 0;
    for (const Expect& e : table) {
        SCOPED_TRACE(e.file);
        const TextureObject* t = Tex(*e.slot);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->width * t->height, 2);
        EXPECT_EQ(t->argb[1] & 0xF800F8u, code(i++) & 0xF800F8u) << "the slot holds another file";
        EXPECT_EQ(t->argb[0], e.keyed ? 0x00000000u : 0x0000FF00u) << (e.keyed ? "keyed" : "plain");
    }
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

namespace {

// Waits, a few seconds at most, for the workers; true when they decoded n
// files more than before.
bool DecodedAhead(const TextureDecodeCounts& before, int n) {
    return WaitForTextureDecodes(5000) && GetTextureDecodeCounts().byPrefetch - before.byPrefetch == n;
}

void PrefetchPlain(const std::vector<LPCSTR>& files) {
    std::vector<D3DFORMAT> formats(files.size(), D3DFMT_UNKNOWN);
    std::vector<D3DCOLOR> keys(files.size(), 0);
    PrefetchTextureFiles(files.data(), formats.data(), keys.data(), (int)files.size());
}

}  // namespace

// What happens to a file between its prefetch and its load is what the load
// sees: a removed or broken file fails there, a changed or new one loads as
// it is now.
TEST(TexturePrefetch, LoadsSeeTheFilesAsTheyAreWhenLoaded) {
    ScratchFolder folder;
    Scenario s;
    ScratchFolder::WriteTga("same", 1, 1, {0xFF102030});
    ScratchFolder::WriteTga("changed", 1, 1, {0xFF102030});
    ScratchFolder::WriteTga("gone", 1, 1, {0xFF102030});
    ScratchFolder::Write("broken", {'P', '6', '\n', '9', '9'});
    TextureDecodeCounts before = GetTextureDecodeCounts();
    PrefetchPlain({"date/same.tov", "date/changed.tov", "date/gone.tov", "date/broken.tov", "date/later.tov"});
    ASSERT_TRUE(DecodedAhead(before, 3));

    ASSERT_EQ(unlink("date/gone.tov"), 0);
    ScratchFolder::WriteTga("changed", 2, 1, {0xFF405060, 0xFF405060});
    ScratchFolder::WriteTga("later", 1, 1, {0xFF708090});
    struct Expect {
        const char* file;
        bool loads;
        int width;
        uint32_t texel;
    };
    const Expect table[] = {
        {"date/same.tov", true, 1, 0xFF102030},   {"date/changed.tov", true, 2, 0xFF405060},
        {"date/gone.tov", false, 0, 0},           {"date/broken.tov", false, 0, 0},
        {"date/later.tov", true, 1, 0xFF708090},
    };
    for (const Expect& e : table) {
        SCOPED_TRACE(e.file);
        IDirect3DTexture8* t = nullptr;
        HRESULT hr = D3DXCreateTextureFromFileA(g_pd3dDevice, e.file, &t);
        if (!e.loads) {
            EXPECT_TRUE(FAILED(hr));
            EXPECT_EQ(t, nullptr);
            continue;
        }
        ASSERT_GE(hr, 0);
        EXPECT_EQ(Tex(t)->width, e.width);
        EXPECT_EQ(Tex(t)->argb[0], e.texel);
        t->Release();
    }
    TextureDecodeCounts after = GetTextureDecodeCounts();
    EXPECT_EQ(after.byPrefetch - before.byPrefetch, 3);
    EXPECT_EQ(after.byLoads - before.byLoads, 2) << "the changed file and the new one";
    EXPECT_EQ(LiveTextureCount(), 0);
}

// Start-up asks ahead for what the road into stage 1 play loads, with the
// pictures of the character the select screen chooses, and for nothing more:
// on that road no load decodes a picture itself, and the stage start of any
// other character then decodes that character's own pair, which start-up
// left alone.
TEST(TexturePrefetch, StartUpAsksForTheRoadIntoPlayAndNoOtherCharacter) {
    DefaultAssets assets;
    Scenario game;
    InputScript script;
    std::string error;
    ASSERT_TRUE(LoadInputScript(POTE_SCRIPT_DIR "/front_end_to_play.txt", script, error)) << error;
    game.runScript(script, 675);
    ASSERT_EQ(g_FrameNo, 31) << "the road reaches stage 1 play";
    ASSERT_EQ(g_nCharacter, 1);
    ASSERT_TRUE(WaitForTextureDecodes(10000));
    EXPECT_EQ(GetTextureDecodeCounts().byLoads, 0) << "a picture of the road was not asked for at start-up";
    for (int character = 2; character <= 5; ++character) {
        SCOPED_TRACE(character);
        ReleaseGameTextures();
        g_nCharacter = character;
        const TextureDecodeCounts before = GetTextureDecodeCounts();
        LoadGameAssets();
        ASSERT_TRUE(WaitForTextureDecodes(10000));
        const TextureDecodeCounts after = GetTextureDecodeCounts();
        EXPECT_EQ(after.byPrefetch + after.byLoads - before.byPrefetch - before.byLoads, 2)
            << "the character's pair, and only it, is new at its stage start";
    }
    EXPECT_TRUE(MessageBoxTexts().empty());
    ReleaseGameTextures();
}

// While a message box is up the picture workers start nothing; after it they
// decode what was asked for, and once idle for a while they end, counted out
// as they go. Later prefetches start workers anew.
TEST(TexturePrefetch, HeldWorkersWaitAndIdleOnesEnd) {
    ScratchFolder folder;
    Scenario s;
    ASSERT_TRUE(WaitForTextureDecodes(5000));
    ASSERT_EQ(TextureDecodeWorkers(), 0);
    const int threads = ThreadsNow();
    for (const char* n : {"one", "two", "three", "four"}) ScratchFolder::WriteTga(n, 1, 1, {0xFF102030});
    TextureDecodeCounts before = GetTextureDecodeCounts();
    worker_gate::Hold();
    PrefetchPlain({"date/one.tov", "date/two.tov"});
    EXPECT_FALSE(WaitForTextureDecodes(100));
    worker_gate::Release();
    EXPECT_TRUE(DecodedAhead(before, 2));
    ASSERT_TRUE(ThreadsDownTo(threads));
    ASSERT_EQ(TextureDecodeWorkers(), 0);

    before = GetTextureDecodeCounts();
    PrefetchPlain({"date/three.tov", "date/four.tov"});
    EXPECT_GT(TextureDecodeWorkers(), 0);
    EXPECT_EQ(TextureDecodeWorkers(), ThreadsNow() - threads) << "every worker counted is running";
    EXPECT_TRUE(DecodedAhead(before, 2));
}

namespace {

// What an exit from inside a message box meets, in a process of its own:
// one worker waits at the gate with a file to decode, another waits for
// work. Xlib ends the box's copy of the process (3 when that ends as it
// should), then this one, with exit code 4.
[[noreturn]] void ExitWhileHeld() {
    alarm(20);  // a hang ends this process with a signal, not the test's time limit
    PrefetchPlain({"date/one.tov", "date/two.tov"});
    WaitForTextureDecodes(5000);
    worker_gate::Hold();
    PrefetchPlain({"date/three.tov"});
    while (worker_gate::Waiting() == 0) usleep(1000);
    pid_t copy = fork();
    if (copy == 0) {
        alarm(20);
        exit(3);
    }
    int status = 0;
    if (waitpid(copy, &status, 0) != copy || !WIFEXITED(status) || WEXITSTATUS(status) != 3) _exit(1);
    exit(4);
}

}  // namespace

// An exit taken while a message box holds the workers ends the process, and
// so does one taken in the box's copy of the process, where no worker runs.
TEST(TexturePrefetch, AnExitWhileTheWorkersAreHeldEndsTheProcessAndTheBoxesCopy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ScratchFolder folder;
    Scenario s;
    for (const char* n : {"one", "two", "three"}) ScratchFolder::WriteTga(n, 1, 1, {0xFF102030});
    EXPECT_EXIT(ExitWhileHeld(), testing::ExitedWithCode(4), "");
}

// Where no worker can be started (too many threads for the user, no memory
// for a stack) the files wait for their loads, which decode them; where one
// runs, it takes all the work.
TEST(TexturePrefetch, WithoutNewWorkersTheLoadsOrTheWorkersRunningDecode) {
    ScratchFolder folder;
    Scenario s;
    ASSERT_EQ(TextureDecodeWorkers(), 0);
    const std::vector<LPCSTR> files = {"date/p0.tov", "date/p1.tov", "date/p2.tov", "date/p3.tov",
                                       "date/p4.tov", "date/p5.tov", "date/p6.tov"};
    for (int i = 0; i < (int)files.size(); ++i)
        ScratchFolder::WriteTga("p" + std::to_string(i), 1, 1, {0xFF000000u | (uint32_t)i});
    TextureDecodeCounts before = GetTextureDecodeCounts();
    worker_gate::FailNextStarts(1000);
    PrefetchPlain({files[0], files[1]});
    EXPECT_EQ(TextureDecodeWorkers(), 0);
    for (int i = 0; i < 2; ++i) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, files[i], &t), 0) << files[i];
        EXPECT_EQ(Tex(t)->argb[0], 0xFF000000u | (uint32_t)i) << files[i];
        t->Release();
    }
    TextureDecodeCounts after = GetTextureDecodeCounts();
    EXPECT_EQ(after.byPrefetch + after.byLoads - before.byPrefetch - before.byLoads, 2);

    worker_gate::FailNextStarts(0);
    before = after;
    PrefetchPlain({files[2]});
    ASSERT_TRUE(DecodedAhead(before, 1));
    ASSERT_EQ(TextureDecodeWorkers(), 1);
    // Held, the worker stays: left idle too long it waits at the gate, and
    // still takes what comes.
    worker_gate::Hold();
    worker_gate::FailNextStarts(1000);
    before = GetTextureDecodeCounts();
    PrefetchPlain({files[3], files[4], files[5], files[6]});
    worker_gate::Release();
    EXPECT_TRUE(DecodedAhead(before, 4));
    worker_gate::FailNextStarts(0);
}

// Loads that come straight after their prefetch, while the workers are still
// at it, each get their own file's picture, and no file is decoded twice.
TEST(TexturePrefetch, LoadsRightAfterThePrefetchCollectTheirOwnPictures) {
    ScratchFolder folder;
    Scenario s;
    const int count = 40;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back("pic" + std::to_string(i));
        ScratchFolder::WriteTga(names.back(), 64, 64, std::vector<uint32_t>(64 * 64, 0xFF000000u | (uint32_t)i));
    }
    std::vector<std::string> paths;
    for (const std::string& n : names) paths.push_back("date/" + n + ".tov");
    std::vector<LPCSTR> files;
    for (const std::string& p : paths) files.push_back(p.c_str());
    TextureDecodeCounts before = GetTextureDecodeCounts();
    PrefetchPlain(files);
    for (int i = 0; i < count; ++i) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, files[i], &t), 0) << files[i];
        EXPECT_EQ(Tex(t)->argb[64 * 64 - 1], 0xFF000000u | (uint32_t)i) << files[i];
        t->Release();
    }
    TextureDecodeCounts after = GetTextureDecodeCounts();
    EXPECT_EQ(after.byPrefetch - before.byPrefetch, count);
    EXPECT_EQ(after.byLoads - before.byLoads, 0);
}
