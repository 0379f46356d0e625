// The part of DirectInput 8 that the game reads its keyboard and joypad with,
// declared in our own words. The objects are plain classes: their data lives in
// the platform implementation, which derives from them.
#pragma once

#include "platform/win32.h"

#define DIRECTINPUT_VERSION 0x0800

// Identifiers (GUID is in win32.h). Only their identity matters to the game,
// so the values here are our own.
inline constexpr GUID IID_IDirectInput8A = {0x706f7401, 0x0001, 0x0008, {'d', 'i', 'n', 'p', 'u', 't', '8', 0}};
inline constexpr GUID GUID_SysKeyboard = {0x706f7401, 0x0002, 0x0000, {'k', 'e', 'y', 'b', 'o', 'a', 'r', 'd'}};
inline constexpr GUID DIPROP_RANGE = {0x706f7401, 0x0100, 0x0004, {'r', 'a', 'n', 'g', 'e', 0, 0, 0}};
inline constexpr GUID DIPROP_DEADZONE = {0x706f7401, 0x0100, 0x0005, {'d', 'e', 'a', 'd', 'z', 'o', 'n', 'e'}};
#define IID_IDirectInput8 IID_IDirectInput8A

// Results. Success codes are >= 0.
#define DI_OK S_OK
#define DI_NOEFFECT ((HRESULT)1)
#define DIERR_OTHERAPPHASPRIO ((HRESULT)0x80070005)
#define DIERR_NOTACQUIRED ((HRESULT)0x8007000C)
#define DIERR_NOTINITIALIZED ((HRESULT)0x80070015)
#define DIERR_INPUTLOST ((HRESULT)0x8007001E)
#define DIERR_INVALIDPARAM ((HRESULT)0x80070057)
#define DIERR_NOINTERFACE ((HRESULT)0x80004002)
#define DIERR_DEVICENOTREG ((HRESULT)0x80040154)
#define DIERR_UNPLUGGED ((HRESULT)0x80040209)
#define DIERR_UNSUPPORTED ((HRESULT)0x80004001)
#define DIERR_ACQUIRED ((HRESULT)0x800700AA)
#define DIERR_NOAGGREGATION ((HRESULT)0x80040110)

// Enumeration.
#define DI8DEVCLASS_ALL 0
#define DI8DEVCLASS_DEVICE 1
#define DI8DEVCLASS_POINTER 2
#define DI8DEVCLASS_KEYBOARD 3
#define DI8DEVCLASS_GAMECTRL 4
#define DIEDFL_ALLDEVICES 0x00000000u
#define DIEDFL_ATTACHEDONLY 0x00000001u
#define DIENUM_STOP 0
#define DIENUM_CONTINUE 1

// Cooperative levels.
#define DISCL_EXCLUSIVE 0x00000001u
#define DISCL_NONEXCLUSIVE 0x00000002u
#define DISCL_FOREGROUND 0x00000004u
#define DISCL_BACKGROUND 0x00000008u
#define DISCL_NOWINKEY 0x00000010u

// Property records. dwSize is the whole record, dwHeaderSize the header.
struct DIPROPHEADER {
    DWORD dwSize;
    DWORD dwHeaderSize;
    DWORD dwObj;
    DWORD dwHow;
};
typedef const DIPROPHEADER* LPCDIPROPHEADER;

struct DIPROPDWORD {
    DIPROPHEADER diph;
    DWORD dwData;
};

struct DIPROPRANGE {
    DIPROPHEADER diph;
    LONG lMin;
    LONG lMax;
};

static_assert(sizeof(DIPROPHEADER) == 16 && sizeof(DIPROPDWORD) == 20 && sizeof(DIPROPRANGE) == 24,
              "property records have fixed sizes");

#define DIPH_DEVICE 0
#define DIPH_BYOFFSET 1

// The joystick state in the standard joystick data format. Axes in the range
// set with DIPROP_RANGE; a button is down when bit 0x80 of its byte is set;
// a centred hat reads 0xFFFFFFFF.
struct DIJOYSTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    LONG lRx;
    LONG lRy;
    LONG lRz;
    LONG rglSlider[2];
    DWORD rgdwPOV[4];
    BYTE rgbButtons[32];
};
static_assert(sizeof(DIJOYSTATE) == 80, "the joystick state is 80 bytes");

#define DIJOFS_X offsetof(DIJOYSTATE, lX)
#define DIJOFS_Y offsetof(DIJOYSTATE, lY)
#define DIJOFS_Z offsetof(DIJOYSTATE, lZ)
#define DIJOFS_RX offsetof(DIJOYSTATE, lRx)
#define DIJOFS_RY offsetof(DIJOYSTATE, lRy)
#define DIJOFS_RZ offsetof(DIJOYSTATE, lRz)
#define DIJOFS_SLIDER(n) (offsetof(DIJOYSTATE, rglSlider) + (n) * sizeof(LONG))
#define DIJOFS_POV(n) (offsetof(DIJOYSTATE, rgdwPOV) + (n) * sizeof(DWORD))
#define DIJOFS_BUTTON(n) (offsetof(DIJOYSTATE, rgbButtons) + (n))

// Data formats. A device reads only the format of its kind: the keyboard 256
// bytes, one per key code; a joystick a DIJOYSTATE.
struct DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwDataSize;
};
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;

inline constexpr DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 0, 256};
inline constexpr DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), 1, sizeof(DIJOYSTATE)};

// One device found by EnumDevices. guidInstance identifies it to CreateDevice.
struct DIDEVICEINSTANCEA {
    DWORD dwSize;
    GUID guidInstance;
    GUID guidProduct;
    DWORD dwDevType;
    char tszInstanceName[260];
    char tszProductName[260];
};
typedef DIDEVICEINSTANCEA DIDEVICEINSTANCE;
typedef const DIDEVICEINSTANCEA* LPCDIDEVICEINSTANCEA;
typedef LPCDIDEVICEINSTANCEA LPCDIDEVICEINSTANCE;

typedef BOOL (*LPDIENUMDEVICESCALLBACKA)(LPCDIDEVICEINSTANCEA instance, LPVOID context);
typedef LPDIENUMDEVICESCALLBACKA LPDIENUMDEVICESCALLBACK;

class IDirectInputDevice8A {
public:
    HRESULT SetDataFormat(LPCDIDATAFORMAT format);
    HRESULT SetCooperativeLevel(HWND hWnd, DWORD flags);
    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header);
    HRESULT Acquire();
    HRESULT Unacquire();
    HRESULT GetDeviceState(DWORD size, LPVOID data);
    HRESULT Poll();
    ULONG Release();

protected:
    IDirectInputDevice8A() = default;
    ~IDirectInputDevice8A() = default;
};

class IDirectInput8A {
public:
    HRESULT CreateDevice(REFGUID instance, IDirectInputDevice8A** device, LPVOID outer);
    HRESULT EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD flags);
    ULONG Release();

protected:
    IDirectInput8A() = default;
    ~IDirectInput8A() = default;
};

typedef IDirectInput8A IDirectInput8;
typedef IDirectInputDevice8A IDirectInputDevice8;
typedef IDirectInput8A* LPDIRECTINPUT8A;
typedef IDirectInput8A* LPDIRECTINPUT8;
typedef IDirectInputDevice8A* LPDIRECTINPUTDEVICE8A;
typedef IDirectInputDevice8A* LPDIRECTINPUTDEVICE8;

// Writes the new object to *out as an IDirectInput8A*.
HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* out, LPVOID outer);

// Key codes of the keyboard device: the keyboard's scan codes (extended keys
// have bit 0x80 set).
enum : BYTE {
    DIK_ESCAPE = 0x01,
    DIK_1 = 0x02,
    DIK_2 = 0x03,
    DIK_3 = 0x04,
    DIK_4 = 0x05,
    DIK_5 = 0x06,
    DIK_6 = 0x07,
    DIK_7 = 0x08,
    DIK_8 = 0x09,
    DIK_9 = 0x0A,
    DIK_0 = 0x0B,
    DIK_MINUS = 0x0C,
    DIK_EQUALS = 0x0D,
    DIK_BACK = 0x0E,
    DIK_TAB = 0x0F,
    DIK_Q = 0x10,
    DIK_W = 0x11,
    DIK_E = 0x12,
    DIK_R = 0x13,
    DIK_T = 0x14,
    DIK_Y = 0x15,
    DIK_U = 0x16,
    DIK_I = 0x17,
    DIK_O = 0x18,
    DIK_P = 0x19,
    DIK_LBRACKET = 0x1A,
    DIK_RBRACKET = 0x1B,
    DIK_RETURN = 0x1C,
    DIK_LCONTROL = 0x1D,
    DIK_A = 0x1E,
    DIK_S = 0x1F,
    DIK_D = 0x20,
    DIK_F = 0x21,
    DIK_G = 0x22,
    DIK_H = 0x23,
    DIK_J = 0x24,
    DIK_K = 0x25,
    DIK_L = 0x26,
    DIK_SEMICOLON = 0x27,
    DIK_APOSTROPHE = 0x28,
    DIK_GRAVE = 0x29,
    DIK_LSHIFT = 0x2A,
    DIK_BACKSLASH = 0x2B,
    DIK_Z = 0x2C,
    DIK_X = 0x2D,
    DIK_C = 0x2E,
    DIK_V = 0x2F,
    DIK_B = 0x30,
    DIK_N = 0x31,
    DIK_M = 0x32,
    DIK_COMMA = 0x33,
    DIK_PERIOD = 0x34,
    DIK_SLASH = 0x35,
    DIK_RSHIFT = 0x36,
    DIK_MULTIPLY = 0x37,
    DIK_LMENU = 0x38,
    DIK_SPACE = 0x39,
    DIK_CAPITAL = 0x3A,
    DIK_F1 = 0x3B,
    DIK_F2 = 0x3C,
    DIK_F3 = 0x3D,
    DIK_F4 = 0x3E,
    DIK_F5 = 0x3F,
    DIK_F6 = 0x40,
    DIK_F7 = 0x41,
    DIK_F8 = 0x42,
    DIK_F9 = 0x43,
    DIK_F10 = 0x44,
    DIK_NUMLOCK = 0x45,
    DIK_SCROLL = 0x46,
    DIK_NUMPAD7 = 0x47,
    DIK_NUMPAD8 = 0x48,
    DIK_NUMPAD9 = 0x49,
    DIK_SUBTRACT = 0x4A,
    DIK_NUMPAD4 = 0x4B,
    DIK_NUMPAD5 = 0x4C,
    DIK_NUMPAD6 = 0x4D,
    DIK_ADD = 0x4E,
    DIK_NUMPAD1 = 0x4F,
    DIK_NUMPAD2 = 0x50,
    DIK_NUMPAD3 = 0x51,
    DIK_NUMPAD0 = 0x52,
    DIK_DECIMAL = 0x53,
    DIK_OEM_102 = 0x56,
    DIK_F11 = 0x57,
    DIK_F12 = 0x58,
    DIK_NUMPADENTER = 0x9C,
    DIK_RCONTROL = 0x9D,
    DIK_DIVIDE = 0xB5,
    DIK_SYSRQ = 0xB7,
    DIK_RMENU = 0xB8,
    DIK_PAUSE = 0xC5,
    DIK_HOME = 0xC7,
    DIK_UP = 0xC8,
    DIK_PRIOR = 0xC9,
    DIK_LEFT = 0xCB,
    DIK_RIGHT = 0xCD,
    DIK_END = 0xCF,
    DIK_DOWN = 0xD0,
    DIK_NEXT = 0xD1,
    DIK_INSERT = 0xD2,
    DIK_DELETE = 0xD3,
    DIK_LWIN = 0xDB,
    DIK_RWIN = 0xDC,
    DIK_APPS = 0xDD,
};

// Other names for the same keys.
enum : BYTE {
    DIK_BACKSPACE = DIK_BACK,
    DIK_NUMPADSTAR = DIK_MULTIPLY,
    DIK_LALT = DIK_LMENU,
    DIK_CAPSLOCK = DIK_CAPITAL,
    DIK_NUMPADMINUS = DIK_SUBTRACT,
    DIK_NUMPADPLUS = DIK_ADD,
    DIK_NUMPADPERIOD = DIK_DECIMAL,
    DIK_NUMPADSLASH = DIK_DIVIDE,
    DIK_RALT = DIK_RMENU,
    DIK_UPARROW = DIK_UP,
    DIK_PGUP = DIK_PRIOR,
    DIK_LEFTARROW = DIK_LEFT,
    DIK_RIGHTARROW = DIK_RIGHT,
    DIK_DOWNARROW = DIK_DOWN,
    DIK_PGDN = DIK_NEXT,
};
