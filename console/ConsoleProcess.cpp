#include "console/ConsoleProcess.h"

#include <process.h>

#include <climits>
#include <cstring>
#include <string>

#include "console/DriveCheck.h"

std::atomic<OutputCallback> g_pfnOutput{nullptr};
std::atomic<MessageCallback> g_pfnMessage{nullptr};
std::atomic<ExitCallback> g_pfnExit{nullptr};
std::atomic<LONG> g_bStop{0};

namespace {

constexpr DWORD kReadSize = 2048;          // bytes per read; the chunk buffer has one more for the NUL
constexpr DWORD kPollMs = 1000;            // the exit watcher's poll period
constexpr DWORD kExitWaitMs = 2000;        // how long the interpreter may take to obey "exit"
constexpr DWORD kWorkerWaitMs = 1000;      // how long Stop waits before ending a worker by force
constexpr DWORD kCallbackGraceMs = 10000;  // how much longer it waits for a worker inside a callback
constexpr DWORD kStopPollMs = 20;

std::atomic<const char*> g_pszInterpreterOverride{nullptr};

// Where a worker is, as far as Stop must know. The worker moves kStarting -> kActive on entry,
// kActive <-> kInCallback around each callback and -> kExiting when it returns. Stop moves kActive ->
// kStopping, after which the worker never enters a callback again, and kStopping -> kKilled right
// before TerminateThread, after which the worker does nothing but wait to be ended. Every move is a
// compare-and-swap, so the two sides never disagree on who owns the state.
enum WorkerState : int { kStarting, kActive, kInCallback, kExiting, kStopping, kKilled };

}  // namespace

// Shared by one worker thread and its ConsoleProcess. Freed by whichever of the two lets go last.
struct ConsoleWorker {
    HANDLE hSource = nullptr;  // a reader's pipe end (the object's), or the watcher's own process handle
    bool bOwnsSource = false;
    HANDLE hWake = nullptr;  // manual-reset; Stop sets it, ending the watcher's pause at once
    std::atomic<int> nState{kStarting};
    std::atomic<bool> bStop{false};  // this worker's own flag: a later Start resets g_bStop, not this
    std::atomic<int> nRefs{2};
    std::atomic<bool> bThreadHoldsRef{true};

    ~ConsoleWorker() {
        if (bOwnsSource && hSource != nullptr) ::CloseHandle(hSource);
        if (hWake != nullptr) ::CloseHandle(hWake);
    }
    void Release() {
        if (nRefs.fetch_sub(1) == 1) delete this;
    }
    // The thread's reference, let go exactly once: by the thread as it returns, or by Stop after
    // ending it by force.
    void ReleaseThreadRef() {
        if (bThreadHoldsRef.exchange(false)) Release();
    }
    bool Stopping() const { return g_bStop.load() != 0 || bStop.load(); }
};

namespace {

bool MoveState(ConsoleWorker* w, int from, int to) { return w->nState.compare_exchange_strong(from, to); }

// False when the worker must return instead: Stop has claimed it, or the stop flag is set (a chunk
// just read is then dropped).
bool EnterCallback(ConsoleWorker* w) {
    if (!MoveState(w, kActive, kInCallback)) return false;
    if (w->Stopping()) {
        w->nState.store(kActive);
        return false;
    }
    return true;
}

// Stop never moves a worker out of kInCallback, so a plain store is safe here.
void LeaveCallback(ConsoleWorker* w) { w->nState.store(kActive); }

unsigned FinishWorker(ConsoleWorker* w) {
    for (;;) {
        int state = w->nState.load();
        if (state == kKilled) {
            // Stop is about to end this thread by force; touch nothing the process shares meanwhile.
            for (;;) ::Sleep(INFINITE);
        }
        if (w->nState.compare_exchange_strong(state, kExiting)) break;
    }
    w->ReleaseThreadRef();
    return 0;
}

void BeginWorker(ConsoleWorker* w) { MoveState(w, kStarting, kActive); }

template <typename Callback>
unsigned RunReader(ConsoleWorker* w, std::atomic<Callback>& slot) {
    BeginWorker(w);
    char buffer[kReadSize + 1];
    while (!w->Stopping()) {
        DWORD read = 0;
        if (!::ReadFile(w->hSource, buffer, kReadSize, &read, nullptr) || read == 0) break;
        if (!EnterCallback(w)) break;
        buffer[read] = '\0';
        // Read afresh for every chunk: the slot may have been emptied meanwhile.
        if (Callback callback = slot.load()) callback(buffer);
        LeaveCallback(w);
    }
    return FinishWorker(w);
}

unsigned __stdcall OutputReaderThread(void* arg) {
    return RunReader(static_cast<ConsoleWorker*>(arg), g_pfnOutput);
}

unsigned __stdcall ErrorReaderThread(void* arg) {
    return RunReader(static_cast<ConsoleWorker*>(arg), g_pfnMessage);
}

unsigned __stdcall ExitWatchThread(void* arg) {
    ConsoleWorker* w = static_cast<ConsoleWorker*>(arg);
    BeginWorker(w);
    while (!w->Stopping()) {
        DWORD code = 0;
        // A failed query counts as an ended interpreter.
        if (!::GetExitCodeProcess(w->hSource, &code) || code != STILL_ACTIVE) {
            if (!EnterCallback(w)) break;
            if (ExitCallback callback = g_pfnExit.load()) callback();
            LeaveCallback(w);
        }
        // The pause between polls; Stop cuts it short.
        if (::WaitForSingleObject(w->hWake, kPollMs) != WAIT_TIMEOUT) break;
    }
    return FinishWorker(w);
}

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) ::CloseHandle(handle);
    handle = nullptr;
}

// A non-inheritable copy of `source` in this process, or nullptr.
HANDLE DuplicateLocal(HANDLE source) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), source, ::GetCurrentProcess(), &copy, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

}  // namespace

ConsoleProcess::ConsoleProcess() { Reset(); }

ConsoleProcess::~ConsoleProcess() { Stop(); }

void ConsoleProcess::SetInterpreterNameForTesting(const char* name) { g_pszInterpreterOverride = name; }

int ConsoleProcess::IsNtPlatform() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    ::GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

void ConsoleProcess::Reset() {
    m_hChildStdIn = m_hChildStdOut = m_hChildStdErr = nullptr;
    m_hStdInWrite = m_hStdOutRead = m_hStdErrRead = nullptr;
    m_hOutputThread = m_hErrorThread = m_hWatchThread = nullptr;
    m_hProcess = nullptr;
    m_pOutputWorker = m_pErrorWorker = m_pWatchWorker = nullptr;
    g_pfnOutput = nullptr;
    g_pfnMessage = nullptr;
    g_pfnExit = nullptr;
}

bool ConsoleProcess::StartWorker(unsigned(__stdcall* routine)(void*), HANDLE source, bool ownsSource,
                                 HANDLE& thread, ConsoleWorker*& worker) {
    ConsoleWorker* w = new ConsoleWorker;
    w->hSource = source;
    w->bOwnsSource = ownsSource;
    w->hWake = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const uintptr_t handle = w->hWake != nullptr ? _beginthreadex(nullptr, 0, routine, w, 0, nullptr) : 0;
    if (handle == 0) {
        delete w;  // closes an owned source too
        return false;
    }
    thread = reinterpret_cast<HANDLE>(handle);
    worker = w;
    return true;
}

int ConsoleProcess::Start(OutputCallback output, MessageCallback message, ExitCallback exit) {
    if (m_hStdInWrite != nullptr || m_hProcess != nullptr || m_pOutputWorker != nullptr ||
        m_pErrorWorker != nullptr || m_pWatchWorker != nullptr) {
        return 0;  // started already: a second set of pipes would leak the first
    }
    g_bStop = 0;
    g_pfnOutput = output;
    g_pfnMessage = message;
    g_pfnExit = exit;

    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;

    // The program's own ends are made inheritable by CreatePipe; they are duplicated into
    // non-inheritable copies and closed, so that the interpreter inherits only its own three ends.
    HANDLE inWrite = nullptr, outRead = nullptr, errRead = nullptr;
    HANDLE read = nullptr, write = nullptr;
    bool ok = ::CreatePipe(&read, &write, &sa, 0) != FALSE;
    if (ok) {
        m_hChildStdIn = read;
        inWrite = write;
        ok = ::CreatePipe(&read, &write, &sa, 0) != FALSE;
    }
    if (ok) {
        outRead = read;
        m_hChildStdOut = write;
        ok = ::CreatePipe(&read, &write, &sa, 0) != FALSE;
    }
    if (ok) {
        errRead = read;
        m_hChildStdErr = write;
        ok = (m_hStdInWrite = DuplicateLocal(inWrite)) != nullptr &&
             (m_hStdOutRead = DuplicateLocal(outRead)) != nullptr &&
             (m_hStdErrRead = DuplicateLocal(errRead)) != nullptr;
    }
    // Each temporary that was made is closed here, exactly once, whatever failed.
    CloseAndClear(inWrite);
    CloseAndClear(outRead);
    CloseAndClear(errRead);

    char path[MAX_PATH] = {};
    if (ok) {
        const char* name = g_pszInterpreterOverride.load();
        if (name == nullptr) name = IsNtPlatform() ? "cmd.exe" : "command.com";
        const DWORD length = ::SearchPathA(nullptr, name, nullptr, MAX_PATH, path, nullptr);
        ok = length != 0 && length < MAX_PATH;
    }

    if (ok) {
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
        si.hStdInput = m_hChildStdIn;
        si.hStdOutput = m_hChildStdOut;
        si.hStdError = m_hChildStdErr;
        // The path is named as the program to run and quoted on the command line: unquoted, a path with
        // blanks would let the platform try "C:\Program.exe" and the like first.
        std::string commandLine = std::string("\"") + path + "\"";
        PROCESS_INFORMATION pi{};
        ok = ::CreateProcessA(path, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                              nullptr, &si, &pi) != FALSE;
        if (ok) {
            if (pi.hThread != nullptr) ::CloseHandle(pi.hThread);
            m_hProcess = pi.hProcess;
            ok = m_hProcess != nullptr;
        }
    }

    if (ok) {
        ok = StartWorker(OutputReaderThread, m_hStdOutRead, false, m_hOutputThread, m_pOutputWorker) &&
             StartWorker(ErrorReaderThread, m_hStdErrRead, false, m_hErrorThread, m_pErrorWorker);
    }
    if (ok) {
        // The watcher polls its own copy of the process handle, so that EndInterpreter may close
        // m_hProcess while the watcher still runs.
        HANDLE process = DuplicateLocal(m_hProcess);
        // On failure StartWorker has closed the copy with the rest of the worker's state.
        ok = process != nullptr &&
             StartWorker(ExitWatchThread, process, true, m_hWatchThread, m_pWatchWorker);
    }

    if (!ok) {
        Stop();
        return 0;
    }
    return 1;
}

int ConsoleProcess::WritePipe(const char* bytes, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(m_hStdInWrite, bytes, size, &written, nullptr)) return 0;
    return written == size ? 1 : 0;
}

int ConsoleProcess::Write(const char* text) {
    if (m_hStdInWrite == nullptr || text == nullptr) return 0;
    const size_t length = std::strlen(text);
    if (length == 0 || length > static_cast<size_t>(INT_MAX)) return 0;

    if (const char drive = DriveToTest(text)) {
        // Making the drive current tests it; on success the program stays on that drive. The process
        // error mode keeps a drive without a medium from raising the platform's error dialog.
        const char root[3] = {drive, ':', '\0'};
        if (!::SetCurrentDirectoryA(root)) {
            const std::string message = DriveInvalidMessage(drive);
            if (MessageCallback callback = g_pfnMessage.load()) callback(message.c_str());
            // An empty line in place of the command, so the interpreter shows its prompt again.
            WritePipe("\r\n", 2);
            return 0;
        }
    }
    return WritePipe(text, static_cast<DWORD>(length));
}

int ConsoleProcess::IsRunning() {
    if (m_hProcess == nullptr) return 0;
    DWORD code = 0;
    if (!::GetExitCodeProcess(m_hProcess, &code)) return 0;
    return code == STILL_ACTIVE ? 1 : 0;
}

void ConsoleProcess::EndInterpreter() {
    if (IsRunning()) {
        Write("exit\r\n");
        if (::WaitForSingleObject(m_hProcess, kExitWaitMs) == WAIT_TIMEOUT) ::TerminateProcess(m_hProcess, 1);
    }
    CloseAndClear(m_hProcess);
}

void ConsoleProcess::StopWorker(HANDLE& thread, ConsoleWorker*& worker) {
    if (thread != nullptr && worker != nullptr) {
        const DWORD start = ::GetTickCount();
        for (;;) {
            if (::WaitForSingleObject(thread, 0) != WAIT_TIMEOUT) break;  // returned (or unusable handle)
            MoveState(worker, kActive, kStopping);
            const int state = worker->nState.load();
            const DWORD elapsed = ::GetTickCount() - start;
            if (state == kStopping) {
                // Outside any callback for good: wake it from a blocked read. Repeated, because a
                // cancel that comes before the read begins has no effect.
                ::CancelSynchronousIo(thread);
                if (elapsed >= kWorkerWaitMs && MoveState(worker, kStopping, kKilled)) {
                    // Last resort, for a read that nothing else ended.
                    ::TerminateThread(thread, 1);
                    ::WaitForSingleObject(thread, kWorkerWaitMs);
                    worker->ReleaseThreadRef();
                    break;
                }
            } else if (elapsed >= kWorkerWaitMs + kCallbackGraceMs) {
                // Inside a callback that does not return, or stuck on its way out: left running rather
                // than killed with the callback's locks held. Its own stop flag ends it later.
                break;
            }
            ::WaitForSingleObject(thread, kStopPollMs);
        }
    }
    CloseAndClear(thread);
    if (worker != nullptr) worker->Release();
    worker = nullptr;
}

void ConsoleProcess::Stop() {
    EndInterpreter();
    g_bStop = 1;
    for (ConsoleWorker* w : {m_pOutputWorker, m_pErrorWorker, m_pWatchWorker}) {
        if (w == nullptr) continue;
        w->bStop = true;
        ::SetEvent(w->hWake);
    }
    // The program's copies of the interpreter's ends go first: once the interpreter and whatever it
    // started have ended, a reader blocked in its read then sees the end of its pipe.
    CloseAndClear(m_hChildStdIn);
    CloseAndClear(m_hChildStdOut);
    CloseAndClear(m_hChildStdErr);
    StopWorker(m_hOutputThread, m_pOutputWorker);
    StopWorker(m_hErrorThread, m_pErrorWorker);
    StopWorker(m_hWatchThread, m_pWatchWorker);
    CloseAndClear(m_hStdInWrite);
    CloseAndClear(m_hStdOutRead);
    CloseAndClear(m_hStdErrRead);
    Reset();
}
