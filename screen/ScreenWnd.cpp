#include "screen/ScreenWnd.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <mutex>
#include <optional>

#include "framework/App.h"
#include "glyph/GlyphCache.h"
#include "glyph/ShiftJis.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "screen/LineAssembler.h"
#include "screen/ScreenContext.h"
#include "screen/VisibleGlyphs.h"

std::atomic<CScreenWnd*> g_pScreen{nullptr};
std::atomic<FrameShownHook> g_pfnFrameShown{nullptr};

namespace {

// Posted to the screen by a thread that left a frame owed; the user-interface thread then pays it when
// the frame interval is over.
constexpr UINT kMsgFrameOwed = WM_APP + 0x100;
constexpr UINT_PTR kFrameTimer = 1;
// The longest a reader waits for the user-interface thread to have had its turn at the lock.
constexpr DWORD kYieldMs = 50;
// How often the user-interface thread looks at a lock it waits for when nobody wakes it.
constexpr DWORD kWakePollMs = 5;

// Colour value bytes to GL intensities.
constexpr float kByteToIntensity = 1.0f / 255.0f;
float Red(COLORREF c) { return static_cast<float>(GetRValue(c)) * kByteToIntensity; }
float Green(COLORREF c) { return static_cast<float>(GetGValue(c)) * kByteToIntensity; }
float Blue(COLORREF c) { return static_cast<float>(GetBValue(c)) * kByteToIntensity; }

}  // namespace

CScreenWnd::CScreenWnd() {
    ::InitializeCriticalSection(&m_lock);
    ::InitializeCriticalSection(&m_glLock);
    m_hUIServed = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    m_hUIWake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetDefaults();
    m_nLineCount = 0;
}

CScreenWnd::~CScreenWnd() {
    // The interpreter and its threads stop first: Stop returns only once no reader is inside a callback
    // (it waits for one however long it takes; a callback waits for this thread only within kYieldMs and
    // takes no lock this thread holds now), so after this no reader can reach the screen, and only then
    // may the locks go.
    m_console.Stop();
    ::DeleteCriticalSection(&m_glLock);
    ::DeleteCriticalSection(&m_lock);
    if (m_hUIServed != nullptr) ::CloseHandle(m_hUIServed);
    if (m_hUIWake != nullptr) ::CloseHandle(m_hUIWake);
    if (m_font != nullptr) ::DeleteObject(m_font);
    m_font = nullptr;
    for (const OldFont& old : m_oldFonts) ::DeleteObject(old.font);
}

HFONT CScreenWnd::CreateDefaultFont() {
    return ::CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS, 0, 0,
                         4, kFaceMinchoP);
}

void CScreenWnd::SetDefaults() {
    m_nTabWidth = 4;
    m_fTilt = -40.0f;
    m_fOffsetX = -12.0f;
    m_fOffsetY = -5.0f;
    m_fOffsetZ = 0.0f;
    m_crText = 0xFFFFFF;
    m_crBack1 = 0x000000;
    m_crBack2 = 0xFF0000;
    m_bGradient = TRUE;
    ReplaceFont(CreateDefaultFont());
}

void CScreenWnd::SetScreenFont(const LOGFONTA& lf) {
    HFONT font = ::CreateFontIndirectA(&lf);
    if (font == nullptr) font = CreateDefaultFont();  // never leave the screen without a font
    ReplaceFont(font);
}

void CScreenWnd::ReplaceFont(HFONT font) {
    // A reader may be building a line with the old font selected. Lines stored but not built yet keep
    // the old font for the frame that builds them, and the scrollback draws the lines stored in it with
    // it; it goes when neither needs it any more.
    ScreenLock lock(*this);
    if (m_font != nullptr) {
        const std::size_t rows = m_history.RowCount();
        m_oldFonts.push_back(OldFont{m_font, rows != 0, rows != 0 ? m_history.RowNumber(rows - 1) : 0});
    }
    m_font = font;
    DeleteUnusedFonts();
}

void CScreenWnd::DeleteUnusedFonts() {
    // Of the fonts kept for the scrollback alone, only the newest few: GDI objects are a bounded
    // resource, and a line whose font has gone is drawn in the current one.
    std::size_t keptForHistory = 0;
    for (auto it = m_oldFonts.rbegin(); it != m_oldFonts.rend(); ++it) {
        bool pending = false;
        for (int i = 0; i < kLineRecords; ++i) pending = pending || (m_bPending[i] && m_pendingFont[i] == it->font);
        const bool history = it->bInHistory && m_history.RowCount() != 0 && m_history.RowNumber(0) <= it->lastRow &&
                             keptForHistory < kKeptHistoryFonts;
        if (!pending && history) ++keptForHistory;
        it->bDelete = !pending && !history;
    }
    for (auto it = m_oldFonts.begin(); it != m_oldFonts.end();) {
        if (it->bDelete) {
            ::DeleteObject(it->font);
            it = m_oldFonts.erase(it);
        } else {
            ++it;
        }
    }
}

LOGFONTA CScreenWnd::GetScreenFont() const {
    LOGFONTA lf{};
    ::GetObjectA(m_font, sizeof lf, &lf);
    return lf;
}

BOOL CScreenWnd::InitGL() {
    m_uiThreadId = ::GetCurrentThreadId();
    g_pScreen = this;
    CGLWnd::InitGL();
    static const float kEye[3] = {0.0f, 0.0f, 20.0f};
    static const float kTarget[3] = {0.0f, 0.0f, 0.0f};
    static const float kUp[3] = {0.0f, 1.0f, 0.0f};
    SetCamera(kEye, kTarget, kUp);
    ApplyViewport();
    WarmUpBelowBar();
    return TRUE;
}

BOOL CScreenWnd::StartConsole() { return m_console.Start(OnConsoleOutput, OnConsoleMessage, OnConsoleExit) != 0; }

int CScreenWnd::SendCommand(const char* text) {
    ScrollViewToNewest();  // the answer shows where the user looks
    return m_console.Write(text);
}

void CScreenWnd::AppendOutput(const char* text) {
    // The user-interface thread's turn first, when it waits for the lock (see LockAnswering); bounded,
    // since nothing the reader holds now is needed for it.
    if (m_bUIWaiting && m_uiThreadId != ::GetCurrentThreadId()) ::WaitForSingleObject(m_hUIServed, kYieldMs);
    {
        ScreenLock lock(*this);
        // One hold of the context, when it is free, for all the lines of the chunk. Not for a reader's
        // chunk after a pause (an answer to a command): its frame is asked for at once and builds the
        // lines itself, sooner than the context could go to the reader and back.
        const bool answer = m_uiThreadId != ::GetCurrentThreadId() && !m_bFrameAsked &&
                            ::GetTickCount() - m_lastFrameTick >= kFrameIntervalMs;
        std::optional<CScreenContext> gl;
        if (!answer) gl.emplace(*this, false);
        // The wait cursor shows only for the thread that owns the window: a reader's cursor is nobody's
        // to see, and setting it costs a round trip to the window system per chunk.
        CWinApp* app = m_uiThreadId == ::GetCurrentThreadId() ? AfxGetApp() : nullptr;
        if (app != nullptr) app->BeginWaitCursor();
        for (const OutputPiece& piece : SplitOutput(text, m_nTabWidth)) {
            StoreText(piece.text.c_str());
            if (piece.endsLine) NewLine();
        }
        if (app != nullptr) app->EndWaitCursor();
    }
}

void CScreenWnd::AppendText(const char* text) {
    ScreenLock lock(*this);
    CScreenContext gl(*this, false);
    StoreText(text);
}

void CScreenWnd::StoreText(const char* text) {
    if (text == nullptr || *text == '\0' || m_bLineFull) return;
    // Scroll: the oldest record goes, the others move down one place.
    if (m_nLineCount >= kLineRecords) {
        Retire(m_lines[0]);
        for (int i = 0; i < kLineRecords - 1; ++i) {
            m_lines[i] = m_lines[i + 1];
            m_texts[i].swap(m_texts[i + 1]);
            m_bPending[i] = m_bPending[i + 1];
            m_pendingFont[i] = m_pendingFont[i + 1];
        }
        m_nLineCount = kLineRecords - 1;
        m_lines[m_nLineCount] = CGlyphLine();
        m_bPending[m_nLineCount] = false;
    }
    // The current line is rebuilt whole: at once when this thread holds the context (the caller took it
    // when it was free), else by the next frame that shows it.
    if (!m_strLine.empty()) Retire(m_lines[m_nLineCount]);
    m_lines[m_nLineCount] = CGlyphLine();
    const std::size_t before = m_strLine.size();
    m_strLine += text;
    if (m_strLine.size() > m_history.LineCap()) {
        // A line keeps what the history keeps of it: its first LineCap() bytes, cut after the last whole
        // character, the rest of it dropped as it arrives. No window shows more, and a line is rebuilt
        // whole with every piece that continues it, a list per character: a line of megabytes would
        // stall the screen.
        m_strLine.resize(glyph::SjisPrefixLength(m_strLine, m_history.LineCap()));
        m_bLineFull = true;
    }
    m_texts[m_nLineCount] = m_strLine;
    m_bPending[m_nLineCount] = true;
    m_pendingFont[m_nLineCount] = m_font;  // a line keeps the font it arrived in
    m_history.Append(std::string_view(m_strLine).substr(before), reinterpret_cast<ScrollHistory::FontTag>(m_font));
    // Asked before the line is built: the user-interface thread wakes meanwhile and is woken again when
    // the locks are let go.
    AskFrame();
    if (m_glOwner == ::GetCurrentThreadId()) BuildRecord(m_nLineCount);  // a failure leaves it undrawn
    // A replaced font that no pending line needs any more is deleted by the frame asked for above.
}

void CScreenWnd::AskFrame() {
    m_bFrameOwed = true;
    if (!m_bFrameAsked && !m_bClosing) {
        // Posting never waits for the user-interface thread.
        m_bFrameAsked = true;
        PostMessage(kMsgFrameOwed, 0, 0);
    }
}

void CScreenWnd::Retire(CGlyphLine& line) {
    if (line.m_nList != 0 || line.m_nGlyphBase != 0) {
        if (m_glOwner == ::GetCurrentThreadId()) {
            CScreenContext gl(*this, false);  // current again if something released it
            line.Delete();
        } else {
            m_retired.push_back(line);
        }
    }
    line = CGlyphLine();
}

void CScreenWnd::BuildRecord(int record) {
    CScreenContext gl(*this, false);  // current again if a frame released it
    m_bPending[record] = false;
    if (m_lines[record].m_nList != 0 || m_lines[record].m_nGlyphBase != 0) return;  // built already
    HFONT font = m_pendingFont[record] != nullptr ? m_pendingFont[record] : m_font;
    HGDIOBJ old = ::SelectObject(m_glDC, font);
    m_lines[record].Build(m_glDC, m_texts[record].c_str(), kExtrusion);  // a failure leaves it undrawn
    ::SelectObject(m_glDC, old);
}

void CScreenWnd::PrepareFrame(FrameContent& content) {
    // Frames are paced by their starts: one interval from the start of one to the start of the next, so
    // that a frame that takes longer than the interval is followed at once, never sooner.
    m_lastFrameTick = ::GetTickCount();
    CatchUp();
    PrepareView(content);
    content.fTilt = m_fTilt;
    content.fOffsetX = m_fOffsetX;
    content.fOffsetY = m_fOffsetY;
    content.fOffsetZ = m_fOffsetZ;
    content.crText = m_crText;
    content.crBack1 = m_crBack1;
    content.crBack2 = m_crBack2;
    content.bGradient = m_bGradient;
    content.bBand = false;
    m_bFrameOwed = false;
}

namespace {

// What a record's glyphs can cover, in its own coordinates: from below the lowest descender to above the
// tallest glyph (em units, with room to spare), and the depth of the extrusion.
constexpr double kRowBottom = -0.5;
constexpr double kRowTop = 1.5;
// A band frame is worth its bookkeeping only when it leaves most of the window alone.
constexpr double kMaxBandShare = 0.5;

// The window rows (from the bottom) that the record drawn at `row` can cover, given the model-view
// matrix of the text plane; false when some of it lies at or behind the near plane.
bool RowBand(const GLdouble mv[16], const GLdouble proj[16], const GLint vp[4], double nearPlane, double row,
             double& lo, double& hi) {
    lo = 1e30;
    hi = -1e30;
    for (double y : {row + kRowBottom, row + kRowTop}) {
        for (double z : {0.0, -static_cast<double>(CScreenWnd::kExtrusion)}) {
            // Eye-space depth: the third row of the matrix (column-major) applied to (0, y, z, 1).
            const double zEye = mv[6] * y + mv[10] * z + mv[14];
            if (!(zEye < -nearPlane)) return false;
            double wx, wy, wz;
            if (!gluProject(0.0, y, z, mv, proj, vp, &wx, &wy, &wz)) return false;
            lo = wy < lo ? wy : lo;
            hi = wy > hi ? wy : hi;
        }
    }
    return true;
}

// What a character's solid can cover beyond its advance (em): a full em either side is more than any
// overhang of an italic or a script face.
constexpr visible::GlyphBox kGlyphBox{1.0, kRowBottom, kRowTop, CScreenWnd::kExtrusion};

}  // namespace

void CScreenWnd::ChooseBand(FrameContent& content) const {
    content.bBand = false;
    if (!m_bPresentByCopy || !m_bShownValid) return;
    const FrameContent& last = m_shown;
    // While the view is back (or was, in the frame before) the line below it changes with every append.
    if (content.nBelow != 0 || last.nBelow != 0) return;
    if (content.nNewest != last.nNewest || content.fTilt != last.fTilt || content.fOffsetX != last.fOffsetX ||
        content.fOffsetY != last.fOffsetY || content.fOffsetZ != last.fOffsetZ || content.crText != last.crText ||
        content.crBack1 != last.crBack1 || content.crBack2 != last.crBack2 || content.bGradient != last.bGradient) {
        return;
    }
    for (int i = 0; i < content.nNewest; ++i) {
        if (content.records[i].GetList() != last.records[i].GetList()) return;
    }
    // Where the current line lies on the window, from the same transformations as the frame's.
    GLint vp[4];
    GLdouble proj[16], mv[16];
    glGetIntegerv(GL_VIEWPORT, vp);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(m_eye[0], m_eye[1], m_eye[2], m_target[0], m_target[1], m_target[2], m_up[0], m_up[1], m_up[2]);
    glTranslatef(content.fOffsetX, content.fOffsetY, content.fOffsetZ);
    glRotatef(content.fTilt, 1.0f, 0.0f, 0.0f);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    double lo, hi;
    if (vp[3] <= 0 || !RowBand(mv, proj, vp, m_fNear, 0.0, lo, hi)) return;
    const double bottom = lo - 2.0 < 0.0 ? 0.0 : lo - 2.0;
    const double top = hi + 2.0 > vp[3] ? vp[3] : hi + 2.0;
    if (top <= bottom || top - bottom > kMaxBandShare * vp[3]) return;
    content.band[0] = static_cast<GLint>(bottom);
    content.band[1] = static_cast<GLint>(top + 1.0) - content.band[0];
    // Every record that can reach the band is drawn again there; the others cannot change it.
    for (int i = content.nNewest; i >= 0; --i) {
        double rlo, rhi;
        content.inBand[i] = !RowBand(mv, proj, vp, m_fNear, content.nNewest - i, rlo, rhi) ||
                            (rhi >= bottom && rlo <= top);
    }
    content.bBand = true;
}

void CScreenWnd::DrawFrame(HDC dc, bool onlyIfOwed) {
    CScreenContext gl(*this, true);
    FrameContent content;
    {
        ScreenLock lock(*this);
        if (!gl || m_bClosing || (onlyIfOwed && !m_bFrameOwed)) {
            // The message or the timer that asked finds nothing to draw: the next append asks again.
            if (onlyIfOwed) m_bFrameAsked = false;
            return;
        }
        PrepareFrame(content);
        // A paint redraws the whole window; an owed frame that changes only the current line redraws
        // only the band where that line shows.
        if (onlyIfOwed) ChooseBand(content);
    }
    // Drawn without m_lock: appends go on storing lines meanwhile and leave their lists to this thread,
    // which holds the context.
    m_pFrame = &content;
    Render(dc, content.bBand ? content.band : nullptr);
    m_pFrame = nullptr;
    ScreenLock lock(*this);
    m_shown = content;
    m_bShownValid = true;
    FrameShown();
    CatchUp();
    // An owed frame keeps m_bFrameAsked set from the asking until here, so appends made while it is
    // drawn post nothing: the frame they leave owed follows by the timer, one interval after this one
    // started, even when the interval is over already. Timer messages (like paints) come only when no
    // input waits, while posted messages come before it: during a flood whose frames take longer than
    // the interval, frames asked for by posted messages would follow one another and keys and clicks
    // would wait for as long as the flood lasts.
    if (!m_bFrameOwed) {
        if (onlyIfOwed) m_bFrameAsked = false;
    } else if (onlyIfOwed || !m_bFrameAsked) {
        m_bFrameAsked = true;
        const DWORD since = ::GetTickCount() - m_lastFrameTick;
        ::SetTimer(m_hWnd, kFrameTimer, since >= kFrameIntervalMs ? USER_TIMER_MINIMUM : kFrameIntervalMs - since,
                   nullptr);
    }
}

void CScreenWnd::FrameShown() {
    if (FrameShownHook hook = g_pfnFrameShown.load(); hook != nullptr) hook(*this);
}

void CScreenWnd::CatchUp() {
    CScreenContext gl(*this, false);  // current again if Render released it
    for (CGlyphLine& line : m_retired) line.Delete();
    m_retired.clear();
    for (int i = 0; i < kLineRecords; ++i) {
        if (m_bPending[i]) BuildRecord(i);
    }
    if (!m_oldFonts.empty()) DeleteUnusedFonts();
}

LRESULT CScreenWnd::OnFrameOwed(WPARAM, LPARAM) {
    // At once after a pause (an answer to a command); within the interval of the last frame's start
    // (a burst), when the interval is over.
    const DWORD since = ::GetTickCount() - m_lastFrameTick;
    if (since < kFrameIntervalMs) {
        ::SetTimer(m_hWnd, kFrameTimer, kFrameIntervalMs - since, nullptr);
        return 0;
    }
    if (HDC dc = ::GetDC(m_hWnd); dc != nullptr) {
        DrawFrame(dc, true);
        ::ReleaseDC(m_hWnd, dc);
    }
    return 0;
}

LRESULT CScreenWnd::OnTimer(WPARAM id, LPARAM) {
    if (id != kFrameTimer) return Default();
    ::KillTimer(m_hWnd, kFrameTimer);
    if (HDC dc = ::GetDC(m_hWnd); dc != nullptr) {
        DrawFrame(dc, true);
        ::ReleaseDC(m_hWnd, dc);
    }
    return 0;
}

bool CScreenWnd::IsPending(int record) {
    ScreenLock lock(*this);
    return record >= 0 && record < kLineRecords && m_bPending[record];
}

std::string CScreenWnd::LineText(int record) {
    ScreenLock lock(*this);
    return record >= 0 && record < kLineRecords ? m_texts[record] : std::string();
}

void CScreenWnd::Lock() {
    if (m_uiThreadId != 0 && m_uiThreadId == ::GetCurrentThreadId()) {
        LockAnswering();
    } else {
        ::EnterCriticalSection(&m_lock);
    }
}

void CScreenWnd::LockAnswering() {
    if (::TryEnterCriticalSection(&m_lock)) return;
    // A reader that takes the lock chunk after chunk would keep it from this thread for as long as the
    // output pours in: readers wait at their next chunk until this thread has had its turn.
    ::ResetEvent(m_hUIServed);
    m_bUIWaiting = true;
    EnterAnswering(m_lock);
    m_bUIWaiting = false;
    ::SetEvent(m_hUIServed);
}

void CScreenWnd::Unlock() {
    ::LeaveCriticalSection(&m_lock);
    if (m_bUIWaiting) ::SetEvent(m_hUIWake);
}

void CScreenWnd::EnterAnswering(CRITICAL_SECTION& cs) {
    if (m_uiThreadId == 0 || m_uiThreadId != ::GetCurrentThreadId()) {
        ::EnterCriticalSection(&cs);
        return;
    }
    // Woken when a holder lets go (Unlock, the context's release) or a message is sent to this thread;
    // the timeout only guards against a wake-up that came before the wait.
    while (!::TryEnterCriticalSection(&cs)) {
        ::MsgWaitForMultipleObjects(1, &m_hUIWake, FALSE, kWakePollMs, QS_SENDMESSAGE);
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CScreenWnd::NewLine() {
    ScreenLock lock(*this);  // also when called alone, as the banner is written
    ++m_nLineCount;
    m_strLine.clear();
    m_bLineFull = false;
    m_history.NewLine();
}

bool CScreenWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CScreenWnd> kTable[] = {
        OnMessage(WM_RBUTTONDOWN, &CScreenWnd::OnRButtonDown),
        OnMessage(kMsgFrameOwed, &CScreenWnd::OnFrameOwed),
        OnMessage(WM_TIMER, &CScreenWnd::OnTimer),
        OnMessage(WM_SIZE, &CScreenWnd::OnSize),
        OnMessage(WM_MOUSEWHEEL, &CScreenWnd::OnMouseWheel),
        OnMessage(WM_LBUTTONDOWN, &CScreenWnd::OnLButtonDown),
        OnMessage(WM_MOUSEMOVE, &CScreenWnd::OnMouseMove),
        OnMessage(WM_LBUTTONUP, &CScreenWnd::OnLButtonUp),
        OnMessage(WM_CAPTURECHANGED, &CScreenWnd::OnCaptureChanged),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CGLWnd::OnWndMsg(msg, wp, lp, result);
}

LRESULT CScreenWnd::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    DrawFrame(dc, false);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CScreenWnd::OnSize(WPARAM wp, LPARAM lp) {
    // The new viewport needs the context current here; a reader may hold it.
    CScreenContext gl(*this, true);
    {
        ScreenLock lock(*this);
        m_bShownValid = false;  // the window no longer shows the last frame as it was drawn
    }
    const LRESULT result = CGLWnd::OnSize(wp, lp);
    if (gl) {
        ScreenLock lock(*this);
        CatchUp();
    }
    return result;
}

void CScreenWnd::DrawScene(HDC) {
    // The content noted by the frame being drawn, or (a direct call) the members as they are now.
    FrameContent now;
    const FrameContent* f = m_pFrame;
    if (f == nullptr) {
        now.fTilt = m_fTilt;
        now.fOffsetX = m_fOffsetX;
        now.fOffsetY = m_fOffsetY;
        now.fOffsetZ = m_fOffsetZ;
        now.crText = m_crText;
        now.crBack1 = m_crBack1;
        now.crBack2 = m_crBack2;
        now.bGradient = m_bGradient;
        now.bBand = false;
        NoteLines(now);
        f = &now;
    }
    glClearColor(Red(f->crBack1), Green(f->crBack1), Blue(f->crBack1), 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (f->bGradient) {
        // A quadrilateral at z = 0, counter-clockwise on screen, blending background 2 at the bottom into
        // background 1 at y = 5; it writes no depth, so the text is always drawn over it.
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glBegin(GL_POLYGON);
        glColor3f(Red(f->crBack2), Green(f->crBack2), Blue(f->crBack2));
        glVertex3f(-500.0f, -10.0f, 0.0f);
        glVertex3f(500.0f, -10.0f, 0.0f);
        glColor3f(Red(f->crBack1), Green(f->crBack1), Blue(f->crBack1));
        glVertex3f(500.0f, 5.0f, 0.0f);
        glVertex3f(-500.0f, 5.0f, 0.0f);
        glEnd();
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);

    const GLfloat material[4] = {Red(f->crText), Green(f->crText), Blue(f->crText), 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, material);
    glTranslatef(f->fOffsetX, f->fOffsetY, f->fOffsetZ);
    glRotatef(f->fTilt, 1.0f, 0.0f, 0.0f);

    // The newest record on the baseline, each older one a unit further along the plane.
    GLdouble proj[16], mv[16], clip[16];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    visible::Multiply(proj, mv, clip);
    // Seen from in front, as nearly always, the glyphs are drawn without their back faces.
    const bool front = visible::EyeHeightAbovePlane(mv) > -static_cast<double>(kExtrusion);
    if (front) glListBase(glyph::kWithoutBackFace);
    float y = 0.0f;
    for (int i = f->nNewest; i >= 0; --i) {
        if (f->records[i].GetList() > 0 && (!f->bBand || f->inBand[i])) {
            glPushMatrix();
            glTranslatef(0.0f, y, 0.0f);
            GLdouble row[16];
            visible::MoveAlongY(clip, y, row);
            f->records[i].DrawVisible(row, kGlyphBox);
            glPopMatrix();
            // Once, halfway: a renderer that rasterises on threads of its own (Mesa's software one)
            // starts on the farther half while the nearer one is sent. (Flushing more often made that
            // renderer's memory swing by megabytes from frame to frame.)
            if (i == (f->nNewest + 1) / 2 && i > 0) glFlush();
        }
        y += 1.0f;
    }
    glListBase(0);
    if (f->nBelow > 0) DrawBelowBar(*f);
}

LRESULT CScreenWnd::OnRButtonDown(WPARAM, LPARAM lp) {
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ::ClientToScreen(m_hWnd, &pt);
    HMENU menu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUP_MENU));
    if (menu == nullptr) return 0;
    // The choice reaches the main window, the menu's owner, as WM_COMMAND.
    ::TrackPopupMenu(::GetSubMenu(menu, 0), 0, pt.x, pt.y, 0, ::GetParent(m_hWnd), nullptr);
    ::DestroyMenu(menu);
    return 0;
}

LRESULT CScreenWnd::OnDestroy(WPARAM wp, LPARAM lp) {
    // Output still arriving from the interpreter's threads is dropped from now on.
    g_pScreen = nullptr;
    {
        // Waits for a reader that is inside an append or drawing a frame. That reader may itself be
        // waiting for this thread (drawing into a window of this thread can need it to answer), so
        // messages sent to this thread are answered while it waits.
        CScreenContext gl(*this, true);
        ScreenLock lock(*this);
        m_bClosing = true;
        if (gl) {
            for (CGlyphLine& line : m_retired) line.Delete();
            for (CGlyphLine& line : m_lines) line.Delete();
            for (ViewRecord& record : m_view) record.line.Delete();
            m_below.Delete();
            CGlyphCache::DestroyCurrent();  // the cached glyphs go with the context
        }
        m_retired.clear();
        m_view.clear();
        m_below = CGlyphLine();
        for (bool& pending : m_bPending) pending = false;
        DeleteUnusedFonts();
    }
    return CGLWnd::OnDestroy(wp, lp);
}

void OnConsoleOutput(const char* text) {
    if (CScreenWnd* screen = g_pScreen.load(); screen != nullptr) screen->AppendOutput(text);
}

void OnConsoleMessage(const char* text) {
    const std::string framed = FrameMessage(text);
    if (CScreenWnd* screen = g_pScreen.load(); screen != nullptr) screen->AppendOutput(framed.c_str());
}

void OnConsoleExit() {
    // The main window closes as if the user had chosen Close; once it is gone there is nobody to tell.
    CWinApp* app = AfxGetApp();
    HWND main = app != nullptr ? app->GetMainWndHandle() : nullptr;
    if (main != nullptr) ::PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
}
