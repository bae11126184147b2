#pragma once

// How sure an engine must be, and how much it must say, before a rule takes its reading
// over another. Each value with the reason for it; the engines' confidences run from 0
// to 100.

namespace Thresholds {

// A line read once more over all of its band (LineTails.h) replaces the first reading
// only where the engine is more than guessing: the rereadings under 50 are the Latin
// engine's letters made of ideographs, or of ink that is no text.
inline constexpr float rereadLine = 50.0f;

// A line the layout lost whole, or that only one engine found, is read on its own and
// nothing ties it to the text around it: only a reading the engine is sure of is taken.
inline constexpr float lostLine = 70.0f;

// A word with digits on a row the rules' text holds, that the plain engine alone read
// (the other engines, reading the page as ink on paper, found nothing there), is taken
// from this confidence on: a spreadsheet's faint grey row numbers came at 52 to 68.
inline constexpr float unrivalledFaintWord = 50.0f;

// A Latin word of a Han line stands for the Chinese model's reading of the same place
// only where the Latin engine is no less sure than this: under 60 it has taken
// strokes of the ideographs beside the word for letters.
inline constexpr float latinWordAmongHan = 60.0f;

// A line with a single ideograph is a Han line (a price "7999元", "500元。") where the
// Chinese model read the ideograph's word at least this surely, and more surely than
// the Latin engine read the same place. The ideographs the Chinese models made of what
// was none, or of another one, came at 0 to 30 on the pages tried; the 元 after a price
// is read at 90 and over, where the Latin engine, making "7," or "7E" of it, stays at 60
// and under.
inline constexpr float sureIdeograph = 80.0f;

// The plain engine's Latin words over a cell of a line the Chinese model read as
// ideographs less surely than Thresholds::sureIdeograph stand for it from this
// confidence on, where they are sure or backed besides (PlainLatin.h): on terminal
// screens the ideographs the models made of digits, percent signs and counts came at 0
// to 42, the plain engine's reading of the same ink ("0%", a column of link counts) at
// 59 to 96.
inline constexpr float plainLatinPlace = 50.0f;

// A number the Chinese models read among ideographs stands as they read it, whatever
// its last digits look like, where the Latin engine read the same digits and no sign
// there, and the model read its word at least this surely: their readings of a percent
// sign as digits ("12.496", "1096o", "596，" for "5%，") mostly come at 0 to 75, a plain
// number's ("596年") at 88 and over. Both engines reading a sign as the same digits, and
// one of them surely, is rare.
inline constexpr float supportedNumber = 85.0f;

// A word of a Latin line that the Latin engine read as signs alone gives way to the
// Chinese models' word of letters and digits at the same place (SignWords.h) only where
// the Latin engine is less sure of it than this: its "@" for a table's "Q2" came at 51,
// the signs it read right on the pages tried ("=", "->", "*", ":", "<=") at 72 and over.
inline constexpr float unsureSign = 60.0f;

// A number the plain engine (the three languages together) read at least this surely
// stands: no other reading of its place may drop it or change its digits.
inline constexpr float sureNumber = 80.0f;

// A word with digits the plain engine read, however surely, gives way to the Latin
// engine's other reading of its place where the Latin engine read that at least this
// surely: reading the image itself, the plain engine made "2926-97-19" of "2026-07-19",
// "998" of "008" and "6" of "60%" at 87 to 97, where the Latin engine, reading the page as
// ink on paper, had them right at 81 to 94; of the generated pages' words on which the
// two disagreed so, the Latin engine had 6 right, the plain engine 1.
inline constexpr float latinOverrules = 80.0f;

// A number the plain engine read at least this surely stands against the Latin engine's
// reading of other digits in its place that the Latin engine was less sure of, and
// against one that leaves some of its digits out, however sure: on the generated pages,
// of the numbers read so at 90 and over, the plain engine had "59741" right where the
// Latin engine read "89741" at 74, and "188" where it read "18" at 97; under 90, the
// Latin engine had the numbers the two read otherwise right ("008" for "998" at 88,
// "424033274" for "424933274" at 80).
inline constexpr float heldNumber = 90.0f;

// The same from this confidence on, where the Latin engine's reading has as many
// characters as the plain engine's ("28G" for its "286", "687096c" for its "687996c"):
// the two engines then read the same glyphs and differ in what they are. Where the Latin
// reading is longer or shorter at under 80, it had mostly run two words together
// ("+1518" for "+1 518", "North9") or taken in a sign.
inline constexpr float latinOverrulesAlike = 70.0f;

// A word with digits the plain engine read less surely stands where the Latin engine read
// the same word at the same place, two readings apart agreeing, but only from this
// confidence on: under it the two agree on strokes that are none, a "-" or an "8" before
// a price.
inline constexpr float agreedNumber = 25.0f;

// A word with digits the plain engine read from this confidence on stands where the Latin
// engine read its place at least Thresholds::latinFarLessSure less surely: the Latin
// engine's "1280*800" at 24 and "$226,311.02" at 23, beside the plain engine's "1280x800"
// and "226,311.02" at 68 and 69, are its guesses at ink it barely made out.
inline constexpr float surerThanLatin = 60.0f;
inline constexpr float latinFarLessSure = 30.0f;

// A number the plain engine read with a minus, plus or currency sign before it stands
// where the Latin engine read its figure alone under this confidence, and less surely
// than the plain engine read it: on the generated pages it left drawn minus and yen signs
// out at 0 to 37, beside the plain engine's 45 to 65. From 50 on its reading without the
// sign stays the Latin engine's to give.
inline constexpr float signLeftOutGuess = 50.0f;

// An amount's minus the plain engine and the Latin engine both read from this confidence
// on is the amount's own where the rules' text has none: the two agree at 0 to 20 on a
// stroke of the sign taken for a minus, and read a drawn one on a receipt at 74 and 65.
inline constexpr float agreedMinus = 60.0f;

// A character the Latin engine weighed for a glyph, as its next choice, fits the glyph
// nearly as well as the one it read from this confidence on: where the plain engine read
// that character, the two engines do not disagree there. Its "9" for the "0" of "+18,10"
// had the "0" at 61, its "@" for the "0" of "build-01" at 65, its "6" for the "0" of
// "14:03:20" at 86. It weighs a "6" it did not read as highly beside a "0" it read right
// ("2022-02-15", the "6" at 70 and 75): where the plain engine read a round digit for its
// "0", its models' known misreading, the weighing does not count (PlainWitnesses.cpp).
inline constexpr float weighedAlike = 50.0f;

} // namespace Thresholds
