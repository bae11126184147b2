#pragma once

// The engines have no per mille sign: "11.26‰" comes back "11.26%o", "11.26%e" or
// "11.26%0", the small circle under the stroke taken for a letter or a digit, or its two
// circles each read apart ("11.26%o0", "11.26%oo"). After a number's digits, at the end
// of its word, those are the sign: no number is written with a percent sign and a letter
// or a zero glued after it. Nor after the sign itself, which a model that has it may
// write with its lower circle read once more ("0.6\u2030o").

#include <string>

namespace PerMilleSigns {

// `line` with each such reading as the per mille sign.
std::string withPerMilleSigns(const std::string& line);

// Whether `word` is `percent` (a word ending in a percent sign) with a per mille sign's
// circles read after it: an engine with no circle for the sign, as the Latin one, writes
// "11.26%" where another wrote "11.26%o", and the two read the same sign.
bool withCircles(const std::string& word, const std::string& percent);

} // namespace PerMilleSigns
