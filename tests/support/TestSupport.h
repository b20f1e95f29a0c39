#pragma once
// What the Win32 test programs share: the message loop run until a condition holds, the number of
// threads of this process, and a window's pixels.
#include <windows.h>

#include <functional>
#include <vector>

namespace vxtest {

// Runs the message loop the way the program does (each message through the application's
// pre-translation, then translated and dispatched) until `done` holds or `timeoutMs` has passed;
// returns whether `done` held. WM_QUIT is taken and dropped: the main window's end, and the test goes on.
// Between rounds it waits up to `pollMs` for a message, so a condition set by another thread is seen
// within about that long.
bool PumpUntil(const std::function<bool()>& done, double timeoutMs, unsigned pollMs = 5);
// Runs the message loop for `ms`.
void Pump(double ms, unsigned pollMs = 5);

// The threads of this process; -1 when they cannot be listed.
int CountThreads();

// The client area of `hWnd` as the window shows it: 32-bit BGRA pixels, top row first, `width` a row.
std::vector<unsigned char> WindowPixels(HWND hWnd, int& width);

}  // namespace vxtest
