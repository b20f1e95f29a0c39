#pragma once
// The screen's two locks and the fairness between its threads (the rule they keep is stated once, in
// screen/ScreenWnd.h):
//  - the store lock (the screen's m_lock), held by Lock/Unlock;
//  - the rendering context, held with the context current by CScreenContext (screen/ScreenContext.h):
//    the thread that holds it, and that thread's device context of the GL window.
// On the user-interface thread, waiting for either lock goes on answering the messages other threads send
// to it; and while that thread waits for the store lock, readers wait (briefly) before they take it again,
// so that output pouring in chunk after chunk cannot keep the lock from it.
#include <windows.h>

#include <atomic>

class ScreenSync {
public:
    explicit ScreenSync(CRITICAL_SECTION& storeLock);
    ~ScreenSync();
    ScreenSync(const ScreenSync&) = delete;
    ScreenSync& operator=(const ScreenSync&) = delete;

    // The thread that owns the window, from the moment the window is bound to it.
    void BindUIThread() { m_uiThreadId = ::GetCurrentThreadId(); }
    bool OnUIThread() const { return m_uiThreadId != 0 && m_uiThreadId == ::GetCurrentThreadId(); }

    // The store lock. On the user-interface thread, answering while it waits.
    void Lock();
    void Unlock();
    // Before a reader takes the store lock: while the user-interface thread waits for it, the reader
    // waits until that thread has had its turn, at most `maxMs` (the reader holds nothing then).
    void YieldToUI(DWORD maxMs);

    // The rendering context. TakeContext: true when this thread has taken it (`wait`: waits for it,
    // answering on the user-interface thread; else only when it is free and the user-interface thread is
    // not waiting for it). The holder's device context of the GL window is kept beside it.
    bool TakeContext(bool wait);
    void SetContextDC(HDC dc) { m_contextDC = dc; }
    void ReleaseContext();
    bool HoldsContext() const { return m_contextOwner == ::GetCurrentThreadId(); }
    HDC ContextDC() const { return m_contextDC; }

private:
    // Enters `cs`; on the user-interface thread, answering the messages sent to it while it waits.
    void EnterAnswering(CRITICAL_SECTION& cs);

    CRITICAL_SECTION& m_storeLock;
    CRITICAL_SECTION m_contextLock;
    std::atomic<DWORD> m_contextOwner{0};
    HDC m_contextDC = nullptr;  // touched only by the context's holder
    std::atomic<DWORD> m_uiThreadId{0};
    // How many waits of the user-interface thread for the store lock are under way (a message it answers
    // while it waits may wait again); m_hUIServed is reset while there is any.
    std::atomic<int> m_nUIWaiting{0};
    HANDLE m_hUIServed = nullptr;
    // Set while the user-interface thread waits for the context: holders that may not wait leave it.
    std::atomic<bool> m_bContextWanted{false};
    // Wakes the user-interface thread when a lock it waits for is let go.
    HANDLE m_hUIWake = nullptr;
};
