// Pasted text of any bytes: the lines and the rest, put back together with one LF for each break, are
// exactly the box's text with the paste in place, its NULs dropped and each CR LF or CR made one LF; no
// line and no rest holds a break of its own. The input's first byte cuts the box's text into the parts
// before and after the selection.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/PasteSplit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string all(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Before and after come from the box: one line, without breaks or NULs.
    const size_t cut = data[0] % 8;
    std::string before, after;
    for (size_t i = 0; i < cut; ++i) before += static_cast<char>('a' + i);
    for (size_t i = 0; i < data[0] / 32; ++i) after += static_cast<char>('A' + i);
    const PastedLines p = SplitPaste(before, all, after);
    if (p.bTooLarge) {
        if (all.size() <= kMaxPasteBytes || !p.lines.empty() || !p.rest.empty()) std::abort();
        return 0;
    }
    std::string expected = before;
    for (size_t i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (c == '\0') continue;
        if (c == '\r') {
            size_t j = i + 1;
            while (j < all.size() && all[j] == '\0') ++j;
            if (j < all.size() && all[j] == '\n') i = j;
            expected += '\n';
            continue;
        }
        expected += c;
    }
    expected += after;
    std::string joined;
    for (const std::string& line : p.lines) {
        if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
        joined += line + "\n";
    }
    if (p.rest.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
    joined += p.rest;
    if (joined != expected) std::abort();
    return 0;
}
