#pragma once
// CColourPalettePopup: the borderless popup that a colour picker opens below itself. It shows the 40
// named colours of kPaletteColours as an 8 x 5 grid under a "more colours" button, follows the mouse
// and the arrow keys with a highlight, and ends with a choice (button release inside it, Enter, or the
// system colour chooser through the button) or a cancel (Escape, button release outside it, and every
// end that does not come from the popup itself: WM_CLOSE, Alt+F4, its window destroyed by anyone). It
// reports every highlight change and then exactly one accept or cancel to the picker, destroys its
// window and deletes itself.
//
// Calling rules: create it with new and never delete it while its window exists (see the constructor).
// It holds the mouse capture from creation to its end and has no message loop of its own: it lives in
// whatever loop is running (the colour settings dialog's modal loop), whose pre-translation must reach
// PreTranslateMessage for the tooltips. User-interface thread only.
#include <windows.h>

#include <string>

#include "colour/PaletteGrid.h"
#include "framework/Wnd.h"

struct PaletteColour {
    COLORREF colour;
    const char* name;  // Shift-JIS
};

constexpr int kPaletteColourCount = 40;
// Row-major, 8 to a row. The values are the ones the program has always shown, even where they differ
// from what their names suggest (entry 2, "olive", is 0, 64, 64).
extern const PaletteColour kPaletteColours[kPaletteColourCount];

// The geometry (m_margin, m_boxSize, m_rows, m_columns, m_moreRect, m_windowRect) lives in PaletteGrid,
// which needs no window and is tested on its own.
class CColourPalettePopup : public CWnd, public PaletteGrid {
public:
    // Opens the popup with its top-left corner at screen point (x, y) (the picker's bottom-left corner),
    // `initial` highlighted as the starting colour, `picker` as the owner that receives the messages of
    // ColourMessages.h, and `moreText` as the button's caption.
    // When the window cannot be created, m_hWnd stays null and the object does not delete itself: the
    // creator deletes it. Otherwise the object deletes itself once its window is gone.
    CColourPalettePopup(int x, int y, COLORREF initial, CWnd* picker, const char* moreText);
    ~CColourPalettePopup() override;

    // Hands mouse messages to the tooltips before the usual pre-translation.
    BOOL PreTranslateMessage(MSG* msg) override;

    GridCell m_hotCell = NO_CELL;
    GridCell m_initialCell = NO_CELL;
    std::string m_moreText;
    HFONT m_font = nullptr;
    HPALETTE m_palette = nullptr;
    COLORREF m_initialColour = 0;
    COLORREF m_chosenColour = 0;
    HWND m_toolTip = nullptr;
    CWnd* m_picker = nullptr;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void PostNcDestroy() override;

private:
    BOOL CreatePopup(int x, int y, COLORREF initial, CWnd* picker, const char* moreText);
    void Layout();
    void CreateToolTips();
    void FindInitialCell(COLORREF colour);
    void ChangeHotCell(GridCell cell);
    void DrawCell(HDC dc, GridCell cell);
    void DrawMoreButton(HDC dc);
    void DrawGridCell(HDC dc, GridCell cell);
    // Ends the popup: accept (true) or cancel (false). Runs once; the window and the object are gone
    // when the message that caused it has been handled.
    void EndSelection(bool accept);
    void NotifyPicker(UINT msg, COLORREF colour);

    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM lp);
    LRESULT OnLButtonUp(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM key, LPARAM);
    LRESULT OnQueryNewPalette(WPARAM, LPARAM);
    LRESULT OnPaletteChanged(WPARAM changer, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);

    // The popup ends from inside its own handlers, and the framework's dispatch still touches the object
    // after a handler returns; so the object is deleted by the outermost call of this procedure, once
    // no message of the popup is being handled any more.
    static LRESULT CALLBACK PopupWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);
    int m_nDispatchDepth = 0;
    bool m_bSelfDeleting = false;  // set once the window exists and runs PopupWndProc
    bool m_bDeletePending = false;
    bool m_bEnding = false;
};
