#pragma once
// CWinApp: the application object, its start-up hook and its message loop.
//
// The program defines exactly one object of a class derived from CWinApp, at namespace scope. The
// framework's WinMain sets the process error mode, calls InitInstance and, when it returns TRUE, runs the
// message loop until the main window (m_pMainWnd) is destroyed.
#include <windows.h>

#include <atomic>
#include <string>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    // The message loop; returns the quit message's exit code.
    virtual int Run();

    // Every queued message passes here before it is dispatched: the windows from its target up to the
    // target's top-level window each get a look (CWnd::PreTranslateMessage); TRUE consumes it.
    static BOOL PreTranslateMessage(MSG* msg);
    // Pre-translation, then translation and dispatch of one message.
    static void PumpOne(MSG& msg);

    // The wait cursor: shown from the first Begin until the matching End. Any thread may call these.
    void BeginWaitCursor();
    void EndWaitCursor();

    // The application's name: the executable's file name without its extension. Title of message boxes.
    const std::string& AppName() const { return m_appName; }
    int MessageBox(const char* text, UINT type) const;

    // Records `wnd` as the main window: the message loop ends when it is destroyed.
    void SetMainWnd(CWnd* wnd);
    // The main window's handle, for other threads: null once the main window is gone. Posting to it is
    // safe from any thread; the object itself belongs to the user-interface thread.
    HWND GetMainWndHandle() const { return m_hMainWnd.load(); }

    CWnd* m_pMainWnd = nullptr;  // user-interface thread only
    HINSTANCE m_hInstance = nullptr;

private:
    std::string m_appName;
    std::atomic<HWND> m_hMainWnd{nullptr};
    std::atomic<int> m_waitCount{0};
    HCURSOR m_hcurRestore = nullptr;
};

// The one application object, or null when none exists (the unit tests).
CWinApp* AfxGetApp();
// Adds the process error mode flags that keep drive tests quiet: SEM_FAILCRITICALERRORS and
// SEM_NOOPENFILEERRORBOX.
void SetQuietErrorMode();
