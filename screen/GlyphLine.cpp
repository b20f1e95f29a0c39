#include "screen/GlyphLine.h"

#include <vector>

#include "glyph/GlyphCache.h"
#include "glyph/ShiftJis.h"

int CGlyphLine::CountChars(const char* text) { return glyph::CountSjisChars(text); }

BOOL CGlyphLine::AcquireGlyphs(HDC dc, const char* text, float extrusion, GLuint owner)
{
    std::vector<unsigned> codes(static_cast<size_t>(m_nGlyphCount));
    auto glyphs = std::make_shared<std::vector<GLuint>>(codes.size());
    std::vector<float> advances(codes.size());
    const char* p = text;
    for (unsigned& code : codes)
        p = glyph::NextSjisChar(p, &code);
    CGlyphCache* cache = CGlyphCache::Current();
    if (cache == nullptr ||
        !cache->Acquire(dc, extrusion, codes.data(), m_nGlyphCount, owner, glyphs->data(), advances.data()))
        return FALSE;
    auto starts = std::make_shared<std::vector<float>>(codes.size() + 1, 0.0f);
    for (size_t i = 0; i < advances.size(); ++i)
        (*starts)[i + 1] = (*starts)[i] + advances[i];
    m_starts = std::move(starts);
    m_glyphs = std::move(glyphs);
    return TRUE;
}

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
    // The glyph references are held under the first per-character list name, which is this line's alone.
    if (!AcquireGlyphs(dc, text, extrusion, m_nGlyphBase)) {
        Delete();
        return FALSE;
    }
    // By glCallLists, so that the list base in effect when the line is drawn picks the glyph's variant.
    for (int i = 0; i < m_nGlyphCount; ++i) {
        glNewList(m_nGlyphBase + i, GL_COMPILE);
        glCallLists(1, GL_UNSIGNED_INT, m_glyphs->data() + i);
        glEndList();
    }
    glNewList(m_nList, GL_COMPILE);
    for (int i = 0; i < m_nGlyphCount; ++i)
        glCallList(m_nGlyphBase + i);
    glEndList();
    return TRUE;
}

BOOL CGlyphLine::BuildOnCache(HDC dc, const char* text, float extrusion)
{
    m_nGlyphCount = CountChars(text);
    m_nList = m_nGlyphCount > 0 ? glGenLists(1) : 0;
    // The glyph references are held under the line list's name, which is this line's alone.
    if (m_nList == 0 || !AcquireGlyphs(dc, text, extrusion, m_nList)) {
        Delete();
        return FALSE;
    }
    glNewList(m_nList, GL_COMPILE);
    glCallLists(m_nGlyphCount, GL_UNSIGNED_INT, m_glyphs->data());
    glEndList();
    return TRUE;
}

void CGlyphLine::Delete()
{
    CGlyphCache* cache = CGlyphCache::Current(false);
    if (m_nList != 0) {
        // A line built on the cache holds its glyphs under its line list's name.
        if (m_nGlyphBase == 0 && m_glyphs != nullptr && cache != nullptr)
            cache->Release(m_nList);
        glDeleteLists(m_nList, 1);
        m_nList = 0;
    }
    if (m_nGlyphBase != 0) {
        if (cache != nullptr)
            cache->Release(m_nGlyphBase);
        if (m_nGlyphCount > 0)
            glDeleteLists(m_nGlyphBase, m_nGlyphCount);
        m_nGlyphBase = 0;
    }
    // Also after a Build that failed before it had per-character lists: an empty record counts nothing.
    m_nGlyphCount = 0;
    m_starts.reset();
    m_glyphs.reset();
}

void CGlyphLine::DrawVisible(const double clip[16], const visible::GlyphBox& box) const
{
    const int count = m_starts != nullptr && m_glyphs != nullptr ? m_nGlyphCount : 0;
    const visible::GlyphRange range =
        count > 0 ? visible::VisibleGlyphs(clip, m_starts->data(), count, box) : visible::GlyphRange{0, 0};
    if (range.first == 0 && range.end == count) {
        glCallList(m_nList);
        return;
    }
    CallRun(range);
}

void CGlyphLine::DrawRun(const double clip[16], const visible::GlyphBox& box, int first, int end) const
{
    const int count = m_starts != nullptr && m_glyphs != nullptr ? m_nGlyphCount : 0;
    visible::GlyphRange range =
        count > 0 ? visible::VisibleGlyphs(clip, m_starts->data(), count, box) : visible::GlyphRange{0, 0};
    range.first = range.first > first ? range.first : first;
    range.end = range.end < end ? range.end : end;
    CallRun(range);
}

void CGlyphLine::CallRun(const visible::GlyphRange& range) const
{
    if (range.Empty())
        return;
    // The run from where it starts, by the cache's glyph lists, each of which ends with its advance.
    glPushMatrix();
    glTranslatef((*m_starts)[static_cast<size_t>(range.first)], 0.0f, 0.0f);
    glCallLists(range.end - range.first, GL_UNSIGNED_INT, m_glyphs->data() + range.first);
    glPopMatrix();
}
