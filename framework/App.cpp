#include "framework/App.h"

#include "framework/Wnd.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

CWinApp::CWinApp() {
    g_pApp = this;
    m_hInstance = ::GetModuleHandleA(nullptr);
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path);
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    m_appName = name;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

void CWinApp::SetMainWnd(CWnd* wnd) {
    m_pMainWnd = wnd;
    m_hMainWnd = wnd != nullptr ? wnd->m_hWnd : nullptr;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
    for (HWND hWnd = msg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        if (CWnd* wnd = CWnd::FromHandle(hWnd); wnd != nullptr && wnd->PreTranslateMessage(msg)) return TRUE;
        if (!(::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD)) break;  // stop at the top-level window
    }
    return FALSE;
}

void CWinApp::PumpOne(MSG& msg) {
    if (PreTranslateMessage(&msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

int CWinApp::Run() {
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return -1;
        PumpOne(msg);
    }
}

void CWinApp::BeginWaitCursor() {
    if (m_waitCount++ == 0) m_hcurRestore = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

void CWinApp::EndWaitCursor() {
    if (--m_waitCount == 0) ::SetCursor(m_hcurRestore);
}

int CWinApp::MessageBox(const char* text, UINT type) const {
    HWND owner = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
    return ::MessageBoxA(owner, text, m_appName.c_str(), type);
}

void SetQuietErrorMode() {
    const UINT mode = ::SetErrorMode(0);
    ::SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}
