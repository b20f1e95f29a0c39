#pragma once
// Which glyphs of a screen line can reach the window. A line in the distance is narrow, but the nearest
// lines of a wide listing run far past the window's right edge; their glyphs cost as much to send to
// the renderer as visible ones. No Win32 and no GL here: the matrix comes in as GL returns it.
#include <cstddef>

namespace visible {

// Glyphs [first, end) of a line; empty when first >= end.
struct GlyphRange {
    int first = 0;
    int end = 0;
    bool Empty() const { return first >= end; }
};

// What a glyph's solid can cover besides its advance, in em units: it may reach past its cell on both
// sides (italics, overhanging letters), from below the lowest descender to above the tallest glyph, and
// back to the extrusion's depth.
struct GlyphBox {
    double overhang;
    double bottom;
    double top;
    double depth;
};

// The glyphs of a line whose solid can lie inside the view volume. `clip` is projection times
// model-view for the line's own coordinates, column-major (16 values, as glGetDoublev gives them);
// `starts` holds count + 1 x positions in em: glyph i spans [starts[i], starts[i + 1]). A glyph is left
// out only when its whole box lies outside one plane of the view volume, so no glyph that shows any
// pixel is ever left out. Each plane bounds x from one side along the line, so the glyphs kept are one
// run.
GlyphRange VisibleGlyphs(const double clip[16], const float* starts, int count, const GlyphBox& box);

// How far the eye lies in front of the plane z = 0 of the coordinates that `modelView` (column-major, a
// rotation and a translation) carries to eye space. The back faces of glyphs extruded to z = -depth turn
// away from an eye that lies further than -depth.
double EyeHeightAbovePlane(const double modelView[16]);

// out = a b, 4 x 4 column-major (projection times model-view gives the clip matrix).
void Multiply(const double a[16], const double b[16], double out[16]);
// out = clip moved `y` along the line's y axis (the clip matrix of the line drawn y units further).
void MoveAlongY(const double clip[16], double y, double out[16]);

// Picking: the line under a point of the window, found through the inverse of the frame's own clip
// matrix (projection times model-view of the newest line's coordinates).
//
// The point of the plane z = 0 of those coordinates (the glyphs' front faces) under window point
// (wx, wy), in pixels from the viewport's left and bottom edges as GL counts them: the ray through the
// point from the near to the far plane of the view volume, met with the plane. False when it meets the
// plane outside the view volume, or not at all (the plane edge-on), or the matrix has no inverse.
bool PointOnPlane(const double clip[16], const int viewport[4], double wx, double wy, double& x, double& y);
// The line at plane point (x, y): line r (0 the newest, drawn at y = 0; r one unit further along y)
// spans y in [r + rowBottom, r + rowBottom + 1) and x in [-slack, widths[r] + slack]; -1 when no line
// of `rows` is there (the background, or past a line's end).
int RowAt(double x, double y, const double* widths, int rows, double rowBottom, double slack);
// out = the inverse of m; false (out untouched) when m has none.
bool Invert(const double m[16], double out[16]);

}  // namespace visible
