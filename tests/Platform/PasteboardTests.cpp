#include "Platform/InMemoryPasteboard.h"
#include "Platform/QtPasteboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

QImage sampleImage()
{
    QImage image(37, 21, QImage::Format_ARGB32);
    image.fill(QColor(20, 120, 220, 255));
    QPainter painter(&image);
    painter.fillRect(3, 4, 10, 7, QColor(250, 10, 10, 128));
    painter.end();
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage decoded(const QByteArray& bytes, const char* format)
{
    return QImage::fromData(bytes, format).convertToFormat(QImage::Format_ARGB32);
}

// The contract both implementations keep; run against each.
void checkRoundTripAndChangeCount(Pasteboard& pasteboard)
{
    const QImage image = sampleImage();
    const QByteArray png = encoded(image, "PNG");
    const QByteArray tiff = encoded(image, "TIFF");
    ASSERT_FALSE(png.isEmpty());
    ASSERT_FALSE(tiff.isEmpty()) << "the TIFF image plugin is missing";

    QSignalSpy changed(&pasteboard, &Pasteboard::changed);
    const qint64 start = pasteboard.changeCount();

    pasteboard.setItems({{Pasteboard::pngType, png}, {Pasteboard::tiffType, tiff}});
    EXPECT_EQ(pasteboard.changeCount(), start + 1);
    EXPECT_EQ(pasteboard.data(Pasteboard::pngType), png);
    EXPECT_EQ(pasteboard.data(Pasteboard::tiffType), tiff);
    EXPECT_EQ(decoded(*pasteboard.data(Pasteboard::pngType), "PNG"), image.convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(pasteboard.text().has_value());

    pasteboard.setText(QStringLiteral("#FF8800 — 颜色"));
    EXPECT_EQ(pasteboard.changeCount(), start + 2);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("#FF8800 — 颜色"));
    // Writing replaces everything that was there.
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType).has_value());

    pasteboard.setItems({{Pasteboard::textType, QStringLiteral("via items").toUtf8()}});
    EXPECT_EQ(pasteboard.changeCount(), start + 3);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("via items"));

    pasteboard.clearContents();
    EXPECT_EQ(pasteboard.changeCount(), start + 4);
    EXPECT_FALSE(pasteboard.text().has_value());
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType).has_value());

    // Writing the same contents again is still a change.
    pasteboard.setItems({{Pasteboard::pngType, png}});
    pasteboard.setItems({{Pasteboard::pngType, png}});
    EXPECT_EQ(pasteboard.changeCount(), start + 6);
    EXPECT_EQ(changed.count(), 6);
}

} // namespace

TEST(InMemoryPasteboard, BothImplementationsRoundTripWithOneChangePerWrite)
{
    InMemoryPasteboard memory;
    EXPECT_EQ(memory.changeCount(), 0);
    checkRoundTripAndChangeCount(memory);
    QtPasteboard system;
    checkRoundTripAndChangeCount(system);
    // Another instance over the same clipboard counts those writes too; other programs'
    // writes are counted by the end-to-end pasteboard test on a real X server.
    QtPasteboard other;
    const qint64 otherStart = other.changeCount();
    system.setText(QStringLiteral("ours"));
    EXPECT_EQ(other.changeCount(), otherStart + 1);
}

TEST(InMemoryPasteboard, EmptyItemListClearsRepeatedTypeKeepsTheLastBytesAndHandlersSeeTheNewContents)
{
    InMemoryPasteboard pasteboard;
    std::optional<QString> seen;
    QObject::connect(&pasteboard, &Pasteboard::changed, [&] { seen = pasteboard.text(); });
    pasteboard.setText(QStringLiteral("new"));
    EXPECT_EQ(seen, QStringLiteral("new"));
    pasteboard.setItems({{Pasteboard::pngType, QByteArray("first")}, {Pasteboard::pngType, QByteArray("second")}});
    EXPECT_EQ(pasteboard.data(Pasteboard::pngType), QByteArray("second"));
    EXPECT_EQ(pasteboard.items().size(), 1);
    pasteboard.setItems({});
    EXPECT_TRUE(pasteboard.items().isEmpty());
    EXPECT_EQ(pasteboard.changeCount(), 3);
}

TEST(QtPasteboard, APromisedTypeIsListedAtOnceAndMadeOnceWhenAskedFor)
{
    QtPasteboard pasteboard;
    const QByteArray png = encoded(sampleImage(), "PNG");
    const QByteArray tiff = encoded(sampleImage(), "TIFF");
    int made = 0;
    pasteboard.setItems({{Pasteboard::pngType, png}}, {{Pasteboard::tiffType, [&] {
                                                           ++made;
                                                           return tiff;
                                                       }}});
    EXPECT_EQ(made, 0);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->formats().contains(Pasteboard::tiffType));
    EXPECT_EQ(pasteboard.data(Pasteboard::pngType), png);
    EXPECT_EQ(made, 0) << "asking for PNG makes no TIFF";
    EXPECT_EQ(pasteboard.data(Pasteboard::tiffType), tiff);
    EXPECT_EQ(pasteboard.data(Pasteboard::tiffType), tiff);
    EXPECT_EQ(made, 1);
}

TEST(QtPasteboard, ImageOfferedInAnotherFormatIsReadAsPngOrTiff)
{
    QtPasteboard pasteboard;
    const QImage image = sampleImage().convertToFormat(QImage::Format_ARGB32);
    auto* mime = new QMimeData();
    mime->setData(QStringLiteral("image/bmp"), encoded(image, "BMP"));
    QGuiApplication::clipboard()->setMimeData(mime);

    const auto png = pasteboard.data(Pasteboard::pngType);
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(decoded(*png, "PNG"), image);
    const auto tiff = pasteboard.data(Pasteboard::tiffType);
    ASSERT_TRUE(tiff.has_value());
    EXPECT_EQ(decoded(*tiff, "TIFF"), image);
    EXPECT_FALSE(pasteboard.data(QStringLiteral("application/x-unknown")).has_value());
}
