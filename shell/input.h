// Keyboard and joypad input: the three buffers the scenes read every frame,
// the down test, the press latches and the fixed bindings of the game actions.
#pragma once

#include "platform/dinput.h"
#include "platform/win32.h"

// Filled by the frame loop with GetKeyboardState, indexed by virtual-key code.
extern BYTE g_byKeyState[256];
// Filled by UpdateKeyboard, indexed by DirectInput key code (DIK_*).
extern BYTE g_byDIKeys[256];
// Joypad bits of this frame (PAD_*); 0 for the whole run without a joypad.
extern DWORD g_dwPadInput;

extern LPDIRECTINPUT8 g_pDI;
extern LPDIRECTINPUTDEVICE8 g_pDIKeyboard;
extern LPDIRECTINPUTDEVICE8 g_pDIJoypad;

// Press latches: 1 from the frame a one-shot input is taken until a reader
// sees it released. Shared by all scenes, so a press taken by one scene is
// not seen again by the next.
extern BYTE g_bHoldA;
extern BYTE g_bHoldB;
extern BYTE g_bHoldPause;
extern BYTE g_bHoldUp;
extern BYTE g_bHoldDown;
extern BYTE g_bHoldLeft;
extern BYTE g_bHoldRight;
extern BYTE g_bHoldF1; // owned by the frame loop, which defines it

// g_dwPadInput bits.
enum : DWORD {
    PAD_UP = 0x1,
    PAD_DOWN = 0x2,
    PAD_LEFT = 0x4,
    PAD_RIGHT = 0x8,
    PAD_BUTTON0 = 0x10, // button i is PAD_BUTTON0 << i, i = 0..9
};

// The down test of both keyboard buffers.
inline bool IsKeyDown(BYTE state)
{
    return (state & 0x80) != 0;
}

// The latch pattern every one-shot reader follows: true on the frame the input
// goes down (the latch is set whether or not the reader acts on it), false while
// it stays down, and the latch is cleared once the input is seen up.
inline bool TakePress(BYTE& latch, bool down)
{
    if (!down) {
        latch = 0;
        return false;
    }
    if (latch)
        return false;
    latch = 1;
    return true;
}

// The action table: whether each game action's input is down this frame.
bool InputAttack();   // DIK_Z or button 0 (also the ending's waits)
bool InputConfirm();  // attack or VK_RETURN (title, character select, continue menu)
bool InputJump();     // DIK_X or button 1
bool InputPause();    // DIK_SPACE or button 2
bool InputDropDown(); // DIK_DOWN or stick down (the drop-through)
bool InputLeft();     // VK_LEFT or stick left
bool InputRight();    // VK_RIGHT or stick right
bool InputMenuUp();   // VK_UP or stick up
bool InputMenuDown(); // VK_DOWN or stick down

bool InitDirectInput(HINSTANCE hInstance);
bool InitKeyboard();
bool InitJoypad();
BOOL EnumJoysticksCallback(LPCDIDEVICEINSTANCE pdidInstance, LPVOID pContext);
void UpdateKeyboard();
void UpdateJoypad();
void ReleaseDirectInput();
