#include "console/ConsoleWorkers.h"

#include <process.h>

#include "console/ConsoleProcess.h"
#include "console/ConsolePipes.h"
#include "console/StopPolicy.h"

namespace {

constexpr DWORD kReadSize = 2048;  // bytes per read; the chunk buffer has one more for the NUL
constexpr DWORD kStopPollMs = 20;

// As the thread returns. A worker marked for killing touches nothing the process shares until it is
// ended.
unsigned FinishWorker(ConsoleWorker* w) {
    if (!w->state.Finish()) {
        for (;;) ::Sleep(INFINITE);
    }
    w->ReleaseThreadRef();
    return 0;
}

template <typename Callback>
unsigned RunReaderThread(ConsoleWorker* w, std::atomic<Callback>& slot) {
    char buffer[kReadSize + 1];
    RunReader(
        w->state, buffer, kReadSize,
        [w](char* into, size_t capacity) -> size_t {
            DWORD read = 0;
            if (!::ReadFile(w->hSource, into, static_cast<DWORD>(capacity), &read, nullptr)) return 0;
            return read;
        },
        [&slot](const char* text) {
            // Read afresh for every chunk: the slot may have been emptied meanwhile.
            if (Callback callback = slot.load()) callback(text);
        });
    return FinishWorker(w);
}

unsigned __stdcall OutputReaderThread(void* arg) {
    return RunReaderThread(static_cast<ConsoleWorker*>(arg), g_pfnOutput);
}

unsigned __stdcall ErrorReaderThread(void* arg) {
    return RunReaderThread(static_cast<ConsoleWorker*>(arg), g_pfnMessage);
}

unsigned __stdcall ExitWatchThread(void* arg) {
    ConsoleWorker* w = static_cast<ConsoleWorker*>(arg);
    RunWatcher(
        w->state,
        [w] {
            DWORD code = 0;
            // A failed query counts as an ended interpreter.
            return !::GetExitCodeProcess(w->hSource, &code) || code != STILL_ACTIVE;
        },
        [] {
            if (ExitCallback callback = g_pfnExit.load()) callback();
        },
        [w](unsigned ms) { return ::WaitForSingleObject(w->hWake, ms) == WAIT_TIMEOUT; });
    return FinishWorker(w);
}

}  // namespace

ConsoleWorker::~ConsoleWorker() {
    if (bOwnsSource) CloseAndClear(hSource);
    CloseAndClear(hWake);
}

void ConsoleWorker::Release() {
    if (nRefs.fetch_sub(1) == 1) delete this;
}

void ConsoleWorker::ReleaseThreadRef() {
    if (bThreadHoldsRef.exchange(false)) Release();
}

bool StartWorker(WorkerKind kind, HANDLE source, bool ownsSource, HANDLE& thread, ConsoleWorker*& worker) {
    ConsoleWorker* w = new ConsoleWorker(&g_bStop);
    w->hSource = source;
    w->bOwnsSource = ownsSource;
    unsigned(__stdcall * routine)(void*) = OutputReaderThread;
    if (kind == WorkerKind::kErrorReader) routine = ErrorReaderThread;
    if (kind == WorkerKind::kExitWatcher) {
        routine = ExitWatchThread;
        w->hWake = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    const bool ready = kind != WorkerKind::kExitWatcher || w->hWake != nullptr;
    const uintptr_t handle = ready ? _beginthreadex(nullptr, 0, routine, w, 0, nullptr) : 0;
    if (handle == 0) {
        delete w;  // closes an owned source too
        return false;
    }
    thread = reinterpret_cast<HANDLE>(handle);
    worker = w;
    return true;
}

void RequestStop(ConsoleWorker* worker) {
    if (worker == nullptr) return;
    worker->state.RequestStop();
    if (worker->hWake != nullptr) ::SetEvent(worker->hWake);
}

void StopWorker(HANDLE& thread, ConsoleWorker*& worker) {
    if (thread != nullptr && worker != nullptr) {
        RequestStop(worker);
        const ULONGLONG start = ::GetTickCount64();
        while (::WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
            const StopStep step = NextStopStep(worker->state.Claim(), ::GetTickCount64() - start);
            if (step == StopStep::kCancelRead) {
                // Repeated, because a cancel that comes before the read begins has no effect.
                ::CancelSynchronousIo(thread);
            } else if (step == StopStep::kKill && worker->state.MarkKilled()) {
                // Last resort, for a read that nothing else ended.
                ::TerminateThread(thread, 1);
                ::WaitForSingleObject(thread, static_cast<DWORD>(kWorkerWaitMs));
                worker->ReleaseThreadRef();
                break;
            }
            ::WaitForSingleObject(thread, kStopPollMs);
        }
    }
    CloseAndClear(thread);
    if (worker != nullptr) worker->Release();
    worker = nullptr;
}
