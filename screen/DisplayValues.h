#pragma once
// The screen's display values as one record: the view of the text plane, the colours and the gradient
// switch, with their defaults. The screen names each of them as well (m_fTilt and the rest).
#include <windows.h>

#include "screen/AdjustMath.h"

struct DisplayValues {
    ViewValues view{-40.0f, -12.0f, -5.0f, 0.0f};  // tilt (degrees), offsets X, Y, Z
    COLORREF crText = 0xFFFFFF;                     // white
    COLORREF crBack1 = 0x000000;                    // the clear colour, the gradient's upper colour
    COLORREF crBack2 = 0xFF0000;                    // the gradient's lower colour (blue: red is the lowest byte)
    BOOL bGradient = TRUE;
};

inline bool operator==(const ViewValues& a, const ViewValues& b) {
    return a.fTilt == b.fTilt && a.fOffsetX == b.fOffsetX && a.fOffsetY == b.fOffsetY && a.fOffsetZ == b.fOffsetZ;
}
inline bool operator==(const DisplayValues& a, const DisplayValues& b) {
    return a.view == b.view && a.crText == b.crText && a.crBack1 == b.crBack1 && a.crBack2 == b.crBack2 &&
           a.bGradient == b.bGradient;
}
inline bool operator!=(const DisplayValues& a, const DisplayValues& b) { return !(a == b); }

// A colour value as GL intensities.
struct GlRgb {
    float r, g, b;
};
inline GlRgb ToGl(COLORREF c) {
    constexpr float kByteToIntensity = 1.0f / 255.0f;
    return {static_cast<float>(GetRValue(c)) * kByteToIntensity, static_cast<float>(GetGValue(c)) * kByteToIntensity,
            static_cast<float>(GetBValue(c)) * kByteToIntensity};
}
