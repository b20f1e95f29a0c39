#include "console/ConsoleProcess.h"

#include <process.h>
#include <tlhelp32.h>

#include <climits>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "console/DriveCheck.h"
#include "res/Texts.h"

std::atomic<OutputCallback> g_pfnOutput{nullptr};
std::atomic<MessageCallback> g_pfnMessage{nullptr};
std::atomic<ExitCallback> g_pfnExit{nullptr};
std::atomic<LONG> g_bStop{0};

namespace {

constexpr DWORD kReadSize = 2048;          // bytes per read; the chunk buffer has one more for the NUL
constexpr DWORD kPollMs = 1000;            // the exit watcher's poll period
constexpr DWORD kExitWaitMs = 2000;        // how long the interpreter may take to obey "exit"
constexpr DWORD kExitUnreadMs = 500;       // how long "exit" may stay unread before the wait is cut short
constexpr DWORD kExitPollMs = 20;
constexpr DWORD kWorkerWaitMs = 1000;      // how long Stop waits before ending a worker by force
constexpr DWORD kCallbackGraceMs = 10000;  // how much longer it waits for a worker inside a callback
constexpr DWORD kStopPollMs = 20;

constexpr DWORD kWriterWaitMs = 1000;      // how long Stop waits for the writer to leave a blocked write
constexpr DWORD kProgramEndWaitMs = 1000;  // how long ending programs waits for them to be gone

std::atomic<const char*> g_pszInterpreterOverride{nullptr};
std::atomic<bool> g_bUseJob{true};

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

}  // namespace

// The input writer's queue, shared by the user-interface thread (Queue, DropInput, PendingInput) and
// the writer thread. The lock is never held during a write, so Write never waits for the pipe.
struct ConsoleWriter {
    CRITICAL_SECTION lock;
    HANDLE hWork = nullptr;  // auto-reset: a text was queued, or the writer must stop
    HANDLE hPipe = nullptr;  // the program's end of the standard-input pipe (the object's)
    std::deque<std::string> queue;
    size_t nBacklog = 0;  // bytes queued plus those of the text being written
    bool bWriting = false;
    std::atomic<bool> bStop{false};

    ConsoleWriter() { ::InitializeCriticalSection(&lock); }
    ~ConsoleWriter() {
        if (hWork != nullptr) ::CloseHandle(hWork);
        ::DeleteCriticalSection(&lock);
    }
};

namespace {

// Writes each queued text whole, one after another, in the order queued. A text whose write fails (the
// interpreter gone, the write cancelled) is dropped.
unsigned __stdcall InputWriterThread(void* arg) {
    ConsoleWriter* w = static_cast<ConsoleWriter*>(arg);
    while (!w->bStop.load()) {
        std::string text;
        ::EnterCriticalSection(&w->lock);
        if (!w->queue.empty()) {
            text.swap(w->queue.front());
            w->queue.pop_front();
            w->bWriting = true;
        }
        ::LeaveCriticalSection(&w->lock);
        if (!w->bWriting) {
            ::WaitForSingleObject(w->hWork, INFINITE);
            continue;
        }
        size_t done = 0;
        while (done < text.size() && !w->bStop.load()) {
            DWORD written = 0;
            if (!::WriteFile(w->hPipe, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                             nullptr) ||
                written == 0) {
                break;
            }
            done += written;
        }
        ::EnterCriticalSection(&w->lock);
        w->nBacklog -= text.size();
        w->bWriting = false;
        ::LeaveCriticalSection(&w->lock);
    }
    return 0;
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

void ConsoleProcess::SetUseJobForTesting(bool use) { g_bUseJob = use; }

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
    m_hJob = nullptr;
    m_dwProcessId = 0;
    m_hWriterThread = nullptr;
    m_pWriter = nullptr;
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

    if (ok) {
        char dir[MAX_PATH] = {};
        const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, dir);
        m_strStartDir = length != 0 && length < MAX_PATH ? dir : "";
        ok = Launch(nullptr) != 0;
    }
    if (ok) {
        ConsoleWriter* w = new ConsoleWriter;
        w->hPipe = m_hStdInWrite;
        w->hWork = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        const uintptr_t handle = w->hWork != nullptr ? _beginthreadex(nullptr, 0, InputWriterThread, w, 0, nullptr)
                                                     : 0;
        if (handle != 0) {
            m_pWriter = w;
            m_hWriterThread = reinterpret_cast<HANDLE>(handle);
        } else {
            delete w;
            ok = false;
        }
    }
    if (ok) {
        ok = StartWorker(OutputReaderThread, m_hStdOutRead, false, m_hOutputThread, m_pOutputWorker) &&
             StartWorker(ErrorReaderThread, m_hStdErrRead, false, m_hErrorThread, m_pErrorWorker) &&
             StartWatcher();
    }

    if (!ok) {
        Stop();
        return 0;
    }
    return 1;
}

int ConsoleProcess::Launch(const char* directory) {
    char path[MAX_PATH] = {};
    const char* name = g_pszInterpreterOverride.load();
    if (name == nullptr) name = IsNtPlatform() ? "cmd.exe" : "command.com";
    const DWORD length = ::SearchPathA(nullptr, name, nullptr, MAX_PATH, path, nullptr);
    if (length == 0 || length >= MAX_PATH) return 0;

    // Under Wine the first window of a session starts the desktop process on demand, as a child of
    // whoever asked: asked here, it starts outside the interpreter's job (a no-op on Windows).
    ::GetDesktopWindow();
    HANDLE job = g_bUseJob.load() ? ::CreateJobObjectA(nullptr, nullptr) : nullptr;
    if (job != nullptr) {
        // The system ends every process of the job when its last handle goes: when this program ends,
        // however it ends.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            ::CloseHandle(job);
            job = nullptr;
        }
    }

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
    // Suspended until it is in the job, so that nothing it starts can escape the job.
    if (!::CreateProcessA(path, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE | CREATE_SUSPENDED,
                          nullptr, directory, &si, &pi)) {
        if (job != nullptr) ::CloseHandle(job);
        return 0;
    }
    if (job != nullptr && !::AssignProcessToJobObject(job, pi.hProcess)) {
        // A job this program runs in that allows no other: the process list stands in for the job.
        ::CloseHandle(job);
        job = nullptr;
    }
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_dwProcessId = pi.dwProcessId;
    m_hJob = job;
    return 1;
}

bool ConsoleProcess::StartWatcher() {
    // The watcher polls its own copy of the process handle, so that EndInterpreter may close m_hProcess
    // while the watcher still runs. On failure StartWorker has closed the copy with the rest of the
    // worker's state.
    HANDLE process = DuplicateLocal(m_hProcess);
    return process != nullptr && StartWorker(ExitWatchThread, process, true, m_hWatchThread, m_pWatchWorker);
}

int ConsoleProcess::Queue(const char* text, size_t length, bool force) {
    ConsoleWriter* w = m_pWriter;
    if (w == nullptr) return 0;
    ::EnterCriticalSection(&w->lock);
    const bool room = force || (w->nBacklog <= kInputBacklogLimit && length <= kInputBacklogLimit - w->nBacklog);
    if (room) {
        w->queue.emplace_back(text, length);
        w->nBacklog += length;
    }
    ::LeaveCriticalSection(&w->lock);
    if (room) ::SetEvent(w->hWork);
    return room ? 1 : 0;
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
            Queue("\r\n", 2, false);
            return 0;
        }
    }
    if (Queue(text, length, false)) return 1;
    // The interpreter has not read what waits for it (it runs something that reads no input): the line
    // is refused rather than growing memory without limit.
    if (MessageCallback callback = g_pfnMessage.load()) callback(kTextInputFull);
    return 0;
}

int ConsoleProcess::IsRunning() {
    if (m_hProcess == nullptr) return 0;
    DWORD code = 0;
    if (!::GetExitCodeProcess(m_hProcess, &code)) return 0;
    return code == STILL_ACTIVE ? 1 : 0;
}

void ConsoleProcess::EndInterpreter() {
    if (IsRunning()) {
        // Input still waiting is moot now; "exit" goes to the writer, and the wait begins whether or not
        // the pipe has room for it.
        DropInput(false);
        Queue("exit\r\n", 6, true);
        const DWORD start = ::GetTickCount();
        while (::WaitForSingleObject(m_hProcess, kExitPollMs) == WAIT_TIMEOUT) {
            // A waiting interpreter reads "exit" at once; one that leaves it unread runs something that
            // reads no input (a program, a batch file) and will not obey within the wait either.
            const DWORD elapsed = ::GetTickCount() - start;
            if (elapsed >= kExitWaitMs || (elapsed >= kExitUnreadMs && PendingInput() > 0)) {
                ::TerminateProcess(m_hProcess, 1);
                break;
            }
        }
    }
    // What the interpreter started goes with it, also what outlived an interpreter that obeyed.
    if (m_hProcess != nullptr) EndProcesses(true, kProgramEndWaitMs);
    CloseAndClear(m_hProcess);
    CloseAndClear(m_hJob);
    m_dwProcessId = 0;
}

namespace {

// Image names never ended as programs: the console host the system gives the interpreter's console.
bool IsConsoleHost(const char* exe) { return ::lstrcmpiA(exe, "conhost.exe") == 0; }

// The processes of the interpreter's job, or (no job) the interpreter's descendants from the process
// list, with their image names; the interpreter itself among them when it still runs.
std::vector<PROCESSENTRY32> JobProcesses(HANDLE job, DWORD interpreter) {
    std::vector<PROCESSENTRY32> all;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL ok = ::Process32First(snapshot, &entry); ok; ok = ::Process32Next(snapshot, &entry)) {
            all.push_back(entry);
        }
        ::CloseHandle(snapshot);
    }
    std::vector<PROCESSENTRY32> found;
    if (job != nullptr) {
        // Room for far more processes than a console session runs; a list that does not fit still
        // fills the room it has.
        constexpr DWORD kMaxIds = 1024;
        std::vector<unsigned char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + kMaxIds * sizeof(ULONG_PTR));
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
        const BOOL ok = ::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                                                    static_cast<DWORD>(buffer.size()), nullptr);
        if (ok || ::GetLastError() == ERROR_MORE_DATA) {
            for (DWORD i = 0; i < list->NumberOfProcessIdsInList && i < kMaxIds + 1; ++i) {
                const DWORD pid = static_cast<DWORD>(list->ProcessIdList[i]);
                PROCESSENTRY32 entry{};
                entry.th32ProcessID = pid;
                for (const PROCESSENTRY32& e : all) {
                    if (e.th32ProcessID == pid) entry = e;
                }
                found.push_back(entry);
            }
        }
        return found;
    }
    // Descendants: grown from the interpreter, a generation at a time, until no process is added.
    std::vector<DWORD> family{interpreter};
    for (bool grew = true; grew;) {
        grew = false;
        for (const PROCESSENTRY32& e : all) {
            bool parentIn = false, in = false;
            for (DWORD pid : family) {
                parentIn = parentIn || pid == e.th32ParentProcessID;
                in = in || pid == e.th32ProcessID;
            }
            if (parentIn && !in && e.th32ProcessID != ::GetCurrentProcessId()) {
                family.push_back(e.th32ProcessID);
                grew = true;
            }
        }
    }
    for (const PROCESSENTRY32& e : all) {
        for (DWORD pid : family) {
            if (pid == e.th32ProcessID) found.push_back(e);
        }
    }
    return found;
}

}  // namespace

int ConsoleProcess::EndProcesses(bool all, DWORD waitMs) {
    if (m_dwProcessId == 0) return 0;
    std::vector<HANDLE> ended;
    for (const PROCESSENTRY32& e : JobProcesses(m_hJob, m_dwProcessId)) {
        if (!all && (e.th32ProcessID == m_dwProcessId || IsConsoleHost(e.szExeFile))) continue;
        if (e.th32ProcessID == ::GetCurrentProcessId()) continue;
        HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, e.th32ProcessID);
        if (process == nullptr) continue;
        if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT && ::TerminateProcess(process, 1)) {
            ended.push_back(process);
        } else {
            ::CloseHandle(process);
        }
    }
    const DWORD start = ::GetTickCount();
    for (HANDLE process : ended) {
        const DWORD elapsed = ::GetTickCount() - start;
        ::WaitForSingleObject(process, elapsed < waitMs ? waitMs - elapsed : 0);
        ::CloseHandle(process);
    }
    return static_cast<int>(ended.size());
}

int ConsoleProcess::EndPrograms() { return EndProcesses(false, kProgramEndWaitMs); }

int ConsoleProcess::CountPrograms() {
    if (m_dwProcessId == 0) return 0;
    int count = 0;
    for (const PROCESSENTRY32& e : JobProcesses(m_hJob, m_dwProcessId)) {
        if (e.th32ProcessID == m_dwProcessId || IsConsoleHost(e.szExeFile)) continue;
        HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, e.th32ProcessID);
        if (process == nullptr) continue;
        if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) ++count;
        ::CloseHandle(process);
    }
    return count;
}

size_t ConsoleProcess::PendingInput() {
    size_t pending = 0;
    if (ConsoleWriter* w = m_pWriter; w != nullptr) {
        ::EnterCriticalSection(&w->lock);
        pending = w->nBacklog;
        ::LeaveCriticalSection(&w->lock);
    }
    DWORD unread = 0;
    if (m_hChildStdIn != nullptr && ::PeekNamedPipe(m_hChildStdIn, nullptr, 0, nullptr, &unread, nullptr)) {
        pending += unread;
    }
    return pending;
}

void ConsoleProcess::DropInput(bool pipeToo) {
    ConsoleWriter* w = m_pWriter;
    if (w != nullptr) {
        ::EnterCriticalSection(&w->lock);
        for (const std::string& text : w->queue) w->nBacklog -= text.size();
        w->queue.clear();
        ::LeaveCriticalSection(&w->lock);
    }
    if (!pipeToo || m_hChildStdIn == nullptr) return;
    // What waits in the pipe is read off by the program's own copy of the interpreter's end; a text the
    // writer is still writing lands there too as the pipe makes room, so it is read off until the writer
    // is done (bounded: the writer is never long in a write into a pipe that is being emptied).
    const DWORD start = ::GetTickCount();
    for (;;) {
        DWORD unread = 0;
        if (!::PeekNamedPipe(m_hChildStdIn, nullptr, 0, nullptr, &unread, nullptr)) break;
        if (unread > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!::ReadFile(m_hChildStdIn, buffer, unread < sizeof buffer ? unread : sizeof buffer, &read, nullptr)) {
                break;
            }
            continue;
        }
        bool writing = false;
        if (w != nullptr) {
            ::EnterCriticalSection(&w->lock);
            writing = w->bWriting;
            ::LeaveCriticalSection(&w->lock);
        }
        if (!writing || ::GetTickCount() - start > kWriterWaitMs) break;
        ::Sleep(1);
    }
}

int ConsoleProcess::Restart() {
    if (m_hStdInWrite == nullptr || m_pWriter == nullptr) return 0;
    // The watcher goes first, so that the old interpreter's end closes nothing.
    if (m_pWatchWorker != nullptr) {
        m_pWatchWorker->bStop = true;
        ::SetEvent(m_pWatchWorker->hWake);
    }
    StopWorker(m_hWatchThread, m_pWatchWorker);
    if (m_hProcess != nullptr) {
        ::TerminateProcess(m_hProcess, 1);
        EndProcesses(true, kProgramEndWaitMs);
        ::WaitForSingleObject(m_hProcess, kProgramEndWaitMs);
    }
    CloseAndClear(m_hProcess);
    CloseAndClear(m_hJob);
    m_dwProcessId = 0;
    DropInput(true);
    const int ok = Launch(m_strStartDir.empty() ? nullptr : m_strStartDir.c_str()) && StartWatcher() ? 1 : 0;
    if (!ok && m_hProcess != nullptr) {
        EndProcesses(true, kProgramEndWaitMs);
        CloseAndClear(m_hProcess);
        CloseAndClear(m_hJob);
    }
    if (!ok && m_hWatchThread == nullptr) {
        // No interpreter any more: the program closes as if it had ended.
        if (ExitCallback callback = g_pfnExit.load()) callback();
    }
    return ok;
}

void ConsoleProcess::StopWriter() {
    ConsoleWriter* w = m_pWriter;
    if (w == nullptr) return;
    w->bStop = true;
    ::SetEvent(w->hWork);
    const DWORD start = ::GetTickCount();
    bool ended = false;
    while (!(ended = ::WaitForSingleObject(m_hWriterThread, kStopPollMs) != WAIT_TIMEOUT)) {
        // A write into a pipe nobody reads: cancelled (repeated, since a cancel before the write begins
        // has no effect). The interpreter's end of the pipe is closed by now, which also ends it.
        ::CancelSynchronousIo(m_hWriterThread);
        if (::GetTickCount() - start >= kWriterWaitMs) break;
    }
    if (!ended) {
        // Last resort; the writer holds no lock while it writes, and its state is left to leak.
        ::TerminateThread(m_hWriterThread, 1);
        ::WaitForSingleObject(m_hWriterThread, kWriterWaitMs);
    } else {
        delete w;
    }
    CloseAndClear(m_hWriterThread);
    m_pWriter = nullptr;
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
    StopWriter();
    StopWorker(m_hOutputThread, m_pOutputWorker);
    StopWorker(m_hErrorThread, m_pErrorWorker);
    StopWorker(m_hWatchThread, m_pWatchWorker);
    CloseAndClear(m_hStdInWrite);
    CloseAndClear(m_hStdOutRead);
    CloseAndClear(m_hStdErrRead);
    Reset();
}
