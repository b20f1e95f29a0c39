#include "screen/AdjustMath.h"

#include <algorithm>
#include <cmath>

float ValueFromPosition(int position, float factor) {
    // float x float: the product is rounded to single precision once, as it is stored.
    return static_cast<float>(static_cast<float>(position) * factor);
}

int PositionFromValue(float value, double inverse, int min, int max) {
    const double scaled = static_cast<double>(value) * inverse;
    if (std::isnan(scaled)) return std::clamp(0, min, max);
    if (scaled <= static_cast<double>(min)) return min;
    if (scaled >= static_cast<double>(max)) return max;
    return static_cast<int>(std::lround(scaled));
}

int NextScrollPosition(unsigned code, int position, int min, int max, int thumb) {
    // 64-bit arithmetic: a position at either end of the int range cannot overflow.
    const long long pos = position;
    switch (code) {
    case kScrollLineUp:
        return static_cast<int>(std::max<long long>(pos - kLineStep, min));
    case kScrollLineDown:
        return static_cast<int>(std::min<long long>(pos + kLineStep, max));
    case kScrollPageUp:
        return static_cast<int>(std::max<long long>(pos - kPageStep, min));
    case kScrollPageDown:
        return static_cast<int>(std::min<long long>(pos + kPageStep, max));
    case kScrollThumbTrack:
        return thumb;
    case kScrollTop:
        return min;
    case kScrollBottom:
        return max;
    case kScrollThumbPosition:
    default:
        return position;
    }
}

int ThumbFromWParam(std::uintptr_t wParam) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((wParam >> 16) & 0xFFFF));
}

namespace {
// `value` moved by `steps` bar positions: from the position the dialog would show for it, kept within
// [min, max]. No steps: the value as it was, even off the grid.
float MoveValue(float value, double inverse, float factor, int min, int max, long long steps) {
    if (steps == 0) return value;
    const long long span = static_cast<long long>(max) - min;
    const long long pos = PositionFromValue(value, inverse, min, max) + std::clamp(steps, -span, span);
    return ValueFromPosition(static_cast<int>(std::clamp<long long>(pos, min, max)), factor);
}
}  // namespace

ViewValues DragView(const ViewValues& start, long long dx, long long dy, bool shift) {
    ViewValues v = start;
    // Towards zero on both sides, so a drag and its mirror image move by the same amount. Every bar grows
    // rightwards or downwards, as the pointer does.
    v.fOffsetX =
        MoveValue(start.fOffsetX, kInverseX, kFactorX, kOffsetBarMin, kOffsetBarMax, dx / kDragPixelsPerOffsetStep);
    if (shift) {
        v.fOffsetY = MoveValue(start.fOffsetY, kInverseY, kFactorY, kOffsetBarMin, kOffsetBarMax,
                               dy / kDragPixelsPerOffsetStep);
    } else {
        v.fTilt = MoveValue(start.fTilt, kInverseTilt, kFactorTilt, kTiltBarMin, kTiltBarMax,
                            dy / kDragPixelsPerTiltStep);
    }
    return v;
}

ViewValues WheelViewZ(const ViewValues& now, long long notches) {
    ViewValues v = now;
    // Nearer is up the Z bar, towards its minimum. The notches are clamped before they are multiplied.
    const long long span = static_cast<long long>(kOffsetBarMax) - kOffsetBarMin;
    v.fOffsetZ = MoveValue(now.fOffsetZ, kInverseZ, kFactorZ, kOffsetBarMin, kOffsetBarMax,
                           -std::clamp(notches, -span, span) * kWheelOffsetZSteps);
    return v;
}
