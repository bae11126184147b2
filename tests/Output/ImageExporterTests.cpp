#include "Output/ExportFormats.h"
#include "Output/ImageEncoder.h"
#include "Output/ImageExporter.h"
#include "Platform/ImageFileReader.h"
#include "Platform/InMemoryPasteboard.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Top half red, bottom half blue: where the top edge ends after a turn shows
// which way the image was turned.
Image topRedBottomBlue(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.fillRect(0, 0, width, height / 2, Qt::red);
    painter.fillRect(0, height / 2, width, height - height / 2, Qt::blue);
    painter.end();
    return Image(image);
}

ExportSnapshot snapshotOf(const Image& image)
{
    ExportSnapshot snapshot;
    snapshot.image = image;
    return snapshot;
}

template <typename Future>
void waitFor(const Future& future)
{
    // The completion runs on this thread's event loop after the work is done.
    ASSERT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 20000));
    QCoreApplication::processEvents();
}

class ScopedPasteboard {
public:
    ScopedPasteboard() { Pasteboard::setGeneralForTesting(&pasteboard); }
    ~ScopedPasteboard() { Pasteboard::setGeneralForTesting(nullptr); }
    InMemoryPasteboard pasteboard;
};

} // namespace

// The quarter turns are checked against the canvas by the editor's flatten test; here
// the angles the editor never sets by itself.
TEST(ExportSnapshot, AnyAngleTurnsClockwiseLikeTheCanvasAfterTheAnnotationsAreDrawnOnThePixels)
{
    ExportSnapshot snapshot = snapshotOf(topRedBottomBlue(40, 20));
    snapshot.rotation = -90;
    std::optional<QImage> turned = renderFlattenedImage(snapshot);
    ASSERT_TRUE(turned.has_value());
    ASSERT_EQ(turned->size(), QSize(20, 40));
    // A quarter turn back: the top edge (red) ends on the left side.
    EXPECT_EQ(turned->pixelColor(0, 20), QColor(Qt::red));
    EXPECT_EQ(turned->pixelColor(19, 20), QColor(Qt::blue));

    snapshot = snapshotOf(topRedBottomBlue(100, 20));
    snapshot.rotation = 45;
    turned = renderFlattenedImage(snapshot);
    ASSERT_EQ(turned->size(), QSize(100, 20));
    EXPECT_EQ(turned->pixelColor(0, 0).alpha(), 0); // uncovered corner

    // A 2x image: annotations are laid out on its pixels, not its points, before the turn.
    snapshot = snapshotOf(Image(topRedBottomBlue(40, 20).bitmap(), 2.0));
    QSizeF seen;
    snapshot.paintAnnotations = [&seen](QPainter& painter, const QSizeF& size) {
        seen = size;
        painter.fillRect(QRectF(0, 0, 4, 4), Qt::green); // top-left corner
    };
    snapshot.rotation = 90;
    turned = renderFlattenedImage(snapshot);
    ASSERT_TRUE(turned.has_value());
    EXPECT_EQ(seen, QSizeF(40, 20));
    // The top-left corner goes to the top-right after a clockwise turn.
    EXPECT_EQ(turned->pixelColor(18, 1), QColor(Qt::green));
}

TEST(ImageExport, DestinationAlwaysNamesTheWrittenFormat)
{
    EXPECT_EQ(ImageExport::destinationPath("/tmp/a.JPG"), "/tmp/a.JPG");
    EXPECT_EQ(ImageExport::destinationPath("/tmp/a.gif"), "/tmp/a.gif.png");
    EXPECT_EQ(ImageExport::destinationPath("/tmp/a"), "/tmp/a.png");
    EXPECT_EQ(ImageExport::destinationPath("/tmp/a.heif"), "/tmp/a.heif.png");
}

TEST(ImageExport, BackdropFollowsTheDestinationsTransparency)
{
    QTemporaryDir dir;
    QObject context;
    ExportSnapshot snapshot = snapshotOf(topRedBottomBlue(100, 60));
    snapshot.backdrop = BackdropParameters{.shadowEnabled = false};

    auto png = ImageExport::exportImage(snapshot, 0.9, dir.filePath("b.png"), &context, {});
    auto jpg = ImageExport::exportImage(snapshot, 0.9, dir.filePath("b.jpg"), &context, {});
    waitFor(png);
    waitFor(jpg);
    const QImage pngBack = ImageFileReader::readFile(dir.filePath("b.png")).image;
    const QImage jpgBack = ImageFileReader::readFile(dir.filePath("b.jpg")).image;
    ASSERT_EQ(pngBack.size(), QSize(164, 124));
    ASSERT_EQ(jpgBack.size(), QSize(164, 124));
    EXPECT_EQ(pngBack.pixelColor(0, 0).alpha(), 0); // outside the rounded card
    EXPECT_GT(jpgBack.pixelColor(0, 0).red(), 245); // white preset fills it
}

TEST(ImageExport, FailedWriteReportsAndKeepsTheOldFile)
{
    QObject context;
    std::optional<ExportOutcome> delivered;
    auto future = ImageExport::exportImage(snapshotOf(topRedBottomBlue(10, 10)), 0.9, "/proc/lumetra-export.png",
                                           &context, [&](const ExportOutcome& outcome) { delivered = outcome; });
    waitFor(future);
    ASSERT_TRUE(delivered.has_value());
    EXPECT_FALSE(delivered->success);
    ASSERT_TRUE(delivered->writeError.has_value());
    // The localised text carries the system's reason.
    EXPECT_TRUE(delivered->alertText().contains(*delivered->writeError)) << delivered->alertText().toStdString();
    EXPECT_FALSE(delivered->alertText().contains("%@"));
}

TEST(ImageExport, TooLargeWebPIsAnErrorAndWritesNothing)
{
    if (!ExportFormats::isWebPEncodingAvailable())
        GTEST_SKIP() << "no WebP writer";
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.webp");
    QImage wide(16384, 4, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::red);
    const ExportOutcome outcome = ImageExport::renderEncodeAndWrite(snapshotOf(Image(wide)), 0.9, path);
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.encodeError, EncodeError::webpTooLarge);
    EXPECT_EQ(outcome.alert()->key, "export.error.webpTooLarge");
    EXPECT_FALSE(QFile::exists(path));

    QImage atLimit(2, 16383, QImage::Format_ARGB32_Premultiplied);
    atLimit.fill(Qt::red);
    EXPECT_TRUE(encodeImage(0.9, atLimit, "webp").ok());
}

TEST(ImageExport, NoCompletionOnceTheContextIsGone)
{
    QTemporaryDir dir;
    auto context = std::make_unique<QObject>();
    bool called = false;
    auto future = ImageExport::exportImage(snapshotOf(topRedBottomBlue(10, 10)), 0.9, dir.filePath("c.png"),
                                           context.get(), [&](const ExportOutcome&) { called = true; });
    context.reset();
    QTest::qWait(200);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST(ImageExport, CopyPutsPngThenTiffOnThePasteboard)
{
    ScopedPasteboard scoped;
    QObject context;
    ExportSnapshot snapshot = snapshotOf(topRedBottomBlue(50, 30));
    snapshot.backdrop = BackdropParameters{.shadowEnabled = false};
    snapshot.backdropAlphaCapable = false; // a copy keeps transparency whatever this says
    std::optional<bool> written;
    auto future = ImageExport::copyImage(snapshot, &context, [&](bool ok) { written = ok; });
    waitFor(future);
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.has_value(); }, 5000));
    EXPECT_TRUE(*written);

    const QList<Pasteboard::Item> items = scoped.pasteboard.items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].first, Pasteboard::pngType);
    EXPECT_EQ(items[1].first, Pasteboard::tiffType);
    EXPECT_EQ(scoped.pasteboard.changeCount(), 1);
    const QImage png = ImageFileReader::readData(items[0].second).image;
    const QImage tiff = ImageFileReader::readData(items[1].second).image;
    ASSERT_EQ(png.size(), QSize(114, 94));
    EXPECT_EQ(tiff.size(), png.size());
    EXPECT_EQ(png.pixelColor(0, 0).alpha(), 0);
}

TEST(ImageExport, NothingToCopyWritesNothing)
{
    InMemoryPasteboard pasteboard;
    EXPECT_FALSE(ImageExport::writeClipboardImage({}, pasteboard));
    EXPECT_EQ(pasteboard.changeCount(), 0);
    EXPECT_TRUE(ImageExport::encodeClipboardImage(ExportSnapshot()).png.isEmpty());

    // PNG bytes that make no TIFF still copy, PNG alone.
    EXPECT_TRUE(ImageExport::writeClipboardImage({QByteArray("png bytes")}, pasteboard));
    ASSERT_EQ(pasteboard.items().size(), 1);
    EXPECT_EQ(pasteboard.items()[0].first, Pasteboard::pngType);
}
