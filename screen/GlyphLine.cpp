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
    std::vector<float> advances(codes.size());
    const char* p = text;
    for (unsigned& code : codes)
        p = glyph::NextSjisChar(p, &code);

    // The glyph references are held under the first per-character list name, which is this line's alone.
    CGlyphCache* cache = CGlyphCache::Current();
    if (cache == nullptr ||
        !cache->Acquire(dc, extrusion, codes.data(), m_nGlyphCount, m_nGlyphBase, glyphs.data(),
                        advances.data())) {
        Delete();
        return FALSE;
    }
    auto starts = std::make_shared<std::vector<float>>(codes.size() + 1, 0.0f);
    for (size_t i = 0; i < advances.size(); ++i)
        (*starts)[i + 1] = (*starts)[i] + advances[i];
    m_starts = std::move(starts);
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
    m_starts.reset();
}

void CGlyphLine::DrawVisible(const double clip[16], const visible::GlyphBox& box) const
{
    const int count = m_starts != nullptr && m_nGlyphBase != 0 ? m_nGlyphCount : 0;
    const visible::GlyphRange range =
        count > 0 ? visible::VisibleGlyphs(clip, m_starts->data(), count, box) : visible::GlyphRange{0, 0};
    if (range.first == 0 && range.end == count) {
        glCallList(m_nList);
        return;
    }
    if (range.Empty())
        return;
    // One call for the run from where it starts: the per-character lists have consecutive names.
    thread_local std::vector<GLuint> offsets;
    const size_t n = static_cast<size_t>(range.end - range.first);
    while (offsets.size() < n)
        offsets.push_back(static_cast<GLuint>(offsets.size()));
    glPushMatrix();
    glTranslatef((*m_starts)[static_cast<size_t>(range.first)], 0.0f, 0.0f);
    glListBase(m_nGlyphBase + static_cast<GLuint>(range.first));
    glCallLists(static_cast<GLsizei>(n), GL_UNSIGNED_INT, offsets.data());
    glListBase(0);
    glPopMatrix();
}
