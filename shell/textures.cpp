#include "shell/textures.h"

#include "game/objects.h"
#include "platform/d3dx_texture.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/winmain.h"

IDirect3DTexture8* g_pTexStageBack = nullptr;
IDirect3DTexture8* g_pTexLogo1 = nullptr;
IDirect3DTexture8* g_pTexLogo2 = nullptr;
IDirect3DTexture8* g_pTexStart1 = nullptr;
IDirect3DTexture8* g_pTexStart2 = nullptr;
IDirect3DTexture8* g_pTexCharSelect[5] = {};
IDirect3DTexture8* g_pTexMyCharR = nullptr;
IDirect3DTexture8* g_pTexMyCharL = nullptr;
IDirect3DTexture8* g_pTexEnemyOut = nullptr;
IDirect3DTexture8* g_pTexEnemy1R = nullptr;
IDirect3DTexture8* g_pTexEnemy1L = nullptr;
IDirect3DTexture8* g_pTexEnemy2R = nullptr;
IDirect3DTexture8* g_pTexEnemy2L = nullptr;
IDirect3DTexture8* g_pTexEnemy2AtkR = nullptr;
IDirect3DTexture8* g_pTexEnemy2AtkL = nullptr;
IDirect3DTexture8* g_pTexEnemy3R = nullptr;
IDirect3DTexture8* g_pTexEnemy3L = nullptr;
IDirect3DTexture8* g_pTexEnemy3AtkR = nullptr;
IDirect3DTexture8* g_pTexEnemy3AtkL = nullptr;
IDirect3DTexture8* g_pTexEnemy4R = nullptr;
IDirect3DTexture8* g_pTexEnemy4L = nullptr;
IDirect3DTexture8* g_pTexEnemy5R = nullptr;
IDirect3DTexture8* g_pTexEnemy5L = nullptr;
IDirect3DTexture8* g_pTexEnemy5Atk = nullptr;
IDirect3DTexture8* g_pTexEnemy6R = nullptr;
IDirect3DTexture8* g_pTexEnemy6L = nullptr;
IDirect3DTexture8* g_pTexEnemy6Atk = nullptr;
IDirect3DTexture8* g_pTexItem = nullptr;
IDirect3DTexture8* g_pTexEnemy7R = nullptr;
IDirect3DTexture8* g_pTexEnemy7L = nullptr;
IDirect3DTexture8* g_pTexBoss = nullptr;
IDirect3DTexture8* g_pTexBlock = nullptr;
IDirect3DTexture8* g_pTexMyChar1Atk = nullptr;
IDirect3DTexture8* g_pTexMyChar2Atk = nullptr;
IDirect3DTexture8* g_pTexMyChar3AtkR = nullptr;
IDirect3DTexture8* g_pTexMyChar3AtkL = nullptr;
IDirect3DTexture8* g_pTexMyChar4Atk = nullptr;
IDirect3DTexture8* g_pTexMyChar5AtkR = nullptr;
IDirect3DTexture8* g_pTexMyChar5AtkL = nullptr;
IDirect3DTexture8* g_pTexChar1 = nullptr;
IDirect3DTexture8* g_pTexComment = nullptr;
IDirect3DTexture8* g_pTexBlack = nullptr;
IDirect3DTexture8* g_pTexMessage1 = nullptr;
IDirect3DTexture8* g_pTexLoading = nullptr;
IDirect3DTexture8* g_pTexContinue1 = nullptr;
IDirect3DTexture8* g_pTexContinue2 = nullptr;
IDirect3DTexture8* g_pTexHP1 = nullptr;
IDirect3DTexture8* g_pTexHP2 = nullptr;
IDirect3DTexture8* g_pTexHP3 = nullptr;
IDirect3DTexture8* g_pTexHP4 = nullptr;
IDirect3DTexture8* g_pTexHPMeter1 = nullptr;
IDirect3DTexture8* g_pTexHPMeter2 = nullptr;
IDirect3DTexture8* g_pTexHPMeter3 = nullptr;
IDirect3DTexture8* g_pTexHPMeter4 = nullptr;
IDirect3DTexture8* g_pTexStageCountBase = nullptr;
IDirect3DTexture8* g_pTexStageCount = nullptr;

namespace {

void Fail(const char* message) { MessageBoxA(g_hWnd, message, "ERROR", MB_OK); }

// The plain loader: the image as it is.
bool Plain(const char* file, IDirect3DTexture8*& slot, const char* message) {
    if (FAILED(D3DXCreateTextureFromFileA(g_pd3dDevice, file, &slot))) {
        Fail(message);
        return false;
    }
    return true;
}

const D3DCOLOR kColorKey = 0x0000FF00u;

// The keyed loader: 1-bit alpha, transparent pure green becomes transparent black.
bool Keyed(const char* file, IDirect3DTexture8*& slot, const char* message) {
    if (FAILED(D3DXCreateTextureFromFileExA(g_pd3dDevice, file, 0, 0, 0, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED,
                                            D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, kColorKey, nullptr,
                                            nullptr, &slot))) {
        Fail(message);
        return false;
    }
    return true;
}

void Release(IDirect3DTexture8*& slot) {
    if (slot != nullptr) {
        slot->Release();
        slot = nullptr;
    }
}

const char kTitleMessage[] = "スタート画面背景をテクスチャとして読み込めませんでした";
const char kCharSelectMessage[] = "キャラ選択をテクスチャとして読み込めませんでした";
const char kContinueMessage[] = "ゲームオーバー画面をテクスチャとして読み込めませんでした";
const char kEnemyRightMessage[] = "ゲーム画面敵キャラ（右）をテクスチャとして読み込めませんでした";
const char kEnemyLeftMessage[] = "ゲーム画面敵キャラ（左）をテクスチャとして読み込めませんでした";

const char* const kPlayerRight[5] = {"date/mychar1_right.tov", "date/mychar2_right.tov", "date/mychar3_right.tov",
                                     "date/mychar4_right.tov", "date/mychar5_right.tov"};
const char* const kPlayerLeft[5] = {"date/mychar1_left.tov", "date/mychar2_left.tov", "date/mychar3_left.tov",
                                    "date/mychar4_left.tov", "date/mychar5_left.tov"};

// Every picture LoadGameAssets loads, in its order (keep the two in step),
// with the player's pair for the given character (none for 0).
void PrefetchGameTextures(int character) {
    const bool player = character >= 1 && character <= 5;
    const LPCSTR files[] = {
        "date/back_char_con1.tov",       "date/back_char_con2.tov",      "date/black.tov",
        "date/char1.tov",                "date/comment.tov",             "date/HP_M1.tov",
        "date/HP1.tov",                  "date/stage_count_base.tov",    "date/stage_count.tov",
        "date/back_stage1.tov",          player ? kPlayerRight[character - 1] : nullptr,
        player ? kPlayerLeft[character - 1] : nullptr,                   "date/enemy_out.tov",
        "date/enemy1_right.tov",         "date/enemy1_left.tov",         "date/enemy2_right.tov",
        "date/enemy2_left.tov",          "date/block1.tov",              "date/mychar1_attack.tov",
        "date/enemy2_attack_right.tov",  "date/enemy2_attack_left.tov",  "date/Message1.tov",
    };
    const D3DFORMAT K = D3DFMT_A1R5G5B5, P = D3DFMT_UNKNOWN;
    const D3DFORMAT formats[] = {K, K, P, K, K, K, K, K, K, P, K, K, K, K, K, K, K, K, K, K, K, P};
    static_assert(sizeof files / sizeof files[0] == sizeof formats / sizeof formats[0], "one format a file");
    D3DCOLOR keys[sizeof files / sizeof files[0]];
    for (D3DCOLOR& key : keys) key = kColorKey;
    PrefetchTextureFiles(files, formats, keys, (int)(sizeof files / sizeof files[0]));
}

const LPCSTR kTitleFiles[] = {"date/back_start1.tov", "date/back_start2.tov", "date/logo1.tov", "date/logo2.tov"};

void PrefetchPlain(const LPCSTR* files, int count) {
    const D3DFORMAT formats[4] = {D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN};
    const D3DCOLOR keys[4] = {0, 0, 0, 0};
    PrefetchTextureFiles(files, formats, keys, count);
}

}  // namespace

void LoadTitleTextures() {
    // The four pictures are decoded side by side (unless start-up asked for
    // them already); the list then collects them.
    PrefetchPlain(kTitleFiles, 4);
    if (!Plain("date/back_start1.tov", g_pTexStart1, kTitleMessage)) return;
    if (!Plain("date/back_start2.tov", g_pTexStart2, kTitleMessage)) return;
    if (!Plain("date/logo1.tov", g_pTexLogo1, kTitleMessage)) return;
    Plain("date/logo2.tov", g_pTexLogo2, kTitleMessage);
}

void ReleaseTitleTextures() {
    Release(g_pTexLogo1);
    Release(g_pTexLogo2);
    Release(g_pTexStart1);
    Release(g_pTexStart2);
}

void LoadLoadingTexture() {
    Plain("date/Loading.tov", g_pTexLoading, "ロード画面をテクスチャとして読み込めませんでした");
}

void ReleaseLoadingTexture() { Release(g_pTexLoading); }

void LoadCharSelectTexture() { Plain("date/back_char_select1.tov", g_pTexCharSelect[0], kCharSelectMessage); }

void ReleaseCharSelectTextures() {
    for (IDirect3DTexture8*& slot : g_pTexCharSelect) Release(slot);
}

void PrefetchTextures() {
    // In the order the scenes load them, with the pictures of the first
    // character, the one the select screen always chooses.
    PrefetchPlain(kTitleFiles, 4);
    const LPCSTR frontEnd[] = {"date/back_char_select1.tov", "date/Loading.tov"};
    PrefetchPlain(frontEnd, 2);
    PrefetchGameTextures(1);
}

void LoadGameAssets() {
    LoadGameSounds();
    PrefetchGameTextures(g_nCharacter);
    if (!Keyed("date/back_char_con1.tov", g_pTexContinue1, kContinueMessage)) return;
    if (!Keyed("date/back_char_con2.tov", g_pTexContinue2, kContinueMessage)) return;
    if (!Plain("date/black.tov", g_pTexBlack, "黒画面をテクスチャとして読み込めませんでした")) return;
    if (!Keyed("date/char1.tov", g_pTexChar1, "ピロテをテクスチャとして読み込めませんでした")) return;
    if (!Keyed("date/comment.tov", g_pTexComment, "コメントをテクスチャとして読み込めませんでした")) return;
    LoadHudTextures();
    if (!Plain("date/back_stage1.tov", g_pTexStageBack, "ゲーム画面背景をテクスチャとして読み込めませんでした"))
        return;
    LoadPlayerTextures();
    LoadEnemyTextures();
    if (!Keyed("date/block1.tov", g_pTexBlock, "ブロックをテクスチャとして読み込めませんでした")) return;
    LoadAttackItemTexture();
    LoadEnemyAttackTextures();
    LoadMessageTexture();
}

void LoadHudTextures() {
    if (!Keyed("date/HP_M1.tov", g_pTexHPMeter1, "Hpメーターをテクスチャとして読み込めませんでした")) return;
    if (!Keyed("date/HP1.tov", g_pTexHP1, "Hpをテクスチャとして読み込めませんでした")) return;
    if (!Keyed("date/stage_count_base.tov", g_pTexStageCountBase,
               "ステージカウントベースをテクスチャとして読み込めませんでした"))
        return;
    Keyed("date/stage_count.tov", g_pTexStageCount, "ステージカウントをテクスチャとして読み込めませんでした");
}

void LoadPlayerTextures() {
    if (g_nCharacter < 1 || g_nCharacter > 5) return;
    if (!Keyed(kPlayerRight[g_nCharacter - 1], g_pTexMyCharR,
               "ゲーム画面自キャラ（右）をテクスチャとして読み込めませんでした"))
        return;
    Keyed(kPlayerLeft[g_nCharacter - 1], g_pTexMyCharL, "ゲーム画面自キャラ（左）をテクスチャとして読み込めませんでした");
}

void LoadEnemyTextures() {
    if (!Keyed("date/enemy_out.tov", g_pTexEnemyOut,
               "ゲーム画面敵キャラ（やられ）をテクスチャとして読み込めませんでした"))
        return;
    if (!Keyed("date/enemy1_right.tov", g_pTexEnemy1R, kEnemyRightMessage)) return;
    if (!Keyed("date/enemy1_left.tov", g_pTexEnemy1L, kEnemyLeftMessage)) return;
    if (!Keyed("date/enemy2_right.tov", g_pTexEnemy2R, kEnemyRightMessage)) return;
    Keyed("date/enemy2_left.tov", g_pTexEnemy2L, kEnemyLeftMessage);
}

void LoadAttackItemTexture() {
    Keyed("date/mychar1_attack.tov", g_pTexMyChar1Atk, "攻撃アイテム1をテクスチャとして読み込めませんでした");
}

void LoadEnemyAttackTextures() {
    if (!Keyed("date/enemy2_attack_right.tov", g_pTexEnemy2AtkR,
               "攻撃アイテム2（右）をテクスチャとして読み込めませんでした"))
        return;
    Keyed("date/enemy2_attack_left.tov", g_pTexEnemy2AtkL, "攻撃アイテム2（左）をテクスチャとして読み込めませんでした");
}

void LoadMessageTexture() { Plain("date/Message1.tov", g_pTexMessage1, kCharSelectMessage); }

void ReleaseGameTextures() {
    // Everything but the title and select pictures, in slot order; the HUD
    // and menu slots come last.
    IDirect3DTexture8** const kOrder[] = {
        &g_pTexStageBack,   &g_pTexMyCharR,     &g_pTexMyCharL,     &g_pTexEnemyOut,    &g_pTexEnemy1R,
        &g_pTexEnemy1L,     &g_pTexEnemy2R,     &g_pTexEnemy2L,     &g_pTexEnemy2AtkR,  &g_pTexEnemy2AtkL,
        &g_pTexEnemy3R,     &g_pTexEnemy3L,     &g_pTexEnemy3AtkR,  &g_pTexEnemy3AtkL,  &g_pTexEnemy4R,
        &g_pTexEnemy4L,     &g_pTexEnemy5R,     &g_pTexEnemy5L,     &g_pTexEnemy5Atk,   &g_pTexEnemy6R,
        &g_pTexEnemy6L,     &g_pTexEnemy6Atk,   &g_pTexItem,        &g_pTexEnemy7R,     &g_pTexEnemy7L,
        &g_pTexBoss,        &g_pTexBlock,       &g_pTexMyChar1Atk,  &g_pTexMyChar2Atk,  &g_pTexMyChar3AtkR,
        &g_pTexMyChar3AtkL, &g_pTexMyChar4Atk,  &g_pTexMyChar5AtkR, &g_pTexMyChar5AtkL, &g_pTexChar1,
        &g_pTexComment,     &g_pTexBlack,       &g_pTexMessage1,    &g_pTexLoading,     &g_pTexHP1,
        &g_pTexHP2,         &g_pTexHP3,         &g_pTexHP4,         &g_pTexHPMeter1,    &g_pTexHPMeter2,
        &g_pTexHPMeter3,    &g_pTexHPMeter4,    &g_pTexContinue1,   &g_pTexContinue2,   &g_pTexStageCountBase,
        &g_pTexStageCount,
    };
    static_assert(sizeof kOrder / sizeof kOrder[0] == 51, "the in-game set has 51 slots");
    for (IDirect3DTexture8** slot : kOrder) Release(*slot);
}

void ReleaseGameTexturesKeepingLoading() {
    // The stage start still fades the loading picture out after reloading the
    // in-game set; it releases that one itself when the fade ends.
    IDirect3DTexture8* loading = g_pTexLoading;
    g_pTexLoading = nullptr;
    ReleaseGameTextures();
    g_pTexLoading = loading;
}
