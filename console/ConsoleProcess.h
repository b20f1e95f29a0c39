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
#include <windows.h>

#include <atomic>

using OutputCallback = void (*)(const char* text);
using MessageCallback = void (*)(const char* text);
using ExitCallback = void (*)();

class ConsoleProcess {
public:
    ConsoleProcess();
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    // 1 when the interpreter and the three workers run; 0 otherwise, with everything undone.
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
};
