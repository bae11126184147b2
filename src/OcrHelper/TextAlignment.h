#pragma once

// Where the characters of two readings of one place line up, and how far apart the two
// are: the plain reading is held to the rules' text character by character.

#include <string>
#include <vector>

namespace TextAlignment {

// For each character of `from`, the character of `to` it lines up with in a least-edit
// alignment of the two, or -1 where it has none.
std::vector<int> alignment(const std::u32string& from, const std::u32string& to);

// The least number of characters put in, left out or changed that makes `a` of `b`.
int editDistance(const std::u32string& a, const std::u32string& b);

} // namespace TextAlignment
