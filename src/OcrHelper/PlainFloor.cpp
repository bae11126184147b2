#include "OcrHelper/PlainFloor.h"

#include "OcrHelper/CellEdges.h"
#include "OcrHelper/HanText.h"
#include "OcrHelper/LostCells.h"
#include "OcrHelper/PerMilleSigns.h"
#include "OcrHelper/PlainLatin.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>

namespace PlainFloor {

using namespace Readings;
using RuleSwitches::Rule;

std::string inItsScript(const LineReading& line, const std::vector<EngineReading>& scripts, HanVariantChoice::Chooser& variants)
{
    if (hanCount(line.text) == 0 || !RuleSwitches::on(Rule::hanVariants))
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

std::string text(const std::vector<LineMerge::PlacedLine>& laidOut, const EngineReading& plain, const std::vector<EngineReading>& scripts,
                 HanVariantChoice::Chooser& variants, const std::vector<EngineReading>& others)
{
    const std::vector<LineMerge::PlacedLine> merged = RuleSwitches::on(Rule::lostCells) ? LostCells::withLostCells(laidOut, plain, others) : laidOut;
    const auto within = [](const Box& part, const std::vector<Box>& boxes) {
        long long shared = 0;
        for (const Box& box : boxes)
            shared += commonArea(part, box);
        return part.area() > 0 && shared * 2 >= part.area();
    };
    // A line's box takes in ink the engine read as none of its words (a ruling, a mark
    // below it) and may then lie as much outside the rules' line as in it; its words say
    // where its text is.
    const auto placedIn = [&](const LineReading& part, const std::vector<Box>& boxes) {
        if (within(part.box, boxes))
            return true;
        long long shared = 0, area = 0;
        for (const WordReading& word : part.words) {
            area += word.box.area();
            for (const Box& box : boxes)
                shared += commonArea(word.box, box);
        }
        return area > 0 && shared * 2 >= area;
    };
    std::vector<const LineReading*> latinLines;
    for (const EngineReading& engine : others)
        if (!readsHan(engine.language))
            for (const LineReading& line : engine.lines)
                latinLines.push_back(&line);
    std::vector<bool> used(plain.lines.size(), false);
    std::vector<std::string> lines;
    std::vector<Box> firstBox;
    for (const LineMerge::PlacedLine& line : merged) {
        // The plain reading's lines at this line's place, in the order of its pieces.
        std::vector<const LineReading*> here;
        for (const Box& box : line.boxes) {
            const size_t piece = here.size();
            for (size_t i = 0; i < plain.lines.size(); ++i)
                if (!used[i] && placedIn(plain.lines[i], {box})) {
                    here.push_back(&plain.lines[i]);
                    used[i] = true;
                }
            // Cells of one row the layout read apart, left to right.
            std::stable_sort(here.begin() + std::ptrdiff_t(piece), here.end(),
                             [](const LineReading* a, const LineReading* b) { return a->box.left < b->box.left; });
        }
        for (size_t i = 0; i < plain.lines.size(); ++i)
            if (!used[i] && placedIn(plain.lines[i], line.boxes)) {
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
        const std::string text = RuleSwitches::on(Rule::plainLatin) ? PlainLatin::withPlainLatin(line, plain, latinLines, scripts) : line.text;
        lines.push_back(withSureNumbers(text, here, alongside, rivals));
    }
    // The plain engine's sure lines the rules' text left out, before the first line
    // below each in its column.
    for (size_t i = 0; i < plain.lines.size(); ++i) {
        const LineReading& line = plain.lines[i];
        if (used[i] || line.confidence < Thresholds::lostLine || !RuleSwitches::on(Rule::plainLines))
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
    for (std::string line : lines) {
        if (RuleSwitches::on(Rule::perMilleSigns))
            line = PerMilleSigns::withPerMilleSigns(line);
        out += (RuleSwitches::on(Rule::cellEdges) ? CellEdges::withoutEdgeMarks(line) : line) + '\n';
    }
    return out;
}

} // namespace PlainFloor
