#include "Output/TextInk.h"

#include "Base/PoolBands.h"

#include <QThread>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// A line of pixels: `count` bytes, `step` apart.
struct Line {
    const uchar* in;
    uchar* out;
    qsizetype step;
    int count;
};

// The running median of the 2r+1 pixels around each pixel of a line (fewer at its
// ends), kept in a histogram that each step changes by one pixel in and one out; the
// median moves from where it was, a few values at a time on a real page.
void runningMedian(const Line& line, int r)
{
    std::array<int, 256> histogram{};
    int count = 0;
    int median = 0;
    int below = 0; // pixels darker than `median`
    const auto change = [&](int i, int by) {
        const int v = line.in[qsizetype(i) * line.step];
        histogram[size_t(v)] += by;
        count += by;
        if (v < median)
            below += by;
    };
    for (int i = 0; i <= std::min(r, line.count - 1); ++i)
        change(i, 1);
    for (int i = 0; i < line.count; ++i) {
        if (i > 0) {
            if (i + r < line.count)
                change(i + r, 1);
            if (i - r - 1 >= 0)
                change(i - r - 1, -1);
        }
        const int half = (count + 1) / 2;
        while (below >= half)
            below -= histogram[size_t(--median)];
        while (below + histogram[size_t(median)] < half)
            below += histogram[size_t(median++)];
        line.out[qsizetype(i) * line.step] = uchar(median);
    }
}

// Runs `work(first, last)` over [0, total) in bands on all cores.
template <typename Work>
void inBands(int total, const Work& work)
{
    const int bandCount = std::clamp(QThread::idealThreadCount() * 2, 1, std::max(1, total));
    std::vector<std::pair<int, int>> bands;
    bands.reserve(size_t(bandCount));
    for (int b = 0; b < bandCount; ++b)
        bands.emplace_back(int(qint64(total) * b / bandCount), int(qint64(total) * (b + 1) / bandCount));
    // Recognition itself runs on a pool thread: the caller must take bands too.
    PoolBands::run(bands.size(), [&](std::size_t i) { work(bands[i].first, bands[i].second); });
}

} // namespace

QImage TextRecognition::inkOnPaper(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return {};
    const int w = grey.width();
    const int h = grey.height();
    // The ground: the median of each row's neighbourhood, then of each column's. Far
    // cheaper than the median of the square, and as steady: a row crossing a line of
    // text can be mostly ink, but the rows above and below it are not.
    QImage across(grey.size(), QImage::Format_Grayscale8);
    QImage ground(grey.size(), QImage::Format_Grayscale8);
    if (across.isNull() || ground.isNull())
        return {};
    // Raw rows, taken once: the bands must not detach the images under each other.
    const uchar* const in = grey.constBits();
    uchar* const mid = across.bits();
    uchar* const under = ground.bits();
    const qsizetype inStep = grey.bytesPerLine();
    const qsizetype step = across.bytesPerLine();
    inBands(h, [&](int first, int last) {
        for (int y = first; y < last; ++y)
            runningMedian({in + y * inStep, mid + y * step, 1, w}, groundRadius);
    });
    inBands(w, [&](int first, int last) {
        for (int x = first; x < last; ++x)
            runningMedian({mid + x, under + x, step, h}, groundRadius);
    });
    // `across` is done with: it takes the result.
    inBands(h, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const uchar* pixel = in + y * inStep;
            const uchar* base = under + y * step;
            uchar* ink = mid + y * step;
            for (int x = 0; x < w; ++x)
                ink[x] = uchar(255 - std::abs(int(pixel[x]) - int(base[x])));
        }
    });
    return across;
}
