#pragma once
// Which multisampled pixel format the screen takes, of those a driver describes through
// WGL_ARB_pixel_format. No Win32 here: the formats come in as plain records.
//
// A format qualifies when it draws to a window, supports OpenGL, is double-buffered and RGBA, has at
// least 24 colour bits and 16 depth bits, and a sample buffer with at least 2 samples. Of those the one
// with the most samples up to `maxSamples` is taken; between equals, one with an accumulation buffer
// (what refining the picture uses), then the fewest colour, depth and stencil bits past what is needed
// (so the driver's plainest buffer), then the lowest index. None qualifying: 0, and the screen keeps its
// single-sampled format.
#include <vector>

struct PixelFormatInfo {
    int index = 0;  // the driver's 1-based number of the format
    bool bDrawToWindow = false;
    bool bSupportOpenGL = false;
    bool bDoubleBuffer = false;
    bool bRgba = false;
    int colourBits = 0;
    int depthBits = 0;
    int stencilBits = 0;
    int accumBits = 0;
    int sampleBuffers = 0;
    int samples = 0;
};

constexpr int kMaxScreenSamples = 8;

int ChooseMultisampledFormat(const std::vector<PixelFormatInfo>& formats, int maxSamples = kMaxScreenSamples);
