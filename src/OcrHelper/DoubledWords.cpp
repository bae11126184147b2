#include "OcrHelper/DoubledWords.h"

#include "OcrHelper/HanText.h"

#include <algorithm>

namespace DoubledWords {

namespace {

bool oneHoldsTheOther(const std::string& a, const std::string& b)
{
    return !a.empty() && !b.empty() && (a.find(b) != std::string::npos || b.find(a) != std::string::npos);
}

} // namespace

void dropDoubledWords(std::vector<Readings::LineReading>& lines, Evidence evidence)
{
    for (Readings::LineReading& line : lines) {
        std::vector<Readings::WordReading>& words = line.words;
        std::vector<bool> doubled(words.size(), false);
        for (size_t i = 0; i < words.size(); ++i)
            for (size_t j = 0; j < words.size() && !doubled[i]; ++j)
                if (i != j && !doubled[j] && Readings::overlap(words[i].box, words[j].box) >= sameInk
                    && (evidence == Evidence::ink || oneHoldsTheOther(words[i].text, words[j].text))
                    && (words[i].confidence < words[j].confidence || (words[i].confidence == words[j].confidence && i > j)))
                    doubled[i] = true;
        if (std::none_of(doubled.begin(), doubled.end(), [](bool d) { return d; }))
            continue;
        // The characters follow their words, where they can be told word by word.
        std::vector<size_t> written;
        size_t all = 0;
        for (const Readings::WordReading& word : words) {
            written.push_back(0);
            HanText::forEachCharacter(word.text, [&](char32_t c) { written.back() += c != U' '; });
            all += written.back();
        }
        if (all == line.characters.symbols.size()) {
            std::vector<HanVariantChoice::Symbol> symbols;
            size_t at = 0;
            for (size_t i = 0; i < words.size(); at += written[i], ++i)
                if (!doubled[i])
                    symbols.insert(symbols.end(), line.characters.symbols.begin() + std::ptrdiff_t(at),
                                   line.characters.symbols.begin() + std::ptrdiff_t(at + written[i]));
            line.characters.symbols = std::move(symbols);
        }
        std::vector<Readings::WordReading> kept;
        line.text.clear();
        for (size_t i = 0; i < words.size(); ++i) {
            if (doubled[i])
                continue;
            line.text += (line.text.empty() ? "" : " ") + words[i].text;
            kept.push_back(std::move(words[i]));
        }
        words = std::move(kept);
    }
}

} // namespace DoubledWords
