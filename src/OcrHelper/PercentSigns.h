#pragma once

// A Han line with the percent signs the Chinese models read as digits put back. Those
// models write a percent sign after digits as more digits, letters or an "@" ("5%" as
// "59%", "12.4%" as "12.496" or "12.4@"), so a number ending in one of those ways may be
// a number with its sign. The page's ink says so first: where a glyph after the digits
// is drawn as a percent sign, the number is the digits before it (PercentInk.h). Where
// the ink shows no sign, it still is one when the Latin engine, whose reading of the
// ideographs around is letters but of digits and signs is sure, read that number with
// its sign at the same place of the line, and did not read it as the Chinese models
// did.
//
// A number is left as read where the reading itself holds: one the model read with a
// sign of its own after it ("10‰", "5%"), and a plain number the model read surely
// (Thresholds::supportedNumber) where the Latin engine read the same digits and no sign
// ("596年").

#include "OcrHelper/Readings.h"

#include <functional>
#include <optional>
#include <string>

namespace PercentSigns {

// What the ink says of `number` (from its first digit on, as a Chinese model read it)
// lying about within `roughly` of the text line `line`: the number before its sign where
// a glyph there is a percent sign, else nothing (PercentInk::Judge::numberBeforeSign).
using SignInk = std::function<std::optional<std::u32string>(const HanVariantChoice::Box& line, const HanVariantChoice::Box& roughly,
                                                             const std::u32string& number)>;

// `han` is the line's text in its script, character for character its symbols; `latin`
// is empty where the Latin engine found no line there.
std::string withPercentSigns(const Readings::LineReading& han, const Readings::LineReading& latin, const SignInk& ink);

} // namespace PercentSigns
