#include "OcrHelper/NumberPlaces.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/PlainFloor.h"
#include "OcrHelper/PlainWitnesses.h"
#include "OcrHelper/RuleSwitches.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <string_view>

namespace PlainFloor {

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


bool signPrefix(const std::u32string& signs)
{
    constexpr std::u32string_view one = U"-+$\u20AC\u00A5\uFFE5\u00A3\u2212";
    return (signs.size() == 1 && one.find(signs[0]) != std::u32string_view::npos)
        || (signs.size() == 2 && (signs[0] == U'-' || signs[0] == U'\u2212') && isCurrency(signs[1]));
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

bool isDigit32(char32_t c) { return c >= U'0' && c <= U'9'; }

// Whether `read` (what the rules' text has where the plain reading has `number`) is
// that number, or it with a sign or an ideograph in place of its last digit or two
// (a "%" or the "号" after it, which the plain engine took for digits), or with its
// separators the other way round ("1,580" for "1.580"), which the rules read from the
// ink.
bool standsFor(const std::u32string& read, const std::u32string& number, bool ideographAfter)
{
    if (read == number)
        return true;
    // The yen sign the rules read from the Latin engine where the plain engine read the
    // letter it is drawn from ("Y69.50").
    using RuleSwitches::Rule;
    if (RuleSwitches::on(Rule::yenForY) && read.size() == number.size() && read.size() > 1 && read[0] == U'\u00A5' && (number[0] == U'Y' || number[0] == U'y')
        && read.compare(1, std::u32string::npos, number, 1) == 0)
        return true;
    for (size_t cut = 1; RuleSwitches::on(Rule::signForDigits) && cut <= 2 && cut < number.size(); ++cut) {
        const std::u32string head = number.substr(0, number.size() - cut);
        // A percent sign the plain engine read is no digit it made of one: "27.34%o" is
        // the per mille sign's reading, and "27.34%" loses its circle. Not where the rules
        // read that circle as something after the sign ("12%\u3002", a full stop the plain
        // engine took for the circle).
        if (const size_t sign = number.find_first_of(U"%\u2030\uFF05", head.size());
            sign != std::u32string::npos && sign + 1 < number.size() && (read.size() <= sign + 1 || read[sign + 1] == U' '))
            break;
        if (read.size() > head.size() && read.compare(0, head.size(), head) == 0) {
            const char32_t next = read[head.size()];
            if (next == U'%' || next == U'\u2030' || next == U'\uFF05' || (HanText::isHan(next) && !ideographAfter))
                return true;
        }
    }
    // Separators the other way round, only into a number's shape: "4.289,821.50" and
    // "5.579.50" are the Chinese models' points for the commas the plain engine read.
    if (!RuleSwitches::on(Rule::separatorsSwapped) || read.size() != number.size() || wellFormedNumber(HanText::encoded(read)).empty())
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
    // Or a piece that is the number written otherwise (a sign for its last digits, its
    // separators the other way round): the cell beside it is another's.
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
    if (!RuleSwitches::on(RuleSwitches::Rule::strayFloorSigns))
        return;
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

void keepApart(std::u32string& read, const std::vector<bool>& lined, size_t& from, size_t& end, const std::u32string& plainText,
               size_t plainFrom, size_t plainTo)
{
    // Only a number's: a name's or a call's stop before it (".append(365)") is the word's.
    if (!RuleSwitches::on(RuleSwitches::Rule::gluedSigns) || from >= end || end > read.size() || plainFrom >= plainText.size()
        || !(isDigit32(plainText[plainFrom]) || isSign(plainText[plainFrom]) || plainText[plainFrom] == U'#'))
        return;
    const auto alnum = [](char32_t c) { return (c < 0x80 && std::isalnum(int(c))) || HanText::isHan(c); };
    // A sign that is no part of a number's writing on either side of it.
    const auto stray = [&](char32_t c) {
        return c != U' ' && !alnum(c) && !isCurrency(c) && std::u32string_view(U"#-+\u2212\u2013\u2014/%\u2030\uFF05").find(c) == std::u32string_view::npos;
    };
    // After the word: the plain reading's next word starts with the sign the rules glued on
    // ("4 +" of a listing's gutter and its diff mark).
    if (plainTo + 1 < plainText.size() && plainText[plainTo] == U' ' && end < read.size() && read[end] == plainText[plainTo + 1]
        && (stray(read[end]) || read[end] == U'+') && closing.find(read[end]) == std::u32string_view::npos)
        read.insert(end, 1, U' ');
    // Before it, the signs whether or not the plain reading has them too: where it has
    // them, it has them as a word of their own ("| 165 Hz").
    size_t start = from;
    while (start > 0 && from - start < 3 && stray(read[start - 1]) && opening.find(read[start - 1]) == std::u32string_view::npos)
        --start;
    // Only signs that start a word of the rules' text: between letters they are the word's.
    if (start == from || (start > 0 && read[start - 1] != U' ' && !HanText::isHan(read[start - 1])))
        return;
    size_t wordStart = plainFrom;
    while (wordStart > 0 && plainText[wordStart - 1] != U' ')
        --wordStart;
    const std::u32string own = plainText.substr(wordStart, plainFrom - wordStart);
    if (!own.empty()) {
        if (std::any_of(own.begin(), own.end(), alnum))
            return;
        read.replace(start, from - start, own);
    } else if (std::any_of(lined.begin() + std::ptrdiff_t(std::min(start, lined.size())),
                           lined.begin() + std::ptrdiff_t(std::min(from, lined.size())), [](bool b) { return b; })) {
        read.insert(from, 1, U' ');
        start = from + 1;
    } else {
        read.erase(start, from - start);
        if (start > 0 && read[start - 1] != U' ' && wordStart > 0)
            read.insert(start++, 1, U' ');
    }
    const size_t length = end - from;
    from = start + own.size();
    end = from + length;
}

} // namespace PlainFloor
