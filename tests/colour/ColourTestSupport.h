#pragma once
// Helpers of the colour tests on real windows.
#include <windows.h>

#include <functional>
#include <vector>

#include "framework/Wnd.h"

class CColourPalettePopup;
class CDialog;

struct RecordedMessage {
    UINT msg;
    COLORREF colour;
    LPARAM lParam;
};

// A visible, topmost window of ours that records the colour messages it receives: it stands in for a
// picker (the receiver of a popup's messages) or is a picker's parent (which reflects as every CWnd does).
class CRecorder : public CWnd {
public:
    CRecorder(int x, int y, int cx, int cy);
    std::vector<RecordedMessage> m_messages;
    std::vector<WPARAM> m_commands;                   // every WM_COMMAND that reached the window itself
    std::function<void(UINT msg)> m_onColourMessage;  // runs after a colour message was recorded
    std::vector<UINT> Kinds() const;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Dispatches the queued messages through the framework's pre-translation, as the program's loops do.
void PumpPending();
// A client pixel of a visible window, read back from the screen.
COLORREF ClientPixel(HWND hWnd, int x, int y);
// The palette popup of this thread, or null.
CColourPalettePopup* OpenPopup();

// Runs `dialog` modally; from a 30 ms timer, each step in turn gets the dialog's window and returns true
// when done (false: try again at the next tick). Returns the dialog's result, or 0 when the steps have
// not closed it after 300 ticks (it is then ended with 0).
INT_PTR RunModal(CDialog& dialog, std::vector<std::function<bool(HWND)>> steps);
