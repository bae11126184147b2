// Characters held against ink drawn as a screen draws it: the form drawn fits all but
// exactly at a size and place the search does not step on, whatever the paper and the
// darkness of the type, and a form that differs from it in two short strokes does not.
#include "OcrHelper/GlyphFit.h"

#include "ChineseFaceTest.h"
#include "OcrHelper/HanGlyphs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A width x height block of page ink: `drawn` laid at (x, y) on paper of ink `paper`,
// its coverage raised to `gamma` (a browser draws small type darker than plain
// coverage) and scaled to `contrast`. A negative contrast draws light type on dark
// paper, as the ink of a dark theme's page before it is turned.
std::vector<float> inkOf(const HanGlyphs::Coverage& drawn, int width, int height, int x, int y, float paper, float contrast,
                         float gamma = 1.0f)
{
    std::vector<float> ink(size_t(width) * size_t(height), paper);
    for (int row = 0; row < drawn.height; ++row)
        for (int column = 0; column < drawn.width; ++column)
            if (x + column >= 0 && y + row >= 0 && x + column < width && y + row < height)
                ink[size_t(y + row) * size_t(width) + size_t(x + column)] +=
                    contrast * std::pow(drawn.ink[size_t(row) * size_t(drawn.width) + size_t(column)], gamma);
    return ink;
}

using GlyphFitTest = ChineseFaceTest;

TEST_F(GlyphFitTest, WhatIsLeftUnexplainedIsTheInkTheDrawingLacks)
{
    const auto drawn = HanGlyphs::Renderer::shared().drawAsScreens(U'來', 13 * 64, 0);
    ASSERT_TRUE(drawn);
    const int width = drawn->width + 4, height = drawn->height + 6;
    // Any paper, any darkness of ink: laid where it was drawn, nothing is left over.
    for (const auto& [paper, contrast] : {std::pair{0.0f, 1.0f}, {0.1f, 0.6f}, {0.3f, 0.3f}}) {
        const std::vector<float> ink = inkOf(*drawn, width, height, 2, 3, paper, contrast);
        const GlyphFit::Block block{ink.data(), width, height, width};
        const auto there = GlyphFit::unexplained(block, *drawn, 2, 3);
        ASSERT_TRUE(there);
        EXPECT_LT(*there, 1e-6) << paper << " " << contrast;
        // A pixel off, the strokes miss their ink.
        const auto beside = GlyphFit::unexplained(block, *drawn, 3, 3);
        ASSERT_TRUE(beside);
        EXPECT_GT(*beside, 0.2) << paper << " " << contrast;
    }
    // Paper alone, and ink that is the drawing's negative, fit nothing.
    const std::vector<float> paper(size_t(width) * size_t(height), 0.1f);
    EXPECT_FALSE(GlyphFit::unexplained({paper.data(), width, height, width}, *drawn, 2, 3));
    const std::vector<float> negative = inkOf(*drawn, width, height, 2, 3, 0.9f, -0.8f);
    EXPECT_FALSE(GlyphFit::unexplained({negative.data(), width, height, width}, *drawn, 2, 3));
}

TEST_F(GlyphFitTest, EachFormFitsItsOwnInkAndNotTheOther)
{
    // 13 px and a little, at a fifth of a pixel, set darker than drawn: none of it on
    // the steps the search takes.
    const struct {
        char32_t drawn, other;
        int em64;
    } cases[] = {{U'來', U'来', 13 * 64 + 5}, {U'来', U'來', 13 * 64 + 5}, {U'來', U'来', 16 * 64 - 3}, {U'總', U'总', 13 * 64 + 5}};
    for (const auto& c : cases) {
        const auto drawn = HanGlyphs::Renderer::shared().drawAsScreens(c.drawn, c.em64, 13);
        ASSERT_TRUE(drawn);
        const int width = drawn->width + 2, height = drawn->height + 4;
        const std::vector<float> ink = inkOf(*drawn, width, height, 1, 2, 0.02f, 0.85f, 0.8f);
        const GlyphFit::Block block{ink.data(), width, height, width};
        const auto own = GlyphFit::closestFit(block, c.drawn, 0), other = GlyphFit::closestFit(block, c.other, 0);
        ASSERT_TRUE(own && other);
        EXPECT_LT(own->unexplained, 0.05) << c.em64;
        EXPECT_GT(other->unexplained, std::max(0.15, own->unexplained * 3)) << c.em64;
        // Searched about the size it was found at, it fits as well; about a size far
        // from it, at none.
        const auto near = GlyphFit::closestFit(block, c.drawn, 0, own->em64);
        ASSERT_TRUE(near);
        EXPECT_LE(near->unexplained, own->unexplained) << c.em64;
        EXPECT_FALSE(GlyphFit::closestFit(block, c.drawn, 0, c.em64 * 3 / 2)) << c.em64;
    }
    // Empty where there is no ink, or the face has no such character.
    const std::vector<float> paper(20 * 20, 0.0f);
    EXPECT_FALSE(GlyphFit::closestFit({paper.data(), 20, 20, 20}, U'來', 0));
    const auto drawn = HanGlyphs::Renderer::shared().drawAsScreens(U'來', 13 * 64, 0);
    ASSERT_TRUE(drawn);
    const std::vector<float> ink = inkOf(*drawn, 20, 20, 2, 2, 0.0f, 1.0f);
    EXPECT_FALSE(GlyphFit::closestFit({ink.data(), 20, 20, 20}, U'\U000F0000', 0));
}

} // namespace
