#include "console/ConsolePipes.h"

#include <climits>

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) ::CloseHandle(handle);
    handle = nullptr;
}

HANDLE DuplicateLocal(HANDLE source) {
    HANDLE copy = nullptr;
    if (source == nullptr || !::DuplicateHandle(::GetCurrentProcess(), source, ::GetCurrentProcess(), &copy, 0,
                                                FALSE, DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

bool CreateChildPipe(bool childReads, HANDLE& childEnd, HANDLE& ownEnd) {
    childEnd = ownEnd = nullptr;
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &sa, 0)) return false;
    // CreatePipe makes both ends inheritable; the program's end is replaced by a non-inheritable copy,
    // so that the interpreter inherits only its own end.
    HANDLE& own = childReads ? write : read;
    ownEnd = DuplicateLocal(own);
    CloseAndClear(own);
    childEnd = childReads ? read : write;
    if (ownEnd == nullptr) {
        CloseAndClear(childEnd);
        return false;
    }
    return true;
}

WinInputPipe::WinInputPipe(HANDLE ownWriteEnd, HANDLE childReadEnd)
    : m_hWrite(DuplicateLocal(ownWriteEnd)), m_hPeek(DuplicateLocal(childReadEnd)) {}

WinInputPipe::~WinInputPipe() {
    CloseAndClear(m_hWrite);
    CloseAndClear(m_hPeek);
}

size_t WinInputPipe::Write(const char* data, size_t size) {
    const DWORD chunk = size > static_cast<size_t>(INT_MAX) ? static_cast<DWORD>(INT_MAX) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(m_hWrite, data, chunk, &written, nullptr)) return 0;
    return written;
}

bool WinInputPipe::Unread(size_t& bytes) {
    DWORD unread = 0;
    if (!::PeekNamedPipe(m_hPeek, nullptr, 0, nullptr, &unread, nullptr)) return false;
    bytes = unread;
    return true;
}
