// Test controls of the headless keyboard and joypad. Whatever is set here is
// what the next GetKeyboardState and the DirectInput devices read.
#pragma once

#include "platform/win32.h"

// Keys by either code. Setting a key in one buffer leaves the other alone.
void HeadlessSetVirtualKey(BYTE vk, bool down);
void HeadlessSetDIKey(BYTE dik, bool down);

// A key the game reads, set in both buffers at once as a real keyboard would.
enum class HeadlessKey { Z, X, Space, Enter, Escape, F1, Up, Down, Left, Right };
void HeadlessSetKey(HeadlessKey key, bool down);

// Every key of both buffers up.
void HeadlessReleaseAllKeys();

// No keyboard device can be created while set, so input cannot start.
void HeadlessSetKeyboardMissing(bool missing);

// GetKeyboardState reports failure while set.
void HeadlessSetKeyboardStateFails(bool fails);

// The next read of the DirectInput keyboard finds it lost, as when the window
// loses the foreground; focus comes straight back, so it can be re-acquired.
void HeadlessLoseKeyboard();
// Without focus the keyboard cannot be acquired and reads fail until it returns.
void HeadlessSetKeyboardFocus(bool focus);
// The next n Acquire calls of any device answer "input lost".
void HeadlessFailAcquireWithInputLost(int n);

// A joypad present when the game enumerates its controllers. Clearing it later
// is unplugging the joypad.
void HeadlessSetJoypadPresent(bool present);
// Raw stick positions as a controller reports them: -32768..32767, 0 centred.
// Axis 0 is X, 1 is Y; up to 8 axes.
void HeadlessSetJoyAxis(int axis, int raw);
// Buttons 0..31.
void HeadlessSetJoyButton(int button, bool down);
// Hat 0..3 in hundredths of a degree clockwise from up; 0xFFFFFFFF is centred.
void HeadlessSetJoyPov(int hat, DWORD value);

// How many times a device's state was read, and whether the joypad has been
// created (by the last enumeration) and not yet released.
int HeadlessKeyboardReads();
int HeadlessJoypadReads();
bool HeadlessJoypadOpen();
