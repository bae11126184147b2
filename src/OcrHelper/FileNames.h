#pragma once

// File names as an engine reads them: "report.pdf", "notes.txt". A name is a word the
// engine's dictionary does not hold, so nothing steers the engine off a letter it took
// for its neighbour in the extension ("xlsx" read as "xisx"); the extensions people
// name files with are few, and a read extension that is none of them, but becomes one
// by one of the engine's own next choices for one of its characters, was misread.

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
// dot among them) away. Otherwise the word as read, the first choices joined.
std::string mended(const std::vector<Choices>& word);

// Whether `next` is the extension of the name `word` begins (it ends in the name's dot):
// a known extension, perhaps with closing signs after it.
bool continuesName(const std::string& word, const std::string& next);

} // namespace FileNames
