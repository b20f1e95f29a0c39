// Which glyphs of a line reach the window: checked against the corners of every glyph's box carried
// through the same matrices the screen uses, at the default view and at random views of the adjustment
// ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "screen/VisibleGlyphs.h"

namespace {

using visible::GlyphBox;
using visible::GlyphRange;
using visible::VisibleGlyphs;

constexpr GlyphBox kBox{0.5, -0.5, 1.5, 0.2};
constexpr double kPi = 3.14159265358979323846;

struct Matrix {
    double m[16];  // column-major
};

Matrix Identity() {
    Matrix r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r.m[c * 4 + row] += a.m[k * 4 + row] * b.m[c * 4 + k];
    return r;
}

Matrix Perspective(double fovY, double aspect, double zNear, double zFar) {
    Matrix r{};
    const double f = 1.0 / std::tan(fovY * kPi / 360.0);
    r.m[0] = f / aspect;
    r.m[5] = f;
    r.m[10] = (zFar + zNear) / (zNear - zFar);
    r.m[11] = -1.0;
    r.m[14] = 2.0 * zFar * zNear / (zNear - zFar);
    return r;
}

Matrix Translate(double x, double y, double z) {
    Matrix r = Identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix RotateX(double degrees) {
    Matrix r = Identity();
    const double c = std::cos(degrees * kPi / 180.0), s = std::sin(degrees * kPi / 180.0);
    r.m[5] = c;
    r.m[6] = s;
    r.m[9] = -s;
    r.m[10] = c;
    return r;
}

// The screen's transformations for the record drawn `row` lines back: the camera on the z axis 20 units
// out looking at the origin, the plane's offsets and tilt, then the row.
Matrix LineClip(double aspect, double x, double y, double z, double tilt, double row) {
    Matrix m = Perspective(40.0, aspect, 0.1, 1000.0);
    m = Multiply(m, Translate(0.0, 0.0, -20.0));
    m = Multiply(m, Translate(x, y, z));
    m = Multiply(m, RotateX(tilt));
    return Multiply(m, Translate(0.0, row, 0.0));
}

// Where the box of glyph [x0, x1] stands with respect to the view volume: some corner strictly inside,
// or every corner outside one plane, or neither (near an edge or a corner of the volume).
enum class Seen { kCornerInside, kWhollyOutside, kUndecided };

Seen Classify(const Matrix& clip, double x0, double x1) {
    bool anyInside = false;
    int outside[6] = {};
    int corners = 0;
    for (double x : {x0 - kBox.overhang, x1 + kBox.overhang})
        for (double y : {kBox.bottom, kBox.top})
            for (double z : {0.0, -kBox.depth}) {
                double v[4];
                for (int r = 0; r < 4; ++r)
                    v[r] = clip.m[0 * 4 + r] * x + clip.m[1 * 4 + r] * y + clip.m[2 * 4 + r] * z + clip.m[3 * 4 + r];
                ++corners;
                bool in = v[3] > 0.0;
                for (int axis = 0; axis < 3; ++axis) {
                    if (v[3] + v[axis] < 0.0) ++outside[axis * 2];
                    if (v[3] - v[axis] < 0.0) ++outside[axis * 2 + 1];
                    in = in && -v[3] < v[axis] && v[axis] < v[3];
                }
                anyInside = anyInside || in;
            }
    if (anyInside) return Seen::kCornerInside;
    for (int n : outside)
        if (n == corners) return Seen::kWhollyOutside;
    return Seen::kUndecided;
}

std::vector<float> Starts(const std::vector<float>& advances) {
    std::vector<float> starts{0.0f};
    for (float a : advances) starts.push_back(starts.back() + a);
    return starts;
}

// Every glyph with a corner in view is kept, every glyph wholly outside one plane is left out.
void ExpectExact(const Matrix& clip, const std::vector<float>& starts, const char* where) {
    const int count = static_cast<int>(starts.size()) - 1;
    const GlyphRange range = VisibleGlyphs(clip.m, starts.data(), count, kBox);
    for (int i = 0; i < count; ++i) {
        const bool kept = i >= range.first && i < range.end;
        switch (Classify(clip, starts[static_cast<size_t>(i)], starts[static_cast<size_t>(i) + 1])) {
            case Seen::kCornerInside:
                EXPECT_TRUE(kept) << where << ": glyph " << i << " shows but is left out";
                break;
            case Seen::kWhollyOutside:
                EXPECT_FALSE(kept) << where << ": glyph " << i << " cannot show but is drawn";
                break;
            case Seen::kUndecided:
                break;
        }
    }
}

TEST(VisibleGlyphs, TheDefaultViewCutsWideNearLinesAtTheRightEdgeAndTheFarthestAtTheTop) {
    const std::vector<float> starts = Starts(std::vector<float>(80, 0.6f));
    const double aspect = 586.0 / 339.0;
    int keptNear = 0, keptFar = 0, rowsShown = 0;
    for (int row = 0; row < 30; ++row) {
        const Matrix clip = LineClip(aspect, -12.0, -5.0, 0.0, -40.0, row);
        ExpectExact(clip, starts, "default view");
        const GlyphRange r = VisibleGlyphs(clip.m, starts.data(), 80, kBox);
        if (r.Empty()) {
            EXPECT_GT(row, 20) << "only the farthest lines leave the window at the top";
            continue;
        }
        ++rowsShown;
        EXPECT_EQ(r.first, 0) << "row " << row << ": the line starts inside the window";
        if (row == 0) keptNear = r.end;
        keptFar = r.end;
    }
    EXPECT_LT(rowsShown, 30) << "the farthest lines lie above the window";
    EXPECT_LT(keptNear, 80) << "the nearest line runs past the right edge";
    EXPECT_GT(keptNear, 20);
    EXPECT_GT(keptFar, keptNear) << "more of a line fits in the distance";
}

TEST(VisibleGlyphs, RandomViewsOfTheAdjustmentRangesKeepEveryGlyphInView) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> offset(-20.0, 20.0), tilt(-90.0, 90.0), aspect(0.2, 5.0);
    std::uniform_int_distribution<int> count(0, 120), row(0, 29);
    std::uniform_real_distribution<float> advance(0.0f, 1.2f);
    for (int view = 0; view < 400; ++view) {
        const Matrix clip = LineClip(aspect(rng), offset(rng), offset(rng), offset(rng), tilt(rng), row(rng));
        std::vector<float> advances(static_cast<size_t>(count(rng)));
        for (float& a : advances) a = advance(rng) < 0.1f ? 0.0f : advance(rng);  // some zero-width glyphs
        ExpectExact(clip, Starts(advances), "random view");
        if (HasFailure()) {
            ADD_FAILURE() << "at view " << view;
            return;
        }
    }
}

TEST(VisibleGlyphs, ALineBehindTheCameraOrOffToOneSideDrawsNothing) {
    const std::vector<float> starts = Starts(std::vector<float>(40, 0.6f));
    // Pushed 20 units toward the viewer: the plane lies at the eye, the line behind the near plane.
    Matrix clip = LineClip(1.7, 0.0, 0.0, 25.0, 0.0, 0.0);
    EXPECT_TRUE(VisibleGlyphs(clip.m, starts.data(), 40, kBox).Empty());
    // Far to the right of the window.
    clip = LineClip(1.7, 40.0, 0.0, 0.0, 0.0, 0.0);
    EXPECT_TRUE(VisibleGlyphs(clip.m, starts.data(), 40, kBox).Empty());
    // Moved 40 units to the left: 20 units from the eye the window spans x = +-20 tan(20 deg) * 1.7
    // = +-12.4, so the line's x from 27.6 to 52.4 shows: glyphs 45 to 87 of 0.6 em, half an em of
    // overhang either side.
    clip = LineClip(1.7, -40.0, 0.0, 0.0, 0.0, 0.0);
    std::vector<float> wide = Starts(std::vector<float>(100, 0.6f));
    const GlyphRange r = VisibleGlyphs(clip.m, wide.data(), 100, kBox);
    EXPECT_NEAR(r.first, 45, 1);
    EXPECT_NEAR(r.end, 88, 1);
}

TEST(VisibleGlyphs, TheEyesHeightAboveThePlaneTellsWhetherBackFacesCanShow) {
    // The screen's model-view matrix at random views of the adjustment ranges: the eye, carried into eye
    // space, lands on the origin, and its height is the z of that point.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> offset(-20.0, 20.0), tilt(-90.0, 90.0);
    int behind = 0;
    for (int view = 0; view < 200; ++view) {
        Matrix mv = Multiply(Translate(0.0, 0.0, -20.0), Translate(offset(rng), offset(rng), offset(rng)));
        mv = Multiply(mv, RotateX(tilt(rng)));
        const double h = visible::EyeHeightAbovePlane(mv.m);
        // The eye in the plane's coordinates: -R^T t, found here by solving M e = 0 column by column.
        double e[3];
        for (int i = 0; i < 3; ++i) e[i] = -(mv.m[i * 4 + 0] * mv.m[12] + mv.m[i * 4 + 1] * mv.m[13] + mv.m[i * 4 + 2] * mv.m[14]);
        for (int r = 0; r < 3; ++r) {
            const double at = mv.m[r] * e[0] + mv.m[4 + r] * e[1] + mv.m[8 + r] * e[2] + mv.m[12 + r];
            EXPECT_NEAR(at, 0.0, 1e-9) << "view " << view;
        }
        EXPECT_NEAR(h, e[2], 1e-9);
        behind += h < 0.0;
    }
    EXPECT_GT(behind, 0) << "some views of the ranges look at the plane from behind";
    // The default view: 20 units out, the plane tilted 40 degrees back and 5 units down.
    Matrix mv = Multiply(Multiply(Translate(0.0, 0.0, -20.0), Translate(-12.0, -5.0, 0.0)), RotateX(-40.0));
    // The eye lies at (12, 5, 20) from the plane's origin, turned 40 degrees about x into the plane.
    EXPECT_NEAR(visible::EyeHeightAbovePlane(mv.m), 20.0 * std::cos(40.0 * kPi / 180.0) + 5.0 * std::sin(40.0 * kPi / 180.0), 1e-9);
    // Edge-on and raised above the eye: behind.
    mv = Multiply(Multiply(Translate(0.0, 0.0, -20.0), Translate(0.0, 5.0, 0.0)), RotateX(-90.0));
    EXPECT_LT(visible::EyeHeightAbovePlane(mv.m), 0.0);
}

TEST(VisibleGlyphs, NothingToDrawOrAMatrixOfNoNumbers) {
    const Matrix clip = LineClip(1.7, -12.0, -5.0, 0.0, -40.0, 0.0);
    const std::vector<float> starts = Starts(std::vector<float>(10, 0.6f));
    EXPECT_TRUE(VisibleGlyphs(clip.m, starts.data(), 0, kBox).Empty());
    EXPECT_TRUE(VisibleGlyphs(clip.m, nullptr, 10, kBox).Empty());
    Matrix broken = clip;
    broken.m[0] = std::numeric_limits<double>::quiet_NaN();
    broken.m[12] = std::numeric_limits<double>::infinity();
    const GlyphRange r = VisibleGlyphs(broken.m, starts.data(), 10, kBox);
    EXPECT_EQ(r.first, 0) << "a matrix that is no matrix draws the line whole rather than lose it";
    EXPECT_EQ(r.end, 10);
}

}  // namespace

// Picking inverts the frame's matrices: a point of a line carried to the window by the same clip matrix
// comes back to that line, at random views of the adjustment ranges; past a line's end or between the
// lines it is the background, and a plane seen edge-on picks nothing.
TEST(PickRow, APointOfALineCarriedToTheWindowPicksThatLineAtRandomViews) {
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> offset(-20.0, 20.0), tilt(-89.0, 89.0), unit(0.0, 1.0);
    std::uniform_int_distribution<int> row(0, 29);
    const int viewport[4] = {0, 0, 586, 339};
    constexpr double kBottom = -0.25, kSlack = 0.25;
    double widths[30];
    for (int i = 0; i < 30; ++i) widths[i] = 2.0 + i;
    int checked = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const Matrix clip = LineClip(586.0 / 339.0, offset(rng), offset(rng), offset(rng), tilt(rng), 0.0);
        const int r = row(rng);
        // Inside the line, or past its end (beyond the slack), or in the gap below the lowest line.
        const int where = trial % 3;
        const double px = where == 1 ? widths[r] + kSlack + 0.5 + unit(rng) : unit(rng) * widths[r];
        const double py = where == 2 ? kBottom - 0.1 - unit(rng) : r + kBottom + 0.02 + 0.96 * unit(rng);
        const double* m = clip.m;
        const double cx = m[0] * px + m[4] * py + m[12], cy = m[1] * px + m[5] * py + m[13];
        const double cz = m[2] * px + m[6] * py + m[14], cw = m[3] * px + m[7] * py + m[15];
        if (!(cw > 0.0) || std::fabs(cx) >= cw || std::fabs(cy) >= cw || std::fabs(cz) >= cw) continue;
        const double wx = (cx / cw + 1.0) * viewport[2] / 2.0, wy = (cy / cw + 1.0) * viewport[3] / 2.0;
        double x = 0.0, y = 0.0;
        ASSERT_TRUE(visible::PointOnPlane(m, viewport, wx, wy, x, y)) << trial;
        EXPECT_NEAR(x, px, 1e-6 * (1.0 + std::fabs(px))) << trial;
        EXPECT_NEAR(y, py, 1e-6 * (1.0 + std::fabs(py))) << trial;
        EXPECT_EQ(visible::RowAt(x, y, widths, 30, kBottom, kSlack), where == 0 ? r : -1) << trial;
        ++checked;
    }
    EXPECT_GT(checked, 2000);
    // Edge-on (the plane tilted to the line of sight through the camera): no point of it is picked.
    const Matrix edge = LineClip(1.0, 0.0, 0.0, 0.0, 90.0, 0.0);
    double x = 0.0, y = 0.0;
    EXPECT_FALSE(visible::PointOnPlane(edge.m, viewport, 293.0, 170.0, x, y));
    const double zero[16] = {};
    EXPECT_FALSE(visible::PointOnPlane(zero, viewport, 10.0, 10.0, x, y));
}
