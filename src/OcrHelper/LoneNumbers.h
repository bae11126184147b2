#pragma once

// A line that is one number alone (a listing's line number in its gutter, a count in a
// column) in dim ink: the Latin model reads some of them as letters or loses a digit
// ("11" as "ul", "14" as "4", "17" as "7"), unsure of them, where a Chinese model reads
// the number right and surely. There the Chinese model's number stands; a Latin reading
// its engine is sure of (Thresholds::supportedNumber) always stays.

#include "OcrHelper/Readings.h"

#include <optional>
#include <string>
#include <vector>

namespace LoneNumbers {

// The number to write for a line the Latin engine read as `latin`, given the Chinese
// models' readings of the same place; nothing where the Latin reading stands.
std::optional<std::string> numberRead(const Readings::LineReading& latin, const std::vector<const Readings::LineReading*>& han);

} // namespace LoneNumbers
