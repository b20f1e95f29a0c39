#include "screen/VisibleGlyphs.h"

#include <algorithm>
#include <cmath>

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

bool Invert(const double m[16], double out[16]) {
    // Gauss-Jordan elimination with partial pivoting on [m | I], rows of the matrix as GL lays out its
    // columns: the transpose's inverse is the inverse's transpose, so the layout needs no care.
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = m[c * 4 + r];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        }
        if (!(std::fabs(a[pivot][c]) > 1e-300)) return false;
        for (int k = 0; k < 8; ++k) std::swap(a[c][k], a[pivot][k]);
        const double scale = 1.0 / a[c][c];
        for (int k = 0; k < 8; ++k) a[c][k] *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0.0) continue;
            const double f = a[r][c];
            for (int k = 0; k < 8; ++k) a[r][k] -= f * a[c][k];
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) out[c * 4 + r] = a[r][c + 4];
    }
    return true;
}

bool PointOnPlane(const double clip[16], const int viewport[4], double wx, double wy, double& x, double& y) {
    double inv[16];
    if (viewport[2] <= 0 || viewport[3] <= 0 || !Invert(clip, inv)) return false;
    // Normalised device coordinates of the point, on the near plane (z = -1) and on the far one (z = 1),
    // carried back to the line's coordinates.
    const double nx = 2.0 * (wx - viewport[0]) / viewport[2] - 1.0;
    const double ny = 2.0 * (wy - viewport[1]) / viewport[3] - 1.0;
    double p[2][3];
    for (int end = 0; end < 2; ++end) {
        const double nz = end == 0 ? -1.0 : 1.0;
        double v[4];
        for (int r = 0; r < 4; ++r) v[r] = inv[r] * nx + inv[4 + r] * ny + inv[8 + r] * nz + inv[12 + r];
        if (!(std::fabs(v[3]) > 1e-300)) return false;
        for (int k = 0; k < 3; ++k) p[end][k] = v[k] / v[3];
    }
    const double dz = p[1][2] - p[0][2];
    if (!(std::fabs(dz) > 1e-12)) return false;
    const double t = -p[0][2] / dz;
    if (!(t >= 0.0 && t <= 1.0)) return false;
    x = p[0][0] + t * (p[1][0] - p[0][0]);
    y = p[0][1] + t * (p[1][1] - p[0][1]);
    return std::isfinite(x) && std::isfinite(y);
}

int RowAt(double x, double y, const double* widths, int rows, double rowBottom, double slack) {
    const double row = std::floor(y - rowBottom);
    if (!(row >= 0.0 && row < static_cast<double>(rows))) return -1;
    const int r = static_cast<int>(row);
    return x >= -slack && x <= widths[r] + slack ? r : -1;
}

}  // namespace visible
