#include "screen/LineAssembler.h"

#include <cstring>

std::string CleanLine(const char* begin, const char* end, int tabWidth) {
    while (end > begin && end[-1] == '\r') --end;
    std::string line;
    line.reserve(static_cast<size_t>(end - begin));
    const size_t spaces = tabWidth > 0 ? static_cast<size_t>(tabWidth) : 0;
    for (const char* p = begin; p != end; ++p) {
        if (*p == '\t') {
            line.append(spaces, ' ');
        } else {
            line.push_back(*p);
        }
    }
    return line;
}

std::vector<OutputPiece> SplitOutput(const char* text, int tabWidth) {
    std::vector<OutputPiece> pieces;
    const char* p = text;
    for (const char* nl = std::strchr(p, '\n'); nl != nullptr; nl = std::strchr(p, '\n')) {
        pieces.push_back({CleanLine(p, nl, tabWidth), true});
        p = nl + 1;
    }
    if (*p != '\0') pieces.push_back({std::string(p), false});
    return pieces;
}

std::string FrameMessage(const char* text) { return std::string("\r\n") + text + "\r\n"; }
