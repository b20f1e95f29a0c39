#pragma once
// CCommandEdit: the one-line command entry box. Files dropped on it add their full paths to the line.
// Text pasted into it (Ctrl+V, Shift+Insert, the box's own menu) that holds line breaks is split: each
// complete line goes to the sink as if typed and entered, in order, and the piece after the last break
// stays in the box. More than kAskAbove lines are asked about first; a paste over kMaxPasteBytes is
// refused whole. All on the user-interface thread.
#include <windows.h>

#include <string>

#include "framework/Wnd.h"

class CCommandEdit : public CEdit {
public:
    // Where the pasted lines go: the owner of the box, which sends a line as it sends an entered one.
    class Sink {
    public:
        virtual void SubmitLine(const std::string& line) = 0;
        // A one-line message for the user (the paste was refused).
        virtual void ShowMessage(const char* text) = 0;

    protected:
        ~Sink() = default;
    };
    static constexpr size_t kAskAbove = 5;

    Sink* m_pSink = nullptr;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnDropFiles(WPARAM drop, LPARAM);
    LRESULT OnPaste(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM vk, LPARAM);
    LRESULT OnChar(WPARAM ch, LPARAM);
};
