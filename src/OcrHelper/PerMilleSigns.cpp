#include "OcrHelper/PerMilleSigns.h"

#include <regex>

namespace PerMilleSigns {

std::string withPerMilleSigns(const std::string& line)
{
    if (line.find('%') == std::string::npos)
        return line;
    // Not in a longer word: "12%off", "%0d" in a format string.
    static const std::regex sign(R"((\d)%[oe0](?![0-9A-Za-z_%]))");
    return std::regex_replace(line, sign, "$1\u2030");
}

} // namespace PerMilleSigns
