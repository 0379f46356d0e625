// The sound module: the performance and its audio paths, the loader, and the
// 32 numbered sound slots that hold every piece of music and every effect.
// Scenes load their own sounds into slots with LoadSegment and play or stop
// them directly through g_pPerformance: music as the primary segment (flags 0),
// effects as secondary segments (DMUS_SEGF_SECONDARY).
#pragma once

#include "platform/dmusic.h"
#include "platform/win32.h"

#define SEGMENT_SLOTS 32

extern IDirectMusicPerformance8* g_pPerformance;
extern IDirectMusicLoader8* g_pLoader;
extern IDirectMusicAudioPath8* g_pDefAudioPath;
extern IDirectMusicAudioPath8* g_pAudioPath1;
extern IDirectMusicAudioPath8* g_pAudioPath2;
extern LONG g_lMasterVolume;
extern IDirectMusicSegment8* g_pSegment[SEGMENT_SLOTS];

bool InitDirectMusic();
bool LoadSegment(int nSlot, const char* szPath, bool bLoop);
void LoadGameSounds();
// Starts loading every sound the front end and LoadGameSounds load, so that
// the songs render while the game starts up (start-up calls it, before
// InitDirectMusic: the files are taken from the current directory).
void PrefetchSounds();
bool ReleaseAllSegments();
bool ReleaseDirectMusic();
