#include "screen/GlyphLine.h"

#include <vector>

#include "glyph/GlyphCache.h"
#include "glyph/ShiftJis.h"

int CGlyphLine::CountChars(const char* text) { return glyph::CountSjisChars(text); }

BOOL CGlyphLine::Build(HDC dc, const char* text, float extrusion)
{
    m_nGlyphCount = CountChars(text);
    m_nList = glGenLists(1);
    if (m_nList == 0) {
        Delete();
        return FALSE;
    }
    // No names for an empty text either: a line without characters has nothing to draw.
    m_nGlyphBase = m_nGlyphCount > 0 ? glGenLists(m_nGlyphCount) : 0;
    if (m_nGlyphBase == 0) {
        Delete();
        return FALSE;
    }

    std::vector<unsigned> codes(static_cast<size_t>(m_nGlyphCount));
    std::vector<GLuint> glyphs(codes.size());
    const char* p = text;
    for (unsigned& code : codes)
        p = glyph::NextSjisChar(p, &code);

    // The glyph references are held under the first per-character list name, which is this line's alone.
    CGlyphCache* cache = CGlyphCache::Current();
    if (cache == nullptr ||
        !cache->Acquire(dc, extrusion, codes.data(), m_nGlyphCount, m_nGlyphBase, glyphs.data())) {
        Delete();
        return FALSE;
    }
    for (int i = 0; i < m_nGlyphCount; ++i) {
        glNewList(m_nGlyphBase + i, GL_COMPILE);
        glCallList(glyphs[i]);
        glEndList();
    }
    glNewList(m_nList, GL_COMPILE);
    for (int i = 0; i < m_nGlyphCount; ++i)
        glCallList(m_nGlyphBase + i);
    glEndList();
    return TRUE;
}

void CGlyphLine::Delete()
{
    if (m_nList != 0) {
        glDeleteLists(m_nList, 1);
        m_nList = 0;
    }
    if (m_nGlyphBase != 0) {
        if (CGlyphCache* cache = CGlyphCache::Current(false))
            cache->Release(m_nGlyphBase);
        if (m_nGlyphCount > 0)
            glDeleteLists(m_nGlyphBase, m_nGlyphCount);
        m_nGlyphBase = 0;
    }
    // Also after a Build that failed before it had per-character lists: an empty record counts nothing.
    m_nGlyphCount = 0;
}
