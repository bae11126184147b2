#include "OcrHelper/RuleSwitches.h"

#include <array>

namespace RuleSwitches {

namespace Detail {
thread_local std::uint64_t off = 0;
}

static_assert(int(Rule::count) <= 64);

std::string_view name(Rule rule)
{
    static constexpr std::array<std::string_view, size_t(Rule::count)> names{
        "doubledWords", "misjudgedInk", "grownLines", "hollowLines", "lostLines", "otherEnginesLines", "hanVariants",
        "numberSeparators", "percentSigns", "latinPercentSigns", "signWords", "loneNumbers", "latinWords", "currencyAmounts",
        "fileNameDots", "rulings", "cutLines", "gutterNumbers", "linesPulledUp", "tableRows", "bridgedRows", "numberedRests",
        "rowPieces", "lostCells", "faintCells", "perMilleSigns", "cellEdges", "plainLines", "floorAtAll",
        "latinOverrule", "amountAlike", "agreedWord", "surerWord", "backedWord", "unrivalledWord", "signForDigits", "yenForY",
        "separatorsSwapped", "strayFloorSigns", "digitsForDigits", "gluedSigns", "heldDigits", "ideographApart",
        "signedSurer", "digitsSeenWhole", "sureMinus", "glyphReadAhead", "plainLatin", "amountRunOn",
        "perMilleCircles", "signLeftOut"};
    return int(rule) >= 0 && rule < Rule::count ? names[size_t(rule)] : std::string_view();
}

void setOff(std::uint64_t rules) { Detail::off = rules; }

} // namespace RuleSwitches
