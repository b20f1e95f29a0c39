#pragma once
// CGlyphLine: one screen line as OpenGL display lists of extruded glyphs.
//
// A record names a line list (m_nList) that calls m_nGlyphCount consecutive per-character lists
// starting at m_nGlyphBase, and holds the glyph cache's list of each character and where each starts
// along the line, so that a frame can call only the characters that reach the window. Copying a record
// copies the names and shares the rest; only one copy may be deleted.
// The lists belong to the rendering context that was current when Build ran: Build and Delete need that
// context current on the calling thread. Destroying a record does no GL work.
#include <windows.h>

#include <GL/gl.h>

#include <memory>
#include <vector>

#include "screen/VisibleGlyphs.h"

class CGlyphLine {
public:
    // Number of characters of a NUL-terminated Shift-JIS text: a byte in 0x81-0x9F or 0xE0-0xFC and the
    // byte after it count as one.
    static int CountChars(const char* text);
    // Fills an empty record with the lists for `text`, drawn in the font selected into `dc`, each glyph
    // extruded by `extrusion` (em units), one em high, each per-character list ending with the move by
    // the glyph's advance. FALSE (and an empty record) on failure.
    BOOL Build(HDC dc, const char* text, float extrusion);
    // The same line with no lists of its own per character: its line list calls the glyph cache's lists
    // directly (m_nGlyphBase stays 0), which takes a fraction of the time to build. For lines shown for
    // a moment, as the scrollback's view shows them.
    BOOL BuildOnCache(HDC dc, const char* text, float extrusion);
    void Delete();
    GLuint GetList() const { return m_nList; }
    // Draws the characters whose solids, of the extent `box`, can reach the window (all of them by the
    // line list when they all can), `clip` carrying the line's coordinates to the clip volume. Needs the
    // context current.
    void DrawVisible(const double clip[16], const visible::GlyphBox& box) const;
    // The same for characters [first, end) only, drawn where they stand in the line.
    void DrawRun(const double clip[16], const visible::GlyphBox& box, int first, int end) const;
    // m_nGlyphCount + 1 positions along the line (em): character i spans [starts[i], starts[i + 1]). Null
    // for an empty record. Shared, so that a frame can go on drawing a record replaced meanwhile.
    const std::shared_ptr<const std::vector<float>>& GetStarts() const { return m_starts; }

    GLuint m_nList = 0;
    GLuint m_nGlyphBase = 0;
    int m_nGlyphCount = 0;

private:
    // Takes the glyph cache's lists for the m_nGlyphCount characters of `text` under `owner`, and notes
    // them and where each character starts.
    BOOL AcquireGlyphs(HDC dc, const char* text, float extrusion, GLuint owner);
    // Calls the cache's lists of the characters of `range` (within the line), from where the first starts.
    void CallRun(const visible::GlyphRange& range) const;

    std::shared_ptr<const std::vector<float>> m_starts;
    std::shared_ptr<const std::vector<GLuint>> m_glyphs;  // the cache's list of each character
};
