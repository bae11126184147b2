#pragma once

// What an engine read of a page: its lines, each with its words and characters, where
// they lie and how sure the engine is of them. The rules that make one text of the
// engines' readings take these and nothing else, so that they can be tried on readings
// alone.

#include "OcrHelper/FileNames.h"
#include "OcrHelper/HanVariantChoice.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace Readings {

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    long long area() const { return std::max(0LL, (long long)(right - left) * (bottom - top)); }
};

// The area two boxes have in common.
long long commonArea(const Box& a, const Box& b);

// What share of the smaller of two boxes they have in common.
double overlap(const Box& a, const Box& b);

// A character as the engine read it, and the others it weighed for it, each with how
// well it fitted.
struct CharacterChoices {
    std::string text;
    std::vector<std::pair<std::string, float>> next;
};

struct WordReading {
    Box box;
    std::string text;
    float confidence = 0.0f;
    std::vector<FileNames::Choices> choices; // of a Latin word with a dot or a sign in it
    std::vector<CharacterChoices> weighed = {}; // of a Latin word with a digit in it, its text's characters
};

struct LineReading {
    Box box;
    std::string text;
    float confidence = 0.0f;
    std::vector<WordReading> words;
    HanVariantChoice::Line characters; // each character and its box
};

// All one engine read, in one language.
struct EngineReading {
    std::string language;
    bool started = false; // its language data was found
    std::vector<LineReading> lines;
};

// Models whose text is written in Han characters.
bool readsHan(const std::string& language);

// The share of a line's characters (spaces aside) that are Han ideographs.
double hanShare(const std::string& utf8);

int hanCount(const std::string& utf8);

} // namespace Readings
