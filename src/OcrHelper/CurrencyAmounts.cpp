#include "OcrHelper/CurrencyAmounts.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/NumberPlaces.h"
#include "OcrHelper/PlainFloor.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace CurrencyAmounts {

namespace {

using PlainFloor::isCurrency;
bool isMinus(char32_t c) { return c == U'-' || c == U'\u2212'; }

std::u32string digitsOf(const std::u32string& text)
{
    std::u32string out;
    for (const char32_t c : text)
        if (c >= U'0' && c <= U'9')
            out += c;
    return out;
}

} // namespace

std::string amount(const std::string& word)
{
    std::u32string text = HanText::decoded(word);
    while (!text.empty() && (text.front() == U' ' || text.front() == U'\t'))
        text.erase(text.begin());
    while (!text.empty() && (text.back() == U' ' || text.back() == U'\t'))
        text.pop_back();
    const size_t sign = !text.empty() && isMinus(text.front()) ? 1 : 0;
    if (text.size() <= sign + 1 || !isCurrency(text[sign]))
        return {};
    const std::string number = HanText::encoded(text.substr(sign + 1));
    return PlainFloor::wellFormedNumber(number) == number ? HanText::encoded(text) : std::string();
}

std::vector<std::string> amountsRunOn(const std::string& word)
{
    const std::u32string text = HanText::decoded(word);
    if (!amount(word).empty())
        return {};
    // Between the amounts, and before the first, only what an engine makes of strokes.
    const auto strokes = [&](size_t from, size_t to) {
        return std::all_of(text.begin() + std::ptrdiff_t(from), text.begin() + std::ptrdiff_t(to), [](char32_t c) {
            return !HanText::isDigit(c) && !(c < 0x80 && std::isalpha(int(c))) && !HanText::isHan(c) && c != U' ';
        });
    };
    std::vector<size_t> signs;
    for (size_t i = 0; i < text.size(); ++i)
        if (isCurrency(text[i]))
            signs.push_back(i);
    if (signs.empty() || !strokes(0, signs.front()))
        return {};
    std::vector<std::string> out;
    for (size_t k = 0; k < signs.size(); ++k) {
        const size_t from = signs[k] > 0 && isMinus(text[signs[k] - 1]) ? signs[k] - 1 : signs[k];
        const size_t next = k + 1 < signs.size() ? signs[k + 1] : text.size();
        size_t to = signs[k] + 1;
        while (to < next && (text[to] == U'.' || text[to] == U',' || HanText::isDigit(text[to])))
            ++to;
        // A stop or a comma after the figure belongs to the strokes after it.
        while (to > signs[k] + 1 && (text[to - 1] == U'.' || text[to - 1] == U','))
            --to;
        const std::string one = HanText::encoded(text.substr(from, to - from));
        if (amount(one).empty() || !strokes(to, next))
            return {};
        out.push_back(one);
    }
    return out;
}

std::string forHanWord(const Readings::WordReading& han, const Readings::WordReading& latin)
{
    const std::string read = amount(latin.text);
    if (read.empty())
        return {};
    const std::u32string ours = HanText::decoded(read), theirs = HanText::decoded(han.text);
    // The yen sign read as the letter it is drawn from, before the very same figures: the
    // Chinese models are no surer of the letter than of the sign.
    const std::u32string figures = ours.substr(isMinus(ours.front()) ? 1 : 0);
    if (figures.front() == U'\u00A5' && (theirs == U"Y" + figures.substr(1) || theirs == U"y" + figures.substr(1)))
        return HanText::encoded(figures);
    if (latin.confidence <= han.confidence)
        return {};
    const std::u32string all = digitsOf(ours), kept = digitsOf(theirs);
    if (kept.empty() || all.size() < kept.size() || all.compare(all.size() - kept.size(), kept.size(), kept) != 0)
        return {};
    const bool minusSeen = std::any_of(theirs.begin(), theirs.end(), [&](char32_t c) { return isMinus(c); });
    return isMinus(ours.front()) && !minusSeen ? HanText::encoded(ours.substr(1)) : read;
}

} // namespace CurrencyAmounts
