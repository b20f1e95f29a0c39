// B12 pasted block: 200 `echo` lines handed to the program at once, from the first Write to the frame
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
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchSupport.h"
#include "console/ConsoleProcess.h"
#include "console/InterpreterLaunch.h"
#include "framework/App.h"

using namespace bench;

namespace {

CWinApp g_app;  // the application object, as in the program: the main window is recorded in it

constexpr int kSessions = 9;
constexpr int kLines = 200;
constexpr double kTimeoutMs = 120000;

std::string Token(int session, int i) { return "vxpaste" + std::to_string(session * 1000 + i) + "z"; }

// ---- The interpreter alone ----------------------------------------------------------------------------

// The tail of what an interpreter printed, and when a marker first showed in it. Shared by a reader
// thread and the benchmark's thread.
struct OutputTail {
    std::mutex lock;
    std::string text;
    std::string marker;
    double markerAt = -1;

    void Reset(const std::string& newMarker) {
        std::lock_guard<std::mutex> guard(lock);
        text.clear();
        marker = newMarker;
        markerAt = -1;
    }
    void SetMarker(const std::string& newMarker) {
        std::lock_guard<std::mutex> guard(lock);
        marker = newMarker;
    }
    void Add(const char* data, size_t size) {
        const double now = NowMs();
        std::lock_guard<std::mutex> guard(lock);
        text.append(data, size);
        if (markerAt < 0 && !marker.empty() && text.find(marker) != std::string::npos) markerAt = now;
        // The tail is enough to find a marker cut by a chunk boundary, and the prompt.
        if (text.size() > 8192) text.erase(0, text.size() - 1024);
    }
    bool EndsWithPrompt() {
        std::lock_guard<std::mutex> guard(lock);
        return !text.empty() && text.back() == '>';
    }
    double MarkerAt() {
        std::lock_guard<std::mutex> guard(lock);
        return markerAt;
    }
};

struct Drain {
    HANDLE pipe = nullptr;
    OutputTail* tail = nullptr;
};

DWORD WINAPI DrainThread(void* arg) {
    auto* d = static_cast<Drain*>(arg);
    char buffer[2048];
    DWORD read = 0;
    while (::ReadFile(d->pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) d->tail->Add(buffer, read);
    return 0;
}

// One session of the reference; the time from the first write to the last answer, or a negative value.
double ReferenceSession(int session) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &sa, 0) || !::CreatePipe(&outRead, &outWrite, &sa, 0)) return -1;
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    const std::string path = InterpreterPath();
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
    OutputTail tail;
    tail.Reset(Token(session, kLines - 1));
    Drain drain{outRead, &tail};
    HANDLE reader = ::CreateThread(nullptr, 0, DrainThread, &drain, 0, nullptr);
    // The greeting's prompt first.
    PumpUntil([&] { return tail.EndsWithPrompt(); }, kTimeoutMs);
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
    PumpUntil([&] { return tail.MarkerAt() >= 0; }, kTimeoutMs);
    const double took = tail.MarkerAt() >= 0 ? tail.MarkerAt() - start : -1;
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

OutputTail g_alone;  // the callbacks are plain functions: process-wide

void OnAloneOutput(const char* text) { g_alone.Add(text, std::strlen(text)); }
void OnAloneMessage(const char*) {}
void OnAloneExit() {}

double ConsoleSession(int session) {
    g_alone.Reset("");
    ConsoleProcess console;
    if (!console.Start(OnAloneOutput, OnAloneMessage, OnAloneExit)) return -1;
    PumpUntil([] { return g_alone.EndsWithPrompt(); }, kTimeoutMs);
    g_alone.SetMarker(Token(session, kLines - 1));
    const double start = NowMs();
    for (int i = 0; i < kLines; ++i) console.Write(("echo " + Token(session, i) + "\r\n").c_str());
    PumpUntil([] { return g_alone.MarkerAt() >= 0; }, kTimeoutMs);
    return g_alone.MarkerAt() >= 0 ? g_alone.MarkerAt() - start : -1;
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
        Info("B12", "session %d: program %.1f ms, reference %.1f ms, ratio %.2f; the console alone %.1f ms", session,
             prog, ref, prog / ref, console);
    }
    FrameWatch::Stop();
    Info("B12", "%d echo lines written at once; %d sessions of each side in turn; medians", kLines, kSessions);
    Figure("B12", "pasted block: first Write to last answer on screen", Median(program),
           "one line at a time, pipe drained", Median(reference), "ms", Bound::kAtMost, 1.5);
    double worst = 0;
    for (size_t i = 0; i < program.size(); ++i) worst = std::max(worst, program[i] / reference[i]);
    Info("B12", "the console alone (its paced input and readers, no screen): median %.1f ms", Median(alone));
    Info("B12", "slowest program session %.1f ms; worst ratio of a session %.2f", Max(program), worst);
    if (failures > 0) Info("B12", "%d sessions timed out or failed and are left out", failures);
    return 0;
}
