// B6 start: from the start of a process to its first frame on screen. The program (its application
// object, main window, settings, banner and interpreter, as vextral.exe starts them) against a bare Win32
// window with an OpenGL context that clears itself once.
//
// Run without arguments, this program is the driver: it starts itself again in either role, in turn,
// and takes the time from just before CreateProcess until the child signals its first frame through a
// named event. The program child signals from the screen's frame-shown hook at the first frame drawn
// while the window is visible with the whole banner on it; the bare child right after its first
// SwapBuffers has finished.
#include <windows.h>

#include <GL/gl.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "framework/App.h"

using namespace bench;

namespace {

constexpr int kRounds = 7;
constexpr DWORD kTimeoutMs = 60000;

HANDLE g_hSignal = nullptr;

// ---- The program ----------------------------------------------------------------------------------------

void OnProgramFrame(CScreenWnd& screen) {
    if (g_hSignal == nullptr) return;
    const HWND top = ::GetAncestor(screen.m_hWnd, GA_ROOT);
    if (!::IsWindowVisible(screen.m_hWnd) || !::IsWindowVisible(top)) return;
    if (!ScreenShows(screen, "VEXTRAL") || !ScreenShows(screen, "**********")) return;
    ::SetEvent(g_hSignal);
    g_hSignal = nullptr;
    ::PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
}

int RunProgram() {
    // As the program's own entry point does, with the frame hook in place first.
    g_pfnFrameShown = &OnProgramFrame;
    SetQuietErrorMode();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    CWinApp* app = AfxGetApp();
    if (app == nullptr || !app->InitInstance()) return 1;
    return app->Run();
}

// ---- The bare window ------------------------------------------------------------------------------------

LRESULT CALLBACK BareProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    static HGLRC rc = nullptr;
    switch (msg) {
    case WM_CREATE: {
        HDC dc = ::GetDC(hWnd);
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.cColorBits = 24;
        pfd.cDepthBits = 16;
        ::SetPixelFormat(dc, ::ChoosePixelFormat(dc, &pfd), &pfd);
        rc = ::wglCreateContext(dc);
        ::ReleaseDC(hWnd, dc);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hWnd, &ps);
        ::wglMakeCurrent(dc, rc);
        glClearColor(0.0f, 0.0f, 0.5f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ::SwapBuffers(dc);
        glFinish();
        ::wglMakeCurrent(nullptr, nullptr);
        ::EndPaint(hWnd, &ps);
        if (g_hSignal != nullptr) {
            ::SetEvent(g_hSignal);
            g_hSignal = nullptr;
            ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        return 0;
    }
    case WM_DESTROY:
        ::wglDeleteContext(rc);
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(hWnd, msg, wp, lp);
    }
}

int RunBare() {
    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "VxBareGL";
    ::RegisterClassA(&wc);
    ::CreateWindowA(wc.lpszClassName, "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 600, 400, nullptr, nullptr,
                    wc.hInstance, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

// ---- The driver -----------------------------------------------------------------------------------------

// Starts this program in `role`; returns the milliseconds until it signalled its first frame, or a
// negative value.
double TimeChild(const char* role, int round) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string event = "VextralBenchStart" + std::to_string(::GetCurrentProcessId()) + "_" + role +
                              std::to_string(round);
    HANDLE signal = ::CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    std::string command = std::string("\"") + self + "\" " + role + " " + event;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double start = NowMs();
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(signal);
        return -1;
    }
    const bool signalled = ::WaitForSingleObject(signal, kTimeoutMs) == WAIT_OBJECT_0;
    const double time = NowMs() - start;
    if (::WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(signal);
    return signalled ? time : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3) {
        g_hSignal = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
        if (std::strcmp(argv[1], "--program") == 0) return RunProgram();
        if (std::strcmp(argv[1], "--bare") == 0) return RunBare();
        return 2;
    }
    std::vector<double> program, bare;
    int failures = 0;
    for (int round = -1; round < kRounds; ++round) {
        // Alternating which goes first, and a round of warming up that is not counted.
        const bool programFirst = round % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool isProgram = (k == 0) == programFirst;
            const double t = TimeChild(isProgram ? "--program" : "--bare", round + 1);
            if (t < 0) {
                ++failures;
            } else if (round >= 0) {
                (isProgram ? program : bare).push_back(t);
            }
        }
    }
    Info("B6", "%d starts of each, in turn, after one start of each that is not counted; medians", kRounds);
    Figure("B6", "start: process start to banner's first frame", Median(program), "bare Win32 OpenGL window",
           Median(bare), "ms", Bound::kAtMost, 2.0);
    Info("B6", "slowest: program %.1f ms, bare window %.1f ms", Max(program), Max(bare));
    if (failures > 0) Info("B6", "%d starts did not signal a first frame within %lu ms", failures, kTimeoutMs);
    return 0;
}
