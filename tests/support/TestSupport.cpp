#include "tests/support/TestSupport.h"

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>

#include "framework/App.h"

namespace vxtest {

bool PumpUntil(const std::function<bool()>& done, double timeoutMs, unsigned pollMs) {
    using Clock = std::chrono::steady_clock;
    const auto timeout = std::chrono::duration<double, std::milli>(timeoutMs);
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            CWinApp::PumpOne(msg);
        }
        if (done()) return true;
        if (Clock::now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
    }
}

void Pump(double ms, unsigned pollMs) {
    PumpUntil([] { return false; }, ms, pollMs);
}

int CountThreads() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    }
    ::CloseHandle(snapshot);
    return count;
}

std::vector<unsigned char> WindowPixels(HWND hWnd, int& width) {
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    width = rc.right;
    if (rc.right <= 0 || rc.bottom <= 0) return {};
    HDC wnd = ::GetDC(hWnd);
    HDC mem = ::CreateCompatibleDC(wnd);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = rc.right;
    bmi.bmiHeader.biHeight = -rc.bottom;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, rc.right, rc.bottom, wnd, 0, 0, SRCCOPY);
    ::GdiFlush();
    const unsigned char* p = static_cast<const unsigned char*>(bits);
    std::vector<unsigned char> pixels(p, p + static_cast<size_t>(rc.right) * static_cast<size_t>(rc.bottom) * 4);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(hWnd, wnd);
    return pixels;
}

}  // namespace vxtest
