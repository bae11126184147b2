#pragma once

// Tesseract's layout analysis at times takes part of a text line for a picture (light
// serif type at screen sizes, lines set close) and reads nothing there: the line comes
// back cut short, and the rest of it is lost without a word. What is left of such a
// line lies on its band, beyond where the line read ends or before it starts: ink of
// the line's height that no line read covers. Such lines are found here, with the box
// that takes in the rest, to be read once more as one line; and so are lines the layout
// took whole for a picture, ink on bands of their own that no line covers, and lines
// with a stretch in their middle taken for one.

#include "OcrHelper/HanVariantChoice.h"

#include <cstddef>
#include <vector>

namespace LineTails {

using HanVariantChoice::Box;
using HanVariantChoice::Page;

struct Grown {
    size_t line = 0; // which of the lines
    Box box;         // the line's box over the rest of it, a little taller, within the page
};

// The lines read (`lines`, their boxes) whose band holds ink that no line's box covers
// right after their end or before their start: starting within two line heights of the
// line and running on while the gaps in the ink are no wider, up to another line's box
// or the page's edge. A speck (less than half a line height wide, or with hardly any
// ink) is no rest of a line. Ink between two lines on one band is the first one's rest.
std::vector<Grown> grownLines(const Page& page, const std::vector<Box>& lines);

// The lines read whose words leave a stretch of the line's ink between two of them
// unread: the layout took it for a picture inside the line, and the engine wrote blanks
// there ("學生們在|     準備考試"). `words` holds each line's word boxes. A stretch
// counts as a lost glyph does above: at least half a line height wide, with more than
// specks of ink, in the band's middle rows. Each with the box that reads the line again.
std::vector<Grown> hollowLines(const Page& page, const std::vector<Box>& lines, const std::vector<std::vector<Box>>& words);

// Bands of the page whose ink no line's box covers at all, of about the height of the
// lines read (between 0.6 and 1.8 times their median), in stretches of at least three
// glyphs side by side: lines the layout took whole for a picture. A stretch ends at a gap
// wider than two band heights. Each as the box to read, a little larger, within the
// page, top to bottom. Nothing where no line was read (nothing to measure a line by).
std::vector<Box> lostLines(const Page& page, const std::vector<Box>& lines);

} // namespace LineTails
