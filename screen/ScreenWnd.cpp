#include "screen/ScreenWnd.h"

#include <GL/gl.h>

#include <mutex>

#include "framework/App.h"
#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "screen/LineAssembler.h"

std::atomic<CScreenWnd*> g_pScreen{nullptr};
std::atomic<FrameShownHook> g_pfnFrameShown{nullptr};

namespace {

// Posted to the screen by a thread that left a frame owed; the user-interface thread then pays it when
// the frame interval is over.
constexpr UINT kMsgFrameOwed = WM_APP + 0x100;
constexpr UINT_PTR kFrameTimer = 1;

// Colour value bytes to GL intensities.
constexpr float kByteToIntensity = 1.0f / 255.0f;
float Red(COLORREF c) { return static_cast<float>(GetRValue(c)) * kByteToIntensity; }
float Green(COLORREF c) { return static_cast<float>(GetGValue(c)) * kByteToIntensity; }
float Blue(COLORREF c) { return static_cast<float>(GetBValue(c)) * kByteToIntensity; }

// Holds m_lock for a scope.
class ScreenLock {
public:
    explicit ScreenLock(CScreenWnd& screen) : m_screen(screen) { m_screen.Lock(); }
    // Takes over a lock the caller already holds.
    ScreenLock(CScreenWnd& screen, std::adopt_lock_t) : m_screen(screen) {}
    ~ScreenLock() { m_screen.Unlock(); }
    ScreenLock(const ScreenLock&) = delete;
    ScreenLock& operator=(const ScreenLock&) = delete;

private:
    CScreenWnd& m_screen;
};

}  // namespace

CScreenWnd::CScreenWnd() {
    ::InitializeCriticalSection(&m_lock);
    SetDefaults();
    m_nLineCount = 0;
}

CScreenWnd::~CScreenWnd() {
    // The interpreter and its threads stop first: after this no reader can reach the screen, and only
    // then may the lock go.
    m_console.Stop();
    ::DeleteCriticalSection(&m_lock);
    if (m_font != nullptr) ::DeleteObject(m_font);
    m_font = nullptr;
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
    HFONT font = CreateDefaultFont();
    ScreenLock lock(*this);  // a reader may be building a line with the old font selected
    if (m_font != nullptr) ::DeleteObject(m_font);
    m_font = font;
}

void CScreenWnd::SetScreenFont(const LOGFONTA& lf) {
    HFONT font = ::CreateFontIndirectA(&lf);
    if (font == nullptr) font = CreateDefaultFont();  // never leave the screen without a font
    ScreenLock lock(*this);
    if (m_font != nullptr) ::DeleteObject(m_font);
    m_font = font;
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
    return TRUE;
}

BOOL CScreenWnd::StartConsole() { return m_console.Start(OnConsoleOutput, OnConsoleMessage, OnConsoleExit) != 0; }

int CScreenWnd::SendCommand(const char* text) { return m_console.Write(text); }

void CScreenWnd::AppendOutput(const char* text) {
    ScreenLock lock(*this);
    CWinApp* app = AfxGetApp();
    if (app != nullptr) app->BeginWaitCursor();
    for (const OutputPiece& piece : SplitOutput(text, m_nTabWidth)) {
        AppendText(piece.text.c_str());
        if (piece.endsLine) NewLine();
    }
    if (app != nullptr) app->EndWaitCursor();
}

void CScreenWnd::AppendText(const char* text) {
    if (text == nullptr || *text == '\0') return;
    // Once the window is being destroyed, the text is still stored but nothing touches GL or the
    // window any more (a reader may have found the screen just before it went).
    const bool live = !m_bClosing;
    HDC dc = live ? ::GetDC(GetGLWindow()) : nullptr;
    if (dc != nullptr) ::wglMakeCurrent(dc, GetRC());

    // Scroll: the oldest record goes, the others move down one place. Record 29 then holds a copy of
    // record 28's names; it is overwritten below without being deleted.
    if (m_nLineCount >= kLineRecords) {
        if (dc != nullptr) m_lines[0].Delete();
        for (int i = 0; i < kLineRecords - 1; ++i) {
            m_lines[i] = m_lines[i + 1];
            m_texts[i].swap(m_texts[i + 1]);
        }
        m_nLineCount = kLineRecords - 1;
        m_lines[m_nLineCount] = CGlyphLine();
    }
    // The current line is rebuilt whole.
    if (!m_strLine.empty() && dc != nullptr) m_lines[m_nLineCount].Delete();
    m_lines[m_nLineCount] = CGlyphLine();
    m_strLine += text;
    m_texts[m_nLineCount] = m_strLine;

    if (dc != nullptr) {
        HGDIOBJ old = ::SelectObject(dc, m_font);
        m_lines[m_nLineCount].Build(dc, m_strLine.c_str(), kExtrusion);  // a failure leaves it undrawn
        ::SelectObject(dc, old);
        ::wglMakeCurrent(nullptr, nullptr);
        ::ReleaseDC(GetGLWindow(), dc);
        if (HDC windowDC = ::GetDC(m_hWnd); windowDC != nullptr) {
            DrawOrOweFrame(windowDC);
            ::ReleaseDC(m_hWnd, windowDC);
        }
    }
}

void CScreenWnd::DrawOrOweFrame(HDC dc) {
    const DWORD now = ::GetTickCount();
    if (now - m_lastFrameTick >= kFrameIntervalMs) {
        Render(dc);
        FrameShown();
        return;
    }
    if (!m_bFrameOwed) {
        m_bFrameOwed = true;
        // Posting never waits for the user-interface thread, which may be waiting for m_lock.
        PostMessage(kMsgFrameOwed, 0, 0);
    }
}

void CScreenWnd::PayOwedFrame() {
    if (!m_bFrameOwed || m_bClosing) return;
    HDC dc = ::GetDC(m_hWnd);
    if (dc == nullptr) return;
    Render(dc);
    ::ReleaseDC(m_hWnd, dc);
    FrameShown();
}

void CScreenWnd::FrameShown() {
    m_lastFrameTick = ::GetTickCount();
    m_bFrameOwed = false;
    if (FrameShownHook hook = g_pfnFrameShown.load(); hook != nullptr) hook(*this);
}

LRESULT CScreenWnd::OnFrameOwed(WPARAM, LPARAM) {
    ScreenLock lock(*this);
    const DWORD since = ::GetTickCount() - m_lastFrameTick;
    if (since >= kFrameIntervalMs) {
        PayOwedFrame();
    } else {
        ::SetTimer(m_hWnd, kFrameTimer, kFrameIntervalMs - since, nullptr);
    }
    return 0;
}

LRESULT CScreenWnd::OnTimer(WPARAM id, LPARAM) {
    if (id != kFrameTimer) return Default();
    ::KillTimer(m_hWnd, kFrameTimer);
    ScreenLock lock(*this);
    PayOwedFrame();
    return 0;
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
    while (!::TryEnterCriticalSection(&m_lock)) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        ::Sleep(1);
    }
}

void CScreenWnd::NewLine() {
    ++m_nLineCount;
    m_strLine.clear();
}

bool CScreenWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CScreenWnd> kTable[] = {
        OnMessage(WM_RBUTTONDOWN, &CScreenWnd::OnRButtonDown),
        OnMessage(kMsgFrameOwed, &CScreenWnd::OnFrameOwed),
        OnMessage(WM_TIMER, &CScreenWnd::OnTimer),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CGLWnd::OnWndMsg(msg, wp, lp, result);
}

LRESULT CScreenWnd::OnPaint(WPARAM wp, LPARAM lp) {
    // The readers draw with the same context: one thread at a time.
    ScreenLock lock(*this);
    const LRESULT result = CGLWnd::OnPaint(wp, lp);
    FrameShown();
    return result;
}

void CScreenWnd::DrawScene(HDC) {
    glClearColor(Red(m_crBack1), Green(m_crBack1), Blue(m_crBack1), 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (m_bGradient) {
        // A quadrilateral at z = 0, counter-clockwise on screen, blending background 2 at the bottom into
        // background 1 at y = 5; it writes no depth, so the text is always drawn over it.
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glBegin(GL_POLYGON);
        glColor3f(Red(m_crBack2), Green(m_crBack2), Blue(m_crBack2));
        glVertex3f(-500.0f, -10.0f, 0.0f);
        glVertex3f(500.0f, -10.0f, 0.0f);
        glColor3f(Red(m_crBack1), Green(m_crBack1), Blue(m_crBack1));
        glVertex3f(500.0f, 5.0f, 0.0f);
        glVertex3f(-500.0f, 5.0f, 0.0f);
        glEnd();
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);

    const GLfloat material[4] = {Red(m_crText), Green(m_crText), Blue(m_crText), 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, material);
    glTranslatef(m_fOffsetX, m_fOffsetY, m_fOffsetZ);
    glRotatef(m_fTilt, 1.0f, 0.0f, 0.0f);

    // The newest record on the baseline, each older one a unit further along the plane.
    const int newest = m_nLineCount < kLineRecords - 1 ? m_nLineCount : kLineRecords - 1;
    float y = 0.0f;
    for (int i = newest; i >= 0; --i) {
        glPushMatrix();
        glTranslatef(0.0f, y, 0.0f);
        if (m_lines[i].GetList() > 0) glCallList(m_lines[i].GetList());
        glPopMatrix();
        y += 1.0f;
    }
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
        // Waits for a reader that is inside an append. That reader may itself be waiting for this
        // thread (drawing into a window of this thread can need it to answer), so messages sent to
        // this thread are answered while it waits.
        LockAnswering();
        ScreenLock lock(*this, std::adopt_lock);
        m_bClosing = true;
        CGLDC dc(*this);
        ::wglMakeCurrent(dc.get(), GetRC());
        for (CGlyphLine& line : m_lines) line.Delete();
        CGlyphCache::DestroyCurrent();  // the cached glyphs go with the context
        ::wglMakeCurrent(nullptr, nullptr);
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
