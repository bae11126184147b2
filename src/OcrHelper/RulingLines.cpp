#include "OcrHelper/RulingLines.h"

#include <cstddef>

namespace RulingLines {

namespace {

// One way across the page: `along` pixels each of `across` lines, pixel (a, c) at
// page[a * alongStep + c * acrossStep].
struct Way {
    int along, across;
    std::ptrdiff_t alongStep, acrossStep;
};

// Every run of ink along the way at least shortestLine long, where in most of its
// places the ink across it is a hairline, turns to paper there.
void eraseAlong(std::vector<unsigned char>& page, const Way& way)
{
    const auto ink = [&](int a, int c) { return page[size_t(a * way.alongStep + c * way.acrossStep)] < inkBelow; };
    // How wide the ink is across the way at (a, c), up to thickestLine + 1.
    const auto thickness = [&](int a, int c) {
        int first = c, last = c;
        while (first > 0 && ink(a, first - 1) && last - first <= thickestLine)
            --first;
        while (last + 1 < way.across && ink(a, last + 1) && last - first <= thickestLine)
            ++last;
        return last - first + 1;
    };
    std::vector<std::pair<int, int>> erased; // (along, across) of the pixels that turn to paper
    for (int c = 0; c < way.across; ++c) {
        int start = -1;
        for (int a = 0; a <= way.along; ++a) {
            const bool inRun = a < way.along && ink(a, c);
            if (inRun && start < 0)
                start = a;
            if (inRun || start < 0)
                continue;
            if (a - start >= shortestLine) {
                int thin = 0;
                for (int k = start; k < a; ++k)
                    thin += thickness(k, c) <= thickestLine;
                // Text touching the line at a few places leaves it a line.
                if (thin * 10 >= (a - start) * 7)
                    for (int k = start; k < a; ++k)
                        if (thickness(k, c) <= thickestLine)
                            erased.emplace_back(k, c);
            }
            start = -1;
        }
    }
    for (const auto& [a, c] : erased)
        page[size_t(a * way.alongStep + c * way.acrossStep)] = 255;
}

} // namespace

void erase(std::vector<unsigned char>& page, int width, int height)
{
    if (width <= 0 || height <= 0 || page.size() < size_t(width) * size_t(height))
        return;
    // The vertical lines first: where a horizontal one crosses them, the crossing is
    // then as thin as the horizontal line, and goes with it.
    eraseAlong(page, {height, width, width, 1});
    eraseAlong(page, {width, height, 1, width});
}

} // namespace RulingLines
