#include "Capture/CapturePng.h"
#include "CaptureTestSupport.h"

#include <gtest/gtest.h>

TEST(CapturePng, IsLosslessAndCompressed)
{
    // Flat areas, as screens mostly are, plus a band of noise-like pattern.
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(qRgb(240, 240, 240));
    const QImage band = patternImage(800, 60, 9);
    for (int y = 0; y < band.height(); ++y)
        std::memcpy(image.scanLine(300 + y), band.constScanLine(y), std::size_t(band.bytesPerLine()));

    const auto png = encodeCapturePng(image);
    ASSERT_TRUE(png);
    EXPECT_EQ(QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32), image);
    EXPECT_LT(png->size(), 800 * 600 * 3 / 4) << "the pixels were stored without compression";

    EXPECT_FALSE(encodeCapturePng(QImage()));
}
