#pragma once
// Starting the command interpreter: which file, in a job of its own, on the pipes it is handed.
#include <windows.h>

#include <string>

// A started interpreter: its process, the job it and everything it starts run in (null where no job
// could be had: a job this program runs in that allows no other), its id and creation time.
struct Interpreter {
    HANDLE hProcess = nullptr;
    HANDLE hJob = nullptr;
    DWORD dwId = 0;
    ULONGLONG created = 0;
};

// The interpreter's full path: the system folder's cmd.exe, never a search, so that a cmd.exe lying
// beside the program or in the current folder is never started in its place. Empty when the system
// folder cannot be told or the path does not fit. (Tests replace it; see below.)
std::string InterpreterPath();

// Starts the interpreter hidden, in a new console, with `in`, `out` and `err` as its standard handles,
// in `directory` (null: the program's current one), suspended until it is in its job. False, with
// nothing started, on failure.
bool LaunchInterpreter(HANDLE in, HANDLE out, HANDLE err, const char* directory, Interpreter& started);

// Closes the interpreter's process and job handles (the job's processes end with its last handle).
void CloseInterpreter(Interpreter& interpreter);

// A process's creation time, 0 when it cannot be told.
ULONGLONG CreationTime(HANDLE process);

// Tests only: a file name looked up on the search path in place of the system's interpreter; nullptr
// restores the system's. The text must outlive the next start.
void SetInterpreterNameForTesting(const char* name);
// Tests only: false starts the interpreter without a job object, as where none can be had.
void SetUseJobForTesting(bool use);
