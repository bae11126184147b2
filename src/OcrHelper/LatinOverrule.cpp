#include "OcrHelper/LatinOverrule.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/NumberPlaces.h"
#include "OcrHelper/PlainFloor.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace LatinOverrule {

namespace {

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// `latin` is `plain` with other digits for some of its digits, and nothing else changed.
bool otherDigits(const std::u32string& plain, const std::u32string& latin)
{
    if (latin.size() != plain.size())
        return false;
    for (size_t i = 0; i < plain.size(); ++i)
        if (plain[i] != latin[i] && !(isDigit(plain[i]) && isDigit(latin[i])))
            return false;
    return true;
}

// `latin` is `plain` with one or more of its digits (`digits`) or of its other
// characters left out, and nothing else changed.
bool leftOut(const std::u32string& plain, const std::u32string& latin, bool digits)
{
    if (latin.empty() || latin.size() >= plain.size())
        return false;
    size_t j = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        if (j < latin.size() && plain[i] == latin[j])
            ++j;
        else if (isDigit(plain[i]) != digits)
            return false;
    }
    return j == latin.size();
}

// Whether `plain` may be one of the misreadings the Chinese models share with the plain
// engine, `latin` its right reading: a currency sign, percent sign or colon the Latin
// engine read and they did not ("#19.39" for "\u00A519.39", "08.07" for "08:07"), a
// percentage (they make digits of its sign), a "9" for a "0" ("8388229" for "8388220")
// or a letter in the other case ("ttL" for "ttl").
bool sharedMisreading(const std::u32string& plain, const std::u32string& latin)
{
    const auto count = [](const std::u32string& text, char32_t c) { return std::count(text.begin(), text.end(), c); };
    constexpr std::u32string_view marks = U"$\u20AC\u00A5\uFFE5\u00A3%\u2030\uFF05:";
    if (plain.find_first_of(U"%\u2030\uFF05") != std::u32string::npos)
        return true;
    for (const char32_t mark : marks)
        if (count(latin, mark) > count(plain, mark))
            return true;
    if (latin.size() != plain.size())
        return count(plain, U'9') > count(latin, U'9') && latin.find(U'0') != std::u32string::npos;
    const auto lower = [](char32_t c) { return c < 0x80 ? char32_t(std::tolower(int(c))) : c; };
    for (size_t i = 0; i < plain.size(); ++i)
        if ((plain[i] == U'9' && latin[i] == U'0') || (plain[i] != latin[i] && lower(plain[i]) == lower(latin[i])))
            return true;
    return false;
}

// `latin` is `plain`, a number, with a comma for its point or a point for its comma, and
// no number's shape left.
bool separatorsMisread(const std::u32string& plain, const std::u32string& latin)
{
    if (latin.size() != plain.size() || PlainFloor::wellFormedNumber(HanText::encoded(plain)).empty()
        || !PlainFloor::wellFormedNumber(HanText::encoded(latin)).empty())
        return false;
    for (size_t i = 0; i < plain.size(); ++i)
        if (plain[i] != latin[i] && !((plain[i] == U'.' || plain[i] == U',') && (latin[i] == U'.' || latin[i] == U',')))
            return false;
    return true;
}

} // namespace

bool digitsLeftOut(const std::u32string& plain, const std::u32string& latin) { return leftOut(plain, latin, true); }

bool signsLeftOut(const std::u32string& plain, const std::u32string& latin)
{
    const auto isSign = [](char32_t c) { return c == U'-' || c == U'+' || c == U'\u2212' || PlainFloor::isCurrency(c); };
    size_t signs = 0;
    while (signs < plain.size() && isSign(plain[signs]))
        ++signs;
    if (signs == 0 || latin.empty() || plain.compare(signs, std::u32string::npos, latin) != 0)
        return false;
    std::u32string figure = latin;
    if (figure.back() == U'%' || figure.back() == U'\u2030')
        figure.pop_back();
    const std::string written = HanText::encoded(figure);
    return !written.empty() && PlainFloor::wellFormedNumber(written) == written;
}

bool backedAgainst(const std::u32string& plain, const std::u32string& latin, float latinConfidence, float backedAt)
{
    return backedAt >= 0 && backedAt >= latinConfidence && !sharedMisreading(plain, latin);
}

bool overrules(const std::u32string& plain, float plainConfidence, bool number, const std::u32string& latin, float latinConfidence,
               float backedAt)
{
    if (latin.empty() || latin == plain)
        return false;
    if (backedAgainst(plain, latin, latinConfidence, backedAt))
        return false;
    if (separatorsMisread(plain, latin))
        return false;
    if (number && plainConfidence >= Thresholds::heldNumber
        && ((otherDigits(plain, latin) && latinConfidence < plainConfidence) || digitsLeftOut(plain, latin)))
        return false;
    // Nor does a sure number give way to its own digits with a sign left out ("1943" for
    // "19:43"): the Latin engine saw no other character, it lost one.
    if (number && plainConfidence >= Thresholds::sureNumber && leftOut(plain, latin, false))
        return false;
    return latinConfidence >= Thresholds::latinOverrules
        || (latinConfidence >= Thresholds::latinOverrulesAlike && latin.size() == plain.size());
}

} // namespace LatinOverrule
