// End to end: open an image in the editor, draw a rectangle with the keyboard's tool
// key and a mouse drag, save it through the save panel in every format (driven by
// xdotool: Ctrl+Shift+S, the format chosen in the panel's popup, the path typed), and
// read every file back: the drawn rectangle is in it, where it was drawn, and the rest
// of the picture is untouched.
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
#include <QRegularExpression>
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

    // The base-coloured image opened in the editor.
    std::optional<QString> openEditor()
    {
        QImage base(kImageSize, QImage::Format_RGB32);
        base.fill(kBase);
        return desktop().startLumetraOnImage(desktop().saveImage(QStringLiteral("in.png"), base));
    }

    // Ctrl+Shift+S, the format by the popup (the stored one when none is given), the path
    // typed, Return; true once the panel is gone.
    ::testing::AssertionResult saveAs(const QString& editor, const QString& path, const SaveFormat* format = nullptr,
                                      bool replaceAsked = false)
    {
        if (!desktop().activate(editor) || !desktop().key(QStringLiteral("ctrl+shift+s")))
            return ::testing::AssertionFailure() << "cannot activate the editor";
        const std::optional<QString> panel = desktop().waitForWindow(QStringLiteral("^Save As$"), 15000);
        if (!panel || !desktop().activate(*panel))
            return ::testing::AssertionFailure() << "no save panel";
        if (format) {
            // The popup's row is the panel's last while the quality row is hidden. One wheel
            // step over it gives it the keyboard focus (whatever it does to the choice); then
            // Home and Down pick the row, without opening the list.
            const int popupY = desktop().windowGeometry(*panel).value_or(QRect()).height() - 23;
            desktop().xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), *panel, QStringLiteral("300"),
                               QString::number(popupY)});
            desktop().xdotool({QStringLiteral("click"), QStringLiteral("4")});
            desktop().xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"),
                                          QStringLiteral("Home")}
                              + QStringList(format->popupRow, QStringLiteral("Down")));
        }
        // The wheel gave the popup the focus; the name field's label takes it back (Alt+N).
        desktop().key(QStringLiteral("alt+n ctrl+a"));
        desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path});
        desktop().key(QStringLiteral("Return"));
        // Replacing a file is asked in a second window of the panel's title; "y" answers Yes.
        if (replaceAsked && (!waitUntil([&] { return desktop().findWindows(QStringLiteral("^Save As$")).size() == 2; },
                                        10000)
                             || !desktop().key(QStringLiteral("y"))))
            return ::testing::AssertionFailure() << "no question about replacing the file";
        if (!desktop().waitForWindowGone(QStringLiteral("^Save As$"), 10000))
            return ::testing::AssertionFailure() << "the save panel stayed up";
        return ::testing::AssertionSuccess();
    }

    // Where the image shows on screen: its top, left and right edges are the first and
    // last columns of the base colour (the floating toolbar may cover its bottom).
    QRectF shownImage()
    {
        QRect seen;
        desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& screen) {
            seen = e2e::boundsOfColour(screen.convertToFormat(QImage::Format_RGB32), screen.rect(), kBase.rgb());
            return seen.width() > 100;
        });
        return QRectF(seen.left(), seen.top(), seen.width(), seen.width() * kImageSize.height() / double(kImageSize.width()));
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ::testing::AssertionResult written(const QString& path)
    {
        if (waitUntil([&] { return QFileInfo(path).size() > 0; }, 10000))
            return ::testing::AssertionSuccess();
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
        return ImageFileReader::readFile(path).image.convertToFormat(QImage::Format_RGB32);
    }
};

TEST_F(SaveFormatsTest, ADrawnRectangleIsSavedInEveryFormat)
{
    const std::optional<QString> editor = openEditor();
    ASSERT_TRUE(editor) << desktop().errorString().toStdString();
    ASSERT_TRUE(desktop().activate(*editor));
    const QRectF shown = shownImage();
    ASSERT_GT(shown.width(), 100) << "the image never showed";

    // The rectangle tool by its key, then a drag over the middle half of the image.
    desktop().key(QStringLiteral("3"));
    const QPoint from = (shown.topLeft() + QPointF(0.25 * shown.width(), 0.25 * shown.height())).toPoint();
    const QPoint to = (shown.topLeft() + QPointF(0.75 * shown.width(), 0.75 * shown.height())).toPoint();
    desktop().dragPointer(from, to, 10);
    // Where the drag fell on the image, in its pixels.
    const QRectF expected(QPointF((from.x() - shown.left()) / shown.width() * kImageSize.width(),
                                  (from.y() - shown.top()) / shown.height() * kImageSize.height()),
                          QPointF((to.x() - shown.left()) / shown.width() * kImageSize.width(),
                                  (to.y() - shown.top()) / shown.height() * kImageSize.height()));

    QImage reference;
    QRgb stroke = 0;
    QPoint strokePoint;
    for (const SaveFormat& format : kFormats) {
        SCOPED_TRACE(format.id);
        const QString path = work(QStringLiteral("saved-%1.%2").arg(QLatin1String(format.id), QLatin1String(format.extension)));
        ASSERT_TRUE(saveAs(*editor, path, &format));
        ASSERT_TRUE(written(path));
        const QImage image = decode(format, path);
        ASSERT_EQ(image.size(), kImageSize);

        if (reference.isNull()) {
            // PNG first: exact pixels. The outline lies where the drag went, nothing else changed.
            reference = image;
            const auto drawn = [](const QColor& c) { return !e2e::nearColour(c, kBase, 60); };
            const QRect ink = e2e::pixelsWhere(image, image.rect(), drawn);
            ASSERT_FALSE(ink.isNull()) << "nothing was drawn into the saved image";
            const double slack = 6.0; // half the stroke and a pointer pixel at the zoom shown
            EXPECT_NEAR(ink.left(), expected.left(), slack);
            EXPECT_NEAR(ink.top(), expected.top(), slack);
            EXPECT_NEAR(ink.right(), expected.right(), slack);
            EXPECT_NEAR(ink.bottom(), expected.bottom(), slack);
            EXPECT_TRUE(e2e::nearColour(image.pixel(5, 5), kBase, 0));
            EXPECT_TRUE(e2e::nearColour(image.pixel(395, 295), kBase, 0));
            // The middle of the left side's stroke: the pixel of that row furthest from the base.
            const int row = int(expected.center().y());
            int best = -1;
            for (int x = ink.left(); x <= ink.left() + 8; ++x)
                if (best < 0 || std::abs(qRed(image.pixel(x, row)) - kBase.red()) >
                                    std::abs(qRed(image.pixel(best, row)) - kBase.red()))
                    best = x;
            strokePoint = QPoint(best, row);
            stroke = image.pixel(strokePoint);
            EXPECT_FALSE(e2e::nearColour(stroke, kBase, 60));
            continue;
        }

        // The others against the PNG: TIFF exactly; lossy ones, and the PDF as a viewer
        // renders it (resampling the edges), closely.
        const QString id = QString::fromLatin1(format.id);
        const bool lossless = id == QLatin1String("tiff");
        EXPECT_LT(meanDifference(image, reference), lossless ? 0.5 : 4.0);
        EXPECT_TRUE(e2e::nearColour(image.pixel(5, 5), kBase, lossless ? 1 : 6));
        if (lossless) {
            EXPECT_TRUE(e2e::nearColour(image.pixel(strokePoint), QColor(stroke), 1));
        } else {
            // Chroma subsampling smears a thin red line on blue, but it stays clearly red.
            int red = 0;
            for (int dx = -1; dx <= 1; ++dx)
                red = std::max(red, qRed(image.pixel(strokePoint + QPoint(dx, 0))));
            EXPECT_GT(red, kBase.red() + 80);
        }
        EXPECT_TRUE(e2e::nearColour(image.pixel(int(expected.center().x()), int(expected.center().y())),
                               QColor(reference.pixel(int(expected.center().x()), int(expected.center().y()))),
                               lossless ? 1 : 8));

        if (id == QLatin1String("pdf")) {
            // The picture the PDF holds is the PNG's, pixel for pixel.
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
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

} // namespace

TEST_F(SaveFormatsTest, SaveAfterAFailedSaveAsAsksRatherThanOverwritingTheEarlierFile)
{
    const std::optional<QString> editor = openEditor();
    ASSERT_TRUE(editor) << desktop().errorString().toStdString();
    const QString earlier = work(QStringLiteral("earlier.png"));
    ASSERT_TRUE(saveAs(*editor, earlier));
    ASSERT_TRUE(written(earlier));
    ASSERT_TRUE(QFile::remove(earlier));

    // Save As into a folder that is not there: the alert tells so (a dialog titled after
    // the program) and is dismissed.
    ASSERT_TRUE(saveAs(*editor, QStringLiteral("/zz-lumetra-missing/denied.png")));
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
    waitUntil([&] { return !(alerts = otherWindows()).isEmpty(); }, 20000);
    ASSERT_EQ(alerts.size(), 1) << "no alert about the failed save";
    ASSERT_TRUE(desktop().activate(alerts.first()));
    desktop().key(QStringLiteral("Return"));
    ASSERT_TRUE(waitUntil([&] { return otherWindows().isEmpty(); }, 10000)) << "the alert stayed";

    // Save: the panel asks where, and the earlier file is not written again.
    ASSERT_TRUE(desktop().activate(*editor));
    desktop().key(QStringLiteral("ctrl+s"));
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Save As$"), 15000)) << "Save asked nothing";
    EXPECT_FALSE(QFile::exists(earlier));
    desktop().key(QStringLiteral("Escape"));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(SaveFormatsTest, SaveAsWritesTheFileNamedAndUnsavedWorkIsAskedAboutOnQuit)
{
    const std::optional<QString> editor = openEditor();
    ASSERT_TRUE(editor) << desktop().errorString().toStdString();
    const auto drawRectangle = [&] {
        ASSERT_TRUE(desktop().activate(*editor));
        const QRectF shown = shownImage();
        desktop().key(QStringLiteral("3"));
        desktop().dragPointer(shown.center().toPoint(), (shown.center() + QPointF(60, 40)).toPoint(), 10);
    };
    const QString question = QStringLiteral("^Lumetra$");
    ASSERT_NO_FATAL_FAILURE(drawRectangle());

    // Ctrl+Q with a rectangle unsaved asks; Cancel (Escape) keeps Lumetra running.
    desktop().key(QStringLiteral("ctrl+q"));
    ASSERT_TRUE(desktop().waitForWindow(question, 10000)) << "quitting asked nothing";
    desktop().key(QStringLiteral("Escape"));
    EXPECT_TRUE(desktop().waitForWindowGone(question));
    QThread::msleep(300);
    ASSERT_TRUE(desktop().lumetraRunning());

    // With PNG chosen, the typed JPEG name is what is written, as JPEG; the PNG of that
    // name stays, and the window names the file saved. Then, JPEG now the stored choice,
    // a name without extension is completed, and the file so named is asked about and
    // replaced, without touching any other.
    for (const char* name : {"zzz.png", "report.jpg"})
        ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(work(QString::fromLatin1(name))));
    const QByteArray zzzPng = bytesOf(work(QStringLiteral("zzz.png")));
    const QByteArray oldReport = bytesOf(work(QStringLiteral("report.jpg")));
    const struct {
        const char* typed;
        const char* written;
        const SaveFormat* chosen;
        bool asked;
    } cases[] = {{"zzz.jpg", "zzz.jpg", &kFormats[0], false}, {"report", "report.jpg", nullptr, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString path = work(QString::fromLatin1(c.written));
        ASSERT_TRUE(saveAs(*editor, work(QString::fromLatin1(c.typed)), c.chosen, c.asked));
        ASSERT_TRUE(waitUntil([&] { return bytesOf(path).startsWith("\xff\xd8\xff"); }, 10000))
            << "no JPEG written at " << c.written;
        EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra - %1$").arg(QRegularExpression::escape(c.written)), 10000))
            << "the title does not name the saved file";
    }
    EXPECT_EQ(bytesOf(work(QStringLiteral("zzz.png"))), zzzPng);
    EXPECT_NE(bytesOf(work(QStringLiteral("report.jpg"))), oldReport);
    EXPECT_FALSE(QFile::exists(work(QStringLiteral("report.png"))) || QFile::exists(work(QStringLiteral("report"))));

    // New work after the save is asked about again; Discard quits.
    ASSERT_NO_FATAL_FAILURE(drawRectangle());
    desktop().key(QStringLiteral("ctrl+q"));
    ASSERT_TRUE(desktop().waitForWindow(question, 10000)) << "quitting asked nothing";
    desktop().key(QStringLiteral("Tab space")); // from Save, the focus, to Discard
    EXPECT_EQ(desktop().waitForLumetraExit(15000), 0);
}
