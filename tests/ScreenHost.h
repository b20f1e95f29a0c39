#pragma once
// A visible top-level window holding a real CScreenWnd (with its OpenGL context), standing in for the
// main window in tests that need a screen and a window placement. Counts the screen's WM_PAINTs.
#include <commctrl.h>
#include <windows.h>

#include "framework/Wnd.h"
#include "screen/ScreenWnd.h"

class ScreenHost {
public:
    // The host's outer rectangle in screen coordinates. Keep it clear of the centre of the desktop,
    // where modal dialogs open, so that a dialog never covers the screen.
    explicit ScreenHost(RECT outer = {20, 20, 420, 320}) {
        m_host.CreateEx(0, RegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW)), "Vextral test host",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, outer.left, outer.top, outer.right - outer.left,
                        outer.bottom - outer.top, nullptr, nullptr);
        const RECT client = m_host.GetClientRect();
        m_screen.Create(m_host.m_hWnd, client, 1000);
        ::SetWindowSubclass(m_screen.m_hWnd, &CountPaints, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
        ::UpdateWindow(m_host.m_hWnd);
        Pump();
    }

    ~ScreenHost() {
        // The screen's own WM_DESTROY (context release) must run while its object is alive: destroy the
        // windows here, before the members go.
        if (m_screen.m_hWnd != nullptr) ::RemoveWindowSubclass(m_screen.m_hWnd, &CountPaints, kSubclassId);
        m_host.DestroyWindow();
        Pump();
    }

    ScreenHost(const ScreenHost&) = delete;
    ScreenHost& operator=(const ScreenHost&) = delete;

    HWND Window() const { return m_host.m_hWnd; }
    CScreenWnd& Screen() { return m_screen; }
    int Paints() const { return m_nPaints; }

    // Handles whatever is queued (sizing, painting) before a test looks.
    static void Pump() {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

private:
    static constexpr UINT_PTR kSubclassId = 0x5C;

    static LRESULT CALLBACK CountPaints(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        if (msg == WM_PAINT) ++reinterpret_cast<ScreenHost*>(data)->m_nPaints;
        return ::DefSubclassProc(hWnd, msg, wp, lp);
    }

    CWnd m_host;  // declared first: destroyed after the screen object
    CScreenWnd m_screen;
    int m_nPaints = 0;
};

// Whether `list`, a name the screen once gave one of its lines, names a line's list of `screen` now.
// A line's lists are deleted when it scrolls away; whether the freed name then names no list or comes
// back at once for a new line is the GL implementation's choice (Mesa 25 hands the lowest free name
// out again), so a test that a list is gone asks that it is no list or the list of a line still stored.
inline bool NamedByAStoredLine(const CScreenWnd& screen, GLuint list) {
    for (const CGlyphLine& line : screen.m_lines) {
        if (line.m_nList == list) return true;
        if (line.m_nGlyphBase != 0 && list >= line.m_nGlyphBase &&
            list < line.m_nGlyphBase + static_cast<GLuint>(line.m_nGlyphCount))
            return true;
    }
    return false;
}
