#include "screen/RefinePlan.h"

std::vector<JitterOffset> RefineJitter(int wanted) {
    int n = 1;
    while (n * n < wanted) ++n;
    std::vector<JitterOffset> offsets;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            JitterOffset o;
            o.dx = (static_cast<float>(i) + 0.5f) / static_cast<float>(n) - 0.5f;
            o.dy = (static_cast<float>(j) + 0.5f) / static_cast<float>(n) - 0.5f;
            offsets.push_back(o);
        }
    }
    return offsets;
}

std::vector<RefineBand> EvenBands(int height, int rows) {
    std::vector<RefineBand> bands;
    if (rows < 1) rows = 1;
    for (int y = 0; y < height; y += rows) bands.push_back({y, y + rows <= height ? rows : height - y, 0.0});
    return bands;
}

std::vector<RefineBand> PlanBands(const std::vector<RefineBand>& measured, double budgetMs, int fewestRows) {
    std::vector<RefineBand> split;
    for (const RefineBand& b : measured) {
        if (b.ms > budgetMs && b.rows >= 2 * fewestRows) {
            const int lower = b.rows / 2;
            split.push_back({b.y0, lower, b.ms / 2.0});
            split.push_back({b.y0 + lower, b.rows - lower, b.ms / 2.0});
        } else {
            split.push_back(b);
        }
    }
    std::vector<RefineBand> joined;
    for (const RefineBand& b : split) {
        if (!joined.empty() && joined.back().ms + b.ms <= budgetMs) {
            joined.back().rows += b.rows;
            joined.back().ms += b.ms;
        } else {
            joined.push_back(b);
        }
    }
    return joined;
}
