#include "OcrHelper/PageRules.h"

#include "OcrHelper/DoubledWords.h"
#include "OcrHelper/MisjudgedInk.h"
#include "OcrHelper/PlainFloor.h"
#include "OcrHelper/RuleSwitches.h"

using namespace Readings;
using RuleSwitches::Rule;

PageRules::PageRules(const std::vector<unsigned char>& page, int width, int height)
    : page_(page)
    , width_(width)
    , height_(height)
    , variants_({page.data(), width, height})
    , judge_({page.data(), width, height})
    , latinJudge_({page.data(), width, height}, PercentInk::Glyphs::touchingInk)
{
}

std::vector<LineMerge::PlacedLine> PageRules::merged(std::vector<EngineReading>& readers, const std::vector<unsigned char>& misjudged)
{
    // Each engine's words read twice over a field's frame and its value keep the surer.
    for (EngineReading& reader : readers) {
        if (RuleSwitches::on(Rule::doubledWords))
            DoubledWords::dropDoubledWords(reader.lines, DoubledWords::Evidence::inkAndText);
        if (RuleSwitches::on(Rule::misjudgedInk))
            MisjudgedInk::dropMisjudgedWords(reader.lines, {page_.data(), misjudged.data(), width_, height_});
    }
    const auto signInk = [](PercentInk::Judge& judge) -> PercentSigns::SignInk {
        return [&judge](const HanVariantChoice::Box& line, const HanVariantChoice::Box& roughly, const std::u32string& number) {
            return judge.numberBeforeSign(line, roughly, number);
        };
    };
    const PercentSigns::SignInk ink = signInk(judge_), latinInk = signInk(latinJudge_);
    const RulingLines::Lines rulings = RulingLines::find(page_, width_, height_);
    const NumberSeparators::SeparatorInk separators = [this](const HanVariantChoice::Box& line, int from, int to) {
        return NumberSeparators::separatorOnPage({page_.data(), width_, height_}, line, from, to);
    };
    const RulingLines::Lines rowRulings = RulingLines::find(page_, width_, height_, RulingLines::faintInkBelow);
    return LineMerge::mergedLines(readers, variants_, ink, rulings, separators, latinInk, rowRulings);
}

std::string PageRules::text(const std::vector<LineMerge::PlacedLine>& merged, EngineReading& plain, const std::vector<EngineReading>& readers)
{
    // The plain reading is of the image itself, which holds no ink a misjudged ground
    // made: its words all stand, but for those it read twice over the same ink.
    if (RuleSwitches::on(Rule::doubledWords))
        DoubledWords::dropDoubledWords(plain.lines);
    std::vector<EngineReading> scripts;
    for (const EngineReading& reader : readers)
        if (reader.started && readsHan(reader.language))
            scripts.push_back(reader);
    if (!plain.started || !RuleSwitches::on(Rule::floorAtAll)) {
        std::string all;
        for (const LineMerge::PlacedLine& line : merged)
            all += line.text + '\n';
        return all;
    }
    return PlainFloor::text(merged, plain, scripts, variants_, readers);
}
