// A console program the tests have the interpreter run:
//   sleep <event>  says "SLEEPER READY" on standard output, then waits until the test sets the named
//                  event (at most 60 s); it never reads standard input, so an "exit" sent meanwhile
//                  stays unread and the interpreter stays busy.
//   cat <file>     copies the file's bytes to standard output unchanged, in small writes (the
//                  interpreter's own "type" converts text and may alter Shift-JIS bytes).
#include <windows.h>

#include <cstring>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "sleep") == 0) return RunSleep(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "cat") == 0) return RunCat(argv[2]);
    return 2;
}
