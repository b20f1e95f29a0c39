#pragma once
// Helpers of the colour tests on real windows: a window that records the colour messages it gets, a
// message pump, pixel reads and a driver for modal loops.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Wnd.h"

struct RecordedMessage {
    UINT msg;
    COLORREF colour;
    LPARAM lParam;
};

// A top-level window of ours that records the five colour messages (and command messages) it receives.
// It can stand in for a picker (receiver of a popup's messages) or be a picker's parent (it reflects
// the picker's notifications, as every CWnd does).
class CRecorder : public CWnd {
public:
    explicit CRecorder(bool visible = true, int x = 40, int y = 40, int cx = 300, int cy = 200);
    ~CRecorder() override;

    std::vector<RecordedMessage> m_messages;
    std::vector<WPARAM> m_commands;  // wParam of every WM_COMMAND that reached the window itself
    // Runs after a colour message was recorded (for re-entrant tests).
    std::function<void(UINT msg, WPARAM wp)> m_onColourMessage;

    int Count(UINT msg) const;
    std::vector<UINT> Kinds() const;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Dispatches every queued message through the framework's pre-translation, as the application's loops do.
void PumpPending();

// The colour of a client pixel of a visible window, read back from the screen.
COLORREF ClientPixel(HWND hWnd, int x, int y);

// Runs `dialog`'s modal loop; every `intervalMs` the next step runs, given the dialog's window (once it
// exists). A step returns false to be tried again at the next tick. When all steps are done and the
// dialog is still open after `graceTicks` more ticks, it is cancelled and `timedOut` is set.
struct ModalDriver {
    std::vector<std::function<bool(HWND dialog)>> steps;
    int intervalMs = 30;
    int graceTicks = 100;
    bool timedOut = false;
};
class CDialog;
INT_PTR RunModal(CDialog& dialog, ModalDriver& driver);

// The top-level window that holds the mouse capture, if it is a palette popup, or null.
class CColourPalettePopup;
CColourPalettePopup* CapturingPopup();

// Names a colour message for test output.
std::string MessageName(UINT msg);
