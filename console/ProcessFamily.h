#pragma once
// The interpreter's family: every process it started, directly or not. Ended through the job where
// there is one; otherwise found by walking the process list (console/FamilyChoice.h decides).
//
// Every process is ended through a handle that was checked to be of the family after it was opened, so
// that an id reused meanwhile by an unrelated process never ends that process.
#include <windows.h>

#include <vector>

#include "console/InterpreterLaunch.h"

// Ends the interpreter and all of its family, through the job when there is one. Does not wait.
void EndFamily(const Interpreter& interpreter);

// Ends the interpreter's programs (its family but the interpreter and its console host). Returns the
// handles of those ended, for the caller to tell them apart while they go; does not wait.
std::vector<HANDLE> EndPrograms(const Interpreter& interpreter);

// The interpreter's programs that still run, less those in `ending` (handles of processes already
// ended, which may not have gone yet).
int CountPrograms(const Interpreter& interpreter, const std::vector<HANDLE>& ending);
