// Outline buffers of any bytes: reading never goes out of bounds, and whatever is read flattens and
// triangulates into a solid that obeys the mesh rules.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "glyph/ExtrudedMesh.h"
#include "glyph/GluTriangulator.h"
#include "glyph/Outline.h"

using namespace glyph;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the design size the coordinates are divided by and the extrusion depth; the
    // rest is the buffer as the system hands it over.
    static const float kScales[] = {1.0f / 2048.0f, 1.0f / 1000.0f, 1.0f / 16.0f, 1.0f};
    const float scale = kScales[data[0] & 3];
    const float depth = (data[0] & 4) ? 0.2f : 0.0f;
    static Outline outline;
    static Polygon polygon;
    static GlyphMesh mesh;
    static CGluTriangulator tess;

    ParseNativeOutline(data + 1, size - 1, scale, outline);
    size_t used = 0;
    for (const OutlineContour& c : outline.contours)
        used += 8 * c.points.size() + 4 * c.segments.size();
    if (used > size - 1)
        std::abort();  // more points than bytes to hold them

    FlattenOutline(outline, 1.0f / 64.0f, polygon);
    uint32_t begin = 0;
    for (uint32_t end : polygon.contourEnds) {
        if (end < begin + 3 || end > polygon.points.size())
            std::abort();  // contours of three points at least, inside the point array
        begin = end;
    }
    if (begin != polygon.points.size())
        std::abort();

    if (!BuildExtrudedMesh(polygon, depth, tess, mesh))
        return 0;
    if (mesh.face.size() % 3 != 0)
        std::abort();
    for (size_t i = 0; i < mesh.face.size(); i += 3) {
        if (!(SignedArea2(&mesh.face[i], 3) > 0.0))
            std::abort();  // front triangles counter-clockwise, none without area
    }
    if (depth == 0.0f && !mesh.sides.empty())
        std::abort();
    for (const SideQuad& s : mesh.sides) {
        if (!(std::fabs(s.nx * s.nx + s.ny * s.ny - 1.0f) < 1e-3f))
            std::abort();  // unit wall normals
    }
    return 0;
}
