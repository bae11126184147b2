#include "OcrHelper/MisjudgedInk.h"

#include <algorithm>

namespace MisjudgedInk {

using Readings::Box;
using Readings::LineReading;
using Readings::WordReading;

namespace {

// Whether most of the ink in a box is ink a misjudged ground made: a word read there
// was read where the page is blank.
bool misjudgedInk(const Box& box, const Marked& marked)
{
    constexpr int faintestInk = 24;
    long long ink = 0, misjudged = 0;
    for (int y = std::max(0, box.top); y < std::min(marked.height, box.bottom); ++y)
        for (int x = std::max(0, box.left); x < std::min(marked.width, box.right); ++x) {
            const size_t at = size_t(y) * size_t(marked.width) + size_t(x);
            if (255 - marked.page[at] >= faintestInk) {
                ++ink;
                misjudged += marked.misjudged[at] != 0;
            }
        }
    return ink > 0 && misjudged * 2 > ink;
}

} // namespace

void dropMisjudgedWords(std::vector<LineReading>& lines, const Marked& marked)
{
    for (LineReading& line : lines) {
        std::vector<bool> drop;
        for (const WordReading& word : line.words)
            drop.push_back(misjudgedInk(word.box, marked));
        if (std::none_of(drop.begin(), drop.end(), [](bool d) { return d; }))
            continue;
        // The line's text is its words with what the engine put between them.
        std::string text;
        size_t cursor = 0;
        std::vector<WordReading> kept;
        std::vector<Box> dropped;
        for (size_t k = 0; k < line.words.size(); ++k) {
            WordReading& word = line.words[k];
            const size_t at = word.text.empty() ? std::string::npos : line.text.find(word.text, cursor);
            const size_t end = at == std::string::npos ? cursor : at + word.text.size();
            if (drop[k]) {
                dropped.push_back(word.box);
            } else {
                if (at != std::string::npos)
                    text += (text.empty() ? "" : line.text.substr(cursor, at - cursor)) + word.text;
                kept.push_back(std::move(word));
            }
            cursor = end;
        }
        line.text = text;
        line.words = std::move(kept);
        if (line.words.empty())
            continue;
        line.box = line.words.front().box;
        for (const WordReading& word : line.words) {
            line.box.left = std::min(line.box.left, word.box.left);
            line.box.top = std::min(line.box.top, word.box.top);
            line.box.right = std::max(line.box.right, word.box.right);
            line.box.bottom = std::max(line.box.bottom, word.box.bottom);
        }
        std::vector<HanVariantChoice::Symbol> symbols;
        for (HanVariantChoice::Symbol& symbol : line.characters.symbols) {
            const int middle = (symbol.box.left + symbol.box.right) / 2;
            if (std::none_of(dropped.begin(), dropped.end(), [&](const Box& box) { return middle >= box.left && middle < box.right; }))
                symbols.push_back(std::move(symbol));
        }
        line.characters.symbols = std::move(symbols);
        line.characters.box = {line.box.left, line.box.top, line.box.right, line.box.bottom};
    }
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const LineReading& line) { return line.text.empty(); }), lines.end());
}

} // namespace MisjudgedInk
