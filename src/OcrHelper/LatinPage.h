#pragma once

// Whether a page is Latin text alone, as far as the plain reading (the engine of the three
// languages together) tells: it read no ideograph anywhere on it. There the Chinese
// engines' readings mend nothing the Latin engine's do not, and only cost time (and on
// the generated pages, their readings of Latin lines cost characters too).

#include "OcrHelper/Readings.h"

namespace LatinPage {

bool isLatin(const Readings::EngineReading& plain);

} // namespace LatinPage
