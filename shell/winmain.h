// Program entry, the main window and the message loop.
#pragma once

#include "platform/win32.h"

extern HWND g_hWnd;
extern BYTE g_bWindowed;
extern int g_bActive;
extern char g_szClassName[16];
extern const char g_szTitle[];

LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
int InitWindow(HINSTANCE hInstance, int nCmdShow);
int ChangeWindowMode(HINSTANCE hInstance, int nCmdShow);
int CenterWindow();
