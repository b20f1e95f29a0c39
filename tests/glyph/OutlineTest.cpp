// Reading native outline buffers (well-formed and damaged) and flattening their curves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "glyph/ExtrudedMesh.h"
#include "glyph/GluTriangulator.h"
#include "glyph/Outline.h"

using namespace glyph;

namespace {

// Writes outline buffers the way the system lays them out: little-endian polygon headers (size, type,
// start point) followed by curve records (type, count, points), coordinates in 16.16 fixed point.
class OutlineWriter {
public:
    void BeginPolygon(double x, double y)
    {
        m_start = m_bytes.size();
        U32(0);  // size, patched by EndPolygon
        U32(kPolygonType);
        Fixed(x);
        Fixed(y);
    }
    void Curve(uint16_t type, const std::vector<Vec2>& points)
    {
        U16(type);
        U16(static_cast<uint16_t>(points.size()));
        for (const Vec2& p : points) {
            Fixed(p.x);
            Fixed(p.y);
        }
    }
    void EndPolygon() { Patch32(m_start, static_cast<uint32_t>(m_bytes.size() - m_start)); }
    void Patch32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void Patch16(size_t at, uint16_t v)
    {
        m_bytes[at] = static_cast<uint8_t>(v);
        m_bytes[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    void U16(uint16_t v)
    {
        m_bytes.push_back(static_cast<uint8_t>(v));
        m_bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Fixed(double v) { U32(static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 65536.0)))); }

    std::vector<uint8_t> m_bytes;
    size_t m_start = 0;
};

// Two contours: a triangle of lines, and a contour mixing a line and a two-off-point quadratic spline.
std::vector<uint8_t> TwoContours()
{
    OutlineWriter w;
    w.BeginPolygon(0, 0);
    w.Curve(kPrimLine, {{0, 4}, {4, 0}});
    w.EndPolygon();
    w.BeginPolygon(10, 0);
    w.Curve(kPrimLine, {{10, 2}});
    w.Curve(kPrimQSpline, {{11, 4}, {13, 4}, {14, 2}});
    w.EndPolygon();
    return w.Bytes();
}

// Parses a copy of exactly `size` bytes, so that a read past the end is caught by the sanitizer.
bool ParseExact(const std::vector<uint8_t>& bytes, size_t size, Outline& out, float scale = 1.0f)
{
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<long>(size));
    return ParseNativeOutline(copy.empty() ? nullptr : copy.data(), copy.size(), scale, out);
}

double DistanceToSegment(Vec2 p, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

double DistanceToPolyline(Vec2 p, const std::vector<Vec2>& line)
{
    double best = 1e30;
    for (size_t i = 0; i + 1 < line.size(); ++i)
        best = std::fmin(best, DistanceToSegment(p, line[i], line[i + 1]));
    return best;
}

}  // namespace

TEST(OutlineParse, ReadsContoursRecordsAndScale)
{
    Outline outline;
    const std::vector<uint8_t> bytes = TwoContours();
    ASSERT_TRUE(ParseExact(bytes, bytes.size(), outline, 0.5f));
    ASSERT_EQ(outline.contours.size(), 2u);

    const OutlineContour& a = outline.contours[0];
    ASSERT_EQ(a.points.size(), 3u);
    EXPECT_FLOAT_EQ(a.points[1].y, 2.0f);
    EXPECT_FLOAT_EQ(a.points[2].x, 2.0f);
    ASSERT_EQ(a.segments.size(), 1u);
    EXPECT_EQ(a.segments[0].type, kPrimLine);
    EXPECT_EQ(a.segments[0].first, 1u);
    EXPECT_EQ(a.segments[0].count, 2u);

    const OutlineContour& b = outline.contours[1];
    ASSERT_EQ(b.points.size(), 5u);
    EXPECT_FLOAT_EQ(b.points[0].x, 5.0f);
    ASSERT_EQ(b.segments.size(), 2u);
    EXPECT_EQ(b.segments[1].type, kPrimQSpline);
    EXPECT_EQ(b.segments[1].first, 2u);
    EXPECT_EQ(b.segments[1].count, 3u);
    EXPECT_FLOAT_EQ(b.points[4].x, 7.0f);
}

TEST(OutlineParse, FixedPointKeepsFractionsAndSign)
{
    OutlineWriter w;
    w.BeginPolygon(-1.25, 0.5);
    w.Curve(kPrimLine, {{-300.75f, 2.0f / 65536.0f}});
    w.EndPolygon();
    Outline outline;
    ASSERT_TRUE(ParseExact(w.Bytes(), w.Bytes().size(), outline));
    ASSERT_EQ(outline.contours.size(), 1u);
    EXPECT_FLOAT_EQ(outline.contours[0].points[0].x, -1.25f);
    EXPECT_FLOAT_EQ(outline.contours[0].points[0].y, 0.5f);
    EXPECT_FLOAT_EQ(outline.contours[0].points[1].x, -300.75f);
    EXPECT_FLOAT_EQ(outline.contours[0].points[1].y, 2.0f / 65536.0f);
}

TEST(OutlineParse, EmptyBufferIsAnOutlineWithoutContours)
{
    Outline outline;
    outline.contours.resize(3);  // left over from an earlier glyph
    EXPECT_TRUE(ParseNativeOutline(nullptr, 0, 1.0f, outline));
    EXPECT_TRUE(outline.contours.empty());
}

TEST(OutlineParse, RejectsDamagedBuffers)
{
    const std::vector<uint8_t> good = TwoContours();
    const size_t second = 16 + 4 + 16;  // offset of the second polygon header
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto with = [&](const char* what, auto change) {
        OutlineWriter w;
        w.Bytes() = good;
        change(w);
        cases.push_back({what, w.Bytes()});
    };
    with("header cut short", [](OutlineWriter& w) { w.Bytes().resize(15); });
    with("polygon size below its header", [](OutlineWriter& w) { w.Patch32(0, 8); });
    with("polygon size zero", [](OutlineWriter& w) { w.Patch32(0, 0); });
    with("polygon size past the buffer", [&](OutlineWriter& w) { w.Patch32(second, 0xFFFFFFF0u); });
    with("unknown polygon type", [](OutlineWriter& w) { w.Patch32(4, 23); });
    with("record header cut by the polygon size", [](OutlineWriter& w) { w.Patch32(0, 16 + 3); });
    with("point count past the polygon", [](OutlineWriter& w) { w.Patch16(18, 3); });
    with("point count 65535", [](OutlineWriter& w) { w.Patch16(18, 0xFFFF); });
    with("point count zero", [](OutlineWriter& w) { w.Patch16(18, 0); });
    with("unknown record type", [](OutlineWriter& w) { w.Patch16(16, 7); });
    with("cubic record with two points", [](OutlineWriter& w) { w.Patch16(16, kPrimCSpline); });
    with("trailing bytes after the last polygon", [](OutlineWriter& w) { w.Bytes().push_back(0); });

    for (const Case& c : cases) {
        Outline outline;
        EXPECT_FALSE(ParseExact(c.bytes, c.bytes.size(), outline)) << c.what;
    }
}

TEST(OutlineParse, EveryCutOfAValidBufferIsSafe)
{
    // Only cuts at polygon boundaries are whole outlines; all other cuts are refused, and the contours
    // read before the cut are kept.
    const std::vector<uint8_t> bytes = TwoContours();
    const size_t firstEnd = 36;
    for (size_t n = 0; n <= bytes.size(); ++n) {
        Outline outline;
        const bool ok = ParseExact(bytes, n, outline);
        EXPECT_EQ(ok, n == 0 || n == firstEnd || n == bytes.size()) << "cut at " << n;
        EXPECT_EQ(outline.contours.size(), n >= bytes.size() ? 2u : (n >= firstEnd ? 1u : 0u)) << n;
    }
}

TEST(OutlineParse, RandomAndMutatedBytesNeverReadOutOfBounds)
{
    // Run under the sanitizers in the native build. Every point read takes eight bytes of the buffer and
    // every record header four, and whatever is read must flatten and triangulate without fault.
    std::mt19937 rng(12345);
    const std::vector<uint8_t> good = TwoContours();
    CGluTriangulator tess;
    Outline outline;
    Polygon polygon;
    GlyphMesh mesh;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> bytes;
        if (round % 2 == 0) {
            bytes.resize(rng() % 160);
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(rng());
            // Give some random buffers a plausible header so the parser gets past it.
            if (bytes.size() >= 8 && round % 4 == 0) {
                bytes[4] = kPolygonType;
                bytes[5] = bytes[6] = bytes[7] = 0;
                bytes[0] = static_cast<uint8_t>(bytes.size());
                bytes[1] = bytes[2] = bytes[3] = 0;
            }
        } else {
            bytes = good;
            for (int k = 0; k < 3; ++k)
                bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
            bytes.resize(bytes.size() - rng() % 8);
        }
        ParseExact(bytes, bytes.size(), outline, 1.0f / 16.0f);
        size_t used = 0;
        for (const OutlineContour& c : outline.contours)
            used += 8 * c.points.size() + 4 * c.segments.size();
        ASSERT_LE(used, bytes.size()) << "round " << round;
        FlattenOutline(outline, 1.0f / 64.0f, polygon);
        BuildExtrudedMesh(polygon, 0.2f, tess, mesh);
    }
}

TEST(Flatten, QuadraticStaysWithinTolerance)
{
    const Vec2 curves[][3] = {
        {{0, 0}, {1, 2}, {2, 0}},
        {{0, 0}, {10, 0}, {10, 10}},
        {{-3, 1}, {5, -7}, {0.5f, 0.25f}},
        {{0, 0}, {0.01f, 0.02f}, {0.02f, 0}},
    };
    for (const float tol : {0.1f, 1.0f / 64.0f, 0.001f}) {
        for (const auto& c : curves) {
            std::vector<Vec2> line{c[0]};
            FlattenQuadratic(c[0], c[1], c[2], tol, line);
            EXPECT_FLOAT_EQ(line.back().x, c[2].x);
            EXPECT_FLOAT_EQ(line.back().y, c[2].y);
            double worst = 0;
            for (int i = 0; i <= 2000; ++i) {
                const double t = i / 2000.0, u = 1 - t;
                const Vec2 p{static_cast<float>(u * u * c[0].x + 2 * u * t * c[1].x + t * t * c[2].x),
                             static_cast<float>(u * u * c[0].y + 2 * u * t * c[1].y + t * t * c[2].y)};
                worst = std::fmax(worst, DistanceToPolyline(p, line));
            }
            EXPECT_LE(worst, tol * 1.001 + 1e-6) << "tolerance " << tol;
        }
    }
}

TEST(Flatten, ChordCountFollowsBendAndTolerance)
{
    std::vector<Vec2> straight, coarse, fine;
    FlattenQuadratic({0, 0}, {1, 1}, {2, 2}, 0.01f, straight);
    EXPECT_EQ(straight.size(), 1u) << "a straight curve is one chord";
    FlattenQuadratic({0, 0}, {0.5f, 1}, {1, 0}, 1.0f / 64.0f, coarse);
    FlattenQuadratic({0, 0}, {0.5f, 1}, {1, 0}, 1.0f / 1024.0f, fine);
    // An arch half an em high: a handful of chords at 1/64 em; the chord count grows with the square
    // root of the precision, so about four times as many at 1/1024 em.
    EXPECT_GE(coarse.size(), 3u);
    EXPECT_LE(coarse.size(), 6u);
    EXPECT_GE(fine.size(), 3 * coarse.size());
    EXPECT_LE(fine.size(), 5 * coarse.size());
    std::vector<Vec2> absurd;
    FlattenQuadratic({0, 0}, {1e30f, 1e30f}, {1, 0}, 1e-6f, absurd);
    EXPECT_LE(absurd.size(), 1024u) << "chords of one curve are bounded";
}

TEST(Flatten, CubicStaysWithinTolerance)
{
    const Vec2 c[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (const float tol : {0.05f, 1.0f / 64.0f, 0.002f}) {
        std::vector<Vec2> line{c[0]};
        FlattenCubic(c[0], c[1], c[2], c[3], tol, line);
        double worst = 0;
        for (int i = 0; i <= 2000; ++i) {
            const double t = i / 2000.0, u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, cc = 3 * u * t * t, d = t * t * t;
            const Vec2 p{static_cast<float>(a * c[0].x + b * c[1].x + cc * c[2].x + d * c[3].x),
                         static_cast<float>(a * c[0].y + b * c[1].y + cc * c[2].y + d * c[3].y)};
            worst = std::fmax(worst, DistanceToPolyline(p, line));
        }
        EXPECT_LE(worst, tol * 1.001 + 1e-6);
        EXPECT_FLOAT_EQ(line.back().x, 1.0f);
    }
}

TEST(Flatten, ImpliedOnCurvePointsBetweenOffCurvePoints)
{
    // Start (0,0), then one spline record: off-curve (0,4), off-curve (4,4), on-curve (4,0). The curve
    // must pass through (2,4), halfway between the two off-curve points, and not through either of them.
    OutlineWriter w;
    w.BeginPolygon(0, 0);
    w.Curve(kPrimQSpline, {{0, 4}, {4, 4}, {4, 0}});
    w.EndPolygon();
    Outline outline;
    ASSERT_TRUE(ParseExact(w.Bytes(), w.Bytes().size(), outline));
    Polygon polygon;
    FlattenOutline(outline, 0.01f, polygon);
    ASSERT_EQ(polygon.contourEnds.size(), 1u);
    bool throughMid = false, throughOff = false;
    for (const Vec2& p : polygon.points) {
        throughMid |= p.x == 2.0f && p.y == 4.0f;
        throughOff |= (p.x == 0.0f && p.y == 4.0f) || (p.x == 4.0f && p.y == 4.0f);
    }
    EXPECT_TRUE(throughMid);
    EXPECT_FALSE(throughOff);
    // The highest point of the curve is the implied point itself.
    float top = 0;
    for (const Vec2& p : polygon.points)
        top = std::fmax(top, p.y);
    EXPECT_FLOAT_EQ(top, 4.0f);
}

TEST(Flatten, DropsRepeatsClosingPointsAndDegenerateContours)
{
    OutlineWriter w;
    w.BeginPolygon(0, 0);
    w.Curve(kPrimLine, {{0, 0}, {0, 1}, {0, 1}, {1, 1}, {1, 0}, {0, 0}});
    w.EndPolygon();
    w.BeginPolygon(5, 5);  // two distinct points only: no area
    w.Curve(kPrimLine, {{6, 6}, {5, 5}});
    w.EndPolygon();
    Outline outline;
    ASSERT_TRUE(ParseExact(w.Bytes(), w.Bytes().size(), outline));
    Polygon polygon;
    FlattenOutline(outline, 0.01f, polygon);
    ASSERT_EQ(polygon.contourEnds.size(), 1u);
    EXPECT_EQ(polygon.contourEnds[0], 4u);
    EXPECT_EQ(polygon.points.size(), 4u);
}
