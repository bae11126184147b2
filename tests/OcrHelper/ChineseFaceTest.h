#pragma once
// Tests that draw ideographs as a screen does: each skips, saying so, where the system
// has no Chinese face to draw them in.
#include "OcrHelper/HanGlyphs.h"

#include <gtest/gtest.h>

class ChineseFaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (HanGlyphs::Renderer::shared().faces() == 0)
            GTEST_SKIP() << "no Chinese face (scripts/bootstrap.sh installs fonts-noto-cjk)";
    }
};
