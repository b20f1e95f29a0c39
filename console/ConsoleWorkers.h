#pragma once
// The console's worker threads on Win32: the two readers and the exit watcher (their loops and state
// machine are console/WorkerState.h), and how one is stopped.
#include <windows.h>

#include <atomic>

#include "console/WorkerState.h"

// One worker's shared state, kept apart from the console so that it stays valid for as long as either
// the thread or its owner holds it. Freed by whichever of the two lets go last.
struct ConsoleWorker {
    explicit ConsoleWorker(const std::atomic<long>* globalStop) : state(globalStop) {}
    ~ConsoleWorker();
    void Release();
    // The thread's reference, let go exactly once: by the thread as it returns, or by the stopper after
    // ending it by force.
    void ReleaseThreadRef();

    WorkerState state;
    HANDLE hSource = nullptr;   // a reader's pipe end (the console's), or the watcher's own process handle
    bool bOwnsSource = false;
    HANDLE hWake = nullptr;     // the watcher's only: manual-reset, set to end its pause at once
    std::atomic<int> nRefs{2};
    std::atomic<bool> bThreadHoldsRef{true};
};

enum class WorkerKind { kOutputReader, kErrorReader, kExitWatcher };

// Starts one worker of `kind` on `source` (owned, and closed with the worker's state, when `ownsSource`);
// on success fills `thread` and `worker`, else closes an owned source.
bool StartWorker(WorkerKind kind, HANDLE source, bool ownsSource, HANDLE& thread, ConsoleWorker*& worker);

// Asks a worker to stop: it calls back no more and a watcher's pause ends.
void RequestStop(ConsoleWorker* worker);

// Waits for one worker to return, then releases its thread handle and state. A worker inside a callback
// is waited for until the callback returns, however long that takes; one blocked in a read is woken,
// and ended by force only when nothing else ended it within kWorkerWaitMs.
void StopWorker(HANDLE& thread, ConsoleWorker*& worker);
