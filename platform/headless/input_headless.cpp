// Keyboard and joypad of the test platform: GetKeyboardState and the
// DirectInput objects, reading the state the tests script through
// headless_input.h. Acquisition follows the same rules as the SDL platform.
#include <cstring>

#include "platform/dinput.h"
#include "platform/headless/headless_input.h"
#include "platform/common/input_axis.h"
#include "platform/win32.h"

namespace {

struct Script {
    BYTE vk[256] = {};
    BYTE dik[256] = {};
    bool keyboardStateFails = false;
    bool focus = true;
    bool loseKeyboard = false;
    int acquireInputLost = 0;
    bool joypadPresent = false;
    int axes[kJoyAxisCount] = {};
    BYTE buttons[32] = {};
    DWORD povs[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    int keyboardReads = 0;
    int joypadReads = 0;
};
Script sScript;

enum class DeviceKind { Free, Keyboard, Joystick };

struct HeadlessDevice : IDirectInputDevice8A {
    DeviceKind kind = DeviceKind::Free;
    ULONG refs = 0;
    bool formatSet = false;
    bool foreground = false;
    bool acquired = false;
    JoyAxisProps axes[kJoyAxisCount];
};

struct HeadlessDirectInput : IDirectInput8A {
    ULONG refs = 0;
};

HeadlessDirectInput sDirectInput;
HeadlessDevice sKeyboard;
HeadlessDevice sJoystick;

const GUID kJoystickInstance = {0x706f7401, 0x0200, 0x0000, {'j', 'o', 'y', 's', 't', 'i', 'c', 'k'}};

HeadlessDevice* Impl(IDirectInputDevice8A* device)
{
    return static_cast<HeadlessDevice*>(device);
}

LONG* AxisField(DIJOYSTATE& js, int axis)
{
    switch (axis) {
    case 0: return &js.lX;
    case 1: return &js.lY;
    case 2: return &js.lZ;
    case 3: return &js.lRx;
    case 4: return &js.lRy;
    case 5: return &js.lRz;
    case 6: return &js.rglSlider[0];
    default: return &js.rglSlider[1];
    }
}

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
    return sScript.keyboardReads;
}

int HeadlessJoypadReads()
{
    return sScript.joypadReads;
}

bool HeadlessJoypadOpen()
{
    return sJoystick.kind == DeviceKind::Joystick;
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

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* out, LPVOID outer)
{
    if (out == nullptr)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer != nullptr)
        return DIERR_NOAGGREGATION;
    if (version != DIRECTINPUT_VERSION)
        return DIERR_INVALIDPARAM;
    if (!IsEqualGUID(iid, IID_IDirectInput8A))
        return DIERR_NOINTERFACE;
    ++sDirectInput.refs;
    *out = static_cast<IDirectInput8A*>(&sDirectInput);
    return DI_OK;
}

HRESULT IDirectInput8A::CreateDevice(REFGUID instance, IDirectInputDevice8A** device, LPVOID outer)
{
    if (device == nullptr)
        return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (outer != nullptr)
        return DIERR_NOAGGREGATION;

    HeadlessDevice* dev = nullptr;
    DeviceKind kind = DeviceKind::Free;
    if (IsEqualGUID(instance, GUID_SysKeyboard)) {
        dev = &sKeyboard;
        kind = DeviceKind::Keyboard;
    } else if (IsEqualGUID(instance, kJoystickInstance) && sScript.joypadPresent) {
        dev = &sJoystick;
        kind = DeviceKind::Joystick;
    } else {
        return DIERR_DEVICENOTREG;
    }
    if (dev->kind != DeviceKind::Free)
        return E_FAIL;
    *dev = HeadlessDevice();
    dev->kind = kind;
    dev->refs = 1;
    *device = dev;
    return DI_OK;
}

HRESULT IDirectInput8A::EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD)
{
    if (callback == nullptr)
        return DIERR_INVALIDPARAM;
    if (devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_KEYBOARD) {
        DIDEVICEINSTANCEA inst = {};
        inst.dwSize = sizeof(inst);
        inst.guidInstance = GUID_SysKeyboard;
        inst.guidProduct = GUID_SysKeyboard;
        inst.dwDevType = DI8DEVCLASS_KEYBOARD;
        std::strcpy(inst.tszInstanceName, "Keyboard");
        std::strcpy(inst.tszProductName, "Keyboard");
        if (callback(&inst, context) == DIENUM_STOP)
            return DI_OK;
    }
    if ((devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_GAMECTRL) && sScript.joypadPresent) {
        DIDEVICEINSTANCEA inst = {};
        inst.dwSize = sizeof(inst);
        inst.guidInstance = kJoystickInstance;
        inst.guidProduct = kJoystickInstance;
        inst.dwDevType = DI8DEVCLASS_GAMECTRL;
        std::strcpy(inst.tszInstanceName, "Test joypad");
        std::strcpy(inst.tszProductName, "Test joypad");
        callback(&inst, context);
    }
    return DI_OK;
}

ULONG IDirectInput8A::Release()
{
    if (sDirectInput.refs > 0)
        --sDirectInput.refs;
    return sDirectInput.refs;
}

HRESULT IDirectInputDevice8A::SetDataFormat(LPCDIDATAFORMAT format)
{
    HeadlessDevice* dev = Impl(this);
    if (format == nullptr)
        return DIERR_INVALIDPARAM;
    if (dev->acquired)
        return DIERR_ACQUIRED;
    const DWORD wanted = dev->kind == DeviceKind::Keyboard ? c_dfDIKeyboard.dwDataSize : c_dfDIJoystick.dwDataSize;
    if (format->dwDataSize != wanted)
        return DIERR_INVALIDPARAM;
    dev->formatSet = true;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetCooperativeLevel(HWND, DWORD flags)
{
    HeadlessDevice* dev = Impl(this);
    const DWORD share = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD when = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if ((share != DISCL_EXCLUSIVE && share != DISCL_NONEXCLUSIVE) ||
        (when != DISCL_FOREGROUND && when != DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    if (dev->acquired)
        return DIERR_ACQUIRED;
    dev->foreground = when == DISCL_FOREGROUND;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetProperty(REFGUID property, LPCDIPROPHEADER header)
{
    HeadlessDevice* dev = Impl(this);
    if (dev->kind != DeviceKind::Joystick)
        return DIERR_UNSUPPORTED;
    return SetJoyAxisProperty(dev->axes, property, header);
}

HRESULT IDirectInputDevice8A::Acquire()
{
    HeadlessDevice* dev = Impl(this);
    if (sScript.acquireInputLost > 0) {
        --sScript.acquireInputLost;
        return DIERR_INPUTLOST;
    }
    if (!dev->formatSet)
        return DIERR_INVALIDPARAM;
    if (dev->kind == DeviceKind::Keyboard && dev->foreground && !sScript.focus)
        return DIERR_OTHERAPPHASPRIO;
    if (dev->kind == DeviceKind::Joystick && !sScript.joypadPresent)
        return DIERR_UNPLUGGED;
    if (dev->acquired)
        return DI_NOEFFECT;
    dev->acquired = true;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::Unacquire()
{
    HeadlessDevice* dev = Impl(this);
    if (!dev->acquired)
        return DI_NOEFFECT;
    dev->acquired = false;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::Poll()
{
    HeadlessDevice* dev = Impl(this);
    if (!dev->acquired)
        return DIERR_NOTACQUIRED;
    if (dev->kind != DeviceKind::Joystick)
        return DI_NOEFFECT;
    if (!sScript.joypadPresent) {
        dev->acquired = false;
        return DIERR_INPUTLOST;
    }
    return DI_OK;
}

HRESULT IDirectInputDevice8A::GetDeviceState(DWORD size, LPVOID data)
{
    HeadlessDevice* dev = Impl(this);
    if (data == nullptr || !dev->formatSet)
        return DIERR_INVALIDPARAM;
    if (dev->kind == DeviceKind::Keyboard) {
        if (size != c_dfDIKeyboard.dwDataSize)
            return DIERR_INVALIDPARAM;
        ++sScript.keyboardReads;
        std::memset(data, 0, size);
        if (!dev->acquired)
            return DIERR_NOTACQUIRED;
        if (dev->foreground && (sScript.loseKeyboard || !sScript.focus)) {
            sScript.loseKeyboard = false;
            dev->acquired = false;
            return DIERR_INPUTLOST;
        }
        std::memcpy(data, sScript.dik, size);
        return DI_OK;
    }

    if (size != sizeof(DIJOYSTATE))
        return DIERR_INVALIDPARAM;
    ++sScript.joypadReads;
    DIJOYSTATE& js = *static_cast<DIJOYSTATE*>(data);
    std::memset(&js, 0, sizeof(js));
    for (DWORD& pov : js.rgdwPOV)
        pov = 0xFFFFFFFFu;
    if (!dev->acquired)
        return DIERR_NOTACQUIRED;
    if (!sScript.joypadPresent) {
        dev->acquired = false;
        return DIERR_INPUTLOST;
    }
    for (int i = 0; i < kJoyAxisCount; ++i)
        *AxisField(js, i) = ScaleJoyAxis(sScript.axes[i], dev->axes[i]);
    std::memcpy(js.rgdwPOV, sScript.povs, sizeof(js.rgdwPOV));
    std::memcpy(js.rgbButtons, sScript.buttons, sizeof(js.rgbButtons));
    return DI_OK;
}

ULONG IDirectInputDevice8A::Release()
{
    HeadlessDevice* dev = Impl(this);
    if (dev->refs == 0)
        return 0;
    if (--dev->refs > 0)
        return dev->refs;
    *dev = HeadlessDevice();
    return 0;
}
