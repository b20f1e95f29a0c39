// A console program the reliability tests have the interpreter run:
//   flood <n> <event>   n rounds of "out <i>" on standard output and "err <i>" on standard error (i in
//                       nine digits, so that every line has the same length and needs as many display
//                       lists as the lines before it), then
//                       "out-end" on standard output and "err-end" on standard error; then it waits (at
//                       most 60 s) for the named event, which the test sets once it has seen both ends
//                       (the last lines of each stream), and prints "final 1" ..
//                       "final 40" on standard output. n = 0 floods until a write fails.
//   binary              one write of bytes with a NUL inside on each stream, a pause, then a second
//                       write on each stream.
//   busy <event>        says "BUSY READY", then waits (at most 60 s) for the named event without
//                       reading standard input, so the interpreter never reads the "exit" meant for it.
// Every mode ends when a write fails: the program's end of the pipe is gone.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Put(DWORD stream, const char* bytes, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(stream), bytes, size, &written, nullptr) && written == size;
}

bool PutText(DWORD stream, const char* text) { return Put(stream, text, static_cast<DWORD>(std::strlen(text))); }

int Flood(long rounds, const char* eventName) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, eventName);
    char line[64];
    for (long i = 1; rounds == 0 || i <= rounds; ++i) {
        std::snprintf(line, sizeof line, "out %09ld\r\n", i);
        if (!PutText(STD_OUTPUT_HANDLE, line)) return 1;
        std::snprintf(line, sizeof line, "err %09ld\r\n", i);
        if (!PutText(STD_ERROR_HANDLE, line)) return 1;
    }
    if (!PutText(STD_OUTPUT_HANDLE, "out-end\r\n") || !PutText(STD_ERROR_HANDLE, "err-end\r\n")) return 1;
    if (release != nullptr) ::WaitForSingleObject(release, 60000);
    for (int i = 1; i <= 40; ++i) {
        std::snprintf(line, sizeof line, "final %d\r\n", i);
        if (!PutText(STD_OUTPUT_HANDLE, line)) return 1;
    }
    return 0;
}

int Binary() {
    static const char kOut[] = "vx-one\r\nvx-t\0HIDDEN\r\nvx-three\r\n";
    static const char kErr[] = "ve-a\0ve-hidden\r\n";
    Put(STD_OUTPUT_HANDLE, kOut, sizeof kOut - 1);
    Put(STD_ERROR_HANDLE, kErr, sizeof kErr - 1);
    ::Sleep(500);  // the readers take each write as a chunk of its own
    Put(STD_OUTPUT_HANDLE, "vx-after\r\n", 10);
    Put(STD_ERROR_HANDLE, "ve-b", 4);
    return 0;
}

int Busy(const char* eventName) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, eventName);
    PutText(STD_OUTPUT_HANDLE, "BUSY READY\r\n");
    if (release != nullptr) ::WaitForSingleObject(release, 60000);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "flood") == 0) return Flood(std::atol(argv[2]), argv[3]);
    if (argc == 2 && std::strcmp(argv[1], "binary") == 0) return Binary();
    if (argc == 3 && std::strcmp(argv[1], "busy") == 0) return Busy(argv[2]);
    return 2;
}
