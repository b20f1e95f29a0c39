#pragma once
// Line assembly of the interpreter's output: how one chunk of raw text becomes pieces for the screen.
// No Win32 here: the screen calls it, under its lock.
#include <string>
#include <vector>

struct OutputPiece {
    std::string text;  // text to append to the current line
    bool endsLine;     // the line ends after the text
};

// Splits `text` (NUL-terminated, any length) at each "\n". A complete line loses every "\r" at its end
// (however many; a "\r" elsewhere stays) and each TAB becomes exactly `tabWidth` spaces (no tab stops).
// Bytes after the last "\n" form a last piece that does not end its line, kept exactly as received:
// its TABs and CRs are left alone, since the line goes on in the next chunk.
std::vector<OutputPiece> SplitOutput(const char* text, int tabWidth);

// One complete line as the screen stores it: trailing CRs removed, TABs expanded.
std::string CleanLine(const char* begin, const char* end, int tabWidth);

// The text that a standard-error chunk or a drive message becomes: it ends the current line, shows on
// its own line(s), and leaves a fresh line after it. Any length.
std::string FrameMessage(const char* text);
