#include "screen/HistoryFind.h"

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
    if (needle.empty()) return false;
    for (std::size_t at = 0; at + needle.size() <= line.size(); at += CharWidth(line, at)) {
        if (MatchesAt(line, at, needle)) return true;
    }
    return false;
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
