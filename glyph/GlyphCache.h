#pragma once
// CGlyphCache: the screen's font-outline service. Builds one display list per (font, character code)
// holding the glyph's extruded solid, one em high, followed by the move by the glyph's advance, and
// shares it among all lines of one rendering context.
//
// Calling rules:
// - A cache belongs to one rendering context; every call is made with that context current on the
//   calling thread. A context is current on one thread at a time, so a cache needs no lock of its own.
// - Lines take references with Acquire (under a name of their own, e.g. their first list name) and drop
//   them with Release before their lists are deleted. A glyph list lives while a line references it;
//   the glyphs of the font used last stay built for the next line even without references.
// - Before a context is deleted, DestroyCurrent (context current) deletes its glyph lists and forgets
//   the cache; a new context that happens to get the same handle then starts with an empty cache.
#include <windows.h>

#include <GL/gl.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "glyph/ExtrudedMesh.h"
#include "glyph/GluTriangulator.h"
#include "glyph/Outline.h"

namespace glyph {

// Largest distance of a flattened curve from the true outline, in em units: smooth at the sizes the
// screen shows text, with few triangles.
constexpr float kFlatness = 1.0f / 64.0f;

// A glyph takes two consecutive list names. The first draws the whole solid and then moves the origin by
// the glyph's advance along x; the second does the same without the back face, which no eye in front of
// the back face's plane can see. Lines call glyphs by glCallLists, which adds the list base: with the
// base at 1 they draw the glyphs without their back faces.
constexpr GLsizei kNamesPerGlyph = 2;
constexpr GLuint kWithoutBackFace = 1;

// Compiles `mesh` into kNamesPerGlyph new display lists as above, the advance being `advance`. Returns
// the first name, or 0 when no name is left. Needs a current context; not while compiling.
GLuint CompileGlyphList(const GlyphMesh& mesh, float advance);

}  // namespace glyph

class CGlyphCache {
public:
    // The cache of the context current on the calling thread, made on first use when `create` is set;
    // null when no context is current (or it has no cache and `create` is not set).
    static CGlyphCache* Current(bool create = true);
    // Deletes every glyph list of the current context's cache, then the cache. Lines that still hold
    // references keep their own lists, but their glyphs are gone: delete the lines first.
    static void DestroyCurrent();

    ~CGlyphCache();
    CGlyphCache(const CGlyphCache&) = delete;
    CGlyphCache& operator=(const CGlyphCache&) = delete;

    // Glyph lists for codes[0..count) in the font selected into `dc`, each glyph extruded by `extrusion`
    // em: lists[i] receives the list for codes[i]. A code is a code-page-932 character: a byte value, or
    // lead * 256 + trail. Takes one reference per code under `owner` (non-zero, unique among the lines
    // holding references). Glyphs not built yet are built now. When `advances` is given, advances[i]
    // receives how far the list for codes[i] moves the origin (em). FALSE when the font cannot be read or
    // outlined or no list name is left; no reference is then kept.
    BOOL Acquire(HDC dc, float extrusion, const unsigned* codes, int count, GLuint owner, GLuint* lists,
                 float* advances = nullptr);
    // Drops every reference taken under `owner`; unknown owners are ignored.
    void Release(GLuint owner);

    // Inspection, for tests and measurements.
    int GlyphListCount() const;
    int FontCount() const { return static_cast<int>(m_fonts.size()); }
    int LineCount() const { return static_cast<int>(m_lines.size()); }
    unsigned BuildCount() const { return m_nBuilt; }
    // The solid and advance of the glyph built last.
    const glyph::GlyphMesh& LastMesh() const { return m_mesh; }
    float LastAdvance() const { return m_fLastAdvance; }

private:
    struct Glyph {
        GLuint list = 0;
        int refs = 0;
        float advance = 0.0f;
    };
    // One font at one extrusion depth.
    struct Font {
        LOGFONTA lf;
        float extrusion = 0.0f;
        Glyph single[256];
        std::unordered_map<unsigned, Glyph> dbcs;  // nodes never move, so Glyph pointers stay valid
        int refs = 0;
        HFONT hOutline = nullptr;  // the same face at its design size, made at the first cold glyph
        float scale = 0.0f;        // em units per pixel of hOutline
    };
    struct Line {
        Font* font;
        std::vector<Glyph*> glyphs;
    };

    CGlyphCache() = default;
    Font* FindFont(const LOGFONTA& lf, float extrusion);
    void MakeCurrentFont(Font* font);
    // Deletes the lists of `font` that no line references; forgets the font when nothing is left.
    void Sweep(Font* font);
    BOOL PrepareOutlineFont(HDC dc, Font& font);
    // Builds the list of one glyph; the font's outline font is selected into `dc`.
    GLuint BuildGlyph(HDC dc, const Font& font, unsigned code);
    void DeleteAll();

    std::vector<std::unique_ptr<Font>> m_fonts;
    Font* m_pCurrentFont = nullptr;
    std::unordered_map<GLuint, Line> m_lines;
    unsigned m_nBuilt = 0;
    float m_fLastAdvance = 0.0f;

    // Working storage, kept between glyphs so that building allocates little.
    std::vector<unsigned char> m_buffer;
    glyph::Outline m_outline;
    glyph::Polygon m_polygon;
    glyph::GlyphMesh m_mesh;
    glyph::CGluTriangulator m_triangulator;
};
