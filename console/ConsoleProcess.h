#pragma once
// ConsoleProcess: the command interpreter as a hidden child process behind three anonymous pipes.
//
// Threads: Start, Write, Stop, EndInterpreter, IsRunning, the program control (EndPrograms,
// CountPrograms, PendingInput, Restart) run on the user-interface thread. Four worker threads: the input
// writer, which alone writes into the interpreter's standard input, so that Write never waits for the
// interpreter to read; and the standard-output reader, the standard-error reader and the exit watcher,
// which call the process-wide
// callbacks: the output and message callbacks with each chunk read (1 to 2048 bytes and a NUL), the
// exit callback at every poll (once a second) that finds the interpreter ended, until Stop. The
// callbacks run without any lock held; the two readers may be inside their callbacks at the same time.
// At most one ConsoleProcess may be started at a time: the callback slots and the stop flag are
// process-wide.
//
// Stop never cuts a callback off half-way: it wakes a reader blocked in its read (end of the pipe, or
// its read cancelled) and waits for a worker that is inside a callback until the callback returns. A
// worker is ended by force only while it is provably outside its callback, and only when nothing else
// ended it within a second. So Stop must not be called while holding a lock that a callback takes.
//
// The interpreter and every program it starts run in a job object, so that none of them outlives the
// program: Stop ends them all, and the system ends them when the program itself ends however it ends.
// Where the job cannot be had (a parent's job that allows no other), the interpreter's descendants are
// found by walking the process list instead.
#include <windows.h>

#include <atomic>
#include <string>

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
struct ConsoleWriter;

class ConsoleProcess {
public:
    ConsoleProcess();
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    // 1 when the interpreter and the three workers run; 0 otherwise, with everything undone. An object
    // that is already started is left as it is, and Start returns 0.
    int Start(OutputCallback output, MessageCallback message, ExitCallback exit);
    // 1 when the text was accepted for the interpreter: queued whole, in order, for the input writer;
    // 0 when not (not started, empty text, a drive the drive check refused, or the backlog would grow
    // past kInputBacklogLimit; the message callback then says so in one line). Never waits for the
    // interpreter to read.
    int Write(const char* text);
    // Ends the interpreter, the workers and the pipes; safe to call at any time, also twice.
    void Stop();
    int IsRunning();
    // Sends "exit" and gives the interpreter up to two seconds to obey (whether or not its input has
    // room), half a second when "exit" stays unread (it runs something that reads no input); then ends
    // it and every program it started.
    void EndInterpreter();

    // Ends the programs the interpreter runs (every process it started, directly or not), leaving the
    // interpreter itself and its console host; waits briefly for them to be gone. Their number.
    int EndPrograms();
    // How many such programs run now.
    int CountPrograms();
    // Input bytes the interpreter has not read yet: queued for the writer, being written, or waiting in
    // its standard-input pipe. A waiting interpreter reads a line at once; a busy one (a batch file,
    // a long internal command) lets them wait.
    size_t PendingInput();
    // Ends the interpreter and everything it runs and starts a fresh one on the same pipes, in the
    // directory the first one started in; input not read by the old one is dropped. The exit callback
    // is not called for the old one. 1 on success; 0 leaves no interpreter (the exit callback then
    // follows within a poll).
    int Restart();

    static int IsNtPlatform();
    void Reset();

    // Tests only: the file name that Start looks for on the search path in place of the platform's
    // interpreter; nullptr restores the platform's choice. The text must outlive the next Start.
    static void SetInterpreterNameForTesting(const char* name);
    // Tests only: false runs the interpreter without a job object, as where none can be had.
    static void SetUseJobForTesting(bool use);

    // Bytes that may wait for the interpreter to read them before Write refuses more.
    static constexpr size_t kInputBacklogLimit = 1 << 20;

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
    HANDLE m_hWriterThread = nullptr;

private:
    // Starts one worker thread on `routine`; on success fills `thread` and `worker`.
    static bool StartWorker(unsigned(__stdcall* routine)(void*), HANDLE source, bool ownsSource,
                            HANDLE& thread, ConsoleWorker*& worker);
    // Waits for one worker to end (see the class comment), then releases its thread handle and state.
    static void StopWorker(HANDLE& thread, ConsoleWorker*& worker);
    // Starts the interpreter (and its job) on the child ends of the pipes, in `directory` (null: the
    // program's current one). 1 on success.
    int Launch(const char* directory);
    // Starts the exit watcher on a copy of m_hProcess.
    bool StartWatcher();
    // Queues `text` for the writer; `force` ignores the backlog bound.
    int Queue(const char* text, size_t length, bool force);
    // Ends the interpreter's programs, and the interpreter too when `all`; waits up to `waitMs` for
    // them to be gone. Their number.
    int EndProcesses(bool all, DWORD waitMs);
    void StopWriter();
    // Drops queued input; with `pipeToo` (only while no interpreter runs: a read could meet a reader
    // taking the same bytes and wait for ever) also what waits unread in the standard-input pipe.
    void DropInput(bool pipeToo);

    // Each worker's shared state; kept apart from the object so that a worker left inside a callback
    // that never returns still has valid state after Stop.
    ConsoleWorker* m_pOutputWorker = nullptr;
    ConsoleWorker* m_pErrorWorker = nullptr;
    ConsoleWorker* m_pWatchWorker = nullptr;
    ConsoleWriter* m_pWriter = nullptr;
    std::string m_strStartDir;  // where the interpreter started; a restart starts there too
};
