#include "OcrHelper/LatinOverrule.h"

#include "OcrHelper/Thresholds.h"

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

// `latin` is `plain` with one or more of its digits left out, and nothing else changed.
bool digitsLeftOut(const std::u32string& plain, const std::u32string& latin)
{
    if (latin.empty() || latin.size() >= plain.size())
        return false;
    size_t j = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        if (j < latin.size() && plain[i] == latin[j])
            ++j;
        else if (!isDigit(plain[i]))
            return false;
    }
    return j == latin.size();
}

} // namespace

bool overrules(const std::u32string& plain, float plainConfidence, bool number, const std::u32string& latin, float latinConfidence)
{
    if (latin.empty() || latin == plain)
        return false;
    if (number && plainConfidence >= Thresholds::heldNumber
        && ((otherDigits(plain, latin) && latinConfidence < plainConfidence) || digitsLeftOut(plain, latin)))
        return false;
    return latinConfidence >= Thresholds::latinOverrules
        || (latinConfidence >= Thresholds::latinOverrulesAlike && latin.size() == plain.size());
}

} // namespace LatinOverrule
