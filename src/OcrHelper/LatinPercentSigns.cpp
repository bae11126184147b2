#include "OcrHelper/LatinPercentSigns.h"

#include "OcrHelper/HanText.h"

#include <cctype>
#include <optional>
#include <string>

namespace LatinPercentSigns {

namespace {

using HanText::isDigit;

// What the engine makes of a percent sign ends in one of these: a digit ("96", "36",
// "26", "0") or the sign itself after a digit it added ("49%").
bool mayEndInSign(const std::string& run)
{
    const char last = run.back();
    if (last == '%')
        return run.size() >= 3 && (run[run.size() - 2] == '9' || run[run.size() - 2] == '6');
    return last == '6' || last == '9' || last == '0' || last == '8';
}

// The word as sign-free text before its number, the number, and what follows it; none
// where the word is not a number with signs around it.
struct Parts {
    std::string before, run, after;
};
std::optional<Parts> numberIn(const std::string& word)
{
    const size_t first = word.find_first_of("0123456789");
    if (first == std::string::npos)
        return std::nullopt;
    size_t end = first;
    while (end < word.size() && (isDigit(word[end]) || word[end] == '.' || word[end] == ',' || word[end] == '%'))
        ++end;
    // A full stop or comma after the number ends the sentence, not the number.
    while (end > first && (word[end - 1] == '.' || word[end - 1] == ','))
        --end;
    Parts parts{word.substr(0, first), word.substr(first, end - first), word.substr(end)};
    for (const std::string* around : {&parts.before, &parts.after})
        for (const char c : *around)
            if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80)
                return std::nullopt;
    // Only a number with a decimal part is held against the ink. Whole numbers ending in
    // what the engine makes of a sign ("1996", "96%") are years and counts far more
    // often than signs misread, and small type sets their digits so close together
    // that two of them can look like the sign.
    const size_t separator = parts.run.find_first_of(".,");
    if (separator == std::string::npos || separator == 0 || parts.run.find_first_of(".,", separator + 1) != std::string::npos
        || separator + 1 >= parts.run.size() || !isDigit(parts.run[separator + 1]))
        return std::nullopt;
    // Three digits after a comma and nothing else group thousands ("1,096").
    if (parts.run[separator] == ',' && parts.run.size() == separator + 4
        && parts.run.find_first_not_of("0123456789", separator + 1) == std::string::npos)
        return std::nullopt;
    // A sign read inside the digits ("0.4%6") is the sign and a mark after it; but a
    // sign with only zeros after it ("9.7%0") is a per mille sign, its lower circle read
    // as a zero (PerMilleSigns.h), and no percent sign to cut it back to.
    const size_t sign = parts.run.find('%');
    if (sign != std::string::npos && sign + 1 < parts.run.size())
        return parts.run.find_first_not_of('0', sign + 1) == std::string::npos ? std::nullopt : std::optional<Parts>(parts);
    return mayEndInSign(parts.run) ? std::optional<Parts>(parts) : std::nullopt;
}

} // namespace

Readings::LineReading withPercentSigns(const Readings::LineReading& latin, const PercentSigns::SignInk& ink)
{
    if (!ink)
        return latin;
    Readings::LineReading mended = latin;
    std::string text;
    size_t from = 0;
    bool changed = false;
    const HanVariantChoice::Box line{latin.box.left, latin.box.top, latin.box.right, latin.box.bottom};
    for (Readings::WordReading& word : mended.words) {
        const size_t at = latin.text.find(word.text, from);
        if (at == std::string::npos)
            return latin; // the words do not spell the line: leave it as read
        text += latin.text.substr(from, at - from);
        from = at + word.text.size();
        if (const std::optional<Parts> parts = numberIn(word.text)) {
            const HanVariantChoice::Box roughly{word.box.left, word.box.top, word.box.right, word.box.bottom};
            if (const auto number = ink(line, roughly, HanText::decoded(parts->run))) {
                const std::string withSign = HanText::encoded(*number) + '%';
                // The sign follows the decimal part: the ink taking it for the digits
                // right after the point is no reading of this number.
                const size_t point = withSign.find_first_of(".,");
                const bool decimal = point != std::string::npos && point + 1 < withSign.size() && isDigit(withSign[point + 1]);
                if (decimal && withSign != parts->run) {
                    word.text = parts->before + withSign + parts->after;
                    changed = true;
                }
            }
        }
        text += word.text;
    }
    if (!changed)
        return latin;
    mended.text = text + latin.text.substr(from);
    return mended;
}

} // namespace LatinPercentSigns
