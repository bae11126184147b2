#include "OcrHelper/LoneNumbers.h"

#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>

namespace LoneNumbers {

namespace {

bool isNumber(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::optional<std::string> numberRead(const Readings::LineReading& latin, const std::vector<const Readings::LineReading*>& han)
{
    // One short word of letters and digits (no point, sign or comma the number would
    // lose: "v1.72"), of which the Latin engine is unsure.
    constexpr size_t longest = 5;
    if (latin.words.size() != 1 || latin.text.size() > longest || latin.words[0].confidence >= Thresholds::supportedNumber
        || !std::all_of(latin.text.begin(), latin.text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    const Readings::WordReading* surest = nullptr;
    for (const Readings::LineReading* reading : han)
        if (reading && reading->words.size() == 1 && isNumber(reading->words[0].text)
            && (!surest || reading->words[0].confidence > surest->confidence))
            surest = &reading->words[0];
    if (!surest || surest->confidence < Thresholds::supportedNumber || surest->confidence <= latin.words[0].confidence
        || surest->text == latin.text)
        return std::nullopt;
    // Not from a number the Latin engine read longer: that is a digit it saw and the
    // model did not.
    const auto digits = std::count_if(latin.text.begin(), latin.text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits > std::ptrdiff_t(surest->text.size()))
        return std::nullopt;
    return surest->text;
}

} // namespace LoneNumbers
