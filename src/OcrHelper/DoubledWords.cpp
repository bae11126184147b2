#include "OcrHelper/DoubledWords.h"

#include <algorithm>

namespace DoubledWords {

void dropDoubledWords(std::vector<Readings::LineReading>& lines)
{
    for (Readings::LineReading& line : lines) {
        std::vector<Readings::WordReading>& words = line.words;
        std::vector<bool> doubled(words.size(), false);
        for (size_t i = 0; i < words.size(); ++i)
            for (size_t j = 0; j < words.size() && !doubled[i]; ++j)
                if (i != j && !doubled[j] && Readings::overlap(words[i].box, words[j].box) >= sameInk
                    && (words[i].confidence < words[j].confidence || (words[i].confidence == words[j].confidence && i > j)))
                    doubled[i] = true;
        if (std::none_of(doubled.begin(), doubled.end(), [](bool d) { return d; }))
            continue;
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
