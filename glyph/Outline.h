#pragma once
// Glyph outlines: the native outline buffer of the system's glyph-outline call read into contours, and
// contours flattened into closed polygons. No Win32 here: the buffer is read as little-endian bytes, so
// any bytes at all (truncated, zero-length, absurd counts) are read safely.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glyph {

struct Vec2 {
    float x;
    float y;
};

// Record types of the native outline format (quadratic TrueType splines; cubic ones only come from
// the Bezier format but are accepted as well).
enum : uint16_t {
    kPrimLine = 1,
    kPrimQSpline = 2,
    kPrimCSpline = 3,
};
constexpr uint32_t kPolygonType = 24;

// One curve record of a contour: `count` points of the contour's point array from `first`. The curve
// starts at the point before `first` (the contour's start point or the previous record's last point).
struct OutlineSegment {
    uint16_t type;
    uint32_t first;
    uint32_t count;
};

// points[0] is the contour's start point; the contour closes from its last point back to points[0].
struct OutlineContour {
    std::vector<Vec2> points;
    std::vector<OutlineSegment> segments;
};

struct Outline {
    std::vector<OutlineContour> contours;
};

// Reads a native outline buffer (polygon headers, each followed by its curve records; coordinates in
// 16.16 fixed point) and multiplies every coordinate by `scale`. Returns false when the buffer is
// malformed (a header or record running past the end of its polygon or of the buffer, an unknown
// polygon or record type); `out` then holds the contours read before the fault. An empty buffer is a
// valid outline with no contours.
bool ParseNativeOutline(const void* data, size_t size, float scale, Outline& out);

// Closed polygons: all contours' points in one array; contourEnds[i] is one past the last point of
// contour i. The closing edge from a contour's last point back to its first is implied.
struct Polygon {
    std::vector<Vec2> points;
    std::vector<uint32_t> contourEnds;

    void Clear()
    {
        points.clear();
        contourEnds.clear();
    }
};

// Appends points approximating the quadratic curve p0-p1-p2 (p0 excluded, p2 included). Every point
// of the curve lies within `tolerance` of the resulting chords.
void FlattenQuadratic(Vec2 p0, Vec2 p1, Vec2 p2, float tolerance, std::vector<Vec2>& out);
// The same for the cubic curve p0-p1-p2-p3.
void FlattenCubic(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float tolerance, std::vector<Vec2>& out);

// Flattens every contour of `outline` into `out` (cleared first). Between two consecutive off-curve
// points of a quadratic record lies the implied on-curve point halfway between them. Repeated points
// are dropped; contours left with fewer than three points are dropped. A glyph that would flatten into
// more points than the tessellator is given (about four times the most intricate kanji) is flattened
// more coarsely; one still over the bound at 64 times the tolerance (a damaged buffer, absurd
// coordinates) leaves `out` empty.
void FlattenOutline(const Outline& outline, float tolerance, Polygon& out);

}  // namespace glyph
