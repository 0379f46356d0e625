#include "shell/input.h"

#include "shell/winmain.h"

BYTE g_byKeyState[256];
BYTE g_byDIKeys[256];
DWORD g_dwPadInput;

LPDIRECTINPUT8 g_pDI;
LPDIRECTINPUTDEVICE8 g_pDIKeyboard;
LPDIRECTINPUTDEVICE8 g_pDIJoypad;

BYTE g_bHoldA;
BYTE g_bHoldB;
BYTE g_bHoldPause;
BYTE g_bHoldUp;
BYTE g_bHoldDown;
BYTE g_bHoldLeft;
BYTE g_bHoldRight;

namespace {

const int kJoyButtons = 10; // buttons 10..31 are never read

// A device that keeps answering "input lost" to Acquire would otherwise hold
// the frame forever; after this many tries the next frame tries again.
const int kMaxReacquire = 16;

void Reacquire(LPDIRECTINPUTDEVICE8 device)
{
    HRESULT hr = device->Acquire();
    for (int i = 1; hr == DIERR_INPUTLOST && i < kMaxReacquire; ++i)
        hr = device->Acquire();
}

bool PadDown(DWORD bits)
{
    return (g_dwPadInput & bits) != 0;
}

} // namespace

bool InputAttack()
{
    return IsKeyDown(g_byDIKeys[DIK_Z]) || PadDown(PAD_BUTTON0);
}

bool InputConfirm()
{
    return InputAttack() || IsKeyDown(g_byKeyState[VK_RETURN]);
}

bool InputJump()
{
    return IsKeyDown(g_byDIKeys[DIK_X]) || PadDown(PAD_BUTTON0 << 1);
}

bool InputPause()
{
    return IsKeyDown(g_byDIKeys[DIK_SPACE]) || PadDown(PAD_BUTTON0 << 2);
}

bool InputDropDown()
{
    return IsKeyDown(g_byDIKeys[DIK_DOWN]) || PadDown(PAD_DOWN);
}

bool InputLeft()
{
    return IsKeyDown(g_byKeyState[VK_LEFT]) || PadDown(PAD_LEFT);
}

bool InputRight()
{
    return IsKeyDown(g_byKeyState[VK_RIGHT]) || PadDown(PAD_RIGHT);
}

bool InputMenuUp()
{
    return IsKeyDown(g_byKeyState[VK_UP]) || PadDown(PAD_UP);
}

bool InputMenuDown()
{
    return IsKeyDown(g_byKeyState[VK_DOWN]) || PadDown(PAD_DOWN);
}

bool InitDirectInput(HINSTANCE hInstance)
{
    if (FAILED(DirectInput8Create(hInstance, DIRECTINPUT_VERSION, IID_IDirectInput8,
                                  reinterpret_cast<LPVOID*>(&g_pDI), nullptr)))
        return false;
    if (!InitKeyboard())
        return false;
    // The keyboard alone is enough to play.
    if (!InitJoypad())
        OutputDebugStringA("Joypad Not Found\n");
    return true;
}

bool InitKeyboard()
{
    if (FAILED(g_pDI->CreateDevice(GUID_SysKeyboard, &g_pDIKeyboard, nullptr)))
        return false;
    if (FAILED(g_pDIKeyboard->SetDataFormat(&c_dfDIKeyboard)))
        return false;
    if (FAILED(g_pDIKeyboard->SetCooperativeLevel(g_hWnd, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND)))
        return false;
    // Without the foreground this fails; UpdateKeyboard acquires it later.
    g_pDIKeyboard->Acquire();
    return true;
}

BOOL EnumJoysticksCallback(LPCDIDEVICEINSTANCE pdidInstance, LPVOID)
{
    if (FAILED(g_pDI->CreateDevice(pdidInstance->guidInstance, &g_pDIJoypad, nullptr)))
        return DIENUM_CONTINUE;
    return DIENUM_STOP;
}

bool InitJoypad()
{
    g_pDI->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoysticksCallback, nullptr, DIEDFL_ATTACHEDONLY);
    if (g_pDIJoypad == nullptr)
        return false;
    if (FAILED(g_pDIJoypad->SetDataFormat(&c_dfDIJoystick)))
        return false;

    // Failed properties leave the device's defaults; play goes on.
    DIPROPRANGE range = {};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = -1000;
    range.lMax = 1000;
    range.diph.dwObj = DIJOFS_X;
    g_pDIJoypad->SetProperty(DIPROP_RANGE, &range.diph);
    range.diph.dwObj = DIJOFS_Y;
    g_pDIJoypad->SetProperty(DIPROP_RANGE, &range.diph);

    // A quarter of the travel each side of centre counts as centred.
    DIPROPDWORD deadZone = {};
    deadZone.diph.dwSize = sizeof(DIPROPDWORD);
    deadZone.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    deadZone.diph.dwHow = DIPH_BYOFFSET;
    deadZone.dwData = 2500;
    deadZone.diph.dwObj = DIJOFS_X;
    g_pDIJoypad->SetProperty(DIPROP_DEADZONE, &deadZone.diph);
    deadZone.diph.dwObj = DIJOFS_Y;
    g_pDIJoypad->SetProperty(DIPROP_DEADZONE, &deadZone.diph);

    g_pDIJoypad->Acquire();
    return true;
}

void UpdateKeyboard()
{
    if (g_pDIKeyboard == nullptr)
        return;
    HRESULT hr = g_pDIKeyboard->GetDeviceState(sizeof(g_byDIKeys), g_byDIKeys);
    // A lost keyboard is only re-acquired here; its keys are read next frame.
    if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED)
        Reacquire(g_pDIKeyboard);
}

void UpdateJoypad()
{
    if (g_pDIJoypad == nullptr)
        return;
    g_dwPadInput = 0;

    if (FAILED(g_pDIJoypad->Poll()))
        Reacquire(g_pDIJoypad);

    DIJOYSTATE js;
    HRESULT hr = g_pDIJoypad->GetDeviceState(sizeof(DIJOYSTATE), &js);
    if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED)
        Reacquire(g_pDIJoypad);
    if (FAILED(hr))
        return;

    if (js.lY < 0)
        g_dwPadInput |= PAD_UP;
    if (js.lY > 0)
        g_dwPadInput |= PAD_DOWN;
    if (js.lX < 0)
        g_dwPadInput |= PAD_LEFT;
    if (js.lX > 0)
        g_dwPadInput |= PAD_RIGHT;
    for (int i = 0; i < kJoyButtons; ++i)
        if (IsKeyDown(js.rgbButtons[i]))
            g_dwPadInput |= PAD_BUTTON0 << i;
}

void ReleaseDirectInput()
{
    if (g_pDIKeyboard) {
        g_pDIKeyboard->Unacquire();
        g_pDIKeyboard->Release();
        g_pDIKeyboard = nullptr;
    }
    if (g_pDIJoypad) {
        g_pDIJoypad->Unacquire();
        g_pDIJoypad->Release();
        g_pDIJoypad = nullptr;
    }
    if (g_pDI) {
        g_pDI->Release();
        g_pDI = nullptr;
    }
}
