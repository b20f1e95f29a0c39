// The refined picture's passes and slices (pure): the offsets sample the pixel evenly, and the bands a
// pass is cut into cover every row of the window exactly once, whatever they took.
#include <gtest/gtest.h>

#include <vector>

#include "screen/RefinePlan.h"

namespace {

// Every row 0 .. height - 1 in exactly one band, the bands in order.
void ExpectCovers(const std::vector<RefineBand>& bands, int height) {
    int next = 0;
    for (const RefineBand& b : bands) {
        EXPECT_EQ(b.y0, next);
        EXPECT_GT(b.rows, 0);
        next = b.y0 + b.rows;
    }
    EXPECT_EQ(next, height);
}

TEST(RefinePlan, TheOffsetsAreTheCentresOfAnOrderedGridOverThePixel) {
    EXPECT_EQ(RefineJitter(1).size(), 1u);
    EXPECT_EQ(RefineJitter(1)[0].dx, 0.0f);
    const std::vector<JitterOffset> offsets = RefineJitter(16);
    ASSERT_EQ(offsets.size(), 16u);
    int seen[4][4] = {};
    float sumX = 0, sumY = 0;
    for (const JitterOffset& o : offsets) {
        // Cell centres: -3/8, -1/8, 1/8, 3/8 of a pixel.
        const int i = static_cast<int>((o.dx + 0.5f) * 4.0f), j = static_cast<int>((o.dy + 0.5f) * 4.0f);
        ASSERT_TRUE(i >= 0 && i < 4 && j >= 0 && j < 4);
        EXPECT_FLOAT_EQ(o.dx, (static_cast<float>(i) + 0.5f) / 4.0f - 0.5f);
        EXPECT_FLOAT_EQ(o.dy, (static_cast<float>(j) + 0.5f) / 4.0f - 0.5f);
        ++seen[i][j];
        sumX += o.dx;
        sumY += o.dy;
    }
    for (auto& column : seen)
        for (int n : column) EXPECT_EQ(n, 1) << "each cell once";
    EXPECT_NEAR(sumX, 0.0f, 1e-6f);  // the picture does not move
    EXPECT_NEAR(sumY, 0.0f, 1e-6f);
    EXPECT_EQ(RefineJitter(10).size(), 16u) << "at least as many samples as wanted";
}

TEST(RefinePlan, BandsCutToTheBudgetCoverEveryRowOnce) {
    std::vector<RefineBand> bands = EvenBands(339, 64);
    ASSERT_EQ(bands.size(), 6u);
    ExpectCovers(bands, 339);
    EXPECT_EQ(bands.back().rows, 339 - 5 * 64);
    // Cheap bands below, dear ones above (the far lines): the cheap ones joined, the dear ones cut.
    const double took[6] = {1.0, 1.5, 2.0, 9.0, 30.0, 2.0};
    for (size_t i = 0; i < bands.size(); ++i) bands[i].ms = took[i];
    const std::vector<RefineBand> next = PlanBands(bands, 10.0, 16);
    ExpectCovers(next, 339);
    ASSERT_EQ(next.size(), 5u);
    EXPECT_EQ(next[0].rows, 3 * 64) << "the three cheap bands in one slice";
    EXPECT_EQ(next[1].rows, 64) << "joined with the next it would take 10.5 ms";
    EXPECT_EQ(next[2].y0, 256);
    EXPECT_EQ(next[2].rows, 32) << "the dear band cut in two";
    EXPECT_EQ(next[3].rows, 32);
    // Again and again, as later passes do: still every row once, and no band below the fewest rows.
    std::vector<RefineBand> plan = next;
    for (int pass = 0; pass < 8; ++pass) {
        for (RefineBand& b : plan) b.ms = static_cast<double>(b.rows) * (b.y0 > 200 ? 0.5 : 0.02);
        plan = PlanBands(plan, 10.0, 16);
        ExpectCovers(plan, 339);
        for (const RefineBand& b : plan) EXPECT_GE(b.rows, 16);
    }
}

}  // namespace
