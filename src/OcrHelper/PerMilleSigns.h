#pragma once

// The engines have no per mille sign: "11.26‰" comes back "11.26%o", "11.26%e" or
// "11.26%0", the small circle under the stroke taken for a letter or a digit, or its two
// circles each read apart ("11.26%o0", "11.26%oo"). After a number's digits, at the end
// of its word, those are the sign: no number is written with a percent sign and a letter
// or a zero glued after it.

#include <string>

namespace PerMilleSigns {

// `line` with each such reading as the per mille sign.
std::string withPerMilleSigns(const std::string& line);

} // namespace PerMilleSigns
