// Keyboard and joypad input over the headless platform: what the scenes find
// in the buffers and latches after the frame loop's reads.
#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "platform/headless/headless_input.h"
#include "shell/input.h"

namespace {

// The frame loop's reads, in its order.
void ReadInputs()
{
    ASSERT_TRUE(GetKeyboardState(g_byKeyState));
    UpdateKeyboard();
    UpdateJoypad();
}

void StartWithJoypad()
{
    HeadlessSetJoypadPresent(true);
    ASSERT_TRUE(InitDirectInput(nullptr));
    ASSERT_NE(g_pDIJoypad, nullptr);
}

DWORD PadWithStick(int x, int y)
{
    HeadlessSetJoyAxis(0, x);
    HeadlessSetJoyAxis(1, y);
    UpdateJoypad();
    return g_dwPadInput;
}

} // namespace

TEST(Input, WithoutJoypadStartsAndPlaysFromTheKeyboard)
{
    ASSERT_TRUE(InitDirectInput(nullptr));
    EXPECT_EQ(g_pDIJoypad, nullptr);
    EXPECT_NE(headless::DebugOutput().find("Joypad Not Found\n"), std::string::npos);

    HeadlessSetJoyButton(0, true); // nothing is there to read it
    HeadlessSetKey(HeadlessKey::Z, true);
    HeadlessSetKey(HeadlessKey::Left, true);
    for (int frame = 0; frame < 3; ++frame) {
        ReadInputs();
        EXPECT_EQ(g_dwPadInput, 0u);
        EXPECT_TRUE(InputAttack());
        EXPECT_TRUE(InputLeft());
    }
}

TEST(Input, JoypadPresentIsOpenedQuietlyAndReleased)
{
    StartWithJoypad();
    EXPECT_EQ(headless::DebugOutput().find("Joypad Not Found"), std::string::npos);

    ReleaseDirectInput();
    EXPECT_EQ(g_pDIKeyboard, nullptr);
    EXPECT_EQ(g_pDIJoypad, nullptr);
    EXPECT_EQ(g_pDI, nullptr);
    EXPECT_FALSE(HeadlessJoypadOpen());
    ReleaseDirectInput(); // a second shutdown finds nothing to release
}

TEST(Input, StickSetsDirectionsOnlyPastAQuarterOfItsTravel)
{
    StartWithJoypad();
    // A quarter of the travel is 8191.75 to the right and 8192 to the left.
    EXPECT_EQ(PadWithStick(8191, 0), 0u);
    EXPECT_EQ(PadWithStick(8192, 0), DWORD{PAD_RIGHT});
    EXPECT_EQ(PadWithStick(-8192, 0), 0u);
    EXPECT_EQ(PadWithStick(-8193, 0), DWORD{PAD_LEFT});
    EXPECT_EQ(PadWithStick(0, -8192), 0u);
    EXPECT_EQ(PadWithStick(0, -8193), DWORD{PAD_UP});
    EXPECT_EQ(PadWithStick(0, 8191), 0u);
    EXPECT_EQ(PadWithStick(0, 8192), DWORD{PAD_DOWN});
    EXPECT_EQ(PadWithStick(-32768, 8192), DWORD{PAD_LEFT | PAD_DOWN});
    EXPECT_EQ(PadWithStick(-8000, -8000), 0u);
}

TEST(Input, StickReadsTheRangeTheGameSet)
{
    StartWithJoypad();
    DIJOYSTATE js;
    HeadlessSetJoyAxis(0, -32768);
    HeadlessSetJoyAxis(1, 32767);
    ASSERT_EQ(g_pDIJoypad->GetDeviceState(sizeof(js), &js), DI_OK);
    EXPECT_EQ(js.lX, -1000);
    EXPECT_EQ(js.lY, 1000);

    HeadlessSetJoyAxis(0, 8192); // the smallest move out of the dead zone
    HeadlessSetJoyAxis(1, 20000);
    ASSERT_EQ(g_pDIJoypad->GetDeviceState(sizeof(js), &js), DI_OK);
    EXPECT_EQ(js.lX, 1);
    EXPECT_GT(js.lY, 0);
    EXPECT_LT(js.lY, 1000);
}

TEST(Input, ButtonsZeroToNineSetTheirBitsAndNothingElseDoes)
{
    StartWithJoypad();
    for (int i = 0; i < 32; ++i) {
        HeadlessSetJoyButton(i, true);
        UpdateJoypad();
        EXPECT_EQ(g_dwPadInput, i < 10 ? DWORD{PAD_BUTTON0} << i : 0u) << "button " << i;
        HeadlessSetJoyButton(i, false);
    }
    HeadlessSetJoyPov(0, 9000);
    UpdateJoypad();
    EXPECT_EQ(g_dwPadInput, 0u);
}

TEST(Input, UnpluggedJoypadGivesNoBits)
{
    StartWithJoypad();
    HeadlessSetJoyButton(1, true);
    HeadlessSetJoyAxis(0, -32768);
    UpdateJoypad();
    EXPECT_EQ(g_dwPadInput, DWORD{PAD_LEFT | PAD_BUTTON0 << 1});

    HeadlessSetJoypadPresent(false);
    for (int frame = 0; frame < 3; ++frame) {
        const int readsBefore = HeadlessJoypadReads();
        UpdateJoypad();
        EXPECT_EQ(g_dwPadInput, 0u);
        EXPECT_EQ(HeadlessJoypadReads() - readsBefore, 1);
    }
    ReleaseDirectInput();
}

TEST(Input, AHeldPressIsTakenByOneReaderOnly)
{
    ASSERT_TRUE(InitDirectInput(nullptr));
    HeadlessSetKey(HeadlessKey::Z, true);
    ReadInputs();
    EXPECT_TRUE(TakePress(g_bHoldA, InputConfirm())); // the title confirms
    ReadInputs();
    EXPECT_FALSE(TakePress(g_bHoldA, InputConfirm())); // select does not
    ReadInputs();
    EXPECT_FALSE(TakePress(g_bHoldA, InputAttack()));

    HeadlessSetKey(HeadlessKey::Z, false);
    ReadInputs();
    EXPECT_FALSE(TakePress(g_bHoldA, InputConfirm()));
    EXPECT_EQ(g_bHoldA, 0);
    HeadlessSetKey(HeadlessKey::Enter, true);
    ReadInputs();
    EXPECT_TRUE(TakePress(g_bHoldA, InputConfirm()));
}

TEST(Input, EachActionReadsItsOwnSource)
{
    ASSERT_TRUE(InitDirectInput(nullptr));

    // Enter confirms but is no attack, so the ending's waits ignore it.
    HeadlessSetKey(HeadlessKey::Enter, true);
    ReadInputs();
    EXPECT_TRUE(InputConfirm());
    EXPECT_FALSE(InputAttack());
    HeadlessReleaseAllKeys();

    // Down by scan code drops through; down by meaning moves the menu.
    HeadlessSetDIKey(DIK_DOWN, true);
    ReadInputs();
    EXPECT_TRUE(InputDropDown());
    EXPECT_FALSE(InputMenuDown());
    HeadlessReleaseAllKeys();
    HeadlessSetVirtualKey(VK_DOWN, true);
    ReadInputs();
    EXPECT_FALSE(InputDropDown());
    EXPECT_TRUE(InputMenuDown());
    HeadlessReleaseAllKeys();

    // The DirectInput codes of the arrows move nothing sideways.
    HeadlessSetDIKey(DIK_LEFT, true);
    HeadlessSetDIKey(DIK_UP, true);
    HeadlessSetVirtualKey('Z', true);
    HeadlessSetVirtualKey('X', true);
    HeadlessSetVirtualKey(VK_SPACE, true);
    ReadInputs();
    EXPECT_FALSE(InputLeft() || InputMenuUp() || InputAttack() || InputJump() || InputPause());
}

TEST(Input, EachJoypadInputServesItsOwnActionsOnly)
{
    StartWithJoypad();
    // One input at a time, so that a binding read from the wrong button shows.
    struct Case {
        const char* input;
        int button; // -1: the stick instead
        int stickX, stickY;
        bool attack, confirm, jump, pause, dropDown, menuDown, menuUp, left, right;
    };
    const Case cases[] = {
        {"button 0", 0, 0, 0, true, true, false, false, false, false, false, false, false},
        {"button 1", 1, 0, 0, false, false, true, false, false, false, false, false, false},
        {"button 2", 2, 0, 0, false, false, false, true, false, false, false, false, false},
        {"button 3", 3, 0, 0, false, false, false, false, false, false, false, false, false},
        {"stick down", -1, 0, 32767, false, false, false, false, true, true, false, false, false},
        {"stick up", -1, 0, -32768, false, false, false, false, false, false, true, false, false},
        {"stick left", -1, -32768, 0, false, false, false, false, false, false, false, true, false},
        {"stick right", -1, 32767, 0, false, false, false, false, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        if (c.button >= 0)
            HeadlessSetJoyButton(c.button, true);
        HeadlessSetJoyAxis(0, c.stickX);
        HeadlessSetJoyAxis(1, c.stickY);
        ReadInputs();
        EXPECT_EQ(InputAttack(), c.attack) << c.input;
        EXPECT_EQ(InputConfirm(), c.confirm) << c.input;
        EXPECT_EQ(InputJump(), c.jump) << c.input;
        EXPECT_EQ(InputPause(), c.pause) << c.input;
        EXPECT_EQ(InputDropDown(), c.dropDown) << c.input;
        EXPECT_EQ(InputMenuDown(), c.menuDown) << c.input;
        EXPECT_EQ(InputMenuUp(), c.menuUp) << c.input;
        EXPECT_EQ(InputLeft(), c.left) << c.input;
        EXPECT_EQ(InputRight(), c.right) << c.input;
        if (c.button >= 0)
            HeadlessSetJoyButton(c.button, false);
    }
}

TEST(Input, LostKeyboardReadsNothingThatFrameAndKeysTheNext)
{
    ASSERT_TRUE(InitDirectInput(nullptr));
    HeadlessSetKey(HeadlessKey::Z, true);
    ReadInputs();
    EXPECT_TRUE(IsKeyDown(g_byDIKeys[DIK_Z]));

    HeadlessLoseKeyboard();
    HeadlessSetKey(HeadlessKey::X, true);
    const int readsBefore = HeadlessKeyboardReads();
    ReadInputs();
    EXPECT_FALSE(IsKeyDown(g_byDIKeys[DIK_X]));
    EXPECT_EQ(HeadlessKeyboardReads() - readsBefore, 1); // not read again after re-acquiring

    ReadInputs();
    EXPECT_TRUE(IsKeyDown(g_byDIKeys[DIK_X]));
    EXPECT_TRUE(IsKeyDown(g_byDIKeys[DIK_Z]));
}

TEST(Input, KeyboardComesBackOneFrameAfterTheFocus)
{
    ASSERT_TRUE(InitDirectInput(nullptr));
    HeadlessSetKey(HeadlessKey::X, true);
    HeadlessSetKeyboardFocus(false);
    for (int frame = 0; frame < 3; ++frame) {
        ReadInputs();
        EXPECT_FALSE(InputJump());
    }
    HeadlessSetKeyboardFocus(true);
    ReadInputs(); // re-acquires
    EXPECT_FALSE(InputJump());
    ReadInputs();
    EXPECT_TRUE(InputJump());
}

TEST(Input, ReacquireRetriesWhileInputIsLostButNeverHangs)
{
    ASSERT_TRUE(InitDirectInput(nullptr));
    HeadlessSetKey(HeadlessKey::Space, true);

    HeadlessLoseKeyboard();
    HeadlessFailAcquireWithInputLost(3);
    ReadInputs();
    ReadInputs();
    EXPECT_TRUE(InputPause());

    // A device that never stops answering "lost" only costs frames.
    HeadlessLoseKeyboard();
    HeadlessFailAcquireWithInputLost(1000000);
    ReadInputs();
    EXPECT_FALSE(InputPause());
    HeadlessFailAcquireWithInputLost(0);
    ReadInputs();
    ReadInputs();
    EXPECT_TRUE(InputPause());
}
