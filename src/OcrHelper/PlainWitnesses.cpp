#include "OcrHelper/PlainWitnesses.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/NumberPlaces.h"
#include "OcrHelper/PlainFloor.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace PlainFloor {

using namespace Readings;
using RuleSwitches::Rule;

namespace {

bool isLatinLetter(char32_t c) { return c < 0x80 && std::isalpha(int(c)); }

// Dots between two letters, as in a file's or a host's name.
int namesDots(const std::u32string& text)
{
    int dots = 0;
    for (size_t i = 1; i + 1 < text.size(); ++i)
        dots += text[i] == U'.' && isLatinLetter(text[i - 1]) && isLatinLetter(text[i + 1]) ? 1 : 0;
    return dots;
}

bool hasCurrency(const std::u32string& text) { return std::any_of(text.begin(), text.end(), isCurrency); }

// `token`, the one of `other`'s text from `offset` on, as `plain` where it differs from it
// only in characters the engine weighed the plain engine's one for, nearly as well as its
// own ("14:63:20", its "6" at 96 and a "0" at 86, for the plain engine's "14:03:20"):
// torn between the two, it is no reading against the plain engine's.
std::u32string weighedAs(const WordReading& other, const std::u32string& token, size_t offset, const std::u32string& plain)
{
    const std::u32string text = HanText::decoded(other.text);
    if (token == plain || other.weighed.size() != text.size() || offset + token.size() > text.size())
        return token;
    for (size_t k = 0; k < text.size(); ++k)
        if (HanText::decoded(other.weighed[k].text) != std::u32string(1, text[k]))
            return token;
    // One glyph read twice, as a character and the next one it weighed as that character
    // nearly as well ("27T%o" for "27%o", its "T" weighed a "7" at 84): the second is no
    // character of its own.
    if (token.size() == plain.size() + 1) {
        for (size_t k = 1; k < token.size(); ++k) {
            if (token[k] == token[k - 1] || token.compare(0, k, plain, 0, k) != 0 || token.compare(k + 1, std::u32string::npos, plain, k) != 0)
                continue;
            const auto& next = other.weighed[offset + k].next;
            if (std::any_of(next.begin(), next.end(), [&](const auto& choice) {
                    const std::u32string weighed = HanText::decoded(choice.first);
                    return choice.second >= Thresholds::weighedAlike
                        && (weighed == std::u32string(1, token[k - 1])
                            || (RuleSwitches::on(Rule::glyphReadAhead) && k + 1 < token.size() && weighed == std::u32string(1, token[k + 1])));
                }))
                return plain;
        }
        return token;
    }
    if (token.size() != plain.size())
        return token;
    // Not a "9" or a "6" for its "0", nor a "6" for its "8": the Chinese models the plain
    // engine holds make those of round digits as surely as they read any. The other way
    // round the plain engine was mostly right: leaving out every pair of round digits
    // left more numbers on generated pages that only the plain reading read exactly.
    // Nor a digit for a letter the Latin engine read among digits, a unit's or a code's
    // ("28G"): it weighs the digit drawn alike next, and the plain engine's models, which
    // know few Latin letters, read that digit.
    const auto misread = [](char32_t read, char32_t latin) {
        return ((read == U'9' || read == U'6') && latin == U'0') || (read == U'6' && latin == U'8') || (isDigit32(read) && isLatinLetter(latin));
    };
    for (size_t i = 0; i < token.size(); ++i) {
        if (token[i] == plain[i])
            continue;
        if (misread(plain[i], token[i]))
            return token;
        const auto& next = other.weighed[offset + i].next;
        if (std::none_of(next.begin(), next.end(), [&](const auto& choice) {
                return choice.second >= Thresholds::weighedAlike && HanText::decoded(choice.first) == std::u32string(1, plain[i]);
            }))
            return token;
    }
    return plain;
}

} // namespace

// `word` without the brackets, quotes and stops around it, nor the blanks an engine at
// times writes into a word; `offset`, where that starts.
std::u32string trimmed(const std::u32string& word, size_t* offset)
{
    // The edge of the box a value is written in, or a Chinese bracket, read beside it
    // ("|\u300C100%", "[93%") is none of the value, at either end.
    static constexpr std::u32string_view edges = U"|\u300C\u300D\u300E\u300F\u3010\u3011\uFF08\uFF09";
    size_t from = 0, to = word.size();
    while (from < to && (word[from] == U' ' || opening.find(word[from]) != std::u32string_view::npos || edges.find(word[from]) != std::u32string_view::npos))
        ++from;
    while (to > from && (word[to - 1] == U' ' || closing.find(word[to - 1]) != std::u32string_view::npos || edges.find(word[to - 1]) != std::u32string_view::npos))
        --to;
    if (offset)
        *offset = from;
    return word.substr(from, to - from);
}

std::u32string withDigits(const std::u32string& word, size_t* offset)
{
    const std::u32string token = trimmed(word, offset);
    if (std::none_of(token.begin(), token.end(), isDigit32) || std::any_of(token.begin(), token.end(), HanText::isHan))
        return {};
    return token;
}

// How the single-language engines read the place of `word`: the tokens of their words
// over it, each with its confidence.
std::vector<std::pair<std::u32string, float>> otherReadings(const WordReading& word, const std::vector<const LineReading*>& others)
{
    std::vector<std::pair<std::u32string, float>> out;
    const std::u32string own = withDigits(HanText::decoded(word.text));
    for (const LineReading* line : others)
        for (const WordReading& other : line->words)
            if (overlap(word.box, other.box) > 0.5) {
                size_t offset = 0;
                const std::u32string token = withDigits(HanText::decoded(other.text), &offset);
                out.emplace_back(weighedAs(other, token, offset, own), other.confidence);
            }
    return out;
}

bool hasPercent(const std::u32string& text) { return text.find_first_of(U"%\u2030\uFF05") != std::u32string::npos; }


// Whether the plain engine read `word` (its `token`, with a digit) at least as surely as
// every other reading of its place that differs from it (`rivals`: the single-language
// engines' words over it, letters alone too): where the other readings are its guesses,
// the plain engine's own guess is the floor. Only where the Latin engine (`latin`) read
// the place at all: the Chinese models make the same "6" of a "\u20AC" as the plain engine
// does. Not for a price after a letter or a sign ("y233.10", "#48.28", "el186.60"), nor
// where another engine read a currency sign the plain engine has not: the plain engine
// makes digits, letters and other signs of a currency sign however surely. An amount
// stands so only against readings of the same figure, with or without its minus and
// separators. Nor where another reading has a percent sign the plain
// engine has not ("5.590o" for "5.5\u2030"), a dot it has not, or signs around the word
// that it has not ("~/src$" for its "~/src").
bool unrivalled(const WordReading& word, const std::u32string& token, const std::vector<const LineReading*>& latin,
                const std::vector<const LineReading*>& rivals)
{
    const auto over = [&](const WordReading& other) { return overlap(word.box, other.box) > 0.5; };
    if (std::none_of(latin.begin(), latin.end(), [&](const LineReading* line) { return std::any_of(line->words.begin(), line->words.end(), over); }))
        return false;
    // An amount: its signs (a currency sign, a minus) and its figure, separators aside.
    const auto split = [](const std::u32string& text) {
        const size_t digit = size_t(std::find_if(text.begin(), text.end(), isDigit32) - text.begin());
        std::u32string figure;
        std::copy_if(text.begin() + std::ptrdiff_t(digit), text.end(), std::back_inserter(figure), [](char32_t c) { return c != U','; });
        return std::pair{text.substr(0, digit), figure};
    };
    // A percentage is left to the rules that read percent signs from the ink: the plain
    // engine makes digits of the sign ("189%" for "18%").
    if (hasPercent(token))
        return false;
    const bool amount = hasCurrency(token);
    // Named apart: a lambda below takes the signs, which a structured binding cannot give it.
    const auto parts = split(token);
    const std::u32string &signs = parts.first, &figure = parts.second;
    if (amount
        && (wellFormedNumber(HanText::encoded(token.substr(signs.size()))).empty()
            || !std::all_of(signs.begin(), signs.end(), [](char32_t c) { return isCurrency(c) || c == U'-' || c == U'\u2212'; })))
        return false;
    for (size_t lead = 1; !amount && lead <= 2 && lead < token.size() && !isDigit32(token[lead - 1]); ++lead)
        if (const std::string price = wellFormedNumber(HanText::encoded(token.substr(lead)));
            !price.empty() && price.find('.') != std::string::npos)
            return false;
    for (const LineReading* line : rivals)
        for (const WordReading& other : line->words) {
            if (!over(other))
                continue;
            const std::u32string text = trimmed(HanText::decoded(other.text));
            if (text == token)
                continue;
            if (other.confidence > word.confidence || (hasPercent(text) && !hasPercent(token)))
                return false;
            // Nor where another reading has a dot it has not: the Chinese model drops a
            // name's dot ("mailcn" for "mail.cn") more often than another engine makes one up.
            if (namesDots(text) > namesDots(token))
                return false;
            // A word without a digit over an amount, less sure than it, is a reading of its
            // currency sign apart from its figure ("\u00A5" or "\u5BF9" before "115.92").
            if (amount && std::none_of(text.begin(), text.end(), isDigit32))
                continue;
            if (amount) {
                // Only its minus and separators may differ, and the currency sign go
                // missing: a currency sign of its own is another reading of the sign.
                const auto [otherSigns, otherFigure] = split(text);
                if (otherFigure != figure
                    || std::any_of(otherSigns.begin(), otherSigns.end(),
                                   [&](char32_t c) { return isCurrency(c) && signs.find(c) == std::u32string::npos; }))
                    return false;
                continue;
            }
            if (hasCurrency(text))
                return false;
            if (const size_t at = text.find(token); at != std::u32string::npos) {
                const auto alnum = [](char32_t c) { return c < 0x80 && std::isalnum(int(c)); };
                if (std::none_of(text.begin(), text.begin() + std::ptrdiff_t(at), alnum)
                    && std::none_of(text.begin() + std::ptrdiff_t(at + token.size()), text.end(), alnum))
                    return false;
            }
        }
    return true;
}

} // namespace PlainFloor
