#pragma once
// The colours the screen marks text with: the matches of a find, and the band behind the lines picked
// with the mouse. Derived from the text and background colours, so that they stay readable whatever the
// user chose. No Win32 here: a colour is 0x00BBGGRR, laid out as a COLORREF.
#include <cstdint>

namespace highlight {

using Colour = std::uint32_t;

// WCAG's contrast ratio of two colours (1 to 21).
double Contrast(Colour a, Colour b);
// The colour found text is drawn in: of a few strong colours, the one that stands out most from the
// background (both colours of a gradient) among those well apart from the text colour.
Colour FindColour(Colour text, Colour back1, Colour back2);
// The band behind a picked line: the background moved a third of the way towards the text colour.
Colour SelectionColour(Colour text, Colour back);

}  // namespace highlight
