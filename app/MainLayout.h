#pragma once
// Where the main window's parts go for a client area of a given size. No Win32 here.
//
// The entry box lies on the bottom edge, keeps its left edge and is as wide as the whole client area
// (it runs past the right edge by its left offset, which is clipped). Its label keeps its left edge and
// sits 5 pixels above the bottom. The find bar, while open, takes a row of the entry box's height above
// it, and the screen fills everything above them. The label and the box are never smaller than their
// font needs: the label as wide as its text, the box as tall as a line of it inside its border, and the
// box starts right of the label. So at any DPI nothing is clipped and nothing overlaps, and at 96 DPI the
// template's own sizes, which are larger, stand.
struct LayoutRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct MainLayoutInput {
    int cx = 0, cy = 0;  // the client area
    // The parts as they are now (the template's sizes, or what the last layout gave them).
    LayoutRect edit, label;
    // The font of both, measured: a line's height, the label text's width; and the box's border and
    // inner margin together, top and bottom.
    int textHeight = 0;
    int labelTextWidth = 0;
    int editFrame = 0;
    bool bFindBarOpen = false;
};

struct MainLayout {
    LayoutRect edit, label, screen;
    int findBarTop = 0;  // the find bar's row, of the entry box's height (while it is open)
};

MainLayout LayOutMainWindow(const MainLayoutInput& in);
