// Which multisampled pixel format the screen takes (pure): the most samples up to the limit among the
// formats that can hold the screen; an accumulation buffer, then the plainest buffer, between equals.
#include <gtest/gtest.h>

#include <vector>

#include "screen/PixelFormatChoice.h"

namespace {

PixelFormatInfo Format(int index, int samples, int colour = 24, int depth = 24) {
    PixelFormatInfo f;
    f.index = index;
    f.bDrawToWindow = f.bSupportOpenGL = f.bDoubleBuffer = f.bRgba = true;
    f.colourBits = colour;
    f.depthBits = depth;
    f.sampleBuffers = samples > 0 ? 1 : 0;
    f.samples = samples;
    return f;
}

TEST(PixelFormatChoice, TheMostSamplesUpToTheLimitAmongFormatsThatCanHoldTheScreen) {
    std::vector<PixelFormatInfo> formats = {Format(1, 2), Format(2, 4), Format(3, 16), Format(4, 8, 32, 24)};
    EXPECT_EQ(4, ChooseMultisampledFormat(formats)) << "16 samples are more than asked";
    EXPECT_EQ(2, ChooseMultisampledFormat(formats, 4));
    // Unfit: single-buffered, too few colour or depth bits, no sample buffer, not for a window.
    PixelFormatInfo single = Format(5, 8), shallow = Format(6, 8, 16), flat = Format(7, 8, 24, 0);
    single.bDoubleBuffer = false;
    PixelFormatInfo noBuffer = Format(8, 8);
    noBuffer.sampleBuffers = 0;
    PixelFormatInfo bitmap = Format(9, 8);
    bitmap.bDrawToWindow = false;
    EXPECT_EQ(0, ChooseMultisampledFormat({single, shallow, flat, noBuffer, bitmap, Format(10, 1), Format(11, 0)}));
    EXPECT_EQ(0, ChooseMultisampledFormat({}));
    // Between equals: an accumulation buffer first, then the fewest bits past what is needed.
    PixelFormatInfo accum = Format(12, 4, 32, 32);
    accum.accumBits = 64;
    EXPECT_EQ(12, ChooseMultisampledFormat({Format(13, 4, 24, 16), accum}));
    EXPECT_EQ(14, ChooseMultisampledFormat({Format(15, 4, 32, 24), Format(14, 4, 24, 16)}));
}

}  // namespace
