// The palette popup's geometry and key navigation, without windows.
#include <gtest/gtest.h>

#include <ostream>
#include <tuple>

#include "colour/PaletteGrid.h"

namespace {

constexpr int kScreenW = 1280;
constexpr int kScreenH = 1024;

// The usual case: margin 2, box 18, a caption of 40 x 12 pixels, laid out at (100, 100).
PaletteGrid LaidOut(int x0 = 100, int y0 = 100, int textWidth = 40, int textHeight = 12,
                    int screenW = kScreenW, int screenH = kScreenH, int pickerHeight = 20) {
    PaletteGrid g;
    g.m_margin = 2;
    g.m_boxSize = 18;
    g.ComputeLayout(x0, y0, textWidth, textHeight, screenW, screenH, pickerHeight);
    return g;
}

::testing::AssertionResult SameRect(const GridRect& r, int l, int t, int rt, int b) {
    if (r.left == l && r.top == t && r.right == rt && r.bottom == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got {" << r.left << ", " << r.top << ", " << r.right << ", "
                                         << r.bottom << "}, expected {" << l << ", " << t << ", " << rt
                                         << ", " << b << "}";
}

}  // namespace

// Found by argument-dependent lookup, so in GridCell's (the global) namespace.
static std::ostream& operator<<(std::ostream& os, GridCell c) {
    return os << "(" << c.row << ", " << c.column << ")";
}

TEST(PaletteBoxSize, GrowsOnlyWhenTheSwatchWouldFallUnderFivePixels) {
    EXPECT_EQ(PaletteGrid::FitBoxSize(18, 2), 18);
    EXPECT_EQ(PaletteGrid::FitBoxSize(18, 5), 18);  // 18 - 12 = 6
    EXPECT_EQ(PaletteGrid::FitBoxSize(17, 5), 17);  // 17 - 12 = 5: still enough
    EXPECT_EQ(PaletteGrid::FitBoxSize(16, 5), 17);  // 16 - 12 = 4: grows to 2m + 7
    EXPECT_EQ(PaletteGrid::FitBoxSize(18, 7), 21);
}

TEST(PaletteLayout, SizeForMarginTwoBoxEighteenTextTwelve) {
    const PaletteGrid g = LaidOut();
    EXPECT_EQ(g.m_columns, 8);
    EXPECT_EQ(g.m_rows, 5);
    EXPECT_TRUE(SameRect(g.m_windowRect, 100, 100, 248, 218));  // 148 x 118
    // The button spans the top: height th + 4m + 2 = 22 below one margin.
    EXPECT_TRUE(SameRect(g.m_moreRect, 2, 2, 146, 24));
}

TEST(PaletteLayout, RowsRoundUpForAnIncompleteLastRow) {
    PaletteGrid g;
    g.m_colourCount = 41;
    g.ComputeLayout(0, 0, 10, 12, kScreenW, kScreenH, 0);
    EXPECT_EQ(g.m_rows, 6);
    g.m_colourCount = 8;
    g.ComputeLayout(0, 0, 10, 12, kScreenW, kScreenH, 0);
    EXPECT_EQ(g.m_rows, 1);
}

TEST(PaletteLayout, WideCaptionWidensThePopupAndTheButtonOnly) {
    // tw + 2m = 148 equals the grid width: no change.
    EXPECT_EQ(LaidOut(100, 100, 144).m_windowRect.Width(), 148);
    // One pixel more widens the popup to the caption.
    const PaletteGrid g = LaidOut(100, 100, 145);
    EXPECT_TRUE(SameRect(g.m_windowRect, 100, 100, 249, 218));
    EXPECT_TRUE(SameRect(g.m_moreRect, 2, 2, 147, 24));
    // The grid keeps its left alignment and its size.
    GridRect first, last;
    ASSERT_TRUE(g.GetCellRect(0, 0, first));
    ASSERT_TRUE(g.GetCellRect(4, 7, last));
    EXPECT_EQ(first.left, 2);
    EXPECT_EQ(last.right, 146);
    EXPECT_EQ(LaidOut(100, 100, 300).m_windowRect.Width(), 304);
}

TEST(PaletteLayout, KeepsOnScreenAtTheRightEdge) {
    // Exactly touching the edge stays.
    EXPECT_TRUE(SameRect(LaidOut(kScreenW - 148, 100).m_windowRect, kScreenW - 148, 100, kScreenW, 218));
    // Beyond it moves left by the overhang.
    EXPECT_TRUE(SameRect(LaidOut(1200, 100).m_windowRect, 1132, 100, 1280, 218));
    // On a screen narrower than the popup the left edge wins.
    EXPECT_TRUE(SameRect(LaidOut(50, 100, 40, 12, 120).m_windowRect, 0, 100, 148, 218));
    // A popup starting left of the screen moves right.
    EXPECT_TRUE(SameRect(LaidOut(-30, 100).m_windowRect, 0, 100, 148, 218));
}

TEST(PaletteLayout, AtTheBottomEdgeOpensAboveThePicker) {
    // A picker 20 pixels high whose bottom edge is at y0 = 1000: the popup's bottom goes on its top.
    const PaletteGrid g = LaidOut(100, 1000, 40, 12, kScreenW, kScreenH, 20);
    EXPECT_TRUE(SameRect(g.m_windowRect, 100, 1000 - 20 - 118, 248, 980));
    // Exactly touching the bottom stays.
    EXPECT_TRUE(SameRect(LaidOut(100, kScreenH - 118).m_windowRect, 100, kScreenH - 118, 248, kScreenH));
    // The top edge is not kept on screen.
    EXPECT_EQ(LaidOut(100, 60, 40, 12, kScreenW, 100, 20).m_windowRect.top, 60 - 20 - 118);
    // The client-side rectangles do not move with the window.
    EXPECT_TRUE(SameRect(g.m_moreRect, 2, 2, 146, 24));
}

TEST(PaletteCells, RectanglesLieUnderTheButtonInsideTheMargins) {
    const PaletteGrid g = LaidOut();
    GridRect r;
    ASSERT_TRUE(g.GetCellRect(0, 0, r));
    EXPECT_TRUE(SameRect(r, 2, 26, 20, 44));
    ASSERT_TRUE(g.GetCellRect(2, 3, r));
    EXPECT_TRUE(SameRect(r, 56, 62, 74, 80));
    ASSERT_TRUE(g.GetCellRect(4, 7, r));
    EXPECT_TRUE(SameRect(r, 128, 98, 146, 116));  // one margin inside the 148 x 118 popup
    for (auto [row, column] : {std::pair{-1, 0}, {0, -1}, {5, 0}, {0, 8}, {-2, -2}}) {
        EXPECT_FALSE(g.GetCellRect(row, column, r)) << row << ", " << column;
    }
    EXPECT_FALSE(PaletteGrid().GetCellRect(0, 0, r)) << "no cells before the layout";
}

TEST(PaletteHitTest, CellsAndTheButtonUnderThePointer) {
    const PaletteGrid g = LaidOut();
    EXPECT_EQ(g.HitTest(10, 40), (GridCell{0, 0}));
    EXPECT_EQ(g.HitTest(60, 70), (GridCell{2, 3}));
    EXPECT_EQ(g.HitTest(137, 100), (GridCell{4, 7}));
    EXPECT_EQ(g.HitTest(70, 12), MORE_CELL);
}

TEST(PaletteHitTest, TheButtonReactsOneMarginRightAndBelowItsDrawing) {
    const PaletteGrid g = LaidOut();
    // The drawn button starts at (2, 2); its sensitive area at (4, 4).
    EXPECT_EQ(g.HitTest(4, 4), MORE_CELL);
    EXPECT_NE(g.HitTest(3, 10), MORE_CELL);
    EXPECT_NE(g.HitTest(10, 3), MORE_CELL);
    // The separator (rows 20 and 21) and the margin under the drawn button belong to the button.
    EXPECT_EQ(g.HitTest(70, 20), MORE_CELL);
    EXPECT_EQ(g.HitTest(70, 21), MORE_CELL);
    EXPECT_EQ(g.HitTest(70, 25), MORE_CELL);
    // Right of the drawn button's edge, within one margin.
    EXPECT_EQ(g.HitTest(147, 10), MORE_CELL);
    EXPECT_NE(g.HitTest(148, 10), MORE_CELL);
}

TEST(PaletteHitTest, RowsReactOneMarginAboveTheirDrawing) {
    const PaletteGrid g = LaidOut();
    EXPECT_EQ(g.HitTest(70, 26), (GridCell{0, 3}));  // first row drawn at 26
    EXPECT_EQ(g.HitTest(70, 41), (GridCell{0, 3}));
    EXPECT_EQ(g.HitTest(70, 42), (GridCell{1, 3}));  // drawn row 1 starts at 44
    EXPECT_EQ(g.HitTest(70, 113), (GridCell{4, 3}));
    // The last two pixel rows of the drawn grid aim past it.
    EXPECT_EQ(g.HitTest(70, 114), NO_CELL);
    EXPECT_EQ(g.HitTest(70, 115), NO_CELL);
}

TEST(PaletteHitTest, TruncationCountsUpToOneCellLeftOfTheOriginAsColumnZero) {
    const PaletteGrid g = LaidOut();
    EXPECT_EQ(g.HitTest(0, 40), (GridCell{0, 0}));
    // With the capture the pointer may be left of the popup: x - m down to -17 still truncates to 0.
    EXPECT_EQ(g.HitTest(-15, 40), (GridCell{0, 0}));
    EXPECT_EQ(g.HitTest(-16, 40), NO_CELL);
    // Left of the button's sensitive area but still above the grid's origin: row 0 by truncation.
    EXPECT_EQ(g.HitTest(1, 10), (GridCell{0, 0}));
}

TEST(PaletteHitTest, PointsOutsideTheGridGiveNoTarget) {
    const PaletteGrid g = LaidOut();
    EXPECT_EQ(g.HitTest(146, 60), NO_CELL);  // right margin
    EXPECT_EQ(g.HitTest(145, 60), (GridCell{2, 7}));  // drawn row 1, aimed at row 2
    EXPECT_EQ(g.HitTest(70, 200), NO_CELL);  // below the popup
    EXPECT_EQ(g.HitTest(400, 60), NO_CELL);  // right of the popup
    EXPECT_EQ(g.HitTest(70, -50), NO_CELL);  // above the popup
    EXPECT_EQ(g.HitTest(-40, -40), NO_CELL);
}

// (from, key, expected) for the whole key table of a 5 x 8 grid.
class PaletteKeys : public ::testing::TestWithParam<std::tuple<GridCell, GridKey, GridCell>> {};

TEST_P(PaletteKeys, MoveTheHighlight) {
    const PaletteGrid g = LaidOut();
    const auto& [from, key, expected] = GetParam();
    EXPECT_EQ(g.KeyTarget(from, key), expected) << "from " << from << " key " << static_cast<int>(key);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PaletteKeys,
    ::testing::Values(
        // Down: into the grid from nothing or the button, down a row, from the last row to the button.
        std::tuple{NO_CELL, GridKey::Down, GridCell{0, 0}}, std::tuple{MORE_CELL, GridKey::Down, GridCell{0, 0}},
        std::tuple{GridCell{0, 5}, GridKey::Down, GridCell{1, 5}},
        std::tuple{GridCell{3, 7}, GridKey::Down, GridCell{4, 7}},
        std::tuple{GridCell{4, 6}, GridKey::Down, MORE_CELL},
        // Up: to the last row's first cell from nothing or the button, up a row, top row to the button.
        std::tuple{NO_CELL, GridKey::Up, GridCell{4, 0}}, std::tuple{MORE_CELL, GridKey::Up, GridCell{4, 0}},
        std::tuple{GridCell{4, 6}, GridKey::Up, GridCell{3, 6}},
        std::tuple{GridCell{1, 2}, GridKey::Up, GridCell{0, 2}},
        std::tuple{GridCell{0, 7}, GridKey::Up, MORE_CELL},
        // Right: first cell from nothing or the button, along the row, wrapping within it.
        std::tuple{NO_CELL, GridKey::Right, GridCell{0, 0}},
        std::tuple{MORE_CELL, GridKey::Right, GridCell{0, 0}},
        std::tuple{GridCell{2, 0}, GridKey::Right, GridCell{2, 1}},
        std::tuple{GridCell{2, 6}, GridKey::Right, GridCell{2, 7}},
        std::tuple{GridCell{2, 7}, GridKey::Right, GridCell{2, 0}},
        // Left: last cell from nothing or the button, along the row, wrapping within it.
        std::tuple{NO_CELL, GridKey::Left, GridCell{4, 7}}, std::tuple{MORE_CELL, GridKey::Left, GridCell{4, 7}},
        std::tuple{GridCell{3, 7}, GridKey::Left, GridCell{3, 6}},
        std::tuple{GridCell{3, 1}, GridKey::Left, GridCell{3, 0}},
        std::tuple{GridCell{3, 0}, GridKey::Left, GridCell{3, 7}}));

TEST(PaletteKeyWalks, VerticalMovesRunThroughTheButton) {
    const PaletteGrid g = LaidOut();
    // Six Downs from (0, 3): four rows down, the button, then the top-left cell (the column is lost).
    GridCell c{0, 3};
    const GridCell down[] = {{1, 3}, {2, 3}, {3, 3}, {4, 3}, MORE_CELL, {0, 0}};
    for (GridCell expected : down) {
        c = g.KeyTarget(c, GridKey::Down);
        EXPECT_EQ(c, expected);
    }
    // Up from (2, 5): two rows up, the button, then the last row's first cell.
    c = {2, 5};
    const GridCell up[] = {{1, 5}, {0, 5}, MORE_CELL, {4, 0}, {3, 0}};
    for (GridCell expected : up) {
        c = g.KeyTarget(c, GridKey::Up);
        EXPECT_EQ(c, expected);
    }
}

TEST(PaletteKeyWalks, EightRightsComeBackToTheStart) {
    const PaletteGrid g = LaidOut();
    GridCell c{1, 4};
    for (int i = 0; i < 8; ++i) {
        c = g.KeyTarget(c, GridKey::Right);
        EXPECT_EQ(c.row, 1);
    }
    EXPECT_EQ(c, (GridCell{1, 4}));
    for (int i = 0; i < 8; ++i) c = g.KeyTarget(c, GridKey::Left);
    EXPECT_EQ(c, (GridCell{1, 4}));
}
