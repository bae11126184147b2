#include "Output/TextInk.h"

#include "Base/PoolBands.h"

#include <QThread>

#include <sys/mman.h>

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

// Grey planes of one size, w bytes a row: the lightest and the darkest of a run.
struct Spread {
    uchar* light;
    uchar* dark;
};

// Into `out`, the lightest and darkest of `in` over the pixels from `from` to `to` (from
// <= 0 <= to) along each row of rows [first, last), or along each column with `down`.
// Whole rows at a time, so the compiler takes many pixels a step.
void spreadOver(const Spread& in, const Spread& out, int w, int h, int first, int last, int from, int to, bool down)
{
    for (int y = first; y < last; ++y) {
        const size_t row = size_t(y) * size_t(w);
        std::copy_n(in.light + row, w, out.light + row);
        std::copy_n(in.dark + row, w, out.dark + row);
        uchar* __restrict light = out.light + row;
        uchar* __restrict dark = out.dark + row;
        for (int k = from; k <= to; ++k) {
            if (k == 0)
                continue;
            if (down) {
                if (y + k < 0 || y + k >= h)
                    continue;
                const uchar* __restrict otherLight = in.light + size_t(y + k) * size_t(w);
                const uchar* __restrict otherDark = in.dark + size_t(y + k) * size_t(w);
                for (int x = 0; x < w; ++x) {
                    light[x] = std::max(light[x], otherLight[x]);
                    dark[x] = std::min(dark[x], otherDark[x]);
                }
            } else {
                const uchar* __restrict otherLight = in.light + row + k;
                const uchar* __restrict otherDark = in.dark + row + k;
                for (int x = std::max(0, -k); x < std::min(w, w - k); ++x) {
                    light[x] = std::max(light[x], otherLight[x]);
                    dark[x] = std::min(dark[x], otherDark[x]);
                }
            }
        }
    }
}

// Scratch planes mapped for one call alone: unmapped, they go back to the system at
// once, where the allocator would keep their megabytes for the rest of the process.
class Planes {
public:
    Planes(size_t count, size_t size)
        : bytes_(count * size)
        , size_(size)
    {
        void* mapped = bytes_ > 0 ? ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) : MAP_FAILED;
        base_ = mapped == MAP_FAILED ? nullptr : static_cast<uchar*>(mapped);
    }
    ~Planes()
    {
        if (base_)
            ::munmap(base_, bytes_);
    }
    Planes(const Planes&) = delete;
    Planes& operator=(const Planes&) = delete;
    explicit operator bool() const { return base_ != nullptr; }
    // Plane i, zeroed when first touched.
    uchar* operator[](size_t i) const { return base_ + i * size_; }

private:
    size_t bytes_;
    size_t size_;
    uchar* base_ = nullptr;
};

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

// Where the page is flat on one side of a pixel (above, below, left or right of it
// nothing differs from it), its ink comes from a misjudged ground, not from the page.
// Beside the edge of a panel of another shade the ground's window holds both grounds
// about half and half, and what it finds is then the lightest (or darkest) of its own
// side, which rows crossing text moved towards the ink: the panel's flat ground along
// its edges comes out as faint ink, which the engines read as dashes and letters where
// the page is blank. A stroke of screen text has ground on every side of it within the
// run looked at. The paper itself stays as it is: the engines' layout of the page
// leans on every mark of it, and a page changed even where there is no text reads
// differently elsewhere.
QImage misjudgedInk(const QImage& grey, const QImage& paper)
{
    const int w = grey.width(), h = grey.height();
    QImage marks(grey.size(), QImage::Format_Grayscale8);
    if (marks.isNull())
        return {};
    const size_t size = size_t(w) * size_t(h);
    // The page, across (lightest, darkest), to a side (lightest, darkest), flat.
    const Planes planes(6, size);
    if (!planes)
        return {};
    for (int y = 0; y < h; ++y)
        std::copy_n(grey.constScanLine(y), w, planes[0] + size_t(y) * size_t(w));
    const Spread page{planes[0], planes[0]}, across{planes[1], planes[2]}, side{planes[3], planes[4]};
    uchar* const flat = planes[5];
    constexpr int r = TextRecognition::flatRadius;
    // A run either side of each pixel along one way, then to one side of it the other
    // way: the four sides of the pixel, two at a time.
    for (const bool rowsFirst : {true, false}) {
        inBands(h, [&](int first, int last) { spreadOver(page, across, w, h, first, last, -r, r, !rowsFirst); });
        for (const bool ahead : {true, false}) {
            inBands(h, [&](int first, int last) {
                spreadOver(across, side, w, h, first, last, ahead ? 0 : -r, ahead ? r : 0, rowsFirst);
                for (size_t i = size_t(first) * size_t(w); i < size_t(last) * size_t(w); ++i)
                    flat[i] |= side.light[i] - side.dark[i] < TextRecognition::flatContrast;
            });
        }
    }
    // A panel's corner has the other ground on two sides of it: there the page is flat
    // in the square that reaches into the panel (twice the run each way, as wide as a
    // side's window is long, so no stroke of text fills one).
    for (const bool left : {true, false}) {
        inBands(h, [&](int first, int last) {
            spreadOver(page, across, w, h, first, last, left ? -2 * r : 0, left ? 0 : 2 * r, false);
        });
        for (const bool up : {true, false}) {
            inBands(h, [&](int first, int last) {
                spreadOver(across, side, w, h, first, last, up ? -2 * r : 0, up ? 0 : 2 * r, true);
                for (size_t i = size_t(first) * size_t(w); i < size_t(last) * size_t(w); ++i)
                    flat[i] |= side.light[i] - side.dark[i] < TextRecognition::flatContrast;
            });
        }
    }
    const uchar* const inks = paper.constBits();
    uchar* const out = marks.bits();
    const qsizetype step = marks.bytesPerLine();
    inBands(h, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const uchar* ink = inks + y * paper.bytesPerLine();
            const uchar* flatRow = flat + size_t(y) * size_t(w);
            uchar* mark = out + y * step;
            for (int x = 0; x < w; ++x)
                mark[x] = flatRow[x] && 255 - ink[x] >= TextRecognition::flatContrast ? 255 : 0;
        }
    });
    return marks;
}

} // namespace

QImage TextRecognition::inkOnPaper(const QImage& grey, QImage* misjudged)
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
    if (misjudged)
        *misjudged = misjudgedInk(grey, across);
    return across;
}
