#include "OcrHelper/CellEdges.h"

#include "OcrHelper/HanText.h"

#include <string_view>

namespace CellEdges {

std::string withoutEdgeMarks(const std::string& line)
{
    if (line.find("\u00AB") == std::string::npos)
        return line;
    const std::u32string text = HanText::decoded(line);
    constexpr std::u32string_view figureStart = U"0123456789$\u20AC\u00A3\u00A5\uFFE5";
    std::u32string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool edge = text[i] == U'\u00AB' && i + 1 < text.size() && figureStart.find(text[i + 1]) != std::u32string_view::npos
            && text.find(U'\u00BB', i + 1) == std::u32string::npos;
        if (!edge)
            out += text[i];
    }
    return HanText::encoded(out);
}

} // namespace CellEdges
