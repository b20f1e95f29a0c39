#pragma once
// What the reliability tests share: a real main window with a real interpreter, the message loop run
// the program's way, the settings in the registry, the test child, and a driver for the modal dialogs
// that the main window's commands open.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "app/SettingsRecord.h"
#include "framework/App.h"
#include "tests/support/TestSupport.h"

extern CWinApp g_app;

// The message loop as the program runs it (tests/support), until `done` holds or `timeoutMs` (15 s when
// not given) has passed; the threads of this process.
using vxtest::CountThreads;
using vxtest::Pump;
using vxtest::PumpUntil;
inline bool PumpUntil(const std::function<bool()>& done) { return vxtest::PumpUntil(done, 15000); }

// The test child (ReliabilityChild.cpp) beside the test executable, quoted for the interpreter.
std::string ChildCommand(const std::string& arguments);
// A name for a named event of this test run.
std::string UniqueEventName(const char* what);

// Registry: the settings record as the program stores it, or nothing.
void StoreRecord(const unsigned char record[kSettingsSize]);
void ClearStoredSettings();
// The stored "ver" and "datas"; false when either is missing. `datas` gets the value's length.
bool ReadStoredSettings(std::string& ver, std::vector<unsigned char>& datas);

// A main window made as the program makes it, recorded as the application's main window.
class MainWindow {
public:
    MainWindow();
    ~MainWindow();  // closes it (SC_CLOSE) if it is still there
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool Alive() const { return ::IsWindow(m_hWnd) != FALSE; }
    HWND Handle() const { return m_hWnd; }
    CMainDialog& Dialog() { return *m_dlg; }  // only while Alive()
    CScreenWnd& Screen() { return m_dlg->m_Screen; }

    // The interpreter's prompt ("Z:\...>") is the current line.
    bool PromptShown();
    bool WaitForPrompt(int timeoutMs = 15000) { return PumpUntil([&] { return PromptShown(); }, timeoutMs); }
    // A command typed into the entry box and sent with Enter.
    void Type(const std::string& text);
    // Record texts 0..29 (29 may be the current line).
    std::vector<std::string> Lines();
    bool StoreHas(const std::string& text);
    // Posts SC_CLOSE and runs the loop until the window and its object are gone; the milliseconds it
    // took, or -1 when it was still there after `timeoutMs`.
    long long Close(int timeoutMs = 15000);

private:
    CMainDialog* m_dlg = nullptr;
    HWND m_hWnd = nullptr;
};

// Runs `steps` on the modal dialog that `open` opens (the first visible top-level window of this thread
// other than `owner`), one step per timer tick, then cancels it if it is still open. Returns how many
// steps ran. `open` returns when the dialog has ended.
using DialogStep = std::function<void(HWND dialog)>;
size_t RunModal(HWND owner, const std::function<void()>& open, std::vector<DialogStep> steps);

// The live display lists of the screen's context with names below `limit`, counted under the screen's
// lock with the context current.
int CountDisplayLists(CScreenWnd& screen, unsigned limit = 200000);
