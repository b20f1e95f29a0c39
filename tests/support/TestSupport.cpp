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

}  // namespace vxtest
