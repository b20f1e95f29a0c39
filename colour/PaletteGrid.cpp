#include "colour/PaletteGrid.h"

namespace {
constexpr int kColumns = 8;
}

int PaletteGrid::FitBoxSize(int boxSize, int margin) {
    // The swatch is the cell inset by one margin and one pixel on every side; it must keep at least five
    // pixels (outline included) to show its colour.
    if (boxSize - (2 * margin + 2) < 5) return 2 * margin + 7;
    return boxSize;
}

int PaletteGrid::BoxSizeForDpi(int dpi, int margin) {
    constexpr int kBoxAt96Dpi = 18;
    const int box = dpi > 0 ? (kBoxAt96Dpi * dpi + 48) / 96 : kBoxAt96Dpi;
    return FitBoxSize(box, margin);
}

void PaletteGrid::ComputeLayout(int x0, int y0, int textWidth, int textHeight, const GridRect& workArea,
                                int pickerHeight) {
    const int m = m_margin;
    const int b = m_boxSize;
    const int buttonWidth = textWidth + 2 * m;
    const int buttonHeight = textHeight + 4 * m + 2;

    m_columns = kColumns;
    m_rows = m_colourCount / kColumns + (m_colourCount % kColumns != 0 ? 1 : 0);

    m_windowRect = {x0, y0, x0 + m_columns * b + 2 * m, y0 + m_rows * b + 2 * m};
    // The button goes on top, followed by one margin; a caption wider than the grid widens the popup
    // (the grid keeps its left alignment).
    m_windowRect.bottom += buttonHeight + m;
    if (buttonWidth > m_windowRect.Width()) m_windowRect.right = m_windowRect.left + buttonWidth;

    m_moreRect = {m, m, m_windowRect.Width() - m, buttonHeight + m};

    // Keep on the picker's monitor: the right edge first, then the left edge wins if the area is too
    // narrow. At the bottom the popup opens above the picker instead, its bottom edge on the picker's
    // top edge; the top edge is not checked.
    if (m_windowRect.right > workArea.right) m_windowRect.Offset(workArea.right - m_windowRect.right, 0);
    if (m_windowRect.left < workArea.left) m_windowRect.Offset(workArea.left - m_windowRect.left, 0);
    if (m_windowRect.bottom > workArea.bottom) {
        m_windowRect.Offset(0, -(m_windowRect.Height() + pickerHeight));
    }
}

bool PaletteGrid::GetCellRect(int row, int column, GridRect& rect) const {
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns) return false;
    const int m = m_margin;
    const int b = m_boxSize;
    rect.left = m + column * b;
    rect.top = m + row * b + m_moreRect.Height() + m;
    rect.right = rect.left + b;
    rect.bottom = rect.top + b;
    return true;
}

GridCell PaletteGrid::HitTest(int x, int y) const {
    if (m_moreRect.Contains(x, y)) return MORE_CELL;
    // The grid starts one margin in from the left and one margin below the button (see GetCellRect).
    const int gx = x - m_margin;
    const int gy = y - (m_moreRect.bottom + m_margin);
    if (gx < 0 || gy < 0) return NO_CELL;
    const int row = gy / m_boxSize;
    const int column = gx / m_boxSize;
    if (row < m_rows && column < m_columns) return {row, column};
    return NO_CELL;
}

GridCell PaletteGrid::KeyTarget(GridCell hot, GridKey key) const {
    const int r = hot.row;
    const int k = hot.column;
    const int lastRow = m_rows - 1;
    const int lastColumn = m_columns - 1;
    // Horizontal moves wrap within the row; vertical moves run through the button, which lies between
    // the last row and the first.
    switch (key) {
    case GridKey::Down:
        if (r < 0) return {0, 0};
        if (r < lastRow) return {r + 1, k};
        return MORE_CELL;
    case GridKey::Up:
        if (r < 0) return {lastRow, 0};
        if (r > 0) return {r - 1, k};
        return MORE_CELL;
    case GridKey::Right:
        if (k < 0) return {0, 0};
        if (k < lastColumn) return {r, k + 1};
        return {r, 0};
    case GridKey::Left:
        if (k < 0) return {lastRow, lastColumn};
        if (k > 0) return {r, k - 1};
        return {r, lastColumn};
    }
    return hot;
}
