#pragma once

// What Lumetra's rules make of the engines' readings of one page, once the engines have
// read it: each single-language reading without its doubled and misjudged words, the
// readings merged and mended (LineMerge.h), then held to the plain reading (PlainFloor.h).
// The merging needs nothing of the plain reading, which may still go on meanwhile.

#include "OcrHelper/HanVariantChoice.h"
#include "OcrHelper/LineMerge.h"
#include "OcrHelper/PercentInk.h"
#include "OcrHelper/Readings.h"
#include "OcrHelper/RulingLines.h"

#include <string>
#include <vector>

class PageRules {
public:
    // `page`: the page as ink on paper, a byte a pixel, which has to outlive this.
    PageRules(const std::vector<unsigned char>& page, int width, int height);

    // `readers` without the words each read twice over a field's frame and its value,
    // nor those on ink a misjudged ground made (`misjudged`, a byte a pixel, nonzero
    // there); then their lines merged.
    std::vector<LineMerge::PlacedLine> merged(std::vector<Readings::EngineReading>& readers, const std::vector<unsigned char>& misjudged);

    // The page's text: `merged` held to `plain` (without the words it read twice), the
    // Chinese engines among `readers` settling the script of the lines it alone read.
    std::string text(const std::vector<LineMerge::PlacedLine>& merged, Readings::EngineReading& plain,
                     const std::vector<Readings::EngineReading>& readers);

private:
    const std::vector<unsigned char>& page_;
    int width_, height_;
    HanVariantChoice::Chooser variants_;
    PercentInk::Judge judge_, latinJudge_;
};
