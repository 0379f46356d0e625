// What every scene does the same way: drawing a quad with a texture slot, the
// full-screen quad, playing and stopping sound slots, the scene's music load
// with its message, and the confirm press.
#pragma once

#include "platform/d3d8.h"
#include "platform/win32.h"
#include "shell/quad.h"

// PlaySegmentEx flags: music replaces what plays, an effect mixes over it.
const DWORD PLAY_MUSIC = 0;
const DWORD PLAY_EFFECT = 0x80;  // DMUS_SEGF_SECONDARY

// Binds the slot to stage 0 (an empty slot is bound as it is) and draws the
// sprite quad as a fan of two triangles.
void DrawQuad(IDirect3DTexture8* pTex, VERTEX quad[4]);

// The whole screen at the given alpha.
void SetFullScreen(VERTEX quad[4], int alpha);

// Plays sound slot nSlot with PLAY_MUSIC or PLAY_EFFECT; an empty slot plays
// nothing.
void PlaySlot(int nSlot, DWORD dwFlags);

// Stops every instance of slot nSlot at once.
void StopSlot(int nSlot);

// Stops everything that plays, music and effects.
void StopAllSound();

// LoadSegment, then, when it failed, the scene's own message on top of the
// loader's: the player learns it was a music or sound file.
bool LoadSceneSegment(int nSlot, const char* szPath, bool bLoop);

// Enter, Z or pad button 0, taken once per press: a key still held from the
// scene before does nothing until it is released.
bool TakeConfirm();
