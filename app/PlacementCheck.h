#pragma once
// Keeps a stored window placement usable: the record comes from the registry, where anything may stand,
// and a window placed where no monitor shows it (or hidden, or with no size) could never be reached
// again, since every close writes the same placement back. No Win32 here: app/SettingsApply.cpp hands
// in the monitors' work areas.
#include <vector>

#include "app/SettingsRecord.h"

// A work area in the coordinates of the placement's normal rectangle; right and bottom exclusive.
struct WorkArea {
    int left;
    int top;
    int right;
    int bottom;
};

// How much of the window must lie on one work area, in each direction, for it to count as shown.
constexpr int kMinVisiblePixels = 32;

// Mends `p` where it would make the window unusable, and leaves every usable placement exactly as it is:
// - a show state other than normal (1), minimised (2) or maximised (3), e.g. hidden, becomes normal;
// - an empty or inverted normal rectangle gets `defaultWidth` x `defaultHeight` from its top-left;
// - a rectangle larger than the first work area is cut down to its size;
// - a rectangle that no work area shows by kMinVisiblePixels in both directions is moved, keeping its
//   size, onto the first work area (the primary monitor's).
// `areas` holds at least one work area, the primary one first. Returns true when anything changed.
bool KeepPlacementUsable(PlacementData& p, const std::vector<WorkArea>& areas, int defaultWidth,
                         int defaultHeight);
