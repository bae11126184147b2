#pragma once

// How many of the single-language engines read a page at once. All at once is fastest,
// but each engine loaded holds its model, and each reading copies of the page in the
// engine's own forms, so that on a large page their sum passes what a reading may add to
// the program kept ready for it (the plain engine loaded). Above that, they take turns,
// each let go once it has read, as few at once as keep the reading within it. Where even
// one of them beside the plain reading passes it, they wait until the plain reading is
// done and its engine has given back its copies of the page.

namespace EngineTurns {

// What a reading may add to the program, at its peak.
inline constexpr long long budgetBytes = 250LL * 1024 * 1024;

// How much a reading of a page of `pixels` adds with `atOnce` single-language engines
// (of three) reading it together, beside the plain reading: measured on pages of
// 0.25, 1, 2 and 16 million pixels of Chinese and English text.
long long addedBytes(long long pixels, int atOnce);

// How many of `engines` read at once: the most whose reading stays within the budget,
// one where none does. Never more than there are, nor fewer than one where there are any.
int atOnce(long long pixels, int engines);

// Whether the single-language engines load and read only once the plain reading of a
// page of `pixels` is done: where one of them reading beside it passes the budget.
bool afterThePlainReading(long long pixels);

} // namespace EngineTurns
