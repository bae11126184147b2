// An output's copy read without a compositor: the buffer's formats, and the buffer
// turned upright by the output's transform and y-inversion (directions checked against
// grim on sway's rotated and flipped outputs).

#include "Platform/WaylandScreencopy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace WaylandScreencopy;

int cleanups = 0;
void countCleanup(void*) { ++cleanups; }

// Three pixels a row, two rows, rows 16 bytes apart (4 bytes of padding), in the byte
// order of `format` on a little-endian machine.
std::vector<uchar> bufferOf(const QList<QRgb>& pixels, std::uint32_t format)
{
    std::vector<uchar> bytes(16 * 2, 0xee);
    for (int i = 0; i < 6; ++i) {
        const QRgb p = pixels[i];
        uchar* at = bytes.data() + (i / 3) * 16 + (i % 3) * 4;
        const bool bgr = format == xbgr8888 || format == abgr8888;
        at[0] = uchar(bgr ? qRed(p) : qBlue(p));
        at[1] = uchar(qGreen(p));
        at[2] = uchar(bgr ? qBlue(p) : qRed(p));
        at[3] = 0; // an alpha the compositor left empty, or padding
    }
    return bytes;
}

QList<QRgb> rows(const QImage& image)
{
    QList<QRgb> list;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            list << (image.pixel(x, y) | 0xff000000);
    return list;
}

} // namespace

TEST(WaylandScreencopyImage, ReadsTheFourCommonFormatsAsOpaquePixelsAndRefusesOthers)
{
    const QList<QRgb> pixels = {qRgb(255, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 150),
                                qRgb(10, 20, 30), qRgb(250, 240, 5), qRgb(1, 2, 3)};
    for (const std::uint32_t format : {xrgb8888, argb8888, xbgr8888, abgr8888}) {
        std::vector<uchar> bytes = bufferOf(pixels, format);
        cleanups = 0;
        {
            const QImage image = imageOverBuffer(bytes.data(), 3, 2, 16, format, countCleanup, nullptr);
            ASSERT_EQ(image.size(), QSize(3, 2)) << format;
            EXPECT_EQ(rows(image), pixels) << format;
            EXPECT_FALSE(image.hasAlphaChannel()) << "a screen's pixels are opaque whatever the alpha byte says";
            if (format == xrgb8888 || format == argb8888) {
                // Qt's own order: the image is the buffer itself, no copy of a 4K output.
                EXPECT_EQ(image.constBits(), bytes.data());
                EXPECT_EQ(cleanups, 0) << "the buffer went while the image still used it";
            } else {
                EXPECT_NE(image.constBits(), bytes.data());
                EXPECT_EQ(image.format(), QImage::Format_RGB32);
            }
        }
        EXPECT_EQ(cleanups, 1) << "the buffer is let go exactly once, when no image uses it, for " << format;
    }
    // 16 bits a pixel, or a stride too short for the width: nothing, and the buffer goes.
    std::vector<uchar> bytes(64, 0);
    cleanups = 0;
    EXPECT_TRUE(imageOverBuffer(bytes.data(), 3, 2, 16, 0x36314752 /* RGB565 */, countCleanup, nullptr).isNull());
    EXPECT_TRUE(imageOverBuffer(bytes.data(), 5, 2, 16, xrgb8888, countCleanup, nullptr).isNull());
    EXPECT_EQ(cleanups, 2);
}

TEST(WaylandScreencopyImage, TurnsTheBufferUprightForEveryTransformAndAYInvertedCopy)
{
    // The buffer      a b c
    //                 d e f
    const QRgb a = qRgb(1, 0, 0), b = qRgb(2, 0, 0), c = qRgb(3, 0, 0), d = qRgb(4, 0, 0), e = qRgb(5, 0, 0),
               f = qRgb(6, 0, 0);
    QImage buffer(3, 2, QImage::Format_RGB32);
    const QRgb values[] = {a, b, c, d, e, f};
    for (int i = 0; i < 6; ++i)
        buffer.setPixel(i % 3, i / 3, values[i]);

    const struct {
        std::uint32_t transform;
        bool yInverted;
        QSize size;
        QList<QRgb> upright; // row by row
    } cases[] = {
        {0, false, {3, 2}, {a, b, c, d, e, f}},
        {1, false, {2, 3}, {d, a, e, b, f, c}}, // 90
        {2, false, {3, 2}, {f, e, d, c, b, a}}, // 180
        {3, false, {2, 3}, {c, f, b, e, a, d}}, // 270
        {4, false, {3, 2}, {c, b, a, f, e, d}}, // flipped
        {5, false, {2, 3}, {a, d, b, e, c, f}}, // flipped-90
        {6, false, {3, 2}, {d, e, f, a, b, c}}, // flipped-180
        {7, false, {2, 3}, {f, c, e, b, d, a}}, // flipped-270
        {0, true, {3, 2}, {d, e, f, a, b, c}},
        {1, true, {2, 3}, {a, d, b, e, c, f}},
    };
    for (const auto& c : cases) {
        const QImage upright = orientedOutputImage(buffer, c.transform, c.yInverted);
        EXPECT_EQ(upright.size(), c.size) << c.transform << " " << c.yInverted;
        EXPECT_EQ(rows(upright), c.upright) << c.transform << " " << c.yInverted;
    }
    // Upright already: the same pixels, not a copy.
    EXPECT_EQ(orientedOutputImage(buffer, 0, false).constBits(), buffer.constBits());
}
