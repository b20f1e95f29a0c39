#include "console/CommandEdit.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "console/PasteSplit.h"
#include "res/Texts.h"

namespace {

// The clipboard's text (code page of the system, as the box holds it); false when there is none or the
// clipboard cannot be had. The data is read within its own allocation's size, terminated or not.
bool ClipboardText(HWND owner, std::string& text) {
    if (!::IsClipboardFormatAvailable(CF_TEXT) || !::OpenClipboard(owner)) return false;
    bool got = false;
    if (HANDLE data = ::GetClipboardData(CF_TEXT); data != nullptr) {
        if (const char* p = static_cast<const char*>(::GlobalLock(data)); p != nullptr) {
            const SIZE_T size = ::GlobalSize(data);
            const void* end = std::memchr(p, '\0', size);
            text.assign(p, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - p) : size);
            ::GlobalUnlock(data);
            got = true;
        }
    }
    ::CloseClipboard();
    return got;
}

// Whether `msg` changes the box's text or moves its caret from the keyboard: a completion under way
// ends. The modifier keys alone do not (Shift goes down before Shift+Tab).
bool IsEdit(UINT msg, WPARAM wp) {
    switch (msg) {
    case WM_KEYDOWN:
        return wp != VK_SHIFT && wp != VK_CONTROL && wp != VK_MENU;
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case WM_DROPFILES:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool CCommandEdit::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CCommandEdit> kTable[] = {
        OnMessage(WM_DROPFILES, &CCommandEdit::OnDropFiles),
        OnMessage(WM_PASTE, &CCommandEdit::OnPaste),
        OnMessage(WM_KEYDOWN, &CCommandEdit::OnKeyDown),
        OnMessage(WM_CHAR, &CCommandEdit::OnChar),
        OnMessage(kMsgListed, &CCommandEdit::OnListed),
        OnMessage(WM_DESTROY, &CCommandEdit::OnDestroy),
    };
    if (!m_bShowing && IsEdit(msg, wp)) EndCompletion();
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CEdit::OnWndMsg(msg, wp, lp, result);
}

LRESULT CCommandEdit::OnDropFiles(WPARAM wp, LPARAM) {
    HDROP drop = reinterpret_cast<HDROP>(wp);
    // The paths go at the end of the line, one after another with nothing between them, wherever the
    // caret was; nothing is sent.
    std::string text = GetWindowText();
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Sized from the path's own length: a long path (past MAX_PATH) comes whole, never cut in the
        // middle of a name or of a double-byte character.
        const UINT length = ::DragQueryFileA(drop, i, nullptr, 0);
        std::string path(static_cast<size_t>(length) + 1, '\0');
        const UINT copied = ::DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(copied <= length ? copied : length);
        text += path;
    }
    ::DragFinish(drop);
    SetWindowText(text);
    const int end = static_cast<int>(text.size());
    SetSel(end, end);
    ScrollCaret();
    return 0;
}

// The paste keys come here themselves, not through the box's own handling, which may paste without
// WM_PASTE: Shift+Insert, and Ctrl+V (its character, 0x16).
LRESULT CCommandEdit::OnKeyDown(WPARAM vk, LPARAM) {
    if (vk == VK_INSERT && ::GetKeyState(VK_SHIFT) < 0 && ::GetKeyState(VK_CONTROL) >= 0) return OnPaste(0, 0);
    return Default();
}

LRESULT CCommandEdit::OnChar(WPARAM ch, LPARAM) {
    constexpr WPARAM kCtrlV = 0x16;
    if (ch == kCtrlV) return OnPaste(0, 0);
    return Default();
}

LRESULT CCommandEdit::OnPaste(WPARAM, LPARAM) {
    std::string pasted;
    if (!ClipboardText(m_hWnd, pasted)) return 0;
    const std::string text = GetWindowText();
    size_t start = 0, end = 0;
    Selection(text, start, end);
    const PastedLines split = SplitPaste(std::string_view(text).substr(0, start), pasted,
                                         std::string_view(text).substr(end));
    if (split.bTooLarge) {
        if (m_pSink != nullptr) m_pSink->ShowMessage(kTextPasteTooLarge);
        return 0;
    }
    if (split.lines.empty()) {
        // One line: it goes into the box in place of the selection, without its NULs.
        const std::string piece = split.rest.substr(start, split.rest.size() - start - (text.size() - end));
        ::SendMessageA(m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(piece.c_str()));
        return 0;
    }
    if (m_pSink == nullptr) return 0;
    if (split.lines.size() > kAskAbove) {
        const std::string question = std::to_string(split.lines.size()) + kTextPasteAsk;
        if (::MessageBoxA(::GetParent(m_hWnd), question.c_str(), "Vextral", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return 0;  // the box stays as it was
        }
    }
    // The rest first: a line sent may take a while to reach the screen, the box is the user's at once.
    SetWindowText(split.rest);
    SetCaret(split.rest, split.rest.size() - (text.size() - end));
    for (const std::string& line : split.lines) m_pSink->SubmitLine(line);
    return 0;
}

BOOL CCommandEdit::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN || msg->wParam != VK_TAB || msg->hwnd != m_hWnd) return FALSE;
    if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) return FALSE;  // the dialog's
    OnTab(::GetKeyState(VK_SHIFT) >= 0);
    return TRUE;  // no WM_CHAR follows: no tab character reaches the box
}

bool CCommandEdit::CountsChars(const std::string& text) const {
    return static_cast<size_t>(SendMessage(EM_LINELENGTH, 0)) != text.size();
}

void CCommandEdit::Selection(const std::string& text, size_t& start, size_t& end) const {
    DWORD first = 0, last = 0;
    ::SendMessageA(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    const bool chars = CountsChars(text);
    start = chars ? CharsToBytes(text, first) : std::min<size_t>(first, text.size());
    end = chars ? CharsToBytes(text, last) : std::min<size_t>(last, text.size());
    if (end < start) end = start;
}

void CCommandEdit::SetCaret(const std::string& text, size_t at) {
    const int unit = static_cast<int>(CountsChars(text) ? BytesToChars(text, at) : at);
    SetSel(unit, unit);
}

void CCommandEdit::OnTab(bool forward) {
    const std::string text = GetWindowText();
    size_t start = 0, caret = 0;
    Selection(text, start, caret);
    // The cycle goes on while the box holds what it last showed, with the caret where it put it.
    if (m_cycle && text == m_shown.text && start == caret && caret == m_shown.caret) {
        m_cycle->Step(forward);
        Show(m_cycle->Text());
        return;
    }
    // The listing for this very word is still under way: its completion comes.
    if (m_lister.Pending() && text == m_request.text && caret == m_request.caret) return;
    EndCompletion();

    m_request.text = text;
    m_request.caret = caret;
    m_request.word = FindWord(text, caret);
    m_request.bForward = forward;
    std::string promptFolder, folder;
    const std::string prompt = m_pSink != nullptr ? m_pSink->PromptLine() : std::string();
    if (!PromptFolder(prompt, promptFolder) || !ListedFolder(promptFolder, m_request.word.dir, folder)) {
        ::MessageBeep(MB_OK);
        return;
    }
    std::vector<std::string> matches;
    if (m_lister.List(folder, m_request.word.prefix, m_dwListWaitMs, m_hWnd, kMsgListed, matches)) {
        Complete(std::move(matches));
    }
}

LRESULT CCommandEdit::OnListed(WPARAM ticket, LPARAM) {
    std::vector<std::string> matches;
    if (!m_lister.Take(ticket, matches)) return 0;  // dropped: the box was edited, or Tab came again
    // Edits through the box's messages drop the listing; one they do not show (the caret moved by the
    // mouse) drops it here.
    const std::string text = GetWindowText();
    size_t start = 0, caret = 0;
    Selection(text, start, caret);
    if (text != m_request.text || caret != m_request.caret) return 0;
    Complete(std::move(matches));
    return 0;
}

void CCommandEdit::Complete(std::vector<std::string> matches) {
    if (matches.empty()) {
        ::MessageBeep(MB_OK);
        return;
    }
    m_cycle.emplace(m_request.text, m_request.word, std::move(matches), m_request.bForward);
    Show(m_cycle->Text());
}

void CCommandEdit::Show(const BoxText& box) {
    m_bShowing = true;
    SetWindowText(box.text);
    SetCaret(box.text, box.caret);
    ScrollCaret();
    m_bShowing = false;
    m_shown = box;
}

void CCommandEdit::EndCompletion() {
    m_cycle.reset();
    m_lister.Cancel();
}

LRESULT CCommandEdit::OnDestroy(WPARAM, LPARAM) {
    // No worker outlives the window while it still lists for it.
    m_lister.Stop(CompletionLister::kStopWaitMs);
    return Default();
}
