// The extruded solid of flattened contours: faces, winding rule, side walls and their normals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "glyph/ExtrudedMesh.h"
#include "glyph/GluTriangulator.h"

using namespace glyph;

namespace {

Polygon Make(const std::vector<std::vector<Vec2>>& contours)
{
    Polygon p;
    for (const auto& c : contours) {
        p.points.insert(p.points.end(), c.begin(), c.end());
        p.contourEnds.push_back(uint32_t(p.points.size()));
    }
    return p;
}

// TrueType runs outer contours clockwise (y up), holes counter-clockwise.
std::vector<Vec2> CW(float x, float y, float s) { return {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}}; }
std::vector<Vec2> CCW(float x, float y, float s) { return {{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}}; }

class Mesh : public ::testing::Test {
protected:
    // Area of the front face; also checks that every front triangle runs counter-clockwise.
    double Area()
    {
        double sum = 0;
        for (size_t i = 0; i < m.face.size(); i += 3) {
            const double a2 = SignedArea2(&m.face[i], 3);
            EXPECT_GT(a2, 0.0) << "front triangle " << i / 3 << " runs clockwise";
            sum += a2 / 2;
        }
        return sum;
    }
    // Checks every wall: a unit normal in the xy plane, a vertex order (a front, b front, b back) whose
    // geometric normal agrees with it, and `outward` of its midpoint and normal.
    template <typename F>
    void ExpectWalls(F outward)
    {
        for (const SideQuad& s : m.sides) {
            EXPECT_NEAR(s.nx * s.nx + s.ny * s.ny, 1.0, 1e-5);
            // (b - a) x (0, 0, -depth), projected onto the normal.
            EXPECT_GT(-(s.b.y - s.a.y) * s.nx + (s.b.x - s.a.x) * s.ny, 0.0) << "winding disagrees with normal";
            const Vec2 mid{(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2};
            EXPECT_TRUE(outward(mid, s)) << "wall at " << mid.x << ", " << mid.y << " faces the solid";
        }
    }
    CGluTriangulator tess;
    GlyphMesh m;
};

}  // namespace

TEST_F(Mesh, SquareInEitherContourConvention)
{
    for (const auto& square : {CW(0, 0, 2), CCW(0, 0, 2)}) {
        ASSERT_TRUE(BuildExtrudedMesh(Make({square}), 0.2f, tess, m));
        EXPECT_FLOAT_EQ(m.depth, 0.2f);
        EXPECT_EQ(m.FaceTriangles(), 2u);
        EXPECT_NEAR(Area(), 4.0, 1e-6);
        ASSERT_EQ(m.sides.size(), 4u);
        ExpectWalls([](Vec2 mid, const SideQuad& s) { return (mid.x - 1) * s.nx + (mid.y - 1) * s.ny > 0.9f; });
    }
}

TEST_F(Mesh, RingWithHole)
{
    ASSERT_TRUE(BuildExtrudedMesh(Make({CW(0, 0, 3), CCW(1, 1, 1)}), 0.2f, tess, m));
    EXPECT_NEAR(Area(), 8.0, 1e-5);
    for (size_t i = 0; i < m.face.size(); i += 3) {
        const float cx = (m.face[i].x + m.face[i + 1].x + m.face[i + 2].x) / 3;
        const float cy = (m.face[i].y + m.face[i + 1].y + m.face[i + 2].y) / 3;
        EXPECT_FALSE(cx > 1 && cx < 2 && cy > 1 && cy < 2) << "a triangle covers the hole";
    }
    ASSERT_EQ(m.sides.size(), 8u);
    // Outer walls face away from the centre; the hole's walls face into the hole, away from the ring.
    ExpectWalls([](Vec2 mid, const SideQuad& s) {
        const float toward = (mid.x - 1.5f) * s.nx + (mid.y - 1.5f) * s.ny;
        const bool hole = mid.x > 0.9f && mid.x < 2.1f && mid.y > 0.9f && mid.y < 2.1f;
        return hole ? toward < -0.4f : toward > 1.4f;
    });
}

TEST_F(Mesh, NonZeroWindingAndCrossingEdges)
{
    // Overlapping squares of one orientation: the union (7) is solid; even-odd would leave a hole (6).
    ASSERT_TRUE(BuildExtrudedMesh(Make({CW(0, 0, 2), CW(1, 1, 2)}), 0.1f, tess, m));
    EXPECT_NEAR(Area(), 7.0, 1e-5);
    // A self-crossing bow tie: two triangles meeting at a vertex the combine step makes at (1, 1).
    ASSERT_TRUE(BuildExtrudedMesh(Make({{{0, 0}, {2, 2}, {2, 0}, {0, 2}}}), 0.1f, tess, m));
    EXPECT_NEAR(Area(), 2.0, 1e-5);
    bool centre = false;
    for (const Vec2& v : m.face) centre |= std::fabs(v.x - 1) < 1e-6 && std::fabs(v.y - 1) < 1e-6;
    EXPECT_TRUE(centre);
}

TEST_F(Mesh, FlatEmptyAndDamagedPolygons)
{
    ASSERT_TRUE(BuildExtrudedMesh(Make({CW(0, 0, 1)}), 0.0f, tess, m));
    EXPECT_TRUE(m.FaceTriangles() == 2 && m.sides.empty()) << "no walls without depth";
    Polygon broken = Make({CW(0, 0, 1)}), nan = broken;
    broken.contourEnds[0] = 9;
    nan.points[2].x = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(BuildExtrudedMesh(broken, 0.2f, tess, m));
    EXPECT_FALSE(BuildExtrudedMesh(nan, 0.2f, tess, m));
    // The triangulator still works after a refusal; a collinear contour gives no triangles.
    ASSERT_TRUE(BuildExtrudedMesh(Make({CW(0, 0, 1)}), 0.2f, tess, m));
    EXPECT_NEAR(Area(), 1.0, 1e-6);
    ASSERT_TRUE(BuildExtrudedMesh(Make({{{0, 0}, {1, 1}, {2, 2}}}), 0.2f, tess, m));
    EXPECT_TRUE(m.face.empty());
}
