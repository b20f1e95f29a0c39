#pragma once
// ConsoleProcess: the command interpreter as a hidden child process behind three anonymous pipes.
//
// Threads. Start, Write, Stop, EndInterpreter, IsRunning and the program control (EndPrograms,
// CountPrograms, PendingInput, Restart) run on the user-interface thread, and none of them but Stop and
// EndInterpreter waits for more than a few milliseconds. The workers:
//  - the input writer, which alone writes into the interpreter's standard input, one line at a time
//    (console/InputQueue.h says why), so that Write never waits for the interpreter to read;
//  - the standard-output reader and the standard-error reader, which call the output and message
//    callbacks with each chunk read (1 to 2048 bytes and a NUL);
//  - the exit watcher, which calls the exit callback at every poll (once a second) that finds the
//    interpreter ended, until Stop;
//  - while a restart runs, the thread that carries it out.
// The callbacks run without any lock held; the two readers may be inside their callbacks at the same
// time. At most one ConsoleProcess may be started at a time: the callback slots and the stop flag are
// process-wide, and only the started one ever writes them.
//
// Stop never cuts a callback off half-way: it wakes a reader blocked in its read (end of the pipe, or
// its read cancelled) and waits for a worker that is inside a callback until the callback returns,
// however long that takes. So a callback must never wait without limit for the thread that calls Stop,
// and Stop must not be called while holding a lock that a callback takes. A worker is ended by force
// only while it is provably outside its callback, and only when nothing else ended it within a second.
//
// The interpreter is the system folder's cmd.exe, and it and every program it starts run in a job
// object, so that none of them outlives the program. Where the job cannot be had (a parent's job that
// allows no other), the interpreter's descendants are found by walking the process list instead.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "console/InputWriter.h"
#include "console/InterpreterLaunch.h"

using OutputCallback = void (*)(const char* text);
using MessageCallback = void (*)(const char* text);
using ExitCallback = void (*)();

// The process-wide callback slots and stop flag (0 lets the workers run). Start fills the slots; the
// workers read a slot afresh for every chunk, so a slot swapped while they run (as a test that watches
// the output does) takes effect from the next chunk.
extern std::atomic<OutputCallback> g_pfnOutput;
extern std::atomic<MessageCallback> g_pfnMessage;
extern std::atomic<ExitCallback> g_pfnExit;
extern std::atomic<LONG> g_bStop;

struct ConsoleWorker;
class InputQueue;

class ConsoleProcess {
public:
    ConsoleProcess() = default;
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    // 1 when the interpreter and its workers run; 0 otherwise, with everything undone. An object that
    // is started already, or another ConsoleProcess that is, is left as it is, and Start returns 0.
    int Start(OutputCallback output, MessageCallback message, ExitCallback exit);
    // 1 when the text was accepted for the interpreter: queued whole, in order, for the input writer;
    // 0 when not (not started, empty text, a drive the drive check refused, or the backlog would grow
    // past kInputBacklogLimit; the message callback then says so in one line). Never waits for the
    // interpreter to read.
    int Write(const char* text);
    // Ends the interpreter, the workers and the pipes; safe to call at any time, also twice. An object
    // that never started touches nothing process-wide.
    void Stop();
    int IsRunning();
    // Sends "exit" and gives the interpreter up to two seconds to obey, half a second when "exit" stays
    // unread (it runs something that reads no input); then ends it and every program it started.
    void EndInterpreter();

    // Ends the programs the interpreter runs (every process it started, directly or not), leaving the
    // interpreter itself and its console host; does not wait for them to go. Their number.
    int EndPrograms();
    // How many such programs run now (those just ended and not yet gone not counted).
    int CountPrograms();
    // Input bytes the interpreter has not read yet: queued for the writer, being written, or waiting in
    // its standard-input pipe. A waiting interpreter reads a line at once; a busy one (a batch file,
    // a long internal command) lets them wait.
    size_t PendingInput();
    // Begins replacing the interpreter and everything it runs by a fresh one on a fresh input pipe, in
    // the directory the first one started in, on a thread of its own; returns at once. Input not read
    // by the old one is dropped; lines written from now on wait and go to the fresh one. The exit
    // callback is not called for the old one. 1 when the restart began; 0 when it cannot (not started,
    // or a restart runs already). When no fresh interpreter can be started, the restart's thread calls
    // the exit callback itself, once, as if the interpreter had ended.
    int Restart();
    // True while a restart's thread runs.
    bool Restarting() const { return m_bRestarting.load(); }

    // Bytes that may wait for the interpreter to read them before Write refuses more.
    static constexpr size_t kInputBacklogLimit = 1 << 20;

    // Tests only: see console/InterpreterLaunch.h.
    static void SetInterpreterNameForTesting(const char* name) { ::SetInterpreterNameForTesting(name); }
    static void SetUseJobForTesting(bool use) { ::SetUseJobForTesting(use); }

    HANDLE m_hChildStdIn = nullptr;
    HANDLE m_hChildStdOut = nullptr;
    HANDLE m_hChildStdErr = nullptr;
    HANDLE m_hStdInWrite = nullptr;
    HANDLE m_hStdOutRead = nullptr;
    HANDLE m_hStdErrRead = nullptr;
    HANDLE m_hOutputThread = nullptr;
    HANDLE m_hErrorThread = nullptr;
    HANDLE m_hWatchThread = nullptr;
    HANDLE m_hProcess = nullptr;
    HANDLE m_hJob = nullptr;  // null where no job could be had
    DWORD m_dwProcessId = 0;

private:
    // All handles and worker states empty; the callback slots too when this object filled them.
    void Reset();
    // Starts the interpreter on the child ends of the pipes, in `directory` (null: the program's current
    // one), and points the writer at the input pipe. 1 on success.
    int Launch(const char* directory);
    // Starts the exit watcher on a copy of m_hProcess.
    bool StartWatcher();
    Interpreter Current() const;
    // Ends the interpreter and its family, waits up to `waitMs` for the interpreter to go (0: no wait),
    // and empties its fields.
    void EndAndForgetInterpreter(DWORD waitMs);
    // Waits for a restart that runs to finish (Stop only).
    void FinishRestart();
    // The restart itself, on its own thread.
    static unsigned __stdcall RestartThread(void* arg);
    void RunRestart();

    // Each worker's shared state; kept apart from the object so that it stays valid for as long as the
    // worker runs.
    ConsoleWorker* m_pOutputWorker = nullptr;
    ConsoleWorker* m_pErrorWorker = nullptr;
    ConsoleWorker* m_pWatchWorker = nullptr;
    std::shared_ptr<InputQueue> m_pQueue;
    InputWriter m_writer;
    ULONGLONG m_created = 0;            // the interpreter's creation time
    std::vector<HANDLE> m_ending;       // programs EndPrograms ended, held until they are gone
    std::string m_strStartDir;          // where the interpreter started; a restart starts there too
    bool m_bStarted = false;            // this object filled the process-wide slots
    // Set by the user-interface thread before a restart's thread starts, cleared by that thread as its
    // last act. While it is set, that thread alone touches the interpreter's fields and the input pipe.
    std::atomic<bool> m_bRestarting{false};
    HANDLE m_hRestartThread = nullptr;
};
