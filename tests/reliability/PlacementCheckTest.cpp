// The mending of stored window placements: usable placements pass untouched, unusable ones become
// usable with as little change as possible, and no stored value can overflow the arithmetic.
#include <gtest/gtest.h>

#include <climits>

#include "app/PlacementCheck.h"

namespace {

const std::vector<WorkArea> kOneMonitor = {{0, 0, 1024, 768}};
// A second monitor to the left of the primary one, which comes first.
const std::vector<WorkArea> kTwoMonitors = {{0, 0, 1024, 768}, {-1280, 0, 0, 1024}};

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
        Placement(0, 0, 600, 400),         Placement(100, 50, 700, 450, 2),
        Placement(-560, -300, 40, 100, 3),  // mostly off screen, yet 40 x 100 pixels still show
        Placement(1024 - 32, 768 - 32, 1600, 1000),
    };
    for (PlacementData p : usable) {
        const PlacementData before = p;
        EXPECT_FALSE(KeepPlacementUsable(p, kOneMonitor, 600, 400));
        ExpectRect(p, before.left, before.top, before.right, before.bottom);
        EXPECT_EQ(p.showCmd, before.showCmd);
    }
    // On the second monitor, not on the primary one: shown, so left alone.
    PlacementData second = Placement(-900, 100, -300, 500);
    EXPECT_FALSE(KeepPlacementUsable(second, kTwoMonitors, 600, 400));
    ExpectRect(second, -900, 100, -300, 500);
}

TEST(PlacementCheck, AWindowNoMonitorShowsMovesOntoThePrimaryKeepingItsSize) {
    PlacementData p = Placement(40000, -40000, 40600, -39600);
    EXPECT_TRUE(KeepPlacementUsable(p, kTwoMonitors, 600, 400));
    ExpectRect(p, 1024 - 600, 0, 1024, 400);
    // Fewer than the required pixels showing counts as not shown.
    PlacementData sliver = Placement(1024 - 31, 100, 1624 - 31, 500);
    EXPECT_TRUE(KeepPlacementUsable(sliver, kOneMonitor, 600, 400));
    ExpectRect(sliver, 1024 - 600, 100, 1024, 500);
}

TEST(PlacementCheck, HiddenOrUnknownShowStatesBecomeNormal) {
    for (int show : {0, 4, 5, 9, -1, INT_MAX}) {
        PlacementData p = Placement(10, 10, 610, 410, show);
        EXPECT_TRUE(KeepPlacementUsable(p, kOneMonitor, 600, 400)) << show;
        EXPECT_EQ(p.showCmd, 1) << show;
        ExpectRect(p, 10, 10, 610, 410);
    }
}

TEST(PlacementCheck, EmptyInvertedAndOversizedRectanglesGetAUsableSize) {
    PlacementData empty = Placement(100, 100, 100, 100);
    EXPECT_TRUE(KeepPlacementUsable(empty, kOneMonitor, 600, 400));
    ExpectRect(empty, 100, 100, 700, 500);

    PlacementData inverted = Placement(700, 500, 100, 100);
    EXPECT_TRUE(KeepPlacementUsable(inverted, kOneMonitor, 600, 400));
    ExpectRect(inverted, 700, 500, 1300, 900);  // the default size from its top-left, still shown

    PlacementData huge = Placement(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_TRUE(KeepPlacementUsable(huge, kOneMonitor, 600, 400));
    ExpectRect(huge, 0, 0, 1024, 768);

    PlacementData edges = Placement(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    EXPECT_TRUE(KeepPlacementUsable(edges, kOneMonitor, 600, 400));
    ExpectRect(edges, 424, 368, 1024, 768);
}

TEST(PlacementCheck, EveryMendedPlacementIsAFixedPoint) {
    const int values[] = {INT_MIN, -40000, -1, 0, 1, 31, 500, 1023, 40000, INT_MAX};
    for (int l : values) {
        for (int t : values) {
            for (int r : values) {
                for (int b : values) {
                    PlacementData p = Placement(l, t, r, b, 0);
                    KeepPlacementUsable(p, kTwoMonitors, 600, 400);
                    ASSERT_GT(static_cast<long long>(p.right) - p.left, 0);
                    ASSERT_GT(static_cast<long long>(p.bottom) - p.top, 0);
                    PlacementData again = p;
                    ASSERT_FALSE(KeepPlacementUsable(again, kTwoMonitors, 600, 400))
                        << l << ' ' << t << ' ' << r << ' ' << b;
                }
            }
        }
    }
}
