// Texture slots and the lists that load and release them as scenes change.
// An empty slot is NULL; drawing code binds slots and never loads them.
#pragma once

#include "platform/d3d8.h"

extern IDirect3DTexture8* g_pTexStageBack;
extern IDirect3DTexture8* g_pTexLogo1;
extern IDirect3DTexture8* g_pTexLogo2;
extern IDirect3DTexture8* g_pTexStart1;
extern IDirect3DTexture8* g_pTexStart2;
extern IDirect3DTexture8* g_pTexCharSelect[5];  // entry N - 1 belongs to character N
extern IDirect3DTexture8* g_pTexMyCharR;
extern IDirect3DTexture8* g_pTexMyCharL;
extern IDirect3DTexture8* g_pTexEnemyOut;
extern IDirect3DTexture8* g_pTexEnemy1R;
extern IDirect3DTexture8* g_pTexEnemy1L;
extern IDirect3DTexture8* g_pTexEnemy2R;
extern IDirect3DTexture8* g_pTexEnemy2L;
extern IDirect3DTexture8* g_pTexEnemy2AtkR;
extern IDirect3DTexture8* g_pTexEnemy2AtkL;
extern IDirect3DTexture8* g_pTexEnemy3R;
extern IDirect3DTexture8* g_pTexEnemy3L;
extern IDirect3DTexture8* g_pTexEnemy3AtkR;
extern IDirect3DTexture8* g_pTexEnemy3AtkL;
extern IDirect3DTexture8* g_pTexEnemy4R;
extern IDirect3DTexture8* g_pTexEnemy4L;
extern IDirect3DTexture8* g_pTexEnemy5R;
extern IDirect3DTexture8* g_pTexEnemy5L;
extern IDirect3DTexture8* g_pTexEnemy5Atk;
extern IDirect3DTexture8* g_pTexEnemy6R;
extern IDirect3DTexture8* g_pTexEnemy6L;
extern IDirect3DTexture8* g_pTexEnemy6Atk;
extern IDirect3DTexture8* g_pTexItem;
extern IDirect3DTexture8* g_pTexEnemy7R;
extern IDirect3DTexture8* g_pTexEnemy7L;
extern IDirect3DTexture8* g_pTexBoss;
extern IDirect3DTexture8* g_pTexBlock;
extern IDirect3DTexture8* g_pTexMyChar1Atk;
extern IDirect3DTexture8* g_pTexMyChar2Atk;
extern IDirect3DTexture8* g_pTexMyChar3AtkR;
extern IDirect3DTexture8* g_pTexMyChar3AtkL;
extern IDirect3DTexture8* g_pTexMyChar4Atk;
extern IDirect3DTexture8* g_pTexMyChar5AtkR;
extern IDirect3DTexture8* g_pTexMyChar5AtkL;
extern IDirect3DTexture8* g_pTexChar1;
extern IDirect3DTexture8* g_pTexComment;
extern IDirect3DTexture8* g_pTexBlack;
extern IDirect3DTexture8* g_pTexMessage1;
extern IDirect3DTexture8* g_pTexLoading;
extern IDirect3DTexture8* g_pTexContinue1;
extern IDirect3DTexture8* g_pTexContinue2;
extern IDirect3DTexture8* g_pTexHP1;
extern IDirect3DTexture8* g_pTexHP2;
extern IDirect3DTexture8* g_pTexHP3;
extern IDirect3DTexture8* g_pTexHP4;
extern IDirect3DTexture8* g_pTexHPMeter1;
extern IDirect3DTexture8* g_pTexHPMeter2;
extern IDirect3DTexture8* g_pTexHPMeter3;
extern IDirect3DTexture8* g_pTexHPMeter4;
extern IDirect3DTexture8* g_pTexStageCountBase;
extern IDirect3DTexture8* g_pTexStageCount;

// Starts decoding every picture the front end and the stage start load, on
// worker threads, so that their loads only collect them (start-up calls it).
void PrefetchTextures();
void LoadTitleTextures();
void ReleaseTitleTextures();
void LoadLoadingTexture();
void ReleaseLoadingTexture();
void LoadCharSelectTexture();
void ReleaseCharSelectTextures();
void LoadGameAssets();
void LoadHudTextures();
void LoadPlayerTextures();
void LoadEnemyTextures();
void LoadAttackItemTexture();
void LoadEnemyAttackTextures();
void LoadMessageTexture();
void ReleaseGameTextures();
// The in-game set but the loading picture, for the stage start.
void ReleaseGameTexturesKeepingLoading();
