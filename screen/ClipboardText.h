#pragma once
// Putting the screen's text on the clipboard.
#include <windows.h>

#include <string>

// Replaces the clipboard's contents by `text`, Shift-JIS (code page 932, whatever the system's code page),
// as CF_TEXT, as CF_UNICODETEXT converted from code page 932, and with CF_LOCALE Japanese, so that the
// system's own conversions of it read it as Shift-JIS too. `owner` (may be null) becomes the clipboard's
// owner. When another program holds the clipboard open, tries again a few times over about 50 ms and then
// gives up: false, and the clipboard is left as it was. Also false when memory runs out (the clipboard may
// then have been emptied). Never waits longer; call it on the thread of `owner`.
bool PutClipboardText(HWND owner, const std::string& text);
