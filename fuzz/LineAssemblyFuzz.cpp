// Interpreter output of any bytes, split into chunks anywhere: the line assembly never reads out of
// bounds, and what it produces obeys its rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "screen/LineAssembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the tab width (1..8); the rest is the chunk, NUL-terminated as the reader
    // hands it over (a NUL inside hides the rest, as with a real chunk).
    const int tabWidth = 1 + data[0] % 8;
    const std::string chunk(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* text = chunk.c_str();
    const std::string visible(text);

    const auto pieces = SplitOutput(text, tabWidth);
    size_t newlines = 0;
    for (char c : visible) newlines += c == '\n' ? 1 : 0;

    size_t complete = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const OutputPiece& p = pieces[i];
        if (p.endsLine) {
            ++complete;
            if (p.text.find('\t') != std::string::npos) std::abort();  // TABs expanded
            if (p.text.find('\n') != std::string::npos) std::abort();
            if (!p.text.empty() && p.text.back() == '\r') std::abort();  // trailing CRs gone
        } else if (i + 1 != pieces.size() || p.text.empty()) {
            std::abort();  // only the last piece may stay open, and never empty
        }
    }
    if (complete != newlines) std::abort();
    // The open piece is exactly the bytes after the last line break.
    const size_t last = visible.rfind('\n');
    const std::string rest = last == std::string::npos ? visible : visible.substr(last + 1);
    if (!rest.empty() && (pieces.empty() || pieces.back().endsLine || pieces.back().text != rest)) std::abort();
    // Framing keeps every byte.
    if (FrameMessage(text).size() != visible.size() + 4) std::abort();
    return 0;
}
