#include "console/CommandEdit.h"

#include <shellapi.h>

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

}  // namespace

bool CCommandEdit::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CCommandEdit> kTable[] = {
        OnMessage(WM_DROPFILES, &CCommandEdit::OnDropFiles),
        OnMessage(WM_PASTE, &CCommandEdit::OnPaste),
        OnMessage(WM_KEYDOWN, &CCommandEdit::OnKeyDown),
        OnMessage(WM_CHAR, &CCommandEdit::OnChar),
    };
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
    DWORD start = 0, end = 0;
    ::SendMessageA(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::string text = GetWindowText();
    start = start <= text.size() ? start : static_cast<DWORD>(text.size());
    end = end >= start && end <= text.size() ? end : start;
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
    const int caret = static_cast<int>(split.rest.size() - (text.size() - end));
    SetSel(caret, caret);
    for (const std::string& line : split.lines) m_pSink->SubmitLine(line);
    return 0;
}
