#pragma once
// The thread that runs the input queue's writer (console/InputQueue.h), and how it is stopped.
#include <windows.h>

#include <memory>

#include "console/InputQueue.h"

class InputWriter {
public:
    InputWriter() = default;
    ~InputWriter() { Stop(); }
    InputWriter(const InputWriter&) = delete;
    InputWriter& operator=(const InputWriter&) = delete;

    // Runs `queue`'s writer on a thread of its own, which shares the queue. False when no thread could
    // be started.
    bool Start(std::shared_ptr<InputQueue> queue);
    // Cuts short a write blocked in a pipe that nobody reads: the line is dropped.
    void CancelWrite();
    // Stops the queue and waits for the thread; a write blocked in a pipe nobody reads is cancelled.
    void Stop();
    HANDLE Thread() const { return m_hThread; }

private:
    std::shared_ptr<InputQueue> m_pQueue;
    HANDLE m_hThread = nullptr;
};
