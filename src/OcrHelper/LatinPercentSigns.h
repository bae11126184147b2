#pragma once

// A line of Latin text with the percent signs the Latin engine read as digits put back.
// In small type the engine takes a percent sign for "96", "36" or "9%" as often as
// not ("within 0.4% of release" as "within 0.496 of release"): a wrong number that
// looks right. Its confidence says nothing of it, and the words around do not either.
// The ink does: where a glyph after the digits is drawn as a percent sign, the number
// is the digits before it (PercentInk.h). Where the ink shows no sign, or cannot say
// which characters read are the sign, the word stays as read.

#include "OcrHelper/PercentSigns.h"
#include "OcrHelper/Readings.h"

namespace LatinPercentSigns {

// `latin` with each such number, and the line's text, mended. Only a word that is a
// number with perhaps signs around it ("0.496", "(12.596)", "0.4%6,") is held against
// the ink; words with letters in them ("v1.796", "1.5h") never are.
Readings::LineReading withPercentSigns(const Readings::LineReading& latin, const PercentSigns::SignInk& ink);

} // namespace LatinPercentSigns
