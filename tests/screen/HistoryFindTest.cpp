// Finding text in the scrollback (pure): case folding for ASCII only, Shift-JIS boundaries, the rows
// found in either direction and their count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen/HistoryFind.h"

namespace {

using Starts = std::vector<std::size_t>;

TEST(HistoryFindTest, AsciiFoldsCaseAndMatchesNeverStartOrEndInsideATwoByteCharacter) {
    EXPECT_EQ((Starts{0, 9}), FindInLine("Scroll a SCROLL", "scroll"));
    EXPECT_EQ((Starts{0, 2}), FindInLine("aaaa", "aa")) << "matches do not overlap";
    // 表 (0x95 0x5C) and ソ (0x83 0x5C) end in a backslash, ゾ (0x83 0x5D) in a bracket.
    const std::string line = "\x95\x5C \x83\x5C \x83\x5D";
    EXPECT_TRUE(FindInLine(line, "\\").empty());
    EXPECT_TRUE(FindInLine(line, "]").empty());
    EXPECT_EQ((Starts{3}), FindInLine(line, "\x83\x5C"));
    EXPECT_EQ((Starts{2, 8}), FindInLine("C:\\a \x95\x5C \\", "\\")) << "the plain backslashes are found";
    // A trail byte that is a letter is not folded: ア is 0x83 0x41, and "a" must not find it.
    EXPECT_TRUE(FindInLine("\x83\x41", "a").empty());
    EXPECT_TRUE(FindInLine("\x83\x41", "\x83\x61").empty());
    // A lead byte alone at the end of the needle never takes half of a character.
    EXPECT_TRUE(FindInLine("\x95\x5C", "\x95").empty());
    EXPECT_TRUE(FindInLine("abc", "").empty());
}

TEST(HistoryFindTest, RowsAreFoundOlderAndNewerFromAPlaceAndCounted) {
    ScrollHistory history;
    for (const char* text : {"match one", "other", "MATCH two", "other", "match three"}) {
        history.Append(text, 0);
        history.NewLine();
    }
    // Fewer than 30 lines have ended, so the empty current line is a row too (the newest).
    const std::size_t rows = history.RowCount();
    EXPECT_EQ(std::optional<std::size_t>(4), FindRow(history, "match", rows, true));
    EXPECT_EQ(std::optional<std::size_t>(2), FindRow(history, "match", 4, true));
    EXPECT_EQ(std::optional<std::size_t>(0), FindRow(history, "match", 2, true));
    EXPECT_EQ(std::nullopt, FindRow(history, "match", 0, true));
    EXPECT_EQ(std::optional<std::size_t>(2), FindRow(history, "match", 0, false));
    EXPECT_EQ(std::nullopt, FindRow(history, "match", 4, false));
    EXPECT_EQ(std::nullopt, FindRow(history, "", rows, true));
    const RowCount count = CountRows(history, "Match", 2);
    EXPECT_EQ(3u, count.matching);
    EXPECT_EQ(2u, count.upTo);
    // A text of 4,096 bytes is handled: found where it stands, nowhere else.
    const std::string big(4096, 'q');
    history.Append(big, 0);
    EXPECT_EQ(std::optional<std::size_t>(history.RowCount() - 1), FindRow(history, big, history.RowCount(), true));
    EXPECT_EQ(1u, CountRows(history, big, history.RowCount()).matching);
}

}  // namespace
