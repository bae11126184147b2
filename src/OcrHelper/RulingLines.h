#pragma once

// A table's ruling lines are no text, yet the engines read a vertical one between two
// cells as "|" or "l" and a horizontal one as "—" or "_", and lose the cells' text
// beside them ("Region @ Q3_| Change"). A ruling line is ink far longer than any stroke
// of text (two rows of a table at least) and as thin as a hairline: such ink becomes
// paper before the engines read the page. Where text touches the line, the ink there is
// wider than a hairline and stays, and so does every stroke of text, which is shorter,
// or, in display type as tall, thicker.
// `page` is width x height grey bytes, dark ink on white paper, changed in place.

#include <vector>

namespace RulingLines {

// Ink darker than this is what a line is made of; lighter, the engines take for paper.
inline constexpr unsigned char inkBelow = 200;
// Pixels: longer than a stroke of text up to 48 px type, thinner than its stems.
inline constexpr int shortestLine = 48;
inline constexpr int thickestLine = 3;

void erase(std::vector<unsigned char>& page, int width, int height);

} // namespace RulingLines
