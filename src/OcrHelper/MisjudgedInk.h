#pragma once

// Words read where the page is blank: beside the edge of a dark panel, the ground
// Lumetra judged for a pixel may be the panel's, and paper there comes out as ink
// (Output/TextInk.h). Lumetra marks that ink; words made mostly of it go.

#include "OcrHelper/Readings.h"

#include <vector>

namespace MisjudgedInk {

// The page as read, with where its ink is not the page's own.
struct Marked {
    const unsigned char* page = nullptr;
    const unsigned char* misjudged = nullptr; // non-zero where the ink was misjudged
    int width = 0, height = 0;
};

// Each line without the words read where the page is blank, and without the lines left
// with none.
void dropMisjudgedWords(std::vector<Readings::LineReading>& lines, const Marked& marked);

} // namespace MisjudgedInk
