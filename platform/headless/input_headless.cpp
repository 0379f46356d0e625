// Keyboard and joypad of the test platform: GetKeyboardState and what the
// shared DirectInput objects read, as the tests script it through
// headless_input.h.
#include <cstring>

#include "platform/dinput.h"
#include "platform/headless/headless_input.h"
#include "platform/common/input_backend.h"
#include "platform/win32.h"

namespace {

struct Script {
    BYTE vk[256] = {};
    BYTE dik[256] = {};
    bool keyboardStateFails = false;
    bool keyboardMissing = false;
    bool focus = true;
    bool loseKeyboard = false;
    int acquireInputLost = 0;
    bool joypadPresent = false;
    int axes[kJoyAxisCount] = {};
    BYTE buttons[32] = {};
    DWORD povs[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
};
Script sScript;

void SetBoth(BYTE vk, BYTE dik, bool down)
{
    HeadlessSetVirtualKey(vk, down);
    HeadlessSetDIKey(dik, down);
}

} // namespace

// ---------------------------------------------------------------------------
// Test controls

void HeadlessSetVirtualKey(BYTE vk, bool down)
{
    sScript.vk[vk] = down ? 0x80 : 0;
}

void HeadlessSetDIKey(BYTE dik, bool down)
{
    sScript.dik[dik] = down ? 0x80 : 0;
}

void HeadlessSetKey(HeadlessKey key, bool down)
{
    switch (key) {
    case HeadlessKey::Z: SetBoth('Z', DIK_Z, down); break;
    case HeadlessKey::X: SetBoth('X', DIK_X, down); break;
    case HeadlessKey::Space: SetBoth(VK_SPACE, DIK_SPACE, down); break;
    case HeadlessKey::Enter: SetBoth(VK_RETURN, DIK_RETURN, down); break;
    case HeadlessKey::Escape: SetBoth(VK_ESCAPE, DIK_ESCAPE, down); break;
    case HeadlessKey::F1: SetBoth(VK_F1, DIK_F1, down); break;
    case HeadlessKey::Up: SetBoth(VK_UP, DIK_UP, down); break;
    case HeadlessKey::Down: SetBoth(VK_DOWN, DIK_DOWN, down); break;
    case HeadlessKey::Left: SetBoth(VK_LEFT, DIK_LEFT, down); break;
    case HeadlessKey::Right: SetBoth(VK_RIGHT, DIK_RIGHT, down); break;
    }
}

void HeadlessReleaseAllKeys()
{
    std::memset(sScript.vk, 0, sizeof(sScript.vk));
    std::memset(sScript.dik, 0, sizeof(sScript.dik));
}

void HeadlessSetKeyboardMissing(bool missing)
{
    sScript.keyboardMissing = missing;
}

void HeadlessSetKeyboardStateFails(bool fails)
{
    sScript.keyboardStateFails = fails;
}

void HeadlessLoseKeyboard()
{
    sScript.loseKeyboard = true;
}

void HeadlessSetKeyboardFocus(bool focus)
{
    sScript.focus = focus;
}

void HeadlessFailAcquireWithInputLost(int n)
{
    sScript.acquireInputLost = n;
}

void HeadlessSetJoypadPresent(bool present)
{
    sScript.joypadPresent = present;
}

void HeadlessSetJoyAxis(int axis, int raw)
{
    if (axis >= 0 && axis < kJoyAxisCount)
        sScript.axes[axis] = raw < -32768 ? -32768 : raw > 32767 ? 32767 : raw;
}

void HeadlessSetJoyButton(int button, bool down)
{
    if (button >= 0 && button < 32)
        sScript.buttons[button] = down ? 0x80 : 0;
}

void HeadlessSetJoyPov(int hat, DWORD value)
{
    if (hat >= 0 && hat < 4)
        sScript.povs[hat] = value;
}

int HeadlessKeyboardReads()
{
    return DirectInputKeyboardStateReads();
}

int HeadlessJoypadReads()
{
    return DirectInputJoypadStateReads();
}

bool HeadlessJoypadOpen()
{
    return DirectInputJoypadOpen();
}

// ---------------------------------------------------------------------------
// The platform calls

BOOL GetKeyboardState(PBYTE keyState)
{
    if (keyState == nullptr || sScript.keyboardStateFails)
        return FALSE;
    std::memcpy(keyState, sScript.vk, sizeof(sScript.vk));
    return TRUE;
}

// ---------------------------------------------------------------------------
// What the DirectInput objects read

bool InputBackendKeyboardFocus()
{
    return sScript.focus;
}

void InputBackendReadKeys(BYTE keys[256])
{
    std::memcpy(keys, sScript.dik, sizeof(sScript.dik));
}

bool InputBackendKeyboardMissing()
{
    return sScript.keyboardMissing;
}

bool InputBackendTakeKeyboardLoss()
{
    const bool lost = sScript.loseKeyboard;
    sScript.loseKeyboard = false;
    return lost;
}

bool InputBackendTakeAcquireInterrupted()
{
    if (sScript.acquireInputLost <= 0)
        return false;
    --sScript.acquireInputLost;
    return true;
}

bool InputBackendStartJoypads()
{
    return true;
}

void InputBackendStopJoypads() {}

int InputBackendJoypadCount()
{
    return sScript.joypadPresent ? 1 : 0;
}

const char* InputBackendJoypadName(int)
{
    return "Test joypad";
}

bool InputBackendOpenJoypad(int index)
{
    return index == 0 && sScript.joypadPresent;
}

void InputBackendCloseJoypad() {}

void InputBackendPollJoypad() {}

bool InputBackendJoypadAttached()
{
    return sScript.joypadPresent;
}

void InputBackendReadJoypad(RawJoypadState& raw)
{
    raw.axisCount = kJoyAxisCount;
    std::memcpy(raw.axes, sScript.axes, sizeof(raw.axes));
    std::memcpy(raw.povs, sScript.povs, sizeof(raw.povs));
    std::memcpy(raw.buttons, sScript.buttons, sizeof(raw.buttons));
}
