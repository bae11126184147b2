#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QThread>

#include <optional>

namespace {

const QString kPatternTitle = QStringLiteral("CapturePattern");
const QPoint kPatternOrigin(1100, 200); // no window manager: the window lands exactly here
const QSize kPatternSize(400, 300);
const QString kOverlay = QStringLiteral("^Lumetra Selection$");

QImage patternImage() { return e2e::patternImage(kPatternSize); }

using e2e::samePixels;

class CaptureAreaTest : public DesktopTest {
protected:
    // Shows the pattern in a window of its own (ImageMagick's viewer) at a known place.
    void showPattern()
    {
        ASSERT_TRUE(desktop().showImage(kPatternTitle, patternImage(), kPatternOrigin));
        // The viewer maps its window before it has drawn into it.
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (samePixels(screenRegion(QRect(kPatternOrigin, kPatternSize)), patternImage()))
                return;
            QThread::msleep(100);
        }
        FAIL() << "the pattern window never showed the pattern";
    }

    QImage screenRegion(const QRect& rect)
    {
        const QImage screen = desktop().screenshot();
        if (screen.isNull())
            return {};
        return screen.copy(rect).convertToFormat(QImage::Format_RGB32);
    }

    // Writes one setting into this desktop's Lumetra configuration.
    void setSetting(const QByteArray& key, const QByteArray& value)
    {
        QFile config(QDir(desktop().configDir()).filePath(QStringLiteral("Lumetra.conf")));
        ASSERT_TRUE(config.open(QIODevice::Append));
        if (config.size() == 0)
            config.write("[General]\n");
        config.write(key + '=' + value + '\n');
    }

    void startAreaCapture()
    {
        ASSERT_TRUE(desktop().startLumetra({QStringLiteral("--capture-area")}))
            << desktop().errorString().toStdString();
        ASSERT_TRUE(desktop().waitForWindow(kOverlay, 30000))
            << desktop().lumetraOutput().toStdString() << desktop().lumetraErrors().toStdString();
    }

    void dragScreen(QPoint from, QPoint to)
    {
        const auto n = [](int v) { return QString::number(v); };
        const CommandResult result = desktop().xdotool(
            {QStringLiteral("mousemove"), n(from.x()), n(from.y()), QStringLiteral("mousedown"), QStringLiteral("1"),
             QStringLiteral("mousemove"), n((from.x() + to.x()) / 2), n((from.y() + to.y()) / 2),
             QStringLiteral("mousemove"), n(to.x()), n(to.y()), QStringLiteral("mouseup"), QStringLiteral("1")});
        ASSERT_TRUE(result.ok()) << result.describe().toStdString();
    }

    // The clipboard's image once it shows these pixels (or the last one read).
    QImage waitForClipboard(const QImage& expected)
    {
        return desktop().waitForClipboardImage([&](const QImage& clip) { return samePixels(clip, expected); });
    }

    // Where the pattern's top-left pixel is on screen (a window manager decides where
    // the window and its frame go).
    std::optional<QPoint> findPattern() { return e2e::locate(desktop().screenshot(), patternImage()); }

    bool mainWindowMapped() { return !desktop().findWindows(QStringLiteral("^Lumetra$")).isEmpty(); }
};

} // namespace

TEST_F(CaptureAreaTest, DraggedRectangleReachesTheClipboardPixelForPixel)
{
    setSetting("captureOpensEditor", "false");
    showPattern();
    startAreaCapture();
    EXPECT_FALSE(mainWindowMapped()) << "Lumetra's window must be out of the way while the screen is frozen";

    // Screen (1150, 250) to (1390, 410): pattern pixels (50, 50) to (290, 210).
    dragScreen(QPoint(1150, 250), QPoint(1390, 410));
    const QImage clip = waitForClipboard(patternImage().copy(50, 50, 240, 160));
    ASSERT_FALSE(clip.isNull()) << "no PNG on the clipboard";
    EXPECT_EQ(clip.size(), QSize(240, 160));
    EXPECT_TRUE(samePixels(clip, patternImage().copy(50, 50, 240, 160)));
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra$")).has_value()) << "the main window came back";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(CaptureAreaTest, EscapeCancelsAndRestoresLumetrasWindows)
{
    setSetting("captureOpensEditor", "false");
    showPattern();
    startAreaCapture();
    EXPECT_FALSE(mainWindowMapped());
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).ok());
    ASSERT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra$")).has_value())
        << desktop().lumetraOutput().toStdString();
    EXPECT_TRUE(desktop().waitForWindowGone(kOverlay));
    EXPECT_FALSE(desktop().clipboardTypes().contains(QStringLiteral("image/png")));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(CaptureAreaTest, RepeatOfTheLastAreaGivesTheSamePixels)
{
    showPattern();
    startAreaCapture();
    dragScreen(QPoint(1120, 220), QPoint(1250, 330));
    const QImage first = waitForClipboard(patternImage().copy(20, 20, 130, 110));
    ASSERT_TRUE(samePixels(first, patternImage().copy(20, 20, 130, 110)));
    ASSERT_EQ(desktop().stopLumetra(), 0);
    ASSERT_FALSE(desktop().clipboardTypes().contains(QStringLiteral("image/png"))) << "the clipboard left with its owner";

    // A later run of the program repeats the stored area without any overlay.
    ASSERT_TRUE(desktop().startLumetra({QStringLiteral("--repeat-last-area")}));
    EXPECT_TRUE(samePixels(desktop().waitForClipboardImage([&](const QImage& clip) { return samePixels(clip, first); },
                                                           30000),
                           first));
    EXPECT_TRUE(desktop().findWindows(kOverlay).isEmpty());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(CaptureAreaTest, WithTheEditorSettingOnTheCaptureIsDeliveredToTheEditor)
{
    setSetting("captureOpensEditor", "true");

    showPattern();
    startAreaCapture();
    dragScreen(QPoint(1200, 300), QPoint(1300, 400));
    EXPECT_TRUE(samePixels(waitForClipboard(patternImage().copy(100, 100, 100, 100)),
                           patternImage().copy(100, 100, 100, 100)));
    EXPECT_TRUE(desktop().waitForWindowGone(kOverlay));
    // The delivery brings the editor's window forward (its paste is the editor's part).
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra$"), 10000).has_value());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

class CaptureAreaUnderWindowManagerTest : public CaptureAreaTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

TEST_F(CaptureAreaUnderWindowManagerTest, OverlayCoversTheDesktopAndTheCropIsExact)
{
    setSetting("captureOpensEditor", "false");
    ASSERT_TRUE(desktop().showImage(kPatternTitle, patternImage(), kPatternOrigin));
    std::optional<QPoint> origin;
    for (int attempt = 0; attempt < 50 && !origin; ++attempt) {
        origin = findPattern();
        if (!origin)
            QThread::msleep(100);
    }
    ASSERT_TRUE(origin) << "the pattern never appeared on screen";

    startAreaCapture();
    const QPoint from = *origin + QPoint(30, 40);
    dragScreen(from, from + QPoint(200, 150));
    EXPECT_TRUE(samePixels(waitForClipboard(patternImage().copy(30, 40, 200, 150)), patternImage().copy(30, 40, 200, 150)));
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra$")).has_value()) << "the main window came back";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
