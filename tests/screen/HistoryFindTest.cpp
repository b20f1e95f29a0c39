// Finding text in the scrollback (pure): case folding for ASCII only, Shift-JIS boundaries, the rows
// found in either direction and their count.
#include <gtest/gtest.h>

#include <optional>
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
    const std::vector<std::size_t> rows = MatchingRows(history, "Match");
    ASSERT_EQ((std::vector<std::size_t>{0, 2, 4}), rows);
    using Nearest = std::optional<std::size_t>;
    EXPECT_EQ(Nearest(2), NearestMatch(rows, history.RowCount(), true, false)) << "from past the end: the last";
    EXPECT_EQ(Nearest(1), NearestMatch(rows, 4, true, false));
    EXPECT_EQ(Nearest(2), NearestMatch(rows, 4, true, true));
    EXPECT_EQ(Nearest(0), NearestMatch(rows, 1, true, false));
    EXPECT_EQ(std::nullopt, NearestMatch(rows, 0, true, false));
    EXPECT_EQ(Nearest(0), NearestMatch(rows, 0, false, true));
    EXPECT_EQ(Nearest(1), NearestMatch(rows, 0, false, false));
    EXPECT_EQ(std::nullopt, NearestMatch(rows, 4, false, false));
    EXPECT_TRUE(MatchingRows(history, "").empty());
    // A text of 4,096 bytes is handled: found where it stands, nowhere else.
    const std::string big(4096, 'q');
    history.Append(big, 0);
    EXPECT_EQ((std::vector<std::size_t>{history.RowCount() - 1}), MatchingRows(history, big));
}

// The scan for candidates picks the needle's rarest byte, which may lie anywhere in it: a match is still
// found only where the whole needle stands on character boundaries, whichever byte is probed.
TEST(HistoryFindTest, TheProbedByteMayLieAnywhereInTheNeedle) {
    EXPECT_TRUE(LineMatches("path C:\\Temp\\x.txt done", "temp\\x"));  // the backslash, in the middle
    EXPECT_TRUE(LineMatches("QZ", "qz"));                                // a rare letter, last, folded
    EXPECT_FALSE(LineMatches("\x95\x5Cqz", "\x5Cqz")) << "the probe hit lies inside 表";
    EXPECT_TRUE(LineMatches("\x95\x5C\x5Cqz", "\x5Cqz"));
    // Lead-valued bytes run long before the candidate: the parity of the run decides.
    EXPECT_TRUE(LineMatches(std::string(4000, '\x81') + "zz", "zz"));
    EXPECT_FALSE(LineMatches(std::string(4001, '\x81') + "z", "z"));
    EXPECT_TRUE(LineMatches(std::string(4001, '\x81') + "zz", "z")) << "the second z starts a character";
}

}  // namespace
