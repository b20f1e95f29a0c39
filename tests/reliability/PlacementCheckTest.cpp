// The mending of stored window placements: usable placements pass untouched, unusable ones become
// usable with as little change as possible, and no stored value can overflow the arithmetic.
#include <gtest/gtest.h>

#include <climits>

#include "app/PlacementCheck.h"

namespace {

const std::vector<WorkArea> kOneMonitor = {{0, 0, 1024, 768}};
// A second, larger monitor to the left of the primary one, which comes first.
const std::vector<WorkArea> kTwoMonitors = {{0, 0, 1024, 768}, {-1280, 0, 0, 1024}};
// The largest window the system makes: the whole desktop and a frame (as SM_CXMAXTRACK has it).
constexpr WindowSize kLargest{2316, 1036};
constexpr WindowSize kDefault{600, 400};

PlacementData Placement(int left, int top, int right, int bottom, int show = 1) {
    PlacementData p{};
    p.length = 44;
    p.showCmd = show;
    p.left = left;
    p.top = top;
    p.right = right;
    p.bottom = bottom;
    return p;
}

void ExpectRect(const PlacementData& p, int left, int top, int right, int bottom) {
    EXPECT_EQ(p.left, left);
    EXPECT_EQ(p.top, top);
    EXPECT_EQ(p.right, right);
    EXPECT_EQ(p.bottom, bottom);
}

}  // namespace

TEST(PlacementCheck, UsablePlacementsStayExactlyAsStored) {
    const PlacementData usable[] = {
        Placement(0, 0, 600, 400),       Placement(100, 50, 700, 450, 2),
        Placement(-560, -300, 40, 100, 3),  // mostly off screen, yet 40 x 100 pixels still show
        Placement(1024 - 32, 768 - 32, 1600, 1000),
    };
    for (PlacementData p : usable) {
        const PlacementData before = p;
        EXPECT_FALSE(KeepPlacementUsable(p, kOneMonitor, kLargest, kDefault));
        ExpectRect(p, before.left, before.top, before.right, before.bottom);
        EXPECT_EQ(p.showCmd, before.showCmd);
    }
    // On the second monitor, not on the primary one: shown, so left alone.
    PlacementData second = Placement(-900, 100, -300, 500);
    EXPECT_FALSE(KeepPlacementUsable(second, kTwoMonitors, kLargest, kDefault));
    ExpectRect(second, -900, 100, -300, 500);
}

TEST(PlacementCheck, AWindowNoMonitorShowsMovesOntoThePrimaryKeepingItsSize) {
    PlacementData p = Placement(40000, -40000, 40600, -39600);
    EXPECT_TRUE(KeepPlacementUsable(p, kTwoMonitors, kLargest, kDefault));
    ExpectRect(p, 1024 - 600, 0, 1024, 400);
    // Fewer than the required pixels showing counts as not shown.
    PlacementData sliver = Placement(1024 - 31, 100, 1624 - 31, 500);
    EXPECT_TRUE(KeepPlacementUsable(sliver, kOneMonitor, kLargest, kDefault));
    ExpectRect(sliver, 1024 - 600, 100, 1024, 500);
}

TEST(PlacementCheck, HiddenOrUnknownShowStatesBecomeNormal) {
    for (int show : {0, 4, 5, 9, -1, INT_MAX}) {
        PlacementData p = Placement(10, 10, 610, 410, show);
        EXPECT_TRUE(KeepPlacementUsable(p, kOneMonitor, kLargest, kDefault)) << show;
        EXPECT_EQ(p.showCmd, 1) << show;
        ExpectRect(p, 10, 10, 610, 410);
    }
}

TEST(PlacementCheck, EmptyInvertedAndOversizedRectanglesGetAUsableSize) {
    PlacementData empty = Placement(100, 100, 100, 100);
    EXPECT_TRUE(KeepPlacementUsable(empty, kOneMonitor, kLargest, kDefault));
    ExpectRect(empty, 100, 100, 700, 500);

    PlacementData inverted = Placement(700, 500, 100, 100);
    EXPECT_TRUE(KeepPlacementUsable(inverted, kOneMonitor, kLargest, kDefault));
    ExpectRect(inverted, 700, 500, 1300, 900);  // the default size from its top-left, still shown

    PlacementData huge = Placement(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_TRUE(KeepPlacementUsable(huge, kOneMonitor, kLargest, kDefault));
    ExpectRect(huge, 0, 0, 1024, 768);

    PlacementData edges = Placement(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    EXPECT_TRUE(KeepPlacementUsable(edges, kOneMonitor, kLargest, kDefault));
    ExpectRect(edges, 424, 368, 1024, 768);
}

TEST(PlacementCheck, EveryMendedPlacementIsAFixedPoint) {
    const int values[] = {INT_MIN, -40000, -1, 0, 1, 31, 500, 1023, 40000, INT_MAX};
    for (int l : values) {
        for (int t : values) {
            for (int r : values) {
                for (int b : values) {
                    PlacementData p = Placement(l, t, r, b, 0);
                    KeepPlacementUsable(p, kTwoMonitors, kLargest, kDefault);
                    ASSERT_GT(static_cast<long long>(p.right) - p.left, 0);
                    ASSERT_GT(static_cast<long long>(p.bottom) - p.top, 0);
                    PlacementData again = p;
                    ASSERT_FALSE(KeepPlacementUsable(again, kTwoMonitors, kLargest, kDefault))
                        << l << ' ' << t << ' ' << r << ' ' << b;
                }
            }
        }
    }
}

TEST(PlacementCheck, WindowsLargerThanThePrimaryMonitorKeepTheirSize) {
    // Spanning both monitors, wider than the primary one.
    PlacementData spanning = Placement(-1000, 100, 800, 700);
    EXPECT_FALSE(KeepPlacementUsable(spanning, kTwoMonitors, kLargest, kDefault));
    ExpectRect(spanning, -1000, 100, 800, 700);
    // Sized on the larger second monitor: taller than the primary one.
    PlacementData tall = Placement(-1280, 0, -200, 1000, 3);
    EXPECT_FALSE(KeepPlacementUsable(tall, kTwoMonitors, kLargest, kDefault));
    ExpectRect(tall, -1280, 0, -200, 1000);
    // On one monitor, larger than its work area (dragged over the taskbar) but not than the system allows.
    PlacementData over = Placement(-8, -8, 1032, 776);
    EXPECT_FALSE(KeepPlacementUsable(over, kOneMonitor, {1048, 792}, kDefault));
    ExpectRect(over, -8, -8, 1032, 776);
    // Larger than any window the system makes: cut to that, where it stands.
    PlacementData larger = Placement(-10, -10, 5000, 3000);
    EXPECT_TRUE(KeepPlacementUsable(larger, kOneMonitor, {1048, 792}, kDefault));
    ExpectRect(larger, -10, -10, 1038, 782);
}

TEST(PlacementCheck, TheRectangleCountsFromThePrimaryWorkAreaNotFromTheScreen) {
    // A taskbar 100 pixels wide at the left of the primary monitor: workspace x 0 is screen x 100.
    const std::vector<WorkArea> left = {{100, 0, 1024, 768}};
    // Workspace -560 .. 40 is screen -460 .. 140: 40 pixels show on the work area.
    PlacementData shows = Placement(-560, 100, 40, 500);
    EXPECT_FALSE(KeepPlacementUsable(shows, left, kLargest, kDefault));
    ExpectRect(shows, -560, 100, 40, 500);
    // Workspace 904 .. 1504 is screen 1004 .. 1604: 20 pixels, too few.
    PlacementData hides = Placement(904, 100, 1504, 500);
    EXPECT_TRUE(KeepPlacementUsable(hides, left, kLargest, kDefault));
    ExpectRect(hides, 924 - 600, 100, 924, 500);  // at the work area's right edge

    // A taskbar 40 pixels high at the top: a mended window goes to the work area's top, workspace y 0.
    const std::vector<WorkArea> top = {{0, 40, 1024, 768}, {1024, 0, 2048, 768}};
    PlacementData away = Placement(100, 40000, 700, 40400);
    EXPECT_TRUE(KeepPlacementUsable(away, top, kLargest, kDefault));
    ExpectRect(away, 100, 728 - 400, 700, 728);
    PlacementData above = Placement(100, -40400, 700, -40000);
    EXPECT_TRUE(KeepPlacementUsable(above, top, kLargest, kDefault));
    ExpectRect(above, 100, 0, 700, 400);
    // The second monitor, screen y 0 .. 768, is workspace y -40 .. 728.
    PlacementData second = Placement(1100, -40, 1700, 360);
    EXPECT_FALSE(KeepPlacementUsable(second, top, kLargest, kDefault));
    ExpectRect(second, 1100, -40, 1700, 360);
    PlacementData below = Placement(1100, 728 - 20, 1700, 1108);  // 20 pixels on the second monitor
    EXPECT_TRUE(KeepPlacementUsable(below, top, kLargest, kDefault));
    ExpectRect(below, 1024 - 600, 728 - 400, 1024, 728);
}
