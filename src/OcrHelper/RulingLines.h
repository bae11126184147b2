#pragma once

// A table's ruling lines are no text, yet the engines read a vertical one between two
// cells as "|" or "l" and a horizontal one as "—" or "_" ("North | 1,240 | 1,580",
// "Q3_|"). A ruling line is ink far longer than any stroke of text (two rows of a table
// at least) and as thin as a hairline. The engines read the page as it is (taking the
// lines out of the page changes how they read the cells: "1,284" came back "1284"), and
// what they made of a line is taken out of their readings: a word of such characters
// that lies on one, and such characters at a word's end or start where it lies on one.

#include "OcrHelper/Readings.h"

#include <vector>

namespace RulingLines {

// Ink darker than this is what a line is made of; lighter, the engines take for paper.
inline constexpr unsigned char inkBelow = 200;
// A table's borders drawn faint (a light grey on a light ground) are paper to the
// engines, yet still tell its rows apart: ink lighter than inkBelow down to this.
inline constexpr unsigned char faintInkBelow = 245;
// Pixels: longer than a stroke of text up to 48 px type, thinner than its stems.
inline constexpr int shortestLine = 48;
inline constexpr int thickestLine = 3;

struct Lines {
    std::vector<unsigned char> ink; // non-zero where a ruling line's ink is, row by row
    int width = 0, height = 0;
};

// The ruling lines of `page` (width x height grey bytes, dark ink on white paper), of
// ink darker than `below`.
Lines find(const std::vector<unsigned char>& page, int width, int height, unsigned char below = inkBelow);

// `line` without what the engine read of `lines` in it; its text written again where
// anything was taken out.
void dropRulings(Readings::LineReading& line, const Lines& lines);

} // namespace RulingLines
