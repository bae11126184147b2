#include "Output/ExportFormats.h"
#include "Output/ImageEncoder.h"
#include "Platform/ImageFileReader.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// Something like a photo: smooth gradients plus noise, so lossy quality shows.
QImage photoLike(int width, int height, bool transparentLeft = false)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random.bounded(40));
            row[x] = qRgba((x * 255 / width + noise) % 256, (y * 255 / height) % 256, (128 + noise) % 256, 255);
        }
    }
    if (transparentLeft) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(0, 0, width / 2, height, Qt::transparent);
    }
    return image;
}

QImage decode(const QByteArray& data)
{
    return ImageFileReader::readData(data).image;
}

} // namespace

TEST(ImageEncoder, TheExtensionChoosesTheContainerAndEveryFormatReadsBackAtItsSize)
{
    const QImage image = photoLike(301, 157); // odd sides on purpose
    const struct {
        const char* extension;
        int at;
        QByteArray magic;
    } cases[] = {{"PNG", 0, "\x89PNG"}, {"jpg", 0, "\xFF\xD8\xFF"}, {"JPEG", 0, "\xFF\xD8\xFF"}, {"tif", 0, "II*"},
                 {"TIFF", 0, "II*"}, {"webp", 8, "WEBP"}, {"heic", 4, "ftyp"}, {"pdf", 0, "%PDF-"},
                 // Anything else is PNG; the exporter never lets such a name through.
                 {"gif", 0, "\x89PNG"}, {"", 0, "\x89PNG"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        const EncodeResult result = encodeImage(0.9, image, c.extension);
        ASSERT_TRUE(result.ok()) << result.detail.toStdString();
        EXPECT_EQ(result.data.mid(c.at, c.magic.size()), c.magic);
        if (QByteArray(c.extension) != "pdf") {
            EXPECT_EQ(decode(result.data).size(), image.size());
        }
        const EncodeResult empty = encodeImage(0.9, QImage(), c.extension);
        EXPECT_FALSE(empty.ok());
        EXPECT_EQ(empty.error, EncodeError::emptyImage);
    }
}

TEST(ImageEncoder, LosslessFormatsKeepPixelsAndAlpha)
{
    const QImage image = photoLike(64, 48, true);
    for (const QString ext : {"png", "tiff"}) {
        const QImage back = decode(encodeImage(0.1, image, ext).data)
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(back.size(), image.size());
        EXPECT_EQ(back, image) << ext.toStdString();
        EXPECT_EQ(back.pixelColor(2, 2).alpha(), 0) << ext.toStdString();
    }
}

TEST(ImageEncoder, JpegPutsTransparentPixelsOnWhite)
{
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(20, 0, 20, 40, Qt::blue);
    painter.fillRect(0, 20, 20, 20, QColor(0, 0, 0, 128)); // half-transparent black
    painter.end();
    const QImage back = decode(encodeImage(1.0, image, "jpg").data);
    ASSERT_EQ(back.size(), image.size());
    const QColor clear = back.pixelColor(5, 5);
    EXPECT_GT(clear.red(), 245);
    EXPECT_GT(clear.green(), 245);
    EXPECT_GT(clear.blue(), 245);
    EXPECT_LT(back.pixelColor(30, 10).red(), 20);
    EXPECT_NEAR(back.pixelColor(5, 30).red(), 127, 8); // black at half over white
}

TEST(ImageEncoder, QualityChangesLossyOutput)
{
    const QImage image = photoLike(320, 240);
    for (const QString ext : {"jpg", "webp", "heic"}) {
        const qsizetype low = encodeImage(0.2, image, ext).data.size();
        const qsizetype high = encodeImage(0.95, image, ext).data.size();
        EXPECT_GT(low, 0) << ext.toStdString();
        EXPECT_LT(low, high) << ext.toStdString();
    }
    // Lossless formats ignore it.
    for (const QString ext : {"png", "tiff"})
        EXPECT_EQ(encodeImage(0.2, image, ext).data, encodeImage(0.95, image, ext).data) << ext.toStdString();
}

TEST(ImageEncoder, HeicHandlesOddAndTallImages)
{
    for (const QSize size : {QSize(1, 1), QSize(33, 17), QSize(160, 9000)}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(200, 40, 40));
        const EncodeResult result = encodeImage(0.9, image, "heic");
        ASSERT_TRUE(result.ok()) << size.width() << "x" << size.height() << ": " << result.detail.toStdString();
        const QImage back = decode(result.data);
        ASSERT_EQ(back.size(), size);
        const QColor middle = back.pixelColor(size.width() / 2, size.height() / 2);
        EXPECT_NEAR(middle.red(), 200, 12);
        EXPECT_NEAR(middle.green(), 40, 12);
    }
}

TEST(ImageEncoder, HeicKeepsAlphaOnlyWhenThereIsSome)
{
    const QImage back = decode(encodeImage(0.9, photoLike(64, 64, true), "heic").data);
    ASSERT_FALSE(back.isNull());
    EXPECT_LT(back.pixelColor(4, 4).alpha(), 30);
    EXPECT_GT(back.pixelColor(60, 4).alpha(), 225);
}

TEST(ImageEncoder, PdfStoresThePictureLosslesslyOnAPageOfItsSize)
{
    const QImage image = photoLike(300, 200);
    const EncodeResult result = encodeImage(0.9, image, "pdf");
    ASSERT_TRUE(result.ok());
    EXPECT_TRUE(result.data.startsWith("%PDF-"));
    EXPECT_FALSE(result.data.contains("DCTDecode"));
    EXPECT_TRUE(result.data.contains("FlateDecode"));
    EXPECT_TRUE(result.data.contains("/Width 300"));
    EXPECT_TRUE(result.data.contains("/Height 200"));
    EXPECT_TRUE(result.data.contains("/MediaBox [0 0 300.000000 200.000000]"));
}
