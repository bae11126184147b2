#pragma once

// The engine that holds the three languages together reads the page as the command
// line does (the plain reading). What the single-language engines and the rules made of
// the page (LineMerge.h) stands only where it keeps what the plain reading is sure of:
// a line of it that drops or changes a number the plain engine read surely, in a form a
// number has, gives way to the plain reading of its place; and a line the plain engine
// read surely where the rules' text has none comes back in its place. The rules mend
// what the plain reading gets wrong (a percent sign read as digits, a gutter number
// cut from its line, a table read column by column); they are never let to turn a
// number the plain reading had right into another.

#include "OcrHelper/HanVariantChoice.h"
#include "OcrHelper/LineMerge.h"
#include "OcrHelper/Readings.h"

#include <string>
#include <vector>

namespace PlainFloor {

// The number a word is, without the signs around it (a currency, a sign, brackets, a
// percent or per mille sign, a closing comma or stop): digits, with thousands
// separators and a decimal part ("1,080.33", "734003200", "0.75"), or a time
// ("14:02:55"). Empty where the word is something else ("1g", "v2.3.1", "2026-12-08T14").
std::string wellFormedNumber(const std::string& word);

// `merged` (a line of the rules' text) with each number the plain engine read surely
// in `plain` (its lines at the same place) as it read it: the characters that line up
// with the number give way to it, unless they are that number with a sign or an
// ideograph in place of its last digits or with its separators the other way round,
// as the rules read them from the ink and the other engines (`standsFor`). A number
// with nothing lined up with it comes in where the plain reading has it. Any other word
// with a digit (a code, a hash, "IP67", "1280x1024", a price with its currency sign)
// comes back whole where the plain engine read it surely or the Latin engine's lines
// at the place (`others`) read the same word there, unless the rules read it as two
// words, or only its digits differ and the Latin engine did not back it. Nothing the
// plain reading has is put back where the Latin engine read the place otherwise at
// Thresholds::latinOverrules or more, or as many characters at
// Thresholds::latinOverrulesAlike or more, however sure the plain engine was.
// What lines up with a word stays within its cell: where a piece of the rules' text
// between blanks is the word itself, that piece is its place, and the cells beside it
// keep their own characters.
// A word with digits the plain engine doubts stands too where it read it at least as
// surely as each single-language engine (`rivals`, their lines at the place; `others`
// where none are given) read the place otherwise: a replacement has to be surer than
// what it replaces. One it read very surely keeps its digits against the others' less
// sure ones; one the Latin engine read over the same ink with digits left out stands; so
// does an amount's minus both read, the plain engine surely, and a sign before a number
// the Latin engine left out less surely, guessing (Thresholds::signLeftOutGuess); an
// ideograph the plain engine read after a number is none of its digits; and signs the
// rules glued onto a number the plain reading has apart from them go or come apart
// (NumberPlaces.h, keepApart).
std::string withSureNumbers(const std::string& merged, const std::vector<const Readings::LineReading*>& plain,
                            const std::vector<const Readings::LineReading*>& others = {},
                            const std::vector<const Readings::LineReading*>& rivals = {});

// `line` of the plain reading, its ideographs each in the script the page shows, as far
// as the lines of `scripts` (the Chinese engines' readings) at the same place and the
// page's ink tell (HanVariantChoice.h). Nothing but ideographs changes.
std::string inItsScript(const Readings::LineReading& line, const std::vector<Readings::EngineReading>& scripts,
                        HanVariantChoice::Chooser& variants);

// The page's text, a line a line each ending in a newline: `merged`, held to `plain` as
// above, the Latin engine among `others` (the single-language engines' readings) its
// witness; a cell of a line whose ideographs a Chinese model guessed at where the plain
// engine read Latin words written as the plain engine read it (PlainLatin.h); per mille
// signs as PerMilleSigns.h reads them, without the cells' edges CellEdges.h finds.
std::string text(const std::vector<LineMerge::PlacedLine>& merged, const Readings::EngineReading& plain,
                 const std::vector<Readings::EngineReading>& scripts, HanVariantChoice::Chooser& variants,
                 const std::vector<Readings::EngineReading>& others = {});

} // namespace PlainFloor
