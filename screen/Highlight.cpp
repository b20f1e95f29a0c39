#include "screen/Highlight.h"

#include <cmath>

namespace highlight {

namespace {

double Channel(Colour c, int shift) {
    const double v = static_cast<double>((c >> shift) & 0xFF) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double Luminance(Colour c) { return 0.2126 * Channel(c, 0) + 0.7152 * Channel(c, 8) + 0.0722 * Channel(c, 16); }

// How far apart two colours look, roughly: RGB distance weighted towards green, as the eye is.
double Distance(Colour a, Colour b) {
    double sum = 0.0;
    const double weight[3] = {2.0, 4.0, 3.0};  // red, green, blue
    for (int i = 0; i < 3; ++i) {
        const double d = static_cast<double>((a >> (8 * i)) & 0xFF) - static_cast<double>((b >> (8 * i)) & 0xFF);
        sum += weight[i] * d * d;
    }
    return std::sqrt(sum / 9.0);
}

constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// Strong colours first: on a dark background yellow wins, on a light one a deep blue or magenta.
constexpr Colour kCandidates[] = {
    Rgb(255, 220, 0), Rgb(0, 230, 255), Rgb(255, 64, 255), Rgb(64, 255, 64), Rgb(255, 128, 0),
    Rgb(0, 48, 220),  Rgb(200, 0, 120), Rgb(0, 110, 0),    Rgb(140, 40, 0),  Rgb(255, 255, 255),
    Rgb(0, 0, 0),
};
// A match must not look like the text around it: this much distance counts as one step of contrast.
constexpr double kApartPerContrast = 25.0;

}  // namespace

double Contrast(Colour a, Colour b) {
    const double la = Luminance(a), lb = Luminance(b);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

Colour FindColour(Colour text, Colour back1, Colour back2) {
    Colour best = kCandidates[0];
    double bestScore = -1.0;
    for (const Colour c : kCandidates) {
        // The best contrast with the worse of the backgrounds, as long as the colour stands apart from
        // the text; nearer the text than that, its nearness counts against it as much.
        const double contrast = std::fmin(Contrast(c, back1), Contrast(c, back2));
        const double score = std::fmin(contrast, Distance(c, text) / kApartPerContrast);
        if (score > bestScore) {
            bestScore = score;
            best = c;
        }
    }
    return best;
}

Colour SelectionColour(Colour text, Colour back) {
    Colour out = 0;
    for (int i = 0; i < 3; ++i) {
        const int t = static_cast<int>((text >> (8 * i)) & 0xFF), b = static_cast<int>((back >> (8 * i)) & 0xFF);
        out |= static_cast<Colour>(b + (t - b) / 3) << (8 * i);
    }
    return out;
}

}  // namespace highlight
