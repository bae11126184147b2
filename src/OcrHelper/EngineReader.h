#pragma once

// One engine's reading of the whole page, in one language, with Tesseract's layout
// analysis. The engine is loaded first, so that it can load while the page is still
// on its way. A line whose end or start the layout took for a picture is read once more
// over all of its band, and a line it took whole for one is read on its own
// (LineTails.h). A Latin engine's words keep its next choices where they hold a dot or
// a sign, and its file names cut at their dot are joined (FileNames.h).

#include "OcrHelper/Readings.h"

#include <tesseract/baseapi.h>

#include <memory>
#include <string>
#include <vector>

namespace EngineReader {

// The engine for `language` (one, or several joined by '+', read as one engine that
// tries each on every word), ready to read (its page layout and variables set), or null
// where the language's data cannot be loaded. `page` says what it will read: the page as
// dark ink on paper, or the image itself, as the command line reads it. Of several, those whose data is missing
// are left out; which were loaded, the engine says (GetLoadedLanguagesAsVector).
// `dataPath` null for Tesseract's own.
enum class Page { inkOnPaper, imageItself };
std::unique_ptr<tesseract::TessBaseAPI> load(const std::string& language, const char* dataPath,
                                             Page page = Page::inkOnPaper);

// Reads `page` (width x height grey bytes, dark ink on white paper) with `engine`, loaded
// for `reading.language`, into `reading.lines`: the engine's own layout and words.
void read(Readings::EngineReading& reading, tesseract::TessBaseAPI& engine, const std::vector<unsigned char>& page,
          int width, int height);

// Reads the image itself (width x height pixels of `channels` bytes, grey or red, green
// and blue) with `engine`, loaded for it, as the command line reads the same picture:
// Tesseract's own thresholding of it, in colour where it has colours. A colour image is
// let go (left empty) once the engine has taken its copy.
void readImage(Readings::EngineReading& reading, tesseract::TessBaseAPI& engine, std::vector<unsigned char>& image,
               int width, int height, int channels);

// After `read`, with the same engine and page: the lines the layout cut short or lost
// read again (LineTails.h, Rereading.h).
void mendLayout(Readings::EngineReading& reading, tesseract::TessBaseAPI& engine, const std::vector<unsigned char>& page,
                int width, int height);

} // namespace EngineReader
