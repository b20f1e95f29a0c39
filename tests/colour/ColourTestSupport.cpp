#include "ColourTestSupport.h"

#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "framework/App.h"
#include "framework/Dialog.h"

CRecorder::CRecorder(bool visible, int x, int y, int cx, int cy) {
    const char* cls = RegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateEx(0, cls, "recorder", WS_POPUP | WS_BORDER | (visible ? WS_VISIBLE : 0), x, y, cx, cy, nullptr,
             nullptr);
}

CRecorder::~CRecorder() {
    if (IsWindow()) DestroyWindow();
}

int CRecorder::Count(UINT msg) const {
    int n = 0;
    for (const RecordedMessage& m : m_messages) n += m.msg == msg ? 1 : 0;
    return n;
}

std::vector<UINT> CRecorder::Kinds() const {
    std::vector<UINT> kinds;
    for (const RecordedMessage& m : m_messages) kinds.push_back(m.msg);
    return kinds;
}

bool CRecorder::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg >= WM_COLOUR_HOT && msg <= WM_COLOUR_CANCEL) {
        m_messages.push_back({msg, static_cast<COLORREF>(wp), lp});
        if (m_onColourMessage) m_onColourMessage(msg, wp);
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
ModalDriver* g_driver = nullptr;
CDialog* g_dialog = nullptr;
size_t g_nextStep = 0;
int g_graceLeft = 0;

void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_driver == nullptr || g_dialog == nullptr || g_dialog->m_hWnd == nullptr) return;
    if (g_nextStep < g_driver->steps.size()) {
        if (g_driver->steps[g_nextStep](g_dialog->m_hWnd)) ++g_nextStep;
        return;
    }
    if (--g_graceLeft < 0) {
        g_driver->timedOut = true;
        g_dialog->EndDialog(IDCANCEL);
    }
}
}  // namespace

INT_PTR RunModal(CDialog& dialog, ModalDriver& driver) {
    g_driver = &driver;
    g_dialog = &dialog;
    g_nextStep = 0;
    g_graceLeft = driver.graceTicks;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, static_cast<UINT>(driver.intervalMs), &DriverTick);
    const INT_PTR result = dialog.DoModal();
    ::KillTimer(nullptr, timer);
    g_driver = nullptr;
    g_dialog = nullptr;
    return result;
}

CColourPalettePopup* CapturingPopup() {
    HWND capture = ::GetCapture();
    if (capture == nullptr) return nullptr;
    char name[64] = {};
    ::GetClassNameA(capture, name, sizeof name);
    // Popups are windows of the framework's own classes; anything else (a pressed button) is not one.
    if (std::string(name).rfind("Vextral.Wnd.", 0) != 0) return nullptr;
    return dynamic_cast<CColourPalettePopup*>(CWnd::FromHandle(capture));
}

std::string MessageName(UINT msg) {
    switch (msg) {
    case WM_COLOUR_HOT:
        return "HOT";
    case WM_COLOUR_POPUP_OPENED:
        return "POPUP_OPENED";
    case WM_COLOUR_SET:
        return "SET";
    case WM_COLOUR_ACCEPT:
        return "ACCEPT";
    case WM_COLOUR_CANCEL:
        return "CANCEL";
    default:
        return std::to_string(msg);
    }
}
