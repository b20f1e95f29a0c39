#include "console/ConsoleProcess.h"

#include <climits>
#include <cstring>

#include "console/ConsolePipes.h"
#include "console/ConsoleWorkers.h"
#include "console/DriveCheck.h"
#include "console/InputQueue.h"
#include "console/ProcessFamily.h"
#include "console/StopPolicy.h"
#include "res/Texts.h"

std::atomic<OutputCallback> g_pfnOutput{nullptr};
std::atomic<MessageCallback> g_pfnMessage{nullptr};
std::atomic<ExitCallback> g_pfnExit{nullptr};
std::atomic<LONG> g_bStop{0};

namespace {

constexpr DWORD kExitPollMs = 20;

// The object that filled the process-wide slots, while it runs.
std::atomic<ConsoleProcess*> g_pStarted{nullptr};

// Making the drive current tests it; on success the program stays on that drive. The process error mode
// keeps a drive without a medium from raising the platform's error dialog.
bool DriveUsable(char drive) {
    const char root[3] = {drive, ':', '\0'};
    return ::SetCurrentDirectoryA(root) != FALSE;
}

}  // namespace

ConsoleProcess::~ConsoleProcess() { Stop(); }

void ConsoleProcess::Reset() {
    m_hChildStdIn = m_hChildStdOut = m_hChildStdErr = nullptr;
    m_hStdInWrite = m_hStdOutRead = m_hStdErrRead = nullptr;
    m_hOutputThread = m_hErrorThread = m_hWatchThread = nullptr;
    m_hProcess = nullptr;
    m_hJob = nullptr;
    m_dwProcessId = 0;
    m_created = 0;
    m_pOutputWorker = m_pErrorWorker = m_pWatchWorker = nullptr;
    m_pQueue.reset();
    if (m_bStarted) {
        g_pfnOutput = nullptr;
        g_pfnMessage = nullptr;
        g_pfnExit = nullptr;
        g_pStarted = nullptr;
        m_bStarted = false;
    }
}

int ConsoleProcess::Start(OutputCallback output, MessageCallback message, ExitCallback exit) {
    if (m_bStarted) return 0;  // a second set of pipes would leak the first
    ConsoleProcess* none = nullptr;
    if (!g_pStarted.compare_exchange_strong(none, this)) return 0;  // another one runs: its slots stay
    m_bStarted = true;
    g_bStop = 0;
    g_pfnOutput = output;
    g_pfnMessage = message;
    g_pfnExit = exit;

    bool ok = CreateChildPipe(true, m_hChildStdIn, m_hStdInWrite) &&
              CreateChildPipe(false, m_hChildStdOut, m_hStdOutRead) &&
              CreateChildPipe(false, m_hChildStdErr, m_hStdErrRead);
    if (ok) {
        m_pQueue = std::make_shared<InputQueue>(kInputBacklogLimit);
        ok = m_writer.Start(m_pQueue);
    }
    if (ok) {
        char dir[MAX_PATH] = {};
        const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, dir);
        m_strStartDir = length != 0 && length < MAX_PATH ? dir : "";
        ok = Launch(nullptr) != 0;
    }
    if (ok) {
        ok = StartWorker(WorkerKind::kOutputReader, m_hStdOutRead, false, m_hOutputThread, m_pOutputWorker) &&
             StartWorker(WorkerKind::kErrorReader, m_hStdErrRead, false, m_hErrorThread, m_pErrorWorker) &&
             StartWatcher();
    }
    if (!ok) {
        Stop();
        return 0;
    }
    return 1;
}

int ConsoleProcess::Launch(const char* directory) {
    auto pipe = std::make_shared<WinInputPipe>(m_hStdInWrite, m_hChildStdIn);
    if (!pipe->Valid()) return 0;
    Interpreter started;
    if (!LaunchInterpreter(m_hChildStdIn, m_hChildStdOut, m_hChildStdErr, directory, started)) return 0;
    m_hProcess = started.hProcess;
    m_hJob = started.hJob;
    m_dwProcessId = started.dwId;
    m_created = started.created;
    m_pQueue->SetPipe(std::move(pipe));
    return 1;
}

bool ConsoleProcess::StartWatcher() {
    // The watcher polls its own copy of the process handle, so that EndInterpreter may close m_hProcess
    // while the watcher still runs. On failure StartWorker has closed the copy.
    HANDLE process = DuplicateLocal(m_hProcess);
    return process != nullptr &&
           StartWorker(WorkerKind::kExitWatcher, process, true, m_hWatchThread, m_pWatchWorker);
}

void ConsoleProcess::EndAndForgetInterpreter(DWORD waitMs) {
    Interpreter current = Current();
    EndFamily(current);
    if (waitMs != 0 && current.hProcess != nullptr) ::WaitForSingleObject(current.hProcess, waitMs);
    CloseInterpreter(current);
    m_hProcess = m_hJob = nullptr;
    m_dwProcessId = 0;
    m_created = 0;
}

Interpreter ConsoleProcess::Current() const {
    Interpreter current;
    current.hProcess = m_hProcess;
    current.hJob = m_hJob;
    current.dwId = m_dwProcessId;
    current.created = m_created;
    return current;
}

int ConsoleProcess::Write(const char* text) {
    if (m_pQueue == nullptr || text == nullptr) return 0;
    const size_t length = std::strlen(text);
    if (length == 0 || length > static_cast<size_t>(INT_MAX)) return 0;

    if (const char drive = DriveToTest(text)) {
        if (!DriveUsable(drive)) {
            const std::string message = DriveInvalidMessage(drive);
            if (MessageCallback callback = g_pfnMessage.load()) callback(message.c_str());
            // An empty line in place of the command, so the interpreter shows its prompt again.
            m_pQueue->Push("\r\n", false);
            return 0;
        }
    }
    if (m_pQueue->Push(std::string(text, length), false)) return 1;
    // The interpreter has not read what waits for it (it runs something that reads no input): the line
    // is refused rather than growing memory without limit.
    if (MessageCallback callback = g_pfnMessage.load()) callback(kTextInputFull);
    return 0;
}

int ConsoleProcess::IsRunning() {
    if (m_bRestarting.load()) return 1;  // a fresh interpreter is on its way
    if (m_hProcess == nullptr) return 0;
    DWORD code = 0;
    if (!::GetExitCodeProcess(m_hProcess, &code)) return 0;
    return code == STILL_ACTIVE ? 1 : 0;
}

void ConsoleProcess::EndInterpreter() {
    FinishRestart();
    if (IsRunning()) {
        // Input still waiting is moot now; "exit" goes to the writer, and the wait begins whether or not
        // the interpreter reads it.
        m_pQueue->Drop();
        m_pQueue->Push("exit\r\n", true);
        const ULONGLONG start = ::GetTickCount64();
        while (::WaitForSingleObject(m_hProcess, kExitPollMs) == WAIT_TIMEOUT) {
            if (GiveUpOnExit(::GetTickCount64() - start, PendingInput() > 0)) break;
        }
    }
    // What the interpreter started goes with it, also what outlived an interpreter that obeyed.
    EndAndForgetInterpreter(0);
    for (HANDLE& h : m_ending) CloseAndClear(h);
    m_ending.clear();
}

int ConsoleProcess::EndPrograms() {
    if (m_bRestarting.load()) return 0;  // the restart ends them all
    const std::vector<HANDLE> ended = ::EndPrograms(Current());
    m_ending.insert(m_ending.end(), ended.begin(), ended.end());
    return static_cast<int>(ended.size());
}

int ConsoleProcess::CountPrograms() {
    if (m_bRestarting.load()) return 0;
    // Those ended before and gone by now are let go.
    for (auto it = m_ending.begin(); it != m_ending.end();) {
        if (::WaitForSingleObject(*it, 0) != WAIT_TIMEOUT) {
            ::CloseHandle(*it);
            it = m_ending.erase(it);
        } else {
            ++it;
        }
    }
    return ::CountPrograms(Current(), m_ending);
}

size_t ConsoleProcess::PendingInput() {
    if (m_pQueue == nullptr) return 0;
    size_t pending = m_pQueue->Backlog();
    DWORD unread = 0;
    if (!m_bRestarting.load() && m_hChildStdIn != nullptr &&
        ::PeekNamedPipe(m_hChildStdIn, nullptr, 0, nullptr, &unread, nullptr)) {
        pending += unread;
    }
    return pending;
}

void ConsoleProcess::Stop() {
    if (!m_bStarted) return;  // never started: nothing of ours to end, and the slots are another's
    EndInterpreter();
    g_bStop = 1;
    for (ConsoleWorker* w : {m_pOutputWorker, m_pErrorWorker, m_pWatchWorker}) RequestStop(w);
    // The program's copies of the interpreter's ends go first: once the interpreter and whatever it
    // started have ended, a reader blocked in its read then sees the end of its pipe.
    CloseAndClear(m_hChildStdIn);
    CloseAndClear(m_hChildStdOut);
    CloseAndClear(m_hChildStdErr);
    m_writer.Stop();
    StopWorker(m_hOutputThread, m_pOutputWorker);
    StopWorker(m_hErrorThread, m_pErrorWorker);
    StopWorker(m_hWatchThread, m_pWatchWorker);
    CloseAndClear(m_hStdInWrite);
    CloseAndClear(m_hStdOutRead);
    CloseAndClear(m_hStdErrRead);
    Reset();
}
