#pragma once

// What the single-language engines read at the place of a plain reading's word with
// digits, and whether the plain engine read it surer than each of them (PlainFloor.h).

#include "OcrHelper/Readings.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace PlainFloor {

// The brackets, quotes and stops around a word.
inline constexpr std::u32string_view opening = U"([{<\"',;:\u201C\u2018\u00AB", closing = U")]}>\"'.,;:!?\u201D\u2019\u00BB";

// `word` without the brackets, quotes and stops around it, nor the blanks an engine at
// times writes into a word; `offset`, where that starts.
std::u32string trimmed(const std::u32string& word, size_t* offset = nullptr);

// A word without the brackets, quotes and stops around it, where it holds a digit and no
// ideograph (a code, a hash, a date, a price with its currency, "IP67", "1280x1024");
// empty where it is something else.
std::u32string withDigits(const std::u32string& word, size_t* offset = nullptr);

// How the single-language engines (`others`, their lines) read the place of `word`: the
// tokens of their words over it, each with its confidence; a token that differs from
// `word`'s only where its engine weighed `word`'s characters nearly as well as its own
// (Thresholds::weighedAlike) is `word`'s.
std::vector<std::pair<std::u32string, float>> otherReadings(const Readings::WordReading& word,
                                                            const std::vector<const Readings::LineReading*>& others);

bool hasPercent(const std::u32string& text);

// Whether the plain engine read `word` (its `token`) at least as surely as every other
// reading of its place that differs from it (`rivals`), where the Latin engine (`latin`)
// read the place at all. Never a percentage.
bool unrivalled(const Readings::WordReading& word, const std::u32string& token, const std::vector<const Readings::LineReading*>& latin,
                const std::vector<const Readings::LineReading*>& rivals);

} // namespace PlainFloor
