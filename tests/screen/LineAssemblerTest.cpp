// How chunks of interpreter output become the screen's lines.
#include <gtest/gtest.h>

#include <string>

#include "screen/LineAssembler.h"

namespace {
std::string Describe(const std::vector<OutputPiece>& pieces) {
    std::string out;
    for (const OutputPiece& p : pieces) out += "[" + p.text + (p.endsLine ? "]\n" : "]");
    return out;
}
}  // namespace

TEST(SplitOutput, CompleteLinesLoseTrailingCarriageReturnsOnly) {
    EXPECT_EQ(Describe(SplitOutput("dir\r\n", 4)), "[dir]\n");
    EXPECT_EQ(Describe(SplitOutput("x\r\r\r\n", 4)), "[x]\n");
    EXPECT_EQ(Describe(SplitOutput("a\rb\n", 4)), "[a\rb]\n");  // a CR inside the line stays
    EXPECT_EQ(Describe(SplitOutput("\n", 4)), "[]\n");           // an empty line only ends the line
    EXPECT_EQ(Describe(SplitOutput("one\ntwo\r\nthree", 4)), "[one]\n[two]\n[three]");
    EXPECT_TRUE(SplitOutput("", 4).empty());
}

TEST(SplitOutput, TabsBecomeExactlyTabWidthSpacesWithoutTabStops) {
    EXPECT_EQ(Describe(SplitOutput("a\tb\r\n", 4)), "[a    b]\n");
    EXPECT_EQ(Describe(SplitOutput("\t\t\n", 4)), "[        ]\n");
    EXPECT_EQ(Describe(SplitOutput("abc\td\n", 4)), "[abc    d]\n");
}

TEST(SplitOutput, TrailingPieceIsKeptExactlyAsReceived) {
    // Its TAB and CR stay: the line goes on in the next chunk, which completes it.
    EXPECT_EQ(Describe(SplitOutput("C:\\>\t", 4)), "[C:\\>\t]");
    EXPECT_EQ(Describe(SplitOutput("half\r", 4)), "[half\r]");
}

TEST(SplitOutput, LinesLongerThanAnyFixedBufferAreKeptWhole) {
    const std::string longLine(5000, 'x');
    const auto pieces = SplitOutput((longLine + "\t\r\n").c_str(), 4);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].text, longLine + "    ");
    EXPECT_TRUE(pieces[0].endsLine);
}

TEST(SplitOutput, ShiftJisTrailBytesThatLookLikeAsciiAreNotSpecial) {
    // 0x5C ('\\') is the trail byte of many kanji (e.g. 0x95 0x5C); only "\n", "\r" at the end and TAB
    // matter, and none of those can be a trail byte.
    const char text[] = "\x95\x5C\x8E\xA6\r\n";
    const auto pieces = SplitOutput(text, 4);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].text, "\x95\x5C\x8E\xA6");
}

TEST(FrameMessage, PutsTheMessageOnLinesOfItsOwn) {
    EXPECT_EQ(FrameMessage("msg"), "\r\nmsg\r\n");
    const std::string big(3000, 'e');
    EXPECT_EQ(FrameMessage(big.c_str()).size(), 3004u);  // no fixed buffer cuts it short
    EXPECT_EQ(Describe(SplitOutput(FrameMessage("msg").c_str(), 4)), "[]\n[msg]\n");
}
