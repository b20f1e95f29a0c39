#pragma once
// The two scoped holders of the screen's locks, shared by the files that make up CScreenWnd. The rule
// they keep is the one stated in screen/ScreenWnd.h.
#include <windows.h>

#include "screen/ScreenWnd.h"

// Holds m_lock for a scope.
class ScreenLock {
public:
    explicit ScreenLock(CScreenWnd& screen) : m_screen(screen) { m_screen.Lock(); }
    ~ScreenLock() { m_screen.Unlock(); }
    ScreenLock(const ScreenLock&) = delete;
    ScreenLock& operator=(const ScreenLock&) = delete;

private:
    CScreenWnd& m_screen;
};

// Holds the screen's rendering context for a scope, current on this thread: the context lock, the GL
// window's device context and wglMakeCurrent. Nested holders on the same thread share the outer one. A
// holder that may not wait (an append, with m_lock held) gets nothing when another thread holds the
// context, or when the user-interface thread waits for it. A thread other than the user-interface thread
// makes one only with m_lock held: then the window cannot be closing half-way (see m_bClosing).
class CScreenContext {
public:
    CScreenContext(CScreenWnd& screen, bool wait) : m_screen(screen) {
        // m_bClosing first: it is set, under m_lock, before the context goes.
        if (screen.m_bClosing || screen.GetRC() == nullptr) return;
        ScreenSync& sync = screen.m_sync;
        if (sync.HoldsContext()) {
            m_bHeld = true;
            MakeCurrent();
            return;
        }
        if (!sync.TakeContext(wait)) return;
        sync.SetContextDC(::GetDC(screen.GetGLWindow()));
        m_bHeld = m_bOwner = true;
        MakeCurrent();
    }
    ~CScreenContext() {
        if (!m_bOwner) return;
        ::wglMakeCurrent(nullptr, nullptr);
        ::ReleaseDC(m_screen.GetGLWindow(), m_screen.m_sync.ContextDC());
        m_screen.m_sync.ReleaseContext();
    }
    CScreenContext(const CScreenContext&) = delete;
    CScreenContext& operator=(const CScreenContext&) = delete;

    explicit operator bool() const { return m_bHeld; }
    // Current again after something (Render) released it.
    void MakeCurrent() {
        if (::wglGetCurrentContext() != m_screen.GetRC()) ::wglMakeCurrent(m_screen.m_sync.ContextDC(), m_screen.GetRC());
    }

private:
    CScreenWnd& m_screen;
    bool m_bHeld = false;
    bool m_bOwner = false;
};
