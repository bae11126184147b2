#include "OcrHelper/LatinPage.h"

#include <algorithm>

namespace LatinPage {

using namespace Readings;

bool isLatin(const EngineReading& plain)
{
    return plain.started && !plain.lines.empty()
        && std::none_of(plain.lines.begin(), plain.lines.end(), [](const LineReading& line) { return hanCount(line.text) > 0; });
}

} // namespace LatinPage
