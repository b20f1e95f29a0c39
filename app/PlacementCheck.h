#pragma once
// Keeps a stored window placement usable: the record comes from the registry, where anything may stand,
// and a window placed where no monitor shows it (or hidden, or with no size) could never be reached
// again, since every close writes the same placement back. No Win32 here: app/SettingsApply.cpp hands
// in the monitors' work areas and the largest size the system gives a window.
#include <vector>

#include "app/SettingsRecord.h"

// A monitor's work area in screen coordinates; right and bottom exclusive.
struct WorkArea {
    int left;
    int top;
    int right;
    int bottom;
};

struct WindowSize {
    int width;
    int height;
};

// How much of the window must lie on one work area, in each direction, for it to count as shown.
constexpr int kMinVisiblePixels = 32;

// Mends `p` where it would make the window unusable, and leaves every usable placement exactly as it is.
// The normal rectangle is in workspace coordinates, as the system reads and writes it: measured from
// the top-left corner of the primary monitor's work area (the first of `areas`), which differs from
// screen coordinates by the size of a taskbar at the top or left.
// - a show state other than normal (1), minimised (2) or maximised (3), e.g. hidden, becomes normal;
// - an empty or inverted normal rectangle gets `defaults` from its top-left;
// - a rectangle larger than `largest` (the largest window the system makes) is cut down to it;
// - a rectangle that no work area shows by kMinVisiblePixels in both directions is moved onto the
//   primary work area, keeping its size as far as that area holds it.
// A window larger than the primary monitor, spanning two monitors or lying on another one stays as it
// is. `areas` holds at least one work area, the primary one first. Returns true when anything changed.
bool KeepPlacementUsable(PlacementData& p, const std::vector<WorkArea>& areas, WindowSize largest,
                         WindowSize defaults);
