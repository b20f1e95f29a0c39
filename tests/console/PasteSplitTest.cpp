// Pasted text split into the lines the entry box sends (pure).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/PasteSplit.h"

namespace {

using Lines = std::vector<std::string>;

TEST(PasteSplitTest, EveryKindOfLineBreakEndsALineAndTheBoxTextFramesThePaste) {
    // CR LF, LF and CR alike; an empty line in between is a line too (an Enter on an empty box).
    PastedLines p = SplitPaste("", "a\r\nb\nc\rd", "");
    EXPECT_EQ((Lines{"a", "b", "c"}), p.lines);
    EXPECT_EQ("d", p.rest);
    p = SplitPaste("", "a\n\nb\r\r\n", "");
    EXPECT_EQ((Lines{"a", "", "b", ""}), p.lines);
    EXPECT_EQ("", p.rest);
    // The first line starts with what stood before the selection, the rest ends with what stood after.
    p = SplitPaste("echo ", "one\r\necho two", " tail");
    EXPECT_EQ((Lines{"echo one"}), p.lines);
    EXPECT_EQ("echo two tail", p.rest);
    // No break: everything stays in the box.
    p = SplitPaste("x", "y", "z");
    EXPECT_TRUE(p.lines.empty());
    EXPECT_EQ("xyz", p.rest);
}

TEST(PasteSplitTest, NulsAreDroppedEvenInsideALineBreakAndShiftJisIsNeverCut) {
    const std::string pasted("a\0b\r\0\nc\0", 9);
    PastedLines p = SplitPaste("", pasted, "");
    EXPECT_EQ((Lines{"ab"}), p.lines);
    EXPECT_EQ("c", p.rest);
    // 表 and ソ end in 0x5C, the backslash: bytes only a break would split at never come inside them.
    p = SplitPaste("", "\x95\x5C\r\n\x83\x5C", "");
    EXPECT_EQ((Lines{"\x95\x5C"}), p.lines);
    EXPECT_EQ("\x83\x5C", p.rest);
}

TEST(PasteSplitTest, APasteOverTheLimitIsRefusedWholeAndOneAtTheLimitIsTaken) {
    const std::string atLimit(kMaxPasteBytes - 2, 'x');
    PastedLines p = SplitPaste("", atLimit + "\r\n", "");
    EXPECT_FALSE(p.bTooLarge);
    ASSERT_EQ(1u, p.lines.size());
    EXPECT_EQ(atLimit, p.lines[0]);
    p = SplitPaste("keep", atLimit + "\r\nx", "");
    EXPECT_TRUE(p.bTooLarge);
    EXPECT_TRUE(p.lines.empty());
    EXPECT_TRUE(p.rest.empty());
}

}  // namespace
