#pragma once

// A number in a Han line that one Chinese model wrote with a point and the other with a
// comma in the same place ("1.284亿元" against "1,284亿元": in small type the Simplified
// model takes a thousands separator for a point). Either is a well-formed number, and
// they differ a thousandfold; the page's ink settles it. A comma reaches below the
// digits' baseline, a point does not. A number both models wrote alike, or one whose ink
// says nothing clear, stays as read.

#include "OcrHelper/HanVariantChoice.h"
#include "OcrHelper/Readings.h"

#include <functional>
#include <optional>
#include <string>

namespace NumberSeparators {

// What the ink between the x positions `from` and `to` of the text line `line` shows
// among the digits: ',' where something reaches below their baseline, '.' where nothing
// does, nothing where there is no ink to tell by.
using SeparatorInk = std::function<std::optional<char>(const HanVariantChoice::Box& line, int from, int to)>;

// The page's own ink, as SeparatorInk answers.
std::optional<char> separatorOnPage(HanVariantChoice::Page page, const HanVariantChoice::Box& line, int from, int to);

// `han`'s text (character for character its symbols, blanks aside) with each number's
// one separator as the ink shows it, where `other` (the other Chinese model's reading of
// the line) wrote the same digits with the other separator.
std::string withSeparatorsFromInk(const Readings::LineReading& han, const Readings::LineReading& other, const SeparatorInk& ink);

} // namespace NumberSeparators
