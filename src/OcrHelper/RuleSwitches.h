#pragma once

// Each rule laid over the engines' readings, by name, so that what it mends and what it
// breaks can be counted on many pages: the rules bench turns one off at a time and reads
// the same engine readings again. Nothing is ever off in Lumetra itself; what is off
// holds for the thread that turned it off alone.

#include <cstdint>
#include <string_view>

namespace RuleSwitches {

enum class Rule : int {
    doubledWords,      // DoubledWords.h, on each engine's reading
    misjudgedInk,      // MisjudgedInk.h
    grownLines,        // a line the layout cut short read again over its band (LineTails.h)
    hollowLines,       // a line with a stretch taken for blanks read again as a block
    lostLines,         // a line the layout took for a picture read on its own
    otherEnginesLines, // a line only another engine found (LineMerge::linesOfPage)
    hanVariants,       // each ideograph's script from the page's ink (HanVariantChoice.h)
    numberSeparators,  // NumberSeparators.h
    percentSigns,      // PercentSigns.h
    latinPercentSigns, // LatinPercentSigns.h
    signWords,         // SignWords.h
    loneNumbers,       // LoneNumbers.h
    latinWords,        // a Han line's words without ideographs as the Latin engine read them
    currencyAmounts,   // CurrencyAmounts::forHanWord
    fileNameDots,      // FileNames::withDotsPutBack
    rulings,           // RulingLines::dropRulings
    cutLines,          // a line the layout cut in two comes back whole
    gutterNumbers,     // ReadingOrder: a gutter's numbers before their lines
    linesPulledUp,     // ReadingOrder: the lines a line waits for come right before it
    tableRows,         // TableRows.h
    bridgedRows,       // BridgedRows.h
    numberedRests,     // ReadingOrder: the rest of a numbered line after it
    rowPieces,         // ReadingOrder: the pieces of one row together
    lostCells,         // LostCells.h
    faintCells,        // LostCells.h: a word with digits only the plain engine saw, read less surely
    perMilleSigns,     // PerMilleSigns.h
    cellEdges,         // CellEdges.h
    plainLines,        // the plain engine's sure lines the rules' text left out
    // The floor (PlainFloor.h): where the merged reading stands over the plain one.
    floorAtAll,        // off: the merged reading as it is, no floor
    latinOverrule,     // LatinOverrule::overrules
    amountAlike,       // an amount the Latin engine read alike stands
    agreedWord,        // a word the Latin engine read the same stands
    surerWord,         // a word read far surer than the Latin engine's same digits stands
    backedWord,        // a word a Chinese model read the same stands
    unrivalledWord,    // a word read surer than each other reading stands
    signForDigits,     // a sign or ideograph the rules read for the last digits stands
    yenForY,           // the yen sign for the plain engine's "Y" stands
    separatorsSwapped, // points for commas and commas for points stand
    strayFloorSigns,   // stray signs before a number give way
    digitsForDigits,   // other digits for digits the Latin engine did not back stand
    gluedSigns,        // signs the rules glued onto a word the plain reading has apart
    heldDigits,        // a word with digits read very surely keeps its digits against less sure ones
    ideographApart,    // an ideograph the plain engine read after a number stands for none of its digits
    signedSurer,       // a word with a minus or plus read far surer than the Latin engine's same digits stands
    digitsSeenWhole,   // a number the Latin engine read over the same ink with digits left out stands
    sureMinus,         // an amount's minus both engines read, the plain engine surely, stands
    glyphReadAhead,    // a Latin character weighed as the one after it is that glyph read twice
    plainLatin,        // a cell the Chinese model guessed at as ideographs, where the plain engine read Latin (PlainLatin.h)
    amountRunOn,       // an amount the Latin engine ran into the strokes or the amount beside it stands
    perMilleCircles,   // PercentSigns: a percent sign with a per mille sign's circles after it is that sign
    signLeftOut,       // a sign before a number the Latin engine left out, guessing, stands
    count
};

// The rule's name as the bench prints it.
std::string_view name(Rule rule);

namespace Detail {
extern thread_local std::uint64_t off;
}

inline bool on(Rule rule) { return (Detail::off >> int(rule) & 1) == 0; }

// The bench's: the rules off on this thread from now on (a bit for each, by its number).
void setOff(std::uint64_t rules);

} // namespace RuleSwitches
