// The extruded solid of flattened contours: faces, winding rule, side walls and their normals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "glyph/ExtrudedMesh.h"
#include "glyph/GluTriangulator.h"

using namespace glyph;

namespace {

Polygon MakePolygon(const std::vector<std::vector<Vec2>>& contours)
{
    Polygon p;
    for (const auto& c : contours) {
        p.points.insert(p.points.end(), c.begin(), c.end());
        p.contourEnds.push_back(static_cast<uint32_t>(p.points.size()));
    }
    return p;
}

// Squares from (x0, y0) with side s; TrueType contours run clockwise (y up) around the solid.
std::vector<Vec2> SquareCW(float x0, float y0, float s)
{
    return {{x0, y0}, {x0, y0 + s}, {x0 + s, y0 + s}, {x0 + s, y0}};
}
std::vector<Vec2> SquareCCW(float x0, float y0, float s)
{
    return {{x0, y0}, {x0 + s, y0}, {x0 + s, y0 + s}, {x0, y0 + s}};
}

double FaceArea(const GlyphMesh& mesh)
{
    double sum = 0;
    for (size_t i = 0; i + 2 < mesh.face.size(); i += 3)
        sum += SignedArea2(&mesh.face[i], 3) / 2;
    return sum;
}

struct Vec3 {
    double x, y, z;
};
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Checks every wall of `mesh`: a unit normal in the xy plane, a vertex order (a front, b front, b back)
// whose geometric normal agrees with it, and the normal pointing away from the solid, which
// `outward(midpoint, normal)` decides.
template <typename Outward>
void ExpectWallsOutward(const GlyphMesh& mesh, Outward outward)
{
    for (const SideQuad& s : mesh.sides) {
        EXPECT_NEAR(s.nx * s.nx + s.ny * s.ny, 1.0, 1e-5);
        const Vec3 e1{s.b.x - s.a.x, s.b.y - s.a.y, 0};
        const Vec3 e2{0, 0, -mesh.depth};
        const Vec3 g = Cross(e1, e2);
        EXPECT_GT(g.x * s.nx + g.y * s.ny, 0.0) << "wall winding disagrees with its normal";
        const Vec2 mid{(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2};
        EXPECT_TRUE(outward(mid, s)) << "wall at (" << mid.x << ", " << mid.y << ") faces inwards";
    }
}

}  // namespace

class Mesh : public ::testing::Test {
protected:
    CGluTriangulator m_tess;
    GlyphMesh m_mesh;
};

TEST_F(Mesh, SquareFacesWallsAndNormals)
{
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({SquareCW(0, 0, 1)}), 0.2f, m_tess, m_mesh));
    EXPECT_FLOAT_EQ(m_mesh.depth, 0.2f);
    EXPECT_EQ(m_mesh.FaceTriangles(), 2u);
    EXPECT_NEAR(FaceArea(m_mesh), 1.0, 1e-6);
    for (size_t i = 0; i < m_mesh.face.size(); i += 3)
        EXPECT_GT(SignedArea2(&m_mesh.face[i], 3), 0.0) << "front triangles run counter-clockwise";
    ASSERT_EQ(m_mesh.sides.size(), 4u);
    ExpectWallsOutward(m_mesh, [](Vec2 mid, const SideQuad& s) {
        return (mid.x - 0.5f) * s.nx + (mid.y - 0.5f) * s.ny > 0.4f;
    });
}

TEST_F(Mesh, OtherContourConventionGivesTheSameSolid)
{
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({SquareCCW(2, 3, 2)}), 0.5f, m_tess, m_mesh));
    EXPECT_NEAR(FaceArea(m_mesh), 4.0, 1e-6);
    ASSERT_EQ(m_mesh.sides.size(), 4u);
    ExpectWallsOutward(m_mesh, [](Vec2 mid, const SideQuad& s) {
        return (mid.x - 3.0f) * s.nx + (mid.y - 4.0f) * s.ny > 0.9f;
    });
}

TEST_F(Mesh, RingWithHole)
{
    // An 'O': outer square clockwise, the hole counter-clockwise.
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({SquareCW(0, 0, 3), SquareCCW(1, 1, 1)}), 0.2f, m_tess, m_mesh));
    EXPECT_NEAR(FaceArea(m_mesh), 8.0, 1e-5);
    for (size_t i = 0; i < m_mesh.face.size(); i += 3) {
        const float cx = (m_mesh.face[i].x + m_mesh.face[i + 1].x + m_mesh.face[i + 2].x) / 3;
        const float cy = (m_mesh.face[i].y + m_mesh.face[i + 1].y + m_mesh.face[i + 2].y) / 3;
        EXPECT_FALSE(cx > 1 && cx < 2 && cy > 1 && cy < 2) << "a triangle covers the hole";
        EXPECT_GT(SignedArea2(&m_mesh.face[i], 3), 0.0);
    }
    ASSERT_EQ(m_mesh.sides.size(), 8u);
    // Outer walls face away from the centre, the hole's walls towards it (away from the solid ring).
    ExpectWallsOutward(m_mesh, [](Vec2 mid, const SideQuad& s) {
        const float toward = (mid.x - 1.5f) * s.nx + (mid.y - 1.5f) * s.ny;
        const bool inHoleWall = mid.x >= 0.99f && mid.x <= 2.01f && mid.y >= 0.99f && mid.y <= 2.01f;
        return inHoleWall ? toward < -0.4f : toward > 1.4f;
    });
}

TEST_F(Mesh, NonZeroWindingJoinsOverlappingContours)
{
    // Two overlapping squares of the same orientation: the union (area 7) is solid. An even-odd rule
    // would leave the overlap empty (area 6); crossing edges need the combine step.
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({SquareCW(0, 0, 2), SquareCW(1, 1, 2)}), 0.1f, m_tess, m_mesh));
    EXPECT_NEAR(FaceArea(m_mesh), 7.0, 1e-5);
    // A self-crossing bow tie: two triangles of area 1 meeting at a point made by the combine step.
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({{{0, 0}, {2, 2}, {2, 0}, {0, 2}}}), 0.1f, m_tess, m_mesh));
    EXPECT_NEAR(FaceArea(m_mesh), 2.0, 1e-5);
    bool centre = false;
    for (const Vec2& v : m_mesh.face)
        centre |= std::fabs(v.x - 1) < 1e-6 && std::fabs(v.y - 1) < 1e-6;
    EXPECT_TRUE(centre);
}

TEST_F(Mesh, FlatAndEmptyAndDamagedPolygons)
{
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({SquareCW(0, 0, 1)}), 0.0f, m_tess, m_mesh));
    EXPECT_EQ(m_mesh.FaceTriangles(), 2u);
    EXPECT_TRUE(m_mesh.sides.empty()) << "no walls without depth";

    ASSERT_TRUE(BuildExtrudedMesh(Polygon{}, 0.2f, m_tess, m_mesh));
    EXPECT_TRUE(m_mesh.face.empty());
    EXPECT_TRUE(m_mesh.sides.empty());

    Polygon broken = MakePolygon({SquareCW(0, 0, 1)});
    broken.contourEnds[0] = 9;  // past the points
    EXPECT_FALSE(BuildExtrudedMesh(broken, 0.2f, m_tess, m_mesh));

    Polygon nan = MakePolygon({SquareCW(0, 0, 1)});
    nan.points[2].x = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(BuildExtrudedMesh(nan, 0.2f, m_tess, m_mesh));
    // The triangulator is still usable after a refusal.
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({SquareCW(0, 0, 1)}), 0.2f, m_tess, m_mesh));
    EXPECT_NEAR(FaceArea(m_mesh), 1.0, 1e-6);

    // A collinear contour has no area: no triangles, and walls still built without fault.
    ASSERT_TRUE(BuildExtrudedMesh(MakePolygon({{{0, 0}, {1, 1}, {2, 2}}}), 0.2f, m_tess, m_mesh));
    EXPECT_NEAR(FaceArea(m_mesh), 0.0, 1e-9);
}
