#pragma once
// CFindBar: finding text in the scrollback. A row across the bottom of the main window, above the entry
// box, while it is open: the label "検索", the text to find, and what the last search found ("3 / 17 件"
// or "見つかりません").
//
// Keys: Ctrl+F anywhere in the window opens the bar with the focus in its text. There Enter finds the
// next match in older lines, Shift+Enter in newer ones; Escape closes the bar and gives the focus back to
// the entry box, the view staying where it is. F3 and Shift+F3 do what Enter and Shift+Enter do, also
// with the bar closed. The screen (CScreenWnd::Find) moves the view and marks the matches until the bar
// closes (or, searched with the bar closed, until Escape in the entry box). On the user-interface thread.
#include <windows.h>

#include <string>

class CScreenWnd;

class CFindBar {
public:
    // Makes the bar's controls, hidden, as children of `parent` in its font. `entry` gets the focus back.
    void Create(HWND parent, CScreenWnd& screen, HWND entry);
    // The controls' font (the window's, after a change of scale).
    void UseFont(HFONT font);
    bool IsOpen() const { return m_bOpen; }
    // The height of the row while the bar is open, 0 while it is closed: what the screen gives up for it.
    int Height() const { return m_bOpen ? m_nHeight : 0; }
    // Places the row at `top`, `width` pixels wide, its label at `labelLeft` and its text from `textLeft`
    // (where the entry box's label and text start); `height` is the entry box's.
    void Layout(int labelLeft, int textLeft, int top, int width, int height);
    void Open();
    void Close();
    // Ctrl+F, F3 and Shift+F3 in the window; Enter, Shift+Enter and Escape in the bar's text. True when
    // `msg` was one of them and has been handled.
    bool HandleKey(const MSG& msg);
    // Searches for the bar's text, older or newer, and shows the result; a beep with the bar closed and
    // nothing found.
    void Search(bool older);

    HWND TextWindow() const { return m_hText; }
    std::string StatusText() const;

private:
    // Has the window lay itself out again: the screen gives the row up or takes it back.
    void Relayout() const;

    HWND m_hParent = nullptr;
    HWND m_hEntry = nullptr;
    HWND m_hLabel = nullptr;
    HWND m_hText = nullptr;
    HWND m_hStatus = nullptr;
    CScreenWnd* m_pScreen = nullptr;
    bool m_bOpen = false;
    int m_nHeight = 0;
};
