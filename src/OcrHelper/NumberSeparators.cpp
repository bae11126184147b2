#include "OcrHelper/NumberSeparators.h"

#include "OcrHelper/HanText.h"

#include <algorithm>
#include <map>
#include <vector>

namespace NumberSeparators {

namespace {

using HanText::isDigit;
bool isSeparator(char32_t c) { return c == U'.' || c == U','; }

} // namespace

std::optional<char> separatorOnPage(HanVariantChoice::Page page, const HanVariantChoice::Box& line, int from, int to)
{
    const int left = std::max(0, from), right = std::min(page.width, to);
    const int top = std::max(0, line.top), bottom = std::min(page.height, line.bottom);
    if (right - left < 2 || bottom - top < 4)
        return std::nullopt;
    const auto grey = [&](int x, int y) { return int(page.grey[size_t(y) * size_t(page.width) + size_t(x)]); };
    int lightest = 0, darkest = 255;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            lightest = std::max(lightest, grey(x, y));
            darkest = std::min(darkest, grey(x, y));
        }
    constexpr int faintestContrast = 48;
    if (lightest - darkest < faintestContrast)
        return std::nullopt;
    // Each column's lowest ink, at least half as dark as the darkest; the digits all stand
    // on one baseline, the row most columns end on.
    std::vector<int> lowest;
    std::map<int, int> endingOn;
    for (int x = left; x < right; ++x) {
        int low = -1;
        for (int y = top; y < bottom; ++y)
            if ((lightest - grey(x, y)) * 2 >= lightest - darkest)
                low = y;
        lowest.push_back(low);
        if (low >= 0)
            ++endingOn[low];
    }
    if (endingOn.empty())
        return std::nullopt;
    const int baseline = std::max_element(endingOn.begin(), endingOn.end(), [](const auto& a, const auto& b) {
                             return a.second < b.second;
                         })->first;
    const bool below = std::any_of(lowest.begin(), lowest.end(), [&](int low) { return low > baseline; });
    return below ? ',' : '.';
}

std::string withSeparatorsFromInk(const Readings::LineReading& han, const Readings::LineReading& other, const SeparatorInk& ink)
{
    const std::vector<HanVariantChoice::Symbol>& symbols = han.characters.symbols;
    std::u32string text = HanText::decoded(han.text);
    std::vector<size_t> place; // of each symbol in the text
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != U' ' && text[i] != U'\t' && text[i] != U'\n')
            place.push_back(i);
    if (place.size() != symbols.size() || !ink)
        return han.text;
    const std::u32string theirs = HanText::decoded(other.text);
    // Where `number` stands whole in the other reading: not a piece of a longer number
    // (a separator with a digit beyond it goes on with the number; one without ends the
    // sentence).
    const auto continues = [&](size_t separator, size_t digit) {
        return separator < theirs.size() && digit < theirs.size() && isSeparator(theirs[separator]) && isDigit(theirs[digit]);
    };
    const auto standsInTheirs = [&](const std::u32string& number) {
        for (size_t at = theirs.find(number); at != std::u32string::npos; at = theirs.find(number, at + 1)) {
            const size_t end = at + number.size();
            const bool before = at > 0 && (isDigit(theirs[at - 1]) || (at > 1 && continues(at - 1, at - 2)));
            const bool after = end < theirs.size() && (isDigit(theirs[end]) || continues(end, end + 1));
            if (!before && !after)
                return true;
        }
        return false;
    };
    // The numbers, symbol by symbol: digits with exactly one separator among them.
    for (size_t first = 0; first < place.size();) {
        if (!isDigit(text[place[first]])) {
            ++first;
            continue;
        }
        size_t last = first;
        while (last + 1 < place.size() && place[last + 1] == place[last] + 1
               && (isDigit(text[place[last + 1]]) || (isSeparator(text[place[last + 1]]) && last + 2 < place.size()
                                                      && place[last + 2] == place[last + 1] + 1 && isDigit(text[place[last + 2]]))))
            ++last;
        const size_t next = last + 1;
        std::vector<size_t> separators;
        for (size_t k = first; k <= last; ++k)
            if (isSeparator(text[place[k]]))
                separators.push_back(k);
        if (separators.size() == 1) {
            const size_t k = separators.front();
            std::u32string number = text.substr(place[first], place[last] - place[first] + 1);
            std::u32string swapped = number;
            char32_t& sign = swapped[place[k] - place[first]];
            sign = sign == U'.' ? U',' : U'.';
            if (standsInTheirs(swapped) && !standsInTheirs(number)) {
                const HanVariantChoice::Box& a = symbols[first].box;
                const HanVariantChoice::Box& b = symbols[last].box;
                const HanVariantChoice::Box line{han.box.left, han.box.top, han.box.right, han.box.bottom};
                if (const std::optional<char> seen = ink(line, (a.left + a.right) / 2, (b.left + b.right) / 2))
                    text[place[k]] = char32_t(*seen);
            }
        }
        first = next;
    }
    return HanText::encoded(text);
}

} // namespace NumberSeparators
