#include "glyph/Outline.h"

#include <cmath>

namespace glyph {
namespace {

// Upper bound on the chords of one curve: enough to keep a curve hundreds of em across within 1/64 em
// (a glyph's curves span an em or less), and keeps a curve with absurd coordinates (a damaged buffer, a
// huge scale) from producing a flood of points.
constexpr int kMaxCurveSteps = 128;
// Upper bound on the points of one flattened glyph, some four times the 228 points of the most
// intricate kanji of the Japanese screen fonts: the tessellator's work grows with the square of the
// points, and a damaged buffer must not tie it up.
constexpr size_t kMaxOutlinePoints = 1024;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A 16.16 fixed-point value: the low word is the fraction, the high word the signed integer part.
float ReadFixed(const uint8_t* p, float scale)
{
    const int32_t v = static_cast<int32_t>(ReadU32(p));
    return static_cast<float>(v * (1.0 / 65536.0)) * scale;
}

Vec2 ReadPoint(const uint8_t* p, float scale) { return {ReadFixed(p, scale), ReadFixed(p + 4, scale)}; }

Vec2 Mid(Vec2 a, Vec2 b) { return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f}; }

// Number of equal parameter steps that keep a curve within `tolerance` of its chords, given a bound
// `bend` on the length of its second derivative: one step of parameter length h strays at most
// bend * h^2 / 8 from its chord.
int StepsFor(double bend, float tolerance)
{
    if (!(tolerance > 0.0f))
        return kMaxCurveSteps;
    const double n = std::ceil(std::sqrt(bend / (8.0 * tolerance)));
    if (!(n < kMaxCurveSteps))  // also catches NaN
        return kMaxCurveSteps;
    return n < 1.0 ? 1 : static_cast<int>(n);
}

}  // namespace

bool ParseNativeOutline(const void* data, size_t size, float scale, Outline& out)
{
    out.contours.clear();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (bytes == nullptr)
        return size == 0;
    size_t offset = 0;
    while (offset < size) {
        // Polygon header: total size, type, start point.
        if (size - offset < 16)
            return false;
        const uint32_t cb = ReadU32(bytes + offset);
        const uint32_t type = ReadU32(bytes + offset + 4);
        if (type != kPolygonType || cb < 16 || cb > size - offset)
            return false;
        OutlineContour contour;
        contour.points.push_back(ReadPoint(bytes + offset + 8, scale));
        const size_t end = offset + cb;
        size_t pos = offset + 16;
        while (pos < end) {
            // Curve record: type, point count, points.
            if (end - pos < 4)
                return false;
            const uint16_t wType = ReadU16(bytes + pos);
            const uint16_t cpfx = ReadU16(bytes + pos + 2);
            const size_t need = 4 + size_t{8} * cpfx;
            if (need > end - pos || cpfx == 0)
                return false;
            if (wType != kPrimLine && wType != kPrimQSpline && wType != kPrimCSpline)
                return false;
            if (wType == kPrimCSpline && cpfx % 3 != 0)
                return false;
            const uint32_t first = static_cast<uint32_t>(contour.points.size());
            for (uint32_t i = 0; i < cpfx; ++i)
                contour.points.push_back(ReadPoint(bytes + pos + 4 + size_t{8} * i, scale));
            contour.segments.push_back({wType, first, cpfx});
            pos += need;
        }
        out.contours.push_back(std::move(contour));
        offset = end;
    }
    return true;
}

void FlattenQuadratic(Vec2 p0, Vec2 p1, Vec2 p2, float tolerance, std::vector<Vec2>& out)
{
    // The second derivative is the constant 2 * (p0 - 2 p1 + p2).
    const double ax = double{p0.x} - 2.0 * p1.x + p2.x;
    const double ay = double{p0.y} - 2.0 * p1.y + p2.y;
    const int n = StepsFor(2.0 * std::sqrt(ax * ax + ay * ay), tolerance);
    for (int i = 1; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n);
        const float u = 1.0f - t;
        out.push_back({u * u * p0.x + 2.0f * u * t * p1.x + t * t * p2.x,
                       u * u * p0.y + 2.0f * u * t * p1.y + t * t * p2.y});
    }
    out.push_back(p2);
}

void FlattenCubic(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float tolerance, std::vector<Vec2>& out)
{
    // The second derivative runs linearly between 6 (p0 - 2 p1 + p2) and 6 (p1 - 2 p2 + p3).
    const double ax = double{p0.x} - 2.0 * p1.x + p2.x, ay = double{p0.y} - 2.0 * p1.y + p2.y;
    const double bx = double{p1.x} - 2.0 * p2.x + p3.x, by = double{p1.y} - 2.0 * p2.y + p3.y;
    const double bend = 6.0 * std::sqrt(std::fmax(ax * ax + ay * ay, bx * bx + by * by));
    const int n = StepsFor(bend, tolerance);
    for (int i = 1; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n);
        const float u = 1.0f - t;
        const float a = u * u * u, b = 3.0f * u * u * t, c = 3.0f * u * t * t, d = t * t * t;
        out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    out.push_back(p3);
}

namespace {

// One flattening pass at `tolerance`; false, with `out` incomplete, as soon as the glyph has more than
// kMaxOutlinePoints points.
bool FlattenWithin(const Outline& outline, float tolerance, Polygon& out)
{
    out.Clear();
    std::vector<Vec2> path;
    for (const OutlineContour& contour : outline.contours) {
        if (contour.points.empty())
            continue;
        path.clear();
        const Vec2* pts = contour.points.data();
        Vec2 cur = pts[0];
        path.push_back(cur);
        for (const OutlineSegment& seg : contour.segments) {
            // Records made by hand may name points outside the contour: ignore those records.
            if (seg.first == 0 || seg.count == 0 || seg.first > contour.points.size() ||
                seg.count > contour.points.size() - seg.first)
                continue;
            const Vec2* q = pts + seg.first;
            const uint32_t n = seg.count;
            if (seg.type == kPrimQSpline && n >= 2) {
                for (uint32_t i = 0; i + 1 < n; ++i) {
                    const Vec2 end = (i + 2 == n) ? q[n - 1] : Mid(q[i], q[i + 1]);
                    FlattenQuadratic(cur, q[i], end, tolerance, path);
                    cur = end;
                }
            } else if (seg.type == kPrimCSpline && n % 3 == 0) {
                for (uint32_t i = 0; i < n; i += 3) {
                    FlattenCubic(cur, q[i], q[i + 1], q[i + 2], tolerance, path);
                    cur = q[i + 2];
                }
            } else {
                for (uint32_t i = 0; i < n; ++i)
                    path.push_back(q[i]);
                cur = q[n - 1];
            }
        }
        // Copy without repeated points, and without a last point that repeats the first.
        const size_t begin = out.points.size();
        for (const Vec2& p : path) {
            if (out.points.size() > begin) {
                const Vec2& last = out.points.back();
                if (last.x == p.x && last.y == p.y)
                    continue;
            }
            out.points.push_back(p);
        }
        if (out.points.size() > kMaxOutlinePoints)
            return false;
        while (out.points.size() - begin > 1 && out.points.back().x == out.points[begin].x &&
               out.points.back().y == out.points[begin].y)
            out.points.pop_back();
        if (out.points.size() - begin < 3) {
            out.points.resize(begin);
            continue;
        }
        out.contourEnds.push_back(static_cast<uint32_t>(out.points.size()));
    }
    return true;
}

}  // namespace

void FlattenOutline(const Outline& outline, float tolerance, Polygon& out)
{
    // A glyph too intricate for the bound is flattened more coarsely (up to 64 times the tolerance)
    // rather than left out; one that stays over it even then is damaged.
    for (int pass = 0; pass < 4; ++pass, tolerance *= 4.0f) {
        if (FlattenWithin(outline, tolerance, out))
            return;
    }
    out.Clear();
}

}  // namespace glyph
