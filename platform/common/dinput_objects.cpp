// The DirectInput objects the game uses: one keyboard and at most one joypad,
// with DirectInput's rules for data formats, cooperative levels and
// acquisition. The keys and sticks themselves come from the platform backend.
#include <cstring>

#include "platform/common/input_backend.h"
#include "platform/dinput.h"

namespace {

enum class DeviceKind { Free, Keyboard, Joystick };

struct InputDevice : IDirectInputDevice8A {
    DeviceKind kind = DeviceKind::Free;
    ULONG refs = 0;
    bool formatSet = false;
    bool foreground = false;
    bool acquired = false;
    JoyAxisProps axes[kJoyAxisCount];
};

struct DirectInput : IDirectInput8A {
    ULONG refs = 0;
};

// The game makes one keyboard and at most one joypad; no allocation needed.
DirectInput sDirectInput;
InputDevice sKeyboard;
InputDevice sJoystick;
int sKeyboardReads = 0;
int sJoypadReads = 0;

// Instance identifiers of joypads carry the backend's index in Data3.
const GUID kJoystickInstance = {0x706f7401, 0x0200, 0x0000, {'j', 'o', 'y', 's', 't', 'i', 'c', 'k'}};

InputDevice* Impl(IDirectInputDevice8A* device) { return static_cast<InputDevice*>(device); }

void StopJoypadsIfUnused() {
    if (sDirectInput.refs == 0 && sJoystick.kind == DeviceKind::Free) InputBackendStopJoypads();
}

LONG* AxisField(DIJOYSTATE& js, int axis) {
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

void FillInstance(DIDEVICEINSTANCEA& inst, const GUID& instance, DWORD type, const char* name) {
    inst = DIDEVICEINSTANCEA();
    inst.dwSize = sizeof(inst);
    inst.guidInstance = instance;
    inst.guidProduct = instance;
    inst.dwDevType = type;
    std::strncpy(inst.tszInstanceName, name, sizeof(inst.tszInstanceName) - 1);
    std::strncpy(inst.tszProductName, name, sizeof(inst.tszProductName) - 1);
}

}  // namespace

int DirectInputKeyboardStateReads() { return sKeyboardReads; }
int DirectInputJoypadStateReads() { return sJoypadReads; }
bool DirectInputJoypadOpen() { return sJoystick.kind == DeviceKind::Joystick; }

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* out, LPVOID outer) {
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer != nullptr) return DIERR_NOAGGREGATION;
    if (version != DIRECTINPUT_VERSION) return DIERR_INVALIDPARAM;
    if (!IsEqualGUID(iid, IID_IDirectInput8A)) return DIERR_NOINTERFACE;
    ++sDirectInput.refs;
    *out = static_cast<IDirectInput8A*>(&sDirectInput);
    return DI_OK;
}

HRESULT IDirectInput8A::CreateDevice(REFGUID instance, IDirectInputDevice8A** device, LPVOID outer) {
    if (device == nullptr) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (outer != nullptr) return DIERR_NOAGGREGATION;

    InputDevice* dev = nullptr;
    if (IsEqualGUID(instance, GUID_SysKeyboard)) {
        if (sKeyboard.kind != DeviceKind::Free) return E_FAIL;
        if (InputBackendKeyboardMissing()) return DIERR_DEVICENOTREG;
        dev = &sKeyboard;
        *dev = InputDevice();
        dev->kind = DeviceKind::Keyboard;
    } else {
        GUID pattern = instance;
        const int index = pattern.Data3;
        pattern.Data3 = 0;
        if (!IsEqualGUID(pattern, kJoystickInstance)) return DIERR_DEVICENOTREG;
        if (sJoystick.kind != DeviceKind::Free) return E_FAIL;
        if (!InputBackendOpenJoypad(index)) return DIERR_DEVICENOTREG;
        dev = &sJoystick;
        *dev = InputDevice();
        dev->kind = DeviceKind::Joystick;
    }
    dev->refs = 1;
    *device = dev;
    return DI_OK;
}

HRESULT IDirectInput8A::EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD) {
    if (callback == nullptr) return DIERR_INVALIDPARAM;
    DIDEVICEINSTANCEA inst;
    if (devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_KEYBOARD) {
        FillInstance(inst, GUID_SysKeyboard, DI8DEVCLASS_KEYBOARD, "Keyboard");
        if (callback(&inst, context) == DIENUM_STOP) return DI_OK;
    }
    // Only the joypads present now are ever offered, and enumeration runs
    // once at start-up: one plugged in later is not seen.
    if ((devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_GAMECTRL) && InputBackendStartJoypads()) {
        const int count = InputBackendJoypadCount();
        for (int i = 0; i < count && i <= 0xFFFF; ++i) {
            GUID id = kJoystickInstance;
            id.Data3 = static_cast<WORD>(i);
            const char* name = InputBackendJoypadName(i);
            FillInstance(inst, id, DI8DEVCLASS_GAMECTRL, name ? name : "Joystick");
            if (callback(&inst, context) == DIENUM_STOP) break;
        }
    }
    StopJoypadsIfUnused();
    return DI_OK;
}

ULONG IDirectInput8A::Release() {
    if (sDirectInput.refs == 0) return 0;
    if (--sDirectInput.refs == 0) StopJoypadsIfUnused();
    return sDirectInput.refs;
}

HRESULT IDirectInputDevice8A::SetDataFormat(LPCDIDATAFORMAT format) {
    InputDevice* dev = Impl(this);
    if (format == nullptr) return DIERR_INVALIDPARAM;
    if (dev->acquired) return DIERR_ACQUIRED;
    const DWORD wanted = dev->kind == DeviceKind::Keyboard ? c_dfDIKeyboard.dwDataSize : c_dfDIJoystick.dwDataSize;
    if (format->dwDataSize != wanted) return DIERR_INVALIDPARAM;
    dev->formatSet = true;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetCooperativeLevel(HWND, DWORD flags) {
    InputDevice* dev = Impl(this);
    const DWORD share = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD when = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if ((share != DISCL_EXCLUSIVE && share != DISCL_NONEXCLUSIVE) ||
        (when != DISCL_FOREGROUND && when != DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    if (dev->acquired) return DIERR_ACQUIRED;
    dev->foreground = when == DISCL_FOREGROUND;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    InputDevice* dev = Impl(this);
    if (dev->kind != DeviceKind::Joystick) return DIERR_UNSUPPORTED;
    return SetJoyAxisProperty(dev->axes, property, header);
}

HRESULT IDirectInputDevice8A::Acquire() {
    InputDevice* dev = Impl(this);
    if (InputBackendTakeAcquireInterrupted()) return DIERR_INPUTLOST;
    if (!dev->formatSet) return DIERR_INVALIDPARAM;
    if (dev->kind == DeviceKind::Keyboard && dev->foreground && !InputBackendKeyboardFocus())
        return DIERR_OTHERAPPHASPRIO;
    if (dev->kind == DeviceKind::Joystick && !InputBackendJoypadAttached()) return DIERR_UNPLUGGED;
    if (dev->acquired) return DI_NOEFFECT;
    dev->acquired = true;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::Unacquire() {
    InputDevice* dev = Impl(this);
    if (!dev->acquired) return DI_NOEFFECT;
    dev->acquired = false;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::Poll() {
    InputDevice* dev = Impl(this);
    if (!dev->acquired) return DIERR_NOTACQUIRED;
    if (dev->kind != DeviceKind::Joystick) return DI_NOEFFECT;
    InputBackendPollJoypad();
    if (!InputBackendJoypadAttached()) {
        dev->acquired = false;
        return DIERR_INPUTLOST;
    }
    return DI_OK;
}

// A failed read leaves the buffer all released rather than holding the keys of
// the last good read while another window has the keyboard.
HRESULT IDirectInputDevice8A::GetDeviceState(DWORD size, LPVOID data) {
    InputDevice* dev = Impl(this);
    if (data == nullptr || !dev->formatSet) return DIERR_INVALIDPARAM;
    if (dev->kind == DeviceKind::Keyboard) {
        if (size != c_dfDIKeyboard.dwDataSize) return DIERR_INVALIDPARAM;
        ++sKeyboardReads;
        BYTE* keys = static_cast<BYTE*>(data);
        std::memset(keys, 0, size);
        if (!dev->acquired) return DIERR_NOTACQUIRED;
        // Both are asked, so that a staged loss is used up by this read.
        const bool lost = InputBackendTakeKeyboardLoss();
        if (dev->foreground && (lost || !InputBackendKeyboardFocus())) {
            dev->acquired = false;
            return DIERR_INPUTLOST;
        }
        InputBackendReadKeys(keys);
        return DI_OK;
    }

    if (size != sizeof(DIJOYSTATE)) return DIERR_INVALIDPARAM;
    ++sJoypadReads;
    DIJOYSTATE& js = *static_cast<DIJOYSTATE*>(data);
    std::memset(&js, 0, sizeof(js));
    for (DWORD& pov : js.rgdwPOV) pov = 0xFFFFFFFFu;
    if (!dev->acquired) return DIERR_NOTACQUIRED;
    if (!InputBackendJoypadAttached()) {
        dev->acquired = false;
        return DIERR_INPUTLOST;
    }
    RawJoypadState raw;
    InputBackendReadJoypad(raw);
    for (int i = 0; i < kJoyAxisCount && i < raw.axisCount; ++i)
        *AxisField(js, i) = ScaleJoyAxis(raw.axes[i], dev->axes[i]);
    std::memcpy(js.rgdwPOV, raw.povs, sizeof(js.rgdwPOV));
    std::memcpy(js.rgbButtons, raw.buttons, sizeof(js.rgbButtons));
    return DI_OK;
}

ULONG IDirectInputDevice8A::Release() {
    InputDevice* dev = Impl(this);
    if (dev->refs == 0) return 0;
    if (--dev->refs > 0) return dev->refs;
    if (dev->kind == DeviceKind::Joystick) InputBackendCloseJoypad();
    *dev = InputDevice();
    StopJoypadsIfUnused();
    return 0;
}
