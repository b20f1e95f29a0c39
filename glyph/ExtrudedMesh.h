#pragma once
// The extruded solid of one glyph: the filled outline as a front face at z = 0 facing +z, the same face
// at z = -depth facing -z, and side walls joining the two along every contour edge, each wall with its
// own outward normal. Every triangle and quad runs counter-clockwise seen from outside the solid, so
// back-face culling keeps exactly the visible ones. No Win32 and no GL here.
#include <vector>

#include "glyph/Outline.h"

namespace glyph {

// Turns closed polygons into triangles covering the region whose winding number is not zero. The
// implementation lives apart (GluTriangulator.h) so that this code needs no GL headers.
class ITriangulator {
public:
    virtual ~ITriangulator() = default;
    // Appends three points per triangle to `triangles`, in any orientation. Returns false when the
    // polygon could not be triangulated; `triangles` may then hold a part of the result.
    virtual bool Triangulate(const Polygon& polygon, std::vector<Vec2>& triangles) = 0;
};

// One side wall: the quad (a, front), (b, front), (b, back), (a, back) with the flat normal (nx, ny, 0).
// (nax, nay) and (nbx, nby) are the normals to light it with at its a and b edges: where the wall meets
// its neighbour at a gentle bend (a flattened curve) the two share the mean of their normals, so that the
// curve shades smoothly; at a corner each keeps its own.
struct SideQuad {
    Vec2 a;
    Vec2 b;
    float nx;
    float ny;
    float nax;
    float nay;
    float nbx;
    float nby;
};

// Walls that meet at a bend of less than this (degrees) share their normal there.
constexpr float kSmoothBendDegrees = 40.0f;

struct GlyphMesh {
    // Front-face triangles at z = 0, three points each, counter-clockwise seen from +z. The back face
    // uses the same triangles at z = -depth in reverse order.
    std::vector<Vec2> face;
    std::vector<SideQuad> sides;
    float depth = 0.0f;

    void Clear()
    {
        face.clear();
        sides.clear();
        depth = 0.0f;
    }
    size_t FaceTriangles() const { return face.size() / 3; }
};

// Builds the solid of `polygon` extruded by `depth` (no back face and no walls when depth <= 0). The
// side of each wall that faces the filled region is taken from the orientation of the contour with the
// largest area, which is always an outer one: clockwise (y up) in TrueType outlines, counter-clockwise
// in the other convention; both give outward normals. Returns false when triangulation fails.
bool BuildExtrudedMesh(const Polygon& polygon, float depth, ITriangulator& triangulator, GlyphMesh& out);

// Gives walls that follow each other round one contour, meeting at a bend gentler than
// kSmoothBendDegrees, the mean of their normals at the edge they share.
void SmoothContourNormals(SideQuad* walls, size_t count);

// Twice the signed area of a closed contour (positive when counter-clockwise, y up).
double SignedArea2(const Vec2* points, size_t count);

}  // namespace glyph
