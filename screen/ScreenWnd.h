#pragma once
// CScreenWnd: the 3D screen. Keeps the last 30 lines of the interpreter's output as glyph display lists,
// holds the display values, draws the scene, and owns the console process.
//
// Threads: AppendOutput runs on the interpreter's reader threads and, for a drive message, on the
// user-interface thread; it holds m_lock for its whole run. Painting takes m_lock too, so the rendering
// context is never used by two threads at once. Nothing done while m_lock is held waits for the
// user-interface thread. The display values are plain members written on the user-interface thread;
// the font is replaced only through SetScreenFont, under m_lock.
#include <windows.h>

#include <atomic>
#include <string>

#include "console/ConsoleProcess.h"
#include "screen/GLWnd.h"
#include "screen/GlyphLine.h"

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
    // Appends to the current line, rebuilds its lists and draws at once; an empty text does nothing.
    void AppendText(const char* text);
    // Ends the current line.
    void NewLine();
    BOOL StartConsole();
    int SendCommand(const char* text);
    // Display values, tab width and font back to their defaults; rebuilds and draws nothing.
    void SetDefaults();
    BOOL InitGL() override;
    void DrawScene(HDC dc) override;

    // Replaces the screen font by one made from `lf`; when that font cannot be made, the default screen
    // font is used instead, so the screen never stays without a font. Takes m_lock.
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
    void Unlock() { ::LeaveCriticalSection(&m_lock); }
    void LockAnswering();

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

private:
    static HFONT CreateDefaultFont();
    // Draws a frame through `dc` now, or leaves it owed when the last frame is too recent. m_lock held.
    void DrawOrOweFrame(HDC dc);
    // Draws the owed frame, if any, now. m_lock held.
    void PayOwedFrame();
    // Bookkeeping after a frame has been shown. m_lock held.
    void FrameShown();
    DWORD m_lastFrameTick = 0;
    bool m_bFrameOwed = false;
    // The thread that owns the window (set when the window is bound), for Lock.
    std::atomic<DWORD> m_uiThreadId{0};
    // Set under m_lock when the window starts to go: appends then only keep the text.
    bool m_bClosing = false;
    // The texts of the 30 records, moved along with them.
    std::string m_texts[kLineRecords];
};

// The notifications handed to the console process.
void OnConsoleOutput(const char* text);
void OnConsoleMessage(const char* text);
void OnConsoleExit();
