#include "console/WorkerState.h"

bool WorkerState::Claim() {
    Move(kActive, kStopping);
    const int phase = m_nPhase.load();
    return phase == kStopping || phase == kKilled;
}

bool WorkerState::MarkKilled() { return Move(kStopping, kKilled); }

bool WorkerState::StopRequested() const {
    return m_bStop.load() || (m_pGlobalStop != nullptr && m_pGlobalStop->load() != 0);
}

void WorkerState::Begin() { Move(kStarting, kActive); }

bool WorkerState::EnterCallback() {
    if (!Move(kActive, kInCallback)) return false;
    if (StopRequested()) {
        m_nPhase.store(kActive);
        return false;
    }
    return true;
}

// The stopper never moves a worker out of kInCallback, so a plain store is safe here.
void WorkerState::LeaveCallback() { m_nPhase.store(kActive); }

bool WorkerState::Finish() {
    for (;;) {
        int phase = m_nPhase.load();
        if (phase == kKilled) return false;
        if (m_nPhase.compare_exchange_strong(phase, kExiting)) return true;
    }
}

void RunReader(WorkerState& state, char* buffer, size_t capacity, const std::function<size_t(char*, size_t)>& read,
               const std::function<void(const char*)>& deliver) {
    state.Begin();
    while (!state.StopRequested()) {
        const size_t got = read(buffer, capacity);
        if (got == 0 || !state.EnterCallback()) break;
        buffer[got] = '\0';
        deliver(buffer);
        state.LeaveCallback();
    }
}

void RunWatcher(WorkerState& state, const std::function<bool()>& ended, const std::function<void()>& notify,
                const std::function<bool(unsigned ms)>& pause) {
    state.Begin();
    while (!state.StopRequested()) {
        if (ended()) {
            if (!state.EnterCallback()) break;
            notify();
            state.LeaveCallback();
        }
        if (!pause(kWatchPollMs)) break;
    }
}
