#include "screen/PixelFormatChoice.h"

#include <tuple>

namespace {

bool Qualifies(const PixelFormatInfo& f, int maxSamples) {
    return f.index > 0 && f.bDrawToWindow && f.bSupportOpenGL && f.bDoubleBuffer && f.bRgba && f.colourBits >= 24 &&
           f.depthBits >= 16 && f.sampleBuffers > 0 && f.samples >= 2 && f.samples <= maxSamples;
}

// Larger is better.
auto Rank(const PixelFormatInfo& f) {
    const int extra = (f.colourBits - 24) + (f.depthBits - 16) + f.stencilBits;
    return std::make_tuple(f.samples, f.accumBits > 0 ? 1 : 0, -extra, -f.index);
}

}  // namespace

int ChooseMultisampledFormat(const std::vector<PixelFormatInfo>& formats, int maxSamples) {
    const PixelFormatInfo* best = nullptr;
    for (const PixelFormatInfo& f : formats) {
        if (!Qualifies(f, maxSamples)) continue;
        if (best == nullptr || Rank(f) > Rank(*best)) best = &f;
    }
    return best != nullptr ? best->index : 0;
}
