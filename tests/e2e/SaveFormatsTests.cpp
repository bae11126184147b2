// End to end: open an image in the editor, draw a rectangle with the keyboard's tool
// key and a mouse drag, save it through the save panel in every format (driven by
// xdotool: Ctrl+Shift+S, the format chosen in the panel's popup, the path typed), and
// read every file back: the drawn rectangle is in it, where it was drawn, and the rest
// of the picture is untouched. Then copy, and the clipboard holds the same picture.
//
// The save panel's popup takes the keyboard focus from one wheel step over it, and its
// row is then chosen with Home and Down, without opening the list; the popup stands on
// the panel's last row while the JPEG quality row is hidden, which is why JPEG is
// saved last.

#include "Platform/ImageFileReader.h"
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cmath>
#include <optional>

namespace {

const QColor kBase(40, 120, 200);
const QSize kImageSize(400, 300);

struct SaveFormat {
    const char* id;
    int popupRow;      // the row of the save panel's format popup
    const char* extension;
};

// PNG, JPEG, TIFF, HEIC, PDF, WebP are the popup's rows in this order.
const SaveFormat kFormats[] = {
    {"png", 0, "png"}, {"tiff", 2, "tiff"}, {"heic", 3, "heic"}, {"pdf", 4, "pdf"}, {"webp", 5, "webp"},
    {"jpeg", 1, "jpg"},
};

bool sameColour(QRgb a, const QColor& b, int tolerance)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
        && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

// The bounding box of the pixels that differ from the base colour by more than 60.
QRect differingBounds(const QImage& image)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!sameColour(image.pixel(x, y), kBase, 60))
                found = found.united(QRect(x, y, 1, 1));
    return found;
}

// Mean absolute difference per channel between two images of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

class SaveFormatsTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    QString work(const QString& name) { return QDir(desktop().workDir()).filePath(name); }

    bool activate(const QString& window) { return desktop().activate(window); }

    // Where the image shows on screen: its top, left and right edges are the first and
    // last columns of the base colour (the floating toolbar may cover its bottom).
    std::optional<QRectF> shownImageRect()
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QImage screen = desktop().screenshot().convertToFormat(QImage::Format_RGB32);
            const QRect seen = screen.isNull() ? QRect() : e2e::boundsOfColour(screen, screen.rect(), kBase.rgb());
            if (seen.width() > 100) {
                const double width = seen.width();
                return QRectF(seen.left(), seen.top(), width, width * kImageSize.height() / kImageSize.width());
            }
            QThread::msleep(100);
        }
        return std::nullopt;
    }

    // Ctrl+Shift+S, the format by the popup, the path typed, Return.
    ::testing::AssertionResult saveAs(const QString& editor, const SaveFormat& format, const QString& path)
    {
        if (!activate(editor))
            return ::testing::AssertionFailure() << "cannot activate the editor";
        desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+s")});
        const std::optional<QString> panel = desktop().waitForWindow(QStringLiteral("^Save As$"), 15000);
        if (!panel)
            return ::testing::AssertionFailure() << "no save panel";
        if (!activate(*panel))
            return ::testing::AssertionFailure() << "cannot activate the save panel";
        const std::optional<QRect> geometry = desktop().windowGeometry(*panel);
        if (!geometry)
            return ::testing::AssertionFailure() << "no panel geometry";
        // The popup's row is the panel's last while the quality row is hidden.
        const int popupY = geometry->height() - 23;
        desktop().xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), *panel, QStringLiteral("300"),
                           QString::number(popupY)});
        // One wheel step over the popup gives it the keyboard focus (whatever it does to
        // the choice); then Home and Down pick the row, without opening the list.
        desktop().xdotool({QStringLiteral("click"), QStringLiteral("4")});
        QStringList keys{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("Home")};
        for (int row = 0; row < format.popupRow; ++row)
            keys << QStringLiteral("Down");
        desktop().xdotool(keys);
        // The wheel gave the popup the focus; the name field's label takes it back (Alt+N).
        desktop().xdotool({QStringLiteral("key"), QStringLiteral("alt+n")});
        desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path});
        desktop().xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        if (!desktop().waitForWindowGone(QStringLiteral("^Save As$"), 10000)) {
            keepForInspection(desktop().screenshot(), QStringLiteral("panel-stayed-up"));
            return ::testing::AssertionFailure() << "the save panel stayed up";
        }
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (QFileInfo(path).size() > 0)
                return ::testing::AssertionSuccess();
            QThread::msleep(50);
        }
        return ::testing::AssertionFailure() << "nothing written at " << path.toStdString() << "; folder holds "
                                             << QDir(desktop().workDir()).entryList(QDir::Files).join(' ').toStdString();
    }

    QImage decode(const SaveFormat& format, const QString& path)
    {
        if (QString::fromLatin1(format.id) == QLatin1String("pdf")) {
            // One page point per image pixel: at 72 dpi the page renders at the image's size.
            const QString prefix = work(QStringLiteral("pdfpage"));
            const CommandResult render = desktop().run(
                QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                             QStringLiteral("-singlefile"), path, prefix});
            EXPECT_TRUE(render.ok()) << render.describe().toStdString();
            return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
        }
        const ImageFileReader::Result read = ImageFileReader::readFile(path);
        return read.image.convertToFormat(QImage::Format_RGB32);
    }

    void keepForInspection(const QImage& image, const QString& name)
    {
        const QString folder = qEnvironmentVariable("LUMETRA_E2E_ARTIFACTS");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            image.save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }
};

TEST_F(SaveFormatsTest, ADrawnRectangleIsSavedInEveryFormat)
{
    QImage base(kImageSize, QImage::Format_RGB32);
    base.fill(kBase);
    const QString input = work(QStringLiteral("in.png"));
    ASSERT_TRUE(base.save(input));

    const std::optional<QString> editor = desktop().startLumetraOnImage(input);
    ASSERT_TRUE(editor) << desktop().errorString().toStdString() << desktop().lumetraOutput().toStdString();
    ASSERT_TRUE(activate(*editor));
    const std::optional<QRectF> shown = shownImageRect();
    ASSERT_TRUE(shown) << "the image never showed";

    // The rectangle tool by its key, then a drag over the middle half of the image.
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("3")});
    const QPoint from = (shown->topLeft() + QPointF(0.25 * shown->width(), 0.25 * shown->height())).toPoint();
    const QPoint to = (shown->topLeft() + QPointF(0.75 * shown->width(), 0.75 * shown->height())).toPoint();
    desktop().dragPointer(from, to, 10);
    // Where the drag fell on the image, in its pixels.
    const QRectF expected(QPointF((from.x() - shown->left()) / shown->width() * kImageSize.width(),
                                  (from.y() - shown->top()) / shown->height() * kImageSize.height()),
                          QPointF((to.x() - shown->left()) / shown->width() * kImageSize.width(),
                                  (to.y() - shown->top()) / shown->height() * kImageSize.height()));

    QImage reference;
    QRgb stroke = 0;
    QPoint strokePoint;
    for (const SaveFormat& format : kFormats) {
        SCOPED_TRACE(format.id);
        const QString path = work(QStringLiteral("saved-%1.%2").arg(QLatin1String(format.id), QLatin1String(format.extension)));
        ASSERT_TRUE(saveAs(*editor, format, path)) << desktop().lumetraOutput().toStdString();
        const QImage image = decode(format, path);
        keepForInspection(image, QStringLiteral("saved-") + QLatin1String(format.id));
        ASSERT_EQ(image.size(), kImageSize);

        if (reference.isNull()) {
            // PNG first: exact pixels. The outline lies where the drag went, nothing else changed.
            reference = image;
            const QRect ink = differingBounds(image);
            ASSERT_FALSE(ink.isNull()) << "nothing was drawn into the saved image";
            const double slack = 6.0; // half the stroke and a pointer pixel at the zoom shown
            EXPECT_NEAR(ink.left(), expected.left(), slack);
            EXPECT_NEAR(ink.top(), expected.top(), slack);
            EXPECT_NEAR(ink.right(), expected.right(), slack);
            EXPECT_NEAR(ink.bottom(), expected.bottom(), slack);
            EXPECT_TRUE(sameColour(image.pixel(5, 5), kBase, 0));
            EXPECT_TRUE(sameColour(image.pixel(395, 295), kBase, 0));
            // The middle of the left side's stroke: the pixel of that row furthest from the base.
            const int row = int(expected.center().y());
            int best = -1;
            for (int x = ink.left(); x <= ink.left() + 8; ++x)
                if (best < 0 || std::abs(qRed(image.pixel(x, row)) - kBase.red()) >
                                    std::abs(qRed(image.pixel(best, row)) - kBase.red()))
                    best = x;
            strokePoint = QPoint(best, row);
            stroke = image.pixel(strokePoint);
            EXPECT_FALSE(sameColour(stroke, kBase, 60));
            // The saved toast shows over the editor, its green check mark on screen.
            bool toastSeen = false;
            for (int attempt = 0; attempt < 30 && !toastSeen; ++attempt) {
                const QImage screen = desktop().screenshotWindow(*editor).convertToFormat(QImage::Format_RGB32);
                toastSeen = !screen.isNull() && !e2e::boundsOfColour(screen, screen.rect(), qRgb(52, 199, 89)).isNull();
                if (!toastSeen)
                    QThread::msleep(100);
            }
            EXPECT_TRUE(toastSeen) << "no saved toast";
            continue;
        }

        // The others against the PNG: TIFF exactly; lossy ones, and the PDF as a viewer
        // renders it (resampling the edges), closely.
        const QString id = QString::fromLatin1(format.id);
        const bool lossless = id == QLatin1String("tiff");
        EXPECT_LT(meanDifference(image, reference), lossless ? 0.5 : 4.0);
        EXPECT_TRUE(sameColour(image.pixel(5, 5), kBase, lossless ? 1 : 6));
        if (lossless) {
            EXPECT_TRUE(sameColour(image.pixel(strokePoint), QColor(stroke), 1));
        } else {
            // Chroma subsampling smears a thin red line on blue, but it stays clearly red.
            int red = 0;
            for (int dx = -1; dx <= 1; ++dx)
                red = std::max(red, qRed(image.pixel(strokePoint + QPoint(dx, 0))));
            EXPECT_GT(red, kBase.red() + 80);
        }
        EXPECT_TRUE(sameColour(image.pixel(int(expected.center().x()), int(expected.center().y())),
                               QColor(reference.pixel(int(expected.center().x()), int(expected.center().y()))),
                               lossless ? 1 : 8));

        if (id == QLatin1String("pdf")) {
            // The picture is stored losslessly: no JPEG (DCT) image in the file.
            const CommandResult list = desktop().run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
            ASSERT_TRUE(list.ok()) << list.describe().toStdString();
            const QStringList rows = list.text().split(QLatin1Char('\n')).mid(2);
            ASSERT_FALSE(rows.isEmpty()) << "no image in the PDF";
            for (const QString& row : rows)
                EXPECT_FALSE(row.contains(QStringLiteral(" jpeg "))) << row.toStdString();
            QFile pdf(path);
            ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
            EXPECT_FALSE(pdf.readAll().contains("DCTDecode"));
            // And the image it holds is the PNG's, pixel for pixel.
            const QString prefix = work(QStringLiteral("pdfimage"));
            const CommandResult extract = desktop().run(
                QStringLiteral("pdfimages"), {QStringLiteral("-png"), QStringLiteral("-f"), QStringLiteral("1"),
                                              QStringLiteral("-l"), QStringLiteral("1"), path, prefix});
            ASSERT_TRUE(extract.ok()) << extract.describe().toStdString();
            const QImage embedded = QImage(prefix + QStringLiteral("-000.png")).convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(embedded.size(), kImageSize);
            EXPECT_EQ(meanDifference(embedded, reference), 0.0);
        }
    }

    // Copy (Ctrl+Shift+C) puts the same picture on the clipboard as PNG.
    ASSERT_TRUE(activate(*editor));
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")});
    QImage copied;
    for (int attempt = 0; attempt < 100 && copied.isNull(); ++attempt) {
        copied = desktop().clipboardImage();
        if (copied.isNull())
            QThread::msleep(100);
    }
    ASSERT_EQ(copied.size(), kImageSize);
    EXPECT_EQ(meanDifference(copied, reference), 0.0);
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

} // namespace

TEST_F(SaveFormatsTest, SaveAfterAFailedSaveAsAsksRatherThanOverwritingTheEarlierFile)
{
    QImage base(kImageSize, QImage::Format_RGB32);
    base.fill(kBase);
    const QString input = work(QStringLiteral("in.png"));
    ASSERT_TRUE(base.save(input));
    const std::optional<QString> editor = desktop().startLumetraOnImage(input);
    ASSERT_TRUE(editor) << desktop().errorString().toStdString();
    const QString earlier = work(QStringLiteral("earlier.png"));
    ASSERT_TRUE(saveAs(*editor, kFormats[0], earlier)) << desktop().lumetraOutput().toStdString();
    ASSERT_TRUE(QFile::remove(earlier));

    // Save As into a folder that is not there: the alert tells so (a dialog titled after
    // the program) and is dismissed.
    ASSERT_TRUE(activate(*editor));
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+s")});
    const std::optional<QString> panel = desktop().waitForWindow(QStringLiteral("^Save As$"), 15000);
    ASSERT_TRUE(panel);
    ASSERT_TRUE(activate(*panel));
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("alt+n")});
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"),
                       QStringLiteral("/zz-lumetra-missing/denied.png")});
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    // Lumetra's windows besides the editor (the alert has no title of its own).
    const auto otherWindows = [&] {
        QStringList ids = desktop()
                              .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                                        QStringLiteral("lumetra")})
                              .text()
                              .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ids.removeAll(*editor);
        return ids;
    };
    QStringList alerts;
    for (int attempt = 0; attempt < 200 && alerts.isEmpty(); ++attempt) {
        QThread::msleep(100);
        alerts = otherWindows();
    }
    ASSERT_EQ(alerts.size(), 1) << "no alert about the failed save";
    ASSERT_TRUE(activate(alerts.first()));
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    for (int attempt = 0; attempt < 100 && !otherWindows().isEmpty(); ++attempt)
        QThread::msleep(100);
    ASSERT_TRUE(otherWindows().isEmpty()) << "the alert stayed";

    // Save: the panel asks where, and the earlier file is not written again.
    ASSERT_TRUE(activate(*editor));
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+s")});
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Save As$"), 15000)) << "Save asked nothing";
    EXPECT_FALSE(QFile::exists(earlier));
    desktop().xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
