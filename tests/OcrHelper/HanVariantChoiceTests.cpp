// Simplified or Traditional, chosen from a line's ink: a character of the other script
// quoted in a line keeps the form drawn where the page's pixels show it, even with the
// engine's places a character off; a line with no such evidence keeps its script.
#include "OcrHelper/HanVariantChoice.h"

#include "ChineseFaceTest.h"
#include "OcrHelper/HanGlyphs.h"
#include "OcrHelper/HanText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using HanText::decoded;

constexpr int lineTop = 10, firstLeft = 10, em = 13;

// `characters` drawn at 13 px (or `size`), one every 14 pixels (a pixel more than the
// size), in the renderer's face `face`, on a page of light grey paper in dark grey,
// their coverage raised a little as a browser darkens small type; or, where `blurred`,
// each ink pixel spread over its neighbours, as a face the system lacks draws the same
// character otherwise. The `otherFaceAt`th character is drawn in face `otherFace`, as a
// browser draws a character the page's face lacks in a face that has it.
struct DrawnPage {
    std::vector<unsigned char> grey;
    int width = 0, height = 0;
};

DrawnPage pageOf(const std::u32string& characters, bool blurred = false, int face = 0, int size = em, int otherFaceAt = -1, int otherFace = 0)
{
    const int advance = size + 1;
    DrawnPage page;
    page.width = firstLeft * 2 + advance * int(characters.size());
    page.height = lineTop * 2 + size + 4;
    std::vector<float> ink(size_t(page.width) * size_t(page.height), 0.0f);
    for (size_t i = 0; i < characters.size(); ++i) {
        const auto drawn = HanGlyphs::Renderer::shared().drawAsScreens(characters[i], size * 64, 0, int(i) == otherFaceAt ? otherFace : face);
        if (!drawn)
            continue;
        const int left = firstLeft + advance * int(i), top = lineTop + std::max(0, size - drawn->height) / 2;
        for (int y = 0; y < drawn->height && top + y < page.height; ++y)
            for (int x = 0; x < drawn->width && left + x < page.width; ++x)
                ink[size_t(top + y) * size_t(page.width) + size_t(left + x)] =
                    std::pow(drawn->ink[size_t(y) * size_t(drawn->width) + size_t(x)], 0.8f);
    }
    if (blurred) {
        std::vector<float> spread(ink.size(), 0.0f);
        for (int y = 1; y + 1 < page.height; ++y)
            for (int x = 1; x + 1 < page.width; ++x) {
                float sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        sum += ink[size_t(y + dy) * size_t(page.width) + size_t(x + dx)] * (dx == 0 && dy == 0 ? 4.0f : 1.0f);
                spread[size_t(y) * size_t(page.width) + size_t(x)] = std::min(1.0f, sum / 8.0f);
            }
        ink = spread;
    }
    page.grey.resize(ink.size());
    for (size_t i = 0; i < ink.size(); ++i)
        page.grey[i] = (unsigned char)std::lround(245.0f - 211.0f * ink[i]);
    return page;
}

// The line as an engine reads it: `read`, its characters placed `drift` characters to
// the right of their ink from the `from`th on (the engine's places drift by a square
// along a line), and the first of them with a box over the rest of the line, as the
// engine gives the character that opens a quotation.
HanVariantChoice::Line lineRead(const std::string& read, size_t from = 0, int drift = 0, int size = em)
{
    const int advance = size + 1;
    HanVariantChoice::Line line;
    const std::u32string characters = decoded(read);
    line.box = {firstLeft, lineTop, firstLeft + advance * int(characters.size()), lineTop + size};
    for (size_t i = 0; i < characters.size(); ++i) {
        const int left = firstLeft + advance * int(i) + (i >= from ? drift * advance : 0);
        const int right = drift != 0 && i + 1 == from ? line.box.right : left + size;
        line.symbols.push_back({HanText::encoded(std::u32string(1, characters[i])), {left, lineTop, right, lineTop + size}});
    }
    return line;
}

using HanVariantChoiceTest = ChineseFaceTest;

TEST_F(HanVariantChoiceTest, ACharacterOfTheOtherScriptKeepsTheFormItsPixelsShow)
{
    // The Simplified model reads a Simplified line with 來 quoted in it; the
    // Traditional one reads it all Traditional.
    const DrawnPage page = pageOf(U"记者说未來已来经济");
    HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
    const std::string read = "记者说未来已来经济", alternative = "記者說未來已來經濟";
    EXPECT_EQ(chooser.choose(read, lineRead(read), alternative), "记者说未來已来经济");
    // The engine's places a character to the right from 來 on, 未's box over the rest
    // of the line: 來 is still found in the cell beside the one it is matched to, and
    // 来 not taken for it.
    EXPECT_EQ(chooser.choose(read, lineRead(read, 4, 1), alternative), "记者说未來已来经济");

    // 來 and 来 side by side, the engine's places a character off: the cell matched to
    // 來 holds 来, which is not taken for it, for the cell before it does not hold 说.
    const DrawnPage sideBySide = pageOf(U"记者说未來来临之际");
    HanVariantChoice::Chooser nextTo({sideBySide.grey.data(), sideBySide.width, sideBySide.height});
    EXPECT_EQ(nextTo.choose("记者说未来来临之际", lineRead("记者说未来来临之际", 4, 1), "記者說未來來臨之際"), "记者说未來来临之际");
}

TEST_F(HanVariantChoiceTest, LinesTheEvidenceDoesNotSpeakAgainstStayAsRead)
{
    {
        // A Simplified line read right stays; a Traditional line read right stays.
        const DrawnPage simplified = pageOf(U"记者说未来已来经济");
        HanVariantChoice::Chooser chooser({simplified.grey.data(), simplified.width, simplified.height});
        EXPECT_EQ(chooser.choose("记者说未来已来经济", lineRead("记者说未来已来经济"), "記者說未來已來經濟"), "记者说未来已来经济");
        const DrawnPage traditional = pageOf(U"總經理說來年營收");
        HanVariantChoice::Chooser other({traditional.grey.data(), traditional.width, traditional.height});
        EXPECT_EQ(other.choose("總經理說來年營收", lineRead("總經理說來年營收"), "总经理说来年营收"), "總經理說來年營收");
    }
    {
        // Set in a face the system draws otherwise, no form fits the pixels exactly: one
        // character whose two forms differ in two short strokes does not leave the
        // script of the line around it.
        const DrawnPage page = pageOf(U"记者说未來已来经济", true);
        HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
        EXPECT_EQ(chooser.choose("记者说未来已来经济", lineRead("记者说未来已来经济"), "記者說未來已來經濟"), "记者说未来已来经济");
    }
}

TEST_F(HanVariantChoiceTest, ALineSetInATaiwanHongKongOrBoldFaceKeepsTheFormsItsPixelsShow)
{
    // Those faces draw 級, 輸 and 數 with strokes of their own, and bold type (a table's
    // header and totals) with strokes of its own width, which the Mainland face's
    // drawing of the same character leaves unexplained about as much as the other form.
    const int faces = HanGlyphs::Renderer::shared().faces(), regional = HanGlyphs::Renderer::shared().regionalFaces();
    if (regional <= faces)
        GTEST_SKIP() << "no Taiwan, Hong Kong or bold face";
    struct Case {
        std::u32string drawn;
        std::string read, alternative;
    };
    const Case cases[] = {
        {U"防水等級", "防水等级", "防水等級"},             // read in the other script
        {U"輸入電壓數據", "输入电压数据", "輸入電壓數據"}, // all of it
        {U"說的是数据", "說的是數據", "說的是数据"},       // a Simplified word quoted
        {U"合计金额现金", "合計金額現金", "合计金额现金"}, // Simplified, read Traditional
    };
    for (int face = faces; face < regional; ++face)
        for (const Case& c : cases)
            for (const int size : {11, 14, 17, 20}) {
                const DrawnPage page = pageOf(c.drawn, false, face, size);
                HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
                EXPECT_EQ(decoded(chooser.choose(c.read, lineRead(c.read, 0, 0, size), c.alternative)), c.drawn)
                    << "face " << face << ", " << size << " px";
            }
}

TEST_F(HanVariantChoiceTest, ALineMadeTallByAFieldDrawnAboutPartOfItIsCutIntoItsOwnCharacters)
{
    // A settings row: a label, then its value in a field whose frame makes the line more
    // than twice as tall as its type, and its top and bottom edges join every column
    // under them.
    const std::u32string drawn = U"夜间模式至今天";
    const std::string read = "夜間模式至今天", alternative = "夜间模式至今天";
    for (const int size : {12, 13, 16}) {
        DrawnPage page = pageOf(drawn, false, 0, size);
        const int fieldLeft = firstLeft + (size + 1) * 4 - 3, fieldRight = page.width - 2, fieldTop = 2, fieldBottom = page.height - 3;
        for (int x = fieldLeft; x <= fieldRight; ++x)
            for (const int y : {fieldTop, fieldBottom})
                page.grey[size_t(y) * size_t(page.width) + size_t(x)] = 60;
        for (int y = fieldTop; y <= fieldBottom; ++y)
            for (const int x : {fieldLeft, fieldRight})
                page.grey[size_t(y) * size_t(page.width) + size_t(x)] = 60;
        HanVariantChoice::Line line = lineRead(read, 0, 0, size);
        line.box.top = fieldTop;
        line.box.bottom = fieldBottom + 1;
        line.box.right = fieldRight + 1;
        HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
        EXPECT_EQ(decoded(chooser.choose(read, line, alternative)), drawn) << size << " px";
    }
}

TEST_F(HanVariantChoiceTest, ReadingsWithAMarkMoreBesideAWordStillPairTheFormsOfEachCharacter)
{
    // One engine reads a stray mark beside a word that the other does not: its forms
    // still meet their counterparts, not the mark, and the ink settles each.
    struct Case {
        std::u32string drawn;
        std::string read, alternative, expected;
    };
    const Case cases[] = {
        {U"防水等级", "防水等級\u201C", "防水等级", "防水等级\u201C"}, // the mark after the word
        {U"合计件数", "合計\u201C件数", "合计件数", "合计\u201C件数"},   // the mark inside the line
        {U"充電時間", "充电时间\u201D", "充電時間", "充電時間\u201D"},   // a Traditional line read Simplified
    };
    for (const Case& c : cases) {
        const DrawnPage page = pageOf(c.drawn);
        HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
        EXPECT_EQ(chooser.choose(c.read, lineRead(c.read), c.alternative), c.expected) << c.read;
    }
}

TEST_F(HanVariantChoiceTest, ACharacterTheEnginesReadAsTwoOthersTakesTheFormItsPixelsShow)
{
    // Each engine reads a character as another (號 and 呈 for 号): the other script's
    // form of what one of them read is the character drawn, where the ink shows it as a
    // screen draws it; where no form fits the pixels so (a face the system lacks), a
    // form neither engine read is never taken.
    struct Case {
        std::u32string drawn;
        bool blurred;
        std::string read, alternative, expected;
    };
    const Case cases[] = {
        {U"型号规格", false, "型號规格", "型呈规格", "型号规格"},
        {U"額定功率", false, "额定功率", "疝定功率", "額定功率"},
        {U"存储温度", false, "存全温度", "存儲温度", "存储温度"},
        {U"型号规格", true, "型號规格", "型呈规格", ""},
    };
    for (const Case& c : cases) {
        const DrawnPage page = pageOf(c.drawn, c.blurred);
        HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
        const std::string chosen = chooser.choose(c.read, lineRead(c.read), c.alternative);
        if (c.expected.empty())
            EXPECT_TRUE(chosen == c.read || chosen == c.alternative) << chosen;
        else
            EXPECT_EQ(chosen, c.expected) << c.read;
    }
}

TEST_F(HanVariantChoiceTest, AnIdeographWithoutASecondReadingTakesTheOtherFormWhereThePixelsShowIt)
{
    // The other engine read nothing at the character's place, or read it alike: the
    // other script's form is the one drawn where the ink shows it as a screen draws it;
    // a form drawn as read stays.
    struct Case {
        std::u32string drawn;
        std::string read, alternative, expected;
    };
    const Case cases[] = {
        {U"输入电压", "输入電压", "输人压", "输入电压"},  // nothing read for it
        {U"电池容量", "電池容量", "電地容量", "电池容量"}, // read alike
        {U"電池容量", "電池容量", "電地容量", "電池容量"}, // drawn as read
    };
    for (const Case& c : cases) {
        const DrawnPage page = pageOf(c.drawn);
        HanVariantChoice::Chooser chooser({page.grey.data(), page.width, page.height});
        EXPECT_EQ(chooser.choose(c.read, lineRead(c.read), c.alternative), c.expected) << c.read;
    }
}

// A page of lines in plain type, which settle it as Traditional, with `last` under
// them drawn as a face the system lacks draws it, at `size` px in face `face`.
struct SettledPage {
    DrawnPage page;
    int lastTop = 0;
};
SettledPage settledTraditionalAbove(const std::u32string& last, int face = 0, int size = em)
{
    const DrawnPage plain = pageOf(U"總經理說來年營收"), blurred = pageOf(last, true, face, size);
    SettledPage settled;
    DrawnPage& page = settled.page;
    page.width = std::max(plain.width, blurred.width);
    page.height = plain.height + blurred.height;
    page.grey.assign(size_t(page.width) * size_t(page.height), 245);
    for (int y = 0; y < plain.height; ++y)
        std::copy_n(plain.grey.begin() + long(y) * plain.width, plain.width, page.grey.begin() + long(y) * page.width);
    for (int y = 0; y < blurred.height; ++y)
        std::copy_n(blurred.grey.begin() + long(y) * blurred.width, blurred.width,
                    page.grey.begin() + long(plain.height + y) * page.width);
    settled.lastTop = plain.height;
    return settled;
}

// The page's first lines read twice, so that their pixels settle its script; then its
// last line, read as `read` against `alternative`.
std::string lastLineChosen(const SettledPage& settled, const std::string& read, const std::string& alternative, int size = em)
{
    HanVariantChoice::Chooser chooser({settled.page.grey.data(), settled.page.width, settled.page.height});
    for (int k = 0; k < 2; ++k)
        if (chooser.choose("总经理说来年营收", lineRead("总经理说来年营收"), "總經理說來年營收") != "總經理說來年營收")
            return "(the first lines were read otherwise)";
    HanVariantChoice::Line last = lineRead(read, 0, 0, size);
    last.box.top += settled.lastTop;
    last.box.bottom += settled.lastTop;
    for (HanVariantChoice::Symbol& symbol : last.symbols) {
        symbol.box.top += settled.lastTop;
        symbol.box.bottom += settled.lastTop;
    }
    return chooser.choose(read, last, alternative);
}

TEST_F(HanVariantChoiceTest, APairTheInkCannotSettleTakesTheScriptThePageShowedElsewhere)
{
    // A last line whose ink shows no form as a screen draws it (a face the system
    // lacks) and holds a single pair takes the page's script, not the engine's first
    // reading.
    EXPECT_EQ(lastLineChosen(settledTraditionalAbove(U"未來"), "未来", "未來"), "未來");
    // So does a line of several pairs whose rough likenesses pull as many ways one as
    // the other.
    struct Case {
        std::u32string drawn;
        std::string read, alternative;
        int face, size;
    };
    const Case cases[] = {
        {U"問題下載", "问题下载", "問題下載", 0, 11},
        {U"數量單價", "数量单价", "數量單價", 1, 14},
        {U"機場車站", "机场车站", "機場車站", 1, 11},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decoded(lastLineChosen(settledTraditionalAbove(c.drawn, c.face, c.size), c.read, c.alternative, c.size)), c.drawn)
            << c.read;
}

TEST_F(HanVariantChoiceTest, ACharacterDrawnInAnotherFaceKeepsToTheReadingTheLinesPixelsSideWith)
{
    // A browser draws a character its face lacks in another face: that one cell's ink is
    // like neither form as the line's face draws it, and its rough likeness may lean to
    // the wrong one. Where the line's other cells show their forms exactly, all as one
    // engine read them, the cell keeps that engine's form, whichever engine's reading
    // is weighed against the other's.
    const int regional = std::max(HanGlyphs::Renderer::shared().regionalFaces(), HanGlyphs::Renderer::shared().faces());
    const std::u32string pairs[][2] = {
        {U"本次更新修復個問題下載大小約", U"本次更新修复个问题下载大小约"},
        {U"有機牛奶鮮榨橙汁", U"有机牛奶鲜榨橙汁"},
        {U"訂單號已於發貨請注意查收", U"订单号已于发货请注意查收"},
        {U"客服電話工作時間起", U"客服电话工作时间起"},
    };
    for (const auto& pair : pairs)
        for (int drawnIn = 0; drawnIn < 2; ++drawnIn) {
            const std::u32string& drawn = pair[drawnIn];
            const std::string read = HanText::encoded(pair[0]), alternative = HanText::encoded(pair[1]);
            for (int face = std::min(1, HanGlyphs::Renderer::shared().faces() - 1); face < std::min(2, HanGlyphs::Renderer::shared().faces()); ++face)
                for (const int size : {11, 13})
                    for (int at = 0; at < int(drawn.size()); ++at) {
                        if (pair[0][size_t(at)] == pair[1][size_t(at)])
                            continue;
                        for (int other = 0; other < regional; other += 2) {
                            const DrawnPage page = pageOf(drawn, false, face, size, at, other);
                            HanVariantChoice::Chooser first({page.grey.data(), page.width, page.height});
                            EXPECT_EQ(decoded(first.choose(read, lineRead(read, 0, 0, size), alternative)), drawn)
                                << size << " px in face " << face << ", the " << at << "th in face " << other;
                            HanVariantChoice::Chooser second({page.grey.data(), page.width, page.height});
                            EXPECT_EQ(decoded(second.choose(alternative, lineRead(alternative, 0, 0, size), read)), drawn)
                                << size << " px in face " << face << ", the " << at << "th in face " << other;
                        }
                    }
        }
}

} // namespace
