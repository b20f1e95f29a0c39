#pragma once
// The face triangulator on top of the GLU tessellator (non-zero winding, new vertices where contours
// cross). Builds both for Windows (glu32) and natively (libGLU), so the mesh code can be tested on
// either; the header itself needs no GL headers. The tessellator needs no rendering context.
#include <memory>

#include "glyph/ExtrudedMesh.h"

namespace glyph {

class CGluTriangulator : public ITriangulator {
public:
    CGluTriangulator();
    ~CGluTriangulator() override;
    CGluTriangulator(const CGluTriangulator&) = delete;
    CGluTriangulator& operator=(const CGluTriangulator&) = delete;

    // Not reentrant: one object serves one triangulation at a time. Polygons with coordinates that
    // are not finite, or beyond 1e30, are refused.
    bool Triangulate(const Polygon& polygon, std::vector<Vec2>& triangles) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

}  // namespace glyph
