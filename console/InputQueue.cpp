#include "console/InputQueue.h"

#include <chrono>
#include <thread>

namespace {

// An interpreter at its prompt reads a line within a millisecond or two, several when the screen draws
// beside it on a machine of two cores: the pipe is looked at again at once (only yielding) for that long,
// so that the lines of a pasted block follow one another without a sleep between them, then a
// millisecond apart, then less often (it runs a program that may take minutes: sixty looks a second).
constexpr uint64_t kYieldPhaseMs = 25;
constexpr uint64_t kQuickPhaseMs = 50;
constexpr uint64_t kMediumPhaseMs = 1000;
constexpr unsigned kQuickPollMs = 1;
constexpr unsigned kMediumPollMs = 4;
constexpr unsigned kSlowPollMs = 16;

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

unsigned PollDelayMs(uint64_t waitedMs) {
    if (waitedMs < kYieldPhaseMs) return 0;
    if (waitedMs < kQuickPhaseMs) return kQuickPollMs;
    if (waitedMs < kMediumPhaseMs) return kMediumPollMs;
    return kSlowPollMs;
}

std::deque<std::string> SplitAtLineEnds(const std::string& text) {
    std::deque<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find('\n', from);
        const size_t to = end == std::string::npos ? text.size() : end + 1;
        lines.emplace_back(text, from, to - from);
        from = to;
    }
    return lines;
}

bool InputQueue::Push(const std::string& text, bool force) {
    if (text.empty()) return true;
    std::deque<std::string> lines = SplitAtLineEnds(text);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_bStop) return false;
        if (!force && (m_nBacklog > m_nLimit || text.size() > m_nLimit - m_nBacklog)) return false;
        m_nBacklog += text.size();
        for (std::string& line : lines) m_queue.push_back(std::move(line));
    }
    m_wake.notify_all();
    return true;
}

void InputQueue::ClearQueue() {
    for (const std::string& line : m_queue) m_nBacklog -= line.size();
    m_queue.clear();
}

void InputQueue::Drop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ClearQueue();
        ++m_nGeneration;
    }
    m_wake.notify_all();
}

void InputQueue::Hold() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bHeld = true;
    }
    Drop();
}

void InputQueue::Release() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bHeld = false;
    }
    m_wake.notify_all();
}

void InputQueue::SetPipe(std::shared_ptr<InputPipe> pipe) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pipe = std::move(pipe);
    }
    m_wake.notify_all();
}

void InputQueue::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStop = true;
        ClearQueue();
    }
    m_wake.notify_all();
}

size_t InputQueue::Backlog() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nBacklog;
}

bool InputQueue::Held() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bHeld;
}

bool InputQueue::InWrite() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bInWrite;
}

bool InputQueue::TakeLine(std::unique_lock<std::mutex>& lock, std::string& line, std::shared_ptr<InputPipe>& pipe,
                          uint64_t& generation) {
    m_wake.wait(lock, [&] { return m_bStop || (!m_bHeld && m_pipe != nullptr && !m_queue.empty()); });
    if (m_bStop) return false;
    line.swap(m_queue.front());
    m_queue.pop_front();
    pipe = m_pipe;
    generation = m_nGeneration;
    return true;
}

bool InputQueue::WaitForDrain(InputPipe& pipe, uint64_t generation) {
    const uint64_t start = NowMs();
    for (;;) {
        size_t unread = 0;
        if (!pipe.Unread(unread)) return false;  // the pipe is gone: nobody will read the line
        std::unique_lock<std::mutex> lock(m_lock);
        // A Drop or Stop while the pipe was asked drops the line even when the pipe has drained. The
        // line is handed over here, under the lock: a Drop from now on finds the write begun, and one
        // that came before it finds the line still waiting.
        if (Abandoned(generation)) return false;
        if (unread == 0) {
            m_bInWrite = true;
            return true;
        }
        const unsigned delay = PollDelayMs(NowMs() - start);
        if (delay == 0) {
            lock.unlock();
            std::this_thread::yield();
            continue;
        }
        if (m_wake.wait_for(lock, std::chrono::milliseconds(delay), [&] { return Abandoned(generation); })) {
            return false;
        }
    }
}

void InputQueue::RunWriter() {
    for (;;) {
        std::string line;
        std::shared_ptr<InputPipe> pipe;
        uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            if (!TakeLine(lock, line, pipe, generation)) return;
        }
        // The line is counted in the backlog until it is in the pipe (or dropped).
        if (WaitForDrain(*pipe, generation)) {
            size_t done = 0;
            while (done < line.size()) {
                const size_t written = pipe->Write(line.data() + done, line.size() - done);
                if (written == 0) break;  // the reader is gone, or the write was cancelled: dropped
                done += written;
            }
        }
        pipe.reset();
        std::lock_guard<std::mutex> guard(m_lock);
        m_bInWrite = false;
        m_nBacklog -= line.size();
    }
}
