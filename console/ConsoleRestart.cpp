// Restarting the interpreter, on a thread of its own so that the window never waits for the old one
// to go (ending it, waiting for it, and starting the fresh one take up to about two seconds).
#include <process.h>

#include "console/ConsolePipes.h"
#include "console/ConsoleProcess.h"
#include "console/ConsoleWorkers.h"
#include "console/InputQueue.h"
#include "console/ProcessFamily.h"

namespace {

constexpr DWORD kOldEndWaitMs = 1000;  // how long the old interpreter may take to go once it is ended
constexpr DWORD kCancelPollMs = 5;

}  // namespace

int ConsoleProcess::Restart() {
    if (!m_bStarted || m_pQueue == nullptr || m_bRestarting.load()) return 0;
    if (m_hRestartThread != nullptr) {
        // The last restart's thread is done (m_bRestarting is clear): only its handle is left.
        ::WaitForSingleObject(m_hRestartThread, INFINITE);
        CloseAndClear(m_hRestartThread);
    }
    // What waits for the old interpreter is dropped now; what is written from here on waits for the
    // fresh one. A write blocked in the old pipe is cut short (its line was the old one's).
    m_pQueue->Hold();
    m_writer.CancelWrite();
    for (HANDLE& h : m_ending) CloseAndClear(h);
    m_ending.clear();
    m_bRestarting = true;
    const uintptr_t thread = _beginthreadex(nullptr, 0, RestartThread, this, 0, nullptr);
    if (thread == 0) {
        m_bRestarting = false;
        m_pQueue->Release();
        return 0;
    }
    m_hRestartThread = reinterpret_cast<HANDLE>(thread);
    return 1;
}

unsigned __stdcall ConsoleProcess::RestartThread(void* arg) {
    static_cast<ConsoleProcess*>(arg)->RunRestart();
    return 0;
}

void ConsoleProcess::RunRestart() {
    // The watcher goes first, so that the old interpreter's end is not reported.
    StopWorker(m_hWatchThread, m_pWatchWorker);
    EndAndForgetInterpreter(kOldEndWaitMs);

    // A fresh input pipe: whatever the old interpreter left unread goes with the old one, without being
    // read off (a read could meet another reader of the same pipe and wait for ever).
    m_pQueue->SetPipe(nullptr);
    for (ULONGLONG start = ::GetTickCount64(); m_pQueue->InWrite() && ::GetTickCount64() - start < kOldEndWaitMs;) {
        m_writer.CancelWrite();  // repeated: a cancel that comes before the write begins has no effect
        ::Sleep(kCancelPollMs);
    }
    CloseAndClear(m_hChildStdIn);
    CloseAndClear(m_hStdInWrite);
    bool ok = CreateChildPipe(true, m_hChildStdIn, m_hStdInWrite);
    ok = ok && Launch(m_strStartDir.empty() ? nullptr : m_strStartDir.c_str()) && StartWatcher();
    if (!ok) EndAndForgetInterpreter(0);
    m_pQueue->Release();
    m_bRestarting = false;
    // No interpreter any more: the program closes as if it had ended. Called here, once, since no
    // watcher runs to report it.
    if (!ok) {
        if (ExitCallback callback = g_pfnExit.load()) callback();
    }
}

void ConsoleProcess::FinishRestart() {
    if (m_hRestartThread == nullptr) return;
    ::WaitForSingleObject(m_hRestartThread, INFINITE);
    CloseAndClear(m_hRestartThread);
}
