#include "framework/Wnd.h"

#include <cstddef>
#include <initializer_list>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "framework/App.h"
#include "framework/EntryPoint.h"

namespace {

// The property that holds a bound window's object.
const char kObjectProp[] = "Vextral.CWnd";

// The message being handled on this thread, for CWnd::Default. Kept per thread rather than in the
// object: an object may delete itself while it handles a message (PostNcDestroy), and nothing may
// touch it after its handler returns.
struct CurrentMessage {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
thread_local CurrentMessage t_current{};

}  // namespace

CWnd::~CWnd() {
    // An object destroyed while its window still exists lets the window go first, so that no message
    // can reach a dead object.
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    return static_cast<CWnd*>(::GetPropA(hWnd, kObjectProp));
}

void CWnd::Bind(HWND hWnd) {
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kObjectProp, this);
}

void CWnd::Unbind() {
    // Fixed order: first give the window its own procedure back, then drop the property, then forget
    // the handle. Messages that still arrive after this go to the window's own procedure.
    if (m_pfnSuper != nullptr) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    ::RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&) { return TRUE; }

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x,
                    int y, int cx, int cy, HWND parent, HMENU menuOrId) {
    CREATESTRUCTA cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = static_cast<LONG>(style);
    cs.x = x;
    cs.y = y;
    cs.cx = cx;
    cs.cy = cy;
    cs.hwndParent = parent;
    cs.hMenu = menuOrId;
    cs.hInstance = ::GetModuleHandleA(nullptr);
    cs.lpCreateParams = this;
    if (!PreCreateWindow(cs)) return FALSE;
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style),
                                  cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, this);
    return hWnd != nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr || FromHandle(hWnd) != nullptr) return FALSE;
    Bind(hWnd);
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr) return nullptr;
    Unbind();
    m_pfnSuper = nullptr;
    return hWnd;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandle(hWnd);
    if (self == nullptr && msg == WM_NCCREATE) {
        // A window of one of our own classes: its object comes with the creation parameters.
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self != nullptr) self->Bind(hWnd);
    }
    if (self == nullptr) return ::DefWindowProcA(hWnd, msg, wp, lp);
    return self->Dispatch(msg, wp, lp);
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    const CurrentMessage saved = t_current;
    t_current = {msg, wp, lp};
    LRESULT result = WindowProc(msg, wp, lp);  // `this` may be gone after it, unless msg is WM_NCDESTROY
    t_current = saved;
    if (msg == WM_NCDESTROY) {
        if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == this) {
            // The main window is going: the message loop ends.
            ::PostQuitMessage(0);
            app->SetMainWnd(nullptr);
        }
        Unbind();
        m_pfnSuper = nullptr;
        PostNcDestroy();  // may delete this
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result)) return result;
    if (OnWndMsg(msg, wp, lp, result)) return result;
    return DefWindowProc(msg, wp, lp);
}

bool CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_pfnSuper != nullptr) return ::CallWindowProcA(m_pfnSuper, m_hWnd, msg, wp, lp);
    return ::DefWindowProcA(m_hWnd, msg, wp, lp);
}

LRESULT CWnd::Default() { return DefWindowProc(t_current.msg, t_current.wp, t_current.lp); }

bool CWnd::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);  // null for menus and accelerators
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (dis->CtlType != ODT_MENU) child = dis->hwndItem;
        break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        child = reinterpret_cast<HWND>(lp);  // null for the window's own scroll bars
        break;
    default:
        return false;
    }
    CWnd* object = FromHandle(child);
    return object != nullptr && object != this && object->OnChildNotify(msg, wp, lp, result);
}

bool CWnd::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return OnWndMsg(kReflectBase + msg, wp, lp, result);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

std::string CWnd::GetWindowText() const {
    const int n = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    const int got = ::GetWindowTextA(m_hWnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void CWnd::SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }

RECT CWnd::GetWindowRect() const {
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

RECT CWnd::GetClientRect() const {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    return r;
}

RECT CWnd::GetRectInParent() const {
    RECT r = GetWindowRect();
    if (HWND parent = ::GetParent(m_hWnd); parent != nullptr && (GetStyle() & WS_CHILD)) {
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) {
    const DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

void CWnd::CenterWindow(HWND over) {
    RECT area{};
    if (over != nullptr && ::IsWindowVisible(over) && !::IsIconic(over)) {
        ::GetWindowRect(over, &area);
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const RECT r = GetWindowRect();
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    int x = (area.left + area.right - w) / 2;
    int y = (area.top + area.bottom - h) / 2;
    // Keep the dialog on the work area of the monitor it lands on.
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    POINT centre{x + w / 2, y + h / 2};
    if (::GetMonitorInfoA(::MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &mi)) {
        if (x + w > mi.rcWork.right) x = mi.rcWork.right - w;
        if (y + h > mi.rcWork.bottom) y = mi.rcWork.bottom - h;
        if (x < mi.rcWork.left) x = mi.rcWork.left;
        if (y < mi.rcWork.top) y = mi.rcWork.top;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const char* RegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
    static std::mutex lock;
    static std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string> names;
    std::lock_guard<std::mutex> guard(lock);
    const auto key = std::make_tuple(classStyle, cursor, background, icon);
    auto found = names.find(key);
    if (found != names.end()) return found->second.c_str();
    std::string name = "Vextral.Wnd." + std::to_string(names.size());
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::StdWndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name.c_str();
    if (::RegisterClassA(&wc) == 0) return nullptr;
    return names.emplace(key, std::move(name)).first->second.c_str();
}

namespace {

// The record as it was before iPaddedBorderWidth joined it: 340 bytes, accepted by every system. The
// SDK's sizeof(NONCLIENTMETRICSA) is 344 when WINVER >= 0x0600, which older systems refuse.
constexpr UINT kClassicMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(kClassicMetricsSize == 340, "the classic non-client metrics record is 340 bytes");

// An entry point of user32 that older systems lack (nullptr there).
template <class Fn>
Fn User32Entry(const char* name) {
    return EntryPointAs<Fn>(::GetProcAddress(::GetModuleHandleA("user32.dll"), name));
}

}  // namespace

HFONT CreateMessageFont(UINT dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const ForDpiFn forDpi = User32Entry<ForDpiFn>("SystemParametersInfoForDpi");
    if (forDpi != nullptr) {
        NONCLIENTMETRICSW wide{};
        wide.cbSize = sizeof wide;
        if (forDpi(SPI_GETNONCLIENTMETRICS, sizeof wide, &wide, 0, dpi)) {
            return ::CreateFontIndirectW(&wide.lfMessageFont);
        }
    }
    NONCLIENTMETRICSA ncm{};
    for (UINT size : {kClassicMetricsSize, static_cast<UINT>(sizeof ncm)}) {
        ncm.cbSize = size;
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, size, &ncm, 0)) {
            return ::CreateFontIndirectA(&ncm.lfMessageFont);
        }
    }
    LOGFONTA lf{};
    if (::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == sizeof lf) {
        return ::CreateFontIndirectA(&lf);
    }
    return nullptr;
}

int SystemMetricForDpi(int index, UINT dpi) {
    using MetricFn = int(WINAPI*)(int, UINT);
    static const MetricFn forDpi = User32Entry<MetricFn>("GetSystemMetricsForDpi");
    return forDpi != nullptr ? forDpi(index, dpi) : ::GetSystemMetrics(index);
}

UINT WindowDpi(HWND hWnd) {
    // GetDpiForWindow exists from Windows 10 1607 on; before it, the system DPI is the only one.
    using DpiFn = UINT(WINAPI*)(HWND);
    static const DpiFn forWindow = User32Entry<DpiFn>("GetDpiForWindow");
    if (forWindow != nullptr && hWnd != nullptr) {
        if (const UINT dpi = forWindow(hWnd); dpi != 0) return dpi;
    }
    HDC dc = ::GetDC(nullptr);
    const int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc != nullptr) ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}
