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
