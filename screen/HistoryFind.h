#pragma once
// Finding text in the scrollback's lines. No Win32 here.
//
// ASCII letters match either case; every other byte matches only itself. Matching follows Shift-JIS:
// a match starts and ends on character boundaries and takes a two-byte character only whole, so a
// backslash or a bracket never matches the trail byte of a kanji or a kana (表 is 0x95 0x5C, ソ
// 0x83 0x5C). A lead byte with nothing after it counts as a character of its own. An empty text finds
// nothing.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "screen/ScrollHistory.h"

// The byte offsets where matches of `needle` start in `line`, left to right, none overlapping.
std::vector<std::size_t> FindInLine(std::string_view line, std::string_view needle);
bool LineMatches(std::string_view line, std::string_view needle);
// The matches of FindInLine as characters: [first, end) counted from the line's first character, a
// two-byte character counting one (as the screen's glyphs are counted).
struct CharRange {
    int first = 0;
    int end = 0;
};
std::vector<CharRange> MatchedChars(std::string_view line, std::string_view needle);

// The nearest row of `history` holding a match, going from row `from` (not included) to older rows
// (`older`) or newer ones; from a `from` beyond the last row, older starts with the last row itself.
std::optional<std::size_t> FindRow(const ScrollHistory& history, std::string_view needle, std::size_t from, bool older);
// How many rows hold a match, and how many of them lie at or before row `row` (the match's number
// among them, counted from the oldest).
struct RowCount {
    std::size_t matching = 0;
    std::size_t upTo = 0;
};
RowCount CountRows(const ScrollHistory& history, std::string_view needle, std::size_t row);
