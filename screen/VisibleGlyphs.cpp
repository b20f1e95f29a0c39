#include "screen/VisibleGlyphs.h"

#include <algorithm>

namespace visible {

namespace {

// A plane of the view volume as a x + b y + c z + d >= 0 inside, in the line's coordinates.
struct Plane {
    double a, b, c, d;
};

// The largest value the plane's left side takes over the glyph box spanning [x0, x1] along the line.
double MostInside(const Plane& p, double x0, double x1, const GlyphBox& box) {
    return std::max(p.a * x0, p.a * x1) + std::max(p.b * box.bottom, p.b * box.top) +
           std::max(p.c * -box.depth, 0.0) + p.d;
}

}  // namespace

GlyphRange VisibleGlyphs(const double clip[16], const float* starts, int count, const GlyphBox& box) {
    GlyphRange range;
    if (count <= 0 || starts == nullptr) return range;
    // Row r of the matrix (column-major); the six planes of the clip volume -w <= x, y, z <= w are
    // row 3 plus or minus rows 0, 1 and 2.
    auto row = [&](int r, int k) { return clip[k * 4 + r]; };
    Plane planes[6];
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign = 0; sign < 2; ++sign) {
            const double s = sign == 0 ? 1.0 : -1.0;
            planes[axis * 2 + sign] = {row(3, 0) + s * row(axis, 0), row(3, 1) + s * row(axis, 1),
                                       row(3, 2) + s * row(axis, 2), row(3, 3) + s * row(axis, 3)};
        }
    }
    auto inside = [&](int i) {
        const double x0 = static_cast<double>(starts[i]) - box.overhang;
        const double x1 = static_cast<double>(starts[i + 1]) + box.overhang;
        for (const Plane& p : planes) {
            // Not-a-number (a degenerate matrix) counts as inside: drawn rather than lost.
            if (MostInside(p, x0, x1, box) < 0.0) return false;
        }
        return true;
    };
    int first = 0;
    while (first < count && !inside(first)) ++first;
    int end = count;
    while (end > first && !inside(end - 1)) --end;
    range.first = first;
    range.end = end;
    return range;
}

double EyeHeightAbovePlane(const double modelView[16]) {
    // The matrix is a rotation R and a translation t: the eye, the origin of eye space, lies at -R^T t in
    // the plane's coordinates; its z is the third column of R against t.
    return -(modelView[8] * modelView[12] + modelView[9] * modelView[13] + modelView[10] * modelView[14]);
}

void Multiply(const double a[16], const double b[16], double out[16]) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + r] * b[c * 4 + k];
            out[c * 4 + r] = sum;
        }
    }
}

void MoveAlongY(const double clip[16], double y, double out[16]) {
    for (int i = 0; i < 16; ++i) out[i] = clip[i];
    for (int r = 0; r < 4; ++r) out[12 + r] += y * clip[4 + r];
}

}  // namespace visible
