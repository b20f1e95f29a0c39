#pragma once
// Geometry and key navigation of the colour palette popup, without Win32: where the popup, its
// "more colours" button and its swatch cells lie, which cell a mouse position points at, and where an
// arrow key moves the highlight. The popup window (CColourPalettePopup) measures its caption, reads
// the work area of the picker's monitor and calls these; they never call it.

// A rectangle in pixels; right and bottom are exclusive.
struct GridRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    void Offset(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
};

// A cell of the popup as (row, column); grid cells have both parts >= 0.
struct GridCell {
    int row;
    int column;

    bool IsGridCell() const { return row >= 0 && column >= 0; }
};

inline bool operator==(GridCell a, GridCell b) { return a.row == b.row && a.column == b.column; }
inline bool operator!=(GridCell a, GridCell b) { return !(a == b); }

// Nothing highlighted.
inline constexpr GridCell NO_CELL{-1, -1};
// The "more colours" button above the grid.
inline constexpr GridCell MORE_CELL{-2, -2};

enum class GridKey { Up, Down, Left, Right };

class PaletteGrid {
public:
    // The cell side actually used: a box too small to hold its swatch inside the margins grows.
    static int FitBoxSize(int boxSize, int margin);
    // The cell side on a monitor of `dpi` dots per inch: 18 pixels at 96, as large on the monitor at any
    // other scale (rounded to the nearest pixel), fitted to the margin as FitBoxSize does.
    static int BoxSizeForDpi(int dpi, int margin);

    // Lays the popup out from its current top-left (x0, y0) in screen coordinates, with the button
    // caption measuring textWidth x textHeight: sets m_columns, m_rows, m_windowRect and m_moreRect.
    // The popup is kept on `workArea`, the work area (screen coordinates) of the monitor that holds the
    // picker; when it would run off the area's bottom it goes above the picker, whose window is
    // pickerHeight pixels high.
    void ComputeLayout(int x0, int y0, int textWidth, int textHeight, const GridRect& workArea,
                       int pickerHeight);

    // The client rectangle of grid cell (row, column); false for a cell outside the grid.
    bool GetCellRect(int row, int column, GridRect& rect) const;

    // The cell under client point (x, y), by the same rectangles as the drawing: MORE_CELL anywhere on
    // the button area (its separator included), a grid cell on its box, NO_CELL on the margins around
    // them and outside the popup.
    GridCell HitTest(int x, int y) const;

    // The cell that an arrow key moves the highlight to from `hot` (which may be NO_CELL or MORE_CELL).
    GridCell KeyTarget(GridCell hot, GridKey key) const;

    int m_colourCount = 40;
    int m_columns = 0;
    int m_rows = 0;
    int m_boxSize = 18;
    int m_margin = 2;
    GridRect m_moreRect;    // client coordinates of the button area
    GridRect m_windowRect;  // screen coordinates of the popup
};
