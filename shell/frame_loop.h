// One frame of the game: the fixed 1/60-s step, input, the scene, the picture.
#pragma once

#include "platform/win32.h"

extern DWORD g_dwPrevTime;
extern DWORD g_dwTimeRem;
extern DWORD g_dwNowTime;
extern DWORD g_nFpsCount;
extern DWORD g_dwFpsTime;
extern BYTE g_bHoldF1;

int GameLoop(HINSTANCE hInstance, int nCmdShow);
