#include "ColourTestSupport.h"

#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "framework/App.h"
#include "framework/Dialog.h"

CRecorder::CRecorder(int x, int y, int cx, int cy) {
    const char* cls = RegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // Topmost: the tests read pixels back from the screen, and other programs on the same Wine server
    // (other test runs) share its desktop and could cover the window.
    CreateEx(WS_EX_TOPMOST, cls, "recorder", WS_POPUP | WS_BORDER | WS_VISIBLE, x, y, cx, cy, nullptr,
             nullptr);
}

std::vector<UINT> CRecorder::Kinds() const {
    std::vector<UINT> kinds;
    for (const RecordedMessage& m : m_messages) kinds.push_back(m.msg);
    return kinds;
}

bool CRecorder::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg >= WM_COLOUR_HOT && msg <= WM_COLOUR_CANCEL) {
        m_messages.push_back({msg, static_cast<COLORREF>(wp), lp});
        if (m_onColourMessage) m_onColourMessage(msg);
        result = 1;
        return true;
    }
    if (msg == WM_COMMAND) m_commands.push_back(wp);
    return CWnd::OnWndMsg(msg, wp, lp, result);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) CWinApp::PumpOne(msg);
}

COLORREF ClientPixel(HWND hWnd, int x, int y) {
    HDC dc = ::GetDC(hWnd);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(hWnd, dc);
    return c;
}

namespace {
BOOL CALLBACK FindPopup(HWND hWnd, LPARAM found) {
    auto* popup = dynamic_cast<CColourPalettePopup*>(CWnd::FromHandle(hWnd));
    if (popup == nullptr) return TRUE;
    *reinterpret_cast<CColourPalettePopup**>(found) = popup;
    return FALSE;
}
}  // namespace

CColourPalettePopup* OpenPopup() {
    CColourPalettePopup* found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindPopup, reinterpret_cast<LPARAM>(&found));
    return found;
}

namespace {
struct Driver {
    CDialog* dialog;
    std::vector<std::function<bool(HWND)>> steps;
    size_t next;
    int ticksLeft;
};
Driver* g_driver = nullptr;

void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD) {
    Driver* d = g_driver;
    if (d == nullptr || d->dialog->m_hWnd == nullptr) return;
    if (--d->ticksLeft == 0) {
        d->dialog->EndDialog(0);  // a step that never comes true fails the test instead of hanging it
    } else if (d->next < d->steps.size() && d->steps[d->next](d->dialog->m_hWnd)) {
        ++d->next;
    }
}
}  // namespace

INT_PTR RunModal(CDialog& dialog, std::vector<std::function<bool(HWND)>> steps) {
    Driver driver{&dialog, std::move(steps), 0, 300};
    g_driver = &driver;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &DriverTick);
    const INT_PTR result = dialog.DoModal();
    ::KillTimer(nullptr, timer);
    g_driver = nullptr;
    return result;
}
