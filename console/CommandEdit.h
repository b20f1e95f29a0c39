#pragma once
// CCommandEdit: the one-line command entry box. Files dropped on it add their full paths to the line.
// Text pasted into it (Ctrl+V, Shift+Insert, the box's own menu) that holds line breaks is split: each
// complete line goes to the sink as if typed and entered, in order, and the piece after the last break
// stays in the box. More than kAskAbove lines are asked about first; a paste over kMaxPasteBytes is
// refused whole. Tab completes the file name before the caret in the folder of the interpreter's
// last prompt; Tab again gives the next match, Shift+Tab the previous one, wrapping; any other edit ends
// that. All on the user-interface thread.
#include <windows.h>

#include <optional>
#include <string>

#include "console/Completion.h"
#include "console/CompletionLister.h"
#include "framework/Wnd.h"

class CCommandEdit : public CEdit {
public:
    // Where the pasted lines go: the owner of the box, which sends a line as it sends an entered one.
    class Sink {
    public:
        virtual void SubmitLine(const std::string& line) = 0;
        // A one-line message for the user (the paste was refused).
        virtual void ShowMessage(const char* text) = 0;
        // The line the interpreter printed last, unfinished: its prompt while it waits for a command
        // (the box does not echo what is typed into it).
        virtual std::string PromptLine() = 0;

    protected:
        ~Sink() = default;
    };
    static constexpr size_t kAskAbove = 5;
    // How long Tab waits for a folder's listing before it lets the window go on; the completion then
    // comes when the listing ends, unless the box was edited meanwhile.
    static constexpr DWORD kListWaitMs = 50;
    // Posted to the box by a listing that outlasted kListWaitMs; wParam is its ticket.
    static constexpr UINT kMsgListed = WM_APP + 0x110;

    Sink* m_pSink = nullptr;
    // How long Tab waits for the listing here: kListWaitMs; 0 (a test's) makes every completion come
    // through the posted message.
    DWORD m_dwListWaitMs = kListWaitMs;

    // Tab and Shift+Tab in the box complete instead of moving the focus: taken before the dialog's
    // keyboard handling sees them.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnDropFiles(WPARAM drop, LPARAM);
    LRESULT OnPaste(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM vk, LPARAM);
    LRESULT OnChar(WPARAM ch, LPARAM);
    LRESULT OnListed(WPARAM ticket, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);

private:
    // What Tab completes: the box's text and caret when it was pressed, and the word there.
    struct Request {
        std::string text;
        size_t caret = 0;
        CompletionWord word;
        bool bForward = true;
    };

    void OnTab(bool forward);
    // Starts the cycle on the request's matches, or beeps when there are none.
    void Complete(std::vector<std::string> matches);
    void Show(const BoxText& box);
    // Ends the cycle and drops a listing under way: the box is being edited.
    void EndCompletion();
    // The selection's start and end in `text` (the box's), as byte offsets; equal when none.
    void Selection(const std::string& text, size_t& start, size_t& end) const;
    // Puts the caret at byte offset `at` of `text`, the box's, with nothing selected.
    void SetCaret(const std::string& text, size_t at);
    // Whether the control counts its positions in characters (its text kept in UTF-16) rather than in
    // bytes of the code page: the two differ once the text holds a two-byte character.
    bool CountsChars(const std::string& text) const;

    Request m_request;
    std::optional<CompletionCycle> m_cycle;
    BoxText m_shown;             // what the cycle last put in the box
    bool m_bShowing = false;     // the box's text is being set by the completion itself
    CompletionLister m_lister;
};
