#pragma once
// The passes of a refined picture, as pure logic: the sub-pixel offsets of the single-sampled passes
// of the same frame whose average is the refined picture. No Win32, no GL.
//
// The offsets are an ordered n x n grid over the pixel, each pass's sample at the centre of its cell:
// their average is the picture box-filtered over the pixel with n * n samples. Measured against a
// picture of 64 samples a pixel, 16 samples on that grid came nearer than 16 in an n-rooks pattern,
// single-sampled or as 4 passes of 4-sample multisampling.
#include <vector>

// The samples per pixel of a refined picture.
constexpr int kRefineSamples = 16;

struct JitterOffset {
    float dx = 0.0f;  // pixels, to the right
    float dy = 0.0f;  // pixels, upwards
};

// The offsets of passes that give at least `wanted` samples a pixel: n * n of them, n the smallest
// with n * n >= wanted, row by row from the bottom left. One pass (wanted 1 or less): no offset.
std::vector<JitterOffset> RefineJitter(int wanted = kRefineSamples);

// A band of window rows (from the bottom) that one slice draws of one pass, and what drawing it took.
struct RefineBand {
    int y0 = 0;
    int rows = 0;
    double ms = 0.0;
};

// The first pass's bands: the window's `height` rows cut into bands of `rows` (the last one shorter).
std::vector<RefineBand> EvenBands(int height, int rows);
// The next pass's bands, from what the bands of this one took (every pass draws the same rows, so the
// same band costs about the same): a band over `budgetMs` is cut in two (no band below `fewestRows`
// rows), then neighbours are joined while their times together stay within the budget. The bands
// returned cover the same rows, in order, without gaps or overlaps, each with its expected time.
std::vector<RefineBand> PlanBands(const std::vector<RefineBand>& measured, double budgetMs, int fewestRows);
