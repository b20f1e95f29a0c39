// Lines and search texts of any bytes: the matches found are those of a slow reference that cuts both
// into Shift-JIS characters first, folds the one-byte ASCII letters and compares character sequences.
// The matched characters are counted as the reference counts them. The input's first byte says where the search text ends and the line begins.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "glyph/ShiftJis.h"
#include "screen/HistoryFind.h"

namespace {

struct Char {
    std::string bytes;
    std::size_t at;
};

std::vector<Char> Chars(const std::string& text) {
    std::vector<Char> out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t w = glyph::IsSjisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        std::string c = text.substr(i, w);
        if (w == 1 && c[0] >= 'A' && c[0] <= 'Z') c[0] = static_cast<char>(c[0] - 'A' + 'a');
        out.push_back({c, i});
        i += w;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::size_t cut = data[0] % 16 < size - 1 ? data[0] % 16 : size - 1;
    const std::string needle(reinterpret_cast<const char*>(data) + 1, cut);
    const std::string line(reinterpret_cast<const char*>(data) + 1 + cut, size - 1 - cut);
    const std::vector<std::size_t> found = FindInLine(line, needle);
    std::vector<std::size_t> expected;
    std::vector<CharRange> expectedChars;
    if (!needle.empty()) {
        const std::vector<Char> l = Chars(line), n = Chars(needle);
        for (std::size_t i = 0; i + n.size() <= l.size();) {
            bool match = true;
            for (std::size_t k = 0; k < n.size() && match; ++k) match = l[i + k].bytes == n[k].bytes;
            if (match) {
                expected.push_back(l[i].at);
                expectedChars.push_back({static_cast<int>(i), static_cast<int>(i + n.size())});
                i += n.size();
            } else {
                ++i;
            }
        }
    }
    if (found != expected) std::abort();
    if (LineMatches(line, needle) != !expected.empty()) std::abort();
    const std::vector<CharRange> chars = MatchedChars(line, needle);
    if (chars.size() != expectedChars.size()) std::abort();
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (chars[i].first != expectedChars[i].first || chars[i].end != expectedChars[i].end) std::abort();
    }
    return 0;
}
