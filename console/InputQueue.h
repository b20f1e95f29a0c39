#pragma once
// The interpreter's input: a queue of lines and the writer that paces them into the pipe. No Win32
// here; the console hands the writer a pipe (InputPipe) and runs it on a thread of its own.
//
// Why pacing: the interpreter reads its standard input in blocks and keeps only the first line of each
// read, and a program that reads through a buffered runtime does the same to the lines behind its own.
// So the writer hands the pipe one line, and the next one only once the pipe holds nothing unread. The
// bytes the reader receives are exactly those queued, in order; only their timing changes.
//
// Threads: any thread may call Push, Drop, Hold, Release, SetPipe, Backlog and Stop; exactly one thread
// runs RunWriter. The queue's lock is never held during a pipe operation, so no caller ever waits for
// the reader of the pipe.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

// What the writer needs of the pipe. Called only from the writer's thread, never under the queue's lock.
class InputPipe {
public:
    virtual ~InputPipe() = default;
    // Writes up to `size` bytes, blocking while the pipe is full; the number written, 0 when the write
    // failed (the reader gone, the write cancelled).
    virtual size_t Write(const char* data, size_t size) = 0;
    // The bytes written that the reader has not taken yet; false when that cannot be told (the pipe gone).
    virtual bool Unread(size_t& bytes) = 0;
};

// How long the writer sleeps before it looks at the pipe again, after waiting `waitedMs` for the reader
// to take the last line (0: it only yields): briefly at first (an interpreter at its prompt reads within
// milliseconds), then less often (it runs a program that may take minutes).
unsigned PollDelayMs(uint64_t waitedMs);

// The line pieces of `text`: each ends with its '\n', but a last piece without one. Their bytes joined
// are `text`.
std::deque<std::string> SplitAtLineEnds(const std::string& text);

class InputQueue {
public:
    explicit InputQueue(size_t limit) : m_nLimit(limit) {}
    InputQueue(const InputQueue&) = delete;
    InputQueue& operator=(const InputQueue&) = delete;

    // Queues `text` (one or more lines) whole, after everything queued before. False, with nothing
    // queued, when the backlog would pass the limit; `force` ignores the limit.
    bool Push(const std::string& text, bool force);
    // Drops every line not yet handed to the pipe, the one waiting for the pipe to drain among them.
    void Drop();
    // Drop, and hand nothing to the pipe until Release: lines pushed meanwhile wait. (A restart holds
    // the queue while the interpreter and its pipe are replaced.)
    void Hold();
    void Release();
    // The pipe the writer writes to from its next line on; null stops writing (lines wait).
    void SetPipe(std::shared_ptr<InputPipe> pipe);
    // Ends RunWriter as soon as it is out of its pipe operation; lines still queued are dropped.
    void Stop();

    // Bytes queued plus those of the line being handed to the pipe.
    size_t Backlog() const;
    bool Held() const;
    // True while the writer is inside a write into the pipe (which may block while the pipe is full).
    bool InWrite() const;

    // The writer's loop; returns after Stop. One caller only.
    void RunWriter();

private:
    // Waits (unlocked meanwhile) for the next line to hand over; false on Stop.
    bool TakeLine(std::unique_lock<std::mutex>& lock, std::string& line, std::shared_ptr<InputPipe>& pipe,
                  uint64_t& generation);
    // Waits for `pipe` to hold nothing unread and marks the write begun; false when the line is to be
    // dropped instead.
    bool WaitForDrain(InputPipe& pipe, uint64_t generation);
    // Empties the queue and takes its lines off the backlog; under m_lock.
    void ClearQueue();
    bool Abandoned(uint64_t generation) const { return m_bStop || generation != m_nGeneration; }

    const size_t m_nLimit;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    std::shared_ptr<InputPipe> m_pipe;
    size_t m_nBacklog = 0;
    uint64_t m_nGeneration = 0;  // moved on by Drop: the line taken before is then dropped
    bool m_bHeld = false;
    bool m_bInWrite = false;
    bool m_bStop = false;
};
