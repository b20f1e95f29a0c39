#pragma once
// ConsoleProcess: the command interpreter as a hidden child process behind three anonymous pipes.
//
// Threads: Start, Write, Stop, EndInterpreter and IsRunning run on the user-interface thread. Three
// worker threads (standard-output reader, standard-error reader, exit watcher) call the process-wide
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
#include <windows.h>

#include <atomic>

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

class ConsoleProcess {
public:
    ConsoleProcess();
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    // 1 when the interpreter and the three workers run; 0 otherwise, with everything undone. An object
    // that is already started is left as it is, and Start returns 0.
    int Start(OutputCallback output, MessageCallback message, ExitCallback exit);
    // 1 when the text went to the interpreter's standard input; 0 when nothing was written (not
    // started, empty text, a drive the drive check refused, or a failed write).
    int Write(const char* text);
    // Ends the interpreter, the workers and the pipes; safe to call at any time, also twice.
    void Stop();
    int IsRunning();
    void EndInterpreter();
    static int IsNtPlatform();
    void Reset();

    // Tests only: the file name that Start looks for on the search path in place of the platform's
    // interpreter; nullptr restores the platform's choice. The text must outlive the next Start.
    static void SetInterpreterNameForTesting(const char* name);

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

private:
    // Starts one worker thread on `routine`; on success fills `thread` and `worker`.
    static bool StartWorker(unsigned(__stdcall* routine)(void*), HANDLE source, bool ownsSource,
                            HANDLE& thread, ConsoleWorker*& worker);
    // Waits for one worker to end (see the class comment), then releases its thread handle and state.
    static void StopWorker(HANDLE& thread, ConsoleWorker*& worker);
    int WritePipe(const char* bytes, DWORD size);

    // Each worker's shared state; kept apart from the object so that a worker left inside a callback
    // that never returns still has valid state after Stop.
    ConsoleWorker* m_pOutputWorker = nullptr;
    ConsoleWorker* m_pErrorWorker = nullptr;
    ConsoleWorker* m_pWatchWorker = nullptr;
};
