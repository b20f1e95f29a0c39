#include "glyph/ExtrudedMesh.h"

#include <cmath>
#include <utility>

namespace glyph {

double SignedArea2(const Vec2* points, size_t count)
{
    if (count < 3)
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0, j = count - 1; i < count; j = i++)
        sum += double{points[j].x} * points[i].y - double{points[i].x} * points[j].y;
    return sum;
}

bool BuildExtrudedMesh(const Polygon& polygon, float depth, ITriangulator& triangulator, GlyphMesh& out)
{
    out.Clear();
    if (polygon.contourEnds.empty())
        return true;
    uint32_t previous = 0;
    for (uint32_t end : polygon.contourEnds) {
        if (end < previous || end > polygon.points.size())
            return false;
        previous = end;
    }
    out.depth = depth > 0.0f ? depth : 0.0f;

    if (!triangulator.Triangulate(polygon, out.face)) {
        out.Clear();
        return false;
    }
    // The triangulator may hand triangles in either orientation: make each counter-clockwise, and drop
    // those without area, which would draw nothing.
    size_t kept = 0;
    for (size_t i = 0; i + 2 < out.face.size(); i += 3) {
        Vec2 t[3] = {out.face[i], out.face[i + 1], out.face[i + 2]};
        if (SignedArea2(t, 3) < 0.0)
            std::swap(t[1], t[2]);
        // Checked again in the final order: a sliver whose area rounds to zero either way is dropped.
        if (!(SignedArea2(t, 3) > 0.0))
            continue;
        out.face[kept++] = t[0];
        out.face[kept++] = t[1];
        out.face[kept++] = t[2];
    }
    out.face.resize(kept);

    if (out.depth == 0.0f)
        return true;

    // Which side of a contour edge the solid lies on: the largest contour is outer, and with the
    // outline's convention the solid lies to its right when it runs clockwise.
    double largest = 0.0;
    uint32_t begin = 0;
    for (uint32_t end : polygon.contourEnds) {
        const double a2 = SignedArea2(polygon.points.data() + begin, end - begin);
        if (std::fabs(a2) > std::fabs(largest))
            largest = a2;
        begin = end;
    }
    const bool solidOnRight = largest <= 0.0;

    begin = 0;
    for (uint32_t end : polygon.contourEnds) {
        const size_t first = out.sides.size();
        for (uint32_t i = begin; i < end; ++i) {
            Vec2 a = polygon.points[i];
            Vec2 b = polygon.points[i + 1 < end ? i + 1 : begin];
            // Walk every edge with the solid on its right: the outward normal is then the left normal.
            if (!solidOnRight)
                std::swap(a, b);
            const float dx = b.x - a.x, dy = b.y - a.y;
            const float len = std::sqrt(dx * dx + dy * dy);
            if (!(len > 0.0f))
                continue;
            const float nx = -dy / len, ny = dx / len;
            out.sides.push_back({a, b, nx, ny, nx, ny, nx, ny});
        }
        SmoothContourNormals(out.sides.data() + first, out.sides.size() - first);
        begin = end;
    }
    return true;
}

void SmoothContourNormals(SideQuad* walls, size_t count)
{
    static const float kMinCos = std::cos(kSmoothBendDegrees * 3.14159265f / 180.0f);
    for (size_t k = 0; k < count; ++k) {
        // The wall that continues this one at its b edge: the next in the contour's order or the one
        // before it, as the walls were turned; both walls must really share that edge.
        SideQuad& w = walls[k];
        SideQuad* next = nullptr;
        for (SideQuad* candidate : {&walls[(k + 1) % count], &walls[(k + count - 1) % count]}) {
            if (candidate != &w && candidate->a.x == w.b.x && candidate->a.y == w.b.y) {
                next = candidate;
                break;
            }
        }
        if (next == nullptr || w.nx * next->nx + w.ny * next->ny < kMinCos)
            continue;  // a corner: both keep their own normals there
        float mx = w.nx + next->nx, my = w.ny + next->ny;
        const float len = std::sqrt(mx * mx + my * my);
        mx /= len;
        my /= len;
        w.nbx = next->nax = mx;
        w.nby = next->nay = my;
    }
}

}  // namespace glyph
