// The soak and fault scripts' hands and eyes inside the Wine session of the real program:
//   probe watch <seconds> <report-seconds>
//       sends the main window (titled "Vextral") a message every 100 ms and times the answer, and once
//       a second plays the user: resizes the window, scrolls the adjustment dialog, toggles the
//       gradient in the colour dialog. Every <report-seconds> it prints one line: elapsed seconds,
//       probes, worst answer in ms, answers over 250 ms, the program's private bytes, GDI and USER
//       objects. Exit code 1 when the window is gone before the end.
//   probe killcmd
//       ends the interpreter that the program started, as a task manager would. Exit code 1 when
//       there is none.
//   probe pile <kilobytes>
//       types <kilobytes> lines of 1,000 characters into the entry box, each sent with Enter through
//       the program's own message loop, as fast as the window takes them; prints the whole time and
//       the longest the window took to take one line (from Enter to the box emptied).
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <string>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kAdjust = 104;
constexpr UINT kColour = 106;
constexpr int kBarX = 1007;
constexpr int kBarTilt = 1014;
constexpr int kGradient = 1015;

HWND MainWindow() { return ::FindWindowA(nullptr, "Vextral"); }

DWORD ProgramProcess(HWND main) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    return pid;
}

struct DialogSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND hWnd, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    if (::GetWindow(hWnd, GW_OWNER) == search->owner && ::IsWindowVisible(hWnd)) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The modal dialog that the main window shows, waiting up to a second for it.
HWND WaitForDialog(HWND main) {
    for (int i = 0; i < 100; ++i) {
        DialogSearch search{main, nullptr};
        ::EnumWindows(&FindOwned, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        ::Sleep(10);
    }
    return nullptr;
}

void Scroll(HWND dialog, UINT msg, int bar, WPARAM code) {
    ::SendMessageTimeoutA(dialog, msg, code, reinterpret_cast<LPARAM>(::GetDlgItem(dialog, bar)), SMTO_NORMAL, 2000,
                          nullptr);
}

void PlayUser(HWND main, int round) {
    // One dialog at a time, as a person works: one still open from the last round is closed first.
    DialogSearch open{main, nullptr};
    ::EnumWindows(&FindOwned, reinterpret_cast<LPARAM>(&open));
    if (open.found != nullptr) {
        ::PostMessageA(open.found, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    ::SetWindowPos(main, nullptr, 0, 0, 500 + (round * 37) % 300, 300 + (round * 23) % 200,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (round % 2 == 0) {
        ::PostMessageA(main, WM_SYSCOMMAND, kAdjust, 0);
        if (HWND d = WaitForDialog(main)) {
            Scroll(d, WM_HSCROLL, kBarX, round % 4 ? SB_LINEDOWN : SB_LINEUP);
            Scroll(d, WM_VSCROLL, kBarTilt, round % 4 ? SB_LINEUP : SB_LINEDOWN);
            ::PostMessageA(d, WM_COMMAND, IDOK, 0);
        }
    } else {
        ::PostMessageA(main, WM_SYSCOMMAND, kColour, 0);
        if (HWND d = WaitForDialog(main)) {
            ::SendMessageTimeoutA(::GetDlgItem(d, kGradient), BM_CLICK, 0, 0, SMTO_NORMAL, 2000, nullptr);
            ::PostMessageA(d, WM_COMMAND, IDOK, 0);
        }
    }
}

int Watch(int seconds, int reportSeconds) {
    HWND main = MainWindow();
    if (main == nullptr) {
        std::printf("probe: no window titled Vextral\n");
        return 1;
    }
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProgramProcess(main));
    const auto start = std::chrono::steady_clock::now();
    auto elapsedMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    long long worst = 0, worstAll = 0;
    int probes = 0, late = 0, lateAll = 0, round = 0;
    long long nextUser = 1000, nextReport = reportSeconds * 1000LL;
    std::printf("probe: seconds probes worst_ms over_250ms private_bytes gdi_objects user_objects\n");
    while (elapsedMs() < seconds * 1000LL) {
        if (!::IsWindow(main)) {
            std::printf("probe: the window is gone after %lld s\n", elapsedMs() / 1000);
            return 1;
        }
        const auto sent = std::chrono::steady_clock::now();
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent).count();
        worst = std::max(worst, ms);
        late += ms > 250 ? 1 : 0;
        ++probes;
        if (elapsedMs() >= nextUser) {
            PlayUser(main, round++);
            nextUser += 1000;
        }
        if (elapsedMs() >= nextReport) {
            PROCESS_MEMORY_COUNTERS_EX memory{};
            memory.cb = sizeof memory;
            ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
            // Wine leaves PrivateUsage at 0 and reports the commit charge as PagefileUsage; its
            // GetGuiResources answers 0 for every process, which would read as "no objects": shown as "-".
            const SIZE_T privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
            const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
            const DWORD user = ::GetGuiResources(process, GR_USEROBJECTS);
            std::printf("probe: %lld %d %lld %d %llu %s %s\n", elapsedMs() / 1000, probes, worst, late,
                        static_cast<unsigned long long>(privateBytes), gdi != 0 ? std::to_string(gdi).c_str() : "-",
                        user != 0 ? std::to_string(user).c_str() : "-");
            std::fflush(stdout);
            worstAll = std::max(worstAll, worst);
            lateAll += late;
            worst = 0;
            late = 0;
            nextReport += reportSeconds * 1000LL;
        }
        ::Sleep(100);
    }
    worstAll = std::max(worstAll, worst);
    lateAll += late;
    std::printf("probe: total %d user rounds, worst answer %lld ms, %d answers over 250 ms\n", round, worstAll,
                lateAll);
    return 0;
}

int KillInterpreter() {
    HWND main = MainWindow();
    const DWORD program = main != nullptr ? ProgramProcess(main) : 0;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int killed = 0;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
        if (program != 0 && entry.th32ParentProcessID == program && _stricmp(entry.szExeFile, "cmd.exe") == 0) {
            HANDLE p = ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
            if (p != nullptr && ::TerminateProcess(p, 9)) ++killed;
            if (p != nullptr) ::CloseHandle(p);
        }
    }
    ::CloseHandle(snapshot);
    std::printf("probe: %d interpreter(s) ended\n", killed);
    return killed > 0 ? 0 : 1;
}

int Pile(int kilobytes) {
    HWND main = MainWindow();
    HWND edit = main != nullptr ? ::GetDlgItem(main, 1001) : nullptr;
    if (edit == nullptr) {
        std::printf("probe: no entry box\n");
        return 1;
    }
    const std::string line(1000 - 2, 'p');  // the program adds the line end
    const auto start = std::chrono::steady_clock::now();
    long long worst = 0;
    for (int i = 0; i < kilobytes; ++i) {
        ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
        const auto t0 = std::chrono::steady_clock::now();
        ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
        while (::GetWindowTextLengthA(edit) != 0) {
            if (!::IsWindow(edit)) return 1;
            ::Sleep(1);
        }
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        worst = std::max(worst, ms);
    }
    const long long total =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    std::printf("probe: %d KB typed in %lld ms, the longest line took %lld ms\n", kilobytes, total, worst);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "watch") == 0) return Watch(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 2 && std::strcmp(argv[1], "killcmd") == 0) return KillInterpreter();
    if (argc == 3 && std::strcmp(argv[1], "pile") == 0) return Pile(std::atoi(argv[2]));
    std::printf("usage: probe watch <seconds> <report-seconds> | probe killcmd | probe pile <kilobytes>\n");
    return 2;
}
