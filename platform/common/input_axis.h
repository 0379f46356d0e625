// How a joystick device turns raw stick positions into the axis values of
// DIJOYSTATE, under the range and dead zone properties the game sets. Free of
// SDL, so that the headless platform reads its scripted sticks the same way.
#pragma once

#include "platform/dinput.h"

// The eight axis fields of DIJOYSTATE, in order: lX, lY, lZ, lRx, lRy, lRz and
// the two sliders. Raw positions are those of SDL: -32768..32767, 0 centred.
const int kJoyAxisCount = 8;

struct JoyAxisProps {
    LONG lMin = 0; // an axis nobody has set reads 0..65535
    LONG lMax = 65535;
    DWORD dwDeadZone = 0; // in 1/10000 of the travel from the centre to either end
};

// The dead zone reads as the centre of the range. Past it, the remaining travel
// is spread over the half range, rounded, but never back onto the centre: the
// smallest move out of the dead zone already reads off-centre.
inline LONG ScaleJoyAxis(int raw, const JoyAxisProps& props)
{
    const int64_t lo = props.lMin;
    const int64_t hi = props.lMax;
    const int64_t centre = lo + (hi - lo) / 2;
    const int64_t deadZone = props.dwDeadZone > 10000 ? 10000 : props.dwDeadZone;
    const bool negative = raw < 0;
    const int64_t travel = negative ? 32768 : 32767;
    int64_t mag = negative ? -static_cast<int64_t>(raw) : raw;
    if (mag > travel)
        mag = travel;
    if (mag * 10000 <= deadZone * travel)
        return static_cast<LONG>(centre);
    const int64_t span = negative ? centre - lo : hi - centre;
    const int64_t num = (mag * 10000 - deadZone * travel) * span;
    const int64_t den = (10000 - deadZone) * travel;
    int64_t off = (2 * num + den) / (2 * den);
    if (off < 1)
        off = 1;
    return static_cast<LONG>(negative ? centre - off : centre + off);
}

// SetProperty for the axis properties of a joystick: DIPROP_RANGE and
// DIPROP_DEADZONE, on one axis by its DIJOYSTATE offset or on all of them.
inline HRESULT SetJoyAxisProperty(JoyAxisProps (&axes)[kJoyAxisCount], REFGUID property,
                                  LPCDIPROPHEADER header)
{
    if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER))
        return DIERR_INVALIDPARAM;

    int first = 0;
    int last = kJoyAxisCount - 1;
    if (header->dwHow == DIPH_BYOFFSET) {
        if (header->dwObj % sizeof(LONG) != 0 || header->dwObj / sizeof(LONG) >= kJoyAxisCount)
            return DIERR_UNSUPPORTED;
        first = last = static_cast<int>(header->dwObj / sizeof(LONG));
    } else if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
        return DIERR_INVALIDPARAM;
    }

    if (IsEqualGUID(property, DIPROP_RANGE)) {
        if (header->dwSize != sizeof(DIPROPRANGE))
            return DIERR_INVALIDPARAM;
        const DIPROPRANGE* range = reinterpret_cast<const DIPROPRANGE*>(header);
        if (range->lMin >= range->lMax)
            return DIERR_INVALIDPARAM;
        for (int i = first; i <= last; ++i) {
            axes[i].lMin = range->lMin;
            axes[i].lMax = range->lMax;
        }
        return DI_OK;
    }
    if (IsEqualGUID(property, DIPROP_DEADZONE)) {
        if (header->dwSize != sizeof(DIPROPDWORD))
            return DIERR_INVALIDPARAM;
        const DIPROPDWORD* value = reinterpret_cast<const DIPROPDWORD*>(header);
        if (value->dwData > 10000)
            return DIERR_INVALIDPARAM;
        for (int i = first; i <= last; ++i)
            axes[i].dwDeadZone = value->dwData;
        return DI_OK;
    }
    return DIERR_UNSUPPORTED;
}
