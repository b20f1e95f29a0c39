#pragma once
// Pictures of the screen to compare what it shows with: the same scene drawn at a multiple of the
// screen's size and box-filtered down, and the difference between two pictures. Shared by the tests
// and the picture quality benchmark.
#include <vector>

#include "screen/ScreenWnd.h"

namespace vxtest {

// The screen's scene as it is now (its lines, values and view), drawn single-sampled into an
// offscreen buffer `factor` times the screen's width and height (the same aspect, so the same
// projection), then each factor x factor block averaged: a picture with factor * factor samples per
// pixel on a regular grid. BGRA, top row first, as WindowPixels gives; empty when the driver has no
// framebuffer objects or refuses the size. On the user-interface thread, outside a frame.
std::vector<unsigned char> SupersampledPicture(CScreenWnd& screen, int factor);

// The mean absolute difference of two pictures of the same size, over the blue, green and red of every
// pixel (0 to 255); -1 when their sizes differ.
double MeanDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

}  // namespace vxtest
