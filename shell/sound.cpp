#include "shell/sound.h"

#include <climits>

#include "game/objects.h"
#include "shell/winmain.h"

IDirectMusicPerformance8* g_pPerformance = NULL;
IDirectMusicLoader8* g_pLoader = NULL;
IDirectMusicAudioPath8* g_pDefAudioPath = NULL;
IDirectMusicAudioPath8* g_pAudioPath1 = NULL;
IDirectMusicAudioPath8* g_pAudioPath2 = NULL;
LONG g_lMasterVolume = 0;
IDirectMusicSegment8* g_pSegment[SEGMENT_SLOTS] = {};

static void SoundError(const char* szText) {
    MessageBoxA(g_hWnd, szText, "ERROR", MB_OK);
}

bool InitDirectMusic() {
    if (FAILED(CoCreateInstance(CLSID_DirectMusicPerformance, NULL, CLSCTX_INPROC,
                                IID_IDirectMusicPerformance8, (void**)&g_pPerformance))) {
        SoundError("DirectMusicPerformance8オブジェクトの作成に失敗");
        return false;
    }
    if (FAILED(g_pPerformance->InitAudio(NULL, NULL, g_hWnd, DMUS_APATH_DYNAMIC_STEREO, 64,
                                         DMUS_AUDIOF_ALL, NULL))) {
        SoundError("DirectMusicPerformance8の初期化に失敗");
        return false;
    }
    if (FAILED(g_pPerformance->GetDefaultAudioPath(&g_pDefAudioPath))) {
        SoundError("デフォルト・オーディオパスの取得に失敗");
        return false;
    }
    if (FAILED(g_pPerformance->CreateStandardAudioPath(DMUS_APATH_DYNAMIC_STEREO, 64, TRUE,
                                                       &g_pAudioPath1))) {
        SoundError("オーディオ・パス「g_pAudioPath1」の作成に失敗");
        return false;
    }
    if (FAILED(g_pPerformance->CreateStandardAudioPath(DMUS_APATH_DYNAMIC_STEREO, 64, TRUE,
                                                       &g_pAudioPath2))) {
        SoundError("オーディオ・パス「g_pAudioPath2」の作成に失敗");
        return false;
    }
    if (FAILED(g_pPerformance->SetGlobalParam(GUID_PerfMasterVolume, &g_lMasterVolume,
                                              sizeof(g_lMasterVolume)))) {
        SoundError("マスター・ボリュームの取得に失敗\n");
        return false;
    }
    if (FAILED(CoCreateInstance(CLSID_DirectMusicLoader, NULL, CLSCTX_INPROC,
                                IID_IDirectMusicLoader8, (void**)&g_pLoader))) {
        SoundError("DirectMusicLoader8オブジェクトの作成に失敗");
        return false;
    }

    // The loader resolves "date/..." against the directory we start in,
    // which may be as long as the system allows a path to be.
    char szDir[PATH_MAX] = {};
    DWORD dwLen = GetCurrentDirectoryA(PATH_MAX, szDir);
    if (dwLen == 0 || dwLen > PATH_MAX) {
        SoundError("カレント・ディレクトリの取得に失敗");
        return false;
    }
    // A directory that does not convert is a search path we cannot set.
    WCHAR wszDir[PATH_MAX] = {};
    if (MultiByteToWideChar(CP_ACP, 0, szDir, -1, wszDir, PATH_MAX) == 0 ||
        FAILED(g_pLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, wszDir, FALSE))) {
        SoundError("検索パスの設定に失敗");
        return false;
    }
    return true;
}

bool LoadSegment(int nSlot, const char* szPath, bool bLoop) {
    // The segment that held the slot may still be sounding: it is not stopped
    // here, and a primary play of the new one replaces it. The slot's
    // reference goes, though, or every stage start would leave the whole
    // in-game set behind.
    if (g_pSegment[nSlot]) {
        g_pSegment[nSlot]->Release();
        g_pSegment[nSlot] = NULL;
    }

    WCHAR wszPath[MAX_PATH] = {};
    if (g_pLoader == NULL || MultiByteToWideChar(CP_ACP, 0, szPath, -1, wszPath, MAX_PATH) == 0 ||
        FAILED(g_pLoader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8,
                                             wszPath, (void**)&g_pSegment[nSlot]))) {
        g_pSegment[nSlot] = NULL;
        SoundError("MIDIファイルのロードに失敗");
        return false;
    }
    if (bLoop) {
        if (FAILED(g_pSegment[nSlot]->SetRepeats(DMUS_SEG_REPEAT_INFINITE))) {
            SoundError("セグメントのループ回数の設定に失敗");
            return false;
        }
    }
    if (FAILED(g_pSegment[nSlot]->Download(g_pPerformance))) {
        SoundError("セグメントのバンドダウンロードに失敗");
        return false;
    }
    return true;
}

// The in-game set, loaded at every stage start in this order. Slot 2, the
// attack sound, sits between the two tables because it depends on the character.
struct GAMESOUND {
    int nSlot;
    const char* szPath;
    bool bLoop;
};

static const GAMESOUND g_GameSoundsHead[] = {
    {20, "date/Ring.tov", true},       {23, "date/GameOver.tov", true},
    {24, "date/StageClear.tov", false}, {25, "date/bossbattle.tov", true},
    {26, "date/RoundClear.tov", true},  {1, "date/SE08.tov", false},
};

static const GAMESOUND g_GameSoundsTail[] = {
    {3, "date/SE23.tov", false},  {4, "date/SE03.tov", false},  {5, "date/SE16.tov", false},
    {6, "date/SE20.tov", false},  {7, "date/SE12.tov", false},  {8, "date/SE18.tov", false},
    {9, "date/SE21.tov", false},  {10, "date/SE22.tov", false}, {11, "date/SE14.tov", false},
    {12, "date/SE28.tov", false}, {13, "date/SE29.tov", false}, {14, "date/SE24.tov", false},
    {15, "date/SE31.tov", false}, {16, "date/SE25.tov", false}, {17, "date/SE35.tov", false},
};

// The player's attack sound by character 1..5.
static const char* const g_szAttackSound[5] = {
    "date/SE09.tov", "date/SE11.tov", "date/SE10.tov", "date/SE30.tov", "date/SE32.tov",
};

static bool LoadSoundList(const GAMESOUND* pList, int nCount) {
    for (int i = 0; i < nCount; i++) {
        if (!LoadSegment(pList[i].nSlot, pList[i].szPath, pList[i].bLoop)) {
            return false;
        }
    }
    return true;
}

void LoadGameSounds() {
    bool bLoaded = LoadSoundList(g_GameSoundsHead, sizeof(g_GameSoundsHead) / sizeof(g_GameSoundsHead[0]));
    if (bLoaded && g_nCharacter >= 1 && g_nCharacter <= 5) {
        bLoaded = LoadSegment(2, g_szAttackSound[g_nCharacter - 1], false);
    }
    if (bLoaded) {
        bLoaded = LoadSoundList(g_GameSoundsTail, sizeof(g_GameSoundsTail) / sizeof(g_GameSoundsTail[0]));
    }
    if (!bLoaded) {
        SoundError("音楽ファイルを読み込めませんでした");
    }
}

void PrefetchSounds() {
    // The front end's sounds in the order its scenes load them (keep them in
    // step with the scenes), then the in-game set with the attack sound of
    // the first character, the one the select screen always chooses.
    static const char* const kFrontEnd[] = {
        "date/logo.tov", "date/gorumo.tov", "date/SE05.tov", "date/CharSelect.tov",
        "date/SE04.tov", "date/SE01.tov",   "date/SE30.tov",
    };
    const int nFrontEnd = sizeof(kFrontEnd) / sizeof(kFrontEnd[0]);
    const char* szFiles[nFrontEnd + sizeof(g_GameSoundsHead) / sizeof(g_GameSoundsHead[0]) + 1 +
                        sizeof(g_GameSoundsTail) / sizeof(g_GameSoundsTail[0])];
    int n = 0;
    for (int i = 0; i < nFrontEnd; i++) szFiles[n++] = kFrontEnd[i];
    for (const GAMESOUND& sound : g_GameSoundsHead) szFiles[n++] = sound.szPath;
    szFiles[n++] = g_szAttackSound[0];
    for (const GAMESOUND& sound : g_GameSoundsTail) szFiles[n++] = sound.szPath;
    // Called before the loader exists: its search path will be the directory
    // we start in, where the files are taken from now.
    PrefetchSegmentFiles(NULL, szFiles, n);
}

bool ReleaseAllSegments() {
    if (g_pPerformance) {
        if (FAILED(g_pPerformance->Stop(NULL, NULL, 0, 0))) {
            SoundError("全セグメントの演奏停止に失敗");
            return false;
        }
    }
    for (int i = 0; i < SEGMENT_SLOTS; i++) {
        if (g_pSegment[i]) {
            if (FAILED(g_pSegment[i]->Unload(g_pPerformance))) {
                SoundError("セグメントの音色データのアンロードに失敗");
                return false;
            }
            g_pSegment[i]->Release();
            g_pSegment[i] = NULL;
        }
    }
    return true;
}

bool ReleaseDirectMusic() {
    if (g_pLoader) {
        g_pLoader->Release();
        g_pLoader = NULL;
    }
    if (g_pDefAudioPath) {
        g_pDefAudioPath->Release();
        g_pDefAudioPath = NULL;
    }
    if (g_pAudioPath1) {
        g_pAudioPath1->Release();
        g_pAudioPath1 = NULL;
    }
    if (g_pAudioPath2) {
        g_pAudioPath2->Release();
        g_pAudioPath2 = NULL;
    }
    if (g_pPerformance) {
        if (FAILED(g_pPerformance->CloseDown())) {
            SoundError("IDirectMusicPerformance8::CloseDownに失敗");
            return false;
        }
        g_pPerformance->Release();
        g_pPerformance = NULL;
    }
    return true;
}
