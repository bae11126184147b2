#pragma once

// File names as an engine reads them: "report.pdf", "notes.txt". A name is a word the
// engine's dictionary does not hold, so nothing steers the engine off a letter it took
// for its neighbour in the extension ("xlsx" read as "xisx"); the extensions people
// name files with are few, and a read extension that is none of them, but becomes one
// by one of the engine's own next choices for one of its characters, was misread.

#include <optional>
#include <string>
#include <vector>

namespace FileNames {

// One character of a word as read: the engine's choice first, then its next ones.
using Choices = std::vector<std::string>;

// Whether `extension` (without its dot, any case) is one files are commonly named with.
bool isKnownExtension(const std::string& extension);

// The word with its file extension mended, when it reads as name.extension (with
// perhaps a closing sign after it: "notes.txt,") and the extension read is not a known
// one, yet exactly one known extension is a next choice of one of its characters (the
// dot among them) away. Not a number (digits either side of the point: "1.5h",
// "v1.72"), nor a comma before a word of prose ("yes,so"). Otherwise the word as read,
// the first choices joined.
std::string mended(const std::vector<Choices>& word);

// Whether `next` is the extension of the name `word` begins (it ends in the name's dot):
// a known extension, perhaps with closing signs after it. Not after an abbreviation
// written as letters and dots ("e.g.", "i.e."), which a word follows after a space.
bool continuesName(const std::string& word, const std::string& next);

// A word as read and where it is on the page.
struct PlacedWord {
    std::string text;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::vector<Choices> choices; // each character's choices, where the engine gave them
};

// The page the engine read: width x height grey bytes, dark ink on light paper.
struct Page {
    const unsigned char* grey = nullptr;
    int width = 0, height = 0;
};

// For each pair of neighbouring words of a line, whether the second is the extension of
// the file name the first begins, cut off at its dot. The engine's word boxes leave the
// dot out at times, so what counts is the page's ink between the two: the widest blank
// there, which for a name is the narrow gap either side of its dot, and after a
// sentence's full stop the blank of a space. Narrower than the line's other spaces, or
// (in a line with no other space) than a quarter of the words' height, it joins them.
// An extension written as a capitalised word ("Then", "Zip") begins a sentence instead.
// A name whose dot the engine left out, with a dot on the page between it and a known
// extension, is cut as well, and so is one whose extension the engine misread but one of
// its next choices mends (as `mended`). For each pair, the name whole where it is cut.
std::vector<std::optional<std::string>> cutNames(const std::vector<PlacedWord>& words, const Page& page);

// A line of ideographs as chosen, with the dots of the names in it put back where the
// Chinese model, which reads Latin letters among ideographs less surely, dropped them or
// read a blank ("mail.cn" as "mailcn", "qq.com" as "qq com"): where another engine,
// reading the same line (`others`), read a dot between the same two letters or digits
// on either side. Blanks in the others' readings do not count (the Latin engine reads
// "mail. cn" as well), but a blank before a capitalised word stays: a sentence ends
// there ("done Then"). And a blank the model read after a name's dot, before a known
// extension, goes ("report. pdf") where another engine read the name whole, without it
// ("make. go" stays).
std::string withDotsPutBack(const std::string& line, const std::vector<std::string>& others);

} // namespace FileNames
