// A console program the tests have the interpreter run:
//   sleep <event>  says "SLEEPER READY" on standard output, then waits until the test sets the named
//                  event (at most 60 s); it never reads standard input, so an "exit" sent meanwhile
//                  stays unread and the interpreter stays busy.
//   cat <file>     copies the file's bytes to standard output unchanged, in small writes (the
//                  interpreter's own "type" converts text and may alter Shift-JIS bytes).
//   hold <event>   says "HOLD READY", waits (at most 60 s) for the named event without reading, then
//                  copies standard input to standard output until it reads a line "END".
//   spawn <event>  starts a grandchild "sleep <event>" (a copy of this program), says "SPAWNED <pid>"
//                  with the grandchild's process id, then sleeps as the grandchild does.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

bool WriteOut(const char* bytes, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes, size, &written, nullptr) && written == size;
}

int RunSleep(const char* eventName) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, eventName);
    const char ready[] = "SLEEPER READY\r\n";
    WriteOut(ready, static_cast<DWORD>(std::strlen(ready)));
    if (release == nullptr) return 3;
    ::WaitForSingleObject(release, 60000);
    ::CloseHandle(release);
    return 0;
}

int RunCat(const char* path) {
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    char buffer[700];  // not a divisor of the reader's 2048, so chunks and writes do not line up
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        if (!WriteOut(buffer, read)) break;
    }
    ::CloseHandle(file);
    return 0;
}

int RunHold(const char* eventName) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, eventName);
    const char ready[] = "HOLD READY\r\n";
    WriteOut(ready, static_cast<DWORD>(std::strlen(ready)));
    if (release == nullptr) return 3;
    ::WaitForSingleObject(release, 60000);
    ::CloseHandle(release);
    // Copied as it comes; the end mark may arrive split across reads.
    char buffer[4096];
    DWORD read = 0;
    char tail[8] = {};
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        if (!WriteOut(buffer, read)) break;
        for (DWORD i = 0; i < read; ++i) {
            std::memmove(tail, tail + 1, sizeof tail - 2);
            tail[sizeof tail - 2] = buffer[i];
        }
        if (std::strstr(tail, "END\r\n") != nullptr) break;
    }
    return 0;
}

int RunSpawn(const char* self, const char* eventName) {
    std::string commandLine = std::string("\"") + self + "\" sleep " + eventName;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 3;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    const std::string said = "SPAWNED " + std::to_string(pi.dwProcessId) + "\r\n";
    WriteOut(said.data(), static_cast<DWORD>(said.size()));
    return RunSleep(eventName);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "sleep") == 0) return RunSleep(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "cat") == 0) return RunCat(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) return RunHold(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "spawn") == 0) return RunSpawn(argv[0], argv[2]);
    return 2;
}
