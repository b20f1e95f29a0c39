#include "app/MainDialog.h"

#include <cstring>
#include <string>

#include "app/AboutDlg.h"
#include "app/MainLayout.h"
#include "app/Settings.h"
#include "colour/ColorSetDlg.h"
#include "framework/App.h"
#include "framework/Choosers.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "screen/AdjustDlg.h"

namespace {

// The system menu's items, after the platform's own (0 marks a separator).
struct SystemMenuItem {
    UINT id;
    const char* text;
};
const SystemMenuItem kSystemMenuItems[] = {
    {0, nullptr},          {IDM_ADJUST, kTextMenuAdjust}, {IDM_FONT, kTextMenuFont},
    {IDM_COLOUR, kTextMenuColour}, {0, nullptr},          {IDM_RESET, kTextMenuReset},
    {0, nullptr},          {IDM_ABOUT, kTextMenuAbout},
};

const char kBannerRule[] = "******************************************";  // 42 asterisks

// While a dialog or a menu runs over the main window, a close request first cancels it and comes back
// after this long.
constexpr UINT_PTR kCloseRetryTimer = 1;
constexpr UINT kCloseRetryMs = 100;


// Cancels a window of this thread that runs over the main window: a dialog (ours or the system's), the
// colour palette, a menu.
BOOL CALLBACK CancelOverlay(HWND hWnd, LPARAM mainWnd) {
    if (hWnd == reinterpret_cast<HWND>(mainWnd) || !::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd)) {
        return TRUE;
    }
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0) {
        ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
        ::PostMessageA(hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return TRUE;
}

}  // namespace

CMainDialog::CMainDialog(CWnd* parent) : CDialog(IDD_MAIN, parent) {
    m_hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VEXTRAL));
    m_nHistoryIndex = 0;
    Create(nullptr);
}

CMainDialog::~CMainDialog() = default;

void CMainDialog::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_COMMAND_LABEL, m_CommandLabel);
    DDX_Control(dx, IDC_COMMAND_EDIT, m_CommandEdit);
    DDX_Control(dx, IDC_SCREEN, m_Screen);  // runs the screen's GL set-up
}

bool CMainDialog::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CMainDialog> kTable[] = {
        OnMessage(WM_SYSCOMMAND, &CMainDialog::OnSysCommand),
        OnMessage(WM_PAINT, &CMainDialog::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &CMainDialog::OnQueryDragIcon),
        OnCommand(IDC_ENTER, &CMainDialog::OnEnterCommand),
        OnMessage(WM_SIZE, &CMainDialog::OnSize),
        OnCommand(IDM_ABOUT, &CMainDialog::OnAbout),
        OnCommand(IDM_ADJUST, &CMainDialog::OnScreenAdjust),
        OnCommand(IDM_FONT, &CMainDialog::OnFont),
        OnCommand(IDM_COLOUR, &CMainDialog::OnColour),
        OnCommand(IDM_RESET, &CMainDialog::OnResetDefaults),
        OnMessage(WM_DESTROY, &CMainDialog::OnDestroy),
        OnMessage(WM_TIMER, &CMainDialog::OnTimer),
        OnMessage(WM_ENTERMENULOOP, &CMainDialog::OnEnterMenuLoop),
        OnMessage(WM_EXITMENULOOP, &CMainDialog::OnExitMenuLoop),
        OnMessage(WM_DPICHANGED, &CMainDialog::OnDpiChanged),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CMainDialog::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the controls: the screen's rendering is ready after this
    m_CommandEdit.m_pSink = this;
    m_FindBar.Create(m_hWnd, m_Screen, m_CommandEdit.m_hWnd);

    if (HMENU sysMenu = ::GetSystemMenu(m_hWnd, FALSE); sysMenu != nullptr) {
        for (const SystemMenuItem& item : kSystemMenuItems) {
            if (item.id == 0) {
                ::AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
            } else {
                ::AppendMenuA(sysMenu, MF_STRING, item.id, item.text);
            }
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    unsigned char record[kSettingsSize] = {};
    if (LoadSettings(record)) {
        ApplySettingsRecord(record, m_Screen, m_hWnd);
    } else {
        ApplyDefaults();
    }

    // The banner; the interpreter's greeting follows on the fifth line.
    m_Screen.AppendText(kBannerRule);
    m_Screen.NewLine();
    const std::string title = std::string("  VEXTRAL  [") + kVersionText + "]";
    m_Screen.AppendText(title.c_str());
    m_Screen.NewLine();
    m_Screen.AppendText(kBannerRule);
    m_Screen.NewLine();
    m_Screen.NewLine();

    if (m_Screen.StartConsole()) return TRUE;

    CWinApp* app = AfxGetApp();
    std::string name = app != nullptr ? app->AppName() : std::string("vextral");
    ::MessageBoxA(m_hWnd, kTextStartFailed, name.c_str(), MB_OK | MB_ICONEXCLAMATION);
    PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    return FALSE;
}

bool CMainDialog::ScreenKey(const MSG& msg) {
    if (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd)) return false;  // a dialog over the window
    if (msg.message == WM_MOUSEWHEEL) {
        // Wheel messages go to the window with the focus (the entry box): over the screen they are its.
        const POINT pt = PointFromLParam(msg.lParam);
        const RECT screen = m_Screen.GetWindowRect();
        if (!::PtInRect(&screen, pt)) return false;
        m_Screen.OnWheel(msg.wParam);
        return true;
    }
    if (msg.message != WM_KEYDOWN) return false;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    if (!shift || ::GetKeyState(VK_MENU) < 0) return false;
    if (!ctrl) {
        // Shift alone: pages, in the entry box only (elsewhere it has no other meaning, nor here).
        if (msg.hwnd != m_CommandEdit.m_hWnd) return false;
        if (msg.wParam == VK_PRIOR) {
            m_Screen.ScrollView(ScrollHistory::kPageLines);
        } else if (msg.wParam == VK_NEXT) {
            m_Screen.ScrollView(-ScrollHistory::kPageLines);
        } else {
            return false;  // Shift+Home/End and Shift+arrows select in the entry box
        }
        return true;
    }
    switch (msg.wParam) {
    case VK_UP:
        m_Screen.ScrollView(1);
        return true;
    case VK_DOWN:
        m_Screen.ScrollView(-1);
        return true;
    case VK_HOME:
        m_Screen.ScrollViewToOldest();
        return true;
    case VK_END:
        m_Screen.ScrollViewToNewest();
        return true;
    case 'C':
        m_Screen.CopySelectionOrView();
        return true;
    default:
        return false;
    }
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
    if (IsStopKey(*msg)) {
        OnStopProgram();
        return TRUE;  // no WM_CHAR follows: nothing reaches the entry box
    }
    if (ScreenKey(*msg) || m_FindBar.HandleKey(*msg)) return TRUE;
    if (msg->message == WM_KEYDOWN && msg->hwnd != m_FindBar.TextWindow()) {
        const bool empty = m_History.empty();
        const int count = static_cast<int>(m_History.size());
        switch (msg->wParam) {
        case VK_ESCAPE:
            // Never closes the window: clears what is marked on the screen (the bar's text has its own).
            m_Screen.ClearSelection();
            m_Screen.EndFind();
            return TRUE;
        case VK_UP:
            if (!empty) {
                m_nHistoryIndex = m_nHistoryIndex - 1 < 0 ? 0 : m_nHistoryIndex - 1;
                ShowHistoryEntry();
            }
            return TRUE;
        case VK_DOWN:
            if (!empty) {
                m_nHistoryIndex = m_nHistoryIndex + 1 >= count ? count - 1 : m_nHistoryIndex + 1;
                ShowHistoryEntry();
            }
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CMainDialog::ShowHistoryEntry() {
    const std::string& entry = m_History[static_cast<size_t>(m_nHistoryIndex)];
    m_CommandEdit.SetWindowText(entry);
    const int end = static_cast<int>(entry.size());
    m_CommandEdit.SetSel(end, end);
    m_CommandEdit.ScrollCaret();
    ::UpdateWindow(m_CommandEdit.m_hWnd);
}

void CMainDialog::OnEnterCommand() {
    const std::string line = m_CommandEdit.GetWindowText();
    m_CommandEdit.SetWindowText("");
    SubmitLine(line);
}

void CMainDialog::SubmitLine(const std::string& line) {
    if (!line.empty()) m_History.push_back(line);
    m_nHistoryIndex = static_cast<int>(m_History.size());
    m_Screen.SendCommand((line + "\r\n").c_str());
}

void CMainDialog::ShowMessage(const char* text) { OnConsoleMessage(text); }

std::string CMainDialog::PromptLine() { return m_Screen.CurrentLine(); }

LRESULT CMainDialog::OnSysCommand(WPARAM wp, LPARAM) {
    const UINT id = static_cast<UINT>(wp);
    if ((id & 0xFFF0) == IDM_ABOUT) {
        OnAbout();
    } else if (id == IDM_ADJUST) {
        OnScreenAdjust();
    } else if (id == IDM_COLOUR) {
        OnColour();
    } else if (id == IDM_FONT) {
        OnFont();
    } else if (id == IDM_RESET) {
        OnResetDefaults();
    } else if (id == SC_CLOSE) {
        if (m_bInMenuLoop) {
            // A menu runs its loop over the window (the request came from the interpreter's end): the
            // window must not go from inside that loop, under the handler that opened the menu. End the
            // menu, then close once its loop has returned.
            ::EndMenu();
            ::SetTimer(m_hWnd, kCloseRetryTimer, kCloseRetryMs, nullptr);
            return 0;
        }
        if (!::IsWindowEnabled(m_hWnd)) {
            // A modal dialog runs over the window (the request came from the interpreter's end): the
            // window must not go from under it. Cancel what runs over it, then close.
            ::EndMenu();
            ::EnumThreadWindows(::GetCurrentThreadId(), &CancelOverlay, reinterpret_cast<LPARAM>(m_hWnd));
            ::SetTimer(m_hWnd, kCloseRetryTimer, kCloseRetryMs, nullptr);
            return 0;
        }
        DestroyWindow();  // nothing asks, nothing can cancel
    } else {
        return Default();
    }
    return 0;
}

LRESULT CMainDialog::OnPaint(WPARAM, LPARAM) {
    if (!::IsIconic(m_hWnd)) return Default();
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    const RECT rc = GetClientRect();
    const int x = (rc.right - rc.left - cxIcon + 1) / 2;
    const int y = (rc.bottom - rc.top - cyIcon + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CMainDialog::OnTimer(WPARAM id, LPARAM) {
    if (id == kStopCheckTimer) {
        ::KillTimer(m_hWnd, kStopCheckTimer);
        OnStopCheck();
        return 0;
    }
    if (id != kCloseRetryTimer) return Default();
    ::KillTimer(m_hWnd, kCloseRetryTimer);
    PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

LRESULT CMainDialog::OnEnterMenuLoop(WPARAM, LPARAM) {
    m_bInMenuLoop = true;
    return Default();
}

LRESULT CMainDialog::OnExitMenuLoop(WPARAM, LPARAM) {
    m_bInMenuLoop = false;
    return Default();
}

LRESULT CMainDialog::OnDpiChanged(WPARAM, LPARAM lp) {
    // Moved to a monitor of another scale. The dialog manager's own answer first: with per-monitor (v2)
    // awareness it gives the window and its controls the font of the new scale and puts the controls
    // where the template has them at that scale, which the layout below starts from (so the parts shrink
    // again on the way down). Then the rectangle the system suggests, the bar's controls in the window's
    // new font, and the layout from that font; the screen's viewport follows its size.
    Default();
    m_FindBar.UseFont(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0)));
    if (const RECT* r = reinterpret_cast<const RECT*>(lp); r != nullptr) {
        ::SetWindowPos(m_hWnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Also when the dialog manager has already given the window that size, and no WM_SIZE came.
    const RECT client = GetClientRect();
    SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top));
    return 0;
}

LRESULT CMainDialog::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon); }

LRESULT CMainDialog::OnSize(WPARAM, LPARAM size) {
    Default();
    if (m_Screen.m_hWnd == nullptr) return 0;  // the controls are not bound yet
    const int cx = static_cast<short>(LOWORD(size));
    const int cy = static_cast<short>(HIWORD(size));

    // The parts as they are, and their font measured (app/MainLayout.h).
    MainLayoutInput in;
    in.cx = cx;
    in.cy = cy;
    const RECT edit = m_CommandEdit.GetRectInParent(), label = m_CommandLabel.GetRectInParent();
    in.edit = {edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top};
    in.label = {label.left, label.top, label.right - label.left, label.bottom - label.top};
    if (HDC dc = ::GetDC(m_CommandLabel.m_hWnd); dc != nullptr) {
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(m_CommandLabel.SendMessage(WM_GETFONT, 0, 0)));
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc, &tm);
        const std::string text = m_CommandLabel.GetWindowText();
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_CommandLabel.m_hWnd, dc);
        in.textHeight = tm.tmHeight;
        in.labelTextWidth = size.cx;
        in.editFrame = 2 * SystemMetricForDpi(SM_CYEDGE, WindowDpi(m_hWnd)) + 4;
    }
    in.bFindBarOpen = m_FindBar.IsOpen();
    const MainLayout layout = LayOutMainWindow(in);
    auto move = [](CWnd& wnd, const LayoutRect& r) { wnd.MoveWindow(r.left, r.top, r.width, r.height); };
    move(m_CommandEdit, layout.edit);
    move(m_CommandLabel, layout.label);
    m_FindBar.Layout(layout.label.left, layout.edit.left, layout.findBarTop, cx, layout.edit.height);
    // The screen is redrawn at once.
    move(m_Screen, layout.screen);
    m_Screen.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return 0;
}

LRESULT CMainDialog::OnDestroy(WPARAM, LPARAM) {
    unsigned char record[kSettingsSize];
    FillSettingsRecord(record, m_Screen, m_hWnd);
    SaveSettings(record);  // a failure is not reported: the window closes all the same
    return Default();
}

void CMainDialog::PostNcDestroy() { delete this; }

BOOL CMainDialog::LoadSettings(unsigned char* record) { return ::LoadSettings(record); }

BOOL CMainDialog::SaveSettings(const unsigned char* record) { return ::SaveSettings(record); }

void CMainDialog::ApplyDefaults() { ApplyDefaultSettings(m_Screen, m_hWnd); }

void CMainDialog::OnAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

void CMainDialog::OnScreenAdjust() {
    CAdjustDlg dlg;
    dlg.m_pScreen = &m_Screen;
    dlg.DoModal();  // the dialog moves the view and redraws while it runs; nothing to undo here
}

void CMainDialog::OnColour() {
    CColorSetDlg dlg;
    dlg.m_pickerBack1.SetColour(m_Screen.m_crBack1);
    dlg.m_pickerBack2.SetColour(m_Screen.m_crBack2);
    dlg.m_pickerText.SetColour(m_Screen.m_crText);
    // Handed over as it is: a stored flag outside 0..2 opens with the box cleared, as the check box
    // exchange has it, and OK then stores 0 unless the box is ticked.
    dlg.m_gradient = m_Screen.m_bGradient;
    if (dlg.DoModal() != IDOK) return;
    DisplayValues values = m_Screen.Display();
    values.crBack1 = dlg.m_pickerBack1.GetColour();
    values.crBack2 = dlg.m_pickerBack2.GetColour();
    values.crText = dlg.m_pickerText.GetColour();
    values.bGradient = dlg.m_gradient;
    m_Screen.SetDisplayValues(values);
    m_Screen.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMainDialog::OnFont() {
    const LOGFONTA current = m_Screen.GetScreenFont();
    CFontDialog dlg(&current, CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT);
    if (dlg.DoModal() != IDOK) return;
    // Nothing is rebuilt or redrawn: lines keep the shapes they were built with, and the current line
    // turns into the new font at its next append.
    m_Screen.SetScreenFont(dlg.GetLogFont());
}

void CMainDialog::OnResetDefaults() {
    ApplyDefaults();
    m_Screen.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
