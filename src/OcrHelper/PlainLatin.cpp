#include "OcrHelper/PlainLatin.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/PlainWitnesses.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace PlainLatin {

using namespace Readings;

namespace {

bool hasLetterOrDigit(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// The plain engine's words over `word`'s ink, as (line, word) in its reading order. A
// word of the plain reading one row tall lies only in some measure over a cell read as a tall
// column beside its row's other words ("34" in a column of single digits): a third of
// the smaller box is enough.
std::vector<std::pair<size_t, size_t>> plainWordsOver(const WordReading& word, const EngineReading& plain)
{
    std::vector<std::pair<size_t, size_t>> over;
    for (size_t i = 0; i < plain.lines.size(); ++i)
        for (size_t j = 0; j < plain.lines[i].words.size(); ++j)
            if (overlap(word.box, plain.lines[i].words[j].box) * 3 >= 1.0)
                over.emplace_back(i, j);
    return over;
}

// Whether the plain engine's `read` is sure enough to stand for ideographs over it: read
// surely, or, with digits, read the same by the Latin engine (its `latin` lines) at the
// place. The plain engine holds the Chinese models too and reads real ideographs it
// doubts as Latin letters at times ("BS" for a heading's "噪音" at 58, which the Latin
// engine did not find).
bool standsForIdeographs(const WordReading& read, const std::vector<const LineReading*>& latin)
{
    if (read.confidence >= Thresholds::sureNumber)
        return true;
    const std::u32string own = PlainFloor::withDigits(HanText::decoded(read.text));
    if (own.empty())
        return false;
    const std::vector<std::pair<std::u32string, float>> there = PlainFloor::otherReadings(read, latin);
    return std::any_of(there.begin(), there.end(), [&](const auto& other) {
        return other.first == own && other.second >= Thresholds::agreedNumber;
    });
}

// How many of the Chinese models (`scripts`) read ideographs over `word`'s ink. Each
// guesses at Latin ink in its own way ("wow由wo已人" where the other read
// "wwmNNPPpuawwmmPPe"); real ideographs both read alike, however unsurely ("尺寸" at 80
// and 73, where the plain and the Latin engine read "RY" at 94 and 93).
int modelsReadingIdeographs(const WordReading& word, const std::vector<EngineReading>& scripts)
{
    int models = 0;
    for (const EngineReading& script : scripts) {
        bool read = false;
        for (const LineReading& line : script.lines)
            for (const WordReading& other : line.words)
                read = read || (hanCount(other.text) > 0 && overlap(word.box, other.box) >= 0.5);
        models += read;
    }
    return models;
}

// What the plain engine read over `words`, the words of one cell, where it read all of
// them as Latin words surer than the ideographs among them; empty otherwise.
std::string plainLatinOf(const std::vector<const WordReading*>& words, const EngineReading& plain,
                         const std::vector<const LineReading*>& latin, const std::vector<EngineReading>& scripts)
{
    std::vector<std::pair<size_t, size_t>> all;
    bool ideographs = false;
    for (const WordReading* word : words) {
        const std::vector<std::pair<size_t, size_t>> over = plainWordsOver(*word, plain);
        if (over.empty())
            return {};
        const bool han = hanCount(word->text) > 0;
        ideographs = ideographs || han;
        if (han && (word->confidence >= Thresholds::sureIdeograph || modelsReadingIdeographs(*word, scripts) > 1))
            return {};
        for (const auto& [i, j] : over) {
            const WordReading& read = plain.lines[i].words[j];
            if (hanCount(read.text) > 0 || !hasLetterOrDigit(read.text) || read.confidence < Thresholds::plainLatinPlace
                || (han && read.confidence <= word->confidence) || !standsForIdeographs(read, latin))
                return {};
        }
        all.insert(all.end(), over.begin(), over.end());
    }
    if (!ideographs)
        return {};
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    std::string text;
    for (const auto& [i, j] : all)
        text += (text.empty() ? "" : " ") + plain.lines[i].words[j].text;
    return text;
}

} // namespace

std::string withPlainLatin(const LineMerge::PlacedLine& line, const EngineReading& plain, const std::vector<const LineReading*>& latin,
                           const std::vector<EngineReading>& scripts)
{
    if (line.words.empty() || line.boxes.empty() || hanCount(line.text) == 0)
        return line.text;
    // Where the cells start; a line put together without saying so is one cell.
    std::vector<size_t> starts = line.starts;
    if (starts.size() != line.boxes.size()) {
        if (line.boxes.size() != 1)
            return line.text;
        starts = {0};
    }
    // Each word in the cell it shares the most ink with.
    std::vector<std::vector<const WordReading*>> cells(line.boxes.size());
    for (const WordReading& word : line.words) {
        size_t best = 0;
        long long most = 0;
        for (size_t k = 0; k < line.boxes.size(); ++k)
            if (const long long shared = commonArea(word.box, line.boxes[k]); shared > most) {
                most = shared;
                best = k;
            }
        if (most > 0)
            cells[best].push_back(&word);
    }
    std::string text = line.text;
    // From the last cell on, so that the earlier ones' places hold.
    for (size_t k = starts.size(); k-- > 0;) {
        const size_t from = std::min(starts[k], text.size()), to = k + 1 < starts.size() ? std::min(starts[k + 1], text.size()) : text.size();
        const size_t first = text.find_first_not_of(' ', from);
        if (first == std::string::npos || first >= to)
            continue;
        const size_t end = text.find_last_not_of(' ', to - 1) + 1;
        if (hanCount(text.substr(first, end - first)) == 0 || cells[k].empty())
            continue;
        if (const std::string read = plainLatinOf(cells[k], plain, latin, scripts); !read.empty())
            text.replace(first, end - first, read);
    }
    return text;
}

} // namespace PlainLatin
