// Glyph lists, the glyph cache and the screen's line record, in a real window with a real GL context.
//
// Set VX_GLYPH_SHOT to a directory to have the rendering tests write what they drew there as BMP files.
#include <gtest/gtest.h>
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "screen/GlyphLine.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr float kDepth = 0.2f;

// One top-level window with a 24-bit colour, 16-bit depth, double-buffered pixel format and a context,
// current on the test thread for the whole run.
struct GLWindow {
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
};
GLWindow g_gl;

class GLEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VxGlyphTest";
        ::RegisterClassA(&wc);
        g_gl.hwnd = ::CreateWindowA("VxGlyphTest", "glyph test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                    kWidth + 40, kHeight + 60, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(g_gl.hwnd, nullptr);
        ::ShowWindow(g_gl.hwnd, SW_SHOW);
        g_gl.dc = ::GetDC(g_gl.hwnd);
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 24;
        pfd.cDepthBits = 16;
        pfd.iLayerType = PFD_MAIN_PLANE;
        const int format = ::ChoosePixelFormat(g_gl.dc, &pfd);
        ASSERT_NE(format, 0);
        ASSERT_TRUE(::SetPixelFormat(g_gl.dc, format, &pfd));
        g_gl.rc = ::wglCreateContext(g_gl.dc);
        ASSERT_NE(g_gl.rc, nullptr);
        ASSERT_TRUE(::wglMakeCurrent(g_gl.dc, g_gl.rc));
    }
    void TearDown() override
    {
        CGlyphCache::DestroyCurrent();
        ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(g_gl.rc);
        ::ReleaseDC(g_gl.hwnd, g_gl.dc);
        ::DestroyWindow(g_gl.hwnd);
    }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new GLEnvironment);

HFONT MakeFont(int height, const char* face)
{
    return ::CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS, 0, 0,
                         4, face);
}

// Width of `text` in em, measured by the system's text layout in a font large enough that pixel
// rounding does not matter: an independent check of the advances the lists apply.
double ReferenceWidth(const char* face, const char* text)
{
    HFONT font = MakeFont(-1000, face);
    HGDIOBJ old = ::SelectObject(g_gl.dc, font);
    SIZE size = {};
    ::GetTextExtentPoint32A(g_gl.dc, text, static_cast<int>(strlen(text)), &size);
    ::SelectObject(g_gl.dc, old);
    ::DeleteObject(font);
    return size.cx / 1000.0;
}

// The x translation that calling `list` leaves in the model-view matrix, starting from identity.
float AdvanceOf(GLuint list)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glCallList(list);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    EXPECT_FLOAT_EQ(m[13], 0.0f);
    EXPECT_FLOAT_EQ(m[14], 0.0f);
    return m[12];
}

struct FeedbackVertex {
    float x, y, z, r;
};
using FeedbackPolygon = std::vector<FeedbackVertex>;

// Draws `list` in feedback mode (window coordinates and lit colour of every polygon vertex) through an
// orthographic view of x and y in [-0.5, 1.5] and z in [-10, 10], with one white directional light
// shining from `light` (eye space, which is object space here) onto a white material. The projection
// also shears x and y by half of z, so that walls, which stand edge-on to the view, keep an area and
// are reported; window depth still depends on z alone.
std::vector<FeedbackPolygon> Feedback(GLuint list, const GLfloat light[3])
{
    static std::vector<GLfloat> buffer(1 << 20);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 1.5, -0.5, 1.5, -10.0, 10.0);
    const GLfloat shear[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0.5f, 0.5f, 1, 0, 0, 0, 0, 1};
    glMultMatrixf(shear);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat zero[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    const GLfloat position[4] = {light[0], light[1], light[2], 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, zero);
    glLightfv(GL_LIGHT0, GL_AMBIENT, zero);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, zero);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, zero);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, zero);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_CULL_FACE);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    const GLint n = glRenderMode(GL_RENDER);
    glDisable(GL_LIGHTING);
    EXPECT_GE(n, 0) << "feedback buffer overflow";
    std::vector<FeedbackPolygon> polygons;
    for (GLint i = 0; i < n;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const GLint count = static_cast<GLint>(buffer[i++]);
            FeedbackPolygon poly;
            for (GLint k = 0; k < count; ++k, i += 7)
                poly.push_back({buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 3]});
            polygons.push_back(poly);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i += 1;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return polygons;
}

// Window depth of the front plane (z = 0) and the back plane (z = -kDepth) in the Feedback view.
constexpr float kFrontDepth = 0.5f;
constexpr float kBackDepth = 0.5f + kDepth / 20.0f;

enum class Part { Front, Back, Side };
Part Classify(const FeedbackPolygon& poly)
{
    bool front = true, back = true;
    for (const FeedbackVertex& v : poly) {
        front &= std::fabs(v.z - kFrontDepth) < 1e-4f;
        back &= std::fabs(v.z - kBackDepth) < 1e-4f;
    }
    return front ? Part::Front : (back ? Part::Back : Part::Side);
}

// Writes the colour buffer as a BMP when VX_GLYPH_SHOT names a directory.
void Shot(const char* name)
{
    const char* dir = std::getenv("VX_GLYPH_SHOT");
    if (dir == nullptr)
        return;
    std::vector<unsigned char> pixels(kWidth * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels.data());
    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = kWidth;
    ih.biHeight = kHeight;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);  // rows of 1200 bytes need no padding
    std::fclose(f);
}

// Every list name in [1, limit] that is alive.
std::set<GLuint> LiveLists(GLuint limit)
{
    std::set<GLuint> live;
    for (GLuint n = 1; n <= limit; ++n) {
        if (glIsList(n))
            live.insert(n);
    }
    return live;
}

class GlyphGL : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(g_gl.rc, nullptr);
        m_font = MakeFont(14, kFaceMinchoP);
        ASSERT_NE(m_font, nullptr);
        m_old = ::SelectObject(g_gl.dc, m_font);
    }
    void TearDown() override
    {
        for (CGlyphLine* line : m_built)
            line->Delete();
        CGlyphCache::DestroyCurrent();
        ::SelectObject(g_gl.dc, m_old);
        ::DeleteObject(m_font);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // A record built from `text` that TearDown deletes.
    CGlyphLine& Line(const char* text)
    {
        m_lines.emplace_back();
        CGlyphLine& line = m_lines.back();
        EXPECT_TRUE(line.Build(g_gl.dc, text, kDepth)) << text;
        m_built.push_back(&line);
        return line;
    }
    // The glyph list of one code, held under a name of its own that no line uses.
    GLuint Glyph(unsigned code)
    {
        GLuint list = 0;
        CGlyphCache* cache = CGlyphCache::Current();
        EXPECT_NE(cache, nullptr);
        if (cache != nullptr) {
            EXPECT_TRUE(cache->Acquire(g_gl.dc, kDepth, &code, 1, m_nextOwner++, &list));
        }
        return list;
    }

    HFONT m_font = nullptr;
    HGDIOBJ m_old = nullptr;
    std::deque<CGlyphLine> m_lines;
    std::vector<CGlyphLine*> m_built;
    GLuint m_nextOwner = 0x7FFF0000u;
};

}  // namespace

TEST(GlyphLineText, CountChars)
{
    EXPECT_EQ(CGlyphLine::CountChars("dir"), 3);
    EXPECT_EQ(CGlyphLine::CountChars("\x82\xA0\x82\xA2"), 2);
    EXPECT_EQ(CGlyphLine::CountChars("\xB1\xB2"), 2);  // half-width katakana
    EXPECT_EQ(CGlyphLine::CountChars("a\x82"), 2);       // a lead byte before the terminator counts once
    EXPECT_EQ(CGlyphLine::CountChars(""), 0);
}

TEST_F(GlyphGL, GlyphListDrawsFrontBackAndOutwardWalls)
{
    // The black square: a convex outline, so every wall's outward direction is away from its centre.
    const GLuint list = Glyph(0x81A1);
    ASSERT_NE(list, 0u);
    const glyph::GlyphMesh& mesh = CGlyphCache::Current()->LastMesh();
    const size_t faceTriangles = mesh.FaceTriangles();
    const size_t walls = mesh.sides.size();
    EXPECT_GE(faceTriangles, 2u);
    EXPECT_GE(walls, 4u);

    const GLfloat fromFront[3] = {0, 0, 1}, fromBack[3] = {0, 0, -1};
    const GLfloat fromRight[3] = {1, 0, 0}, fromTop[3] = {0, 1, 0};
    const auto front = Feedback(list, fromFront);
    size_t counts[3] = {0, 0, 0};
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const FeedbackPolygon& poly : front) {
        const Part part = Classify(poly);
        ++counts[static_cast<int>(part)];
        for (const FeedbackVertex& v : poly) {
            minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
            minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
            // Lit from the front: the front face is fully lit, the back face and the walls not at all.
            EXPECT_NEAR(v.r, part == Part::Front ? 1.0f : 0.0f, 0.02f);
        }
    }
    EXPECT_EQ(counts[static_cast<int>(Part::Front)], faceTriangles);
    EXPECT_EQ(counts[static_cast<int>(Part::Back)], faceTriangles);
    EXPECT_EQ(counts[static_cast<int>(Part::Side)], 2 * walls) << "two triangles per wall";

    for (const FeedbackPolygon& poly : Feedback(list, fromBack)) {
        if (Classify(poly) == Part::Back) {
            EXPECT_NEAR(poly[0].r, 1.0f, 0.02f) << "the back face faces -z";
        }
    }
    // Walls on the right and at the top face right and up; those on the left and at the bottom do not.
    const float cx = (minX + maxX) / 2, cy = (minY + maxY) / 2;
    const float w = maxX - minX, h = maxY - minY;
    int right = 0, top = 0;
    for (const FeedbackPolygon& poly : Feedback(list, fromRight)) {
        if (Classify(poly) != Part::Side)
            continue;
        float x = 0;
        for (const FeedbackVertex& v : poly)
            x += v.x / poly.size();
        if (x > cx + 0.4f * w) {
            EXPECT_NEAR(poly[0].r, 1.0f, 0.05f);
            ++right;
        }
        if (x < cx - 0.4f * w) {
            EXPECT_NEAR(poly[0].r, 0.0f, 0.05f);
        }
    }
    for (const FeedbackPolygon& poly : Feedback(list, fromTop)) {
        if (Classify(poly) != Part::Side)
            continue;
        float y = 0;
        for (const FeedbackVertex& v : poly)
            y += v.y / poly.size();
        if (y > cy + 0.4f * h) {
            EXPECT_NEAR(poly[0].r, 1.0f, 0.05f);
            ++top;
        }
        if (y < cy - 0.4f * h) {
            EXPECT_NEAR(poly[0].r, 0.0f, 0.05f);
        }
    }
    EXPECT_GT(right, 0);
    EXPECT_GT(top, 0);
}

TEST_F(GlyphGL, BlankIsOnlyAMove)
{
    const GLuint list = Glyph(' ');
    ASSERT_NE(list, 0u);
    const GLfloat fromFront[3] = {0, 0, 1};
    EXPECT_TRUE(Feedback(list, fromFront).empty());
    const float advance = AdvanceOf(list);
    EXPECT_NEAR(advance, ReferenceWidth(kFaceMinchoP, " "), 0.003);
    EXPECT_GT(advance, 0.1f);
}

TEST_F(GlyphGL, BuildOfABMovesByBothAdvances)
{
    CGlyphLine& line = Line("AB");
    EXPECT_EQ(line.m_nGlyphCount, 2);
    ASSERT_NE(line.GetList(), 0u);
    EXPECT_TRUE(glIsList(line.m_nGlyphBase) && glIsList(line.m_nGlyphBase + 1));
    const double expected = ReferenceWidth(kFaceMinchoP, "AB");
    EXPECT_GT(expected, 0.8);
    EXPECT_NEAR(AdvanceOf(line.GetList()), expected, 0.004);
    EXPECT_NEAR(AdvanceOf(line.m_nGlyphBase), ReferenceWidth(kFaceMinchoP, "A"), 0.002);
    // Both glyphs are drawn, side by side.
    const GLfloat fromFront[3] = {0, 0, 1};
    EXPECT_GT(Feedback(line.GetList(), fromFront).size(), Feedback(line.m_nGlyphBase, fromFront).size());
}

TEST_F(GlyphGL, TwoByteAndHalfWidthCharacters)
{
    CGlyphLine& hiragana = Line("\x82\xA0\x82\xA2");
    EXPECT_EQ(hiragana.m_nGlyphCount, 2);
    EXPECT_NEAR(AdvanceOf(hiragana.GetList()), ReferenceWidth(kFaceMinchoP, "\x82\xA0\x82\xA2"), 0.004);
    const GLfloat fromFront[3] = {0, 0, 1};
    EXPECT_GT(Feedback(hiragana.m_nGlyphBase, fromFront).size(), 10u);
    // Half-width katakana "ｱ" is a one-byte code page 932 character with an outline of its own.
    CGlyphLine& katakana = Line("\xB1");
    EXPECT_EQ(katakana.m_nGlyphCount, 1);
    EXPECT_GT(Feedback(katakana.GetList(), fromFront).size(), 4u);
    EXPECT_NEAR(AdvanceOf(katakana.GetList()), ReferenceWidth(kFaceMinchoP, "\xB1"), 0.002);
}

TEST_F(GlyphGL, ControlCharactersAndALastLeadByteBuild)
{
    CGlyphLine& cr = Line("a\rb");
    EXPECT_EQ(cr.m_nGlyphCount, 3);
    EXPECT_NE(cr.GetList(), 0u);
    CGlyphLine& lead = Line("a\x82");
    EXPECT_EQ(lead.m_nGlyphCount, 2);
    EXPECT_NE(lead.GetList(), 0u);
}

TEST_F(GlyphGL, EmptyTextOrNoContextLeavesAnEmptyRecord)
{
    CGlyphLine empty;
    EXPECT_FALSE(empty.Build(g_gl.dc, "", kDepth));
    EXPECT_EQ(empty.m_nList, 0u);
    EXPECT_EQ(empty.m_nGlyphBase, 0u);
    EXPECT_EQ(empty.m_nGlyphCount, 0);

    ASSERT_TRUE(::wglMakeCurrent(nullptr, nullptr));
    CGlyphLine none;
    const BOOL built = none.Build(g_gl.dc, "abc", kDepth);
    ASSERT_TRUE(::wglMakeCurrent(g_gl.dc, g_gl.rc));
    EXPECT_FALSE(built);
    EXPECT_EQ(none.m_nList, 0u);
    EXPECT_EQ(none.m_nGlyphBase, 0u);
    EXPECT_EQ(none.m_nGlyphCount, 0);
}

TEST_F(GlyphGL, NoListLeaksAcrossAThousandBuilds)
{
    const std::string text = "Hello, \x82\xA0\x82\xA2 world! \xB1\xB2";
    CGlyphCache* cache = nullptr;
    GLuint highest = 0;
    for (int i = 0; i < 1000; ++i) {
        // Lines of varying length, so that list names are reused in varying patterns.
        const std::string piece = text.substr(0, 1 + i % text.size());
        CGlyphLine line;
        ASSERT_TRUE(line.Build(g_gl.dc, piece.c_str(), kDepth)) << i;
        const GLuint list = line.m_nList, base = line.m_nGlyphBase;
        const int count = line.m_nGlyphCount;
        highest = std::max({highest, list, base + count});
        if (i == 0)
            cache = CGlyphCache::Current();
        line.Delete();
        EXPECT_FALSE(glIsList(list));
        for (int k = 0; k < count; ++k)
            EXPECT_FALSE(glIsList(base + k));
        EXPECT_EQ(line.m_nList, 0u);
        EXPECT_EQ(line.m_nGlyphBase, 0u);
        EXPECT_EQ(line.m_nGlyphCount, 0);
    }
    // What is left alive is the current font's glyphs, one list per distinct character, built once:
    // H e l o , space w r d ! and the two hiragana and two katakana, and the hiragana's lead byte on
    // its own (code 0x8200) where a piece ends between the two bytes of a character.
    const int distinct = 15;
    EXPECT_EQ(cache->GlyphListCount(), distinct);
    EXPECT_EQ(cache->BuildCount(), static_cast<unsigned>(distinct));
    EXPECT_EQ(cache->LineCount(), 0);
    EXPECT_EQ(LiveLists(highest + 16).size(), static_cast<size_t>(distinct));
}

TEST_F(GlyphGL, FontChangeKeepsOldLinesAndReleasesTheirGlyphsLater)
{
    const GLfloat fromFront[3] = {0, 0, 1};
    CGlyphLine mincho;
    ASSERT_TRUE(mincho.Build(g_gl.dc, "AB", kDepth));
    const float minchoAdvance = AdvanceOf(mincho.GetList());
    const size_t minchoPolygons = Feedback(mincho.GetList(), fromFront).size();
    std::set<GLuint> minchoGlyphs = LiveLists(mincho.m_nList + 64);
    minchoGlyphs.erase(mincho.m_nList);
    minchoGlyphs.erase(mincho.m_nGlyphBase);
    minchoGlyphs.erase(mincho.m_nGlyphBase + 1);
    ASSERT_EQ(minchoGlyphs.size(), 2u);

    // The font changes: a new line uses the new face, the old line draws exactly as before.
    HFONT gothic = MakeFont(20, kFaceGothicP);
    ::SelectObject(g_gl.dc, gothic);
    CGlyphLine second;
    ASSERT_TRUE(second.Build(g_gl.dc, "AB", kDepth));
    CGlyphCache* cache = CGlyphCache::Current();
    EXPECT_EQ(cache->FontCount(), 2);
    EXPECT_NE(Feedback(second.GetList(), fromFront).size(), minchoPolygons) << "the same face twice?";
    for (GLuint g : minchoGlyphs)
        EXPECT_TRUE(glIsList(g));
    EXPECT_FLOAT_EQ(AdvanceOf(mincho.GetList()), minchoAdvance);
    EXPECT_EQ(Feedback(mincho.GetList(), fromFront).size(), minchoPolygons);

    // Deleting the old line releases its font's glyphs; the current font's stay built for later lines.
    mincho.Delete();
    for (GLuint g : minchoGlyphs)
        EXPECT_FALSE(glIsList(g));
    EXPECT_EQ(cache->FontCount(), 1);
    second.Delete();
    EXPECT_EQ(cache->GlyphListCount(), 2);
    const unsigned built = cache->BuildCount();
    CGlyphLine third;
    ASSERT_TRUE(third.Build(g_gl.dc, "BA", kDepth));
    EXPECT_EQ(cache->BuildCount(), built) << "warm glyphs are reused";

    // Back to the first face while a line in the second still exists: both stay usable.
    ::SelectObject(g_gl.dc, m_font);
    CGlyphLine fourth;
    ASSERT_TRUE(fourth.Build(g_gl.dc, "A", kDepth));
    EXPECT_EQ(cache->FontCount(), 2);
    EXPECT_GT(Feedback(third.GetList(), fromFront).size(), 0u);
    third.Delete();
    fourth.Delete();
    EXPECT_EQ(cache->FontCount(), 1);
    EXPECT_EQ(cache->GlyphListCount(), 1);
    ::DeleteObject(gothic);
}

TEST_F(GlyphGL, GlyphsAreOneEmHighWhateverThePixelHeight)
{
    const GLuint small = Glyph('H');
    const glyph::GlyphMesh smallMesh = CGlyphCache::Current()->LastMesh();
    HFONT big = MakeFont(-60, kFaceMinchoP);
    ::SelectObject(g_gl.dc, big);
    const GLuint large = Glyph('H');
    const glyph::GlyphMesh& largeMesh = CGlyphCache::Current()->LastMesh();
    EXPECT_NE(small, large) << "a different font gets lists of its own";
    auto top = [](const glyph::GlyphMesh& m) {
        float y = -1e9f;
        for (const glyph::Vec2& v : m.face)
            y = std::max(y, v.y);
        return y;
    };
    // A capital's height is a fixed fraction of the em: the same in both sizes, below one em.
    EXPECT_NEAR(top(smallMesh), top(largeMesh), 1e-3);
    EXPECT_GT(top(largeMesh), 0.5f);
    EXPECT_LT(top(largeMesh), 1.0f);
    EXPECT_NEAR(AdvanceOf(small), AdvanceOf(large), 1e-3);
    ::SelectObject(g_gl.dc, m_font);
    ::DeleteObject(big);
}

TEST_F(GlyphGL, DestroyCurrentDeletesEveryGlyphList)
{
    CGlyphLine line;
    ASSERT_TRUE(line.Build(g_gl.dc, "xyz", kDepth));
    const GLuint limit = line.m_nList + 64;
    line.Delete();
    EXPECT_EQ(LiveLists(limit).size(), 3u) << "the current font's glyphs stay built";
    CGlyphCache::DestroyCurrent();
    EXPECT_TRUE(LiveLists(limit).empty());
    EXPECT_EQ(CGlyphCache::Current(false), nullptr);
}

TEST_F(GlyphGL, RenderedGlyphShowsLitPixelsFromFrontAndBack)
{
    // The screen's look: perspective camera, one light, back faces culled.
    const GLuint list = Glyph(0x82A0);  // hiragana a
    ASSERT_NE(list, 0u);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, static_cast<double>(kWidth) / kHeight, 0.1, 1000.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1}, white[4] = {1, 1, 1, 1}, position[4] = {0, 0, 1, 0};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, white);

    auto draw = [&](float turn, const char* name) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
        glRotatef(turn, 0, 1, 0);
        glTranslatef(-0.5f, -0.4f, kDepth / 2);
        glCallList(list);
        glFinish();
        std::vector<unsigned char> pixels(kWidth * kHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        Shot(name);
        int lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 3)
            lit += pixels[i] > 128 && pixels[i + 1] > 128 && pixels[i + 2] > 128;
        return lit;
    };
    const int front = draw(0, "glyph_front");
    const int back = draw(180, "glyph_back");
    const int side = draw(90, "glyph_side");
    // The glyph covers a good part of a 400 x 300 view from 3 em away.
    EXPECT_GT(front, 2000);
    // Seen from behind, the back face (mirror image, same area) is lit as brightly.
    EXPECT_NEAR(back, front, front * 0.1);
    // Edge on, the walls facing the camera show, lit: they face outwards and run the right way round.
    EXPECT_GT(side, 500);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}

TEST_F(GlyphGL, ScreenLikeLineLooksRight)
{
    // A line as the screen lays it out, for a look at smoothness and walls (see VX_GLYPH_SHOT).
    CGlyphLine& line = Line("C:\\> dir \x82\xA0\x82\xA2\x82\xA4 \xB1\xB2\xB3 @Og");
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, static_cast<double>(kWidth) / kHeight, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1}, white[4] = {1, 1, 1, 1}, position[4] = {1, 1, 1, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    gluLookAt(0, 0, 20, 0, 0, 0, 0, 1, 0);
    glClearColor(0, 0, 0.3f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, white);
    glTranslatef(-12.0f, -5.0f, 0.0f);
    glRotatef(-40.0f, 1, 0, 0);
    for (int row = 0; row < 8; ++row) {
        glPushMatrix();
        glTranslatef(0, static_cast<float>(row), 0);
        glCallList(line.GetList());
        glPopMatrix();
    }
    glFinish();
    std::vector<unsigned char> pixels(kWidth * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    Shot("glyph_screen");
    int lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 3)
        lit += pixels[i] > 100;
    EXPECT_GT(lit, 1000);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}
