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
