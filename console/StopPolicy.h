#pragma once
// When the console gives up waiting and uses force: the interpreter that was asked to exit, and a worker
// that is being stopped. No Win32 here, and no clock: the caller hands in how long it has waited.
#include <cstdint>

// How long the interpreter may take to obey "exit", and how long "exit" may stay unread before the wait
// is cut short: an interpreter that leaves its input unread runs something that reads none (a program,
// a batch file) and would not obey within the longer wait either.
constexpr uint64_t kExitWaitMs = 2000;
constexpr uint64_t kExitUnreadMs = 500;

// True when the interpreter is to be ended by force, `elapsedMs` after "exit" was queued, with
// `inputUnread` telling whether input still waits for it.
bool GiveUpOnExit(uint64_t elapsedMs, bool inputUnread);

// How long a worker outside its callbacks may take to return before it is ended by force.
constexpr uint64_t kWorkerWaitMs = 1000;

enum class StopStep {
    kWait,        // inside a callback: waited for until it returns, however long that takes
    kCancelRead,  // outside its callbacks for good: wake it from a blocked read, and wait
    kKill,        // outside its callbacks, and nothing else ended it in time
};

// The next step in stopping a worker that has not returned, `elapsedMs` after the stop began; `claimed`
// tells whether it is outside its callbacks for good.
StopStep NextStopStep(bool claimed, uint64_t elapsedMs);
