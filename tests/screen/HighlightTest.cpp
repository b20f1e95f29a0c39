// The colour of found text stays readable whatever colours the user chose: over every pair of text and
// background colours of a 216-colour grid it keeps a contrast with the background and stands apart from
// the text.
#include <gtest/gtest.h>

#include <cmath>

#include "screen/Highlight.h"

namespace {

using highlight::Colour;

double RgbDistance(Colour a, Colour b) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double d = static_cast<double>((a >> (8 * i)) & 0xFF) - static_cast<double>((b >> (8 * i)) & 0xFF);
        sum += d * d;
    }
    return std::sqrt(sum);
}

TEST(Highlight, FoundTextContrastsWithTheBackgroundAndDiffersFromTheTextForEveryPairOfColours) {
    const unsigned levels[6] = {0, 51, 102, 153, 204, 255};
    auto grid = [&](int i) { return levels[i % 6] | levels[i / 6 % 6] << 8 | levels[i / 36] << 16; };
    for (int t = 0; t < 216; ++t) {
        for (int b = 0; b < 216; ++b) {
            const Colour text = grid(t), back = grid(b);
            const Colour found = highlight::FindColour(text, back, back);
            ASSERT_GE(highlight::Contrast(found, back), 2.8) << std::hex << text << " on " << back;
            ASSERT_GE(RgbDistance(found, text), 100.0) << std::hex << text << " on " << back;
        }
    }
    // A gradient: the worse of its two colours counts. White text from black to light grey: black and
    // white are out (the grey, the text), so a strong colour is taken that stands out on both.
    const Colour found = highlight::FindColour(0xFFFFFF, 0x000000, 0xC0C0C0);
    EXPECT_GE(highlight::Contrast(found, 0x000000), 2.8);
    EXPECT_GE(highlight::Contrast(found, 0xC0C0C0), 1.5);
    EXPECT_NE(found, 0xFFFFFFu);
}

}  // namespace
