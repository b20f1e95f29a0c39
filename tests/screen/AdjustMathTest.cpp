// The adjustment dialog's position arithmetic: bar positions <-> view values, and the scroll codes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "screen/AdjustMath.h"

TEST(AdjustPositions, DefaultsOpenWhereTheyBelong) {
    EXPECT_EQ(PositionFromValue(-12.0f, kInverseX, kOffsetBarMin, kOffsetBarMax), -120);
    EXPECT_EQ(PositionFromValue(-5.0f, kInverseY, kOffsetBarMin, kOffsetBarMax), 50);
    EXPECT_EQ(PositionFromValue(0.0f, kInverseZ, kOffsetBarMin, kOffsetBarMax), 0);
    EXPECT_EQ(PositionFromValue(-40.0f, kInverseTilt, kTiltBarMin, kTiltBarMax), 40);
}

TEST(AdjustPositions, ValuesAreSinglePrecisionProducts) {
    EXPECT_EQ(ValueFromPosition(-123, kFactorX), -12.3f);
    EXPECT_EQ(ValueFromPosition(200, kFactorX), 20.0f);
    EXPECT_EQ(ValueFromPosition(-200, kFactorY), 20.0f);
    EXPECT_EQ(ValueFromPosition(41, kFactorTilt), -41.0f);
    EXPECT_EQ(ValueFromPosition(0, kFactorZ), 0.0f);
}

TEST(AdjustPositions, ReopeningFindsEveryPositionAgain) {
    // Whatever position a bar was left at, the value it gave leads back to that position.
    for (int p = kOffsetBarMin; p <= kOffsetBarMax; ++p) {
        ASSERT_EQ(PositionFromValue(ValueFromPosition(p, kFactorX), kInverseX, kOffsetBarMin, kOffsetBarMax),
                  p);
        ASSERT_EQ(PositionFromValue(ValueFromPosition(p, kFactorY), kInverseY, kOffsetBarMin, kOffsetBarMax),
                  p);
        ASSERT_EQ(PositionFromValue(ValueFromPosition(p, kFactorZ), kInverseZ, kOffsetBarMin, kOffsetBarMax),
                  p);
    }
    for (int p = kTiltBarMin; p <= kTiltBarMax; ++p) {
        ASSERT_EQ(
            PositionFromValue(ValueFromPosition(p, kFactorTilt), kInverseTilt, kTiltBarMin, kTiltBarMax), p);
    }
}

TEST(AdjustPositions, RoundsToTheNearestPosition) {
    EXPECT_EQ(PositionFromValue(1.26f, kInverseX, kOffsetBarMin, kOffsetBarMax), 13);
    EXPECT_EQ(PositionFromValue(1.24f, kInverseX, kOffsetBarMin, kOffsetBarMax), 12);
    EXPECT_EQ(PositionFromValue(-1.26f, kInverseX, kOffsetBarMin, kOffsetBarMax), -13);
    EXPECT_EQ(PositionFromValue(10.6f, kInverseTilt, kTiltBarMin, kTiltBarMax), -11);
}

TEST(AdjustPositions, UncheckedStoredValuesStayWithinTheBar) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float huge = std::numeric_limits<float>::max();
    EXPECT_EQ(PositionFromValue(nan, kInverseX, kOffsetBarMin, kOffsetBarMax), 0);
    EXPECT_EQ(PositionFromValue(-nan, kInverseTilt, kTiltBarMin, kTiltBarMax), 0);
    EXPECT_EQ(PositionFromValue(inf, kInverseX, kOffsetBarMin, kOffsetBarMax), 200);
    EXPECT_EQ(PositionFromValue(-inf, kInverseX, kOffsetBarMin, kOffsetBarMax), -200);
    EXPECT_EQ(PositionFromValue(inf, kInverseY, kOffsetBarMin, kOffsetBarMax), -200);
    EXPECT_EQ(PositionFromValue(huge, kInverseZ, kOffsetBarMin, kOffsetBarMax), -200);
    EXPECT_EQ(PositionFromValue(-huge, kInverseTilt, kTiltBarMin, kTiltBarMax), 90);
    EXPECT_EQ(PositionFromValue(3.0e9f, kInverseTilt, kTiltBarMin, kTiltBarMax), -90);
    EXPECT_EQ(PositionFromValue(25.0f, kInverseX, kOffsetBarMin, kOffsetBarMax), 200);
    EXPECT_EQ(PositionFromValue(-95.5f, kInverseTilt, kTiltBarMin, kTiltBarMax), 90);
    // NaN in a range that does not hold 0 still lands inside it.
    EXPECT_EQ(PositionFromValue(nan, 1.0, 5, 9), 5);
}

TEST(AdjustScrollCodes, EachCodeMovesAsItShould) {
    const int min = -200, max = 200;
    EXPECT_EQ(NextScrollPosition(kScrollLineUp, 10, min, max, 0), 9);
    EXPECT_EQ(NextScrollPosition(kScrollLineDown, 10, min, max, 0), 11);
    EXPECT_EQ(NextScrollPosition(kScrollPageUp, 10, min, max, 0), 5);
    EXPECT_EQ(NextScrollPosition(kScrollPageDown, 10, min, max, 0), 15);
    EXPECT_EQ(NextScrollPosition(kScrollThumbPosition, 10, min, max, 77), 10);
    EXPECT_EQ(NextScrollPosition(kScrollThumbTrack, 10, min, max, -123), -123);
    EXPECT_EQ(NextScrollPosition(kScrollTop, 10, min, max, 0), min);
    EXPECT_EQ(NextScrollPosition(kScrollBottom, 10, min, max, 0), max);
    EXPECT_EQ(NextScrollPosition(kScrollEnd, 10, min, max, 77), 10);
    EXPECT_EQ(NextScrollPosition(99, 10, min, max, 77), 10);
}

TEST(AdjustScrollCodes, StepsStopAtTheEnds) {
    EXPECT_EQ(NextScrollPosition(kScrollPageDown, 198, -200, 200, 0), 200);
    EXPECT_EQ(NextScrollPosition(kScrollPageUp, -198, -200, 200, 0), -200);
    EXPECT_EQ(NextScrollPosition(kScrollLineDown, 90, -90, 90, 0), 90);
    EXPECT_EQ(NextScrollPosition(kScrollLineUp, -90, -90, 90, 0), -90);
    EXPECT_EQ(NextScrollPosition(kScrollLineDown, INT_MAX, INT_MIN, INT_MAX, 0), INT_MAX);
    EXPECT_EQ(NextScrollPosition(kScrollPageUp, INT_MIN, INT_MIN, INT_MAX, 0), INT_MIN);
}

TEST(AdjustScrollCodes, ThumbPositionIsSignedSixteenBits) {
    EXPECT_EQ(ThumbFromWParam(0xFF380005u), -200);
    EXPECT_EQ(ThumbFromWParam(0x00C80005u), 200);
    EXPECT_EQ(ThumbFromWParam(0x80000005u), -32768);
    EXPECT_EQ(ThumbFromWParam(0x7FFF0005u), 32767);
    if (sizeof(std::uintptr_t) == 8) {
        // Bits above the low 32 of a 64-bit wParam are not part of the position.
        EXPECT_EQ(ThumbFromWParam(static_cast<std::uintptr_t>(0xFFFFFFFFFF850005ull)), -123);
    }
}
