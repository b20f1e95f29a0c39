#pragma once
// CColourPicker: a push button that shows one colour as a swatch beside a drop-down arrow and lets the
// user change it through a CColourPalettePopup opened just below itself.
//
// The picker paints itself (owner drawing) and fixes its own height from the system metrics. Its parent
// must be one of our windows (a CDialog or another CWnd): the parent reflects the button's WM_DRAWITEM
// and BN_CLICKED to the picker, and the picker tells the parent what happens through the messages of
// ColourMessages.h (lParam = the picker's control id). The parent never sees a command for the click.
#include <windows.h>

#include "framework/Wnd.h"

class CColourPicker : public CButton {
public:
    CColourPicker();
    ~CColourPicker() override;

    // Creates the picker as a new child button of `parent` (BS_OWNERDRAW is added to `style`).
    BOOL Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Stores the colour and, when the window exists, redraws it at once. May be called before the
    // window exists.
    void SetColour(COLORREF colour);
    COLORREF GetColour() const { return m_colour; }

    int m_popupOpen = 0;       // 1 from the click that opens the popup until it accepts or cancels
    COLORREF m_colour;         // the colour shown in the swatch
    COLORREF m_captionColour;  // the caption's text colour
    RECT m_arrowRect{};        // client rectangle of the drop-down arrow

protected:
    // Attaching to a template button makes it owner-drawn and fits it to the arrow.
    void PreSubclassWindow() override;
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

private:
    // Height from the arrow's side, width at least two arrows; sets m_arrowRect.
    void FitToArrow();
    void NotifyParent(UINT msg, COLORREF colour);

    LRESULT OnCreate(WPARAM, LPARAM);
    LRESULT OnDrawItem(WPARAM, LPARAM lp);
    void OnClicked();
    LRESULT OnColourHot(WPARAM colour, LPARAM);
    LRESULT OnColourAccept(WPARAM colour, LPARAM);
    LRESULT OnColourCancel(WPARAM colour, LPARAM);
};
