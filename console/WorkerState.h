#pragma once
// The console's worker threads as pure logic: where a worker is as far as its stopper must know, and
// the reader's and the exit watcher's loops over what they are handed. No Win32 here; the console runs
// these on its threads with the pipe reads, the process query and the pause filled in.
//
// A worker moves kStarting -> kActive on entry, kActive <-> kInCallback around each callback and
// -> kExiting as it returns. Its stopper moves kActive -> kStopping (Claim), after which the worker never
// enters a callback again, and kStopping -> kKilled (MarkKilled) right before it ends the thread by
// force, after which the worker touches nothing shared. Every move is a compare-and-swap, so the two
// sides never disagree on who owns the state; nobody but the worker moves it out of kInCallback, so a
// callback is never cut off half-way.
//
// Threads: one worker thread and one stopper per state; both may call any member.
#include <atomic>
#include <cstddef>
#include <functional>

enum WorkerPhase : int { kStarting, kActive, kInCallback, kExiting, kStopping, kKilled };

class WorkerState {
public:
    // `globalStop` is read beside the worker's own flag (the process-wide stop flag); may be null.
    explicit WorkerState(const std::atomic<long>* globalStop = nullptr) : m_pGlobalStop(globalStop) {}

    // The stopper's side.
    void RequestStop() { m_bStop = true; }
    // True when the worker is outside every callback for good (claimed now or before); false while it is
    // inside one, still starting, or once it is returning (Returned).
    bool Claim();
    // True when the stopper may end the thread by force: claimed, and not yet returning.
    bool MarkKilled();
    bool Returned() const { return m_nPhase.load() == kExiting; }

    // The worker's side.
    bool StopRequested() const;
    void Begin();
    // False when the worker must return instead of calling back: it was claimed, or stop was asked.
    bool EnterCallback();
    void LeaveCallback();
    // As the worker returns. False when it was marked for killing: it must then wait to be ended.
    bool Finish();

    WorkerPhase Phase() const { return static_cast<WorkerPhase>(m_nPhase.load()); }

private:
    bool Move(int from, int to) { return m_nPhase.compare_exchange_strong(from, to); }

    const std::atomic<long>* m_pGlobalStop;
    std::atomic<int> m_nPhase{kStarting};
    std::atomic<bool> m_bStop{false};
};

// A reader's loop: `read` fills `buffer` (of `capacity` bytes plus one for the NUL) and gives the
// number of bytes read, 0 at the end or on failure; each chunk goes to `deliver` NUL-terminated, unless
// stop was asked while it was read (then it is dropped).
void RunReader(WorkerState& state, char* buffer, size_t capacity, const std::function<size_t(char*, size_t)>& read,
               const std::function<void(const char*)>& deliver);

// The exit watcher's poll period: how long it waits between two questions about the interpreter's end.
constexpr unsigned kWatchPollMs = 1000;

// The exit watcher's loop: at once and then after each `pause` of kWatchPollMs (the pause returns false
// when stop cut it short), `ended` is asked, and `notify` called while it says the interpreter has ended.
void RunWatcher(WorkerState& state, const std::function<bool()>& ended, const std::function<void()>& notify,
                const std::function<bool(unsigned ms)>& pause);
