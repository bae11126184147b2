#pragma once

// Which ideographs are the Simplified and Traditional forms of one character (号 and
// 號, 发 and both 發 and 髮). An engine that misreads a character in its own script
// often writes the form of the other script, or a third character, but seldom both
// engines miss the same character's two forms: knowing the pairs lets two readings of
// a line be lined up form against form, and the form neither engine wrote be tried.

#include <string>

namespace HanVariantPairs {

// Whether a and b are the two forms of one character, in either order.
bool arePair(char32_t a, char32_t b);

// Whether s is the Simplified form of the character whose Traditional form is t.
bool isSimplifiedOf(char32_t s, char32_t t);

// The other script's forms of c (none where it is written alike in both).
std::u32string counterparts(char32_t c);

} // namespace HanVariantPairs
