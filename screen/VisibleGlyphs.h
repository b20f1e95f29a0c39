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

}  // namespace visible
