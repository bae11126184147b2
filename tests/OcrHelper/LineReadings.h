#pragma once
// Readings as an engine gives them, made from text: each character a box 10 pixels
// wide on one row from `left` on, each word (between blanks) a box over its characters with the
// confidence given for it.
#include "OcrHelper/HanText.h"
#include "OcrHelper/Readings.h"
#include "OcrHelper/ReadingOrder.h"

#include <string>
#include <vector>

inline Readings::LineReading lineRead(const std::string& text, std::vector<float> confidences, int top = 0, int left = 0)
{
    Readings::LineReading line;
    line.text = text;
    constexpr int width = 10, height = 20;
    int x = left;
    size_t word = 0;
    bool inWord = false;
    HanText::forEachCharacter(text, [&](char32_t c) {
        if (c == U' ') {
            inWord = false;
            x += width / 2;
            return;
        }
        const Readings::Box box{x, top, x + width, top + height};
        line.characters.symbols.push_back({HanText::encoded(std::u32string(1, c)), {box.left, box.top, box.right, box.bottom}});
        if (!inWord) {
            const float confidence = word < confidences.size() ? confidences[word] : 90.0f;
            line.words.push_back({box, "", confidence, {}});
            ++word;
            inWord = true;
        }
        line.words.back().text += HanText::encoded(std::u32string(1, c));
        line.words.back().box.right = box.right;
        x += width;
    });
    line.box = {left, top, x, top + height};
    line.characters.box = {left, top, x, top + height};
    float sum = 0;
    for (const Readings::WordReading& w : line.words)
        sum += w.confidence;
    line.confidence = line.words.empty() ? 0.0f : sum / float(line.words.size());
    return line;
}

// The lines as the layout writes them: in its order, each with the cells it put after it.
inline std::vector<std::string> writtenInLayoutOrder(const std::vector<Readings::LineReading>& lines,
                                                     const RulingLines::Lines& rulings = {})
{
    const ReadingOrder::Layout layout = ReadingOrder::layout(lines, rulings);
    std::vector<std::string> out;
    for (const size_t i : layout.order) {
        std::string text = lines[i].text;
        for (std::ptrdiff_t cell = layout.after[i]; cell >= 0; cell = layout.after[size_t(cell)])
            text += " " + lines[size_t(cell)].text;
        out.push_back(text);
    }
    return out;
}
