// Keyboard and joypad for the real game: GetKeyboardState and what the shared
// DirectInput objects read, from SDL's keyboard state and joystick API. Events are
// pumped by the window code; this file only reads the state SDL keeps.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/dinput.h"
#include "platform/common/input_backend.h"
#include "platform/common/input_script.h"
#include "platform/sdl/input_sdl_tables.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/win32.h"

// ---------------------------------------------------------------------------
// Key codes

BYTE VirtualKeyFromSdlKeycode(SDL_Keycode key, bool numLock)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<BYTE>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<BYTE>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<BYTE>(VK_F1 + (key - SDLK_F1));
    if (key >= SDLK_F13 && key <= SDLK_F24)
        return static_cast<BYTE>(VK_F1 + 12 + (key - SDLK_F13));
    if (numLock) {
        if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
            return static_cast<BYTE>(VK_NUMPAD0 + 1 + (key - SDLK_KP_1));
        if (key == SDLK_KP_0)
            return VK_NUMPAD0;
        if (key == SDLK_KP_PERIOD)
            return VK_DECIMAL;
    }

    switch (key) {
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_QUOTE: return VK_OEM_7;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_LESS: return 0xE2; // the ISO key beside left Shift
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_END: return VK_END;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_UP: return VK_UP;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_ENTER: return VK_RETURN;
    // The keypad without Num Lock.
    case SDLK_KP_1: return VK_END;
    case SDLK_KP_2: return VK_DOWN;
    case SDLK_KP_3: return VK_NEXT;
    case SDLK_KP_4: return VK_LEFT;
    case SDLK_KP_5: return 0x0C; // "clear"
    case SDLK_KP_6: return VK_RIGHT;
    case SDLK_KP_7: return VK_HOME;
    case SDLK_KP_8: return VK_UP;
    case SDLK_KP_9: return VK_PRIOR;
    case SDLK_KP_0: return VK_INSERT;
    case SDLK_KP_PERIOD: return VK_DELETE;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_LCTRL: return VK_LCONTROL;
    case SDLK_LSHIFT: return VK_LSHIFT;
    case SDLK_LALT: return VK_LMENU;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RCTRL: return VK_RCONTROL;
    case SDLK_RSHIFT: return VK_RSHIFT;
    case SDLK_RALT: return VK_RMENU;
    case SDLK_RGUI: return VK_RWIN;
    default: return 0;
    }
}

BYTE DikFromSdlScancode(SDL_Scancode code)
{
    static const BYTE kLetters[26] = {
        DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I, DIK_J, DIK_K, DIK_L, DIK_M,
        DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R, DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z,
    };
    static const BYTE kFunctionKeys[12] = {
        DIK_F1, DIK_F2, DIK_F3, DIK_F4, DIK_F5, DIK_F6, DIK_F7, DIK_F8, DIK_F9, DIK_F10, DIK_F11, DIK_F12,
    };
    static const BYTE kKeypadDigits[10] = {
        DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3, DIK_NUMPAD4, DIK_NUMPAD5,
        DIK_NUMPAD6, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9, DIK_NUMPAD0,
    };

    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z)
        return kLetters[code - SDL_SCANCODE_A];
    // SDL counts 1..9, 0 as the keyboard does, and so do the key codes.
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_0)
        return static_cast<BYTE>(DIK_1 + (code - SDL_SCANCODE_1));
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12)
        return kFunctionKeys[code - SDL_SCANCODE_F1];
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_0)
        return kKeypadDigits[code - SDL_SCANCODE_KP_1];

    switch (code) {
    case SDL_SCANCODE_RETURN: return DIK_RETURN;
    case SDL_SCANCODE_ESCAPE: return DIK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return DIK_BACK;
    case SDL_SCANCODE_TAB: return DIK_TAB;
    case SDL_SCANCODE_SPACE: return DIK_SPACE;
    case SDL_SCANCODE_MINUS: return DIK_MINUS;
    case SDL_SCANCODE_EQUALS: return DIK_EQUALS;
    case SDL_SCANCODE_LEFTBRACKET: return DIK_LBRACKET;
    case SDL_SCANCODE_RIGHTBRACKET: return DIK_RBRACKET;
    case SDL_SCANCODE_BACKSLASH: return DIK_BACKSLASH;
    case SDL_SCANCODE_NONUSHASH: return DIK_BACKSLASH; // same place, ISO boards
    case SDL_SCANCODE_SEMICOLON: return DIK_SEMICOLON;
    case SDL_SCANCODE_APOSTROPHE: return DIK_APOSTROPHE;
    case SDL_SCANCODE_GRAVE: return DIK_GRAVE;
    case SDL_SCANCODE_COMMA: return DIK_COMMA;
    case SDL_SCANCODE_PERIOD: return DIK_PERIOD;
    case SDL_SCANCODE_SLASH: return DIK_SLASH;
    case SDL_SCANCODE_NONUSBACKSLASH: return DIK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK: return DIK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return DIK_SYSRQ;
    case SDL_SCANCODE_SCROLLLOCK: return DIK_SCROLL;
    case SDL_SCANCODE_PAUSE: return DIK_PAUSE;
    case SDL_SCANCODE_INSERT: return DIK_INSERT;
    case SDL_SCANCODE_HOME: return DIK_HOME;
    case SDL_SCANCODE_PAGEUP: return DIK_PRIOR;
    case SDL_SCANCODE_DELETE: return DIK_DELETE;
    case SDL_SCANCODE_END: return DIK_END;
    case SDL_SCANCODE_PAGEDOWN: return DIK_NEXT;
    case SDL_SCANCODE_RIGHT: return DIK_RIGHT;
    case SDL_SCANCODE_LEFT: return DIK_LEFT;
    case SDL_SCANCODE_DOWN: return DIK_DOWN;
    case SDL_SCANCODE_UP: return DIK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return DIK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return DIK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return DIK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return DIK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return DIK_ADD;
    case SDL_SCANCODE_KP_ENTER: return DIK_NUMPADENTER;
    case SDL_SCANCODE_KP_PERIOD: return DIK_DECIMAL;
    case SDL_SCANCODE_APPLICATION: return DIK_APPS;
    case SDL_SCANCODE_LCTRL: return DIK_LCONTROL;
    case SDL_SCANCODE_LSHIFT: return DIK_LSHIFT;
    case SDL_SCANCODE_LALT: return DIK_LMENU;
    case SDL_SCANCODE_LGUI: return DIK_LWIN;
    case SDL_SCANCODE_RCTRL: return DIK_RCONTROL;
    case SDL_SCANCODE_RSHIFT: return DIK_RSHIFT;
    case SDL_SCANCODE_RALT: return DIK_RMENU;
    case SDL_SCANCODE_RGUI: return DIK_RWIN;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------
// A replayed input script (POTE_INPUT_SCRIPT), held on top of the real keys

namespace {

struct Replay {
    bool checked = false;
    bool active = false;
    InputScript script;
    int frame = 0;        // frames read so far; GetKeyboardState starts each
    unsigned held = 0;    // the script's keys in this frame
};
Replay g_replay;

// The frame loop reads GetKeyboardState once at the start of every frame, so
// its calls count the frames.
void AdvanceReplay()
{
    if (!g_replay.checked) {
        g_replay.checked = true;
        const char* path = std::getenv("POTE_INPUT_SCRIPT");
        if (path != nullptr && *path != '\0') {
            std::string error;
            g_replay.active = LoadInputScript(path, g_replay.script, error);
            if (!g_replay.active)
                std::fprintf(stderr, "POTE_INPUT_SCRIPT: %s; the game plays without the script\n", error.c_str());
        }
    }
    if (!g_replay.active)
        return;
    ++g_replay.frame;
    g_replay.held = ScriptKeysAt(g_replay.script, g_replay.frame);
}

} // namespace

// ---------------------------------------------------------------------------
// System keyboard state

BOOL GetKeyboardState(PBYTE keyState)
{
    if (keyState == nullptr)
        return FALSE;
    std::memset(keyState, 0, 256);
    SdlFrameBegins();
    AdvanceReplay();
    for (const ScriptKey& key : kScriptKeys) {
        if (g_replay.held & key.bit)
            keyState[key.virtualKey] |= 0x80;
    }

    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    const SDL_Keymod mods = SDL_GetModState();
    const bool numLock = (mods & KMOD_NUM) != 0;
    for (int sc = 0; sc < count; ++sc) {
        if (!keys[sc])
            continue;
        const BYTE vk = VirtualKeyFromSdlKeycode(SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(sc)), numLock);
        if (vk != 0)
            keyState[vk] |= 0x80;
    }

    // The side-less modifier codes are down while either side is.
    keyState[VK_SHIFT] |= (keyState[VK_LSHIFT] | keyState[VK_RSHIFT]) & 0x80;
    keyState[VK_CONTROL] |= (keyState[VK_LCONTROL] | keyState[VK_RCONTROL]) & 0x80;
    keyState[VK_MENU] |= (keyState[VK_LMENU] | keyState[VK_RMENU]) & 0x80;

    // Bit 0 of the lock keys tells whether the lock is on.
    if (mods & KMOD_CAPS)
        keyState[VK_CAPITAL] |= 0x01;
    if (numLock)
        keyState[VK_NUMLOCK] |= 0x01;
    if (mods & KMOD_SCROLL)
        keyState[VK_SCROLL] |= 0x01;
    return TRUE;
}

// ---------------------------------------------------------------------------
// What the DirectInput objects read

namespace {

bool sJoypadsStarted = false;
SDL_Joystick* sJoypad = nullptr;

DWORD PovFromHat(Uint8 hat)
{
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 0xFFFFFFFFu;
    }
}

} // namespace

bool InputBackendKeyboardFocus()
{
    // A replayed script is the keyboard, wherever the focus is: under SDL's
    // dummy video driver no window ever has it.
    return g_replay.active || SDL_GetKeyboardFocus() != nullptr;
}

void InputBackendReadKeys(BYTE keys[256])
{
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    for (int sc = 0; sc < count; ++sc) {
        if (!state[sc])
            continue;
        const BYTE dik = DikFromSdlScancode(static_cast<SDL_Scancode>(sc));
        if (dik != 0)
            keys[dik] = 0x80;
    }
    for (const ScriptKey& key : kScriptKeys) {
        if (g_replay.held & key.bit)
            keys[key.dik] = 0x80;
    }
}

bool InputBackendTakeKeyboardLoss()
{
    return false;
}

bool InputBackendTakeAcquireInterrupted()
{
    return false;
}

bool InputBackendKeyboardMissing()
{
    return false;
}

bool InputBackendStartJoypads()
{
    // Frames run while the window lacks the focus, and the keyboard is read
    // then too; SDL would drop the joypad's events, leaving it dead.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (!sJoypadsStarted)
        sJoypadsStarted = SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0;
    return sJoypadsStarted;
}

void InputBackendStopJoypads()
{
    if (sJoypadsStarted) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
        sJoypadsStarted = false;
    }
}

int InputBackendJoypadCount()
{
    return sJoypadsStarted ? SDL_NumJoysticks() : 0;
}

const char* InputBackendJoypadName(int index)
{
    return SDL_JoystickNameForIndex(index);
}

bool InputBackendOpenJoypad(int index)
{
    if (!sJoypadsStarted || sJoypad != nullptr)
        return false;
    sJoypad = SDL_JoystickOpen(index);
    return sJoypad != nullptr;
}

void InputBackendCloseJoypad()
{
    if (sJoypad != nullptr)
        SDL_JoystickClose(sJoypad);
    sJoypad = nullptr;
}

void InputBackendPollJoypad()
{
    SDL_JoystickUpdate();
}

bool InputBackendJoypadAttached()
{
    return sJoypad != nullptr && SDL_JoystickGetAttached(sJoypad);
}

void InputBackendReadJoypad(RawJoypadState& raw)
{
    const int axes = SDL_JoystickNumAxes(sJoypad);
    raw.axisCount = axes < 0 ? 0 : axes;
    for (int i = 0; i < kJoyAxisCount; ++i)
        raw.axes[i] = i < axes ? SDL_JoystickGetAxis(sJoypad, i) : 0;
    const int hats = SDL_JoystickNumHats(sJoypad);
    for (int i = 0; i < 4; ++i)
        raw.povs[i] = i < hats ? PovFromHat(SDL_JoystickGetHat(sJoypad, i)) : 0xFFFFFFFFu;
    const int buttons = SDL_JoystickNumButtons(sJoypad);
    for (int i = 0; i < 32; ++i)
        raw.buttons[i] = i < buttons && SDL_JoystickGetButton(sJoypad, i) ? 0x80 : 0;
}
