#pragma once
// The screen adjustment dialog's position arithmetic: scroll-bar positions <-> view values, and the new
// position for a scroll notification; and the same values moved by the mouse on the screen, on the
// dialog's grid. No Win32 here; the dialog (screen/AdjustDlg.cpp) and the screen call it.
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

// The four values the dialog edits, as the screen holds them.
struct ViewValues {
    float fTilt;
    float fOffsetX;
    float fOffsetY;
    float fOffsetZ;
};

// The mouse moves the values in the dialog's steps (0.1 for an offset, 1 degree of tilt), so the dialog
// shows what the mouse made. An offset step is about 3 pixels of the default window at the plane's
// depth (14.6 units of height over 400 pixels), so a dragged plane keeps up with the pointer; a degree
// every 2 pixels turns the whole 180 degrees in a drag across a window's height.
constexpr int kDragPixelsPerOffsetStep = 3;
constexpr int kDragPixelsPerTiltStep = 2;
// A wheel notch moves the plane a whole unit nearer or farther (a twentieth of the way to the eye at the
// default depth): forty notches cross the range.
constexpr int kWheelOffsetZSteps = 10;

// The values after the mouse has moved (dx, dy) client pixels (y downwards) since the left button went
// down with the values at `start`. Without Shift, dx moves the plane left/right and dy tilts it (down:
// towards the flat end, "後回り"); with Shift, dx and dy move it left/right and up/down. Each value moved
// by at least one step is put on the dialog's grid and kept within its bar's range; a value the drag
// does not move keeps exactly what it had. Any dx, dy is accepted (a drag that left the window may report
// anything), without overflow.
ViewValues DragView(const ViewValues& start, long long dx, long long dy, bool shift);

// The values after `notches` wheel notches with Ctrl held (positive: turned away from the user, bringing
// the plane nearer, "拡大"); offset Z on the grid and within range, the others unchanged.
ViewValues WheelViewZ(const ViewValues& now, long long notches);
