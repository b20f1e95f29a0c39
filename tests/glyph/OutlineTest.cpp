// Reading native outline buffers (well-formed and damaged) and flattening their curves.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "glyph/Outline.h"

using namespace glyph;

namespace {

// Outline buffers laid out as the system writes them: little-endian polygon headers (size, type, start
// point), then curve records (type, count, points), coordinates in 16.16 fixed point.
struct Writer {
    std::vector<uint8_t> b;
    size_t start = 0;
    void U16(uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
    void U32(uint32_t v) { U16(uint16_t(v)), U16(uint16_t(v >> 16)); }
    void Pt(Vec2 p) { U32(uint32_t(int32_t(std::lround(p.x * 65536.0)))), U32(uint32_t(int32_t(std::lround(p.y * 65536.0)))); }
    void Begin(Vec2 p) { start = b.size(), U32(0), U32(kPolygonType), Pt(p); }
    void Curve(uint16_t type, std::vector<Vec2> pts) { U16(type), U16(uint16_t(pts.size())); for (Vec2 p : pts) Pt(p); }
    void End() { Patch32(start, uint32_t(b.size() - start)); }
    void Patch32(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); }
    void Patch16(size_t at, uint16_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
};

// A triangle of lines (36 bytes), then a contour with a line and a two-off-point spline.
std::vector<uint8_t> TwoContours()
{
    Writer w;
    w.Begin({-1.25f, 0.5f});
    w.Curve(kPrimLine, {{0, 4}, {4, 0}});
    w.End();
    w.Begin({10, 0});
    w.Curve(kPrimLine, {{10, 2}});
    w.Curve(kPrimQSpline, {{11, 4}, {13, 4}, {14, 2}});
    w.End();
    return w.b;
}

// Parses an exact-size copy of the first `size` bytes, so that the sanitizers catch any read past it.
bool Parse(const std::vector<uint8_t>& bytes, size_t size, Outline& out, float scale = 1.0f)
{
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + long(size));
    return ParseNativeOutline(copy.data(), size, scale, out);
}

double DistanceToPolyline(double px, double py, const std::vector<Vec2>& line)
{
    double best = 1e30;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        const double dx = line[i + 1].x - line[i].x, dy = line[i + 1].y - line[i].y;
        double t = ((px - line[i].x) * dx + (py - line[i].y) * dy) / (dx * dx + dy * dy);
        t = std::fmin(1.0, std::fmax(0.0, t));
        best = std::fmin(best, std::hypot(line[i].x + t * dx - px, line[i].y + t * dy - py));
    }
    return best;
}

}  // namespace

TEST(OutlineParse, ReadsContoursRecordsAndFixedPoint)
{
    Outline o;
    ASSERT_TRUE(Parse(TwoContours(), TwoContours().size(), o, 0.5f));
    ASSERT_EQ(o.contours.size(), 2u);
    const OutlineContour& a = o.contours[0];
    ASSERT_EQ(a.points.size(), 3u);
    EXPECT_FLOAT_EQ(a.points[0].x, -0.625f);  // negative, with a fraction, scaled
    EXPECT_FLOAT_EQ(a.points[0].y, 0.25f);
    EXPECT_FLOAT_EQ(a.points[2].x, 2.0f);
    ASSERT_EQ(a.segments.size(), 1u);
    EXPECT_EQ(a.segments[0].type, kPrimLine);
    EXPECT_EQ(a.segments[0].first, 1u);
    EXPECT_EQ(a.segments[0].count, 2u);
    const OutlineContour& b = o.contours[1];
    ASSERT_EQ(b.points.size(), 5u);
    ASSERT_EQ(b.segments.size(), 2u);
    EXPECT_EQ(b.segments[1].type, kPrimQSpline);
    EXPECT_EQ(b.segments[1].first, 2u);
    EXPECT_EQ(b.segments[1].count, 3u);
    EXPECT_FLOAT_EQ(b.points[4].x, 7.0f);
    EXPECT_TRUE(ParseNativeOutline(nullptr, 0, 1.0f, o)) << "an empty buffer is a blank";
    EXPECT_TRUE(o.contours.empty());
}

TEST(OutlineParse, RefusesDamagedBuffersAndKeepsWhatCameBefore)
{
    const std::vector<uint8_t> good = TwoContours();
    const struct {
        const char* what;
        void (*change)(Writer&);
    } cases[] = {
        {"size below the header", [](Writer& w) { w.Patch32(0, 8); }},
        {"size past the buffer", [](Writer& w) { w.Patch32(36, 0xFFFFFFF0u); }},
        {"unknown polygon type", [](Writer& w) { w.Patch32(4, 23); }},
        {"record header cut by the size", [](Writer& w) { w.Patch32(0, 19); }},
        {"point count past the polygon", [](Writer& w) { w.Patch16(18, 3); }},
        {"point count 65535", [](Writer& w) { w.Patch16(18, 0xFFFF); }},
        {"point count zero", [](Writer& w) { w.Patch16(18, 0); }},
        {"unknown record type", [](Writer& w) { w.Patch16(16, 7); }},
        {"cubic record of two points", [](Writer& w) { w.Patch16(16, kPrimCSpline); }},
        {"trailing byte", [](Writer& w) { w.b.push_back(0); }},
    };
    for (const auto& c : cases) {
        Writer w{good};
        c.change(w);
        Outline o;
        EXPECT_FALSE(Parse(w.b, w.b.size(), o)) << c.what;
    }
    // Cut anywhere: only cuts at polygon boundaries are whole outlines; whole polygons before a cut stay.
    for (size_t n = 0; n <= good.size(); ++n) {
        Outline o;
        EXPECT_EQ(Parse(good, n, o), n == 0 || n == 36 || n == good.size()) << n;
        EXPECT_EQ(o.contours.size(), n == good.size() ? 2u : (n >= 36 ? 1u : 0u)) << n;
    }
}

TEST(Flatten, CurvesStayWithinToleranceOfTheirChords)
{
    // Samples the curve `at(t)` and measures each sample's distance from the chords.
    auto check = [](auto at, const std::vector<Vec2>& line, float tol) {
        for (double t = 0; t <= 1; t += 1.0 / 1024) {
            const Vec2 p = at(t);
            EXPECT_LE(DistanceToPolyline(p.x, p.y, line), tol * 1.001 + 1e-6) << "t " << t;
        }
    };
    const Vec2 q[][3] = {{{0, 0}, {1, 2}, {2, 0}}, {{0, 0}, {10, 0}, {10, 10}}, {{-3, 1}, {5, -7}, {0.5f, 0.25f}}};
    const Vec2 c[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (const float tol : {0.1f, 1.0f / 64, 0.001f}) {
        for (const auto& p : q) {
            std::vector<Vec2> line{p[0]};
            FlattenQuadratic(p[0], p[1], p[2], tol, line);
            EXPECT_TRUE(line.back().x == p[2].x && line.back().y == p[2].y);
            check([&](double t) {
                const double u = 1 - t;
                return Vec2{float(u * u * p[0].x + 2 * u * t * p[1].x + t * t * p[2].x),
                            float(u * u * p[0].y + 2 * u * t * p[1].y + t * t * p[2].y)};
            }, line, tol);
        }
        std::vector<Vec2> line{c[0]};
        FlattenCubic(c[0], c[1], c[2], c[3], tol, line);
        check([&](double t) {
            const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
            return Vec2{float(a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x),
                        float(a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y)};
        }, line, tol);
    }
}

TEST(Flatten, ChordCountFollowsBendAndTolerance)
{
    std::vector<Vec2> straight, coarse, fine, absurd;
    FlattenQuadratic({0, 0}, {1, 1}, {2, 2}, 0.01f, straight);
    EXPECT_EQ(straight.size(), 1u);
    // An arch half an em high: a handful of chords at 1/64 em; the count grows with the square root of
    // the precision, so about four times as many at 1/1024 em.
    FlattenQuadratic({0, 0}, {0.5f, 1}, {1, 0}, 1.0f / 64, coarse);
    FlattenQuadratic({0, 0}, {0.5f, 1}, {1, 0}, 1.0f / 1024, fine);
    EXPECT_TRUE(coarse.size() >= 3 && coarse.size() <= 6) << coarse.size();
    EXPECT_TRUE(fine.size() >= 3 * coarse.size() && fine.size() <= 5 * coarse.size()) << fine.size();
    FlattenQuadratic({0, 0}, {1e30f, 1e30f}, {1, 0}, 1e-6f, absurd);
    EXPECT_LE(absurd.size(), 128u);
}

TEST(Flatten, ImpliedOnCurvePointsAndDegenerateContours)
{
    // Start (0,0); spline: off (0,4), off (4,4), on (4,0). The curve peaks at (2,4), halfway between the
    // off-curve points, and passes through neither of them. The second contour has no area.
    Writer w;
    w.Begin({0, 0});
    w.Curve(kPrimQSpline, {{0, 4}, {4, 4}, {4, 0}, {0, 0}});
    w.End();
    w.Begin({5, 5});
    w.Curve(kPrimLine, {{6, 6}, {5, 5}});
    w.End();
    Outline o;
    ASSERT_TRUE(Parse(w.b, w.b.size(), o));
    Polygon poly;
    FlattenOutline(o, 0.01f, poly);
    ASSERT_EQ(poly.contourEnds.size(), 1u);
    bool mid = false, off = false;
    float top = 0;
    for (const Vec2& p : poly.points) {
        mid |= p.x == 2 && p.y == 4;
        off |= p.y == 4 && (p.x == 0 || p.x == 4);
        top = std::fmax(top, p.y);
    }
    EXPECT_TRUE(mid && !off);
    EXPECT_EQ(top, 4.0f);
    EXPECT_FALSE(poly.points.back().x == 0 && poly.points.back().y == 0) << "closing point repeats the start";
}

TEST(Flatten, OutlinesTooIntricateForTheTessellatorAreCoarsenedAndDamagedOnesLeftOut)
{
    // Each arch of this contour spans thousands of em and flattens into the most chords a curve may
    // have; a hundred of them are far too many for a glyph. Ten arches a tenth of an em wide are an
    // ordinary one.
    auto arches = [](int count, float size) {
        Writer w;
        w.Begin({0, 0});
        std::vector<Vec2> pts;
        for (int i = 0; i < count; ++i) {
            const auto x = static_cast<float>(2 * i);
            pts.push_back({size * (x + 1), (i % 2 ? -1.0f : 1.0f) * size * 4});
            pts.push_back({size * (x + 2), 0});
        }
        for (size_t i = 0; i < pts.size(); i += 2) w.Curve(kPrimQSpline, {pts[i], pts[i + 1]});
        w.Curve(kPrimLine, {{size * 2 * static_cast<float>(count), -size}, {0, -size}});
        w.End();
        return w.b;
    };
    Outline o;
    Polygon poly;
    const std::vector<uint8_t> huge = arches(100, 3000.0f);
    ASSERT_TRUE(Parse(huge, huge.size(), o));
    FlattenOutline(o, 1.0f / 64, poly);
    EXPECT_TRUE(poly.points.empty() && poly.contourEnds.empty()) << poly.points.size();

    // A hundred and twenty arches an em wide are more than the tessellator is given at 1/64 em; they
    // come back flattened more coarsely, every arch still there.
    const std::vector<uint8_t> intricate = arches(120, 1.0f);
    ASSERT_TRUE(Parse(intricate, intricate.size(), o));
    FlattenOutline(o, 1.0f / 64, poly);
    ASSERT_EQ(poly.contourEnds.size(), 1u);
    EXPECT_GT(poly.points.size(), 2u * 120);
    EXPECT_LE(poly.points.size(), 1024u);
    Polygon coarser;
    FlattenOutline(o, 1.0f / 16, coarser);
    EXPECT_EQ(coarser.points.size(), poly.points.size()) << "coarsened by a factor of four, not more";

    const std::vector<uint8_t> ordinary = arches(10, 0.05f);
    ASSERT_TRUE(Parse(ordinary, ordinary.size(), o));
    FlattenOutline(o, 1.0f / 64, poly);
    EXPECT_EQ(poly.contourEnds.size(), 1u);
    EXPECT_GT(poly.points.size(), 20u);
}
