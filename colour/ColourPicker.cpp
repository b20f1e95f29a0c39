#include "colour/ColourPicker.h"

#include <algorithm>
#include <string>

#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "res/Texts.h"

namespace {

// A class of our own built on the system's button, so that a picker created by us is bound from its
// first message (its WM_CREATE included) while the button's procedure stays its default processing.
struct PickerClass {
    const char* name = nullptr;
    WNDPROC buttonProc = nullptr;
};

const PickerClass& GetPickerClass() {
    static const PickerClass kClass = [] {
        PickerClass pc;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (!::GetClassInfoExA(nullptr, "BUTTON", &wc)) return pc;
        pc.buttonProc = wc.lpfnWndProc;
        wc.lpfnWndProc = &CWnd::StdWndProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.style &= ~CS_GLOBALCLASS;
        wc.lpszClassName = "Vextral.ColourPicker";
        if (::RegisterClassExA(&wc) != 0) pc.name = wc.lpszClassName;
        return pc;
    }();
    return kClass;
}

}  // namespace

CColourPicker::CColourPicker()
    : m_colour(::GetSysColor(COLOR_BTNFACE)), m_captionColour(::GetSysColor(COLOR_BTNTEXT)) {}

CColourPicker::~CColourPicker() = default;

BOOL CColourPicker::Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    const PickerClass& pc = GetPickerClass();
    if (pc.name == nullptr || m_hWnd != nullptr) return FALSE;
    m_pfnSuper = pc.buttonProc;
    const BOOL created =
        CreateEx(0, pc.name, caption, style | WS_CHILD | BS_OWNERDRAW, rect.left, rect.top,
                 rect.right - rect.left, rect.bottom - rect.top, parent != nullptr ? parent->m_hWnd : nullptr,
                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
    if (!created) m_pfnSuper = nullptr;
    return created;
}

void CColourPicker::SetColour(COLORREF colour) {
    m_colour = colour;
    if (IsWindow()) RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CColourPicker::PreSubclassWindow() {
    ModifyStyle(0, BS_OWNERDRAW);
    FitToArrow();
}

void CColourPicker::FitToArrow() {
    // The metrics of the monitor the picker lies on, where its dialog's template has been scaled to.
    const UINT dpi = WindowDpi(m_hWnd);
    const int ex = SystemMetricForDpi(SM_CXEDGE, dpi);
    const int ey = SystemMetricForDpi(SM_CYEDGE, dpi);
    const int w = std::max(SystemMetricForDpi(SM_CXHTHUMB, dpi), 5 * ex);
    const int h = std::max(SystemMetricForDpi(SM_CYVTHUMB, dpi), 5 * ey);
    const int s = std::max(w, h);  // the arrow box is square

    // The template's height is always replaced; its width only grows.
    const RECT r = GetRectInParent();
    const int width = std::max(static_cast<int>(r.right - r.left), 2 * (s + ex));
    const int height = s + 2 * ey;
    MoveWindow(r.left, r.top, width, height, TRUE);

    const RECT client = GetClientRect();
    m_arrowRect = {client.right - ex - s, ey, client.right - ex, client.bottom - ey};
}

void CColourPicker::NotifyParent(UINT msg, COLORREF colour) {
    if (HWND parent = ::GetParent(m_hWnd); parent != nullptr) {
        ::SendMessageA(parent, msg, colour, GetDlgCtrlID());
    }
}

bool CColourPicker::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CColourPicker> kTable[] = {
        OnMessage(WM_CREATE, &CColourPicker::OnCreate),
        OnReflected(WM_DRAWITEM, &CColourPicker::OnDrawItem),
        OnReflectedCommand(BN_CLICKED, &CColourPicker::OnClicked),
        OnMessage(WM_COLOUR_HOT, &CColourPicker::OnColourHot),
        OnMessage(WM_COLOUR_ACCEPT, &CColourPicker::OnColourAccept),
        OnMessage(WM_COLOUR_CANCEL, &CColourPicker::OnColourCancel),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CButton::OnWndMsg(msg, wp, lp, result);
}

LRESULT CColourPicker::OnCreate(WPARAM, LPARAM) {
    if (Default() == -1) return -1;
    FitToArrow();
    return 0;
}

LRESULT CColourPicker::OnDrawItem(WPARAM, LPARAM lp) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    return TRUE;
}

void CColourPicker::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool selected = (item.itemState & ODS_SELECTED) != 0 || m_popupOpen == 1;
    const UINT dpi = WindowDpi(m_hWnd);
    const int ex = SystemMetricForDpi(SM_CXEDGE, dpi);
    const int ey = SystemMetricForDpi(SM_CYEDGE, dpi);

    RECT arrow = m_arrowRect;
    ::DrawFrameControl(dc, &arrow, DFC_SCROLL,
                       DFCS_SCROLLDOWN | (selected ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));

    RECT frame = item.rcItem;
    ::DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);

    RECT swatch = item.rcItem;
    ::InflateRect(&swatch, -ex, -ey);
    swatch.right -= m_arrowRect.right - m_arrowRect.left;

    // A disabled picker keeps its colour but shows the button face.
    HBRUSH brush = ::CreateSolidBrush(disabled ? ::GetSysColor(COLOR_BTNFACE) : m_colour);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::Rectangle(dc, swatch.left, swatch.top, swatch.right, swatch.bottom);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(brush);

    const std::string caption = GetWindowText();
    if (!caption.empty()) {
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = ::GetTextColor(dc);
        const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        const int length = static_cast<int>(caption.size());
        if (disabled) {
            RECT raised = swatch;
            ::OffsetRect(&raised, 1, 1);
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
            ::DrawTextA(dc, caption.c_str(), length, &raised, format);
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
            ::DrawTextA(dc, caption.c_str(), length, &swatch, format);
        } else {
            ::SetTextColor(dc, m_captionColour);
            ::DrawTextA(dc, caption.c_str(), length, &swatch, format);
        }
        ::SetTextColor(dc, oldColour);
        ::SetBkMode(dc, oldMode);
    }

    if (item.itemState & ODS_FOCUS) {
        RECT focus = swatch;
        ::InflateRect(&focus, -1, -1);
        ::DrawFocusRect(dc, &focus);
    }
}

void CColourPicker::OnClicked() {
    m_popupOpen = 1;
    const RECT r = GetWindowRect();
    // The popup deletes itself once its window is gone. One that got no window is ours to delete, and
    // the picker goes back to its idle state rather than waiting for a popup that does not exist.
    auto* popup = new CColourPalettePopup(r.left, r.bottom, m_colour, this, kTextMoreColours);
    if (popup->m_hWnd == nullptr) {
        delete popup;
        m_popupOpen = 0;
        return;
    }
    NotifyParent(WM_COLOUR_POPUP_OPENED, m_colour);
}

LRESULT CColourPicker::OnColourHot(WPARAM colour, LPARAM) {
    // No live preview: the swatch keeps m_colour while the user browses.
    NotifyParent(WM_COLOUR_HOT, static_cast<COLORREF>(colour));
    return 1;
}

LRESULT CColourPicker::OnColourAccept(WPARAM colour, LPARAM) {
    m_popupOpen = 0;
    const COLORREF chosen = static_cast<COLORREF>(colour);
    if (chosen == m_colour) return 1;
    SetColour(chosen);
    NotifyParent(WM_COLOUR_SET, chosen);
    return 1;
}

LRESULT CColourPicker::OnColourCancel(WPARAM colour, LPARAM) {
    m_popupOpen = 0;
    const COLORREF restored = static_cast<COLORREF>(colour);
    SetColour(restored);
    NotifyParent(WM_COLOUR_SET, restored);
    NotifyParent(WM_COLOUR_CANCEL, restored);
    return 1;
}
