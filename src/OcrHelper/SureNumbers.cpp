#include "OcrHelper/PlainFloor.h"

#include "OcrHelper/CurrencyAmounts.h"
#include "OcrHelper/HanText.h"
#include "OcrHelper/LatinOverrule.h"
#include "OcrHelper/NumberPlaces.h"
#include "OcrHelper/PerMilleSigns.h"
#include "OcrHelper/PlainWitnesses.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/TextAlignment.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>

namespace PlainFloor {

using namespace Readings;
using RuleSwitches::Rule;

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
        bool guessed = false;   // stands only as the surest of the engines' guesses at its place
        bool held = false;      // read surer than every other reading of its place, and very surely
        bool minusAlike = false; // an amount's minus the Latin engine read too
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
            // A word the Latin engine read in pieces, cut at a sign it read apart or made
            // nothing of ("1280" "x" "800", or "1280" "800", for "1280x800"): its words
            // there are the word's own characters in order, none of them another reading.
            // One sign between each two pieces with digits: a word the plain engine ran
            // together from two ("12.5013.00", "100-240V~50/60" for "100-240 V ~ 50/60")
            // is cut where they meet or where more lies between them; nor a word of letters
            // before digits ("buffer." "resize(571);"), where the blank is the Latin
            // engine's to see.
            const auto cutAtASign = [&] {
                std::vector<std::u32string> pieces;
                for (const LineReading* line : others)
                    for (const WordReading& other : line->words)
                        if (overlap(word.box, other.box) > 0.5)
                            pieces.push_back(trimmed(HanText::decoded(other.text)));
                const auto hasDigit = [](const std::u32string& piece) { return std::any_of(piece.begin(), piece.end(), isDigit32); };
                if (pieces.size() < 2 || !hasDigit(pieces.front()) || !hasDigit(pieces.back()))
                    return false;
                size_t from = 0, lastDigits = 0;
                for (size_t k = 0; k < pieces.size(); ++k) {
                    const std::u32string& piece = pieces[k];
                    const size_t at = piece.empty() ? std::u32string::npos : token.find(piece, from);
                    if (at == std::u32string::npos || (k == 0 && at != 0) || std::any_of(token.begin() + std::ptrdiff_t(from), token.begin() + std::ptrdiff_t(at), isDigit32))
                        return false;
                    if (hasDigit(piece)) {
                        if (k > 0 && at != lastDigits + 1)
                            return false;
                        lastDigits = at + piece.size();
                    } else if (piece.size() > 1) {
                        return false;
                    }
                    from = at + piece.size();
                }
                return from == token.size();
            };
            const auto overrules = [&](const std::pair<std::u32string, float>& o) {
                return LatinOverrule::overrules(token, word.confidence, shaped, o.first, o.second, backedAt);
            };
            if (RuleSwitches::on(Rule::latinOverrule) && !inPieces() && !cutAtASign() && std::any_of(there.begin(), there.end(), overrules)) {
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
            // So does one the Latin engine ran into the strokes before it or into the next
            // cell's amount ("=\u00A5399.23", "\u00A522.50-\u00A5135.00"): the amount it read there is
            // the same, what it made of the ink beside it is none of it.
            const auto runOnAlike = [&] {
                if (!RuleSwitches::on(Rule::amountRunOn))
                    return false;
                for (const auto& o : there)
                    for (const std::string& one : CurrencyAmounts::amountsRunOn(HanText::encoded(o.first)))
                        if (alike(HanText::decoded(one)))
                            return true;
                return false;
            };
            if (const std::u32string amount = HanText::decoded(CurrencyAmounts::amount(HanText::encoded(token)));
                !amount.empty() && RuleSwitches::on(Rule::amountAlike)
                && (std::any_of(there.begin(), there.end(), [&](const auto& o) { return alike(o.first); }) || inPieces() || runOnAlike())) {
                const bool withMinus = amount[0] == U'-' || amount[0] == U'\u2212';
                const bool minusAlike = withMinus && std::any_of(there.begin(), there.end(), [&](const auto& o) { return o.first == token; });
                // Not where both engines read the minus and the plain engine surely, or both
                // fairly surely: the Chinese models made one ideograph of the minus and the
                // sign ("\u7AFA17.53" for "-\u00A517.53"), or of each ("\u4E86 \u81F3").
                const bool bothFairly = word.confidence >= Thresholds::agreedMinus && std::any_of(there.begin(), there.end(), [&](const auto& o) {
                    return o.first == token && o.second >= Thresholds::agreedMinus;
                });
                const bool whole = minusAlike && (word.confidence >= Thresholds::sureNumber || bothFairly) && RuleSwitches::on(Rule::sureMinus);
                const std::u32string body = withMinus && !whole ? amount.substr(1) : amount;
                if (const size_t sign = text.find(body); sign != std::u32string::npos) {
                    const bool minus = body.size() < amount.size();
                    sure.push_back({start + sign, start + sign + body.size(), true, true, false, false, true, minus, false, false, minus && minusAlike});
                    continue;
                }
            }
            const std::string number = wellFormedNumber(written);
            if (number.empty() || word.confidence < Thresholds::sureNumber) {
                // Any other word with digits stands where the plain engine is sure of it,
                // or where a single-language engine read the same at the same place.
                // The Latin engine writes a per mille sign as a percent sign alone. Not after
                // an ideograph: a Chinese sentence's full stop after a percentage is a circle
                // too ("\u589E\u52A012%o" for "\u589E\u52A012%\u3002"), which the Latin engine leaves out.
                const size_t inLine = HanText::decoded(line->text).find(text);
                const bool afterIdeograph = inLine != std::u32string::npos && inLine > 0 && HanText::isHan(HanText::decoded(line->text)[inLine - 1]);
                const bool agreed = RuleSwitches::on(Rule::agreedWord) && word.confidence >= Thresholds::agreedNumber
                    && std::any_of(there.begin(), there.end(), [&](const auto& o) {
                           return o.first == token
                               || (!afterIdeograph && PerMilleSigns::withCircles(HanText::encoded(token), HanText::encoded(o.first)));
                       });
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
                // A minus or a plus before the digits is no currency sign's reading ("-58.3%"
                // where the Latin engine, at 0, has "58.3%").
                const bool withSign = token.size() > 1 && std::u32string_view(U"-+\u2212").find(token[0]) != std::u32string_view::npos
                    && isDigit32(token[1]) && RuleSwitches::on(Rule::signedSurer);
                const bool surer = RuleSwitches::on(Rule::surerWord) && word.confidence >= Thresholds::surerThanLatin && !there.empty()
                    && (isDigit32(token.front()) || withSign)
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) {
                           return o.second + Thresholds::latinFarLessSure <= word.confidence && digitsOf(o.first) == digitsOf(token);
                       });
                // Nor one a Chinese model read the very same, surely and more surely than the
                // Latin engine read other digits there: it read a digit less or another
                // ("17.9" for "177.9") where the two others agree. Not where the Latin engine
                // read no digit: the Chinese models make the same digits of a percent sign
                // as the plain engine ("696" for "6%").
                const bool backed = RuleSwitches::on(Rule::backedWord) && backedAt >= Thresholds::sureNumber && !there.empty()
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) {
                           return !o.first.empty() && (o.first == token || LatinOverrule::backedAgainst(token, o.first, o.second, backedAt));
                       });
                // Nor one the Latin engine read over the same ink with some of its digits left
                // out ("7,489.50" for "77,489.50"): it ran two glyphs into one, where the plain
                // engine saw each of them.
                const auto overSameInk = [&] {
                    for (const LineReading* line : others)
                        for (const WordReading& other : line->words)
                            if (overlap(word.box, other.box) > 0.5
                                && 10 * (std::min(word.box.right, other.box.right) - std::max(word.box.left, other.box.left))
                                    < 9 * (word.box.right - word.box.left))
                                return false;
                    return true;
                };
                const bool seenWhole = RuleSwitches::on(Rule::digitsSeenWhole) && shaped && !there.empty()
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) { return LatinOverrule::digitsLeftOut(token, o.first); })
                    && overSameInk();
                // Nor a number with a sign before it where the Latin engine read the figure
                // alone, guessing ("72%" at 1 for "-72%", "46.80" at 0 for "\u00A546.80"), or
                // with a mark no number is written with for the sign ("\u201C1%" for "-1%"):
                // it lost the sign the plain engine saw. The Chinese models are no witness
                // either way: they read a yen sign as the letter it is drawn from and take
                // the digit beside it along ("Y46.89").
                const bool signSeen = RuleSwitches::on(Rule::signLeftOut) && word.confidence >= Thresholds::agreedNumber && !there.empty()
                    && std::all_of(there.begin(), there.end(), [&](const auto& o) {
                           return o.second < Thresholds::signLeftOutGuess && o.second < word.confidence
                               && LatinOverrule::signsLeftOut(token, o.first);
                       });
                const bool earned = word.confidence >= Thresholds::sureNumber || agreed || surer || backed || seenWhole || signSeen;
                const bool unopposed = !earned && RuleSwitches::on(Rule::unrivalledWord) && unrivalled(word, token, others, rivals.empty() ? others : rivals);
                // Very surely read, and at least as surely as each engine that read other
                // characters there, none of them a misreading the Chinese models share with
                // the plain engine: the surer guess at the same glyphs stands
                // (Thresholds::heldNumber).
                bool held = word.confidence >= Thresholds::heldNumber && RuleSwitches::on(Rule::heldDigits), readOtherwise = false;
                for (const LineReading* line : rivals)
                    for (const WordReading& other : line->words)
                        if (const std::u32string otherToken = withDigits(HanText::decoded(other.text));
                            overlap(word.box, other.box) > 0.5 && !otherToken.empty() && otherToken != token) {
                            readOtherwise = true;
                            held = held && LatinOverrule::backedAgainst(token, otherToken, other.confidence, word.confidence);
                        }
                held = held && readOtherwise;
                // The Latin engine's same digits back them against other digits too, however
                // unsure it was of the signs and letters around them.
                sure.push_back({start + offset, start + offset + token.size(), false, agreed || surer, !(earned || unopposed), false, false,
                                false, unopposed, held});
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
            // Where the rules read the doubted word itself, only the signs around it differ.
            if (size_t start = size_t(first), end = size_t(last) + 1; first >= 0 && read.compare(start, end - start, number) == 0)
                keepApart(read, lined, start, end, plainText, it->from, it->to);
            continue;
        }
        const auto loose = [&](size_t j) {
            return j < read.size() && !lined[j] && (it->number ? isDigit32(read[j]) : read[j] != U' ' && !HanText::isHan(read[j]));
        };
        // An ideograph alone before an amount that lines up with nothing of the plain
        // reading but the amount's own word ("\u4E8E\u00A532.50" for a wide "\uFFE5", where the
        // plain engine read "\u2018\u00A532.50"): the Chinese models' reading of the sign.
        size_t wordFrom = it->from;
        while (wordFrom > 0 && plainText[wordFrom - 1] != U' ')
            --wordFrom;
        // The Chinese models make "\u4E00" of a minus, as of a dash.
        const auto minusRead = [&](size_t j) {
            return it->minus && std::u32string_view(U"\u4E00\u2014\u2013\u2012\u2015\uFF0D").find(read[j]) != std::u32string_view::npos;
        };
        const auto signRead = [&](size_t j) {
            if (!it->amount || matched[j] || !HanText::isHan(read[j]) || (j > 0 && read[j - 1] != U' ') || minusRead(j)
                || !RuleSwitches::on(Rule::amountAlike))
                return false;
            for (size_t i = 0; i < at.size(); ++i)
                if (at[i] == int(j) && (i < wordFrom || i >= it->to))
                    return false;
            return true;
        };
        // Before an amount's sign, what the models made of the sign too ("#\u00A530.00"),
        // but not a minus the plain engine read.
        const auto looseBefore = [&](size_t j) {
            if (signRead(j))
                return true;
            if (!it->amount || lined[j] || read[j] == U' ' || HanText::isHan(read[j]))
                return loose(j);
            return !(it->minus && (read[j] == U'-' || read[j] == U'\u2212' || minusRead(j)));
        };
        while (from > 0 && looseBefore(from - 1))
            --from;
        // A minus the plain engine and the Latin engine both read before an amount is one,
        // where the rules' text has a dash or an ideograph's stroke in its place
        // ("\u4E00\u5168" for "-\u20AC").
        if (it->minusAlike && from > 0 && it->from > 0 && (plainText[it->from - 1] == U'-' || plainText[it->from - 1] == U'\u2212')
            && minusRead(from - 1) && (from < 2 || read[from - 2] == U' ')) {
            read[from - 1] = plainText[it->from - 1];
            lined[from - 1] = matched[from - 1] = true;
        }
        while (loose(to))
            ++to;
        if (it->number)
            dropStraySigns(read, lined, matched, from, to, first, last, number);
        if (!it->number) {
            // What lines up with the word may hold an ideograph the Chinese models made of
            // its currency sign ("\u516D5.52" for "\u00A515.52"), not ideographs alone: the
            // plain engine made "85" of "\u5BC6\u7801" as surely as of any number.
            size_t offset = 0;
            std::u32string token = trimmed(read.substr(from, to - from), &offset);
            if (std::none_of(token.begin(), token.end(), isDigit32))
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
            to = from + offset + token.size();
            // A mark lined up with a character of the word is the rules' reading of that
            // character, no quote around it ("\u201C1%" for "-1%").
            for (size_t i = it->from; i < it->to; ++i)
                if (at[i] >= int(from) && at[i] < int(from + offset))
                    offset = size_t(at[i]) - from;
            from += offset;
            token = read.substr(from, to - from);
            // Digits for digits, the plain engine's confidence alone is no better than the
            // Latin engine's reading: the Chinese models it holds make a "9" of a "0" in a
            // hash as surely as anything ("93b673f"). But for a word it read very surely,
            // and surer than each engine that read it otherwise ("-972,11" at 91 where the
            // Latin engine read "-972,41" at 65).
            // Not a word in a number's own shape ("7553", "00"): there the plain engine's
            // digits were right more often than the rules' on generated pages, and a
            // plain number is the floor the rules may not go below.
            const auto digitsOnly = [&] {
                if (it->witnessed || it->held || token.size() != number.size() || !wellFormedNumber(HanText::encoded(number)).empty())
                    return false;
                for (size_t k = 0; k < token.size(); ++k)
                    if (token[k] != number[k] && !(isDigit32(token[k]) && isDigit32(number[k])))
                        return false;
                return true;
            };
            if (RuleSwitches::on(Rule::digitsForDigits) && digitsOnly()) {
                if (token == number)
                    keepApart(read, lined, from, to, plainText, it->from, it->to);
                continue;
            }
        }
        const std::u32string there = read.substr(from, std::min(read.size(), to + 2) - from);
        // What lines up with the word itself may be it with a sign or an ideograph the
        // rules read for its last digits ("_7999\u5143" for "799975"), with more around it.
        const std::u32string core = read.substr(size_t(first), size_t(last) + 1 - size_t(first));
        // An ideograph the plain engine read after the number is none of its digits
        // ("476\u500B" where the rules' text has "47\u500B").
        size_t next = it->to;
        while (next < plainText.size() && plainText[next] == U' ')
            ++next;
        const bool after = next < plainText.size() && HanText::isHan(plainText[next]) && RuleSwitches::on(Rule::ideographApart);
        // Lined up with its last digit, that ideograph in the other script is still none of it.
        while (after && it->number && to > from + 1 && HanText::isHan(read[to - 1]))
            --to;
        const bool coreStands = !it->number && core != number
            && (standsFor(core, number, after)
                || standsFor(read.substr(size_t(first), std::min(read.size(), size_t(last) + 3) - size_t(first)), number, after));
        size_t end = to;
        if (!coreStands && !standsFor(read.substr(from, to - from), number, after) && !standsFor(there, number, after)) {
            read.replace(from, to - from, number);
            end = from + number.size();
        }
        if (read.compare(from, end - from, number) == 0)
            keepApart(read, lined, from, end, plainText, it->from, it->to);
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

} // namespace PlainFloor
