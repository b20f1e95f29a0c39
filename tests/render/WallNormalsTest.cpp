// The normals the walls of an extruded glyph are lit with at their edges: shared round flattened curves,
// kept apart at corners, pointing out of the solid for outlines and holes in either contour convention.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "glyph/ExtrudedMesh.h"
#include "glyph/GluTriangulator.h"

using namespace glyph;

namespace {

constexpr float kPi = 3.14159265f;

Polygon Make(const std::vector<std::vector<Vec2>>& contours) {
    Polygon p;
    for (const auto& c : contours) {
        p.points.insert(p.points.end(), c.begin(), c.end());
        p.contourEnds.push_back(static_cast<uint32_t>(p.points.size()));
    }
    return p;
}

// A regular polygon of `n` corners round (cx, cy): clockwise (y up) as TrueType runs outer contours, or
// counter-clockwise.
std::vector<Vec2> Round(float cx, float cy, float r, int n, bool clockwise) {
    std::vector<Vec2> v;
    for (int i = 0; i < n; ++i) {
        const float a = (clockwise ? -1.0f : 1.0f) * 2.0f * kPi * static_cast<float>(i) / static_cast<float>(n);
        v.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return v;
}

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

class WallNormals : public ::testing::Test {
protected:
    // The wall whose a edge lies at `p`, or null.
    const SideQuad* WallFrom(Vec2 p) const {
        for (const SideQuad& s : m.sides)
            if (s.a.x == p.x && s.a.y == p.y) return &s;
        return nullptr;
    }
    const SideQuad* WallTo(Vec2 p) const {
        for (const SideQuad& s : m.sides)
            if (s.b.x == p.x && s.b.y == p.y) return &s;
        return nullptr;
    }
    CGluTriangulator tess;
    GlyphMesh m;
};

}  // namespace

TEST_F(WallNormals, RoundContoursShareTheirNormalsPointingOutOfTheSolid) {
    // A disc (outer contour) and a ring's hole, in both conventions: at every point of a 32-gon the two
    // walls meeting there carry the same unit normal, the bisector of their own: straight out of the
    // disc, straight into the hole.
    for (bool clockwise : {true, false}) {
        for (bool hole : {false, true}) {
            const std::vector<Vec2> inner = Round(0, 0, 1, 32, hole ? !clockwise : clockwise);
            const Polygon p = hole ? Make({Round(0, 0, 3, 8, clockwise), inner}) : Make({inner});
            ASSERT_TRUE(BuildExtrudedMesh(p, 0.2f, tess, m));
            for (const Vec2& v : inner) {
                const SideQuad* in = WallTo(v);
                const SideQuad* out = WallFrom(v);
                ASSERT_TRUE(in != nullptr && out != nullptr) << "walls meeting at " << v.x << ", " << v.y;
                EXPECT_FLOAT_EQ(in->nbx, out->nax);
                EXPECT_FLOAT_EQ(in->nby, out->nay);
                EXPECT_NEAR(Length(out->nax, out->nay), 1.0f, 1e-5f);
                const float radial = (out->nax * v.x + out->nay * v.y) / Length(v.x, v.y);
                EXPECT_NEAR(radial, hole ? -1.0f : 1.0f, 1e-4f) << "clockwise " << clockwise << " hole " << hole;
            }
        }
    }
}

TEST_F(WallNormals, CornersAndSharpBendsKeepEachWallsOwnNormal) {
    // A square: four corners, every wall lit flat.
    ASSERT_TRUE(BuildExtrudedMesh(Make({{{0, 0}, {0, 2}, {2, 2}, {2, 0}}}), 0.2f, tess, m));
    ASSERT_EQ(m.sides.size(), 4u);
    for (const SideQuad& s : m.sides) {
        EXPECT_TRUE(s.nax == s.nx && s.nay == s.ny && s.nbx == s.nx && s.nby == s.ny);
    }
    // A roof over a box, running clockwise: the ridge bends by 2 x 15 degrees (gentle: shared), the
    // eaves by 45 + 15 degrees and the box's corners by 90 (sharp: kept apart).
    const float t = std::tan(15.0f * kPi / 180.0f);
    const std::vector<Vec2> house = {{0, 0}, {0, 2}, {2, 2 + 2 * t}, {4, 2}, {4, 0}};
    ASSERT_TRUE(BuildExtrudedMesh(Make({house}), 0.2f, tess, m));
    ASSERT_EQ(m.sides.size(), 5u);
    const SideQuad* left = WallFrom(house[1]);
    const SideQuad* right = WallFrom(house[2]);
    ASSERT_TRUE(left != nullptr && right != nullptr);
    EXPECT_FLOAT_EQ(left->nbx, right->nax);
    EXPECT_FLOAT_EQ(left->nby, right->nay);
    EXPECT_NEAR(left->nbx, 0.0f, 1e-6f);
    EXPECT_NEAR(left->nby, 1.0f, 1e-6f);  // straight up at the ridge
    EXPECT_TRUE(left->nax == left->nx && left->nay == left->ny) << "the eave is a corner";
    EXPECT_TRUE(right->nbx == right->nx && right->nby == right->ny) << "the eave is a corner";
    // A bend just past the limit is a corner; just under it, a curve.
    for (float bend : {kSmoothBendDegrees + 2.0f, kSmoothBendDegrees - 2.0f}) {
        const float a = bend * kPi / 180.0f;
        const std::vector<Vec2> kink = {{0, 0}, {0, 2}, {2, 2}, {2 + 2 * std::cos(a), 2 - 2 * std::sin(a)}, {4, -3}};
        ASSERT_TRUE(BuildExtrudedMesh(Make({kink}), 0.2f, tess, m));
        const SideQuad* top = WallTo(kink[2]);
        ASSERT_NE(top, nullptr);
        const bool shared = top->nbx != top->nx || top->nby != top->ny;
        EXPECT_EQ(shared, bend < kSmoothBendDegrees) << bend;
    }
}
