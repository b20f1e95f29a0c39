#pragma once
// CWnd: a C++ object bound to one window.
//
// A window is bound in one of three ways, and in each the object is found again from the handle
// through a window property (FromHandle):
//  - created by us from a class registered with RegisterWndClass (CreateEx): bound at WM_NCCREATE
//    from CREATESTRUCT::lpCreateParams;
//  - a dialog created from a template (CDialog): bound at WM_INITDIALOG from its lParam;
//  - an existing window, usually a template control, taken over by SubclassWindow: bound at once.
// Dialogs and taken-over windows get their window procedure swapped for ours; the old procedure is the
// default processing. Binding ends at WM_NCDESTROY, after which PostNcDestroy runs.
#include <windows.h>

#include <string>

#include "framework/MessageTable.h"

class CDataExchange;

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hWnd);
    // The procedure of every window of a class registered by RegisterWndClass.
    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);

    // Creation of a window of a class registered by RegisterWndClass (or any class whose procedure
    // is StdWndProc).
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x,
                  int y, int cx, int cy, HWND parent, HMENU menuOrId);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);

    // Taking over an existing window.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    virtual void PreSubclassWindow() {}

    // First look at a queued message for this window or a descendant; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Data exchange between members and controls: DoDataExchange in the given direction.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange*) {}

    // Thin wrappers used throughout the program.
    BOOL DestroyWindow();
    BOOL IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageA(m_hWnd, msg, wp, lp);
    }
    RECT GetWindowRect() const;
    RECT GetClientRect() const;
    // The window's rectangle in its parent's client coordinates (screen coordinates without a parent).
    RECT GetRectInParent() const;
    void MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE) {
        ::MoveWindow(m_hWnd, x, y, cx, cy, repaint);
    }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add);
    BOOL RedrawWindow(UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW) {
        return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags);
    }
    void CenterWindow(HWND over);

protected:
    // The message dispatch of a bound window: reflection to a child's object, then the class's message
    // table (OnWndMsg), then the default processing.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // The class's message table; returns true when it handled the message and set `result`.
    virtual bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Default processing of the message: the taken-over window's own procedure, or DefWindowProc.
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Default processing of the message being handled now.
    LRESULT Default();
    // Called for a notification that the parent reflects to this control; true when handled.
    virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Runs after the window is gone (after WM_NCDESTROY); an object that deletes itself does it here.
    virtual void PostNcDestroy() {}

    // The procedure that dialogs and taken-over windows run before they were bound.
    WNDPROC m_pfnSuper = nullptr;

    void Bind(HWND hWnd);
    friend class CDialog;
    friend class CWinApp;

private:
    bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void Unbind();
};

// A mouse message's point (client or screen coordinates, as the message has it), signed: a captured drag
// and a second monitor left of or above the first report negative coordinates.
inline POINT PointFromLParam(LPARAM lp) { return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }

// The dots per inch of the monitor `hWnd` lies on (GetDpiForWindow where the system has it, else the
// screen's), 96 at 100 %; and `pixels` at 96 DPI scaled to `dpi`.
UINT WindowDpi(HWND hWnd);
inline int ScaleForDpi(int pixels, UINT dpi) { return ::MulDiv(pixels, static_cast<int>(dpi), 96); }
// GetSystemMetrics(`index`) as it is on a monitor of `dpi`: a per-monitor aware program's GetSystemMetrics
// answers for the system's DPI only, which a window on another monitor does not have. Systems without
// GetSystemMetricsForDpi have one DPI, and GetSystemMetrics is its answer.
int SystemMetricForDpi(int index, UINT dpi);
// A new font: the system's message-box font at `dpi` (SPI_GETNONCLIENTMETRICS alone knows only the
// system's DPI); the GUI font when the metrics cannot be read. The caller deletes it.
HFONT CreateMessageFont(UINT dpi);

// Registers (once per distinct set of arguments) a window class whose procedure is CWnd's and returns
// its name.
const char* RegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                             HICON icon = nullptr);

// Plain controls bound to template items: only what the program uses.
class CStatic : public CWnd {};
class CButton : public CWnd {};
class CScrollBar : public CWnd {};
class CEdit : public CWnd {
public:
    void SetSel(int start, int end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void ScrollCaret() { SendMessage(EM_SCROLLCARET); }
};
