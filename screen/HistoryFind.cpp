#include "screen/HistoryFind.h"

#include <cstring>

#include "glyph/ShiftJis.h"

namespace {

std::size_t CharWidth(std::string_view text, std::size_t at) {
    return glyph::IsSjisLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `needle` matches `line` at the character boundary `at`, character by character.
bool MatchesAt(std::string_view line, std::size_t at, std::string_view needle) {
    std::size_t i = at, j = 0;
    while (j < needle.size()) {
        if (i >= line.size()) return false;
        const std::size_t width = CharWidth(needle, j);
        if (CharWidth(line, i) != width) return false;
        if (width == 1) {
            if (Fold(line[i]) != Fold(needle[j])) return false;
        } else if (line[i] != needle[j] || line[i + 1] != needle[j + 1]) {
            return false;
        }
        i += width;
        j += width;
    }
    return true;
}

}  // namespace

std::vector<std::size_t> FindInLine(std::string_view line, std::string_view needle) {
    std::vector<std::size_t> starts;
    if (needle.empty()) return starts;
    std::size_t at = 0;
    while (at + needle.size() <= line.size()) {
        if (MatchesAt(line, at, needle)) {
            starts.push_back(at);
            // Past the match: the needle's own characters end on the line's boundaries.
            at += needle.size();
        } else {
            at += CharWidth(line, at);
        }
    }
    return starts;
}

bool LineMatches(std::string_view line, std::string_view needle) {
    if (needle.empty() || needle.size() > line.size()) return false;
    // The candidates are found by the first byte (either case of an ASCII letter), by memchr, so that a
    // line without it costs a scan at memory speed: a search runs over the whole scrollback.
    const char first = needle[0];
    const char other = first >= 'a' && first <= 'z'   ? static_cast<char>(first - 'a' + 'A')
                       : first >= 'A' && first <= 'Z' ? static_cast<char>(first - 'A' + 'a')
                                                      : first;
    const std::size_t last = line.size() - needle.size();  // the last place a match can start
    const char* base = line.data();
    auto next = [&](char c, std::size_t from) -> std::size_t {
        if (from > last) return std::string_view::npos;
        const void* hit = std::memchr(base + from, c, last - from + 1);
        return hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : std::string_view::npos;
    };
    std::size_t a = next(first, 0);
    std::size_t b = other != first ? next(other, 0) : std::string_view::npos;
    std::size_t boundary = 0;  // a character starts here; walked forward to each candidate, once in all
    while (a != std::string_view::npos || b != std::string_view::npos) {
        const std::size_t at = a < b ? a : b;
        while (boundary < at) boundary += CharWidth(line, boundary);
        if (boundary == at && MatchesAt(line, at, needle)) return true;
        if (at == a) a = next(first, at + 1);
        if (at == b) b = next(other, at + 1);
    }
    return false;
}

std::vector<CharRange> MatchedChars(std::string_view line, std::string_view needle) {
    std::vector<CharRange> ranges;
    std::size_t at = 0;
    int chars = 0;
    for (const std::size_t start : FindInLine(line, needle)) {
        for (; at < start; ++chars) at += CharWidth(line, at);
        const int first = chars;
        for (; at < start + needle.size(); ++chars) at += CharWidth(line, at);
        ranges.push_back({first, chars});
    }
    return ranges;
}

std::optional<std::size_t> FindRow(const ScrollHistory& history, std::string_view needle, std::size_t from,
                                   bool older) {
    const std::size_t rows = history.RowCount();
    if (needle.empty() || rows == 0) return std::nullopt;
    if (older) {
        for (std::size_t row = from < rows ? from : rows; row-- > 0;) {
            if (LineMatches(history.RowText(row), needle)) return row;
        }
        return std::nullopt;
    }
    for (std::size_t row = from + 1; row < rows; ++row) {
        if (LineMatches(history.RowText(row), needle)) return row;
    }
    return std::nullopt;
}

RowCount CountRows(const ScrollHistory& history, std::string_view needle, std::size_t row) {
    RowCount count;
    for (std::size_t r = 0; r < history.RowCount(); ++r) {
        if (!LineMatches(history.RowText(r), needle)) continue;
        ++count.matching;
        if (r <= row) ++count.upTo;
    }
    return count;
}
