#include "app/PlacementCheck.h"

#include <algorithm>

namespace {

// 64-bit throughout: stored edges may lie anywhere in the int range, and their differences overflow it.
long long Overlap(long long a0, long long a1, long long b0, long long b1) {
    return std::min(a1, b1) - std::max(a0, b0);
}

}  // namespace

bool KeepPlacementUsable(PlacementData& p, const std::vector<WorkArea>& areas, WindowSize largest,
                         WindowSize defaults) {
    bool changed = false;
    if (p.showCmd != 1 && p.showCmd != 2 && p.showCmd != 3) {
        p.showCmd = 1;
        changed = true;
    }
    if (areas.empty()) return changed;

    long long left = p.left;
    long long top = p.top;
    long long width = static_cast<long long>(p.right) - p.left;
    long long height = static_cast<long long>(p.bottom) - p.top;
    if (width <= 0 || height <= 0) {
        width = defaults.width;
        height = defaults.height;
    }
    width = std::min<long long>(width, std::max(1, largest.width));
    height = std::min<long long>(height, std::max(1, largest.height));

    // The work areas moved into the placement's coordinates: the primary one starts at (0, 0).
    const WorkArea& primary = areas.front();
    const long long originX = primary.left;
    const long long originY = primary.top;
    const long long wantX = std::min<long long>(kMinVisiblePixels, width);
    const long long wantY = std::min<long long>(kMinVisiblePixels, height);
    bool shown = false;
    for (const WorkArea& a : areas) {
        if (Overlap(left, left + width, a.left - originX, a.right - originX) >= wantX &&
            Overlap(top, top + height, a.top - originY, a.bottom - originY) >= wantY) {
            shown = true;
            break;
        }
    }
    if (!shown) {
        const long long areaWidth = std::max<long long>(1, static_cast<long long>(primary.right) - primary.left);
        const long long areaHeight = std::max<long long>(1, static_cast<long long>(primary.bottom) - primary.top);
        width = std::min(width, areaWidth);
        height = std::min(height, areaHeight);
        left = std::clamp<long long>(left, 0, areaWidth - width);
        top = std::clamp<long long>(top, 0, areaHeight - height);
    }

    // Every value now lies within the work areas' int coordinates, or is the stored one unchanged.
    const PlacementData before = p;
    p.left = static_cast<int>(left);
    p.top = static_cast<int>(top);
    p.right = static_cast<int>(left + width);
    p.bottom = static_cast<int>(top + height);
    return changed || p.left != before.left || p.top != before.top || p.right != before.right ||
           p.bottom != before.bottom;
}
