#pragma once
// CScreenWnd: the 3D screen. Keeps the last 30 lines of the interpreter's output as glyph display lists,
// holds the display values, draws the scene, and owns the console process. It wires together rooms of
// one job each: the line store's bookkeeping (screen/LineStore.h), the font keeper (screen/FontKeeper.h),
// the frame pacer (screen/FramePacer.h), the locks (screen/ScreenSync.h, screen/ScreenContext.h), the
// frame (screen/ScreenFrame.cpp), the scrollback (screen/ScreenScroll.cpp), the mouse
// (screen/ScreenInput.cpp), and find and picked lines (screen/ScreenMarks.cpp).
//
// The rule for the threads. The screen runs on the user-interface thread, the thread that owns the
// window; the interpreter's reader threads reach it only through AppendOutput.
//  - The store (the records, their lists and texts, the current line, the scrollback) is read and
//    written only with m_lock held, by any thread. AppendOutput holds it for its whole run, so every line
//    is stored the moment it arrives and a chunk's lines are never interleaved with another thread's.
//    The font and the tab width, which appends read, are written only by the user-interface thread,
//    with m_lock held; that thread may read them without it.
//  - The display values (m_display and the names that read it) belong to the user-interface thread: only
//    it writes them and only it reads them, frames included, so they need no lock. A frame notes them
//    before it draws, so a change shows in the next frame, never half-way through one.
//  - Frames are drawn only by the user-interface thread, when the frame pacer says so: asked for by the
//    change that leaves one owed, at once after a pause, else one interval after the last frame started.
//  - The rendering context is a second lock, taken before m_lock when both are waited for. The
//    user-interface thread waits for it; another thread only tries it, with m_lock held, and never waits.
//    A frame takes both locks, builds the lines it shows that are not built yet, notes what it shows,
//    then lets m_lock go and draws without it: readers go on storing lines meanwhile and, finding the
//    context taken, leave their lists to the frame, which builds them before it lets the context go. An
//    append that finds the context free builds its line at once. So seen from the user-interface thread,
//    outside a frame, every stored line is built.
//  - A thread that holds either lock never waits for the user-interface thread: it posts, never sends,
//    and a reader's only wait for that thread (its turn at m_lock) is bounded and made before it takes
//    the lock. The user-interface thread still answers the messages other threads send it while it waits
//    for either lock, since the window system may send it some on behalf of a holder's calls.
//  - m_bClosing is set under m_lock, on the user-interface thread, before the context and the lists go;
//    from then on appends only keep the text.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/ConsoleProcess.h"
#include "screen/AdjustMath.h"
#include "screen/DisplayValues.h"
#include "screen/FontKeeper.h"
#include "screen/FramePacer.h"
#include "screen/GLWnd.h"
#include "screen/GlyphLine.h"
#include "screen/LineStore.h"
#include "screen/ScreenSync.h"
#include "screen/ScrollHistory.h"

class CScreenWnd;

// The one screen, or null when there is none; the console notifications reach the screen through it.
extern std::atomic<CScreenWnd*> g_pScreen;

// Measurement seam (benchmarks and tests; null in the program): called right after every frame the
// screen has shown, whichever way it was drawn (an owed frame paid, a paint), on the user-interface
// thread, with m_lock held. It may read the store (LineText takes m_lock again, which that thread
// already holds) but must not wait for another thread.
using FrameShownHook = void (*)(CScreenWnd& screen);
extern std::atomic<FrameShownHook> g_pfnFrameShown;

class CScreenWnd : public CGLWnd {
public:
    static constexpr int kLineRecords = LineStore<CGlyphLine>::kRecords;
    static constexpr float kExtrusion = 0.2f;
    // No more frames than a display shows (see FramePacer).
    static constexpr DWORD kFrameIntervalMs = 16;
    // How long the picture rests before it is refined (see kRefineTimer).
    static constexpr UINT kRefineRestMs = 150;

    CScreenWnd();
    ~CScreenWnd() override;

    // Raw interpreter text, any number of line breaks.
    void AppendOutput(const char* text);
    // Appends to the current line and rebuilds its lists whole (at once when the context is free, else
    // by the next frame that shows it); leaves a frame owed; an empty text does nothing.
    void AppendText(const char* text);
    // Ends the current line.
    void NewLine();
    BOOL StartConsole();
    int SendCommand(const char* text);
    // Display values, tab width and font back to their defaults; draws nothing. Lines stored before keep
    // the font they were stored in. On the user-interface thread (or before the window exists).
    void SetDefaults();
    BOOL InitGL() override;
    void DrawScene(HDC dc) override;

    // Replaces the screen font by one made from `lf`; when that font cannot be made, the default screen
    // font is used instead, so the screen never stays without a font. Lines stored before keep the old
    // font, also those not built yet. On the user-interface thread; takes m_lock.
    void SetScreenFont(const LOGFONTA& lf);
    // The LOGFONTA of the current screen font.
    LOGFONTA GetScreenFont() const;

    // The text that record `record` (0..29) was built from: what the screen shows there. Takes m_lock.
    std::string LineText(int record);
    // Whether the current line holds text, and that text. Take m_lock.
    bool CurrentLineEmpty();
    std::string CurrentLine();

    // m_lock. On the user-interface thread, waiting for it goes on answering the messages other threads
    // send to it, and readers let that thread have its turn (screen/ScreenSync.h).
    void Lock() { m_sync.Lock(); }
    void Unlock() { m_sync.Unlock(); }

    // The display values as one record, and its replacement (user-interface thread). SetDisplayValues
    // asks for no frame: callers redraw or ask as they need.
    const DisplayValues& Display() const { return m_display; }
    void SetDisplayValues(const DisplayValues& values) { m_display = values; }

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

    // Find and picked lines (screen/ScreenMarks.cpp); on the user-interface thread, each taking m_lock.
    struct FindResult {
        bool bFound = false;
        std::size_t nIndex = 0;  // the match's row among the matching rows, from the oldest (1-based)
        std::size_t nTotal = 0;  // rows holding a match
    };
    // The height of the line across the bottom of the window that tells how many lines lie below the
    // view (its band and its rule), pixels: what it covers cannot be picked.
    static constexpr int kBelowBarPixels = 22;
    // Rows a found line is shown above the nearest row of the view.
    static constexpr int kFindRowsFromNearest = 3;
    // Searches the scrollback for `needle` (see screen/HistoryFind.h), older rows or newer ones: from the
    // row found last when it is the same text, else from the view, its rows included (older: from its
    // nearest row; newer: from its farthest). Past the end in that direction it goes on from the other
    // end. The view moves to show the row found kFindRowsFromNearest rows above its nearest row; every
    // match in view is drawn in the find colour until EndFind. An empty needle finds nothing.
    FindResult Find(const std::string& needle, bool older);
    // No more matches are drawn; the view stays where it is.
    void EndFind();
    // Picks the line drawn at client point `pt` as the last frame showed it: selects it alone, or with
    // `extend` the lines from the selection's first one to it. A point on no line clears the selection.
    // True when a line was hit.
    bool PickLine(POINT pt, bool extend);
    void ClearSelection();
    // Whether lines are selected (a selection whose lines have left the scrollback is cleared), and
    // their texts, oldest first, CR LF between them.
    bool HasSelection();
    std::string SelectionText();
    // Ctrl+Shift+C: the selection when there is one, else the view, onto the clipboard.
    bool CopySelectionOrView();

    // The refined picture (user-interface thread): the samples per pixel it is drawn with
    // (kRefineSamples; below 2, for comparing pictures, the frame drawn once multisampled instead),
    // whether the window shows one now, and what the refinements took.
    int m_nRefineSamples = kRefineSamples;
    bool m_bShowsRefined = false;
    struct RefineStats {
        int nPictures = 0;            // refined pictures shown
        int nSlices = 0;              // slices of the last refinement
        double longestSliceMs = 0.0;  // its longest slice
        int passes = 0;               // its passes
        std::vector<double> sliceMs;  // each slice's time and rows, in order
        std::vector<int> sliceRows;
    };
    RefineStats m_refineStats;

    // Whether record `record` holds text whose lists are not built yet (a frame builds them before it
    // shows them). Takes m_lock.
    bool IsPending(int record);

    // Display values (see the thread rule above): one record, and a name for each of its values.
    DisplayValues m_display;
    float& m_fTilt = m_display.view.fTilt;
    float& m_fOffsetX = m_display.view.fOffsetX;
    float& m_fOffsetY = m_display.view.fOffsetY;
    float& m_fOffsetZ = m_display.view.fOffsetZ;
    COLORREF& m_crText = m_display.crText;
    COLORREF& m_crBack1 = m_display.crBack1;
    COLORREF& m_crBack2 = m_display.crBack2;
    BOOL& m_bGradient = m_display.bGradient;
    HFONT m_font = nullptr;

    // The store: the records' bookkeeping, and a name for its records, the current line's index and its
    // text (m_lock).
    LineStore<CGlyphLine> m_store;
    CGlyphLine (&m_lines)[kLineRecords] = m_store.lines;
    int& m_nLineCount = m_store.count;
    std::string& m_strLine = m_store.line;
    int m_nTabWidth = 4;
    CRITICAL_SECTION m_lock;
    ConsoleProcess m_console;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnPaint(WPARAM, LPARAM) override;
    LRESULT OnDestroy(WPARAM, LPARAM) override;
    LRESULT OnRButtonDown(WPARAM, LPARAM);
    // The posted message and the timer of the frame pacer (screen/ScreenFrame.cpp).
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

    // Posted to the screen by the change that left a frame owed (the pacer's kPost), and the timer that
    // draws a frame later (its kTimer).
    static constexpr UINT kMsgFrameOwed = WM_APP + 0x100;
    static constexpr UINT_PTR kFrameTimer = 1;
    // The picture refined when it rests (screen/ScreenRefine.cpp): once nothing has changed for
    // kRefineRestMs since the last frame, it is drawn again in summed passes (or, without the sums, once
    // multisampled where frames are shown by copying) and shown complete; the same timer brings the
    // slices that follow a waiting message. Any change drops back to the fast frames, which arm the
    // timer again.
    static constexpr UINT_PTR kRefineTimer = 2;

    // What one frame shows: the display values and the line lists, noted under m_lock.
    struct FrameContent {
        DisplayValues values;
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
        // The scrollback row number of record nNewest (the records before it hold the rows before it),
        // and the marks: records of selected lines, and the characters of matches of a find.
        std::uint64_t newestNumber;
        bool selected[kLineRecords];
        std::vector<visible::GlyphRange> found[kLineRecords];
        bool bMarked;  // some record is marked
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
    // Appends to the current line (AppendText's work) and leaves a frame owed. m_lock held.
    void StoreText(const char* text);
    // Leaves a frame owed, and posts the message that asks for it when the pacer says so; never draws.
    void AskFrame();

    // The frame (screen/ScreenFrame.cpp).
    // Deletes retired lists, builds the lines the frame shows, notes what it shows. Both locks held.
    void PrepareFrame(FrameContent& content);
    // Makes `content` a band frame when the frame before showed the same except the current line: then
    // only the rows of the window where that line can show are drawn. Context current.
    void ChooseBand(FrameContent& content) const;
    // Draws one frame through `dc` (the window's paint or own device context) on the user-interface
    // thread: takes both locks, prepares, draws without m_lock. `asked`: a frame the pacer asked for
    // (nothing when nothing is owed); else a paint, which redraws the whole window.
    void DrawFrame(HDC dc, bool asked);
    // Draws the frame the pacer asked for, through the window's own device context.
    void DrawAskedFrame();
    // The refined picture (screen/ScreenRefine.cpp), on the user-interface thread. The refine timer:
    // starts or goes on with the refined picture when nothing is owed, slice after slice until a message
    // waits (then the timer again, once the queue is empty) or the picture is shown.
    void Refine();
    // Notes the frame to refine and its passes; false when there is nothing to refine now.
    bool StartRefine();
    // Draws the next slice (ShowRefined after the last); false when the picture is shown or dropped.
    bool RefineSlice();
    // Forgets the refinement on the way (its sums are drawn afresh by the next one).
    void DropRefine();
    // Marks in content.inBand the records that can reach the window rows bottom .. top (from the
    // bottom), placed by the current projection and the camera. Context current.
    void MarkBandRecords(FrameContent& content, double bottom, double top) const;
    // The viewport, the projection and the model-view matrix of the text plane as `content`'s view places
    // it (the camera loaded into the model-view matrix). Context current.
    void GetPlaneTransforms(const FrameContent& content, GLint vp[4], GLdouble proj[16], GLdouble mv[16]) const;
    // The frame being drawn is the refined one (user-interface thread).
    bool m_bRefining = false;
    // The refinement on the way: the frame noted at its start, the passes' offsets, the next slice's
    // pass (-1: none on the way), the bands of a pass (cut to the slice's budget by what the last pass's
    // took; empty: the first pass, not cut yet) and the next slice's band among them.
    FrameContent m_refineFrame{};
    std::vector<JitterOffset> m_refineJitter;
    int m_nRefinePass = -1;
    std::vector<RefineBand> m_refineBands;
    int m_nRefineBand = 0;
    // Follows the pacer's step: a timer for the frame, or nothing.
    void FollowPace(const PaceStep& step);
    // Bookkeeping after a frame has been shown. m_lock held.
    void FrameShown();
    // Deletes the retired lists, builds the pending lines and deletes the replaced fonts none of them
    // needs any more. Before a frame is drawn, and before the frame's thread lets the context go, so
    // that outside a frame every stored line is built. Both locks held.
    void CatchUp();

    // The view's part of a frame (screen/ScreenScroll.cpp). With the view back: builds the lines in
    // view that are not built yet and the line that tells how many lie below, from the glyph cache;
    // at the end: lets those lists go. Then notes the lists `content` shows. Both locks held.
    void PrepareView(FrameContent& content);
    // Notes in `content` the lists of what the screen shows now, as built, and their marks. m_lock held.
    void NoteLines(FrameContent& content) const;
    // Notes the rows the records show and which are marked (screen/ScreenMarks.cpp). m_lock held.
    void NoteMarks(FrameContent& content, std::uint64_t newestNumber) const;
    // Draws record `record` of `f` at the place `row` (its clip matrix), of the glyphs those that `box`
    // lets reach the window: the band behind a selected line, then its glyphs, the found ones in the find
    // colour. Context current.
    void DrawRecord(const FrameContent& f, int record, const double row[16], const visible::GlyphBox& box) const;
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
    // Sets the four view values and asks for a frame when they changed (the mouse's changes).
    void SetViewValues(const ViewValues& values);

    // The locks (see the rule above).
    ScreenSync m_sync{m_lock};
    // When frames are drawn; its clock is the system's tick count.
    FramePacer m_pacer{[] { return static_cast<std::uint64_t>(::GetTickCount64()); }, kFrameIntervalMs};
    // What the last frame showed, when the window still shows it all (no paint, resize or band since
    // that could not be told). User-interface thread.
    FrameContent m_shown{};
    bool m_bShownValid = false;
    // The frame being drawn, while Render runs; DrawScene shows it. Null otherwise: DrawScene then shows
    // the members as they are.
    const FrameContent* m_pFrame = nullptr;
    // The fonts replaced before, while lines still need them (m_lock).
    FontKeeper m_oldFonts;
    // Lists that no record names any more, left for the next thread that holds the context (m_lock).
    std::vector<CGlyphLine> m_retired;
    // Set under m_lock when the window starts to go: appends then only keep the text.
    bool m_bClosing = false;

    // The scrollback's view: the lists of the lines in view while it is back, oldest first, by the
    // history's line numbers; built by the frames, empty while the view follows the output (m_lock).
    struct ViewRecord {
        std::uint64_t number;
        CGlyphLine line;
    };
    std::vector<ViewRecord> m_view;
    // The line that tells how many lines lie below the view, and the count it was built for (m_lock).
    CGlyphLine m_below;
    int m_nBelowBuilt = -1;
    // Wheel remainders: scrolling, and the plane's distance (Ctrl). User-interface thread.
    WheelNotches m_wheel;
    WheelNotches m_zoomWheel;
    // A drag with the left button: where it started (client pixels), the values then and whether Shift
    // was held; a change of Shift starts the drag afresh from where it is. User-interface thread.
    bool m_bDragging = false;
    POINT m_dragStart{};
    ViewValues m_dragValues{};
    bool m_bDragShift = false;
    // The pointer has moved the system's drag distance since the button went down: a drag, not a click.
    bool m_bDragMoved = false;

    // Find and picked lines (user-interface thread). The text whose matches are drawn (empty: none), the
    // text and row number of the last match found; the selection's first and last picked rows (row
    // numbers, in the order picked).
    std::string m_strFind;
    std::string m_strFound;
    std::uint64_t m_nFoundRow = 0;
    bool m_bSelection = false;
    std::uint64_t m_nSelAnchor = 0;
    std::uint64_t m_nSelEnd = 0;
    // The matching rows of the last search, and what they were found for (m_lock).
    struct FindCache {
        std::string needle;
        std::uint64_t first;
        std::size_t rows;
        std::size_t bytes;
        std::vector<std::size_t> matches;
    };
    FindCache m_findCache{};
    bool m_bFindCached = false;
    // The rows of the history holding `needle`, scanned again only when the text or the history has
    // changed since the last search. m_lock held.
    const std::vector<std::size_t>& FindMatches(const std::string& needle);
    // The newest line's clip matrix and the viewport of the last frame drawn: what picking inverts.
    double m_pickClip[16] = {};
    int m_pickViewport[4] = {};
    bool m_bPickValid = false;
};

// The notifications handed to the console process.
void OnConsoleOutput(const char* text);
void OnConsoleMessage(const char* text);
void OnConsoleExit();
