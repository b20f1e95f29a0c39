// The palette popup's geometry and key navigation, without windows.
#include <gtest/gtest.h>

#include <string>

#include "colour/PaletteGrid.h"

namespace {

// Margin 2, box 18, a caption of tw x 12 pixels, below a 20-pixel picker on a monitor whose work area
// is `area` (by default a 1280 x 1024 primary monitor).
PaletteGrid LaidOutOn(const GridRect& area, int x0, int y0, int tw = 40) {
    PaletteGrid g;
    g.m_margin = 2;
    g.m_boxSize = 18;
    g.ComputeLayout(x0, y0, tw, 12, area, 20);
    return g;
}

PaletteGrid LaidOut(int x0, int y0, int tw = 40, int screenW = 1280, int screenH = 1024) {
    return LaidOutOn({0, 0, screenW, screenH}, x0, y0, tw);
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

// The popup's cells follow the scale of the picker's monitor: at 192 DPI a fixed 18-pixel cell would
// leave 12-pixel swatches beside a caption twice as tall.
TEST(PaletteGrid, CellsAreAsLargeOnTheMonitorAtEveryScale) {
    struct Scale {
        int dpi, box;
    };
    for (const Scale sc : {Scale{96, 18}, Scale{120, 23}, Scale{144, 27}, Scale{192, 36}}) {
        SCOPED_TRACE(sc.dpi);
        PaletteGrid g;
        g.m_margin = 2;
        g.m_boxSize = PaletteGrid::BoxSizeForDpi(sc.dpi, g.m_margin);
        EXPECT_EQ(g.m_boxSize, sc.box);
        // A caption of the scale's message font (12 pixels high at 96 DPI).
        g.ComputeLayout(100, 100, 40 * sc.dpi / 96, 12 * sc.dpi / 96, {0, 0, 4000, 4000}, 20);
        EXPECT_EQ(g.m_windowRect.Width(), 8 * sc.box + 4);
        GridRect first, last;
        ASSERT_TRUE(g.GetCellRect(0, 0, first));
        ASSERT_TRUE(g.GetCellRect(4, 7, last));
        EXPECT_GE(first.top, g.m_moreRect.bottom) << "the grid lies under the button";
        EXPECT_EQ(last.right, g.m_windowRect.Width() - 2) << "the last column one margin inside";
        EXPECT_EQ(last.bottom, g.m_windowRect.Height() - 2) << "the last row one margin inside";
        EXPECT_EQ(g.HitTest(last.left + sc.box / 2, last.top + sc.box / 2), (GridCell{4, 7}));
    }
    // A margin too large for the scaled box still leaves a five-pixel swatch.
    EXPECT_EQ(PaletteGrid::BoxSizeForDpi(96, 6), 19);
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

TEST(PaletteGrid, KeepsOnTheWorkAreaOfThePickersMonitor) {
    // A monitor right of the primary one: the popup stays where it opens, and keeps off that monitor's
    // right edge, not the primary's.
    const GridRect right{1280, 0, 2560, 1024};
    EXPECT_EQ(Str(LaidOutOn(right, 1400, 100).m_windowRect), "1400,100,1548,218");
    EXPECT_EQ(Str(LaidOutOn(right, 2500, 100).m_windowRect), "2412,100,2560,218");
    // Left of the primary one: negative coordinates are on screen; the left edge is that monitor's.
    const GridRect left{-1280, 0, 0, 1024};
    EXPECT_EQ(Str(LaidOutOn(left, -500, 100).m_windowRect), "-500,100,-352,218");
    EXPECT_EQ(Str(LaidOutOn(left, -100, 100).m_windowRect), "-148,100,0,218");
    EXPECT_EQ(Str(LaidOutOn({-1280, 0, -1200, 1024}, -1250, 100).m_windowRect), "-1280,100,-1132,218");
    // Below the primary one: opens below the picker down to that monitor's bottom, then above it.
    const GridRect below{0, 1024, 1280, 2048};
    EXPECT_EQ(Str(LaidOutOn(below, 100, 1500).m_windowRect), "100,1500,248,1618");
    EXPECT_EQ(Str(LaidOutOn(below, 100, 2000).m_windowRect), "100,1862,248,1980");
    // Above it, and a work area that a taskbar shortens at the bottom.
    EXPECT_EQ(Str(LaidOutOn({0, -1024, 1280, 0}, 100, -500).m_windowRect), "100,-500,248,-382");
    EXPECT_EQ(Str(LaidOutOn({0, 0, 1280, 984}, 100, 900).m_windowRect), "100,762,248,880");
}

TEST(PaletteGrid, HitTestFollowsTheDrawing) {
    const PaletteGrid g = LaidOut(100, 100);
    const struct {
        int x, y;
        GridCell cell;
    } cases[] = {
        // clang-format off
        {10, 40, {0, 0}}, {60, 70, {2, 3}}, {137, 100, {4, 7}}, {70, 12, MORE_CELL},
        // The button is one target over its whole drawn area (2, 2) .. (146, 24), its separator (rows 20
        // and 21) included: its leftmost pixels are no cell of the grid.
        {2, 10, MORE_CELL}, {2, 2, MORE_CELL}, {145, 23, MORE_CELL}, {70, 21, MORE_CELL},
        {1, 10, NO_CELL}, {146, 10, NO_CELL}, {10, 1, NO_CELL}, {70, 24, NO_CELL}, {70, 25, NO_CELL},
        // Each cell over its drawn box: row 0 from y 26, column 0 from x 2, 18 pixels each.
        {70, 26, {0, 3}}, {70, 43, {0, 3}}, {70, 44, {1, 3}}, {70, 115, {4, 3}}, {70, 116, NO_CELL},
        {2, 26, {0, 0}}, {19, 40, {0, 0}}, {20, 40, {0, 1}}, {145, 60, {1, 7}}, {146, 60, NO_CELL},
        // Margins and outside the popup (the capture delivers those too): no target.
        {1, 40, NO_CELL}, {0, 40, NO_CELL}, {-15, 40, NO_CELL}, {-16, 40, NO_CELL},
        {70, 200, NO_CELL}, {400, 60, NO_CELL}, {70, -50, NO_CELL}, {-1, -1, NO_CELL},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(g.HitTest(c.x, c.y), c.cell) << "at " << c.x << ", " << c.y;

    // A caption wider than the grid: the button takes the popup's width, the grid keeps its own.
    const PaletteGrid wide = LaidOut(100, 100, 200);
    EXPECT_EQ(wide.HitTest(200, 10), MORE_CELL);
    EXPECT_EQ(wide.HitTest(150, 40), NO_CELL);
    EXPECT_EQ(wide.HitTest(145, 40), (GridCell{0, 7}));
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
