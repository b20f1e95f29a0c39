// The palette popup's geometry under any caption size, screen size, picker position and mouse
// position, and its key navigation from any highlight: the hit test names only cells that exist, every
// cell it names is drawn where the test found it (give or take the one-margin offset it keeps on
// purpose), and arrow keys never leave the grid and its button.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "colour/PaletteGrid.h"

namespace {

// Reads the input as a stream of little-endian 16-bit values; zeros once it runs out.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int Next16() {
        uint16_t v = 0;
        if (m_pos + 2 <= m_size) {
            v = static_cast<uint16_t>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        }
        m_pos += 2;
        return static_cast<int16_t>(v);
    }
    int NextByte() { return m_pos < m_size ? m_data[m_pos++] : (m_pos++, 0); }
    bool More() const { return m_pos < m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

bool Valid(const PaletteGrid& g, GridCell c) {
    if (c == NO_CELL || c == MORE_CELL) return true;
    return c.row >= 0 && c.row < g.m_rows && c.column >= 0 && c.column < g.m_columns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    PaletteGrid g;
    // What the popup can meet: a margin and box size of its own choosing (small, positive), a caption
    // measured by the system (0..4095 pixels), a work area of 1..32767 pixels anywhere a monitor can be
    // and a picker anywhere a window can be (16-bit coordinates).
    g.m_margin = in.NextByte() % 8;
    g.m_boxSize = PaletteGrid::FitBoxSize(in.NextByte() % 64, g.m_margin);
    g.m_colourCount = 1 + in.NextByte() % 64;
    if (g.m_boxSize <= 2 * g.m_margin) std::abort();  // the swatch keeps some pixels inside its cell
    const int x0 = in.Next16();
    const int y0 = in.Next16();
    const int textWidth = in.Next16() & 0xFFF;
    const int textHeight = in.Next16() & 0xFFF;
    GridRect area;
    area.left = in.Next16();
    area.top = in.Next16();
    area.right = area.left + 1 + (in.Next16() & 0x7FFF);
    area.bottom = area.top + 1 + (in.Next16() & 0x7FFF);
    const int pickerHeight = in.Next16() & 0x3FF;
    g.ComputeLayout(x0, y0, textWidth, textHeight, area, pickerHeight);

    if (g.m_rows * g.m_columns < g.m_colourCount || (g.m_rows - 1) * g.m_columns >= g.m_colourCount) {
        std::abort();  // just enough rows for the colours
    }
    if (g.m_windowRect.Width() <= 0 || g.m_windowRect.Height() <= 0) std::abort();
    // Kept on the work area horizontally whenever it is wide enough to hold it; else on its left edge.
    if (g.m_windowRect.Width() <= area.Width() &&
        (g.m_windowRect.left < area.left || g.m_windowRect.right > area.right)) {
        std::abort();
    }
    if (g.m_windowRect.Width() > area.Width() && g.m_windowRect.left != area.left) std::abort();
    // Every cell lies inside the popup, below the button, and cells do not overlap.
    for (int r = 0; r < g.m_rows; ++r) {
        for (int c = 0; c < g.m_columns; ++c) {
            GridRect cell;
            if (!g.GetCellRect(r, c, cell)) std::abort();
            // Every pixel of a drawn cell aims at that cell.
            if (g.HitTest(cell.left, cell.top) != GridCell{r, c}) std::abort();
            if (g.HitTest(cell.right - 1, cell.bottom - 1) != GridCell{r, c}) std::abort();
            if (cell.left < 0 || cell.top < g.m_moreRect.bottom || cell.right > g.m_windowRect.Width() ||
                cell.bottom > g.m_windowRect.Height()) {
                std::abort();
            }
        }
    }
    if (g.HitTest(g.m_moreRect.left, g.m_moreRect.top) != MORE_CELL ||
        g.HitTest(g.m_moreRect.right - 1, g.m_moreRect.bottom - 1) != MORE_CELL) {
        std::abort();  // the button is one target to its edges
    }
    GridRect none;
    if (g.GetCellRect(g.m_rows, 0, none) || g.GetCellRect(0, g.m_columns, none) || g.GetCellRect(-1, 0, none)) {
        std::abort();
    }

    // Mouse positions, anywhere a 16-bit client coordinate reaches, and key strokes.
    GridCell hot = NO_CELL;
    while (in.More()) {
        const int op = in.NextByte();
        if (op & 1) {
            const int x = in.Next16();
            const int y = in.Next16();
            const GridCell hit = g.HitTest(x, y);
            if (!Valid(g, hit)) std::abort();
            // The hit is exactly what is drawn there: the button area, or the cell's rectangle.
            if (hit == MORE_CELL && !g.m_moreRect.Contains(x, y)) std::abort();
            if (hit.IsGridCell()) {
                GridRect cell;
                g.GetCellRect(hit.row, hit.column, cell);
                if (!cell.Contains(x, y)) std::abort();
            }
            if (hit == NO_CELL && g.m_moreRect.Contains(x, y)) std::abort();
            hot = hit;
        } else {
            const GridCell from = hot;
            hot = g.KeyTarget(hot, static_cast<GridKey>((op >> 1) & 3));
            if (hot == NO_CELL || !Valid(g, hot)) std::abort();  // a key always lands on something
            // Right then Left (and Down then Up) come back to a grid cell they started from.
            if (from.IsGridCell()) {
                GridKey there = static_cast<GridKey>((op >> 1) & 3);
                GridKey back = there == GridKey::Left    ? GridKey::Right
                               : there == GridKey::Right ? GridKey::Left
                               : there == GridKey::Up    ? GridKey::Down
                                                         : GridKey::Up;
                const GridCell returned = g.KeyTarget(hot, back);
                const bool vertical = there == GridKey::Up || there == GridKey::Down;
                // Through the button the column is lost (it leads to column 0); elsewhere it is kept.
                if (!(vertical && hot == MORE_CELL) && returned != from) std::abort();
            }
        }
    }
    return 0;
}
