#pragma once
// Per-class message tables.
//
// A class lists the messages it handles in a `static const` array of MessageEntry, read from top to
// bottom; the first matching entry wins. A class overrides CWnd::OnWndMsg, dispatches its own table
// with DispatchTable and, when nothing matched, passes on to its base class's OnWndMsg:
//
//   bool CFoo::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
//     static const MessageEntry<CFoo> kTable[] = {
//         OnMessage(WM_SIZE, &CFoo::OnSize),
//         OnCommand(1002, &CFoo::OnEnterCommand),
//     };
//     return DispatchTable(*this, kTable, msg, wp, lp, result) || CBase::OnWndMsg(msg, wp, lp, result);
//   }
//
// Message handlers take the raw (wParam, lParam) and return the message's result; command handlers take
// nothing. Notifications that a control handles itself are reflected to it by its parent with the
// message number moved up by kReflectBase (OnReflected).
#include <windows.h>

#include <cstddef>

// Reflected messages: the parent hands WM_COMMAND, WM_DRAWITEM, WM_HSCROLL and WM_VSCROLL from a
// control to the control's own object as kReflectBase + the message.
constexpr UINT kReflectBase = 0xBC00;

template <class T>
struct MessageEntry {
    UINT message;  // the message, or kReflectBase + message for a reflected one
    UINT id;       // WM_COMMAND: the command or control id (ignored for reflected commands)
    UINT code;     // WM_COMMAND: the notification code (0 for menus and BN_CLICKED)
    LRESULT (T::*onMessage)(WPARAM, LPARAM);
    void (T::*onCommand)();
};

template <class T>
constexpr MessageEntry<T> OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, handler, nullptr};
}

// A menu command or a control's notification (BN_CLICKED is code 0, like a menu command).
template <class T>
constexpr MessageEntry<T> OnCommand(UINT id, void (T::*handler)(), UINT code = 0) {
    return {WM_COMMAND, id, code, nullptr, handler};
}

// A notification reflected to the control that sent it. For WM_COMMAND, `code` selects the
// notification (BN_CLICKED, ...); for other messages it is ignored.
template <class T>
constexpr MessageEntry<T> OnReflected(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM), UINT code = 0) {
    return {kReflectBase + message, 0, code, handler, nullptr};
}

template <class T>
constexpr MessageEntry<T> OnReflectedCommand(UINT code, void (T::*handler)()) {
    return {kReflectBase + WM_COMMAND, 0, code, nullptr, handler};
}

template <class T, std::size_t N>
bool DispatchTable(T& self, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam,
                   LPARAM lParam, LRESULT& result) {
    for (const MessageEntry<T>& e : table) {
        if (e.message != message) continue;
        if (message == WM_COMMAND) {
            if (e.id != LOWORD(wParam) || e.code != HIWORD(wParam)) continue;
        } else if (message == kReflectBase + WM_COMMAND) {
            if (e.code != HIWORD(wParam)) continue;
        }
        if (e.onCommand) {
            (self.*e.onCommand)();
            result = 0;
        } else {
            result = (self.*e.onMessage)(wParam, lParam);
        }
        return true;
    }
    return false;
}
