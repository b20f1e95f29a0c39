#pragma once
#include <string>
#include <vector>

#include "app/FindBar.h"
#include "console/CommandEdit.h"
#include "framework/Dialog.h"
#include "screen/ScreenWnd.h"

using CStringArray = std::vector<std::string>;

// The main window: a modeless dialog from template 102 holding the 3D screen, the command entry box
// and its label. Its object deletes itself when the window is gone (PostNcDestroy).
class CMainDialog : public CDialog, private CCommandEdit::Sink {
public:
    // Creates the window; m_hWnd stays null when the template cannot be made into a window.
    explicit CMainDialog(CWnd* parent = nullptr);
    ~CMainDialog() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    // The stored settings record (140 bytes) into `record`, which the caller zeroed; TRUE when valid.
    BOOL LoadSettings(unsigned char* record);
    BOOL SaveSettings(const unsigned char* record);
    // The screen's defaults and an outer size of 600 x 400 at the window's current top-left.
    void ApplyDefaults();

    // Members in this order: they are destroyed in reverse, the screen (and with it the interpreter)
    // first.
    CStringArray m_History;
    int m_nHistoryIndex = 0;
    CStatic m_CommandLabel;
    CCommandEdit m_CommandEdit;
    CScreenWnd m_Screen;
    CFindBar m_FindBar;
    HICON m_hIcon = nullptr;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    LRESULT OnSysCommand(WPARAM id, LPARAM lp);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM type, LPARAM size);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM id, LPARAM);
    LRESULT OnEnterMenuLoop(WPARAM, LPARAM);
    LRESULT OnExitMenuLoop(WPARAM, LPARAM);
    LRESULT OnDpiChanged(WPARAM, LPARAM lp);
    void OnEnterCommand();
    // The entry box's sink: a line sent as an entered one (the history, then the console's queue, whose
    // drive check applies), and a message shown on the screen. Every line sent from the box, entered or
    // pasted, passes SubmitLine.
    void SubmitLine(const std::string& line) override;
    void ShowMessage(const char* text) override;
    // The screen's current line (under its lock): the prompt that file names complete in.
    std::string PromptLine() override;
    // Ctrl+Break, or Ctrl+C in the entry box without a selection: stops what the interpreter runs.
    void OnStopProgram();
    // A moment after OnStopProgram: restarts an interpreter that is still busy.
    void OnStopCheck();

    // Menu commands, from the system menu and from the screen's right-click menu.
    void OnAbout();
    void OnScreenAdjust();
    void OnFont();
    void OnColour();
    void OnResetDefaults();

private:
    // True from WM_ENTERMENULOOP to WM_EXITMENULOOP: a menu of this window (the system menu, or the
    // screen's right-click menu, which this window owns) runs its loop, with its opener's handler
    // below it on the stack.
    bool m_bInMenuLoop = false;

    // Shows history entry m_nHistoryIndex in the entry box, caret at its end.
    void ShowHistoryEntry();
    // Whether `msg` is a stop key: Ctrl+Break anywhere, Ctrl+C in the entry box with nothing selected.
    bool IsStopKey(const MSG& msg) const;
    // The screen's keys and the wheel over the screen: scrolling the view (Shift+Page Up/Down in the
    // entry box, Ctrl+Shift+Up/Down/Home/End) and copying the lines picked or the view (Ctrl+Shift+C).
    // True when `msg` was one of them and has been handled.
    bool ScreenKey(const MSG& msg);
    // How many programs the last stop ended.
    int m_nStopEnded = 0;
    // How long after a stop the interpreter is looked at again (app/MainStop.cpp): time enough for a
    // waiting interpreter to read the line end it was sent, and for a batch file to start its next
    // program.
    static constexpr UINT_PTR kStopCheckTimer = 2;
    static constexpr UINT kStopCheckMs = 300;
};
