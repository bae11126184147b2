#pragma once

// The order the page's lines are written in, and the blanks before each. Tesseract's
// layout hands its lines block by block, and at times cuts one column of text into
// blocks by where its lines start: a code listing's unindented lines ("def load(path):",
// "if __name__ ...") became a block of their own, written before the indented lines
// above them. Each line now comes after every line that stands above it in its column
// (over it, sharing some of its width); lines side by side (columns, a sidebar) keep
// the layout's order, each column whole.
//
// A column set in a monospaced face (a code listing, a terminal) keeps the indentation
// the page shows: each line as many blanks before it as character widths its start lies
// right of the leftmost start near it. In a proportional face a line's start says nothing
// of blanks, and no line gets any.

#include "OcrHelper/Readings.h"

#include <vector>

namespace ReadingOrder {

struct Layout {
    std::vector<size_t> order;  // the lines' places, in the order to write them
    std::vector<int> indent;    // for each line (by its place), the blanks before it
};

// `lines` as the layout gave them (a line it cut in two joined), each with its box and
// characters.
Layout layout(const std::vector<Readings::LineReading>& lines);

} // namespace ReadingOrder
