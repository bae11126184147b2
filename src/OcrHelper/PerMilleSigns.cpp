#include "OcrHelper/PerMilleSigns.h"

#include <regex>

namespace PerMilleSigns {

std::string withPerMilleSigns(const std::string& line)
{
    if (line.find('%') == std::string::npos)
        return line;
    // Not in a longer word: "12%off", "%0d" in a format string. The sign's two circles
    // may come back as two ("%o0", "%oo"), so long as one of them is a letter: "50%00"
    // may be a percent and two zeros.
    static const std::regex sign(R"((\d)%(?:[oe][o0]|0o|[oe0])(?![0-9A-Za-z_%]))");
    return std::regex_replace(line, sign, "$1\u2030");
}

} // namespace PerMilleSigns
