#pragma once

// The Chinese models write a line's words without blanks between them wherever one side
// is an ideograph, whatever lies between: a table's label and the figure in the next
// cell come back as one ("营业收入1284" for "营业收入" and "1,284" two cells apart). A
// stretch of paper between two words wider than the line is tall is no gap within a
// sentence in any script: there a blank is written. The paper is measured on the page:
// the models' boxes of an ideograph reach well past its ink.

#include "OcrHelper/FileNames.h"
#include "OcrHelper/Readings.h"

namespace CellGaps {

// `line`'s text with a blank at each such gap between two of its words that has none.
// `page` null: the words' boxes are taken for their ink.
std::string withBlanksAtWideGaps(const Readings::LineReading& line, const FileNames::Page& page);

} // namespace CellGaps
