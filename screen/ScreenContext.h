#pragma once
// The two scoped holders of the screen's locks, shared by the files that make up CScreenWnd. The rules
// they keep are those of the class comment in screen/ScreenWnd.h.
#include <windows.h>

#include <mutex>

#include "screen/ScreenWnd.h"

// Holds m_lock for a scope.
class ScreenLock {
public:
    explicit ScreenLock(CScreenWnd& screen) : m_screen(screen) { m_screen.Lock(); }
    // Takes over a lock the caller already holds.
    ScreenLock(CScreenWnd& screen, std::adopt_lock_t) : m_screen(screen) {}
    ~ScreenLock() { m_screen.Unlock(); }
    ScreenLock(const ScreenLock&) = delete;
    ScreenLock& operator=(const ScreenLock&) = delete;

private:
    CScreenWnd& m_screen;
};

// Holds the screen's rendering context for a scope, current on this thread: the context lock, the
// GL window's device context and wglMakeCurrent. Nested holders on the same thread share the outer one.
// A holder that may not wait (an append, with m_lock held) gets nothing when another thread holds the
// context, or when the user-interface thread waits for it.
class CScreenContext {
public:
    CScreenContext(CScreenWnd& screen, bool wait) : m_screen(screen) {
        if (screen.GetRC() == nullptr || screen.m_bClosing) return;
        const DWORD self = ::GetCurrentThreadId();
        if (screen.m_glOwner == self) {
            m_bHeld = true;
            MakeCurrent();
            return;
        }
        if (wait) {
            screen.m_bFrameWanted = true;
            screen.EnterAnswering(screen.m_glLock);
            screen.m_bFrameWanted = false;
        } else if (screen.m_bFrameWanted || !::TryEnterCriticalSection(&screen.m_glLock)) {
            return;
        }
        screen.m_glOwner = self;
        screen.m_glDC = ::GetDC(screen.GetGLWindow());
        m_bHeld = m_bOwner = true;
        MakeCurrent();
    }
    ~CScreenContext() {
        if (!m_bOwner) return;
        ::wglMakeCurrent(nullptr, nullptr);
        ::ReleaseDC(m_screen.GetGLWindow(), m_screen.m_glDC);
        m_screen.m_glDC = nullptr;
        m_screen.m_glOwner = 0;
        ::LeaveCriticalSection(&m_screen.m_glLock);
        if (m_screen.m_bFrameWanted) ::SetEvent(m_screen.m_hUIWake);
    }
    CScreenContext(const CScreenContext&) = delete;
    CScreenContext& operator=(const CScreenContext&) = delete;

    explicit operator bool() const { return m_bHeld; }
    // Current again after something (Render) released it.
    void MakeCurrent() {
        if (::wglGetCurrentContext() != m_screen.GetRC()) ::wglMakeCurrent(m_screen.m_glDC, m_screen.GetRC());
    }

private:
    CScreenWnd& m_screen;
    bool m_bHeld = false;
    bool m_bOwner = false;
};
