// What each platform (SDL or headless) supplies under the shared DirectInput
// objects of platform/common: the keyboard's focus and keys, and the joypads.
#pragma once

#include "platform/common/input_axis.h"
#include "platform/win32.h"

// A joypad's raw state: axes as SDL gives them (-32768..32767, 0 centred),
// hats as DirectInput point-of-view values (0xFFFFFFFF centred), buttons 0x80
// when down.
struct RawJoypadState {
    int axisCount;  // axes the joypad has; the fields of the others read 0
    int axes[kJoyAxisCount];
    DWORD povs[4];
    BYTE buttons[32];
};

bool InputBackendKeyboardFocus();
// Fills keys (already all up) by DirectInput key code, 0x80 for a key down.
void InputBackendReadKeys(BYTE keys[256]);
// Faults only a test can stage: a keyboard read that reports the input lost
// once, and an acquisition interrupted by a lost input. Never on a desktop.
bool InputBackendTakeKeyboardLoss();
bool InputBackendTakeAcquireInterrupted();
// No keyboard device can be had at all (a test's staging; never on a desktop).
bool InputBackendKeyboardMissing();

// Joypads: enumerated once at start-up; the one the game opens is read by
// index until it is closed.
bool InputBackendStartJoypads();
void InputBackendStopJoypads();
int InputBackendJoypadCount();
const char* InputBackendJoypadName(int index);
bool InputBackendOpenJoypad(int index);
void InputBackendCloseJoypad();
void InputBackendPollJoypad();
bool InputBackendJoypadAttached();
void InputBackendReadJoypad(RawJoypadState& raw);

// For the test platform's counters.
int DirectInputKeyboardStateReads();
int DirectInputJoypadStateReads();
bool DirectInputJoypadOpen();
