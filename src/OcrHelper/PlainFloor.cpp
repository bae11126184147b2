#include "OcrHelper/PlainFloor.h"

#include "OcrHelper/CellEdges.h"
#include "OcrHelper/CurrencyAmounts.h"
#include "OcrHelper/HanText.h"
#include "OcrHelper/LatinOverrule.h"
#include "OcrHelper/LostCells.h"
#include "OcrHelper/PerMilleSigns.h"
#include "OcrHelper/TextAlignment.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <regex>
#include <string_view>

namespace PlainFloor {

using namespace Readings;

namespace {

// The leading and trailing signs a number is written with, as UTF-8.
const std::vector<std::string>& leadingSigns()
{
    static const std::vector<std::string> signs{"(", "[", "-", "+", "#", "$", "\u20AC", "\u00A5", "\uFFE5", "\u00A3", "\u2212", "\uFF08"};
    return signs;
}
const std::vector<std::string>& trailingSigns()
{
    static const std::vector<std::string> signs{")", "]", "%", "\u2030", ",", ".", ";", ":", "\uFF09", "\uFF0C", "\u3002", "\uFF05"};
    return signs;
}

bool strip(std::string& word, const std::vector<std::string>& signs, bool front)
{
    for (const std::string& sign : signs) {
        if (word.size() <= sign.size())
            continue;
        if (front && word.compare(0, sign.size(), sign) == 0) {
            word.erase(0, sign.size());
            return true;
        }
        if (!front && word.compare(word.size() - sign.size(), sign.size(), sign) == 0) {
            word.erase(word.size() - sign.size());
            return true;
        }
    }
    return false;
}

} // namespace

std::string wellFormedNumber(const std::string& word)
{
    std::string number = word;
    while (strip(number, leadingSigns(), true)) {
    }
    while (strip(number, trailingSigns(), false)) {
    }
    static const std::regex shapes(R"(\d{1,3}(,\d{3})+(\.\d+)?|\d+(\.\d+)?|\d{1,2}:\d{2}(:\d{2})?)");
    return std::regex_match(number, shapes) ? number : std::string();
}

std::string inItsScript(const LineReading& line, const std::vector<EngineReading>& scripts, HanVariantChoice::Chooser& variants)
{
    if (hanCount(line.text) == 0)
        return line.text;
    std::string text = line.text;
    HanVariantChoice::Line characters = line.characters;
    for (const EngineReading& script : scripts) {
        const LineReading* same = nullptr;
        double best = 0.5;
        for (const LineReading& other : script.lines)
            if (const double o = overlap(line.box, other.box); o > best) {
                best = o;
                same = &other;
            }
        if (!same)
            continue;
        const std::string chosen = variants.choose(text, characters, same->text);
        if (chosen == text)
            continue;
        // The characters follow the text, one for one, for the next script's turn.
        std::vector<char32_t> written;
        HanText::forEachCharacter(chosen, [&](char32_t c) {
            if (c != U' ' && c != U'\t' && c != U'\n')
                written.push_back(c);
        });
        if (written.size() != characters.symbols.size())
            return chosen;
        for (size_t i = 0; i < written.size(); ++i)
            characters.symbols[i].text = HanText::encoded(std::u32string(1, written[i]));
        text = chosen;
    }
    return text;
}

namespace {

bool isDigit32(char32_t c) { return c >= U'0' && c <= U'9'; }

// Whether `read` (what the rules' text has where the plain reading has `number`) is
// that number, or it with a sign or an ideograph in place of its last digit or two
// (a "%" or the "号" after it, which the plain engine took for digits), or with its
// separators the other way round ("1,580" for "1.580"), which the rules read from the
// ink.
bool standsFor(const std::u32string& read, const std::u32string& number)
{
    if (read == number)
        return true;
    // The yen sign the rules read from the Latin engine where the plain engine read the
    // letter it is drawn from ("Y69.50").
    if (read.size() == number.size() && read.size() > 1 && read[0] == U'\u00A5' && (number[0] == U'Y' || number[0] == U'y')
        && read.compare(1, std::u32string::npos, number, 1) == 0)
        return true;
    for (size_t cut = 1; cut <= 2 && cut < number.size(); ++cut) {
        const std::u32string head = number.substr(0, number.size() - cut);
        if (read.size() > head.size() && read.compare(0, head.size(), head) == 0) {
            const char32_t next = read[head.size()];
            if (next == U'%' || next == U'\u2030' || next == U'\uFF05' || HanText::isHan(next))
                return true;
        }
    }
    // The same value with thousands separators put in or left out ("1,284" for "1284"):
    // the rules' separators, where they group it right, are ink the plain engine missed;
    // where the plain engine grouped it, it saw them.
    const auto value = [](const std::u32string& text) {
        std::u32string out;
        for (const char32_t c : text)
            if (c != U',')
                out += c;
        return out;
    };
    const auto grouped = [](const std::u32string& text) {
        return std::regex_match(HanText::encoded(text), std::regex(R"(\d{1,3}(,\d{3})*(\.\d+)?)"));
    };
    const auto ungrouped = [](const std::u32string& text) { return std::regex_match(HanText::encoded(text), std::regex(R"(\d+(\.\d+)?)")); };
    if (value(read) == value(number) && grouped(read) && (grouped(number) || ungrouped(number)))
        return true;
    // The other way round only into a number's shape: "4.289,821.50" and "5.579.50" are
    // the Chinese models' points for the commas the plain engine read.
    if (read.size() != number.size() || wellFormedNumber(HanText::encoded(read)).empty())
        return false;
    for (size_t i = 0; i < read.size(); ++i) {
        const bool separators = (read[i] == U',' || read[i] == U'.') && (number[i] == U',' || number[i] == U'.');
        if (read[i] != number[i] && !separators)
            return false;
    }
    return true;
}

bool isSign(char32_t c)
{
    return std::u32string_view(U"-+~_$\u20AC\u00A5\uFFE5\u00A3\u2212\u2014\u2013").find(c) != std::u32string_view::npos;
}

// Where what lines up with a word of the plain reading (`first` to `last` in `read`) runs
// over blanks, the least-edit alignment has spread it over the cells beside it ("42,138.23
// +13% 83" for "42,138.23", its last digit matched in the next cell): a piece between
// blanks that holds the word itself is the word's place; else a piece at either end
// without a digit, in which nothing is the plain reading's own character ("\u3002" for
// the "\u00A5" of "\u00A510.50"), is none of it.
void narrowToItsPiece(const std::u32string& read, const std::vector<bool>& matched, int& first, int& last, const std::u32string& word)
{
    const auto blankIn = [&](int from, int to) {
        return std::find(read.begin() + from, read.begin() + to + 1, U' ') != read.begin() + to + 1;
    };
    if (first < 0 || !blankIn(first, last))
        return;
    const int wasFirst = first, wasLast = last;
    int from = first, to = last;
    while (from > 0 && read[size_t(from - 1)] != U' ')
        --from;
    while (size_t(to + 1) < read.size() && read[size_t(to + 1)] != U' ')
        ++to;
    for (size_t k = read.find(word, size_t(from)); k != std::u32string::npos && int(k + word.size()) <= to + 1;
         k = read.find(word, k + 1)) {
        const bool alone = (k == 0 || !isDigit32(read[k - 1])) && (k + word.size() >= read.size() || !isDigit32(read[k + word.size()]));
        if (alone) {
            first = int(k);
            last = int(k + word.size()) - 1;
            return;
        }
    }
    // Or a piece that is the number written otherwise, with its thousands separators
    // put in or left out ("1,648.24" for "1648.24"): the cell beside it is another's.
    for (int start = from; start <= to;) {
        int end = start;
        while (end <= to && read[size_t(end)] != U' ')
            ++end;
        if (end > start && standsFor(read.substr(size_t(start), size_t(end - start)), word)) {
            first = start;
            last = end - 1;
            return;
        }
        start = end + 1;
    }
    // The piece from `a` up to the next blank or `b`, inclusive.
    const auto noneOfIt = [&](int a, int b) {
        for (int k = a; k <= b; ++k)
            if (isDigit32(read[size_t(k)]) || (size_t(k) < matched.size() && matched[size_t(k)]))
                return false;
        return true;
    };
    for (int blank = first; blank <= last; ++blank)
        if (read[size_t(blank)] == U' ') {
            if (noneOfIt(first, blank - 1)) {
                first = blank;
                while (first <= last && read[size_t(first)] == U' ')
                    ++first;
            }
            break;
        }
    for (int blank = last; blank >= first; --blank)
        if (read[size_t(blank)] == U' ') {
            if (noneOfIt(blank + 1, last)) {
                last = blank;
                while (last >= first && read[size_t(last)] == U' ')
                    --last;
            }
            break;
        }
    if (first > last) {
        first = wasFirst;
        last = wasLast;
        return;
    }
    // Still over two pieces or more: where each but one is a cell's value of its own
    // (with a sign, a percent sign or a decimal part), the word is the one the most of
    // its characters line up with, and the others keep theirs.
    struct Piece {
        int from, to, matched = 0;
    };
    std::vector<Piece> pieces;
    for (int k = first; k <= last; ++k) {
        if (read[size_t(k)] == U' ')
            continue;
        if (k == first || read[size_t(k - 1)] == U' ')
            pieces.push_back({k, k});
        pieces.back().to = k;
        pieces.back().matched += size_t(k) < matched.size() && matched[size_t(k)];
    }
    if (pieces.size() < 2 || word.find(U' ') != std::u32string::npos)
        return;
    const auto best = std::max_element(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.matched < b.matched; });
    const auto aCell = [&](const Piece& piece) {
        const std::u32string text = read.substr(size_t(piece.from), size_t(piece.to - piece.from + 1));
        return std::any_of(text.begin(), text.end(), isDigit32)
            && (text.find_first_of(U"%‰.") != std::u32string::npos || isSign(text.front()));
    };
    for (auto it = pieces.begin(); it != pieces.end(); ++it)
        if (it != best && !aCell(*it))
            return;
    first = best->from;
    last = best->to;
}


bool isCurrency(char32_t c) { return std::u32string_view(U"$\u20AC\u00A5\uFFE5\u00A3").find(c) != std::u32string_view::npos; }

bool signPrefix(const std::u32string& signs)
{
    constexpr std::u32string_view one = U"-+$\u20AC\u00A5\uFFE5\u00A3\u2212";
    return (signs.size() == 1 && one.find(signs[0]) != std::u32string_view::npos)
        || (signs.size() == 2 && (signs[0] == U'-' || signs[0] == U'\u2212') && isCurrency(signs[1]));
}

// The signs right before a number's digits in the rules' text, from the first that is not
// the plain reading's own character there (a ruling, a dotted leader or a cell's edge read
// as "-", "~" or "_", lined up with nothing or with a digit of the word before): where no number is written with them ("~--\u20AC", "-_", "--") they
// give way to the plain reading's own signs, or to the currency sign they end in; where
// the plain engine surely read `number` with a currency sign of its own, one more sign
// before it goes too. A minus or a currency sign before a bare number stays: the plain
// engine loses those more often than the rules make them up.
void dropStraySigns(std::u32string& read, std::vector<bool>& lined, const std::vector<bool>& matched, size_t& from, size_t& to,
                    int& first, int& last, const std::u32string& number)
{
    size_t start = from;
    while (start > 0 && !(lined[start - 1] && start - 1 < matched.size() && matched[start - 1]) && isSign(read[start - 1]))
        --start;
    size_t digits = start;
    while (digits < to && isSign(read[digits]))
        ++digits;
    if (digits == start || digits == to)
        return;
    const std::u32string signs = read.substr(start, digits - start);
    std::u32string own;
    for (size_t k = 0; k < number.size() && isSign(number[k]); ++k)
        own += number[k];
    const bool endsWithOwn = signs.size() > own.size() && signs.compare(signs.size() - own.size(), own.size(), own) == 0;
    std::u32string kept;
    if (!signPrefix(signs))
        kept = signPrefix(own) && endsWithOwn ? own : isCurrency(signs.back()) ? std::u32string(1, signs.back()) : std::u32string();
    else if (!own.empty() && endsWithOwn)
        kept = own;
    else
        return;
    const size_t cut = signs.size() - kept.size();
    read.replace(start, signs.size(), kept);
    lined.erase(lined.begin() + std::ptrdiff_t(start), lined.begin() + std::ptrdiff_t(start + cut));
    first = size_t(first) >= digits ? first - int(cut) : int(start);
    from = start;
    to -= cut;
    last -= int(cut);
}

} // namespace

namespace {

// A word without the brackets, quotes and stops around it, where it holds a digit and no
// ideograph (a code, a hash, a date, a price with its currency, "IP67", "1280x1024");
// empty where it is something else.
constexpr std::u32string_view opening = U"([{<\"',;:\u201C\u2018\u00AB", closing = U")]}>\"'.,;:!?\u201D\u2019\u00BB";

// `word` without the brackets, quotes and stops around it, nor the blanks an engine at
// times writes into a word; `offset`, where that starts.
std::u32string trimmed(const std::u32string& word, size_t* offset = nullptr)
{
    size_t from = 0, to = word.size();
    while (from < to && (word[from] == U' ' || opening.find(word[from]) != std::u32string_view::npos))
        ++from;
    while (to > from && (word[to - 1] == U' ' || closing.find(word[to - 1]) != std::u32string_view::npos))
        --to;
    if (offset)
        *offset = from;
    return word.substr(from, to - from);
}

std::u32string withDigits(const std::u32string& word, size_t* offset = nullptr)
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
    for (const LineReading* line : others)
        for (const WordReading& other : line->words)
            if (overlap(word.box, other.box) > 0.5)
                out.emplace_back(withDigits(HanText::decoded(other.text)), other.confidence);
    return out;
}

// Dots between two letters, as in a file's or a host's name.
int namesDots(const std::u32string& text)
{
    const auto letter = [](char32_t c) { return c < 0x80 && std::isalpha(int(c)); };
    int dots = 0;
    for (size_t i = 1; i + 1 < text.size(); ++i)
        dots += text[i] == U'.' && letter(text[i - 1]) && letter(text[i + 1]) ? 1 : 0;
    return dots;
}

bool hasCurrency(const std::u32string& text) { return std::any_of(text.begin(), text.end(), isCurrency); }

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

} // namespace

std::string withSureNumbers(const std::string& merged, const std::vector<const LineReading*>& plain,
                            const std::vector<const LineReading*>& others, const std::vector<const LineReading*>& rivals)
{
    std::u32string read = HanText::decoded(merged), plainText;
    struct Sure {
        size_t from, to; // in plainText
        bool number;     // in a number's shape, with its signs
        bool witnessed = false; // read alike by the Latin engine
        bool signsOnly = false; // doubted: only the stray signs before it go
        bool overNoDigits = false; // stands only where the rules' text has no digit at its place
        bool amount = false;    // a currency amount, read with a minus before it or not
        bool minus = false;
        bool whole = false;     // read as one word more surely than the Latin engine read any piece of it
        bool guessed = false;   // stands only as the surest of the engines' guesses at its place
    };
    std::vector<Sure> sure;
    for (const LineReading* line : plain) {
        if (!plainText.empty())
            plainText += U' ';
        for (const WordReading& word : line->words) {
            if (!plainText.empty() && plainText.back() != U' ')
                plainText += U' ';
            const size_t start = plainText.size();
            // The plain engine at times writes the blank before a word into it.
            std::u32string text = HanText::decoded(word.text);
            text.erase(0, std::min(text.size(), text.find_first_not_of(U' ')));
            while (!text.empty() && text.back() == U' ')
                text.pop_back();
            plainText += text;
            size_t offset = 0;
            const std::u32string token = withDigits(text, &offset);
            if (token.empty())
                continue;
            const std::vector<std::pair<std::u32string, float>> there = otherReadings(word, others);
            // How surely a Chinese model read the very same word at its place.
            float backedAt = -1.0f;
            for (const LineReading* line : rivals)
                if (std::find(others.begin(), others.end(), line) == others.end())
                    for (const WordReading& other : line->words)
                        if (overlap(word.box, other.box) > 0.5 && withDigits(HanText::decoded(other.text)) == token)
                            backedAt = std::max(backedAt, other.confidence);
            // Another engine sure of another reading of the place (LatinOverrule.h).
            const std::string written = HanText::encoded(text);
            const bool shaped = !wellFormedNumber(written).empty();
            // An amount the Latin engine read in pieces, cut at its point ("\u00A532." "00" for
            // "\u00A532.00"): the same sign and digits, none of the pieces another reading.
            const auto inPieces = [&] {
                std::u32string joined;
                for (const auto& o : there)
                    joined += o.first;
                const auto figures = [](const std::u32string& text) {
                    std::u32string out;
                    std::copy_if(text.begin(), text.end(), std::back_inserter(out), [](char32_t c) { return isDigit32(c) || isCurrency(c); });
                    return out;
                };
                return there.size() > 1 && !joined.empty() && isCurrency(joined.front()) && figures(joined) == figures(token);
            };
            const auto overrules = [&](const std::pair<std::u32string, float>& o) {
                return LatinOverrule::overrules(token, word.confidence, shaped, o.first, o.second, backedAt);
            };
            if (!inPieces() && std::any_of(there.begin(), there.end(), overrules)) {
                sure.push_back({start + offset, start + offset + token.size(), false, false, true});
                continue;
            }
            // An amount the Latin engine read alike at its place, however unsure either
            // is of it: the Chinese models read its sign as an ideograph and take the digit
            // beside it along ("\u6C492.50" for "\u00A512.50"). A minus before it is a
            // stroke of the sign where the rules' text has none.
            // So does one the Latin engine read with a minus the plain engine has not (it
            // makes a minus of a ruling's or a leader's ink before the sign), or in pieces.
            const auto alike = [&](const std::u32string& other) {
                return other == token || (other.size() == token.size() + 1 && (other[0] == U'-' || other[0] == U'\u2212') && other.substr(1) == token);
            };
            if (const std::u32string amount = HanText::decoded(CurrencyAmounts::amount(written));
                !amount.empty() && (std::any_of(there.begin(), there.end(), [&](const auto& o) { return alike(o.first); }) || inPieces())) {
                const std::u32string body = amount[0] == U'-' || amount[0] == U'\u2212' ? amount.substr(1) : amount;
                if (const size_t sign = text.find(body); sign != std::u32string::npos) {
                    sure.push_back({start + sign, start + sign + body.size(), true, true, false, false, true, body.size() < amount.size()});
                    continue;
                }
            }
            const std::string number = wellFormedNumber(written);
            // A percentage the plain engine read fairly surely, where no other engine read
            // a digit: nothing says its digits are wrong ("™%" for "7%").
            const bool percentAlone = !number.empty() && word.confidence >= Thresholds::surerThanLatin && text.back() == U'%'
                && std::all_of(there.begin(), there.end(), [](const auto& o) { return o.first.empty(); });
            if ((number.empty() || word.confidence < Thresholds::sureNumber) && !percentAlone) {
                // Any other word with digits stands where the plain engine is sure of it,
                // or where a single-language engine read the same at the same place.
                const bool agreed = word.confidence >= Thresholds::agreedNumber
                    && std::any_of(there.begin(), there.end(), [&](const auto& o) { return o.first == token; });
                // Nor is a reading of the place with the same digits that the Latin engine
                // itself doubts far more: only the signs and letters between them differ
                // ("1280*800"). One with other digits may hold a sign the plain engine
                // took for one ("~--\u20AC403.08" where it read "6403.08"), and a plain word
                // that starts with something else than a digit may be its reading of a
                // currency sign ("y18.22", "#646.23" for "\u00A5646.23").
                const auto digitsOf = [](const std::u32string& text) {
                    std::u32string out;
                    std::copy_if(text.begin(), text.end(), std::back_inserter(out), isDigit32);
                    return out;
                };
                const bool surer = word.confidence >= Thresholds::surerThanLatin && !there.empty() && isDigit32(token.front())
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) {
                           return o.second + Thresholds::latinFarLessSure <= word.confidence && digitsOf(o.first) == digitsOf(token);
                       });
                // Nor one a Chinese model read the very same, surely and more surely than the
                // Latin engine read other digits there: it read a digit less or another
                // ("17.9" for "177.9") where the two others agree. Not where the Latin engine
                // read no digit: the Chinese models make the same digits of a percent sign
                // as the plain engine ("696" for "6%").
                const bool backed = backedAt >= Thresholds::sureNumber && !there.empty()
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) {
                           return !o.first.empty() && (o.first == token || LatinOverrule::backedAgainst(token, o.first, o.second, backedAt));
                       });
                const bool earned = word.confidence >= Thresholds::sureNumber || agreed || surer || backed;
                const bool unopposed = !earned && unrivalled(word, token, others, rivals.empty() ? others : rivals);
                const bool whole = !there.empty()
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) { return o.second < word.confidence; });
                sure.push_back({start + offset, start + offset + token.size(), false, agreed, !(earned || unopposed), false, false,
                                false, whole, unopposed});
                continue;
            }
            size_t at = text.find(HanText::decoded(number));
            if (at == std::u32string::npos)
                continue;
            // With the currency and minus signs before it and a percent sign after it.
            size_t end = at + HanText::decoded(number).size();
            while (at > 0 && std::u32string_view(U"-+$\u20AC\u00A5\uFFE5\u00A3\u2212").find(text[at - 1]) != std::u32string_view::npos)
                --at;
            if (end < text.size() && (text[end] == U'%' || text[end] == U'\u2030'))
                ++end;
            sure.push_back({start + at, start + end, true, false, false, word.confidence < Thresholds::sureNumber});
        }
    }
    if (sure.empty())
        return merged;
    // Lined up without their blanks: the rules' text keeps a listing's and a table's
    // runs of blanks, the plain reading's words have one between them.
    const auto written = [](const std::u32string& text, std::vector<size_t>& places) {
        std::u32string out;
        for (size_t k = 0; k < text.size(); ++k)
            if (text[k] != U' ') {
                out += text[k];
                places.push_back(k);
            }
        return out;
    };
    std::vector<size_t> plainPlaces, readPlaces;
    const std::vector<int> lineUp = TextAlignment::alignment(written(plainText, plainPlaces), written(read, readPlaces));
    std::vector<int> at(plainText.size(), -1);
    for (size_t k = 0; k < lineUp.size(); ++k)
        if (lineUp[k] >= 0)
            at[plainPlaces[k]] = int(readPlaces[size_t(lineUp[k])]);
    std::vector<bool> lined(read.size(), false), matched(read.size(), false);
    for (size_t i = 0; i < at.size(); ++i)
        if (at[i] >= 0) {
            lined[size_t(at[i])] = true;
            matched[size_t(at[i])] = plainText[i] == read[size_t(at[i])];
        }
    // From the last to the first, so that the places before stay where they were.
    for (auto it = sure.rbegin(); it != sure.rend(); ++it) {
        const std::u32string number = plainText.substr(it->from, it->to - it->from);
        int first = -1, last = -1;
        for (size_t i = it->from; i < it->to; ++i)
            if (at[i] >= 0) {
                first = first < 0 ? at[i] : first;
                last = at[i];
            }
        narrowToItsPiece(read, matched, first, last, number);
        if (first < 0 && (it->signsOnly || it->overNoDigits))
            continue;
        if (first < 0) {
            // Nothing of it lines up: it goes before what follows it in the plain reading,
            // unless the rules' text has it elsewhere as often as the plain reading does.
            const auto count = [&](const std::u32string& text) {
                int n = 0;
                for (size_t k = text.find(number); k != std::u32string::npos; k = text.find(number, k + 1))
                    n += (k == 0 || !isDigit32(text[k - 1])) && (k + number.size() >= text.size() || !isDigit32(text[k + number.size()]));
                return n;
            };
            if (count(read) >= count(plainText))
                continue;
            size_t next = it->to;
            while (next < at.size() && at[next] < 0)
                ++next;
            const size_t place = next < at.size() ? size_t(at[next]) : read.size();
            // A word comes in as a word, with the blanks the plain reading has around it.
            // So does an amount, its currency sign first; and a number never runs into
            // the figures beside it.
            const bool asWord = !it->number || isCurrency(number.front());
            const auto figure = [](char32_t c) { return isDigit32(c) || isCurrency(c); };
            const bool blankBefore = place > 0 && (asWord || figure(read[place - 1])) && read[place - 1] != U' ' && !HanText::isHan(read[place - 1]);
            const bool blankAfter = place < read.size() && (asWord || figure(read[place])) && read[place] != U' ' && !HanText::isHan(read[place]);
            read.insert(place, (blankBefore ? U" " : U"") + number + (blankAfter ? U" " : U""));
            continue;
        }
        // The number in the rules' text runs on over the digits next to it that stand
        // for nothing of the plain reading; any other word with digits over all that
        // stands for nothing of it on either side ("2.1.s", "~--\u20AC1,245.71"), up to
        // a blank or an ideograph, without the stops and brackets around it.
        size_t from = size_t(first), to = size_t(last) + 1;
        if (it->overNoDigits) {
            const std::u32string piece = read.substr(from, to - from);
            if (std::any_of(piece.begin(), piece.end(), [](char32_t c) { return isDigit32(c) || HanText::isHan(c) || c == U' '; })
                || piece.back() != U'%') {
                dropStraySigns(read, lined, matched, from, to, first, last, {});
                continue;
            }
        }
        if (it->signsOnly) {
            // Even a doubted reading of the place shows where the word starts: no number
            // is written after "~--" or "-_".
            dropStraySigns(read, lined, matched, from, to, first, last, {});
            continue;
        }
        const auto loose = [&](size_t j) {
            return j < read.size() && !lined[j] && (it->number ? isDigit32(read[j]) : read[j] != U' ' && !HanText::isHan(read[j]));
        };
        // Before an amount's sign, what the models made of the sign too ("#\u00A530.00"),
        // but not a minus the plain engine read.
        const auto looseBefore = [&](size_t j) {
            if (!it->amount || lined[j] || read[j] == U' ' || HanText::isHan(read[j]))
                return loose(j);
            return !(it->minus && (read[j] == U'-' || read[j] == U'\u2212'));
        };
        while (from > 0 && looseBefore(from - 1))
            --from;
        while (loose(to))
            ++to;
        if (it->number)
            dropStraySigns(read, lined, matched, from, to, first, last, number);
        if (!it->number) {
            // What lines up with the word may hold an ideograph the Chinese models made of
            // its currency sign ("\u516D5.52" for "\u00A515.52"), not ideographs alone: the
            // plain engine made "85" of "\u5BC6\u7801" as surely as of any number.
            size_t offset = 0;
            const std::u32string token = trimmed(read.substr(from, to - from), &offset);
            // A word the rules read as two stays two: the plain engine runs words together
            // more often than it cuts one; not where the Latin engine read it as one, as
            // the plain engine did, nor where it read each piece less surely than the plain
            // engine read the whole ("buffer." and "resize(571);" at 12 for its
            // "buffer.resize(571);" at 90).
            if (std::none_of(token.begin(), token.end(), isDigit32)
                || (token.find(U' ') != std::u32string::npos && !it->witnessed && !it->whole))
                continue;
            // A guess stands for a guess, never for ideographs the rules read beside it,
            // nor does it make a letter of a digit the rules read ("9a3" for "933").
            if (it->guessed && std::any_of(token.begin(), token.end(), HanText::isHan))
                continue;
            // Nor one far from the rules' reading: two guesses that differ in more than a
            // character or two ("9x2a4deay" against "0x2addea") are not one word misread.
            if (it->guessed && TextAlignment::editDistance(token, number) > 2)
                continue;
            // The rules read a percent sign from the ink where the plain engine, doubting
            // its word, has digits ("396" for "3%").
            if (it->guessed && hasPercent(token) && !hasPercent(number))
                continue;
            if (it->guessed && token.size() == number.size()) {
                bool letterForDigit = false;
                for (size_t k = 0; k < token.size(); ++k)
                    letterForDigit = letterForDigit || (isDigit32(token[k]) && !isDigit32(number[k]));
                if (letterForDigit)
                    continue;
            }
            from += offset;
            to = from + token.size();
            // Digits for digits, the plain engine's confidence alone is no better than the
            // Latin engine's reading: the Chinese models it holds make a "9" of a "0" in a
            // hash as surely as anything ("93b673f").
            const auto digitsOnly = [&] {
                if (it->witnessed || token.size() != number.size())
                    return false;
                for (size_t k = 0; k < token.size(); ++k)
                    if (token[k] != number[k] && !(isDigit32(token[k]) && isDigit32(number[k])))
                        return false;
                return true;
            };
            if (digitsOnly())
                continue;
        }
        const std::u32string there = read.substr(from, std::min(read.size(), to + 2) - from);
        // What lines up with the word itself may be it with a sign or an ideograph the
        // rules read for its last digits ("_7999\u5143" for "799975"), with more around it.
        const std::u32string core = read.substr(size_t(first), size_t(last) + 1 - size_t(first));
        const bool coreStands = !it->number && core != number
            && (standsFor(core, number) || standsFor(read.substr(size_t(first), std::min(read.size(), size_t(last) + 3) - size_t(first)), number));
        size_t end = to;
        if (!coreStands && !standsFor(read.substr(from, to - from), number) && !standsFor(there, number)) {
            read.replace(from, to - from, number);
            end = from + number.size();
        }
        // Two numbers the plain reading has apart stay apart ("863 2071 4459"), and a
        // word before a number stays apart from it ("North 9").
        const auto inWord = [&](char32_t c) {
            return it->number ? isDigit32(c) || isCurrency(c)
                              : c != U' ' && c < 0x3000 && opening.find(c) == std::u32string_view::npos
                    && closing.find(c) == std::u32string_view::npos;
        };
        if (it->to < plainText.size() && plainText[it->to] == U' ' && end < read.size() && inWord(read[end]) && inWord(read[end - 1]))
            read.insert(end, 1, U' ');
        const auto letter = [](char32_t c) { return c < 0x80 && std::isalnum(int(c)); };
        if (it->from > 0 && plainText[it->from - 1] == U' ' && from > 0 && from < read.size()
            && (it->number ? letter(read[from - 1]) && (letter(read[from]) || isCurrency(read[from])) : inWord(read[from - 1]) && inWord(read[from])))
            read.insert(from, 1, U' ');
    }
    return HanText::encoded(read);
}

std::string text(const std::vector<LineMerge::PlacedLine>& laidOut, const EngineReading& plain, const std::vector<EngineReading>& scripts,
                 HanVariantChoice::Chooser& variants, const std::vector<EngineReading>& others)
{
    const std::vector<LineMerge::PlacedLine> merged = LostCells::withLostCells(laidOut, plain);
    const auto within = [](const Box& part, const std::vector<Box>& boxes) {
        long long shared = 0;
        for (const Box& box : boxes)
            shared += commonArea(part, box);
        return part.area() > 0 && shared * 2 >= part.area();
    };
    std::vector<bool> used(plain.lines.size(), false);
    std::vector<std::string> lines;
    std::vector<Box> firstBox;
    for (const LineMerge::PlacedLine& line : merged) {
        // The plain reading's lines at this line's place, in the order of its pieces.
        std::vector<const LineReading*> here;
        for (const Box& box : line.boxes) {
            const size_t piece = here.size();
            for (size_t i = 0; i < plain.lines.size(); ++i)
                if (!used[i] && within(plain.lines[i].box, {box})) {
                    here.push_back(&plain.lines[i]);
                    used[i] = true;
                }
            // Cells of one row the layout read apart, left to right.
            std::stable_sort(here.begin() + std::ptrdiff_t(piece), here.end(),
                             [](const LineReading* a, const LineReading* b) { return a->box.left < b->box.left; });
        }
        for (size_t i = 0; i < plain.lines.size(); ++i)
            if (!used[i] && within(plain.lines[i].box, line.boxes)) {
                here.push_back(&plain.lines[i]);
                used[i] = true;
            }
        // The Latin engine's lines over the same place. The Chinese engines' are no
        // second opinion on a word with digits: the plain engine holds their models and
        // makes the same "6" of a "\u20AC" as they do.
        std::vector<const LineReading*> alongside;
        for (const EngineReading& engine : others)
            for (const LineReading& other : engine.lines)
                if (!readsHan(engine.language))
                if (std::any_of(here.begin(), here.end(), [&](const LineReading* own) { return commonArea(own->box, other.box) > 0; }))
                    alongside.push_back(&other);
        std::vector<const LineReading*> rivals;
        for (const EngineReading& engine : others)
            for (const LineReading& other : engine.lines)
                if (std::any_of(here.begin(), here.end(), [&](const LineReading* own) { return commonArea(own->box, other.box) > 0; }))
                    rivals.push_back(&other);
        firstBox.push_back(line.boxes.empty() ? Box{} : line.boxes.front());
        lines.push_back(withSureNumbers(line.text, here, alongside, rivals));
    }
    // The plain engine's sure lines the rules' text left out, before the first line
    // below each in its column.
    for (size_t i = 0; i < plain.lines.size(); ++i) {
        const LineReading& line = plain.lines[i];
        if (used[i] || line.confidence < Thresholds::lostLine)
            continue;
        const bool covered = std::any_of(merged.begin(), merged.end(), [&](const LineMerge::PlacedLine& other) {
            return std::any_of(other.boxes.begin(), other.boxes.end(), [&](const Box& box) { return commonArea(line.box, box) > 0; });
        });
        if (covered)
            continue;
        size_t at = 0;
        while (at < firstBox.size()
               && !(firstBox[at].top > line.box.top && firstBox[at].left < line.box.right && line.box.left < firstBox[at].right))
            ++at;
        lines.insert(lines.begin() + std::ptrdiff_t(at), inItsScript(line, scripts, variants));
        firstBox.insert(firstBox.begin() + std::ptrdiff_t(at), line.box);
    }
    std::string out;
    for (const std::string& line : lines)
        out += CellEdges::withoutEdgeMarks(PerMilleSigns::withPerMilleSigns(line)) + '\n';
    return out;
}

} // namespace PlainFloor
