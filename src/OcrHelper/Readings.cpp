#include "OcrHelper/Readings.h"

#include "OcrHelper/HanText.h"

namespace Readings {

long long commonArea(const Box& a, const Box& b)
{
    const Box common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return common.right <= common.left || common.bottom <= common.top ? 0 : common.area();
}

double overlap(const Box& a, const Box& b)
{
    const long long smaller = std::min(a.area(), b.area());
    return smaller > 0 ? double(commonArea(a, b)) / double(smaller) : 0.0;
}

bool readsHan(const std::string& language) { return language.rfind("chi_", 0) == 0 || language.rfind("jpn", 0) == 0; }

double hanShare(const std::string& utf8)
{
    int han = 0, all = 0;
    HanText::forEachCharacter(utf8, [&](char32_t c) {
        all += c != ' ';
        han += HanText::isHan(c);
    });
    return all > 0 ? double(han) / all : 0.0;
}

int hanCount(const std::string& utf8)
{
    int count = 0;
    HanText::forEachCharacter(utf8, [&](char32_t c) { count += HanText::isHan(c); });
    return count;
}

} // namespace Readings
