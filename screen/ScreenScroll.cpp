// CScreenWnd's scrollback: moving the view through the history, building the lines in view for the
// frames, the line that tells how many lines lie below, and copying the view.
#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "res/Texts.h"
#include "screen/ClipboardText.h"
#include "screen/ScreenContext.h"
#include "screen/ScreenWnd.h"

static_assert(ScrollHistory::kViewLines == CScreenWnd::kLineRecords,
              "the view shows as many lines as the screen's records");

namespace {

// The line below the view lies flat across the bottom of the window: a band of the first background
// colour under a rule of the text colour, the text in the text colour. Pixels.
constexpr int kBarRule = 2;
constexpr int kBarHeight = CScreenWnd::kBelowBarPixels - kBarRule;
constexpr float kBarTextLeft = 6.0f;
constexpr float kBarTextBaseline = 5.0f;
constexpr float kBarEm = 14.0f;  // the default screen font's height, readable at the default size

void Colour(COLORREF c) {
    const GlRgb rgb = ToGl(c);
    glColor3f(rgb.r, rgb.g, rgb.b);
}

void Rect(int left, int bottom, int right, int top) {
    glBegin(GL_QUADS);
    glVertex2i(left, bottom);
    glVertex2i(right, bottom);
    glVertex2i(right, top);
    glVertex2i(left, top);
    glEnd();
}

}  // namespace

void CScreenWnd::ScrollView(long long lines) {
    ScreenLock lock(*this);
    const int before = m_store.history.Offset();
    m_store.history.ScrollBack(lines);
    if (m_store.history.Offset() != before) AskFrame();
}

void CScreenWnd::ScrollViewToOldest() {
    ScreenLock lock(*this);
    const int before = m_store.history.Offset();
    m_store.history.ScrollToOldest();
    if (m_store.history.Offset() != before) AskFrame();
}

void CScreenWnd::ScrollViewToNewest() {
    ScreenLock lock(*this);
    if (m_store.history.IsAtEnd()) return;
    m_store.history.ScrollToNewest();
    m_wheel.Reset();
    AskFrame();
}

int CScreenWnd::LinesBelow() {
    ScreenLock lock(*this);
    return m_store.history.LinesBelow();
}

std::size_t CScreenWnd::HistoryBytes() {
    ScreenLock lock(*this);
    return m_store.history.Bytes();
}

std::string CScreenWnd::ViewText() {
    ScreenLock lock(*this);
    return m_store.history.CopyText();
}

bool CScreenWnd::CopyView() {
    // Copied out first: the clipboard is not waited for with the store locked.
    const std::string text = ViewText();
    if (PutClipboardText(m_hWnd, text)) return true;
    ::MessageBeep(MB_OK);
    return false;
}

HFONT CScreenWnd::HistoryFont(ScrollHistory::FontTag tag) const {
    HFONT font = reinterpret_cast<HFONT>(tag);
    if (font == nullptr || font == m_font) return m_font;
    return m_oldFonts.Holds(tag) ? font : m_font;
}

void CScreenWnd::RetireView() {
    for (ViewRecord& record : m_view) Retire(record.line);
    m_view.clear();
    Retire(m_below);
    m_nBelowBuilt = -1;
}

void CScreenWnd::PrepareView(FrameContent& content) {
    if (m_store.history.IsAtEnd()) {
        if (!m_view.empty() || m_nBelowBuilt >= 0) RetireView();
        NoteLines(content);
        return;
    }
    CScreenContext gl(*this, false);  // current again if Render released it
    if (gl) {
        // Lines still in view keep their lists; rows of the history never change once the view has
        // passed them, so a line's number names its text. The others are built from the glyph cache.
        std::vector<ViewRecord> view;
        for (ScrollHistory::ViewLine& line : m_store.history.ViewLines()) {
            auto kept = std::find_if(m_view.begin(), m_view.end(),
                                     [&](const ViewRecord& r) { return r.number == line.number; });
            if (kept != m_view.end()) {
                view.push_back(*kept);
                kept->line = CGlyphLine();  // moved: not retired below
                continue;
            }
            ViewRecord record{line.number, CGlyphLine()};
            HGDIOBJ old = ::SelectObject(m_sync.ContextDC(), HistoryFont(line.font));
            record.line.BuildOnCache(m_sync.ContextDC(), line.text.c_str(), kExtrusion);  // a failure leaves it undrawn
            ::SelectObject(m_sync.ContextDC(), old);
            view.push_back(record);
        }
        for (ViewRecord& record : m_view) Retire(record.line);
        m_view.swap(view);
        const int below = m_store.history.LinesBelow();
        if (below != m_nBelowBuilt) {
            Retire(m_below);
            const std::string text = kTextBelowBefore + std::to_string(below) + kTextBelowAfter;
            HGDIOBJ old = ::SelectObject(m_sync.ContextDC(), m_font);
            m_below.Build(m_sync.ContextDC(), text.c_str(), kExtrusion);
            ::SelectObject(m_sync.ContextDC(), old);
            m_nBelowBuilt = below;
        }
    }
    NoteLines(content);
}

void CScreenWnd::NoteLines(FrameContent& content) const {
    if (!m_store.history.IsAtEnd() && !m_view.empty()) {
        content.nNewest = static_cast<int>(m_view.size()) - 1;
        for (int i = 0; i <= content.nNewest; ++i) content.records[i] = m_view[static_cast<size_t>(i)].line;
        content.nBelow = m_store.history.LinesBelow();
        content.belowList = m_below.GetList();
        NoteMarks(content, m_view.back().number);
        return;
    }
    content.nNewest = m_nLineCount < kLineRecords - 1 ? m_nLineCount : kLineRecords - 1;
    for (int i = 0; i <= content.nNewest; ++i) content.records[i] = m_lines[i];
    content.nBelow = 0;
    content.belowList = 0;
    // At the end the records mirror the history's last rows (screen/ScrollHistory.h).
    const std::size_t rows = m_store.history.RowCount();
    NoteMarks(content, rows > 0 ? m_store.history.RowNumber(rows - 1) : 0);
}

void CScreenWnd::DrawBelowBar(const FrameContent& content) const {
    GLint vp[4] = {};
    glGetIntegerv(GL_VIEWPORT, vp);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, vp[2], 0.0, vp[3], -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    Colour(content.values.crBack1);
    Rect(0, 0, vp[2], kBarHeight);
    Colour(content.values.crText);
    Rect(0, kBarHeight, vp[2], kBarHeight + kBarRule);
    if (content.belowList != 0) {
        // Flat on the window: the extrusion lies along the line of sight.
        glTranslatef(kBarTextLeft, kBarTextBaseline, 0.0f);
        glScalef(kBarEm, kBarEm, 1.0f);
        glCallList(content.belowList);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void CScreenWnd::WarmUpBelowBar() {
    // A software renderer (Mesa's, under Wine) compiles its code for each new combination of state the
    // first time it draws with it. The line below the view (flat, unlit, without depth) is drawn in a
    // combination no other frame uses, so the first frame scrolled back would pay for that compilation:
    // some 8 ms on top of the frame. Drawn here once into the back buffer, which the next frame clears;
    // nothing is shown.
    CScreenContext gl(*this, true);
    if (!gl) return;
    CGlyphLine sample;
    HGDIOBJ old = ::SelectObject(m_sync.ContextDC(), m_font);
    sample.BuildOnCache(m_sync.ContextDC(), "0", kExtrusion);
    ::SelectObject(m_sync.ContextDC(), old);
    FrameContent content{};
    content.values = m_display;
    content.nBelow = 1;
    content.belowList = sample.GetList();
    DrawBelowBar(content);
    glFinish();
    sample.Delete();
}
