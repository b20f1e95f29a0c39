// The palette popup's geometry and key navigation, without windows.
#include <gtest/gtest.h>

#include <string>

#include "colour/PaletteGrid.h"

namespace {

// Margin 2, box 18, a caption of tw x 12 pixels, on a 1280 x 1024 screen, below a 20-pixel picker.
PaletteGrid LaidOut(int x0, int y0, int tw = 40, int screenW = 1280, int screenH = 1024) {
    PaletteGrid g;
    g.m_margin = 2;
    g.m_boxSize = 18;
    g.ComputeLayout(x0, y0, tw, 12, screenW, screenH, 20);
    return g;
}

std::string Str(const GridRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

}  // namespace

// Found by argument-dependent lookup, so in GridCell's (the global) namespace.
static void PrintTo(GridCell c, std::ostream* os) { *os << "(" << c.row << ", " << c.column << ")"; }

TEST(PaletteGrid, BoxGrowsOnlyWhenTheSwatchWouldFallUnderFivePixels) {
    EXPECT_EQ(PaletteGrid::FitBoxSize(18, 2), 18);
    EXPECT_EQ(PaletteGrid::FitBoxSize(17, 5), 17);  // 17 - 12 = 5: enough
    EXPECT_EQ(PaletteGrid::FitBoxSize(16, 5), 17);  // 4: grows to 2m + 7
}

TEST(PaletteGrid, LayoutSizeButtonAndCells) {
    const PaletteGrid g = LaidOut(100, 100);
    EXPECT_EQ(g.m_rows * g.m_columns, 40);
    EXPECT_EQ(Str(g.m_windowRect), "100,100,248,218");  // 148 x 118
    EXPECT_EQ(Str(g.m_moreRect), "2,2,146,24");         // th + 4m + 2 = 22 high, one margin in
    GridRect r;
    ASSERT_TRUE(g.GetCellRect(0, 0, r));
    EXPECT_EQ(Str(r), "2,26,20,44");
    ASSERT_TRUE(g.GetCellRect(4, 7, r));
    EXPECT_EQ(Str(r), "128,98,146,116");  // one margin inside the popup
    for (GridCell c : {GridCell{-1, 0}, GridCell{0, -1}, GridCell{5, 0}, GridCell{0, 8}, MORE_CELL}) {
        EXPECT_FALSE(g.GetCellRect(c.row, c.column, r));
    }
}

TEST(PaletteGrid, OnlyACaptionWiderThanTheGridWidensThePopup) {
    EXPECT_EQ(LaidOut(100, 100, 144).m_windowRect.Width(), 148);  // tw + 2m = 148: no change
    const PaletteGrid g = LaidOut(100, 100, 145);
    EXPECT_EQ(Str(g.m_windowRect), "100,100,249,218");
    EXPECT_EQ(Str(g.m_moreRect), "2,2,147,24");
    GridRect r;
    g.GetCellRect(0, 0, r);
    EXPECT_EQ(r.left, 2) << "the grid keeps its left alignment";
}

TEST(PaletteGrid, KeepsOnScreen) {
    EXPECT_EQ(Str(LaidOut(1280 - 148, 100).m_windowRect), "1132,100,1280,218");  // touching: stays
    EXPECT_EQ(Str(LaidOut(1200, 100).m_windowRect), "1132,100,1280,218");
    EXPECT_EQ(Str(LaidOut(50, 100, 40, 120).m_windowRect), "0,100,148,218");  // narrow screen: left wins
    EXPECT_EQ(Str(LaidOut(100, 1024 - 118).m_windowRect), "100,906,248,1024");
    // Past the bottom it goes above the 20-pixel picker whose bottom is at y0.
    EXPECT_EQ(Str(LaidOut(100, 1000).m_windowRect), "100,862,248,980");
    EXPECT_EQ(LaidOut(100, 60, 40, 1280, 100).m_windowRect.top, 60 - 20 - 118) << "top is not kept";
}

TEST(PaletteGrid, HitTestIsOneMarginOffTheDrawing) {
    const PaletteGrid g = LaidOut(100, 100);
    const struct {
        int x, y;
        GridCell cell;
    } cases[] = {
        // clang-format off
        {10, 40, {0, 0}}, {60, 70, {2, 3}}, {137, 100, {4, 7}}, {70, 12, MORE_CELL},
        // The button reacts from (4, 4); its separator (rows 20, 21) and the margin below belong to it.
        {4, 4, MORE_CELL}, {3, 10, {0, 0}}, {10, 3, NO_CELL}, {70, 21, MORE_CELL}, {70, 25, MORE_CELL},
        {147, 10, MORE_CELL}, {148, 10, NO_CELL},
        // Rows start one margin above their drawing; the drawn last two pixel rows aim past the grid.
        {70, 26, {0, 3}}, {70, 42, {1, 3}}, {70, 113, {4, 3}}, {70, 114, NO_CELL},
        // Truncation toward zero: up to one cell left of the origin is column 0.
        {0, 40, {0, 0}}, {-15, 40, {0, 0}}, {-16, 40, NO_CELL}, {1, 10, {0, 0}},
        // Outside the grid: no target.
        {146, 60, NO_CELL}, {145, 60, {2, 7}}, {70, 200, NO_CELL}, {400, 60, NO_CELL}, {70, -50, NO_CELL},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(g.HitTest(c.x, c.y), c.cell) << "at " << c.x << ", " << c.y;
}

TEST(PaletteGrid, KeyTable) {
    const PaletteGrid g = LaidOut(100, 100);
    using K = GridKey;
    const struct {
        GridCell from;
        GridKey key;
        GridCell to;
    } table[] = {
        // clang-format off
        {NO_CELL, K::Down, {0, 0}}, {MORE_CELL, K::Down, {0, 0}}, {{0, 5}, K::Down, {1, 5}},
        {{3, 7}, K::Down, {4, 7}}, {{4, 6}, K::Down, MORE_CELL},  // last row to the button
        {NO_CELL, K::Up, {4, 0}}, {MORE_CELL, K::Up, {4, 0}}, {{4, 6}, K::Up, {3, 6}},
        {{1, 2}, K::Up, {0, 2}}, {{0, 7}, K::Up, MORE_CELL},  // top row to the button
        {NO_CELL, K::Right, {0, 0}}, {MORE_CELL, K::Right, {0, 0}}, {{2, 0}, K::Right, {2, 1}},
        {{2, 6}, K::Right, {2, 7}}, {{2, 7}, K::Right, {2, 0}},  // wraps within the row
        {NO_CELL, K::Left, {4, 7}}, {MORE_CELL, K::Left, {4, 7}}, {{3, 7}, K::Left, {3, 6}},
        {{3, 1}, K::Left, {3, 0}}, {{3, 0}, K::Left, {3, 7}},  // wraps within the row
        // clang-format on
    };
    for (const auto& t : table) {
        EXPECT_EQ(g.KeyTarget(t.from, t.key), t.to)
            << "from (" << t.from.row << ", " << t.from.column << ") key " << static_cast<int>(t.key);
    }
    // Six Downs from (0, 3) pass through the button to the top-left cell.
    GridCell c{0, 3};
    for (int i = 0; i < 6; ++i) c = g.KeyTarget(c, K::Down);
    EXPECT_EQ(c, (GridCell{0, 0}));
}
