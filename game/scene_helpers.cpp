// Scene helpers shared by the front end, the stage start and stage play.
#include "game/scene_helpers.h"

#include "game/objects.h"
#include "shell/input.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/winmain.h"

static_assert(PLAY_EFFECT == DMUS_SEGF_SECONDARY, "effects play as secondary segments");

void DrawQuad(IDirect3DTexture8* pTex, VERTEX quad[4])
{
    g_pd3dDevice->SetTexture(0, pTex);
    g_pd3dDevice->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(VERTEX));
}

void SetFullScreen(VERTEX quad[4], int alpha)
{
    SetQuad(quad, (float)g_rcScreen.left, (float)g_rcScreen.top, (float)g_rcScreen.right,
            (float)g_rcScreen.bottom, alpha);
}

void PlaySlot(int nSlot, DWORD dwFlags)
{
    g_pPerformance->PlaySegmentEx(g_pSegment[nSlot], NULL, NULL, dwFlags, 0, NULL, NULL, NULL);
}

void StopSlot(int nSlot)
{
    // An empty slot has nothing to stop; a NULL segment would stop everything.
    if (g_pSegment[nSlot] != NULL) {
        g_pPerformance->Stop(g_pSegment[nSlot], NULL, 0, 0);
    }
}

void StopAllSound()
{
    g_pPerformance->Stop(NULL, NULL, 0, 0);
}

bool LoadSceneSegment(int nSlot, const char* szPath, bool bLoop)
{
    if (LoadSegment(nSlot, szPath, bLoop)) {
        return true;
    }
    MessageBoxA(g_hWnd, "音楽ファイルを読み込めませんでした", "ERROR", MB_OK);
    return false;
}

bool TakeConfirm()
{
    return TakePress(g_bHoldA, InputConfirm());
}
