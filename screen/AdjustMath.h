#pragma once
// The screen adjustment dialog's position arithmetic: scroll-bar positions <-> view values, and the new
// position for a scroll notification. No Win32 here; the dialog (screen/AdjustDlg.cpp) calls it.
#include <cstdint>

// Scroll bar ranges.
constexpr int kOffsetBarMin = -200;  // bars of the X, Y and Z offsets
constexpr int kOffsetBarMax = 200;
constexpr int kTiltBarMin = -90;
constexpr int kTiltBarMax = 90;

// View value = position x factor, computed in single precision. Y and Z grow towards the top of their
// vertical bars and the tilt too, hence the negative factors.
constexpr float kFactorX = 0.1f;
constexpr float kFactorY = -0.1f;
constexpr float kFactorZ = -0.1f;
constexpr float kFactorTilt = -1.0f;

// The exact inverses, used to place the bars from the view values when the dialog opens.
constexpr double kInverseX = 10.0;
constexpr double kInverseY = -10.0;
constexpr double kInverseZ = -10.0;
constexpr double kInverseTilt = -1.0;

// Scroll notification codes, with the values the system gives them (SB_LINEUP ... SB_ENDSCROLL).
enum ScrollCode : unsigned {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
    kScrollEnd = 8,
};

constexpr int kLineStep = 1;
constexpr int kPageStep = 5;

// The view value for a bar position.
float ValueFromPosition(int position, float factor);

// The bar position for a view value: value x inverse, rounded to the nearest integer (halves away from
// zero) and kept within [min, max]. The value may come from stored settings that nobody checked, so a
// NaN gives 0 (kept within the range) and an infinite or huge value gives the nearer end of the range,
// never an out-of-range float-to-int conversion.
int PositionFromValue(float value, double inverse, int min, int max);

// The position after a scroll notification with `code` on a bar at `position` with range [min, max].
// `thumb` is the thumb position that SB_THUMBTRACK carries (see ThumbFromWParam); other codes ignore it.
// Unknown codes leave the position unchanged.
int NextScrollPosition(unsigned code, int position, int min, int max, int thumb);

// The thumb position in a WM_HSCROLL / WM_VSCROLL wParam: its high word, taken as signed 16 bits, so
// that negative positions arrive as such.
int ThumbFromWParam(std::uintptr_t wParam);
