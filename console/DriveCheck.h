#pragma once
// The drive check of a command line, before it goes to the interpreter. No Win32 here: ConsoleProcess
// calls it and tests the drive itself.
//
// The check looks at bytes, not characters: the first ':' anywhere in the line decides, and a Shift-JIS
// trail byte in the ASCII letter range right before it counts as a drive letter like any other byte.
#include <string>

// The drive the line names, as an upper-case letter 'A'-'Z', or 0 when no drive is to be tested: there
// is no ':', the first ':' is the first byte, or the byte before the first ':' is no ASCII letter.
// `text` is NUL-terminated, of any length; nullptr names no drive.
char DriveToTest(const char* text);

// `format` with each "%C" replaced by `letter` and each "%%" by '%'; every other byte is copied as it
// is. Done here rather than by the C runtime, whose %C means a wide character in Microsoft's printf.
std::string FormatDriveMessage(const char* format, char letter);

// The message line for an unusable drive: "<letter>ドライブは無効です! " in Shift-JIS.
std::string DriveInvalidMessage(char letter);
