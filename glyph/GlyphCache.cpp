#include "glyph/GlyphCache.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace glyph {

GLuint CompileGlyphList(const GlyphMesh& mesh, float advance)
{
    const GLuint list = glGenLists(kNamesPerGlyph);
    if (list == 0)
        return 0;
    // The solid goes into the lists from arrays, positions and normals interleaved (three floats each),
    // as runs of separate triangles: one primitive is cheapest to draw, and walls as quads or strips in
    // the same list as triangles are lost by some GL implementations in feedback mode. The walls carry
    // a normal at each vertex, so that flattened curves shade smoothly. The back face is a run of its
    // own, so that the second name can leave it out.
    thread_local std::vector<GLfloat> vertices;
    vertices.clear();
    auto put = [](Vec2 p, float z, float nx, float ny, float nz) {
        vertices.insert(vertices.end(), {p.x, p.y, z, nx, ny, nz});
    };
    const float back = -mesh.depth;
    for (const Vec2& v : mesh.face)
        put(v, 0.0f, 0.0f, 0.0f, 1.0f);
    if (mesh.depth > 0.0f) {
        for (const SideQuad& s : mesh.sides) {
            put(s.a, 0.0f, s.nax, s.nay, 0.0f);
            put(s.b, 0.0f, s.nbx, s.nby, 0.0f);
            put(s.b, back, s.nbx, s.nby, 0.0f);
            put(s.a, 0.0f, s.nax, s.nay, 0.0f);
            put(s.b, back, s.nbx, s.nby, 0.0f);
            put(s.a, back, s.nax, s.nay, 0.0f);
        }
    }
    const GLsizei frontAndWalls = static_cast<GLsizei>(vertices.size() / 6);
    if (mesh.depth > 0.0f) {
        // The back face: the same triangles turned over.
        for (size_t i = mesh.face.size(); i > 0; --i)
            put(mesh.face[i - 1], back, 0.0f, 0.0f, -1.0f);
    }
    const GLsizei backFace = static_cast<GLsizei>(vertices.size() / 6) - frontAndWalls;
    // The array state is the client's, not the lists': it is set around the compilation and restored.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 6 * sizeof(GLfloat), vertices.data());
    glNormalPointer(GL_FLOAT, 6 * sizeof(GLfloat), vertices.data() + 3);
    glNewList(list + 1, GL_COMPILE);
    if (frontAndWalls > 0)
        glDrawArrays(GL_TRIANGLES, 0, frontAndWalls);
    glTranslatef(advance, 0.0f, 0.0f);
    glEndList();
    glNewList(list, GL_COMPILE);
    if (backFace > 0)
        glDrawArrays(GL_TRIANGLES, frontAndWalls, backFace);
    glCallList(list + 1);
    glEndList();
    glPopClientAttrib();
    return list;
}

}  // namespace glyph

namespace {

// The caches of all contexts. Contexts are few, so a short list searched in order will do.
std::mutex g_registryLock;
std::vector<std::pair<HGLRC, std::unique_ptr<CGlyphCache>>>& Registry()
{
    static std::vector<std::pair<HGLRC, std::unique_ptr<CGlyphCache>>> registry;
    return registry;
}

// The font's description as a cache key: the face name zero-filled after its end, so that equal fonts
// compare equal byte for byte.
LOGFONTA KeyOf(const LOGFONTA& lf)
{
    LOGFONTA key = lf;
    const size_t len = strnlen(lf.lfFaceName, LF_FACESIZE - 1);
    std::memset(key.lfFaceName, 0, LF_FACESIZE);
    std::memcpy(key.lfFaceName, lf.lfFaceName, len);
    return key;
}

// Design sizes outside this range are treated as damaged metrics.
constexpr UINT kMinEm = 16;
constexpr UINT kMaxEm = 16384;
constexpr UINT kFallbackEm = 2048;
constexpr size_t kInitialOutlineBuffer = 16384;

}  // namespace

CGlyphCache* CGlyphCache::Current(bool create)
{
    const HGLRC rc = wglGetCurrentContext();
    if (rc == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(g_registryLock);
    auto& registry = Registry();
    for (auto& entry : registry) {
        if (entry.first == rc)
            return entry.second.get();
    }
    if (!create)
        return nullptr;
    registry.emplace_back(rc, std::unique_ptr<CGlyphCache>(new CGlyphCache));
    return registry.back().second.get();
}

void CGlyphCache::DestroyCurrent()
{
    const HGLRC rc = wglGetCurrentContext();
    if (rc == nullptr)
        return;
    std::unique_ptr<CGlyphCache> cache;
    {
        std::lock_guard<std::mutex> lock(g_registryLock);
        auto& registry = Registry();
        for (auto it = registry.begin(); it != registry.end(); ++it) {
            if (it->first == rc) {
                cache = std::move(it->second);
                registry.erase(it);
                break;
            }
        }
    }
    if (cache)
        cache->DeleteAll();
}

CGlyphCache::~CGlyphCache()
{
    // GDI objects only: the lists went with DeleteAll, or with their context.
    for (auto& font : m_fonts) {
        if (font->hOutline != nullptr)
            ::DeleteObject(font->hOutline);
    }
}

void CGlyphCache::DeleteAll()
{
    for (auto& font : m_fonts) {
        for (Glyph& g : font->single) {
            if (g.list != 0)
                glDeleteLists(g.list, glyph::kNamesPerGlyph);
        }
        for (auto& entry : font->dbcs) {
            if (entry.second.list != 0)
                glDeleteLists(entry.second.list, glyph::kNamesPerGlyph);
        }
        if (font->hOutline != nullptr)
            ::DeleteObject(font->hOutline);
    }
    m_fonts.clear();
    m_lines.clear();
    m_pCurrentFont = nullptr;
}

int CGlyphCache::GlyphListCount() const
{
    int n = 0;
    for (const auto& font : m_fonts) {
        for (const Glyph& g : font->single)
            n += g.list != 0;
        for (const auto& entry : font->dbcs)
            n += entry.second.list != 0;
    }
    return n;
}

CGlyphCache::Font* CGlyphCache::FindFont(const LOGFONTA& lf, float extrusion)
{
    for (auto& font : m_fonts) {
        if (font->extrusion == extrusion && std::memcmp(&font->lf, &lf, sizeof lf) == 0)
            return font.get();
    }
    m_fonts.emplace_back(new Font);
    Font* font = m_fonts.back().get();
    font->lf = lf;
    font->extrusion = extrusion;
    return font;
}

void CGlyphCache::MakeCurrentFont(Font* font)
{
    if (font == m_pCurrentFont)
        return;
    Font* previous = m_pCurrentFont;
    m_pCurrentFont = font;
    if (previous != nullptr)
        Sweep(previous);
}

void CGlyphCache::Sweep(Font* font)
{
    for (Glyph& g : font->single) {
        if (g.refs == 0 && g.list != 0) {
            glDeleteLists(g.list, glyph::kNamesPerGlyph);
            g.list = 0;
        }
    }
    for (auto it = font->dbcs.begin(); it != font->dbcs.end();) {
        if (it->second.refs == 0) {
            if (it->second.list != 0)
                glDeleteLists(it->second.list, glyph::kNamesPerGlyph);
            it = font->dbcs.erase(it);
        } else {
            ++it;
        }
    }
    if (font->refs == 0) {
        for (auto it = m_fonts.begin(); it != m_fonts.end(); ++it) {
            if (it->get() == font) {
                if (font->hOutline != nullptr)
                    ::DeleteObject(font->hOutline);
                m_fonts.erase(it);
                break;
            }
        }
    }
}

BOOL CGlyphCache::PrepareOutlineFont(HDC dc, Font& font)
{
    if (font.hOutline != nullptr)
        return TRUE;
    // Outlines come from a copy of the font made at its design size, where they are exact and need no
    // hinting; dividing by that size makes every glyph one em high whatever the screen font's height.
    UINT em = kFallbackEm;
    const UINT otmSize = ::GetOutlineTextMetricsA(dc, 0, nullptr);
    if (otmSize >= sizeof(OUTLINETEXTMETRICA)) {
        std::vector<unsigned char> otm(otmSize);
        OUTLINETEXTMETRICA* metrics = reinterpret_cast<OUTLINETEXTMETRICA*>(otm.data());
        if (::GetOutlineTextMetricsA(dc, otmSize, metrics) != 0 && metrics->otmEMSquare >= kMinEm &&
            metrics->otmEMSquare <= kMaxEm)
            em = metrics->otmEMSquare;
    }
    LOGFONTA big = font.lf;
    big.lfHeight = -static_cast<LONG>(em);
    if (font.lf.lfWidth != 0) {
        // Keep a condensed or widened font's proportions.
        TEXTMETRICA tm;
        LONG pixels = 0;
        if (::GetTextMetricsA(dc, &tm))
            pixels = tm.tmHeight - tm.tmInternalLeading;
        big.lfWidth = pixels > 0 ? ::MulDiv(font.lf.lfWidth, static_cast<int>(em), pixels) : 0;
    }
    font.hOutline = ::CreateFontIndirectA(&big);
    if (font.hOutline == nullptr)
        return FALSE;
    font.scale = 1.0f / static_cast<float>(em);
    return TRUE;
}

GLuint CGlyphCache::BuildGlyph(HDC dc, const Font& font, unsigned code)
{
    // The code is a code-page-932 character whatever the font's own character set: turn it into its
    // UTF-16 unit here rather than let the system read it in the font's code page.
    char bytes[2];
    int len = 0;
    if (code > 0xFF)
        bytes[len++] = static_cast<char>(code >> 8);
    bytes[len++] = static_cast<char>(code & 0xFF);
    WCHAR wide[2] = {0, 0};
    if (::MultiByteToWideChar(932, 0, bytes, len, wide, 2) < 1)
        return 0;

    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const UINT format = GGO_NATIVE | GGO_UNHINTED;
    GLYPHMETRICS gm;
    if (m_buffer.size() < kInitialOutlineBuffer)
        m_buffer.resize(kInitialOutlineBuffer);
    // One call for most glyphs; a glyph whose outline does not fit is asked for its size first.
    DWORD size = ::GetGlyphOutlineW(dc, wide[0], format, &gm, static_cast<DWORD>(m_buffer.size()),
                                    m_buffer.data(), &identity);
    if (size == GDI_ERROR) {
        size = ::GetGlyphOutlineW(dc, wide[0], format, &gm, 0, nullptr, &identity);
        if (size == GDI_ERROR)
            return 0;
        if (size > 0) {
            m_buffer.resize(size);
            size = ::GetGlyphOutlineW(dc, wide[0], format, &gm, size, m_buffer.data(), &identity);
            if (size == GDI_ERROR)
                return 0;
        }
    }
    // A blank has no outline: its list only moves the origin.
    if (!glyph::ParseNativeOutline(m_buffer.data(), size, font.scale, m_outline))
        return 0;
    glyph::FlattenOutline(m_outline, glyph::kFlatness, m_polygon);
    if (!glyph::BuildExtrudedMesh(m_polygon, font.extrusion, m_triangulator, m_mesh))
        return 0;
    m_fLastAdvance = static_cast<float>(gm.gmCellIncX) * font.scale;
    const GLuint list = glyph::CompileGlyphList(m_mesh, m_fLastAdvance);
    if (list != 0)
        ++m_nBuilt;
    return list;
}

BOOL CGlyphCache::Acquire(HDC dc, float extrusion, const unsigned* codes, int count, GLuint owner,
                          GLuint* lists, float* advances)
{
    if (dc == nullptr || owner == 0 || count < 0 || (count > 0 && (codes == nullptr || lists == nullptr)))
        return FALSE;
    LOGFONTA lf;
    const HGDIOBJ current = ::GetCurrentObject(dc, OBJ_FONT);
    if (current == nullptr || ::GetObjectA(current, sizeof lf, &lf) != sizeof lf)
        return FALSE;
    Font* font = FindFont(KeyOf(lf), extrusion);
    MakeCurrentFont(font);

    // A stale entry under the same name (its lists deleted without Release) holds nothing any more.
    Release(owner);
    Line line{font, {}};
    line.glyphs.reserve(static_cast<size_t>(count));

    HGDIOBJ previousFont = nullptr;
    BOOL ok = TRUE;
    for (int i = 0; i < count; ++i) {
        const unsigned code = codes[i];
        if (code > 0xFFFF) {
            ok = FALSE;
            break;
        }
        Glyph* g = code <= 0xFF ? &font->single[code] : &font->dbcs[code];
        if (g->list == 0) {
            if (previousFont == nullptr) {
                if (!PrepareOutlineFont(dc, *font) ||
                    (previousFont = ::SelectObject(dc, font->hOutline)) == nullptr) {
                    ok = FALSE;
                    break;
                }
            }
            g->list = BuildGlyph(dc, *font, code);
            if (g->list == 0) {
                ok = FALSE;
                break;
            }
            g->advance = m_fLastAdvance;
        }
        ++g->refs;
        line.glyphs.push_back(g);
        lists[i] = g->list;
        if (advances != nullptr)
            advances[i] = g->advance;
    }
    if (previousFont != nullptr)
        ::SelectObject(dc, previousFont);

    font->refs += static_cast<int>(line.glyphs.size());
    m_lines.emplace(owner, std::move(line));
    if (!ok) {
        // Give back what was taken; the font stays current, so its glyphs stay built.
        Release(owner);
        // Slots made for codes that could not be built hold nothing.
        for (auto it = font->dbcs.begin(); it != font->dbcs.end();) {
            if (it->second.list == 0 && it->second.refs == 0)
                it = font->dbcs.erase(it);
            else
                ++it;
        }
        return FALSE;
    }
    return TRUE;
}

void CGlyphCache::Release(GLuint owner)
{
    auto it = m_lines.find(owner);
    if (it == m_lines.end())
        return;
    Line line = std::move(it->second);
    m_lines.erase(it);
    for (Glyph* g : line.glyphs)
        --g->refs;
    line.font->refs -= static_cast<int>(line.glyphs.size());
    // The current font keeps its glyphs for the next line; an older font's go with their last user.
    if (line.font != m_pCurrentFont)
        Sweep(line.font);
}
