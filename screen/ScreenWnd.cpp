// CScreenWnd: the store's operations, the fonts, the console and the window's life. The frame is in
// screen/ScreenFrame.cpp, the scrollback in screen/ScreenScroll.cpp, the mouse in screen/ScreenInput.cpp.
#include "screen/ScreenWnd.h"

#include <optional>

#include "framework/App.h"
#include "framework/Wnd.h"
#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "screen/LineAssembler.h"
#include "screen/ScreenContext.h"

std::atomic<CScreenWnd*> g_pScreen{nullptr};
std::atomic<FrameShownHook> g_pfnFrameShown{nullptr};

namespace {

// The longest a reader waits for the user-interface thread to have had its turn at the lock.
constexpr DWORD kYieldMs = 50;

ScrollHistory::FontTag Tag(HFONT font) { return reinterpret_cast<ScrollHistory::FontTag>(font); }
HFONT FontOf(ScrollHistory::FontTag tag) { return reinterpret_cast<HFONT>(tag); }

}  // namespace

CScreenWnd::CScreenWnd() {
    ::InitializeCriticalSection(&m_lock);
    SetDefaults();
}

CScreenWnd::~CScreenWnd() {
    // The interpreter and its threads stop first: Stop returns only once no reader is inside a callback
    // (it waits for one however long it takes; a callback waits for this thread only within kYieldMs and
    // takes no lock this thread holds now), so after this no reader can reach the screen, and only then
    // may the locks go.
    m_console.Stop();
    ::DeleteCriticalSection(&m_lock);
    if (m_font != nullptr) ::DeleteObject(m_font);
    m_font = nullptr;
    for (ScrollHistory::FontTag old : m_oldFonts.TakeAll()) ::DeleteObject(FontOf(old));
}

HFONT CScreenWnd::CreateDefaultFont() {
    return ::CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS, 0, 0,
                         4, kFaceMinchoP);
}

void CScreenWnd::SetDefaults() {
    m_display = DisplayValues();
    {
        ScreenLock lock(*this);  // the tab width is read by appends
        m_nTabWidth = 4;
    }
    ReplaceFont(CreateDefaultFont());
}

void CScreenWnd::SetScreenFont(const LOGFONTA& lf) {
    HFONT font = ::CreateFontIndirectA(&lf);
    if (font == nullptr) font = CreateDefaultFont();  // never leave the screen without a font
    ReplaceFont(font);
}

void CScreenWnd::ReplaceFont(HFONT font) {
    // Lines stored but not built yet keep the old font for the frame that builds them, and the
    // scrollback draws the lines stored in it with it; it goes when neither needs it any more.
    ScreenLock lock(*this);
    if (m_font != nullptr) m_oldFonts.Replaced(Tag(m_font), m_store.history);
    m_font = font;
    DeleteUnusedFonts();
}

void CScreenWnd::DeleteUnusedFonts() {
    const auto pending = [this](ScrollHistory::FontTag font) { return m_store.NeedsFont(font); };
    for (ScrollHistory::FontTag old : m_oldFonts.TakeUnused(pending, m_store.history)) ::DeleteObject(FontOf(old));
}

LOGFONTA CScreenWnd::GetScreenFont() const {
    LOGFONTA lf{};
    ::GetObjectA(m_font, sizeof lf, &lf);
    return lf;
}

BOOL CScreenWnd::InitGL() {
    m_sync.BindUIThread();
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
    // The user-interface thread's turn first, when it waits for the lock; bounded, since nothing the
    // reader holds now is needed for it.
    m_sync.YieldToUI(kYieldMs);
    ScreenLock lock(*this);
    // One hold of the context, when it is free, for all the lines of the chunk. Not for a reader's chunk
    // after a pause (an answer to a command): its frame is asked for at once and builds the lines itself,
    // sooner than the context could go to the reader and back.
    const bool ui = m_sync.OnUIThread();
    std::optional<CScreenContext> gl;
    if (ui || !m_pacer.WouldDrawAtOnce()) gl.emplace(*this, false);
    // The wait cursor shows only for the thread that owns the window: a reader's cursor is nobody's to
    // see, and setting it costs a round trip to the window system per chunk.
    CWinApp* app = ui ? AfxGetApp() : nullptr;
    if (app != nullptr) app->BeginWaitCursor();
    for (const OutputPiece& piece : SplitOutput(text, m_nTabWidth)) {
        StoreText(piece.text.c_str());
        if (piece.endsLine) NewLine();
    }
    if (app != nullptr) app->EndWaitCursor();
}

void CScreenWnd::AppendText(const char* text) {
    ScreenLock lock(*this);
    CScreenContext gl(*this, false);
    StoreText(text);
}

void CScreenWnd::StoreText(const char* text) {
    if (text == nullptr) return;
    // The current line is rebuilt whole: at once when this thread holds the context (the caller took it
    // when it was free), else by the next frame that shows it.
    if (!m_store.Append(text, Tag(m_font), [this](CGlyphLine& line) { Retire(line); })) return;
    // Asked before the line is built: the user-interface thread wakes meanwhile and is woken again when
    // the locks are let go.
    AskFrame();
    if (m_sync.HoldsContext()) BuildRecord(m_store.count);  // a failure leaves it undrawn
    // A replaced font that no pending line needs any more is deleted by the frame asked for above.
}

void CScreenWnd::NewLine() {
    ScreenLock lock(*this);  // also when called alone, as the banner is written
    m_store.NewLine();
}

void CScreenWnd::AskFrame() {
    // Posting never waits for the user-interface thread.
    if (m_pacer.Changed().kind == PaceStep::kPost) PostMessage(kMsgFrameOwed, 0, 0);
}

void CScreenWnd::Retire(CGlyphLine& line) {
    if (line.m_nList != 0 || line.m_nGlyphBase != 0) {
        if (m_sync.HoldsContext()) {
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
    m_store.MarkBuilt(record);
    if (m_lines[record].m_nList != 0 || m_lines[record].m_nGlyphBase != 0) return;  // built already
    HFONT font = m_store.Font(record) != 0 ? FontOf(m_store.Font(record)) : m_font;
    const HDC dc = m_sync.ContextDC();
    HGDIOBJ old = ::SelectObject(dc, font);
    m_lines[record].Build(dc, m_store.Text(record).c_str(), kExtrusion);  // a failure leaves it undrawn
    ::SelectObject(dc, old);
}

void CScreenWnd::CatchUp() {
    CScreenContext gl(*this, false);  // current again if Render released it
    for (CGlyphLine& line : m_retired) line.Delete();
    m_retired.clear();
    for (int i = 0; i < kLineRecords; ++i) {
        if (m_store.Pending(i)) BuildRecord(i);
    }
    if (m_oldFonts.Count() != 0) DeleteUnusedFonts();
}

bool CScreenWnd::IsPending(int record) {
    ScreenLock lock(*this);
    return record >= 0 && record < kLineRecords && m_store.Pending(record);
}

std::string CScreenWnd::LineText(int record) {
    ScreenLock lock(*this);
    return record >= 0 && record < kLineRecords ? m_store.Text(record) : std::string();
}

bool CScreenWnd::CurrentLineEmpty() {
    ScreenLock lock(*this);
    return m_strLine.empty();
}

std::string CScreenWnd::CurrentLine() {
    ScreenLock lock(*this);
    return m_strLine;
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

LRESULT CScreenWnd::OnRButtonDown(WPARAM, LPARAM lp) {
    POINT pt = PointFromLParam(lp);
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
        // Waits for a reader that is inside an append; messages sent to this thread are answered
        // meanwhile.
        CScreenContext gl(*this, true);
        ScreenLock lock(*this);
        m_bClosing = true;
        m_pacer.Close();
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
        m_store.ForgetPending();
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
