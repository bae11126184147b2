#pragma once

// A line read once more (over all of its band where the layout cut it short, or as a
// block where the engine wrote blanks in its middle: LineTails.h) is a new reading of
// ink the first one read too. It takes the first one's place only where it holds what
// that one read: the engine at the second try may read the first one's words otherwise
// (the ruling lines and icons its band now takes in, read as letters, pull it off), and
// a right number read as another is worse than a line cut short.

#include "OcrHelper/Readings.h"

namespace Rereading {

// Whether `again` takes the place of `first`: the engine is more than guessing
// (Thresholds::rereadLine), four in five of the first reading's characters come back in
// it in their order (but for the last two, where the line was cut, perhaps through a
// glyph), and every number the first reading holds as a word of its own, but for its
// last word, comes back whole.
bool standsFor(const Readings::LineReading& first, const Readings::LineReading& again);

} // namespace Rereading
