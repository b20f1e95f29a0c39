#include "app/MainDialog.h"

#include "res/resource.h"

CMainDialog::CMainDialog(CWnd* parent) : CDialog(IDD_MAIN, parent) {
    m_hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VEXTRAL));
    m_nHistoryIndex = 0;
    Create(nullptr);
}

CMainDialog::~CMainDialog() = default;

void CMainDialog::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_COMMAND_LABEL, m_CommandLabel);
    DDX_Control(dx, IDC_COMMAND_EDIT, m_CommandEdit);
    DDX_Control(dx, IDC_SCREEN, m_Screen);
}

bool CMainDialog::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CMainDialog> kTable[] = {
        OnMessage(WM_SYSCOMMAND, &CMainDialog::OnSysCommand),
        OnMessage(WM_PAINT, &CMainDialog::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &CMainDialog::OnQueryDragIcon),
        OnMessage(WM_SIZE, &CMainDialog::OnSize),
        OnMessage(WM_DESTROY, &CMainDialog::OnDestroy),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CMainDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) { return CDialog::PreTranslateMessage(msg); }

LRESULT CMainDialog::OnSysCommand(WPARAM id, LPARAM) {
    if (id == SC_CLOSE) {
        DestroyWindow();
        return 0;
    }
    return Default();
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

LRESULT CMainDialog::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon); }

LRESULT CMainDialog::OnSize(WPARAM, LPARAM size) {
    Default();
    if (m_Screen.m_hWnd == nullptr) return 0;  // the controls are not bound yet
    const int cx = static_cast<short>(LOWORD(size));
    const int cy = static_cast<short>(HIWORD(size));

    // The entry box keeps its left edge and its height and lies on the bottom edge; it is as wide as
    // the whole client area, so it runs past the right edge by its left offset.
    const RECT edit = m_CommandEdit.GetRectInParent();
    const int h = edit.bottom - edit.top;
    m_CommandEdit.MoveWindow(edit.left, cy - h, cx, h);

    // The screen fills everything above it, redrawn at once.
    m_Screen.MoveWindow(0, 0, cx, cy - h);
    m_Screen.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);

    // The label keeps its left edge and size; its bottom sits 5 pixels above the client bottom.
    const RECT label = m_CommandLabel.GetRectInParent();
    const int lh = label.bottom - label.top;
    m_CommandLabel.MoveWindow(label.left, cy - lh - 5, label.right - label.left, lh);
    return 0;
}

LRESULT CMainDialog::OnDestroy(WPARAM, LPARAM) { return Default(); }

void CMainDialog::PostNcDestroy() { delete this; }
