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

// The rows of `history` holding a match, oldest first: one pass over the scrollback.
std::vector<std::size_t> MatchingRows(const ScrollHistory& history, std::string_view needle);
// Of `rows` (ascending), the position of the nearest one to row `from` that is older (smaller) or newer
// (larger), `from` itself included when `inclusive`; none past either end.
std::optional<std::size_t> NearestMatch(const std::vector<std::size_t>& rows, std::size_t from, bool older,
                                        bool inclusive);
