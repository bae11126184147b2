#pragma once

// The order the page's lines are written in, and the blanks before each. Tesseract's
// layout hands its lines block by block, and at times cuts one column of text into
// blocks by where its lines start: a code listing's unindented lines ("def load(path):",
// "if __name__ ...") became a block of their own, written before the indented lines
// above them. Each line now comes after every line that stands above it in its column
// (over it, sharing some of its width); lines side by side (columns, a sidebar) keep
// the layout's order, each column whole. A line the layout handed late (one it read as a
// block of its own) comes right before the first line below it in its column, not
// after the lines the layout put between.
//
// A column set in a monospaced face (a code listing, a terminal) keeps the indentation
// the page shows: each line as many blanks before it as character widths its start lies
// right of the leftmost start near it. In a proportional face a line's start says nothing
// of blanks, and no line gets any.

#include "OcrHelper/Readings.h"
#include "OcrHelper/RulingLines.h"

#include <vector>

namespace ReadingOrder {

// A code listing's gutter of line numbers is a column of its own to the layout, read
// before or after the code. Each number that has a line of code on its row is written
// at the start of that line, a blank and the line's indentation after it ("9     name:
// str"), so that the listing reads as the page shows it; a number on a row without code
// (a blank line of the listing) stays a line of its own, in its row's place. A diff's
// two gutters are one: a row's two numbers, or a number and its "+" or "-", start the
// line as one number does. A gutter is three numbers or more, one above the other, each
// with code on its row: a number beside a paragraph is no gutter. Once there is one, a
// short word in it with code on its row is a number the engine misread ("1g" for "18"),
// and starts its line all the same; a diff's two numbers read apart both start it. The
// rest of a numbered line the layout cut at a run of blanks, close right of it on its
// row, follows it wherever the layout put it.
struct Layout {
    std::vector<size_t> order;  // the lines' places, in the order to write them
    std::vector<int> indent;    // for each line (by its place), the blanks before it
    std::vector<std::ptrdiff_t> number; // for each line, the place of the gutter number written before it, or -1
    // for each line, the place of the diff's second gutter number, read apart from the
    // first and written after it, or -1
    std::vector<std::ptrdiff_t> secondNumber;
    // for each line, the place of the next cell of its table row (TableRows.h), or of the
    // next piece of a row the layout handed right to left; -1 where none
    std::vector<std::ptrdiff_t> after;
};

// `lines` as the layout gave them (a line it cut in two joined), each with its box and
// characters; `rulings`, the page's ruling lines, which tell a table's rows.
Layout layout(const std::vector<Readings::LineReading>& lines, const RulingLines::Lines& rulings = {});

} // namespace ReadingOrder
