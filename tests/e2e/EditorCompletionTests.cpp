// The editor's right-click menu, resize popover and backdrop popover on a real X server,
// driven as a user drives them: a right click and the keyboard turn the image; a typed
// width with the lock on resizes it and copy puts that size on the clipboard; a
// backdrop preset saved as PNG gives a file grown by the padding, the preset's colours
// in its corners.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <cmath>
#include <functional>

namespace {

const QColor kRed(200, 40, 40);
const QColor kGreen(40, 170, 60);
const QSize kImage(640, 400);

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The ocean preset's colour at `fraction` of the card's height (its three stops).
QColor oceanAt(double fraction)
{
    const double stops[3][4] = { { 0.0, 0.659, 0.925, 0.906 }, { 0.5, 0.486, 0.78, 0.961 }, { 1.0, 0.357, 0.561, 0.976 } };
    const int i = fraction < 0.5 ? 0 : 1;
    const double t = (fraction - stops[i][0]) / (stops[i + 1][0] - stops[i][0]);
    auto channel = [&](int c) { return int(std::lround(255.0 * (stops[i][c] + t * (stops[i + 1][c] - stops[i][c])))); };
    return QColor(channel(1), channel(2), channel(3));
}

} // namespace

class EditorCompletionTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    bool xdo(const QStringList& arguments) { return desktop().xdotool(arguments).ok(); }
    void keys(const QStringList& names)
    {
        xdo(QStringList{ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60") } + names);
        QThread::msleep(250);
    }
    void clickAt(QPoint global, const QString& button = QStringLiteral("1"))
    {
        xdo({ QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()) });
        QThread::msleep(100);
        xdo({ QStringLiteral("click"), button });
        QThread::msleep(400);
    }
    // With LUMETRA_E2E_SHOTS naming a folder, screenshots are kept there to look at.
    void keep(const QImage& shot, const QString& name)
    {
        const QString folder = qEnvironmentVariable("LUMETRA_E2E_SHOTS");
        if (!folder.isEmpty())
            shot.save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }

    // Opens the two-colour image (red left, green right) and finds the toolbar's
    // buttons from its accent-coloured export button at the bar's right end.
    void openEditor()
    {
        QImage image(kImage, QImage::Format_RGB32);
        image.fill(kRed);
        for (int y = 0; y < image.height(); ++y)
            for (int x = image.width() / 2; x < image.width(); ++x)
                image.setPixelColor(x, y, kGreen);
        const auto window = desktop().startLumetraOnImage(desktop().saveImage(QStringLiteral("halves.png"), image));
        ASSERT_TRUE(window.has_value()) << desktop().errorString().toStdString();
        // The export button is the one accent-coloured square below the window's title.
        auto accent = [](const QColor& c) { return c.blue() > 160 && c.green() > 100 && c.blue() > c.red() + 90; };
        QRect exportButton;
        const QImage shot = desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& s) {
            m_image = redOnScreen(s) | greenOnScreen(s);
            exportButton = QRect();
            for (int y = std::max(0, m_image.top()); m_image.isValid() && y < s.height(); y += 2)
                for (int x = 0; x < s.width(); x += 2)
                    if (accent(s.pixelColor(x, y)))
                        exportButton |= QRect(x, y, 1, 1);
            return exportButton.width() > 20 && m_image.width() > 300;
        });
        ASSERT_GT(exportButton.width(), 20) << "no toolbar found";
        m_barY = exportButton.center().y();
        m_barRight = exportButton.right() + 1 + 10;
        keep(shot, QStringLiteral("opened"));
    }
    // Button centres from the bar's right end: export, copy, pin, text recognition,
    // backdrop | reset, redo, undo | resize ...
    QPoint barButton(int stepFromExport) const { return QPoint(m_barRight - 10 - 14 - stepFromExport, m_barY); }
    QPoint backdropButton() const { return barButton(4 * 33); }
    QPoint resizeButton() const { return barButton(5 * 33 + 13 + 3 * 33 + 13); }

    // Where the red and the green of the image show on screen.
    QRect redOnScreen(const QImage& shot) { return e2e::boundsOfColour(shot, shot.rect(), kRed.rgb()); }
    QRect greenOnScreen(const QImage& shot) { return e2e::boundsOfColour(shot, shot.rect(), kGreen.rgb()); }

    QRect m_image; // where the image first showed
    int m_barY = 0;
    int m_barRight = -1;
};

TEST_F(EditorCompletionTest, RightClickMenuTurnsTheImageByKeyboard)
{
    openEditor();
    ASSERT_FALSE(HasFatalFailure());
    const QImage before = desktop().screenshot();
    ASSERT_LT(redOnScreen(before).right(), greenOnScreen(before).left()) << "red left of green to begin with";

    const QPoint click = m_image.center() - QPoint(100, 100);
    clickAt(click, QStringLiteral("3"));
    // The menu is a window of its own over the editor: a tall panel of light rows.
    const QImage withMenu = desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& s) {
        return e2e::countPixels(s, QRect(click, QSize(150, 300)),
                                [&](const QColor& c) { return near(c, kRed, 10) || near(c, kGreen, 10); })
            < 150 * 300 / 2;
    });
    keep(withMenu, QStringLiteral("menu"));
    EXPECT_LT(e2e::countPixels(withMenu, QRect(click, QSize(150, 300)),
                               [&](const QColor& c) { return near(c, kRed, 10) || near(c, kGreen, 10); }),
              150 * 300 / 2)
        << "no menu over the image";

    // From the bottom: Quit, About, Clear, Reset, Scale, Rotate Right.
    keys({ "Up", "Up", "Up", "Up", "Up", "Up", "Return" });
    const QImage turned = desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& s) {
        return redOnScreen(s).isValid() && greenOnScreen(s).isValid() && redOnScreen(s).bottom() < greenOnScreen(s).top();
    });
    keep(turned, QStringLiteral("turned"));
    // A clockwise quarter turn puts the left half on top.
    EXPECT_LT(redOnScreen(turned).bottom(), greenOnScreen(turned).top());
    EXPECT_GT(redOnScreen(turned).width(), redOnScreen(turned).height());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorCompletionTest, ResizePopoverWithTheLockThenCopyGivesThatSize)
{
    openEditor();
    ASSERT_FALSE(HasFatalFailure());
    clickAt(resizeButton());
    keep(desktop().screenshot(), QStringLiteral("resize"));
    // The width field, the typed width, then past the height field to Apply.
    keys({ "Tab", "ctrl+a" });
    xdo({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("321") });
    QThread::msleep(300);
    keep(desktop().screenshot(), QStringLiteral("resize-typed"));
    keys({ "Tab", "Tab", "space" });
    keys({ "ctrl+shift+c" });
    // 400 x 321 / 640 = 200.6
    const QImage copied = desktop().waitForClipboardImage([](const QImage& i) { return i.width() == 321; }, 15000);
    EXPECT_EQ(copied.size(), QSize(321, 201));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorCompletionTest, BackdropPresetSavedAsPngGrowsByThePaddingInThePresetsColours)
{
    openEditor();
    ASSERT_FALSE(HasFatalFailure());
    clickAt(backdropButton());
    // The switch; the ocean preset (the thirteenth); past candy, padding and radius to the
    // shadow switch, which turns the shadow off.
    keys({ "Tab", "space" });
    keys(QStringList(13, QStringLiteral("Tab")) << QStringLiteral("space"));
    keys({ "Tab", "Tab", "Tab", "Tab", "space" });
    keep(desktop().screenshot(), QStringLiteral("backdrop"));
    keys({ "Escape" });

    const QString path = QDir(desktop().workDir()).filePath(QStringLiteral("card.png"));
    keys({ "ctrl+shift+s" });
    const auto panel = desktop().waitForWindow(QStringLiteral("^Save As$"), 15000);
    ASSERT_TRUE(panel.has_value()) << "no save panel";
    xdo({ QStringLiteral("windowactivate"), QStringLiteral("--sync"), *panel });
    keys({ "alt+n", "ctrl+a" });
    xdo({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path });
    keys({ "Return" });
    ASSERT_TRUE(desktop().waitForWindowGone(QStringLiteral("^Save As$"), 10000));
    for (int attempt = 0; attempt < 100 && QFileInfo(path).size() == 0; ++attempt)
        QThread::msleep(100);

    const QImage saved(path);
    ASSERT_FALSE(saved.isNull()) << "nothing saved at " << path.toStdString();
    // Padding 32 on every side, no shadow margin.
    ASSERT_EQ(saved.size(), kImage + QSize(64, 64));
    // The card's rounded corners leave the very corners clear; inside them, halfway
    // through the padding, the gradient runs from the first stop to the last.
    EXPECT_EQ(saved.pixelColor(0, 0).alpha(), 0);
    const int w = saved.width(), h = saved.height();
    const QColor top = oceanAt(16.0 / h), bottom = oceanAt((h - 16.0) / h);
    for (const auto& [point, colour] : { std::pair{ QPoint(16, 16), top }, std::pair{ QPoint(w - 17, 16), top },
                                         std::pair{ QPoint(16, h - 17), bottom },
                                         std::pair{ QPoint(w - 17, h - 17), bottom } })
        EXPECT_TRUE(near(saved.pixelColor(point), colour, 4))
            << point.x() << "," << point.y() << " is " << saved.pixelColor(point).name().toStdString() << ", expected "
            << colour.name().toStdString();
    EXPECT_TRUE(near(saved.pixelColor(32 + 10, h / 2), kRed, 2)) << "the image inside";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
