// Glyph lists, the glyph cache and the screen's line record, in a real window with a real GL context.
#include <gtest/gtest.h>
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "screen/GlyphLine.h"

namespace {

constexpr int kW = 400, kH = 300;
constexpr float kDepth = 0.2f;
HWND g_hwnd;
HDC g_dc;
HGLRC g_rc;

// One top-level window with a 24-bit colour, 16-bit depth, double-buffered pixel format, and a context
// current on the test thread for the whole run.
struct GLEnvironment : ::testing::Environment {
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VxGlyphTest";
        ::RegisterClassA(&wc);
        g_hwnd = ::CreateWindowA("VxGlyphTest", "glyph", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, kW + 40, kH + 60,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        g_dc = ::GetDC(g_hwnd);
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.cColorBits = 24;
        pfd.cDepthBits = 16;
        ASSERT_TRUE(::SetPixelFormat(g_dc, ::ChoosePixelFormat(g_dc, &pfd), &pfd));
        g_rc = ::wglCreateContext(g_dc);
        ASSERT_TRUE(g_rc != nullptr && ::wglMakeCurrent(g_dc, g_rc));
    }
    void TearDown() override
    {
        ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(g_rc);
        ::DestroyWindow(g_hwnd);
    }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new GLEnvironment);

HFONT MakeFont(int height, const char* face)
{
    return ::CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS, 0, 0, 4, face);
}

// Width of `text` in em by the system's own text layout, in a font large enough that pixel rounding does
// not matter: an independent check of the advances the lists apply.
double ReferenceWidth(const char* text, const char* face = kFaceMinchoP)
{
    HFONT font = MakeFont(-1000, face);
    HGDIOBJ old = ::SelectObject(g_dc, font);
    SIZE size = {};
    ::GetTextExtentPoint32A(g_dc, text, int(strlen(text)), &size);
    ::DeleteObject(::SelectObject(g_dc, old));
    return size.cx / 1000.0;
}

// The translation that calling `list` leaves in the model-view matrix, from identity: x, and y + z,
// which must stay 0.
std::pair<float, float> Move(GLuint list)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glCallList(list);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return {m[12], std::fabs(m[13]) + std::fabs(m[14])};
}

struct Vertex {
    float x, y, depth, lit;
};
enum Part { kFront, kBack, kWall };
struct Poly {
    std::vector<Vertex> v;
    Part part;
};

// Draws `list` in feedback mode through an orthographic view of [-0.5, 1.5] in x and y and [-10, 10] in z
// that also shears x and y by z / 2, so that walls, edge-on to the view, keep an area and are reported.
// One white directional light shines from `light` on a white material; each vertex comes back with
// its window position, depth and lit red value. Window depth 0.5 is z = 0, 0.51 is z = -0.2.
std::vector<Poly> Feedback(GLuint list, float lx, float ly, float lz)
{
    static std::vector<GLfloat> buf(1 << 20);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 1.5, -0.5, 1.5, -10.0, 10.0);
    const GLfloat shear[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0.5f, 0.5f, 1, 0, 0, 0, 0, 1};
    glMultMatrixf(shear);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat zero[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, pos[4] = {lx, ly, lz, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, zero);
    glLightfv(GL_LIGHT0, GL_AMBIENT, zero);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_POSITION, pos);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, zero);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glFeedbackBuffer(GLsizei(buf.size()), GL_3D_COLOR, buf.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    const GLint n = glRenderMode(GL_RENDER);
    glDisable(GL_LIGHTING);
    std::vector<Poly> polys;
    for (GLint i = 0; i < n;) {
        if (buf[i++] != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << buf[i - 1];
            break;
        }
        Poly p;
        bool front = true, back = true;
        for (GLint k = GLint(buf[i++]); k > 0; --k, i += 7) {
            p.v.push_back({buf[i], buf[i + 1], buf[i + 2], buf[i + 3]});
            front &= std::fabs(buf[i + 2] - 0.5f) < 1e-4f;
            back &= std::fabs(buf[i + 2] - 0.51f) < 1e-4f;
        }
        p.part = front ? kFront : (back ? kBack : kWall);
        polys.push_back(p);
    }
    return polys;
}

// The display lists among the names 1 to `limit` and well beyond: a GL implementation may hand out a
// block of names far from the single names before it (Mesa 25 starts blocks on a boundary of 32).
std::set<GLuint> LiveLists(GLuint limit)
{
    std::set<GLuint> live;
    for (GLuint n = 1; n <= limit + 4096; ++n)
        if (glIsList(n)) live.insert(n);
    return live;
}

// The screen's way of drawing: perspective, one white light from the viewer over some ambient light, a
// white material, back faces culled. The model-view matrix is left at identity.
void ScreenLikeView()
{
    glViewport(0, 0, kW, kH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, double(kW) / kH, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();  // the light's position is taken through it
    const GLfloat grey[4] = {0.2f, 0.2f, 0.2f, 1}, zero[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1},
                  pos[4] = {0, 0, 1, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, grey);
    glLightfv(GL_LIGHT0, GL_AMBIENT, zero);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_POSITION, pos);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, white);
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0})
        glEnable(cap);
}

class GlyphGL : public ::testing::Test {
protected:
    void SetUp() override { m_old = ::SelectObject(g_dc, m_font = MakeFont(14, kFaceMinchoP)); }
    void TearDown() override
    {
        CGlyphCache::DestroyCurrent();
        ::DeleteObject(::SelectObject(g_dc, m_old));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    // The glyph list of one code, held under an owner name that no line uses.
    GLuint Glyph(unsigned code)
    {
        GLuint list = 0;
        EXPECT_TRUE(CGlyphCache::Current()->Acquire(g_dc, kDepth, &code, 1, m_nOwner++, &list));
        return list;
    }
    HFONT m_font;
    HGDIOBJ m_old;
    GLuint m_nOwner = 0x7FFF0000u;
};

}  // namespace

TEST_F(GlyphGL, GlyphListDrawsFrontBackAndOutwardWalls)
{
    const GLuint list = Glyph(0x81A1);  // the black square: convex, so outward is away from its centre
    const glyph::GlyphMesh& mesh = CGlyphCache::Current()->LastMesh();
    ASSERT_GE(mesh.sides.size(), 4u);
    // Lit from the front: the front face fully, the back face and the walls not at all.
    size_t count[3] = {};
    float lo[2] = {1e9f, 1e9f}, hi[2] = {-1e9f, -1e9f};
    for (const Poly& p : Feedback(list, 0, 0, 1)) {
        ++count[p.part];
        for (const Vertex& v : p.v) {
            EXPECT_NEAR(v.lit, p.part == kFront ? 1.0f : 0.0f, 0.02f);
            lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
            lo[1] = std::min(lo[1], v.y), hi[1] = std::max(hi[1], v.y);
        }
    }
    EXPECT_EQ(count[kFront], mesh.FaceTriangles());
    EXPECT_EQ(count[kBack], mesh.FaceTriangles());
    EXPECT_EQ(count[kWall], 2 * mesh.sides.size()) << "two triangles per wall";
    for (const Poly& p : Feedback(list, 0, 0, -1)) {
        if (p.part == kBack) {
            EXPECT_NEAR(p.v[0].lit, 1.0f, 0.02f) << "the back face faces -z";
        }
    }
    // The second name: the same without the back face, and the same move.
    size_t without[3] = {};
    for (const Poly& p : Feedback(list + glyph::kWithoutBackFace, 0, 0, 1)) ++without[p.part];
    EXPECT_EQ(without[kFront], count[kFront]);
    EXPECT_EQ(without[kBack], 0u);
    EXPECT_EQ(without[kWall], count[kWall]);
    EXPECT_EQ(Move(list + glyph::kWithoutBackFace).first, Move(list).first);
    // Lit from the right (then from above): walls at the right edge are lit fully, at the left not at all.
    for (int axis = 0; axis < 2; ++axis) {
        int lit = 0;
        const float c = (lo[axis] + hi[axis]) / 2, size = hi[axis] - lo[axis];
        for (const Poly& p : Feedback(list, axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, 0)) {
            float at = 0;
            for (const Vertex& v : p.v) at += (axis == 0 ? v.x : v.y) / static_cast<float>(p.v.size());
            if (p.part != kWall || std::fabs(at - c) < 0.4f * size) continue;
            EXPECT_NEAR(p.v[0].lit, at > c ? 1.0f : 0.0f, 0.05f) << "axis " << axis << " at " << at;
            lit += at > c;
        }
        EXPECT_GT(lit, 0) << "axis " << axis;
    }
}

TEST_F(GlyphGL, LinesMoveByTheirAdvances)
{
    // Built in a 14-pixel font, measured against a 1000-pixel one: advances are in em whatever the size.
    CGlyphLine ab, blank, hiragana, katakana, cr, lead, empty;
    ASSERT_TRUE(ab.Build(g_dc, "AB", kDepth));
    EXPECT_EQ(ab.m_nGlyphCount, 2);
    EXPECT_NEAR(Move(ab.GetList()).first, ReferenceWidth("AB"), 0.004);
    EXPECT_NEAR(Move(ab.m_nGlyphBase).first, ReferenceWidth("A"), 0.002);
    EXPECT_EQ(Move(ab.GetList()).second, 0.0f);
    EXPECT_GT(Feedback(ab.GetList(), 0, 0, 1).size(), Feedback(ab.m_nGlyphBase, 0, 0, 1).size());
    // A blank draws nothing and only moves.
    ASSERT_TRUE(blank.Build(g_dc, " ", kDepth));
    EXPECT_TRUE(Feedback(blank.GetList(), 0, 0, 1).empty());
    EXPECT_NEAR(Move(blank.GetList()).first, ReferenceWidth(" "), 0.002);
    // Two-byte codes (lead * 256 + trail) and one-byte half-width katakana, as code page 932.
    ASSERT_TRUE(hiragana.Build(g_dc, "\x82\xA0\x82\xA2", kDepth));
    EXPECT_EQ(hiragana.m_nGlyphCount, 2);
    EXPECT_NEAR(Move(hiragana.GetList()).first, ReferenceWidth("\x82\xA0\x82\xA2"), 0.004);
    EXPECT_GT(Feedback(hiragana.m_nGlyphBase, 0, 0, 1).size(), 10u);
    ASSERT_TRUE(katakana.Build(g_dc, "\xB1", kDepth));
    EXPECT_NEAR(Move(katakana.GetList()).first, ReferenceWidth("\xB1"), 0.002);
    EXPECT_GT(Feedback(katakana.GetList(), 0, 0, 1).size(), 4u);
    // A carriage return is a character like any other; a lead byte before the NUL is one character.
    ASSERT_TRUE(cr.Build(g_dc, "a\rb", kDepth));
    EXPECT_EQ(cr.m_nGlyphCount, 3);
    ASSERT_TRUE(lead.Build(g_dc, "a\x82", kDepth));
    EXPECT_EQ(lead.m_nGlyphCount, 2);
    // Nothing to build, or no context: FALSE and an empty record.
    EXPECT_FALSE(empty.Build(g_dc, "", kDepth));
    EXPECT_TRUE(empty.m_nList == 0 && empty.m_nGlyphBase == 0 && empty.m_nGlyphCount == 0);
    ::wglMakeCurrent(nullptr, nullptr);
    EXPECT_FALSE(empty.Build(g_dc, "abc", kDepth));
    ::wglMakeCurrent(g_dc, g_rc);
    EXPECT_TRUE(empty.m_nList == 0 && empty.m_nGlyphBase == 0 && empty.m_nGlyphCount == 0);
    for (CGlyphLine* line : {&ab, &blank, &hiragana, &katakana, &cr, &lead}) line->Delete();
}

TEST_F(GlyphGL, NoListLeaksAcrossAThousandBuilds)
{
    const std::string text = "Hello, \x82\xA0\x82\xA2 world! \xB1\xB2";
    GLuint highest = 0;
    for (int i = 0; i < 1000; ++i) {
        // Pieces of varying length, so that names are reused in varying patterns; every third line
        // built on the cache, as the scrollback builds, mixed with lines of their own.
        CGlyphLine line;
        const std::string piece = text.substr(0, 1 + i % text.size());
        const bool onCache = i % 3 == 0;
        ASSERT_TRUE(onCache ? line.BuildOnCache(g_dc, piece.c_str(), kDepth) : line.Build(g_dc, piece.c_str(), kDepth))
            << i;
        const CGlyphLine names = line;
        EXPECT_EQ(names.m_nGlyphBase == 0, onCache);
        highest = std::max({highest, names.m_nList, names.m_nGlyphBase + names.m_nGlyphCount});
        line.Delete();
        EXPECT_TRUE(line.m_nList == 0 && line.m_nGlyphBase == 0 && line.m_nGlyphCount == 0);
        EXPECT_FALSE(glIsList(names.m_nList));
        for (int k = 0; !onCache && k < names.m_nGlyphCount; ++k) EXPECT_FALSE(glIsList(names.m_nGlyphBase + k));
    }
    // Left alive: the current font's glyphs, each built once: H e l o , space w r d ! and two hiragana
    // and two katakana, and the hiragana's lead byte alone (0x8200) where a piece cuts a character.
    CGlyphCache* cache = CGlyphCache::Current();
    EXPECT_EQ(cache->GlyphListCount(), 15);
    EXPECT_EQ(cache->BuildCount(), 15u);
    EXPECT_EQ(cache->LineCount(), 0);
    EXPECT_EQ(LiveLists(highest + 32).size(), 15u * glyph::kNamesPerGlyph) << "two names a glyph";
}

TEST_F(GlyphGL, FontChangeKeepsOldLinesUntilTheyGo)
{
    CGlyphLine mincho, gothic, third, fourth;
    ASSERT_TRUE(mincho.Build(g_dc, "AB", kDepth));
    const float advance = Move(mincho.GetList()).first;
    const size_t polygons = Feedback(mincho.GetList(), 0, 0, 1).size();
    std::set<GLuint> glyphs = LiveLists(mincho.m_nList + 64);
    for (GLuint own : {mincho.m_nList, mincho.m_nGlyphBase, mincho.m_nGlyphBase + 1}) glyphs.erase(own);
    ASSERT_EQ(glyphs.size(), 2u * glyph::kNamesPerGlyph);

    // A new face: the new line uses it, the old line draws exactly as before.
    HFONT font = MakeFont(20, kFaceGothicP);
    ::SelectObject(g_dc, font);
    ASSERT_TRUE(gothic.Build(g_dc, "AB", kDepth));
    CGlyphCache* cache = CGlyphCache::Current();
    EXPECT_EQ(cache->FontCount(), 2);
    EXPECT_NE(Feedback(gothic.GetList(), 0, 0, 1).size(), polygons) << "the same face twice?";
    EXPECT_FLOAT_EQ(Move(mincho.GetList()).first, advance);
    EXPECT_EQ(Feedback(mincho.GetList(), 0, 0, 1).size(), polygons);
    // The old line's going takes its font's glyphs along; the current font's stay built.
    mincho.Delete();
    for (GLuint g : glyphs) EXPECT_FALSE(glIsList(g));
    EXPECT_EQ(cache->FontCount(), 1);
    gothic.Delete();
    EXPECT_EQ(cache->GlyphListCount(), 2);
    const unsigned built = cache->BuildCount();
    ASSERT_TRUE(third.Build(g_dc, "BA", kDepth));
    EXPECT_EQ(cache->BuildCount(), built) << "warm glyphs are reused";
    // Back to the first face while a line in the second is alive.
    ::SelectObject(g_dc, m_font);
    ASSERT_TRUE(fourth.Build(g_dc, "A", kDepth));
    const GLuint limit = fourth.m_nList + 64;
    EXPECT_EQ(cache->FontCount(), 2);
    EXPECT_FALSE(Feedback(third.GetList(), 0, 0, 1).empty());
    third.Delete();
    fourth.Delete();
    EXPECT_EQ(cache->FontCount(), 1);
    EXPECT_EQ(cache->GlyphListCount(), 1);
    ::DeleteObject(font);
    // The context's end: every glyph list goes, and the cache with it.
    ASSERT_EQ(LiveLists(limit).size(), 1u * glyph::kNamesPerGlyph);
    CGlyphCache::DestroyCurrent();
    EXPECT_TRUE(LiveLists(limit).empty());
    EXPECT_EQ(CGlyphCache::Current(false), nullptr);
}

TEST_F(GlyphGL, RenderedGlyphIsLitFromFrontBackAndSide)
{
    const GLuint list = Glyph(0x82A0);
    ScreenLikeView();
    auto litPixels = [&](float turn) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
        glRotatef(turn, 0, 1, 0);
        glTranslatef(-0.5f, -0.4f, kDepth / 2);
        glCallList(list);
        std::vector<unsigned char> px(kW * kH * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, px.data());
        return int(std::count_if(px.begin(), px.end(), [](unsigned char c) { return c > 128; }) / 3);
    };
    const int front = litPixels(0), back = litPixels(180), side = litPixels(90);
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING}) glDisable(cap);
    EXPECT_GT(front, 2000);
    // From behind, the back face shows the same area as brightly; edge-on, the walls facing the viewer
    // show lit, which they only do when they run the right way round and face outwards.
    EXPECT_NEAR(back, front, front * 0.1);
    EXPECT_GT(side, 500);
}

TEST_F(GlyphGL, ALineCutAtTheWindowsEdgesOrBuiltOnTheCacheDrawsWhatTheWholeLineDraws)
{
    // A line longer than the window is wide, seen from close by, moved so that it runs out of the window
    // on the left and on the right: the characters in view, called from where the run starts, give the
    // same picture as the whole line.
    CGlyphLine line, onCache;
    std::string text;
    for (int i = 0; i < 6; ++i)
        text += "0123456789ABCDEFGHIJ";
    ASSERT_TRUE(line.Build(g_dc, text.c_str(), kDepth));
    ASSERT_TRUE(onCache.BuildOnCache(g_dc, text.c_str(), kDepth));
    ScreenLikeView();
    const visible::GlyphBox box{1.0, -0.5, 1.5, kDepth};
    for (float along : {-20.0f, -2.0f}) {
        auto picture = [&](const CGlyphLine& line, bool cut, visible::GlyphRange* range) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glLoadIdentity();
            gluLookAt(0, 0, 20, 0, 0, 0, 0, 1, 0);
            glTranslatef(along, -0.5f, 10.0f);
            GLdouble proj[16], mv[16], clip[16];
            glGetDoublev(GL_PROJECTION_MATRIX, proj);
            glGetDoublev(GL_MODELVIEW_MATRIX, mv);
            visible::Multiply(proj, mv, clip);
            *range = visible::VisibleGlyphs(clip, line.GetStarts()->data(), line.m_nGlyphCount, box);
            if (cut)
                line.DrawVisible(clip, box);
            else
                glCallList(line.GetList());
            std::vector<unsigned char> px(kW * kH * 3);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, px.data());
            return px;
        };
        visible::GlyphRange range;
        const std::vector<unsigned char> whole = picture(line, false, &range);
        EXPECT_TRUE(range.end < line.m_nGlyphCount) << "the line runs out of the window on the right";
        if (along < -10.0f) {
            EXPECT_GT(range.first, 10) << "and on the left";
        }
        int lit = 0;
        for (size_t i = 0; i < whole.size(); i += 3)
            lit += whole[i] > 64;
        EXPECT_GT(lit, 1000) << "along " << along;
        const struct {
            const CGlyphLine& line;
            bool cut;
            const char* what;
        } others[] = {{line, true, "cut"}, {onCache, false, "built on the cache"}, {onCache, true, "built on the cache, cut"}};
        for (const auto& other : others) {
            const std::vector<unsigned char> px = picture(other.line, other.cut, &range);
            // Channels a step or two apart where the same edge is reached by sums in another order.
            int differ = 0;
            for (size_t i = 0; i < whole.size(); i += 3)
                differ += std::abs(int(whole[i]) - int(px[i])) > 8;
            EXPECT_LT(differ, lit / 100) << "along " << along << ", " << other.what << ": " << differ << " of " << lit
                                         << " pixels differ";
        }
    }
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0})
        glDisable(cap);
    line.Delete();
    onCache.Delete();
    EXPECT_EQ(CGlyphCache::Current()->LineCount(), 0);
}

TEST_F(GlyphGL, TheListBaseWhenALineIsDrawnLeavesOutTheBackFaces)
{
    // The base is taken when the lines run, through the line list and the lists per character (a line of
    // its own) or straight from the line list (a line on the cache), and for a run of a cut line.
    CGlyphLine own, onCache;
    // Narrow letters, so that the line lies inside the feedback view, uncut.
    ASSERT_TRUE(own.Build(g_dc, "il.", kDepth));
    ASSERT_TRUE(onCache.BuildOnCache(g_dc, "il.", kDepth));
    for (const CGlyphLine* line : {&own, &onCache}) {
        for (GLuint base : {0u, glyph::kWithoutBackFace}) {
            glListBase(base);
            size_t count[3] = {};
            for (const Poly& p : Feedback(line->GetList(), 0, 0, 1)) ++count[p.part];
            glListBase(0);
            EXPECT_GT(count[kFront], 10u);
            EXPECT_GT(count[kWall], 10u);
            if (base == 0) {
                EXPECT_EQ(count[kBack], count[kFront]) << "every glyph with its back face";
            } else {
                EXPECT_EQ(count[kBack], 0u) << (line == &own ? "a line of its own" : "a line on the cache");
            }
        }
    }
    own.Delete();
    onCache.Delete();
}
