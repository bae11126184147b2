#include "OcrHelper/LineMerge.h"

#include "OcrHelper/CurrencyAmounts.h"
#include "OcrHelper/HanText.h"
#include "OcrHelper/LatinPercentSigns.h"
#include "OcrHelper/LoneNumbers.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/SignWords.h"
#include "OcrHelper/ReadingOrder.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>

namespace LineMerge {

using namespace Readings;
using RuleSwitches::Rule;

bool isHanLine(const LineReading& han, const LineReading* latin)
{
    const int ideographs = hanCount(han.text);
    if (!latin || ideographs >= 2)
        return true;
    if (ideographs == 0)
        return false;
    const auto ideograph = std::find_if(han.words.begin(), han.words.end(), [](const WordReading& word) { return hanCount(word.text) > 0; });
    if (ideograph == han.words.end() || ideograph->confidence < Thresholds::sureIdeograph)
        return false;
    // How sure the Latin engine is of what it read there: of the least sure of its words
    // over the place.
    const Box& place = ideograph->box;
    float latinThere = -1.0f;
    for (const WordReading& word : latin->words) {
        const int shared = std::min(place.right, word.box.right) - std::max(place.left, word.box.left);
        if (shared > 0 && shared * 2 >= std::min(place.right - place.left, word.box.right - word.box.left))
            latinThere = latinThere < 0 ? word.confidence : std::min(latinThere, word.confidence);
    }
    return latinThere < ideograph->confidence;
}

std::string withLatinWords(const LineReading& han, const LineReading& latin)
{
    std::string out;
    size_t cursor = 0;
    std::vector<bool> used(latin.words.size(), false);
    for (const WordReading& word : han.words) {
        const size_t at = han.text.find(word.text, cursor);
        if (word.text.empty() || at == std::string::npos || hanCount(word.text) > 0
            || std::none_of(word.text.begin(), word.text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        std::string replacement;
        bool sure = true;
        int covered = 0;
        const Readings::WordReading* only = nullptr;
        for (size_t i = 0; i < latin.words.size(); ++i) {
            // The lines are the same; what counts is where along it a word lies. A Latin
            // word reaching well beyond the Chinese engine's word took Han characters for
            // letters and is no better.
            const Box& other = latin.words[i].box;
            const int shared = std::min(word.box.right, other.right) - std::max(word.box.left, other.left);
            if (!used[i] && shared * 10 >= (other.right - other.left) * 7) {
                replacement += (replacement.empty() ? "" : " ") + latin.words[i].text;
                sure = sure && latin.words[i].confidence >= Thresholds::latinWordAmongHan;
                covered += std::max(0, shared);
                used[i] = true;
                only = replacement == latin.words[i].text ? &latin.words[i] : nullptr;
            }
        }
        if (only && RuleSwitches::on(Rule::currencyAmounts)) {
            if (const std::string amount = CurrencyAmounts::forHanWord(word, *only); !amount.empty()) {
                out += han.text.substr(cursor, at - cursor) + amount;
                cursor = at + word.text.size();
                continue;
            }
        }
        // A Latin reading its own engine doubts (letters it found in Han strokes) is no
        // better than the Chinese one, nor one of a part of the word only (the full stop
        // after a number, without the number).
        const auto digits = [](const std::string& t) { return std::count_if(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }); };
        if (replacement.empty() || !sure || covered * 2 < word.box.right - word.box.left
            || (digits(word.text) > 0 && digits(replacement) == 0))
            continue;
        // Nor, for a number among ideographs, one with letters or more digits: reading
        // across the ideographs, the Latin engine takes a stroke of the one beside the
        // number for a letter or one more digit ("1906号" as "19065,").
        const auto hasLetter = [](const std::string& t) { return std::any_of(t.begin(), t.end(), [](char c) { return c > 0 && std::isalpha(static_cast<unsigned char>(c)); }); };
        if (digits(word.text) > 0 && !hasLetter(word.text) && (hasLetter(replacement) || digits(replacement) > digits(word.text)))
            continue;
        out += han.text.substr(cursor, at - cursor) + replacement;
        cursor = at + word.text.size();
    }
    return out + han.text.substr(cursor);
}


std::vector<const LineReading*> linesOfPage(const std::vector<EngineReading>& readers, const EngineReading& reference)
{
    std::vector<const LineReading*> lines;
    for (const LineReading& line : reference.lines)
        lines.push_back(&line);
    for (const EngineReading& reader : readers) {
        if (&reader == &reference || !reader.started || !RuleSwitches::on(Rule::otherEnginesLines))
            continue;
        for (const LineReading& line : reader.lines) {
            const bool elsewhere = std::any_of(lines.begin(), lines.end(), [&](const LineReading* other) {
                return commonArea(line.box, other->box) > 0;
            });
            if (elsewhere || line.confidence < Thresholds::lostLine)
                continue;
            // Before the first line below it in its column, as the layout would have had it.
            const auto below = std::find_if(lines.begin(), lines.end(), [&](const LineReading* other) {
                return other->box.top > line.box.top && other->box.left < line.box.right && line.box.left < other->box.right;
            });
            lines.insert(below, &line);
        }
    }
    return lines;
}

namespace {

// `next` without what it starts with that `line` ends with: the glyphs both pieces of a
// line cut inside one read. A few characters at most; all of `next` where they differ.
std::string withoutOverlap(const std::string& line, const std::string& next)
{
    constexpr size_t most = 6;
    if (next.empty() || next[0] == ' ')
        return next;
    for (size_t k = std::min({most, line.size(), next.size()}); k > 0; --k)
        if (line.compare(line.size() - k, k, next, 0, k) == 0) {
            const size_t rest = next.find_first_not_of(' ', k);
            return rest == std::string::npos ? std::string() : next.substr(rest);
        }
    return next;
}

} // namespace

std::vector<PlacedLine> mergedLines(const std::vector<EngineReading>& readers, HanVariantChoice::Chooser& variants,
                                    const PercentSigns::SignInk& ink, const RulingLines::Lines& rulings,
                                    const NumberSeparators::SeparatorInk& separators, const PercentSigns::SignInk& latinInk,
                                    const RulingLines::Lines& rowRulings)
{
    const EngineReading* reference = nullptr;
    for (const EngineReading& reader : readers)
        if (reader.started && (!reference || reader.lines.size() > reference->lines.size()))
            reference = &reader;
    if (!reference)
        return {};
    std::vector<LineReading> chosenLines;
    std::vector<Box> readBoxes; // where each chosen reading itself lies
    const std::vector<const LineReading*> pageLines = linesOfPage(readers, *reference);
    for (const LineReading* const at : pageLines) {
        const LineReading& line = *at;
        // The same line as each engine read it.
        std::vector<std::pair<const EngineReading*, const LineReading*>> readings;
        // Where the first engine cut a line in two and another read it whole, that whole
        // reading belongs to the piece it shares most with; were it taken for both, the
        // line would come back twice, once in each script. A piece left without a Han
        // reading of its own, inside a Han engine's longer line, is read with that line.
        bool pieceOfHanLine = false;
        for (const EngineReading& reader : readers) {
            const LineReading* best = nullptr;
            double bestOverlap = 0.5;
            for (const LineReading& other : reader.lines) {
                const double o = overlap(line.box, other.box);
                if (o > bestOverlap) {
                    bestOverlap = o;
                    best = &other;
                }
            }
            if (!best)
                continue;
            const bool sharedMoreElsewhere = std::any_of(pageLines.begin(), pageLines.end(), [&](const LineReading* piece) {
                return piece != at && commonArea(piece->box, best->box) > commonArea(line.box, best->box);
            });
            if (!sharedMoreElsewhere)
                readings.emplace_back(&reader, best);
            else if (readsHan(reader.language) && best->box.left <= line.box.left && best->box.right >= line.box.right)
                pieceOfHanLine = true;
        }
        if (pieceOfHanLine
            && std::none_of(readings.begin(), readings.end(), [](const auto& reading) { return readsHan(reading.first->language); }))
            continue;
        // Simplified against Traditional is judged on the Han words alone: the Latin
        // words of a mixed line read about as well in either.
        const auto confidence = [](const LineReading& reading, bool han) {
            if (!han)
                return double(reading.confidence);
            double sum = 0;
            int count = 0;
            for (const WordReading& word : reading.words) {
                const int weight = hanCount(word.text);
                sum += double(word.confidence) * weight;
                count += weight;
            }
            return count > 0 ? sum / count : double(reading.confidence);
        };
        const auto mostConfident = [&](bool han) -> const LineReading* {
            const LineReading* chosen = nullptr;
            for (const auto& [reader, reading] : readings)
                if (readsHan(reader->language) == han && (!chosen || confidence(*reading, han) > confidence(*chosen, han)))
                    chosen = reading;
            return chosen;
        };
        const LineReading* hanReading = mostConfident(true);
        const LineReading* const chineseReading = hanReading;
        const LineReading* otherReading = mostConfident(false);
        // Which script each ideograph is in, the page's ink says.
        LineReading inItsScript = hanReading ? *hanReading : LineReading{};
        for (const auto& [reader, reading] : readings)
            if (hanReading && reading != hanReading && readsHan(reader->language) && RuleSwitches::on(Rule::hanVariants))
                inItsScript.text = variants.choose(inItsScript.text, inItsScript.characters, reading->text);
        hanReading = hanReading ? &inItsScript : nullptr;
        const bool isHan = hanReading && isHanLine(*hanReading, otherReading);
        // Where the Latin engine found no line there (small serif type), the ink alone
        // decides on a sign.
        if (isHan) {
            for (const auto& [reader, reading] : readings)
                if (reading != chineseReading && readsHan(reader->language) && RuleSwitches::on(Rule::numberSeparators))
                    inItsScript.text = NumberSeparators::withSeparatorsFromInk(inItsScript, *reading, separators);
            if (RuleSwitches::on(Rule::percentSigns))
                inItsScript.text = PercentSigns::withPercentSigns(inItsScript, otherReading ? *otherReading : LineReading{}, ink);
        }
        LineReading chosen = isHan ? *hanReading : otherReading ? *otherReading : line;
        if (!isHan && otherReading) {
            std::vector<const LineReading*> hanReadings;
            for (const auto& [reader, reading] : readings)
                if (readsHan(reader->language))
                    hanReadings.push_back(reading);
            const LineReading latin = RuleSwitches::on(Rule::latinPercentSigns) ? LatinPercentSigns::withPercentSigns(*otherReading, latinInk) : *otherReading;
            chosen.text = RuleSwitches::on(Rule::signWords) ? SignWords::withWordsForSigns(latin, hanReadings) : latin.text;
            if (const std::optional<std::string> number = LoneNumbers::numberRead(latin, hanReadings); number && RuleSwitches::on(Rule::loneNumbers))
                chosen.text = *number;
        }
        if (isHan && otherReading) {
            chosen.text = RuleSwitches::on(Rule::latinWords) ? withLatinWords(*hanReading, *otherReading) : hanReading->text;
            std::vector<std::string> others;
            for (const auto& [reader, reading] : readings)
                if (reading != chineseReading)
                    others.push_back(reading->text);
            if (RuleSwitches::on(Rule::fileNameDots))
                chosen.text = FileNames::withDotsPutBack(chosen.text, others);
        }
        if (RuleSwitches::on(Rule::rulings))
            RulingLines::dropRulings(chosen, rulings);
        readBoxes.push_back(chosen.box);
        chosen.box = line.box;
        chosenLines.push_back(std::move(chosen));
    }

    // A line the layout cut in two (a gap in its ink) comes back whole: a piece that
    // starts right after another's end, on the same baseline, continues it, whichever
    // of them the layout put first. Where the reading taken for the first piece is
    // another engine's of the whole line, the next piece is in it already, and is not
    // written twice ("price: float = 0.0 = 9.9"). The layout at times cuts a line inside
    // a glyph, which both pieces then read ("Her note used the word \"" and "d \"..."
    // where ..."; "double rate =" and "= 8.31;"): a piece that starts less than a line
    // height before the other's end continues it all the same, and what the two read
    // alike where they overlap is written once.
    const auto continues = [](const Box& line, const Box& next) {
        const int height = std::max(line.bottom - line.top, next.bottom - next.top);
        const int shared = std::min(line.bottom, next.bottom) - std::max(line.top, next.top);
        const int gap = next.left - line.right;
        return RuleSwitches::on(Rule::cutLines) && shared * 10 >= height * 6 && gap >= -height && gap * 2 <= height * 3 && next.right > line.right;
    };
    std::vector<bool> taken(chosenLines.size(), false);
    std::vector<LineReading> joined;
    for (size_t i = 0; i < chosenLines.size(); ++i) {
        bool continuation = false;
        for (size_t k = 0; k < chosenLines.size(); ++k)
            continuation = continuation || (k != i && !taken[k] && continues(chosenLines[k].box, chosenLines[i].box));
        if (taken[i] || continuation)
            continue;
        LineReading line = chosenLines[i];
        for (bool grew = true; grew;) {
            grew = false;
            for (size_t j = 0; j < chosenLines.size(); ++j) {
                if (j == i || taken[j] || !continues(line.box, chosenLines[j].box))
                    continue;
                const LineReading& piece = chosenLines[j];
                const int slack = (piece.box.bottom - piece.box.top) / 2;
                const bool readWith = readBoxes[i].left <= piece.box.left + slack && readBoxes[i].right >= piece.box.right - slack;
                const bool han = hanShare(line.text) > 0 && hanShare(piece.text) > 0;
                if (!readWith) {
                    line.text += (han ? "" : " ") + (piece.box.left < line.box.right - 2 ? withoutOverlap(line.text, piece.text) : piece.text);
                    line.words.insert(line.words.end(), piece.words.begin(), piece.words.end());
                }
                line.box = {line.box.left, std::min(line.box.top, piece.box.top), piece.box.right, std::max(line.box.bottom, piece.box.bottom)};
                line.characters.symbols.insert(line.characters.symbols.end(), piece.characters.symbols.begin(), piece.characters.symbols.end());
                taken[j] = grew = true;
            }
        }
        joined.push_back(std::move(line));
    }
    const ReadingOrder::Layout layout = ReadingOrder::layout(joined, rowRulings);
    std::vector<PlacedLine> placed;
    for (const size_t i : layout.order) {
        PlacedLine line;
        const auto readFrom = [&](size_t piece) { line.words.insert(line.words.end(), joined[piece].words.begin(), joined[piece].words.end()); };
        for (const std::ptrdiff_t number : {layout.number[i], layout.secondNumber[i]})
            if (number >= 0) {
                readFrom(size_t(number));
                line.starts.push_back(line.text.size());
                line.text += joined[size_t(number)].text + ' ';
                line.boxes.push_back(joined[size_t(number)].box);
            }
        line.text += std::string(size_t(layout.indent[i]), ' ');
        line.starts.push_back(line.text.size());
        line.text += joined[i].text;
        line.boxes.push_back(joined[i].box);
        readFrom(i);
        for (std::ptrdiff_t cell = layout.after[i]; cell >= 0; cell = layout.after[size_t(cell)]) {
            readFrom(size_t(cell));
            line.text += ' ';
            line.starts.push_back(line.text.size());
            line.text += joined[size_t(cell)].text;
            line.boxes.push_back(joined[size_t(cell)].box);
        }
        placed.push_back(std::move(line));
    }
    return placed;
}

std::string merge(const std::vector<EngineReading>& readers, HanVariantChoice::Chooser& variants, const PercentSigns::SignInk& ink,
                  const RulingLines::Lines& rulings, const NumberSeparators::SeparatorInk& separators,
                  const PercentSigns::SignInk& latinInk)
{
    std::string text;
    for (const PlacedLine& line : mergedLines(readers, variants, ink, rulings, separators, latinInk))
        text += line.text + '\n';
    return text;
}

} // namespace LineMerge
