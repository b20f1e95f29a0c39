#pragma once
// The messages between a colour picker, its palette popup and the picker's parent window. All are sent
// (SendMessage), never posted, so the receiver has handled each before the sender goes on; the picker's
// handlers return 1. wParam is always a colour (COLORREF); lParam is 0 from the popup and the picker's
// control id from the picker.
#include <windows.h>

// The highlighted colour in the popup changed (popup to picker, picker to parent).
constexpr UINT WM_COLOUR_HOT = WM_USER + 1001;
// The picker has just opened its popup (picker to parent); wParam is the picker's colour.
constexpr UINT WM_COLOUR_POPUP_OPENED = WM_USER + 1002;
// The picker set its colour as its popup closed (picker to parent).
constexpr UINT WM_COLOUR_SET = WM_USER + 1003;
// The popup closed with a choice (popup to picker).
constexpr UINT WM_COLOUR_ACCEPT = WM_USER + 1004;
// The popup closed without a choice (popup to picker, picker to parent); wParam is the colour to
// restore, the one the popup started with.
constexpr UINT WM_COLOUR_CANCEL = WM_USER + 1005;
