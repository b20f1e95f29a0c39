#include "console/CommandEdit.h"

#include <shellapi.h>

#include <string>

bool CCommandEdit::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CCommandEdit> kTable[] = {
        OnMessage(WM_DROPFILES, &CCommandEdit::OnDropFiles),
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
