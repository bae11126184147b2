#pragma once

// A word of a Latin line that the Latin engine read as signs alone, unsure of it, where
// each Chinese model read the same place as one and the same word of letters and digits,
// surely: a table's header "Q2" beside a ruling line comes back "@" from the Latin
// engine at 51 while both Chinese models read "Q2" at 91 and over. There their word
// stands. A sign the Latin engine is sure of stays ("a = b", "x -> y"), as does any word
// it read with a letter or a digit in it, and any place the Chinese models read apart.

#include "OcrHelper/Readings.h"

#include <string>
#include <vector>

namespace SignWords {

// `latin`'s text with each such word replaced, given the Chinese models' readings of the
// same line (null where a model found none there).
std::string withWordsForSigns(const Readings::LineReading& latin, const std::vector<const Readings::LineReading*>& han);

} // namespace SignWords
