#include "console/InputWriter.h"

#include <process.h>

#include "console/ConsolePipes.h"

namespace {

constexpr DWORD kWriterWaitMs = 1000;  // how long Stop waits for the writer to leave a blocked write
constexpr DWORD kStopPollMs = 20;

unsigned __stdcall InputWriterThread(void* arg) {
    // The thread's own share of the queue: were it ever ended by force, the queue stays valid.
    auto* queue = static_cast<std::shared_ptr<InputQueue>*>(arg);
    (*queue)->RunWriter();
    delete queue;
    return 0;
}

}  // namespace

bool InputWriter::Start(std::shared_ptr<InputQueue> queue) {
    if (m_hThread != nullptr) return false;
    auto* share = new std::shared_ptr<InputQueue>(queue);
    const uintptr_t handle = _beginthreadex(nullptr, 0, InputWriterThread, share, 0, nullptr);
    if (handle == 0) {
        delete share;
        return false;
    }
    m_pQueue = std::move(queue);
    m_hThread = reinterpret_cast<HANDLE>(handle);
    return true;
}

void InputWriter::CancelWrite() {
    if (m_hThread != nullptr) ::CancelSynchronousIo(m_hThread);
}

void InputWriter::Stop() {
    if (m_hThread == nullptr) return;
    m_pQueue->Stop();
    const ULONGLONG start = ::GetTickCount64();
    bool ended = false;
    while (!(ended = ::WaitForSingleObject(m_hThread, kStopPollMs) != WAIT_TIMEOUT)) {
        // Repeated, since a cancel before the write begins has no effect.
        ::CancelSynchronousIo(m_hThread);
        if (::GetTickCount64() - start >= kWriterWaitMs) break;
    }
    if (!ended) {
        // Last resort; the writer holds no lock while it writes, and its share of the queue leaks.
        ::TerminateThread(m_hThread, 1);
        ::WaitForSingleObject(m_hThread, kWriterWaitMs);
    }
    CloseAndClear(m_hThread);
    m_pQueue.reset();
}
