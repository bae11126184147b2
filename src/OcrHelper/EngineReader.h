#pragma once

// One engine's reading of the whole page, in one language, with Tesseract's layout
// analysis. A line whose end or start the layout took for a picture is read once more
// over all of its band, and a line it took whole for one is read on its own
// (LineTails.h). A Latin engine's words keep its next choices where they hold a dot or
// a sign, and its file names cut at their dot are joined (FileNames.h).

#include "OcrHelper/Readings.h"

#include <vector>

namespace EngineReader {

// Reads `page` (width x height grey bytes, dark ink on white paper) in
// `reading.language` into `reading`; `started` stays false where the language's data
// cannot be loaded. `dataPath` null for Tesseract's own.
void read(Readings::EngineReading& reading, const char* dataPath, const std::vector<unsigned char>& page, int width, int height);

} // namespace EngineReader
