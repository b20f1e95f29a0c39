#pragma once
// The anonymous pipes between the program and the interpreter, and the input pipe as the writer sees it.
#include <windows.h>

#include "console/InputQueue.h"

// Closes `handle` when it is set, and empties it.
void CloseAndClear(HANDLE& handle);

// A non-inheritable copy of `source` in this process, or nullptr.
HANDLE DuplicateLocal(HANDLE source);

// One pipe: `childEnd` inheritable for the interpreter (its read end when `childReads`, else its write
// end), `ownEnd` the program's non-inheritable other end. False with both empty when it cannot be made.
bool CreateChildPipe(bool childReads, HANDLE& childEnd, HANDLE& ownEnd);

// The writer's view of the input pipe: writes go to the program's end, and what the reader has not taken
// is peeked at on a copy of the reader's end, without taking any of it. Owns both copies.
class WinInputPipe : public InputPipe {
public:
    // Copies of both ends; Valid() tells whether the copies could be made.
    WinInputPipe(HANDLE ownWriteEnd, HANDLE childReadEnd);
    ~WinInputPipe() override;
    WinInputPipe(const WinInputPipe&) = delete;
    WinInputPipe& operator=(const WinInputPipe&) = delete;

    bool Valid() const { return m_hWrite != nullptr && m_hPeek != nullptr; }
    size_t Write(const char* data, size_t size) override;
    bool Unread(size_t& bytes) override;

private:
    HANDLE m_hWrite = nullptr;
    HANDLE m_hPeek = nullptr;
};
