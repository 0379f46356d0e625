// The SDL input layer: key-code tables and the joypad read through SDL's
// virtual joystick.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <set>

#include "platform/dinput.h"
#include "platform/common/input_axis.h"
#include "platform/sdl/input_sdl_tables.h"
#include "shell/input.h"

namespace {

// Every key of a US 104-key keyboard.
const SDL_Scancode kKeyboard104[] = {
    SDL_SCANCODE_ESCAPE, SDL_SCANCODE_F1, SDL_SCANCODE_F2, SDL_SCANCODE_F3, SDL_SCANCODE_F4,
    SDL_SCANCODE_F5, SDL_SCANCODE_F6, SDL_SCANCODE_F7, SDL_SCANCODE_F8, SDL_SCANCODE_F9,
    SDL_SCANCODE_F10, SDL_SCANCODE_F11, SDL_SCANCODE_F12, SDL_SCANCODE_PRINTSCREEN,
    SDL_SCANCODE_SCROLLLOCK, SDL_SCANCODE_PAUSE, SDL_SCANCODE_GRAVE, SDL_SCANCODE_1, SDL_SCANCODE_2,
    SDL_SCANCODE_3, SDL_SCANCODE_4, SDL_SCANCODE_5, SDL_SCANCODE_6, SDL_SCANCODE_7, SDL_SCANCODE_8,
    SDL_SCANCODE_9, SDL_SCANCODE_0, SDL_SCANCODE_MINUS, SDL_SCANCODE_EQUALS, SDL_SCANCODE_BACKSPACE,
    SDL_SCANCODE_INSERT, SDL_SCANCODE_HOME, SDL_SCANCODE_PAGEUP, SDL_SCANCODE_NUMLOCKCLEAR,
    SDL_SCANCODE_KP_DIVIDE, SDL_SCANCODE_KP_MULTIPLY, SDL_SCANCODE_KP_MINUS, SDL_SCANCODE_TAB,
    SDL_SCANCODE_Q, SDL_SCANCODE_W, SDL_SCANCODE_E, SDL_SCANCODE_R, SDL_SCANCODE_T, SDL_SCANCODE_Y,
    SDL_SCANCODE_U, SDL_SCANCODE_I, SDL_SCANCODE_O, SDL_SCANCODE_P, SDL_SCANCODE_LEFTBRACKET,
    SDL_SCANCODE_RIGHTBRACKET, SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_DELETE, SDL_SCANCODE_END,
    SDL_SCANCODE_PAGEDOWN, SDL_SCANCODE_KP_7, SDL_SCANCODE_KP_8, SDL_SCANCODE_KP_9, SDL_SCANCODE_KP_PLUS,
    SDL_SCANCODE_CAPSLOCK, SDL_SCANCODE_A, SDL_SCANCODE_S, SDL_SCANCODE_D, SDL_SCANCODE_F, SDL_SCANCODE_G,
    SDL_SCANCODE_H, SDL_SCANCODE_J, SDL_SCANCODE_K, SDL_SCANCODE_L, SDL_SCANCODE_SEMICOLON,
    SDL_SCANCODE_APOSTROPHE, SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_4, SDL_SCANCODE_KP_5, SDL_SCANCODE_KP_6,
    SDL_SCANCODE_LSHIFT, SDL_SCANCODE_Z, SDL_SCANCODE_X, SDL_SCANCODE_C, SDL_SCANCODE_V, SDL_SCANCODE_B,
    SDL_SCANCODE_N, SDL_SCANCODE_M, SDL_SCANCODE_COMMA, SDL_SCANCODE_PERIOD, SDL_SCANCODE_SLASH,
    SDL_SCANCODE_RSHIFT, SDL_SCANCODE_UP, SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_2, SDL_SCANCODE_KP_3,
    SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_LCTRL, SDL_SCANCODE_LGUI, SDL_SCANCODE_LALT, SDL_SCANCODE_SPACE,
    SDL_SCANCODE_RALT, SDL_SCANCODE_RGUI, SDL_SCANCODE_APPLICATION, SDL_SCANCODE_RCTRL, SDL_SCANCODE_LEFT,
    SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_KP_0, SDL_SCANCODE_KP_PERIOD,
};
static_assert(sizeof(kKeyboard104) / sizeof(kKeyboard104[0]) == 104, "a full keyboard");

} // namespace

TEST(SdlInputTables, GameKeysByPlace)
{
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_Z), 0x2C);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_X), 0x2D);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_SPACE), 0x39);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_DOWN), 0xD0);
}

TEST(SdlInputTables, GameKeysByMeaning)
{
    for (bool numLock : {false, true}) {
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_RETURN, numLock), 0x0D);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_LEFT, numLock), 0x25);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_UP, numLock), 0x26);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_RIGHT, numLock), 0x27);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_DOWN, numLock), 0x28);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_F1, numLock), 0x70);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_ESCAPE, numLock), 0x1B);
        EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_z, numLock), 'Z');
    }
    // The keypad's arrows walk only while Num Lock is off.
    EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_KP_4, false), 0x25);
    EXPECT_EQ(VirtualKeyFromSdlKeycode(SDLK_KP_4, true), 0x64);
}

TEST(SdlInputTables, EveryKeyOfAFullKeyboardHasBothCodes)
{
    // SDL's layout tables come up with its video.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    std::set<int> diks;
    for (SDL_Scancode sc : kKeyboard104) {
        const BYTE dik = DikFromSdlScancode(sc);
        EXPECT_NE(dik, 0) << SDL_GetScancodeName(sc);
        EXPECT_TRUE(diks.insert(dik).second) << SDL_GetScancodeName(sc) << " shares its code";
        // SDL's own US layout gives each key its meaning.
        for (bool numLock : {false, true})
            EXPECT_NE(VirtualKeyFromSdlKeycode(SDL_GetKeyFromScancode(sc), numLock), 0)
                << SDL_GetScancodeName(sc) << " " << SDL_GetKeyFromScancode(sc);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(SdlInputAxis, TheGamesAxisIsCentredInTheDeadZoneAndGrowsSteadilyOutside)
{
    JoyAxisProps props;
    props.lMin = -1000;
    props.lMax = 1000;
    props.dwDeadZone = 2500;
    LONG last = -1000;
    for (int raw = -32768; raw <= 32767; ++raw) {
        const LONG v = ScaleJoyAxis(raw, props);
        ASSERT_GE(v, last) << raw;
        const bool inDeadZone = raw >= -8192 && raw <= 8191;
        ASSERT_EQ(v == 0, inDeadZone) << raw;
        last = v;
    }
    EXPECT_EQ(ScaleJoyAxis(-32768, props), -1000);
    EXPECT_EQ(ScaleJoyAxis(32767, props), 1000);

    // An axis nobody set spans 0..65535 and has no dead zone.
    const JoyAxisProps unset;
    EXPECT_EQ(ScaleJoyAxis(-32768, unset), 0);
    EXPECT_EQ(ScaleJoyAxis(0, unset), 32767);
    EXPECT_EQ(ScaleJoyAxis(1, unset), 32768);
    EXPECT_EQ(ScaleJoyAxis(32767, unset), 65535);
}

TEST(SdlInput, KeyboardWithoutFocusReadsNothingAndFailsNothing)
{
    ASSERT_TRUE(InitDirectInput(nullptr));
    BYTE keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    for (int frame = 0; frame < 3; ++frame) {
        g_byDIKeys[DIK_Z] = 0x80;
        UpdateKeyboard();
        EXPECT_EQ(g_byDIKeys[DIK_Z], 0);
    }
    ReleaseDirectInput();
    EXPECT_EQ(g_pDI, nullptr);
}

TEST(SdlInput, VirtualJoypadFoldsIntoBitsAndUnplugsQuietly)
{
    // Frames run while the window lacks the focus: the joypad must read then too.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("game", 0, 0, 640, 480, 0);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ASSERT_EQ(SDL_GetKeyboardFocus(), nullptr);
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 12, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    if (index != 0)
        GTEST_SKIP() << "another joystick is attached and comes first";
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    ASSERT_NE(stick, nullptr);

    ASSERT_TRUE(InitDirectInput(nullptr));
    ASSERT_NE(g_pDIJoypad, nullptr);

    SDL_JoystickSetVirtualAxis(stick, 0, -32768);
    SDL_JoystickSetVirtualAxis(stick, 1, 8000); // inside the dead zone
    SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, 9, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, 10, SDL_PRESSED);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_UP);
    UpdateJoypad();
    EXPECT_EQ(g_dwPadInput, DWORD{PAD_LEFT | PAD_BUTTON0 | PAD_BUTTON0 << 9});

    SDL_JoystickSetVirtualAxis(stick, 0, 0);
    SDL_JoystickSetVirtualAxis(stick, 1, 32767);
    UpdateJoypad();
    EXPECT_EQ(g_dwPadInput, DWORD{PAD_DOWN | PAD_BUTTON0 | PAD_BUTTON0 << 9});

    SDL_JoystickClose(stick);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    for (int frame = 0; frame < 3; ++frame) {
        UpdateJoypad();
        EXPECT_EQ(g_dwPadInput, 0u);
    }
    ReleaseDirectInput();
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
}

TEST(SdlInput, ReplayedScriptReachesTheKeyboardWithoutFocus)
{
    // The dummy video driver gives no window the focus; a replay must still play.
    char path[] = "/tmp/pote_replay_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const char text[] = "1 Z\n3 -\n";
    ASSERT_EQ(write(fd, text, sizeof text - 1), (ssize_t)(sizeof text - 1));
    close(fd);
    setenv("POTE_INPUT_SCRIPT", path, 1);
    ASSERT_TRUE(InitDirectInput(nullptr));
    BYTE keys[256];
    BYTE seen[4];
    for (int frame = 1; frame <= 4; ++frame) {
        ASSERT_TRUE(GetKeyboardState(keys));
        UpdateKeyboard();
        seen[frame - 1] = g_byDIKeys[DIK_Z];
    }
    // Frame 1 acquires the keyboard; frame 2 reads Z; from frame 3 it is up.
    EXPECT_EQ(seen[1], 0x80);
    EXPECT_EQ(seen[2], 0);
    EXPECT_EQ(seen[3], 0);
    ReleaseDirectInput();
    unsetenv("POTE_INPUT_SCRIPT");
    unlink(path);
}
