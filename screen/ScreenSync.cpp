#include "screen/ScreenSync.h"

namespace {
// How often the user-interface thread looks at a lock it waits for when nobody wakes it.
constexpr DWORD kWakePollMs = 5;
}  // namespace

ScreenSync::ScreenSync(CRITICAL_SECTION& storeLock) : m_storeLock(storeLock) {
    ::InitializeCriticalSection(&m_contextLock);
    m_hUIServed = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    m_hUIWake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

ScreenSync::~ScreenSync() {
    ::DeleteCriticalSection(&m_contextLock);
    if (m_hUIServed != nullptr) ::CloseHandle(m_hUIServed);
    if (m_hUIWake != nullptr) ::CloseHandle(m_hUIWake);
}

void ScreenSync::Lock() {
    if (!OnUIThread()) {
        ::EnterCriticalSection(&m_storeLock);
        return;
    }
    if (::TryEnterCriticalSection(&m_storeLock)) return;
    // A reader that takes the lock chunk after chunk would keep it from this thread for as long as the
    // output pours in: readers wait at their next chunk until this thread has had its turn.
    if (m_nUIWaiting++ == 0) ::ResetEvent(m_hUIServed);
    EnterAnswering(m_storeLock);
    if (--m_nUIWaiting == 0) ::SetEvent(m_hUIServed);
}

void ScreenSync::Unlock() {
    ::LeaveCriticalSection(&m_storeLock);
    if (m_nUIWaiting != 0) ::SetEvent(m_hUIWake);
}

void ScreenSync::YieldToUI(DWORD maxMs) {
    if (m_nUIWaiting != 0 && !OnUIThread()) ::WaitForSingleObject(m_hUIServed, maxMs);
}

bool ScreenSync::TakeContext(bool wait) {
    if (wait) {
        m_bContextWanted = true;
        EnterAnswering(m_contextLock);
        m_bContextWanted = false;
    } else if (m_bContextWanted || !::TryEnterCriticalSection(&m_contextLock)) {
        return false;
    }
    m_contextOwner = ::GetCurrentThreadId();
    return true;
}

void ScreenSync::ReleaseContext() {
    m_contextDC = nullptr;
    m_contextOwner = 0;
    ::LeaveCriticalSection(&m_contextLock);
    if (m_bContextWanted) ::SetEvent(m_hUIWake);
}

void ScreenSync::EnterAnswering(CRITICAL_SECTION& cs) {
    if (!OnUIThread()) {
        ::EnterCriticalSection(&cs);
        return;
    }
    // Woken when a holder lets go (Unlock, ReleaseContext) or a message is sent to this thread; the
    // timeout only guards against a wake-up that came before the wait.
    while (!::TryEnterCriticalSection(&cs)) {
        ::MsgWaitForMultipleObjects(1, &m_hUIWake, FALSE, kWakePollMs, QS_SENDMESSAGE);
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
