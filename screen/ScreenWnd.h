#pragma once
// CScreenWnd: the 3D screen. Keeps the last 30 lines of the interpreter's output as glyph display lists,
// holds the display values, draws the scene, and owns the console process.
//
// Threads and locks. AppendOutput runs on the interpreter's reader threads and, for a drive message, on
// the user-interface thread; it holds m_lock for its whole run, so every line is stored the moment it
// arrives. Two locks, always taken in this order when both are waited for:
//  - m_glLock, the rendering context: held, with the context current, by the thread that builds,
//    deletes or draws lists. An append only tries it and never waits for it.
//  - m_lock, the store and the display values.
// Frames are drawn by the user-interface thread: asked for by the append that leaves one owed, at once
// after a pause (an answer to a command), else one interval after the last frame started, so never more
// often than a display shows them. A frame takes both locks, builds the lines it shows that are not
// built yet, notes what it shows, then lets m_lock go and draws without it: readers go on storing lines
// meanwhile and, finding the context taken, leave their lists to the frame, which builds them before it
// lets the context go. An append that finds the context free builds its line at once. So seen from the
// user-interface thread, outside a frame, every stored line is built. Nothing done while
// either lock is held waits for the user-interface thread, and the user-interface thread answers the
// messages other threads send it while it waits for either. The display values are plain members
// written on the user-interface thread; a frame reads them under m_lock, so a change made under m_lock
// never shows half-way through a frame. The font is replaced only through SetScreenFont and SetDefaults.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/ConsoleProcess.h"
#include "screen/AdjustMath.h"
#include "screen/GLWnd.h"
#include "screen/GlyphLine.h"
#include "screen/ScrollHistory.h"

class CScreenWnd;

// The one screen, or null when there is none; the console notifications reach the screen through it.
extern std::atomic<CScreenWnd*> g_pScreen;

// Measurement seam (benchmarks and tests; null in the program): called right after every frame the
// screen has shown, whichever way it was drawn (an append, an owed frame paid, a paint), on the thread
// that drew it, with m_lock held. It may read the store (LineText takes m_lock again, which that thread
// already holds) but must not wait for another thread.
using FrameShownHook = void (*)(CScreenWnd& screen);
extern std::atomic<FrameShownHook> g_pfnFrameShown;

class CScreenWnd : public CGLWnd {
public:
    static constexpr int kLineRecords = 30;
    static constexpr float kExtrusion = 0.2f;
    // No more frames than a display shows: an append within this interval of the last frame leaves
    // the frame owed, and it is drawn when the interval is over.
    static constexpr DWORD kFrameIntervalMs = 16;

    CScreenWnd();
    ~CScreenWnd() override;

    // Raw interpreter text, any number of line breaks.
    void AppendOutput(const char* text);
    // Appends to the current line and rebuilds its lists whole (at once when the context is free, else
    // by the next frame that shows it); draws, or leaves the frame owed; an empty text does nothing.
    void AppendText(const char* text);
    // Ends the current line.
    void NewLine();
    BOOL StartConsole();
    int SendCommand(const char* text);
    // Display values, tab width and font back to their defaults; draws nothing. Lines stored before keep
    // the font they were stored in.
    void SetDefaults();
    BOOL InitGL() override;
    void DrawScene(HDC dc) override;

    // Replaces the screen font by one made from `lf`; when that font cannot be made, the default screen
    // font is used instead, so the screen never stays without a font. Lines stored before keep the old
    // font, also those not built yet. Takes m_lock.
    void SetScreenFont(const LOGFONTA& lf);
    // The LOGFONTA of the current screen font.
    LOGFONTA GetScreenFont() const;

    // The text that record `record` (0..29) was built from: what the screen shows there. Takes m_lock.
    std::string LineText(int record);

    // Serialises appends, frames and font changes. On the thread that owns the window, waiting for the
    // lock goes on answering the messages other threads send to it: a reader that holds m_lock while it
    // draws into the window may be waiting for such an answer (under Wine drawing into a window of
    // another thread can need one).
    void Lock();
    void Unlock();
    void LockAnswering();

    // The scrollback (screen/ScreenScroll.cpp). The view shows the 30 newest lines and follows the
    // output until it is moved back; while it is back, output is stored and counted but the view stays,
    // and the frame shows how many lines lie below it. Each call takes m_lock and leaves a frame owed
    // when the view moved; on the user-interface thread.
    // Moves the view `lines` lines back (older; negative: forward), within the history.
    void ScrollView(long long lines);
    void ScrollViewToOldest();
    void ScrollViewToNewest();
    // Lines below the view: 0 while it shows the newest line.
    int LinesBelow();
    // Bytes of text the scrollback holds (its bounds keep this flat once it is full).
    std::size_t HistoryBytes();
    // The texts of the lines in view, oldest first, CR LF between them.
    std::string ViewText();
    // Puts ViewText on the clipboard; a beep when the clipboard cannot be had (another program holds it).
    bool CopyView();
    // A wheel message's wParam over the screen: three lines a notch, or with Ctrl the plane nearer or
    // farther (screen/ScreenInput.cpp).
    void OnWheel(WPARAM wp);

    // Whether record `record` holds text whose lists are not built yet (a frame builds them before it
    // shows them). Takes m_lock.
    bool IsPending(int record);

    // Display values.
    float m_fTilt = -40.0f;
    float m_fOffsetX = -12.0f;
    float m_fOffsetY = -5.0f;
    float m_fOffsetZ = 0.0f;
    COLORREF m_crText = 0xFFFFFF;
    COLORREF m_crBack1 = 0x000000;
    COLORREF m_crBack2 = 0xFF0000;
    BOOL m_bGradient = TRUE;
    HFONT m_font = nullptr;

    // The store.
    CGlyphLine m_lines[kLineRecords];
    int m_nLineCount = 0;
    std::string m_strLine;
    // The current line reached the history's line cap: further text of it is dropped.
    bool m_bLineFull = false;
    int m_nTabWidth = 4;
    CRITICAL_SECTION m_lock;
    ConsoleProcess m_console;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnPaint(WPARAM, LPARAM) override;
    LRESULT OnDestroy(WPARAM, LPARAM) override;
    LRESULT OnRButtonDown(WPARAM, LPARAM);
    LRESULT OnFrameOwed(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    // The mouse on the screen (screen/ScreenInput.cpp).
    LRESULT OnMouseWheel(WPARAM, LPARAM);
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM);
    LRESULT OnLButtonUp(WPARAM, LPARAM);
    LRESULT OnCaptureChanged(WPARAM, LPARAM);

private:
    friend class CScreenContext;

    // What one frame shows: the display values and the line lists, noted under m_lock.
    struct FrameContent {
        float fTilt, fOffsetX, fOffsetY, fOffsetZ;
        COLORREF crText, crBack1, crBack2;
        BOOL bGradient;
        int nNewest;  // records nNewest down to 0 are drawn
        // The records (copies: list names and shared positions), so that a frame draws only the
        // characters that reach the window.
        CGlyphLine records[kLineRecords];
        // A band frame: only the window rows band[0] .. band[0] + band[1] - 1 (from the bottom) are drawn
        // and shown, and of the records only those marked in `inBand`.
        bool bBand;
        GLint band[2];
        bool inBand[kLineRecords];
        // Lines below the view (0: the view follows the output) and the list of the line that says so.
        int nBelow;
        GLuint belowList;
    };

    static HFONT CreateDefaultFont();
    // Replaces m_font by `font`; the old one stays while lines stored but not built yet need it.
    void ReplaceFont(HFONT font);
    // Deletes the fonts replaced before that no line still to be built needs. m_lock held.
    void DeleteUnusedFonts();
    // Deletes the lists of `line` now when this thread holds the context, or leaves them to the next
    // thread that does; empties `line`. m_lock held.
    void Retire(CGlyphLine& line);
    // Builds record `record` from its text. m_lock and the context held.
    void BuildRecord(int record);
    // Deletes retired lists, builds the lines the frame shows, notes what it shows. Both locks held.
    void PrepareFrame(FrameContent& content);
    // Appends to the current line (AppendText's work) and leaves a frame owed. m_lock held.
    void StoreText(const char* text);
    // Leaves a frame owed and asks the user-interface thread for it, unless it has been asked already;
    // never draws. m_lock held.
    void AskFrame();
    // The view's part of a frame (screen/ScreenScroll.cpp). With the view back: builds the lines in
    // view that are not built yet and the line that tells how many lie below, from the glyph cache;
    // at the end: lets those lists go. Then notes the lists `content` shows. Both locks held.
    void PrepareView(FrameContent& content);
    // Notes in `content` the lists of what the screen shows now, as built. m_lock held.
    void NoteLines(FrameContent& content) const;
    // The font to build a history line with: the one it was stored in while that still exists, else
    // the current one. m_lock held.
    HFONT HistoryFont(ScrollHistory::FontTag tag) const;
    // Draws the line that tells how many lines lie below the view, flat across the bottom of the
    // window. Context current.
    void DrawBelowBar(const FrameContent& content) const;
    // Draws the line below the view once into the back buffer, unseen: see ScreenScroll.cpp. On the
    // user-interface thread, once the context exists.
    void WarmUpBelowBar();
    // Lets the view's lists go (Retire). m_lock held.
    void RetireView();
    // Sets the four view values (clamped as the adjustment dialog's bars are) under m_lock and asks
    // for a frame.
    void SetViewValues(const ViewValues& values);
    // Draws one frame through `dc` (the window's paint or own device context) on the user-interface
    // thread: takes both locks, prepares, draws without m_lock. `onlyIfOwed`: nothing when nothing is
    // owed.
    void DrawFrame(HDC dc, bool onlyIfOwed);
    // Makes `content` a band frame when the frame before showed the same except the current line: then
    // only the rows of the window where that line can show are drawn. Context current.
    void ChooseBand(FrameContent& content) const;
    // Bookkeeping after a frame has been shown. m_lock held.
    void FrameShown();
    // Deletes the retired lists, builds the pending lines and deletes the replaced fonts none of them
    // needs any more. Before a frame is drawn, and before the frame's thread lets the context go, so
    // that outside a frame every stored line is built. Both locks held.
    void CatchUp();
    // What the last frame showed, when the window still shows it all (no paint, resize or band since
    // that could not be told).
    FrameContent m_shown{};
    bool m_bShownValid = false;
    // Enters `cs`; on the thread that owns the window, answering the messages other threads send it
    // while it waits.
    void EnterAnswering(CRITICAL_SECTION& cs);
    // When the last frame started (read without a lock by the user-interface thread).
    std::atomic<DWORD> m_lastFrameTick{0};
    // Something changed since the content of the last frame was noted.
    bool m_bFrameOwed = false;
    // The user-interface thread has been asked (a posted message or its timer) to draw the owed frame;
    // stays set while that frame is drawn, and the frame asks for the next one itself.
    bool m_bFrameAsked = false;
    // The frame being drawn, while Render runs; DrawScene shows it. Null otherwise: DrawScene then shows
    // the members as they are.
    const FrameContent* m_pFrame = nullptr;
    // The rendering context (see the class comment), the thread holding it and that thread's device
    // context of the GL window.
    CRITICAL_SECTION m_glLock;
    std::atomic<DWORD> m_glOwner{0};
    HDC m_glDC = nullptr;
    // Set while the user-interface thread waits for the context to draw: appends then leave it alone.
    std::atomic<bool> m_bFrameWanted{false};
    // Records whose text is stored but whose lists are not built yet, and the font each arrived in;
    // they move with the records. Replaced fonts that such a record still needs wait in m_oldFonts, and
    // so do, up to kKeptHistoryFonts of them, those the scrollback still holds lines of: the lines stored
    // until the font was replaced, numbered up to lastRow (none when !bInHistory).
    bool m_bPending[kLineRecords] = {};
    HFONT m_pendingFont[kLineRecords] = {};
    struct OldFont {
        HFONT font;
        bool bInHistory;
        std::uint64_t lastRow;
        bool bDelete = false;  // DeleteUnusedFonts' mark
    };
    static constexpr std::size_t kKeptHistoryFonts = 8;
    std::vector<OldFont> m_oldFonts;
    // Lists that no record names any more, left for the next thread that holds the context.
    std::vector<CGlyphLine> m_retired;
    // The thread that owns the window (set when the window is bound), for Lock.
    std::atomic<DWORD> m_uiThreadId{0};
    // Set while that thread waits for m_lock; the event is reset meanwhile (see LockAnswering).
    std::atomic<bool> m_bUIWaiting{false};
    HANDLE m_hUIServed = nullptr;
    // Wakes that thread when a lock it waits for is let go.
    HANDLE m_hUIWake = nullptr;
    // Set under m_lock when the window starts to go: appends then only keep the text.
    bool m_bClosing = false;
    // The texts of the 30 records, moved along with them.
    std::string m_texts[kLineRecords];

    // The scrollback: the text of every line stored, within its bounds, fed with the records (m_lock).
    ScrollHistory m_history;
    // The lists of the lines in view while it is back, oldest first, by the history's line numbers;
    // built by the frames, empty while the view follows the output.
    struct ViewRecord {
        std::uint64_t number;
        CGlyphLine line;
    };
    std::vector<ViewRecord> m_view;
    // The line that tells how many lines lie below the view, and the count it was built for.
    CGlyphLine m_below;
    int m_nBelowBuilt = -1;
    // Wheel remainders: scrolling, and the plane's distance (Ctrl).
    WheelNotches m_wheel;
    WheelNotches m_zoomWheel;
    // A drag with the left button: where it started (client pixels), the values then and whether Shift
    // was held; a change of Shift starts the drag afresh from where it is.
    bool m_bDragging = false;
    POINT m_dragStart{};
    ViewValues m_dragValues{};
    bool m_bDragShift = false;
};

// The notifications handed to the console process.
void OnConsoleOutput(const char* text);
void OnConsoleMessage(const char* text);
void OnConsoleExit();
