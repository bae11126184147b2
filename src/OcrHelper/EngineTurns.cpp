#include "OcrHelper/EngineTurns.h"

#include <algorithm>

namespace EngineTurns {

long long addedBytes(long long pixels, int atOnce)
{
    // The models loaded at once and the engines' work between them, then what each pixel
    // costs the readings going on together: the colour image and the page as ink, the
    // engines' copies of them, and what each makes of their lines.
    constexpr long long mebibyte = 1024 * 1024;
    struct Cost {
        long long fixed, perPixel;
    };
    constexpr Cost costs[] = {{95 * mebibyte, 15}, {120 * mebibyte, 20}, {185 * mebibyte, 45}};
    const Cost& cost = costs[std::clamp(atOnce, 1, 3) - 1];
    return cost.fixed + cost.perPixel * std::max(0LL, pixels);
}

int atOnce(long long pixels, int engines)
{
    if (engines <= 0)
        return 0;
    for (int n = engines; n > 1; --n)
        if (addedBytes(pixels, n) <= budgetBytes)
            return n;
    return 1;
}

bool afterThePlainReading(long long pixels) { return addedBytes(pixels, 1) > budgetBytes; }

} // namespace EngineTurns
