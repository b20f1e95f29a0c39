// B9 pasted block: 200 `echo` lines handed to the program at once, from the first Write to the frame
// that shows the last line's answer. Reference: the same interpreter, behind pipes of this benchmark's
// own, given the same lines one at a time, each as soon as the interpreter has read the one before (its
// input pipe polled as fast as it can be), its output drained by plain readers; from the first write to
// the last answer's arrival.
//
// The interpreter keeps only the first line of each read from its input, so neither side may hand it a
// line while another one waits unread: the reference shows the best such pacing can do.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchSupport.h"
#include "console/ConsoleProcess.h"
#include "framework/App.h"

using namespace bench;

namespace {

CWinApp g_app;  // the application object, as in the program: the main window is recorded in it

constexpr int kSessions = 5;
constexpr int kLines = 200;
constexpr double kTimeoutMs = 120000;

std::string Token(int session, int i) { return "vxpaste" + std::to_string(session * 1000 + i) + "z"; }

// ---- The interpreter alone ----------------------------------------------------------------------------

struct Drain {
    HANDLE pipe = nullptr;
    std::mutex* lock = nullptr;
    std::string* text = nullptr;
    std::string marker;
    double* markerAt = nullptr;
};

DWORD WINAPI DrainThread(void* arg) {
    auto* d = static_cast<Drain*>(arg);
    char buffer[2048];
    DWORD read = 0;
    while (::ReadFile(d->pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        const double now = NowMs();
        std::lock_guard<std::mutex> guard(*d->lock);
        d->text->append(buffer, read);
        if (*d->markerAt < 0 && d->text->find(d->marker) != std::string::npos) *d->markerAt = now;
        if (d->text->size() > 8192) d->text->erase(0, d->text->size() - 1024);
    }
    return 0;
}

// One session of the reference; the time from the first write to the last answer, or a negative value.
double ReferenceSession(int session) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &sa, 0) || !::CreatePipe(&outRead, &outWrite, &sa, 0)) return -1;
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    std::string path = std::string(system) + "\\cmd.exe";
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = outWrite;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                          nullptr, &si, &pi)) {
        return -1;
    }
    ::CloseHandle(pi.hThread);
    std::mutex lock;
    std::string text;
    double markerAt = -1;
    Drain drain{outRead, &lock, &text, Token(session, kLines - 1), &markerAt};
    HANDLE reader = ::CreateThread(nullptr, 0, DrainThread, &drain, 0, nullptr);
    // The greeting's prompt first.
    PumpUntil(
        [&] {
            std::lock_guard<std::mutex> guard(lock);
            return !text.empty() && text.back() == '>';
        },
        kTimeoutMs);
    const double start = NowMs();
    for (int i = 0; i < kLines; ++i) {
        for (;;) {
            DWORD unread = 0;
            if (!::PeekNamedPipe(inRead, nullptr, 0, nullptr, &unread, nullptr) || unread == 0) break;
            ::Sleep(0);
        }
        const std::string line = "echo " + Token(session, i) + "\r\n";
        DWORD written = 0;
        ::WriteFile(inWrite, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    PumpUntil(
        [&] {
            std::lock_guard<std::mutex> guard(lock);
            return markerAt >= 0;
        },
        kTimeoutMs);
    const double took = markerAt >= 0 ? markerAt - start : -1;
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 5000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(outWrite);
    ::CloseHandle(inRead);
    ::CloseHandle(inWrite);
    ::WaitForSingleObject(reader, 5000);
    ::CloseHandle(reader);
    ::CloseHandle(outRead);
    return took;
}

// ---- The console alone: the program's input queue and readers, no screen ----------------------------

std::mutex g_aloneLock;
std::string g_aloneText;
std::string g_aloneMarker;
double g_aloneMarkerAt = -1;

void OnAloneOutput(const char* text) {
    const double now = NowMs();
    std::lock_guard<std::mutex> guard(g_aloneLock);
    g_aloneText += text;
    if (g_aloneMarkerAt < 0 && !g_aloneMarker.empty() && g_aloneText.find(g_aloneMarker) != std::string::npos) {
        g_aloneMarkerAt = now;
    }
    if (g_aloneText.size() > 8192) g_aloneText.erase(0, g_aloneText.size() - 1024);
}
void OnAloneMessage(const char*) {}
void OnAloneExit() {}

double ConsoleSession(int session) {
    {
        std::lock_guard<std::mutex> guard(g_aloneLock);
        g_aloneText.clear();
        g_aloneMarker.clear();
        g_aloneMarkerAt = -1;
    }
    ConsoleProcess console;
    if (!console.Start(OnAloneOutput, OnAloneMessage, OnAloneExit)) return -1;
    PumpUntil(
        [] {
            std::lock_guard<std::mutex> guard(g_aloneLock);
            return !g_aloneText.empty() && g_aloneText.back() == '>';
        },
        kTimeoutMs);
    {
        std::lock_guard<std::mutex> guard(g_aloneLock);
        g_aloneMarker = Token(session, kLines - 1);
    }
    const double start = NowMs();
    for (int i = 0; i < kLines; ++i) console.Write(("echo " + Token(session, i) + "\r\n").c_str());
    PumpUntil(
        [] {
            std::lock_guard<std::mutex> guard(g_aloneLock);
            return g_aloneMarkerAt >= 0;
        },
        kTimeoutMs);
    std::lock_guard<std::mutex> guard(g_aloneLock);
    return g_aloneMarkerAt >= 0 ? g_aloneMarkerAt - start : -1;
}

// ---- The program ----------------------------------------------------------------------------------------

double ProgramSession(int session) {
    auto* dlg = new CMainDialog();
    if (dlg->m_hWnd == nullptr) {
        delete dlg;
        return -1;
    }
    const HWND hWnd = dlg->m_hWnd;
    g_app.SetMainWnd(dlg);
    CScreenWnd& screen = dlg->m_Screen;
    double took = -1;
    if (PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs)) {
        PumpFor(200);
        FrameWatch::Reset(Token(session, kLines - 1));
        const double start = NowMs();
        for (int i = 0; i < kLines; ++i) screen.SendCommand(("echo " + Token(session, i) + "\r\n").c_str());
        if (PumpUntil([] { return FrameWatch::MarkerShownAt() >= 0; }, kTimeoutMs)) {
            took = FrameWatch::MarkerShownAt() - start;
        }
    }
    ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([&] { return !::IsWindow(hWnd); }, kTimeoutMs);
    return took;
}

}  // namespace

int main() {
    FrameWatch::Start();
    std::vector<double> reference, program, alone;
    int failures = 0;
    for (int session = 0; session < kSessions; ++session) {
        const double ref = ReferenceSession(session);
        const double prog = ProgramSession(session);
        const double console = ConsoleSession(session);
        if (console >= 0) alone.push_back(console);
        if (ref < 0 || prog < 0) {
            ++failures;
            continue;
        }
        reference.push_back(ref);
        program.push_back(prog);
        Info("B9", "session %d: program %.1f ms, reference %.1f ms, ratio %.2f; the console alone %.1f ms", session,
             prog, ref, prog / ref, console);
    }
    FrameWatch::Stop();
    Info("B9", "%d echo lines written at once; %d sessions of each side in turn; medians", kLines, kSessions);
    Figure("B9", "pasted block: first Write to last answer on screen", Median(program),
           "one line at a time, pipe drained", Median(reference), "ms", Bound::kAtMost, 1.5);
    double worst = 0;
    for (size_t i = 0; i < program.size(); ++i) worst = std::max(worst, program[i] / reference[i]);
    Info("B9", "the console alone (its paced input and readers, no screen): median %.1f ms", Median(alone));
    Info("B9", "slowest program session %.1f ms; worst ratio of a session %.2f", Max(program), worst);
    if (failures > 0) Info("B9", "%d sessions timed out or failed and are left out", failures);
    return 0;
}
