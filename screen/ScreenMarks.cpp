// CScreenWnd's find and picked lines: searching the scrollback and moving the view to what is found,
// picking the line under the pointer through the last frame's own matrices, the selection and its copy,
// and the marks a frame draws for both. On the user-interface thread, which owns the find and the
// selection; the store is read with m_lock held.
#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "screen/ClipboardText.h"
#include "screen/HistoryFind.h"
#include "screen/Highlight.h"
#include "screen/ScreenContext.h"
#include "screen/ScreenWnd.h"
#include "screen/VisibleGlyphs.h"

namespace {

// A picked line spans, in its own coordinates, from a little below its baseline to an em above that, and
// a little past its first and last characters.
constexpr double kPickRowBottom = -0.25;
constexpr double kPickSlack = 0.25;
// The band behind a selected line: the same span, a little behind the glyphs' extruded backs so that
// they stand on it.
constexpr float kBandBehind = 0.02f;

void Material(COLORREF c) {
    const GlRgb rgb = ToGl(c);
    const GLfloat material[4] = {rgb.r, rgb.g, rgb.b, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, material);
}

}  // namespace

const std::vector<std::size_t>& CScreenWnd::FindMatches(const std::string& needle) {
    const ScrollHistory& history = m_store.history;
    const std::size_t rows = history.RowCount();
    // Rows only ever come at the end and go from the front, and the newest one only grows: the first
    // row's number, the count of rows and of bytes tell whether the history is the one scanned.
    FindCache key{needle, rows > 0 ? history.RowNumber(0) : 0, rows, history.Bytes(), {}};
    if (!m_bFindCached || key.needle != m_findCache.needle || key.first != m_findCache.first ||
        key.rows != m_findCache.rows || key.bytes != m_findCache.bytes) {
        key.matches = MatchingRows(history, needle);
        m_findCache = std::move(key);
        m_bFindCached = true;
    }
    return m_findCache.matches;
}

CScreenWnd::FindResult CScreenWnd::Find(const std::string& needle, bool older) {
    ScreenLock lock(*this);
    ScrollHistory& history = m_store.history;
    FindResult result;
    const std::size_t rows = history.RowCount();
    m_strFind = needle;
    AskFrame();  // the marks change with the text
    if (needle.empty() || rows == 0) return result;
    const std::vector<std::size_t>& matches = FindMatches(needle);
    // On from the row found last, while it is the same text and that row is still held; else from the
    // view's nearest row (older) or its farthest (newer), which is searched too.
    const std::uint64_t first = history.RowNumber(0);
    std::optional<std::size_t> at;
    if (needle == m_strFound && m_nFoundRow >= first && m_nFoundRow - first < rows) {
        at = NearestMatch(matches, static_cast<std::size_t>(m_nFoundRow - first), older, false);
    } else {
        const std::size_t nearest = rows - 1 - static_cast<std::size_t>(history.Offset());
        const std::size_t inView = history.ViewLines().size();
        at = NearestMatch(matches, older ? nearest : nearest + 1 - (inView > 0 ? inView : 1), older, true);
    }
    // Round past the end in this direction, on from the other end.
    if (!at && !matches.empty()) at = older ? matches.size() - 1 : 0;
    if (!at) {
        m_strFound.clear();
        return result;
    }
    const std::size_t row = matches[*at];
    result = {true, *at + 1, matches.size()};
    m_strFound = needle;
    m_nFoundRow = history.RowNumber(row);
    const long long target = static_cast<long long>(rows - 1 - row) - kFindRowsFromNearest;
    history.ScrollBack(std::max(0LL, target) - history.Offset());
    return result;
}

void CScreenWnd::EndFind() {
    if (m_strFind.empty()) return;
    ScreenLock lock(*this);
    m_strFind.clear();
    AskFrame();
}

bool CScreenWnd::PickLine(POINT pt, bool extend) {
    ScreenLock lock(*this);
    int record = -1;
    // Over the line that tells how many lines lie below the view, nothing of the plane shows.
    const bool onBar = m_shown.nBelow > 0 && pt.y >= m_pickViewport[3] - kBelowBarPixels;
    if (m_bPickValid && m_bShownValid && !onBar) {
        // The window point at the pixel's centre, counted from the bottom as GL counts it.
        const double wx = pt.x + 0.5, wy = m_pickViewport[3] - (pt.y + 0.5);
        double x = 0.0, y = 0.0;
        if (visible::PointOnPlane(m_pickClip, m_pickViewport, wx, wy, x, y)) {
            // Line r lies r units along the plane from the newest record's: record nNewest - r.
            double widths[kLineRecords] = {};
            const int lines = m_shown.nNewest + 1;
            for (int r = 0; r < lines; ++r) {
                const auto& starts = m_shown.records[m_shown.nNewest - r].GetStarts();
                // A record without characters is no line: nothing can be hit there.
                widths[r] = starts != nullptr && starts->size() > 1 ? static_cast<double>(starts->back()) : -1e9;
            }
            const int r = visible::RowAt(x, y, widths, lines, kPickRowBottom, kPickSlack);
            if (r >= 0) record = m_shown.nNewest - r;
        }
    }
    if (record < 0) {
        if (m_bSelection) AskFrame();
        m_bSelection = false;
        return false;
    }
    const std::uint64_t number = m_shown.newestNumber - static_cast<std::uint64_t>(m_shown.nNewest - record);
    if (!extend || !m_bSelection) m_nSelAnchor = number;
    m_nSelEnd = number;
    m_bSelection = true;
    AskFrame();
    return true;
}

void CScreenWnd::ClearSelection() {
    if (!m_bSelection) return;
    ScreenLock lock(*this);
    m_bSelection = false;
    AskFrame();
}

bool CScreenWnd::HasSelection() {
    ScreenLock lock(*this);
    const ScrollHistory& history = m_store.history;
    // Lines that have left the scrollback can no longer be copied: the selection goes with them.
    if (m_bSelection && (history.RowCount() == 0 || std::min(m_nSelAnchor, m_nSelEnd) < history.RowNumber(0))) {
        m_bSelection = false;
    }
    return m_bSelection;
}

std::string CScreenWnd::SelectionText() {
    if (!HasSelection()) return std::string();
    ScreenLock lock(*this);
    const ScrollHistory& history = m_store.history;
    const std::uint64_t first = history.RowNumber(0);
    const std::uint64_t from = std::min(m_nSelAnchor, m_nSelEnd), to = std::max(m_nSelAnchor, m_nSelEnd);
    std::string text;
    for (std::uint64_t n = from; n <= to && n - first < history.RowCount(); ++n) {
        if (n != from) text += "\r\n";
        text += history.RowText(static_cast<std::size_t>(n - first));
    }
    return text;
}

bool CScreenWnd::CopySelectionOrView() {
    if (!HasSelection()) return CopyView();
    // Copied out first: the clipboard is not waited for with the store locked.
    const std::string text = SelectionText();
    if (PutClipboardText(m_hWnd, text)) return true;
    ::MessageBeep(MB_OK);
    return false;
}

void CScreenWnd::NoteMarks(FrameContent& content, std::uint64_t newestNumber) const {
    content.newestNumber = newestNumber;
    content.bMarked = false;
    const ScrollHistory& history = m_store.history;
    const std::size_t rows = history.RowCount();
    const std::uint64_t first = rows > 0 ? history.RowNumber(0) : 0;
    const bool selection = m_bSelection && rows > 0 && std::min(m_nSelAnchor, m_nSelEnd) >= first;
    const std::uint64_t from = std::min(m_nSelAnchor, m_nSelEnd), to = std::max(m_nSelAnchor, m_nSelEnd);
    for (int i = 0; i <= content.nNewest; ++i) {
        const std::uint64_t number = newestNumber - static_cast<std::uint64_t>(content.nNewest - i);
        content.selected[i] = selection && number >= from && number <= to;
        content.found[i].clear();
        if (!m_strFind.empty() && number >= first && number - first < rows) {
            const std::string_view text = history.RowText(static_cast<std::size_t>(number - first));
            for (const CharRange& match : MatchedChars(text, m_strFind)) content.found[i].push_back({match.first, match.end});
        }
        content.bMarked = content.bMarked || content.selected[i] || !content.found[i].empty();
    }
}

void CScreenWnd::DrawRecord(const FrameContent& f, int record, const double row[16],
                            const visible::GlyphBox& box) const {
    const CGlyphLine& line = f.records[record];
    const DisplayValues& v = f.values;
    if (f.selected[record]) {
        const auto& starts = line.GetStarts();
        const float width = starts != nullptr ? starts->back() : 0.0f;
        const COLORREF back = v.bGradient ? RGB((GetRValue(v.crBack1) + GetRValue(v.crBack2)) / 2,
                                                (GetGValue(v.crBack1) + GetGValue(v.crBack2)) / 2,
                                                (GetBValue(v.crBack1) + GetBValue(v.crBack2)) / 2)
                                          : v.crBack1;
        const GlRgb band = ToGl(highlight::SelectionColour(v.crText, back));
        const float left = static_cast<float>(-kPickSlack), right = width + static_cast<float>(kPickSlack);
        const float bottom = static_cast<float>(kPickRowBottom), top = bottom + 1.0f;
        const float z = -kExtrusion - kBandBehind;
        glDisable(GL_LIGHTING);
        glColor3f(band.r, band.g, band.b);
        glBegin(GL_QUADS);
        glVertex3f(left, bottom, z);
        glVertex3f(right, bottom, z);
        glVertex3f(right, top, z);
        glVertex3f(left, top, z);
        glEnd();
        glEnable(GL_LIGHTING);
    }
    if (f.found[record].empty()) {
        line.DrawVisible(row, box);
        return;
    }
    // The glyphs in runs: those of matches in the find colour, the others in the text colour.
    const COLORREF mark = highlight::FindColour(v.crText, v.crBack1, v.bGradient ? v.crBack2 : v.crBack1);
    int at = 0;
    for (const visible::GlyphRange& match : f.found[record]) {
        line.DrawRun(row, box, at, match.first);
        Material(mark);
        line.DrawRun(row, box, match.first, match.end);
        Material(v.crText);
        at = match.end;
    }
    line.DrawRun(row, box, at, line.m_nGlyphCount);
}
