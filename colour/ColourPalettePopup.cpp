#include "colour/ColourPalettePopup.h"

#include <windowsx.h>

#include <commctrl.h>

#include <cstddef>
#include <vector>

#include "colour/ColourMessages.h"
#include "framework/Choosers.h"

// clang-format off
const PaletteColour kPaletteColours[kPaletteColourCount] = {
    {RGB(0, 0, 0), "\x8D\x95"},                                          // black
    {RGB(165, 42, 0), "\x92\x83"},                                       // brown
    {RGB(0, 64, 64), "\xB5\xD8\xB0\xCC\xDE"},                            // olive
    {RGB(0, 85, 0), "\x94Z\x82\xA2\x97\xCE"},                            // dark green
    {RGB(0, 0, 94), "\x94Z\x82\xA2\x90\xC2\x97\xCE"},                    // dark blue-green
    {RGB(0, 0, 139), "\x94Z\x82\xA2\x90\xC2"},                           // dark blue
    {RGB(75, 0, 130), "\xB2\xDD\xC3\xDE\xA8\xBA\xDE"},                   // indigo
    {RGB(40, 40, 40), "80% \x8A" "D\x90" "F"},                           // 80% grey
    {RGB(139, 0, 0), "\x94Z\x82\xA2\x90\xD4"},                           // dark red
    {RGB(255, 104, 32), "\xB5\xDA\xDD\xBC\xDE"},                         // orange
    {RGB(139, 139, 0), "\x94Z\x82\xA2\x89\xA9"},                         // dark yellow
    {RGB(0, 147, 0), "\x97\xCE"},                                        // green
    {RGB(56, 142, 142), "\x90\xC2\x97\xCE"},                             // blue-green
    {RGB(0, 0, 255), "\x90\xC2"},                                        // blue
    {RGB(123, 123, 192), "\xCC\xDE\xD9\xB0\xB8\xDE\xDA\xB0"},            // blue-grey
    {RGB(102, 102, 102), "50% \x8A" "D\x90" "F"},                        // 50% grey
    {RGB(255, 0, 0), "\x90\xD4"},                                        // red
    {RGB(255, 173, 91), "\x94\x96\x82\xA2\xB5\xDA\xDD\xBC\xDE"},         // light orange
    {RGB(50, 205, 50), "\xD7\xB2\xD1"},                                  // lime
    {RGB(60, 179, 113), "\xBC\xB0\xB8\xDE\xD8\xB0\xDD"},                 // sea green
    {RGB(127, 255, 212), "\xB1\xB8\xB1"},                                // aqua
    {RGB(125, 158, 192), "\x94\x96\x82\xA2\x90\xC2"},                    // light blue
    {RGB(128, 0, 128), "\x8E\x87"},                                      // purple
    {RGB(127, 127, 127), "40% \x8A" "D\x90" "F"},                        // 40% grey
    {RGB(255, 192, 203), "\xCB\xDF\xDD\xB8"},                            // pink
    {RGB(255, 215, 0), "\xBA\xDE\xB0\xD9\xC4\xDE"},                      // gold
    {RGB(255, 255, 0), "\x89\xA9"},                                      // yellow
    {RGB(0, 255, 0), "\x96\xBE\x82\xE9\x82\xA2\x97\xCE"},                // bright green
    {RGB(64, 224, 208), "\x90\x85\x90" "F"},                             // water blue
    {RGB(192, 255, 255), "\xBD\xB6\xB2\xCC\xDE\xD9\xB0"},                // sky blue
    {RGB(72, 0, 72), "\xCC\xDF\xD7\xD1"},                                // plum
    {RGB(192, 192, 192), "25% \x8A" "D\x90" "F"},                        // 25% grey
    {RGB(255, 228, 225), "\xDB\xB0\xBD\xDE"},                            // rose
    {RGB(210, 180, 140), "\xCD\xDE\xB0\xBC\xDE\xAD"},                    // beige
    {RGB(255, 255, 224), "\x94\x96\x82\xA2\x89\xA9"},                    // light yellow
    {RGB(152, 251, 152), "\x94\x96\x82\xA2\x97\xCE"},                    // light green
    {RGB(175, 238, 238), "\x94\x96\x82\xA2\x90\x85\x90" "F"},            // light water blue
    {RGB(104, 131, 139), "\xCD\xDF\xB0\xD9\xCC\xDE\xD9\xB0"},            // pale blue
    {RGB(230, 230, 250), "\xD7\xCD\xDE\xDD\xC0\xDE\xB0"},                // lavender
    {RGB(255, 255, 255), "\x94\x92"},                                    // white
};
// clang-format on

namespace {

HPALETTE CreatePaletteOfTable(int count) {
    std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + static_cast<size_t>(count) * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        const COLORREF c = kPaletteColours[i].colour;
        lp->palPalEntry[i] = {GetRValue(c), GetGValue(c), GetBValue(c), 0};
    }
    return ::CreatePalette(lp);
}

RECT ToRect(const GridRect& r) { return {r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, const RECT& r, int sysColour) { ::FillRect(dc, &r, ::GetSysColorBrush(sysColour)); }

}  // namespace

CColourPalettePopup::CColourPalettePopup(int x, int y, COLORREF initial, CWnd* picker, const char* moreText)
    : m_moreText(moreText != nullptr ? moreText : ""),
      m_initialColour(initial),
      m_chosenColour(initial),
      m_picker(picker) {
    m_colourCount = kPaletteColourCount;
    // Sized for the monitor the picker lies on: the swatches as large there as 18-pixel cells at 100 %,
    // the caption in the message font of that scale.
    const UINT dpi = WindowDpi(picker != nullptr && picker->IsWindow() ? picker->m_hWnd : nullptr);
    m_margin = SystemMetricForDpi(SM_CXEDGE, dpi);
    m_boxSize = BoxSizeForDpi(static_cast<int>(dpi), m_margin);
    m_font = CreateMessageFont(dpi);
    m_palette = CreatePaletteOfTable(m_colourCount);
    CreatePopup(x, y, initial, picker, moreText);
}

CColourPalettePopup::~CColourPalettePopup() {
    if (m_font != nullptr) ::DeleteObject(m_font);
    if (m_palette != nullptr) ::DeleteObject(m_palette);
    // The tooltip window is owned by the popup and normally went with it.
    if (m_toolTip != nullptr && ::IsWindow(m_toolTip)) ::DestroyWindow(m_toolTip);
}

BOOL CColourPalettePopup::CreatePopup(int x, int y, COLORREF initial, CWnd* picker, const char* moreText) {
    m_picker = picker;
    m_initialColour = initial;
    const char* className = RegisterWndClass(CS_SAVEBITS | CS_CLASSDC | CS_HREDRAW | CS_VREDRAW, nullptr,
                                             static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)), nullptr);
    if (className == nullptr) return FALSE;
    HWND owner = picker != nullptr ? picker->m_hWnd : nullptr;
    if (!CreateEx(0, className, "", WS_POPUP | WS_VISIBLE, x, y, 100, 100, owner, nullptr)) return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PopupWndProc));
    m_bSelfDeleting = true;

    m_moreText = moreText != nullptr ? moreText : "";
    Layout();
    CreateToolTips();
    FindInitialCell(initial);
    ::SetCapture(m_hWnd);
    return TRUE;
}

LRESULT CALLBACK CColourPalettePopup::PopupWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    // Only popups run this procedure, so a bound object is one.
    auto* self = static_cast<CColourPalettePopup*>(CWnd::FromHandle(hWnd));
    if (self == nullptr) return CWnd::StdWndProc(hWnd, msg, wp, lp);
    ++self->m_nDispatchDepth;
    const LRESULT result = CWnd::StdWndProc(hWnd, msg, wp, lp);
    if (--self->m_nDispatchDepth == 0 && self->m_bDeletePending) delete self;
    return result;
}

void CColourPalettePopup::PostNcDestroy() {
    // WM_NCDESTROY always arrives through PopupWndProc once the popup deletes itself; the deletion
    // happens there, when the outermost message of the popup has been handled.
    if (m_bSelfDeleting) m_bDeletePending = true;
}

void CColourPalettePopup::Layout() {
    SIZE text{};
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ oldFont = ::SelectObject(dc, m_font != nullptr ? m_font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::GetTextExtentPoint32A(dc, m_moreText.c_str(), static_cast<int>(m_moreText.size()), &text);
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(m_hWnd, dc);

    const RECT wr = GetWindowRect();
    // The popup stays on the monitor that holds the picker (or, without one, its own top-left corner).
    int pickerHeight = 0;
    HMONITOR monitor = nullptr;
    if (m_picker != nullptr && m_picker->IsWindow()) {
        const RECT pr = m_picker->GetWindowRect();
        pickerHeight = pr.bottom - pr.top;
        monitor = ::MonitorFromRect(&pr, MONITOR_DEFAULTTONEAREST);
    } else {
        monitor = ::MonitorFromPoint(POINT{wr.left, wr.top}, MONITOR_DEFAULTTONEAREST);
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GridRect workArea{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (monitor != nullptr && ::GetMonitorInfoA(monitor, &info)) {
        workArea = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    }
    ComputeLayout(wr.left, wr.top, text.cx, text.cy, workArea, pickerHeight);
    MoveWindow(m_windowRect.left, m_windowRect.top, m_windowRect.Width(), m_windowRect.Height(), TRUE);
}

void CColourPalettePopup::CreateToolTips() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    m_toolTip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (m_toolTip == nullptr) return;  // the popup works without tooltips
    // One tool per cell, all under id 1: the tooltip finds the tool by its rectangle.
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int index = row * m_columns + column;
            GridRect cell;
            if (index >= m_colourCount || !GetCellRect(row, column, cell)) continue;
            TTTOOLINFOA ti{};
            ti.cbSize = TTTOOLINFOA_V2_SIZE;
            ti.hwnd = m_hWnd;
            ti.uId = 1;
            ti.rect = ToRect(cell);
            ti.hinst = ::GetModuleHandleA(nullptr);
            ti.lpszText = const_cast<char*>(kPaletteColours[index].name);
            ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
}

void CColourPalettePopup::FindInitialCell(COLORREF colour) {
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int index = row * m_columns + column;
            if (index < m_colourCount && kPaletteColours[index].colour == colour) {
                m_initialCell = {row, column};
                return;
            }
        }
    }
    m_initialCell = MORE_CELL;  // matches no grid cell: nothing is drawn sunken
}

void CColourPalettePopup::ChangeHotCell(GridCell cell) {
    HDC dc = ::GetDC(m_hWnd);
    if (m_hotCell.IsGridCell() || m_hotCell.column == MORE_CELL.column) {
        const GridCell previous = m_hotCell;
        m_hotCell = NO_CELL;
        DrawCell(dc, previous);
    }
    m_hotCell = cell;
    DrawCell(dc, cell);
    ::ReleaseDC(m_hWnd, dc);

    if (cell == MORE_CELL) {
        // The button stands for the starting colour until the chooser gives another; the colour to
        // report stays as it was.
        NotifyPicker(WM_COLOUR_HOT, m_initialColour);
    } else {
        const int index = cell.row * m_columns + cell.column;
        if (index >= 0 && index < m_colourCount) m_chosenColour = kPaletteColours[index].colour;
        NotifyPicker(WM_COLOUR_HOT, m_chosenColour);
    }
}

void CColourPalettePopup::DrawCell(HDC dc, GridCell cell) {
    if (cell == MORE_CELL) {
        DrawMoreButton(dc);
    } else {
        DrawGridCell(dc, cell);
    }
}

void CColourPalettePopup::DrawMoreButton(HDC dc) {
    const int m = m_margin;
    RECT more = ToRect(m_moreRect);
    FillSolid(dc, more, COLOR_BTNFACE);

    RECT text = more;
    text.bottom -= 2 * m + 2;
    if (m_hotCell == MORE_CELL) ::DrawEdge(dc, &text, EDGE_RAISED, BF_RECT);

    // The caption keeps the context's default text colour; the button face shows around the glyphs.
    // The class context is shared and keeps its state, so everything selected is put back.
    HGDIOBJ oldFont = ::SelectObject(dc, m_font != nullptr ? m_font : ::GetStockObject(DEFAULT_GUI_FONT));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, m_moreText.c_str(), static_cast<int>(m_moreText.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);

    // The etched separator between the button and the grid.
    const int left = more.left + 2 * m;
    const int width = (more.right - more.left) - 4 * m;
    const int y = more.bottom - m - 2;
    FillSolid(dc, RECT{left, y, left + width, y + 1}, COLOR_BTNSHADOW);
    FillSolid(dc, RECT{left, y + 1, left + width, y + 2}, COLOR_BTNHIGHLIGHT);
}

void CColourPalettePopup::DrawGridCell(HDC dc, GridCell cell) {
    HPALETTE oldPalette = nullptr;
    if (m_palette != nullptr && (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        oldPalette = ::SelectPalette(dc, m_palette, FALSE);
        ::RealizePalette(dc);
    }

    GridRect cellRect;
    const int index = cell.row * m_columns + cell.column;
    if (GetCellRect(cell.row, cell.column, cellRect) && index < m_colourCount) {
        RECT r = ToRect(cellRect);
        const bool initial = cell == m_initialCell;
        const bool hot = cell == m_hotCell;
        FillSolid(dc, r, initial && !hot ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE);
        if (initial) ::DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
        if (hot) ::DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);

        // Palette-relative, so that on palette devices the swatch maps onto the realised palette.
        const int inset = m_margin + 1;
        HBRUSH brush = ::CreateSolidBrush(PALETTERGB(GetRValue(kPaletteColours[index].colour),
                                                     GetGValue(kPaletteColours[index].colour),
                                                     GetBValue(kPaletteColours[index].colour)));
        HPEN pen = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ oldBrush = ::SelectObject(dc, brush);
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        ::Rectangle(dc, r.left + inset, r.top + inset, r.right - inset, r.bottom - inset);
        ::SelectObject(dc, oldPen);
        ::SelectObject(dc, oldBrush);
        ::DeleteObject(pen);
        ::DeleteObject(brush);
    }

    if (oldPalette != nullptr) ::SelectPalette(dc, oldPalette, FALSE);
}

void CColourPalettePopup::EndSelection(bool accept) {
    // One result per popup, even if a key or a button release reaches it while it ends (the colour
    // chooser runs a loop of its own, and the picker's handlers may send it messages).
    if (m_bEnding) return;
    m_bEnding = true;
    ::ReleaseCapture();

    if (accept && m_hotCell == MORE_CELL) {
        // The chooser disables only its owner, the popup. Everything the popup hangs from (the colour
        // settings dialog, and what owns that) must wait for it too: else a click on another picker
        // would open a second popup inside the chooser's loop, and the dialog's buttons would act only
        // after the chooser closed.
        std::vector<HWND> disabled;
        for (HWND owner = ::GetWindow(m_hWnd, GW_OWNER); owner != nullptr; owner = ::GetWindow(owner, GW_OWNER)) {
            if (::IsWindowEnabled(owner)) {
                ::EnableWindow(owner, FALSE);
                disabled.push_back(owner);
            }
        }
        CColorDialog dialog(m_initialColour, CC_FULLOPEN | CC_ANYCOLOR, m_hWnd);
        m_chosenColour = dialog.DoModal() == IDOK ? dialog.GetColor() : m_initialColour;
        // Innermost last, so that it is enabled when the popup goes and the activation returns to it.
        for (auto it = disabled.rbegin(); it != disabled.rend(); ++it) {
            if (::IsWindow(*it)) ::EnableWindow(*it, TRUE);
        }
    }
    if (!accept) m_chosenColour = m_initialColour;

    NotifyPicker(accept ? WM_COLOUR_ACCEPT : WM_COLOUR_CANCEL, m_chosenColour);
    DestroyWindow();
}

void CColourPalettePopup::NotifyPicker(UINT msg, COLORREF colour) {
    if (m_picker != nullptr && m_picker->IsWindow()) m_picker->SendMessage(msg, colour, 0);
}

BOOL CColourPalettePopup::PreTranslateMessage(MSG* msg) {
    if (m_toolTip != nullptr) ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CWnd::PreTranslateMessage(msg);
}

bool CColourPalettePopup::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CColourPalettePopup> kTable[] = {
        OnMessage(WM_PAINT, &CColourPalettePopup::OnPaint),
        OnMessage(WM_MOUSEMOVE, &CColourPalettePopup::OnMouseMove),
        OnMessage(WM_LBUTTONUP, &CColourPalettePopup::OnLButtonUp),
        OnMessage(WM_KEYDOWN, &CColourPalettePopup::OnKeyDown),
        OnMessage(WM_QUERYNEWPALETTE, &CColourPalettePopup::OnQueryNewPalette),
        OnMessage(WM_PALETTECHANGED, &CColourPalettePopup::OnPaletteChanged),
        OnMessage(WM_CLOSE, &CColourPalettePopup::OnClose),
        OnMessage(WM_DESTROY, &CColourPalettePopup::OnDestroy),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CWnd::OnWndMsg(msg, wp, lp, result);
}

LRESULT CColourPalettePopup::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) DrawCell(dc, {row, column});
    }
    DrawCell(dc, MORE_CELL);
    RECT client = GetClientRect();
    ::DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CColourPalettePopup::OnMouseMove(WPARAM, LPARAM lp) {
    if (m_bEnding) return Default();  // no way back once the popup ends
    // With the capture the point may lie outside the popup, so its coordinates are signed.
    const GridCell target = HitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    if (target != NO_CELL && target != m_hotCell) ChangeHotCell(target);
    return Default();
}

LRESULT CColourPalettePopup::OnLButtonUp(WPARAM, LPARAM) {
    const LRESULT result = Default();
    const DWORD pos = ::GetMessagePos();
    const bool inside = m_windowRect.Contains(GET_X_LPARAM(pos), GET_Y_LPARAM(pos));
    EndSelection(inside);
    return result;
}

LRESULT CColourPalettePopup::OnKeyDown(WPARAM key, LPARAM) {
    if (m_bEnding) return Default();
    GridKey move;
    switch (key) {
    case VK_DOWN:
        move = GridKey::Down;
        break;
    case VK_UP:
        move = GridKey::Up;
        break;
    case VK_RIGHT:
        move = GridKey::Right;
        break;
    case VK_LEFT:
        move = GridKey::Left;
        break;
    case VK_RETURN:
        EndSelection(true);
        return 0;
    case VK_ESCAPE:
        m_chosenColour = m_initialColour;
        EndSelection(false);
        return 0;
    default:
        return Default();
    }
    ChangeHotCell(KeyTarget(m_hotCell, move));
    return Default();
}

LRESULT CColourPalettePopup::OnQueryNewPalette(WPARAM, LPARAM) {
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return Default();
}

LRESULT CColourPalettePopup::OnPaletteChanged(WPARAM changer, LPARAM) {
    const LRESULT result = Default();
    if (reinterpret_cast<HWND>(changer) != m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return result;
}

LRESULT CColourPalettePopup::OnClose(WPARAM, LPARAM) {
    // WM_CLOSE, and Alt+F4 or the system's close, which arrive as WM_CLOSE: a cancel like Escape.
    EndSelection(false);
    return 0;
}

LRESULT CColourPalettePopup::OnDestroy(WPARAM, LPARAM) {
    // Destroyed by someone else (its owner went, or DestroyWindow from outside): the picker still gets
    // its one result, a cancel, and the capture goes back.
    if (!m_bEnding) {
        m_bEnding = true;
        if (::GetCapture() == m_hWnd) ::ReleaseCapture();
        m_chosenColour = m_initialColour;
        NotifyPicker(WM_COLOUR_CANCEL, m_chosenColour);
    }
    return Default();
}
