// The scrollback: rows that follow the screen's records, its bounds, the view and the wheel.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "screen/ScrollHistory.h"

namespace {
using Tag = ScrollHistory::FontTag;

void Line(ScrollHistory& h, const std::string& text, Tag font = 1) {
    h.Append(text, font);
    h.NewLine();
}

// Fills the history past the screen's 30 records with lines "L0", "L1", ...
void Lines(ScrollHistory& h, int from, int to) {
    for (int i = from; i < to; ++i) Line(h, "L" + std::to_string(i));
}

std::string Texts(const ScrollHistory& h) {
    std::string out;
    for (const auto& l : h.ViewLines()) out += "[" + l.text + "]";
    return out;
}

std::string AllRows(const ScrollHistory& h) {
    std::string out;
    for (std::size_t i = 0; i < h.RowCount(); ++i) out += "[" + std::string(h.RowText(i)) + "]";
    return out;
}

std::size_t SumOfRows(const ScrollHistory& h) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < h.RowCount(); ++i) sum += h.RowText(i).size();
    return sum;
}
}  // namespace

TEST(ScrollHistoryRows, FollowTheScreenRecordsWhileFillingAndWhenFull) {
    ScrollHistory h;
    EXPECT_EQ(h.RowCount(), 1u) << "the empty current line is record 0";
    h.Append("C:\\>", 7);
    EXPECT_EQ(AllRows(h), "[C:\\>]");
    EXPECT_EQ(h.RowFont(0), 7u);
    h.Append("dir", 8);  // the current line grows and is now in the newer font
    h.NewLine();
    h.NewLine();  // an empty line while filling is an empty row
    EXPECT_EQ(AllRows(h), "[C:\\>dir][][]");
    EXPECT_EQ(h.RowFont(0), 8u);

    ScrollHistory full;
    Lines(full, 0, 30);
    EXPECT_EQ(full.RowCount(), 30u) << "after 30 ended lines the empty current line is no row";
    // The screen shows "a" directly above "b": once full, a line ending empty never becomes a record.
    full.Append("a", 1);
    full.NewLine();
    full.NewLine();
    full.NewLine();
    full.NewLine();
    full.Append("b", 1);
    EXPECT_EQ(full.RowCount(), 32u);
    EXPECT_EQ(full.RowText(30), "a");
    EXPECT_EQ(full.RowText(31), "b");
    full.Append("", 9);  // no text: nothing changes, not even the font
    EXPECT_EQ(full.RowFont(31), 1u);
    // The 30 rows in view at the end are the last 30, the current line last.
    const auto view = full.ViewLines();
    ASSERT_EQ(view.size(), 30u);
    EXPECT_EQ(view.front().text, "L2");
    EXPECT_EQ(view.back().text, "b");
    EXPECT_EQ(view.back().number, 31u);
}

TEST(ScrollHistoryBounds, LinesOldestGoFirstAndRowNumbersStay) {
    ScrollHistory h;  // the defaults: 10,000 lines
    Lines(h, 0, 12000);
    ASSERT_EQ(h.RowCount(), 10000u);
    EXPECT_EQ(h.RowText(0), "L2000");
    EXPECT_EQ(h.RowNumber(0), 2000u);
    EXPECT_EQ(h.RowText(9999), "L11999");
    EXPECT_EQ(h.Bytes(), SumOfRows(h));

    ScrollHistory one(1, 100, 10);
    Line(one, "x");
    one.Append("y", 1);
    EXPECT_EQ(AllRows(one), "[y]") << "the bound holds with the current line as the only row";
    EXPECT_EQ(one.Bytes(), 1u);
}

TEST(ScrollHistoryBounds, BytesAreCountedExactlyAndNeverExceedTheBound) {
    ScrollHistory h(10000, 1000, 200);
    for (int i = 0; i < 50; ++i) {
        Line(h, std::string(90 + i % 7, static_cast<char>('a' + i % 26)));
        ASSERT_LE(h.Bytes(), 1000u);
        ASSERT_EQ(h.Bytes(), SumOfRows(h));
    }
    EXPECT_GE(h.Bytes(), 1000u - 96u) << "only as many rows go as the bound needs";
    // A growing current line pushes out old rows as it grows, and its bytes count while it grows.
    h.Append(std::string(150, 'z'), 1);
    EXPECT_LE(h.Bytes(), 1000u);
    EXPECT_EQ(h.Bytes(), SumOfRows(h));
    EXPECT_EQ(h.RowText(h.RowCount() - 1).size(), 150u);
}

TEST(ScrollHistoryBounds, LongLinesAreCutAtTheCapOnACharacterBoundary) {
    ScrollHistory h(100, 1000, 5);
    Line(h, "abcdefgh");
    EXPECT_EQ(h.RowText(0), "abcde");
    // The hiragana 0x82A0 0x82A2: the second would end past the cap, so it goes whole.
    Line(h, "ab\x82\xA0\x82\xA2");
    EXPECT_EQ(h.RowText(1), "ab\x82\xA0");
    // A lead byte that ended one piece pairs with the first byte of the next.
    h.Append("abc\x82", 1);
    h.Append("\xA0xyz", 1);
    h.NewLine();
    EXPECT_EQ(h.RowText(2), "abc\x82\xA0");
    ScrollHistory four(100, 1000, 4);
    four.Append("abc\x82", 1);
    four.Append("\xA0", 1);
    EXPECT_EQ(four.RowText(0), "abc");
    four.Append("d", 1);  // the line is full: dropped
    four.NewLine();
    // A lead byte last in a line that fits stays, as the screen stores it.
    Line(four, "\x82");
    EXPECT_EQ(four.RowText(0), "abc");
    EXPECT_EQ(four.RowText(1), "\x82");
    EXPECT_EQ(four.Bytes(), SumOfRows(four));
}

TEST(ScrollHistoryBounds, HugeLinesStayCheapAndBounded) {
    // 10,000 lines of 100 KB cannot stay: each is cut to the cap and the byte bound holds.
    ScrollHistory h;
    const std::string line(100 * 1024, 'w');
    for (int i = 0; i < 10000; ++i) Line(h, line);
    EXPECT_LE(h.Bytes(), ScrollHistory::kDefaultMaxBytes);
    EXPECT_EQ(h.Bytes(), SumOfRows(h));
    EXPECT_EQ(h.RowCount(), ScrollHistory::kDefaultMaxBytes / ScrollHistory::kDefaultLineCap);
    EXPECT_EQ(h.RowText(0).size(), ScrollHistory::kDefaultLineCap);

    // A line of 64 MB, once whole and once as the reader delivers it (2 KB pieces): the text after the cap
    // is neither copied nor scanned, so this takes milliseconds, not the hours a rescan per piece would.
    const auto start = std::chrono::steady_clock::now();
    const std::string huge(64u << 20, '\x88');  // lead bytes: the cut must not leave half a character
    h.Append(huge, 2);
    h.NewLine();
    const std::string_view piece(huge.data(), 2048);
    for (int i = 0; i < (64 << 20) / 2048; ++i) h.Append(piece, 3);
    h.NewLine();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(ms, 5000);
    const std::size_t n = h.RowCount();
    EXPECT_EQ(h.RowText(n - 2).size(), ScrollHistory::kDefaultLineCap);
    EXPECT_EQ(h.RowText(n - 1).size(), ScrollHistory::kDefaultLineCap);
    EXPECT_EQ(h.RowFont(n - 1), 3u);
    EXPECT_LE(h.Bytes(), ScrollHistory::kDefaultMaxBytes);
}

TEST(ScrollHistoryView, StaysOnItsRowsWhileOutputArrivesUntilTheyDropOut) {
    ScrollHistory h(66);
    Lines(h, 0, 60);
    h.ScrollBack(10);
    const auto before = h.ViewLines();
    EXPECT_EQ(before.back().text, "L49");
    EXPECT_EQ(before.front().text, "L20");
    h.Append("part", 1);  // a new current line is a new row below the view
    EXPECT_EQ(h.LinesBelow(), 11);
    h.Append(" more", 1);  // the same row grows
    h.NewLine();
    Lines(h, 60, 65);
    EXPECT_EQ(h.LinesBelow(), 16);
    const auto after = h.ViewLines();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].number, before[i].number);
        EXPECT_EQ(after[i].text, before[i].text);
    }
    // With the oldest row at the top, each row that drops out of the bound moves the view by one.
    h.ScrollToOldest();
    EXPECT_EQ(h.RowCount(), 66u);
    EXPECT_EQ(h.Offset(), 36);
    EXPECT_EQ(h.ViewLines().front().number, 0u);
    Lines(h, 65, 68);
    EXPECT_EQ(h.Offset(), 36);
    EXPECT_EQ(h.ViewLines().front().number, 3u);
    EXPECT_EQ(h.ViewLines().front().text, "L3");
    // At the end the view follows the output.
    h.ScrollToNewest();
    Line(h, "new");
    EXPECT_TRUE(h.IsAtEnd());
    EXPECT_EQ(h.ViewLines().back().text, "new");
}

TEST(ScrollHistoryView, ScrollingIsClampedToTheRowsHeld) {
    ScrollHistory h;
    Lines(h, 0, 20);
    h.ScrollBack(5);
    EXPECT_EQ(h.Offset(), 0) << "while everything is on the screen there is nowhere to go";
    Lines(h, 20, 45);
    EXPECT_EQ(h.RowCount(), 45u);
    EXPECT_EQ(h.MaxOffset(), 15);
    h.ScrollBack(3);
    h.ScrollBack(-1);
    EXPECT_EQ(h.Offset(), 2);
    h.ScrollBack(ScrollHistory::kPageLines);
    EXPECT_EQ(h.Offset(), 15);
    h.ScrollBack(-100);
    EXPECT_EQ(h.Offset(), 0);
    h.ScrollBack(LLONG_MAX);
    EXPECT_EQ(h.Offset(), 15);
    EXPECT_EQ(h.ViewLines().front().text, "L0");
    h.ScrollBack(LLONG_MIN);
    EXPECT_EQ(h.Offset(), 0);
    h.ScrollBack(LLONG_MIN);
    EXPECT_EQ(h.Offset(), 0);
    h.ScrollToOldest();
    h.ScrollBack(1);
    EXPECT_EQ(h.Offset(), 15);
    EXPECT_EQ(h.ViewLines().size(), 30u);
}

TEST(ScrollHistoryView, FontsAndCopyTextOfTheRowsInView) {
    ScrollHistory h;
    EXPECT_EQ(h.CopyText(), "") << "only the empty current line";
    Line(h, "one", 11);
    Line(h, "", 12);
    h.Append("\x82\xA0\x82\xA2", 13);
    EXPECT_EQ(h.CopyText(), "one\r\n\r\n\x82\xA0\x82\xA2");
    const auto view = h.ViewLines();
    ASSERT_EQ(view.size(), 3u);
    EXPECT_EQ(view[0].font, 11u);
    EXPECT_EQ(view[2].font, 13u);

    Lines(h, 0, 40);  // "L0" ends the line of hiragana: 42 rows
    h.ScrollBack(12);
    EXPECT_EQ(h.Offset(), 12);
    const std::string copy = h.CopyText();
    EXPECT_EQ(copy.rfind("one\r\n\r\n\x82\xA0\x82\xA2L0\r\nL1\r\n", 0), 0u) << copy;
    EXPECT_EQ(copy.substr(copy.size() - 5), "\r\nL27") << "no line break after the last row";
    EXPECT_EQ(Texts(h).find("[L26][L27]"), Texts(h).size() - 10);
    h.ScrollBack(-2);
    EXPECT_EQ(h.CopyText().rfind("\x82\xA0\x82\xA2L0\r\nL1\r\n", 0), 0u);
}

TEST(WheelNotches, WholeNotchesWithTheRemainderKept) {
    WheelNotches w;
    EXPECT_EQ(w.Add(120), 1);
    EXPECT_EQ(w.Add(-360), -3);
    EXPECT_EQ(w.Add(40), 0);
    EXPECT_EQ(w.Add(40), 0);
    EXPECT_EQ(w.Add(40), 1) << "three thirds of a notch make one";
    EXPECT_EQ(w.Remainder(), 0);
    EXPECT_EQ(w.Add(250), 2);
    EXPECT_EQ(w.Remainder(), 10);
    EXPECT_EQ(w.Add(110), 1);
    EXPECT_EQ(w.Add(100), 0);
    EXPECT_EQ(w.Add(-30), 0) << "turning back drops the part-notch of the other direction";
    EXPECT_EQ(w.Remainder(), -30);
    EXPECT_EQ(w.Add(-90), -1);
    EXPECT_EQ(w.Add(7), 0);
    w.Reset();
    EXPECT_EQ(w.Remainder(), 0);
}

TEST(WheelNotches, AnyDeltaIsClampedWithoutOverflow) {
    WheelNotches w;
    // A 16-bit delta is taken whole: 32767 is 273 notches and 7 left over.
    EXPECT_EQ(w.Add(32767), 273);
    EXPECT_EQ(w.Remainder(), 7);
    EXPECT_EQ(w.Add(-32768), -273);
    EXPECT_EQ(w.Remainder(), -8);
    w.Reset();
    // Anything larger counts as the largest 16-bit delta.
    EXPECT_EQ(w.Add(INT_MAX), 273);
    EXPECT_EQ(w.Remainder(), 8);
    EXPECT_EQ(w.Add(INT_MIN), -273);
    EXPECT_EQ(w.Add(LLONG_MIN), -273);
    EXPECT_EQ(w.Remainder(), -16);
    EXPECT_EQ(w.Add(LLONG_MAX), 273);
    EXPECT_EQ(w.Remainder(), 8);
    // Three lines a notch: a huge delta still scrolls a clamped history only to its end.
    ScrollHistory h;
    Lines(h, 0, 100);
    h.ScrollBack(static_cast<long long>(w.Add(INT_MAX)) * WheelNotches::kLinesPerNotch);
    EXPECT_EQ(h.Offset(), h.MaxOffset());
}
