#include "OcrHelper/EvenInk.h"

#include <algorithm>

namespace {

// The largest of each run of 2 * radius + 1 values around every value (van Herk and
// Gil-Werman: three comparisons a value, whatever the radius). `at(i)` addresses the
// i-th of n values.
template <typename At>
void slidingMaximum(int n, int radius, At at, std::vector<unsigned char>& ahead, std::vector<unsigned char>& behind)
{
    const int window = 2 * radius + 1;
    ahead.assign(size_t(n), 0);
    behind.assign(size_t(n), 0);
    for (int start = 0; start < n; start += window) {
        const int end = std::min(n, start + window);
        ahead[size_t(start)] = at(start);
        for (int i = start + 1; i < end; ++i)
            ahead[size_t(i)] = std::max(ahead[size_t(i - 1)], at(i));
        behind[size_t(end - 1)] = at(end - 1);
        for (int i = end - 2; i >= start; --i)
            behind[size_t(i)] = std::max(behind[size_t(i + 1)], at(i));
    }
    for (int i = 0; i < n; ++i) {
        const int from = std::max(0, i - radius), to = std::min(n - 1, i + radius);
        at(i) = std::max(behind[size_t(from)], ahead[size_t(to)]);
    }
}

} // namespace

void evenInk(std::vector<unsigned char>& page, int width, int height)
{
    constexpr int radius = 24;         // about a line of screen text
    constexpr int faintestInk = 64;    // darkness below which nothing is taken for ink
    constexpr int strongInk = 160;     // ink this dark reads as it is, and the rest as dark
    std::vector<unsigned char> darkest(page.size());
    for (size_t i = 0; i < page.size(); ++i)
        darkest[i] = static_cast<unsigned char>(255 - page[i]);
    std::vector<unsigned char> ahead, behind;
    for (int y = 0; y < height; ++y) {
        unsigned char* row = darkest.data() + size_t(y) * size_t(width);
        slidingMaximum(width, radius, [row](int x) -> unsigned char& { return row[x]; }, ahead, behind);
    }
    for (int x = 0; x < width; ++x) {
        unsigned char* column = darkest.data() + x;
        slidingMaximum(height, radius, [column, width](int y) -> unsigned char& { return column[size_t(y) * size_t(width)]; },
                       ahead, behind);
    }
    for (size_t i = 0; i < page.size(); ++i) {
        const int darkness = 255 - page[i];
        const int scale = std::max<int>(darkest[i], faintestInk);
        if (scale < strongInk)
            page[i] = static_cast<unsigned char>(255 - std::min(255, darkness * strongInk / scale));
    }
}
