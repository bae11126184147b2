// Window capture end to end: the hot key, a click on the visible part of a partly
// covered window, and the shadowed canvas on the clipboard, with and without a window
// manager (whose frame is then part of the picture).
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

namespace {

const QSize kPatternSize(400, 300);
constexpr int kMargin = 40; // the canvas margin at scale 1

class CaptureWindowTest : public DesktopTest {
protected:
    QString show(const QString& title, const QImage& image, QPoint at)
    {
        return desktop().showImage(title, image, at).value_or(QString());
    }

    // Left, right, top and bottom of the window manager's frame around a client.
    QList<int> frameExtents(const QString& client)
    {
        const CommandResult result
            = desktop().run(QStringLiteral("xprop"), {QStringLiteral("-id"), client, QStringLiteral("_NET_FRAME_EXTENTS")});
        QList<int> extents;
        const QString values = result.text().section(QLatin1Char('='), 1);
        for (const QString& v : values.split(QLatin1Char(','), Qt::SkipEmptyParts))
            extents << v.trimmed().toInt();
        return extents.size() == 4 ? extents : QList<int>{0, 0, 0, 0};
    }

    void captureCoveredWindow()
    {
        ASSERT_TRUE(desktop().writeSettings("[General]\ncaptureOpensEditor=false\nopenWindowAtLaunch=false\n"));
        const QImage pattern = e2e::patternImage(kPatternSize);
        const QString client = show(QStringLiteral("WindowPattern"), pattern, QPoint(300, 200));
        ASSERT_FALSE(client.isEmpty());
        // A second window covers the pattern's lower right part.
        ASSERT_FALSE(show(QStringLiteral("Cover"), e2e::paintedImage({200, 150}, [](QPainter& p, QSize s) {
                                                       p.fillRect(QRect(QPoint(), s), QColor(0, 160, 0));
                                                   }),
                          QPoint(550, 330))
                         .isEmpty());
        const std::optional<QPoint> origin = desktop().waitForOnScreen(pattern.copy(0, 0, 200, 80));
        ASSERT_TRUE(origin) << "the pattern window never showed";
        ASSERT_FALSE(e2e::locate(desktop().screenshot(), pattern)) << "the pattern must be partly covered";

        ASSERT_TRUE(desktop().startLumetraAndWaitFor(QStringLiteral("^Lumetra$")));
        ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+shift+8")));
        ASSERT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra Window Picker$"), 20000));
        ASSERT_TRUE(desktop().click(*origin + QPoint(60, 60)));
        // Read as it is: the canvas's transparency matters here.
        ASSERT_FALSE(desktop().waitForClipboardImage([](const QImage&) { return true; }).isNull());
        const QImage clip = QImage::fromData(desktop().clipboard(QStringLiteral("image/png")).value_or(QByteArray()), "PNG")
                                .convertToFormat(QImage::Format_ARGB32);

        const QList<int> e = frameExtents(client); // all 0 without a window manager
        const QSize frame(kPatternSize.width() + e[0] + e[1], kPatternSize.height() + e[2] + e[3]);
        EXPECT_EQ(clip.size(), frame + QSize(2 * kMargin, 2 * kMargin));
        EXPECT_TRUE(e2e::samePixels(clip.copy(QRect(QPoint(kMargin + e[0], kMargin + e[2]), kPatternSize)), pattern))
            << "the client area must be the window's own rendering, without the covering window";
        const QRect c = clip.rect();
        for (const QPoint corner : {c.topLeft(), c.topRight(), c.bottomLeft(), c.bottomRight()})
            EXPECT_EQ(qAlpha(clip.pixel(corner)), 0);
        const int mid = c.width() / 2;
        EXPECT_GT(qAlpha(clip.pixel(mid, kMargin + frame.height() + 4)), qAlpha(clip.pixel(mid, kMargin - 5)) + 20)
            << "the shadow falls below the window";
        EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra$"), 10000)) << "hidden windows come back";
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }
};

class CaptureWindowUnderWindowManagerTest : public CaptureWindowTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

} // namespace

TEST_F(CaptureWindowUnderWindowManagerTest, HotKeyAndClickGiveTheWholeFrameOnAShadowedCanvas)
{
    captureCoveredWindow();
}

TEST_F(CaptureWindowTest, WithoutAWindowManagerTheClientAloneIsCaptured)
{
    captureCoveredWindow();
}
