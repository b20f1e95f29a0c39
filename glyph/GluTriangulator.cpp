#include "glyph/GluTriangulator.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/glu.h>

#include <cmath>
#include <deque>

#ifndef CALLBACK
#define CALLBACK
#endif

namespace glyph {
namespace {

struct TessVertex {
    GLdouble xyz[3];
};

using TessCallback = void(CALLBACK*)();

}  // namespace

// The GLU tessellator keeps pointers to the vertices it was given and to those made by the combine
// callback until the polygon ends: the input lives in a vector sized before the first vertex is passed,
// the combined ones in a deque, whose elements never move.
struct CGluTriangulator::Impl {
    GLUtesselator* tess = nullptr;
    std::vector<TessVertex> input;
    std::deque<TessVertex> combined;
    std::vector<Vec2>* out = nullptr;
    bool failed = false;

    void Create()
    {
        tess = gluNewTess();
        if (tess == nullptr)
            return;
        gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
        gluTessNormal(tess, 0.0, 0.0, 1.0);
        gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(&OnBegin));
        gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(&OnVertex));
        gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(&OnEnd));
        gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&OnCombine));
        gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(&OnError));
        // With an edge-flag callback the tessellator hands out separate triangles only, no fans or
        // strips.
        gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<TessCallback>(&OnEdgeFlag));
    }
    void Destroy()
    {
        if (tess != nullptr)
            gluDeleteTess(tess);
        tess = nullptr;
    }

    static void CALLBACK OnBegin(GLenum, void*) {}
    static void CALLBACK OnEnd(void*) {}
    static void CALLBACK OnEdgeFlag(GLboolean, void*) {}
    static void CALLBACK OnVertex(void* vertex, void* data)
    {
        const TessVertex* v = static_cast<const TessVertex*>(vertex);
        static_cast<Impl*>(data)->out->push_back({static_cast<float>(v->xyz[0]), static_cast<float>(v->xyz[1])});
    }
    static void CALLBACK OnCombine(GLdouble coords[3], void* [4], GLfloat[4], void** outData, void* data)
    {
        Impl* self = static_cast<Impl*>(data);
        self->combined.push_back({{coords[0], coords[1], 0.0}});
        *outData = &self->combined.back();
    }
    static void CALLBACK OnError(GLenum, void* data) { static_cast<Impl*>(data)->failed = true; }
};

CGluTriangulator::CGluTriangulator() : m_pImpl(new Impl) {}

CGluTriangulator::~CGluTriangulator() { m_pImpl->Destroy(); }

bool CGluTriangulator::Triangulate(const Polygon& polygon, std::vector<Vec2>& triangles)
{
    Impl& m = *m_pImpl;
    for (const Vec2& p : polygon.points) {
        if (!(std::fabs(p.x) <= 1e30f) || !(std::fabs(p.y) <= 1e30f))
            return false;
    }
    if (m.tess == nullptr)
        m.Create();
    if (m.tess == nullptr)
        return false;

    m.input.resize(polygon.points.size());
    for (size_t i = 0; i < polygon.points.size(); ++i)
        m.input[i] = {{polygon.points[i].x, polygon.points[i].y, 0.0}};
    m.combined.clear();
    m.out = &triangles;
    m.failed = false;
    const size_t first = triangles.size();

    gluTessBeginPolygon(m.tess, &m);
    uint32_t begin = 0;
    for (uint32_t end : polygon.contourEnds) {
        if (end < begin || end > m.input.size())
            break;
        gluTessBeginContour(m.tess);
        for (uint32_t i = begin; i < end; ++i)
            gluTessVertex(m.tess, m.input[i].xyz, &m.input[i]);
        gluTessEndContour(m.tess);
        begin = end;
    }
    gluTessEndPolygon(m.tess);

    m.out = nullptr;
    m.combined.clear();
    if (m.failed) {
        // A tessellator that reported an error may be left inside a polygon: start afresh next time.
        m.Destroy();
        return false;
    }
    // Whole triangles only.
    triangles.resize(first + (triangles.size() - first) / 3 * 3);
    return true;
}

}  // namespace glyph
