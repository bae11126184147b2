#include "OcrHelper/Rereading.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace Rereading {

namespace {

std::u32string written(const std::string& text)
{
    std::u32string out;
    HanText::forEachCharacter(text, [&](char32_t c) {
        if (c != U' ' && c != U'\t')
            out += c;
    });
    return out;
}

size_t commonSubsequence(const std::u32string& a, const std::u32string& b)
{
    std::vector<size_t> row(b.size() + 1, 0), next(b.size() + 1, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        for (size_t j = 0; j < b.size(); ++j)
            next[j + 1] = a[i] == b[j] ? row[j] + 1 : std::max(row[j + 1], next[j]);
        std::swap(row, next);
    }
    return row[b.size()];
}

// The words of a text between its blanks, without the stops and commas after them.
std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, end - at);
        while (!word.empty() && (word.back() == '.' || word.back() == ',' || word.back() == ';' || word.back() == ':'))
            word.pop_back();
        if (!word.empty())
            out.push_back(word);
        at = end + 1;
    }
    return out;
}

// A number standing as a word of its own ("48213", "1,284,600", "0.4%"), not one among
// ideographs, whose misread signs the rules after mend.
bool isNumber(const std::string& word)
{
    return !word.empty() && std::isdigit(static_cast<unsigned char>(word.front()))
        && std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == ',' || c == '%'; });
}

} // namespace

bool standsFor(const Readings::LineReading& first, const Readings::LineReading& again)
{
    if (again.confidence < Thresholds::rereadLine)
        return false;
    const std::u32string before = written(first.text), after = written(again.text);
    // The first reading's last characters are where the layout cut the line, at times
    // through a glyph the engine then misread ("視" for the 祝 cut in half): they need
    // not come back.
    constexpr size_t cutEnd = 2;
    const std::u32string kept = before.size() > 2 * cutEnd ? before.substr(0, before.size() - cutEnd) : before;
    if (commonSubsequence(kept, after) * 10 < kept.size() * 8)
        return false;
    // A number the first reading holds as a word, the cut end aside, comes back whole.
    std::vector<std::string> numbersBefore = words(first.text);
    if (!numbersBefore.empty())
        numbersBefore.pop_back();
    const std::vector<std::string> wordsAfter = words(again.text);
    for (const std::string& word : numbersBefore)
        if (isNumber(word) && std::find(wordsAfter.begin(), wordsAfter.end(), word) == wordsAfter.end())
            return false;
    return true;
}

} // namespace Rereading
