#pragma once

// One text of the page from the engines' readings. Each engine reads the whole page in
// its own language; for every line of the engine that found the most, the line is taken
// in its own script: a line with ideographs from the Chinese engine that reads its Han
// words with the higher confidence (its script then settled by the page's ink,
// HanVariantChoice.h), with each of its words without ideographs as the English engine
// read it; any other line from the English engine. A line the layout cut in two comes
// back whole.

#include "OcrHelper/NumberSeparators.h"
#include "OcrHelper/PercentSigns.h"
#include "OcrHelper/Readings.h"
#include "OcrHelper/RulingLines.h"

#include <string>
#include <vector>

namespace LineMerge {

// Whether a line is one of ideographs, as the Chinese model read it (`han`) and the
// Latin engine did (`latin`, null where it found no line there). Two ideographs or more
// make one; a Latin line a Chinese model reads as its own comes back with hardly any. A
// single one does where the model is sure of it and surer than the Latin engine of the
// same place (Thresholds::sureIdeograph): the 元 after a price, which the Latin engine
// reads as "7," or "7E".
bool isHanLine(const Readings::LineReading& han, const Readings::LineReading* latin);

// A Han line as the Chinese engine read it, with each of its words that holds no Han
// character (a name, a number, an identifier) as the Latin engine read the same place:
// the Chinese models read Latin letters and digits less surely. Not where the Latin
// engine doubts its reading, nor, for a number, where it reads letters or more digits
// there.
std::string withLatinWords(const Readings::LineReading& han, const Readings::LineReading& latin);

// The lines of the page: those of the engine that read the most (`reference`), and,
// where its layout missed a line another engine read surely (Thresholds::lostLine) and
// no line of it touches, that line, before the first line below it in its column.
std::vector<const Readings::LineReading*> linesOfPage(const std::vector<Readings::EngineReading>& readers,
                                                      const Readings::EngineReading& reference);

// A line of the page's text and where its pieces lie (a gutter number, the line, the
// other cells of its table row).
struct PlacedLine {
    std::string text;
    std::vector<Readings::Box> boxes;
    std::vector<size_t> starts = {}; // where in `text` the piece of each box starts
    // the words its pieces were read from, each where it lies: a piece's box may reach
    // over ink its text holds nothing of
    std::vector<Readings::WordReading> words = {};
};

// The lines of the page's text, in the order they are written (`merge`); a table's
// rows told by `rowRulings`, its ruling lines faint ones too (ReadingOrder.h).
std::vector<PlacedLine> mergedLines(const std::vector<Readings::EngineReading>& readings, HanVariantChoice::Chooser& variants,
                                    const PercentSigns::SignInk& ink, const RulingLines::Lines& rulings = {},
                                    const NumberSeparators::SeparatorInk& separators = {},
                                    const PercentSigns::SignInk& latinInk = {}, const RulingLines::Lines& rowRulings = {});

// The page's text, a line a line, each ending in a newline; what the engines read of
// `rulings` taken out of each line chosen (RulingLines.h); a Han line's numbers with the
// separators `separators` sees where the Chinese models differ (NumberSeparators.h); a
// Han line's percent signs as `ink` sees them (PercentSigns.h), a Latin line's as
// `latinInk` does (LatinPercentSigns.h).
std::string merge(const std::vector<Readings::EngineReading>& readings, HanVariantChoice::Chooser& variants,
                  const PercentSigns::SignInk& ink, const RulingLines::Lines& rulings = {},
                  const NumberSeparators::SeparatorInk& separators = {}, const PercentSigns::SignInk& latinInk = {});

} // namespace LineMerge
