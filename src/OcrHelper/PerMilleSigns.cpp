#include "OcrHelper/PerMilleSigns.h"

#include <regex>

namespace PerMilleSigns {

std::string withPerMilleSigns(const std::string& line)
{
    if (line.find('%') == std::string::npos && line.find("\u2030") == std::string::npos)
        return line;
    // Not in a longer word: "12%off", "%0d" in a format string. The sign's two circles
    // may come back as two ("%o0", "%oo"), so long as one of them is a letter: "50%00"
    // may be a percent and two zeros.
    static const std::regex sign(R"((\d)%(?:[oe][o0]|0o|[oe0])(?![0-9A-Za-z_%]))");
    // A model that wrote the sign itself may read its lower circle once more after it
    // ("0.6\u2030o"): no number is written with a letter glued after a per mille sign.
    static const std::regex circleAgain("(\\d)\u2030[oe0](?![0-9A-Za-z_%])");
    return std::regex_replace(std::regex_replace(line, sign, "$1\u2030"), circleAgain, "$1\u2030");
}

bool withCircles(const std::string& word, const std::string& percent)
{
    if (percent.size() < 2 || percent.back() != '%' || word.size() <= percent.size() || word.compare(0, percent.size(), percent) != 0)
        return false;
    static const std::regex circles(R"([oe][o0]|0o|[oe0])");
    return std::regex_match(word.substr(percent.size()), circles);
}

} // namespace PerMilleSigns
