#include "OcrHelper/PercentSigns.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/PerMilleSigns.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>

namespace PercentSigns {

using Readings::LineReading;

namespace {

// Signs that follow a number and are none of the ways the models write a percent sign.
bool isOwnSign(char32_t c) { return c == U'‰' || c == U'‱' || c == U'°' || c == U'℃' || c == U'%'; }

// Digits, grouped by commas in threes or not at all, with perhaps one point and digits
// after it ("596", "1,284,600", "12.5").
bool isWellFormed(const std::u32string& run)
{
    const size_t point = run.find(U'.');
    const std::u32string whole = run.substr(0, point);
    if (point != std::u32string::npos
        && (point + 1 == run.size() || run.find_first_not_of(U"0123456789", point + 1) != std::u32string::npos))
        return false;
    if (whole.empty() || whole.find_first_not_of(U"0123456789,") != std::u32string::npos || whole.front() == U',')
        return false;
    // The groups after the first comma hold three digits each; the first one to three.
    size_t group = 0, groups = 0;
    for (size_t k = 0; k <= whole.size(); ++k) {
        if (k < whole.size() && whole[k] != U',') {
            ++group;
            continue;
        }
        if (group == 0 || group > 3 || (groups > 0 && group != 3))
            return groups == 0 && k == whole.size();
        ++groups;
        group = 0;
    }
    return true;
}

// Whether `run`, between `left` and `right` of the Han line, stands as read: the model
// read every word over it surely (Thresholds::supportedNumber), and the Latin engine read
// the same digits there, and no sign. Two models that read a number alike, one of them
// sure of it, are better evidence than the ink of a face the judge may not know.
bool numberSupported(const std::u32string& run, const LineReading& han, const LineReading& latin, int left, int right)
{
    bool any = false;
    for (const Readings::WordReading& word : han.words)
        if (word.box.right > left && word.box.left < right) {
            if (word.confidence < Thresholds::supportedNumber)
                return false;
            any = true;
        }
    const int pad = (han.box.bottom - han.box.top) / 2;
    std::u32string seen;
    for (const HanVariantChoice::Symbol& symbol : latin.characters.symbols) {
        const int middle = (symbol.box.left + symbol.box.right) / 2;
        if (middle < left - pad || middle > right + pad)
            continue;
        for (const char32_t c : HanText::decoded(symbol.text))
            if ((c >= U'0' && c <= U'9') || c == U'%')
                seen += c;
    }
    std::u32string digits = run;
    digits.erase(std::remove_if(digits.begin(), digits.end(), [](char32_t c) { return c < U'0' || c > U'9'; }), digits.end());
    return any && seen == digits;
}

} // namespace

std::string withPercentSigns(const LineReading& han, const LineReading& latin, const SignInk& ink)
{
    const std::vector<HanVariantChoice::Symbol>& symbols = han.characters.symbols;
    std::u32string text = HanText::decoded(han.text);
    std::vector<size_t> place;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != U' ' && text[i] != U'\t' && text[i] != U'\n')
            place.push_back(i);
    if (place.size() != symbols.size() || text.find_first_of(U"0123456789") == std::u32string::npos)
        return han.text;
    const auto isDigit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    // A number and what the models made of its sign: digits, points, signs and letters
    // with no blank between them.
    const auto inNumber = [&](char32_t c) {
        return isDigit(c) || c == U'.' || c == U',' || c == U'%' || c == U'@' || (c < 0x80 && std::isalpha(static_cast<unsigned char>(c)));
    };
    // How the Chinese models write a percent sign after digits, longest first. A lone
    // "9" ("6.0%" as "6.09") last: it is as often a digit of the number, and is taken for
    // the sign only where the Latin engine read a percent sign there after the same digits.
    static const std::u32string signs[] = {U"9%6", U"96", U"90", U"9%", U"9@", U"%6", U"%o", U"9o", U"@", U"9"};
    const int pad = (han.box.bottom - han.box.top) / 2;
    // The runs of digits and signs, last first, so that a change leaves the places of
    // the characters before it.
    for (size_t end = place.size(); end > 0;) {
        if (!inNumber(text[place[end - 1]])) {
            --end;
            continue;
        }
        size_t start = end - 1;
        while (start > 0 && inNumber(text[place[start - 1]]) && place[start - 1] + 1 == place[start])
            --start;
        size_t last = end;
        const size_t first = start;
        end = start;
        // A comma or full stop after the number ends the sentence, not the number.
        while (last > first && (text[place[last - 1]] == U'.' || text[place[last - 1]] == U','))
            --last;
        std::u32string run;
        for (size_t k = first; k < last; ++k)
            run += text[place[k]];
        while (!run.empty() && !isDigit(run.front()))
            run.erase(run.begin());
        if (run.empty())
            continue;
        // The model read a sign of the number's own right after it ("10‰"): its last
        // digit is a digit.
        const size_t after = place[last - 1] + 1;
        if (after < text.size() && isOwnSign(text[after]))
            continue;
        // A percent sign with both of a per mille sign's circles after it ("5.5%0o") is
        // that sign (PerMilleSigns.h). Not one circle, even before a full stop: the models
        // read "3%\u3002" as "3%o\u3002" too, the stop twice.
        if (const size_t sign = run.find(U'%');
            sign != std::u32string::npos && run.size() == sign + 3 && RuleSwitches::on(RuleSwitches::Rule::perMilleCircles)
            && PerMilleSigns::withCircles(HanText::encoded(run), HanText::encoded(run.substr(0, sign + 1))))
            continue;
        if (isWellFormed(run) && numberSupported(run, han, latin, symbols[first].box.left, symbols[last - 1].box.right))
            continue;
        // What the ink says, for a number that does not plainly end in a digit the
        // models read surely: one that ends in what they make of a sign ("96", "0",
        // "8"), or in that and one more digit for the full stop after it ("91965").
        const auto signLike = [](char32_t c) { return c == U'9' || c == U'6' || c == U'0' || c == U'8'; };
        if (run.find_first_not_of(U"0123456789.,") != std::u32string::npos || signLike(run.back())
            || (run.size() >= 3 && signLike(run[run.size() - 2]))) {
            size_t from = first;
            while (!isDigit(text[place[from]]))
                ++from;
            HanVariantChoice::Box roughly = symbols[from].box;
            for (size_t k = from; k < last; ++k) {
                roughly.left = std::min(roughly.left, symbols[k].box.left);
                roughly.right = std::max(roughly.right, symbols[k].box.right);
            }
            const HanVariantChoice::Box line{han.box.left, han.box.top, han.box.right, han.box.bottom};
            if (const auto number = ink(line, roughly, run)) {
                // All the models read after the digits is what they made of the sign
                // ("96", "%6", "qb"), at times with the full stop after it ("%o"). Where
                // they read none of it in the number, they read the sign apart, after a
                // mark they made of its first ring ("96\"%"): the mark and that sign go.
                const std::u32string withSign = *number + U'%';
                size_t through = place[last - 1] + 1;
                if (*number == run && through + 1 < text.size() && text[through + 1] == U'%' && text[through] != U' '
                    && !isDigit(text[through]) && !HanText::isHan(text[through]))
                    through += 2;
                text.replace(place[from], through - place[from], withSign);
                continue;
            }
        }
        std::u32string number, sign;
        for (const std::u32string& written : signs)
            if (run.size() > written.size() && run.compare(run.size() - written.size(), written.size(), written) == 0
                && isDigit(run[run.size() - written.size() - 1])) {
                number = run.substr(0, run.size() - written.size());
                sign = written;
                break;
            }
        if (number.empty())
            continue;
        const std::u32string withSign = number + U'%';
        // The Latin engine's digits and signs over the same stretch of the line.
        const int left = symbols[first].box.left - pad, right = symbols[last - 1].box.right + pad;
        std::u32string seen;
        for (const HanVariantChoice::Symbol& symbol : latin.characters.symbols) {
            const int middle = (symbol.box.left + symbol.box.right) / 2;
            const std::u32string c = HanText::decoded(symbol.text);
            if (middle >= left && middle <= right && c.size() == 1 && (isDigit(c[0]) || c[0] == U'.' || c[0] == U'%'))
                seen += c[0];
        }
        // A number ends at its sign: what the Latin engine read after it is the next word
        // or the full stop ("68.3%0" for "68.3%。").
        if (const size_t end = seen.rfind(U'%'); end != std::u32string::npos)
            seen.erase(end + 1);
        // Held against each other without their points, which the Latin engine reading
        // across ideographs may lose; the Chinese reading keeps them.
        const auto withoutPoints = [](std::u32string digits) {
            digits.erase(std::remove(digits.begin(), digits.end(), U'.'), digits.end());
            return digits;
        };
        seen = withoutPoints(seen);
        const auto endsWith = [&](const std::u32string& read) {
            const std::u32string what = withoutPoints(read);
            return seen.size() >= what.size() && seen.compare(seen.size() - what.size(), what.size(), what) == 0;
        };
        // The Latin engine's own reading of the digits is short of some at times (it
        // takes one beside an ideograph for a letter): the last of them, with the sign
        // after them, are enough.
        const std::u32string ourDigits = withoutPoints(withSign);
        const bool sameEnd = seen.size() >= 2 && seen.back() == U'%' && ourDigits.size() >= seen.size()
            && ourDigits.compare(ourDigits.size() - seen.size(), seen.size(), seen) == 0;
        // Where it read none of them, its sign alone does for a sign the Chinese models
        // wrote as two characters without one (a lone 9 may be a digit of its own).
        const bool signAlone = seen == U"%" && sign.size() == 2 && sign.find(U'%') == std::u32string::npos;
        if (!(endsWith(withSign) || sameEnd || signAlone) || endsWith(run))
            continue;
        // The run from its first digit on becomes the number with its sign.
        size_t from = first;
        while (!isDigit(text[place[from]]))
            ++from;
        text.replace(place[from], place[last - 1] - place[from] + 1, withSign);
    }
    return HanText::encoded(text);
}

} // namespace PercentSigns
