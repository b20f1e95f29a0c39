// The adjustment dialog's position arithmetic: bar positions <-> view values, and the scroll codes.
#include <gtest/gtest.h>

#include <climits>
#include <limits>

#include "screen/AdjustMath.h"

namespace {
int OffsetPos(float value, double inverse) {
    return PositionFromValue(value, inverse, kOffsetBarMin, kOffsetBarMax);
}
int TiltPos(float value) { return PositionFromValue(value, kInverseTilt, kTiltBarMin, kTiltBarMax); }
}  // namespace

TEST(AdjustPositions, DefaultsAndSinglePrecisionValues) {
    EXPECT_EQ(OffsetPos(-12.0f, kInverseX), -120);
    EXPECT_EQ(OffsetPos(-5.0f, kInverseY), 50);
    EXPECT_EQ(OffsetPos(0.0f, kInverseZ), 0);
    EXPECT_EQ(TiltPos(-40.0f), 40);
    EXPECT_EQ(OffsetPos(1.26f, kInverseX), 13) << "nearest, not truncated";
    EXPECT_EQ(OffsetPos(-1.26f, kInverseX), -13);

    EXPECT_EQ(ValueFromPosition(-123, kFactorX), -12.3f);
    EXPECT_EQ(ValueFromPosition(-200, kFactorY), 20.0f);
    EXPECT_EQ(ValueFromPosition(41, kFactorTilt), -41.0f);
}

TEST(AdjustPositions, ReopeningFindsEveryPositionAgain) {
    for (int p = kOffsetBarMin; p <= kOffsetBarMax; ++p) {
        ASSERT_EQ(OffsetPos(ValueFromPosition(p, kFactorX), kInverseX), p);
        ASSERT_EQ(OffsetPos(ValueFromPosition(p, kFactorY), kInverseY), p);
        ASSERT_EQ(OffsetPos(ValueFromPosition(p, kFactorZ), kInverseZ), p);
    }
    for (int p = kTiltBarMin; p <= kTiltBarMax; ++p) ASSERT_EQ(TiltPos(ValueFromPosition(p, kFactorTilt)), p);
}

TEST(AdjustPositions, UncheckedStoredValuesStayWithinTheBar) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float huge = std::numeric_limits<float>::max();
    EXPECT_EQ(OffsetPos(nan, kInverseX), 0);
    EXPECT_EQ(TiltPos(-nan), 0);
    EXPECT_EQ(OffsetPos(inf, kInverseX), 200);
    EXPECT_EQ(OffsetPos(-inf, kInverseX), -200);
    EXPECT_EQ(OffsetPos(huge, kInverseZ), -200);
    EXPECT_EQ(TiltPos(-huge), 90);
    EXPECT_EQ(TiltPos(3.0e9f), -90) << "beyond the int range";
    EXPECT_EQ(OffsetPos(25.0f, kInverseX), 200);
    EXPECT_EQ(PositionFromValue(nan, 1.0, 5, 9), 5) << "NaN lands inside a range that does not hold 0";
}

TEST(AdjustScrollCodes, EachCodeMovesAsItShouldAndStopsAtTheEnds) {
    const struct {
        unsigned code;
        int from;
        int to;
    } cases[] = {
        {kScrollLineUp, 10, 9},         {kScrollLineDown, 10, 11},
        {kScrollPageUp, 10, 5},         {kScrollPageDown, 10, 15},
        {kScrollThumbPosition, 10, 10}, {kScrollThumbTrack, 10, -123},
        {kScrollTop, 10, -200},         {kScrollBottom, 10, 200},
        {kScrollEnd, 10, 10},           {99, 10, 10},
        {kScrollPageDown, 198, 200},    {kScrollPageUp, -198, -200},
        {kScrollLineDown, 200, 200},    {kScrollLineUp, -200, -200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextScrollPosition(c.code, c.from, -200, 200, -123), c.to)
            << "code " << c.code << " from " << c.from;
    }
    EXPECT_EQ(NextScrollPosition(kScrollLineDown, INT_MAX, INT_MIN, INT_MAX, 0), INT_MAX);
    EXPECT_EQ(NextScrollPosition(kScrollPageUp, INT_MIN, INT_MIN, INT_MAX, 0), INT_MIN);
}

TEST(AdjustScrollCodes, ThumbPositionIsSignedSixteenBits) {
    EXPECT_EQ(ThumbFromWParam(0xFF380005u), -200);
    EXPECT_EQ(ThumbFromWParam(0x00C80005u), 200);
    EXPECT_EQ(ThumbFromWParam(0x80000005u), -32768);
    if (sizeof(std::uintptr_t) == 8) {
        EXPECT_EQ(ThumbFromWParam(static_cast<std::uintptr_t>(0xFFFFFFFFFF850005ull)), -123)
            << "upper bits ignored";
    }
}

namespace {
constexpr ViewValues kDefaults{-40.0f, -12.0f, -5.0f, 0.0f};

// The value the dialog shows for `value`, read back as a value: equal exactly when `value` is on its grid.
float OnGrid(float value, double inverse, float factor, int min, int max) {
    return ValueFromPosition(PositionFromValue(value, inverse, min, max), factor);
}
}  // namespace

TEST(AdjustMouse, DragMovesLeftRightAndTiltsOrWithShiftMovesUpDown) {
    ViewValues v = DragView(kDefaults, 30, 0, false);
    EXPECT_EQ(v.fOffsetX, ValueFromPosition(-110, kFactorX)) << "ten steps right";
    EXPECT_EQ(v.fTilt, -40.0f);
    EXPECT_EQ(v.fOffsetY, -5.0f);
    EXPECT_EQ(v.fOffsetZ, 0.0f);

    v = DragView(kDefaults, -3, 20, false);
    EXPECT_EQ(v.fOffsetX, ValueFromPosition(-121, kFactorX));
    EXPECT_EQ(v.fTilt, -50.0f) << "down lays the plane flatter, as the tilt bar's lower end does";
    EXPECT_EQ(v.fOffsetY, -5.0f);
    v = DragView(kDefaults, 0, -20, false);
    EXPECT_EQ(v.fTilt, -30.0f);

    v = DragView(kDefaults, 0, 20, true);
    EXPECT_EQ(v.fOffsetY, ValueFromPosition(56, kFactorY)) << "down moves the plane down";
    EXPECT_LT(v.fOffsetY, -5.0f);
    EXPECT_EQ(v.fTilt, -40.0f) << "with Shift the tilt stays";
    v = DragView(kDefaults, 0, -20, true);
    EXPECT_EQ(v.fOffsetY, ValueFromPosition(44, kFactorY));

    // Less than a step moves nothing; mirror-image drags move by the same amount.
    v = DragView(kDefaults, 2, 1, false);
    EXPECT_EQ(v.fOffsetX, -12.0f);
    EXPECT_EQ(v.fTilt, -40.0f);
    EXPECT_EQ(DragView(kDefaults, 0, 0, true).fOffsetY, -5.0f);
    EXPECT_EQ(PositionFromValue(DragView(kDefaults, 11, 0, false).fOffsetX, kInverseX, -200, 200) + 120, 3);
    EXPECT_EQ(PositionFromValue(DragView(kDefaults, -11, 0, false).fOffsetX, kInverseX, -200, 200) + 120, -3);
}

TEST(AdjustMouse, ResultsLieOnTheDialogGridAndValuesNotMovedStayExactly) {
    const ViewValues odd{-40.4f, -12.34f, 3.3333f, 7.77f};  // stored settings need not lie on the grid
    const ViewValues still = DragView(odd, 1, 1, false);
    EXPECT_EQ(still.fOffsetX, odd.fOffsetX);
    EXPECT_EQ(still.fTilt, odd.fTilt);
    EXPECT_EQ(still.fOffsetY, odd.fOffsetY);
    EXPECT_EQ(WheelViewZ(odd, 0).fOffsetZ, odd.fOffsetZ);

    const ViewValues moved = DragView(odd, 3, 2, false);
    EXPECT_EQ(moved.fOffsetX, ValueFromPosition(-122, kFactorX)) << "from the shown -123, one step";
    EXPECT_EQ(moved.fTilt, -41.0f);
    for (long long d = -703; d <= 703; d += 7) {  // never less than a step (3 pixels) either way
        const ViewValues a = DragView(odd, d, d, false);
        const ViewValues b = DragView(odd, d, -d, true);
        ASSERT_EQ(a.fOffsetX, OnGrid(a.fOffsetX, kInverseX, kFactorX, -200, 200)) << d;
        ASSERT_EQ(a.fTilt, OnGrid(a.fTilt, kInverseTilt, kFactorTilt, -90, 90)) << d;
        ASSERT_EQ(b.fOffsetY, OnGrid(b.fOffsetY, kInverseY, kFactorY, -200, 200)) << d;
        ASSERT_GE(a.fTilt, -90.0f);
        ASSERT_LE(a.fTilt, 90.0f);
        ASSERT_GE(b.fOffsetY, -20.0f);
        ASSERT_LE(b.fOffsetY, 20.0f);
    }
}

TEST(AdjustMouse, DragsFarOutsideTheWindowStopAtTheRangeEnds) {
    ViewValues v = DragView(kDefaults, 100000, 100000, false);
    EXPECT_EQ(v.fOffsetX, 20.0f);
    EXPECT_EQ(v.fTilt, -90.0f);
    v = DragView(kDefaults, LLONG_MIN, LLONG_MIN, false);
    EXPECT_EQ(v.fOffsetX, -20.0f);
    EXPECT_EQ(v.fTilt, 90.0f);
    v = DragView(kDefaults, LLONG_MAX, LLONG_MIN, true);
    EXPECT_EQ(v.fOffsetX, 20.0f);
    EXPECT_EQ(v.fOffsetY, 20.0f);
    // A 16-bit client coordinate that wrapped (-32768 beyond the left edge) is just a long drag left.
    EXPECT_EQ(DragView(kDefaults, -32768 - 300, 0, false).fOffsetX, -20.0f);
    // Unchecked stored values: NaN starts from the bar's middle, infinity from its end.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    v = DragView(ViewValues{nan, inf, 0.0f, 0.0f}, -3, -2, false);
    EXPECT_EQ(v.fTilt, 1.0f);
    EXPECT_EQ(v.fOffsetX, ValueFromPosition(199, kFactorX));
}

TEST(AdjustMouse, CtrlWheelMovesNearerOrFartherByWholeUnits) {
    EXPECT_EQ(WheelViewZ(kDefaults, 1).fOffsetZ, 1.0f) << "away from the user: nearer";
    EXPECT_EQ(WheelViewZ(kDefaults, -3).fOffsetZ, -3.0f);
    const ViewValues v = WheelViewZ(kDefaults, 2);
    EXPECT_EQ(v.fTilt, -40.0f);
    EXPECT_EQ(v.fOffsetX, -12.0f);
    EXPECT_EQ(v.fOffsetY, -5.0f);
    EXPECT_EQ(WheelViewZ(ViewValues{0, 0, 0, 19.5f}, 1).fOffsetZ, 20.0f);
    EXPECT_EQ(WheelViewZ(kDefaults, LLONG_MAX).fOffsetZ, 20.0f);
    EXPECT_EQ(WheelViewZ(kDefaults, LLONG_MIN).fOffsetZ, -20.0f);
    EXPECT_EQ(WheelViewZ(kDefaults, INT_MIN).fOffsetZ, -20.0f);
    EXPECT_EQ(WheelViewZ(ViewValues{0, 0, 0, 0.25f}, -1).fOffsetZ, ValueFromPosition(7, kFactorZ))
        << "from the shown position -3 (0.3), one unit farther";
}
