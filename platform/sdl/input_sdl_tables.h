// Key-code translation of the SDL input layer, visible to its tests.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

// The virtual-key code of a key by its meaning in the current layout, 0 for a
// key a US 104-key keyboard does not have. The keypad's digits and point mean
// navigation keys while Num Lock is off.
BYTE VirtualKeyFromSdlKeycode(SDL_Keycode key, bool numLock);

// The DirectInput key code of a key by its place on the keyboard, 0 for a key
// that a 104-key (or ISO 105-key) keyboard does not have.
BYTE DikFromSdlScancode(SDL_Scancode code);
