// The editor on a real X server, driven as a user drives it: a text typed earlier is
// opened again by a double click and changed, and the editor survives its window being
// destroyed by another program with the text being typed.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QImage>
#include <QThread>

#include <functional>
#include <utility>

namespace {

using namespace e2e;

const QRgb kBackground = qRgb(0x30, 0x90, 0xd0);
const QString kEditorTitle = QStringLiteral("^Lumetra - plain\\.png$");

class EditorTextAndWindow : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    void openEditor()
    {
        QImage image(640, 400, QImage::Format_RGB32);
        image.fill(kBackground);
        const auto window = desktop().startLumetraOnImage(desktop().saveImage(QStringLiteral("plain.png"), image));
        ASSERT_TRUE(window) << desktop().errorString().toStdString();
        m_window = *window;
        ASSERT_TRUE(desktop().activate(m_window));
        findImage();
    }

    // Where the image shows on the screen.
    void findImage()
    {
        desktop().waitForScreenshot(m_window, [](const QImage& shot) {
            return countPixels(shot, shot.rect(), [](const QColor& c) { return c.rgb() == kBackground; }) > 10000;
        });
        const QImage screen = desktop().screenshot();
        m_image = boundsOfColour(screen, screen.rect(), kBackground);
        ASSERT_GT(m_image.width(), 200);
    }

    // How many pixels of `area` on the screen are not the image's own colour.
    int marked(const QRect& area)
    {
        return countPixels(desktop().screenshot(), area, [](const QColor& c) { return c.rgb() != kBackground; });
    }

    // The count of marked pixels in `area` once it is what the test waits for and has
    // stood still from one look to the next (the editor draws what it was sent in its
    // own time); the last count if that does not come within 20 s.
    int markedOnce(const QRect& area, const std::function<bool(int)>& wanted)
    {
        int previous = -1;
        int now = -1;
        waitUntil([&] {
            previous = std::exchange(now, marked(area));
            return wanted(now) && now == previous;
        }, 20000);
        return now;
    }

    QString m_window;
    QRect m_image;
};

} // namespace

TEST_F(EditorTextAndWindow, ADoubleClickOnATextOpensItAgainAndUndoTakesTheChangeBack)
{
    openEditor();
    const QPoint at = m_image.topLeft() + QPoint(60, 60);
    const QRect line(at - QPoint(4, 8), QSize(260, 40));
    const QPoint elsewhere = m_image.bottomRight() - QPoint(30, 30);

    desktop().key(QStringLiteral("4")); // the text tool
    ASSERT_TRUE(desktop().click(at));
    desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("Edit me")});
    ASSERT_TRUE(desktop().click(elsewhere));
    desktop().key(QStringLiteral("Escape"));
    desktop().key(QStringLiteral("Escape"));
    const int typed = markedOnce(line, [](int count) { return count > 30; });
    ASSERT_GT(typed, 30) << "the text shows";

    // Two clicks 80 ms apart on the text, with no tool, then with the text tool.
    int before = typed;
    for (const QString& toolKey : {QString(), QStringLiteral("4")}) {
        if (!toolKey.isEmpty())
            desktop().key(toolKey);
        // Longer than the double-click interval: the click that ended the last text does
        // not make these two a triple click.
        QThread::msleep(600);
        ASSERT_TRUE(desktop().click(at + QPoint(12, 6), 1, 2));
        desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral(" WWW")});
        ASSERT_TRUE(desktop().click(elsewhere));
        desktop().key(QStringLiteral("Escape"));
        const int longer = markedOnce(line, [&](int count) { return count > before + 20; });
        EXPECT_GT(longer, before + 20) << "the typed letters joined the text";
        before = longer;
    }

    // Undo takes the last change back in one step: the text as it was before it.
    desktop().key(QStringLiteral("ctrl+z"));
    const int undone = markedOnce(line, [&](int count) { return count < before - 20; });
    EXPECT_LT(undone, before - 20);
    EXPECT_GT(undone, typed + 20);
}

TEST_F(EditorTextAndWindow, AWindowDestroyedFromOutsideComesBackWithTheTextBeingTyped)
{
    openEditor();
    const QPoint at = m_image.topLeft() + QPoint(60, 60);
    desktop().key(QStringLiteral("4"));
    ASSERT_TRUE(desktop().click(at));
    desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("pending")});
    // The words are in the box before the window goes.
    const QRect typedLine(at - QPoint(4, 8), QSize(260, 40));
    ASSERT_GT(markedOnce(typedLine, [](int count) { return count > 30; }), 30);

    // Another program destroys the window (XDestroyWindow); Lumetra stays.
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("windowclose"), m_window}).ok());
    ASSERT_TRUE(desktop().waitForWindowGone(kEditorTitle, 20000));

    // Opening Lumetra again (a later launch) shows the editor in a new window, with the
    // document and the text box still open with its words. The launch is answered by
    // the first copy, which has then outlived the loss of its window.
    const CommandResult again = desktop().run(QStringLiteral(LUMETRA_BINARY), {}, 20000);
    EXPECT_TRUE(again.ok()) << again.describe().toStdString();
    ASSERT_TRUE(desktop().lumetraRunning());
    const auto window = desktop().waitForWindow(kEditorTitle, 20000);
    ASSERT_TRUE(window);
    EXPECT_NE(*window, m_window);
    m_window = *window;
    ASSERT_TRUE(desktop().activate(m_window));
    findImage();
    const QPoint box = m_image.topLeft() + QPoint(60, 60);
    const QRect line(box - QPoint(4, 8), QSize(260, 40));
    const int pending = marked(line);
    EXPECT_GT(pending, 30) << "the box and its words";

    // Typing goes on in it; Return commits it.
    desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral(" WWW")});
    desktop().key(QStringLiteral("Return"));
    EXPECT_GT(markedOnce(line, [&](int count) { return count > pending + 20; }), pending + 20);
}

TEST_F(EditorTextAndWindow, TextTypedBesideTheZoomedOutImageShowsOnItAndIsCopiedAsShown)
{
    openEditor();
    const QRect fitted = m_image;
    for (int i = 0; i < 3; ++i)
        desktop().key(QStringLiteral("ctrl+minus"));
    waitUntil([&] {
        const QImage screen = desktop().screenshot();
        m_image = boundsOfColour(screen, screen.rect(), kBackground);
        return m_image.width() < fitted.width() * 3 / 4;
    }, 10000);
    ASSERT_LT(m_image.width(), fitted.width() * 3 / 4) << "zoomed out";

    // A click in the grey beside the image with the text tool, a word, a click on the image.
    desktop().key(QStringLiteral("4"));
    const QPoint beside(m_image.left() - 80, m_image.top() + m_image.height() / 3);
    ASSERT_TRUE(desktop().click(beside));
    desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("Outside")});
    ASSERT_TRUE(desktop().click(m_image.bottomRight() - QPoint(30, 30)));
    desktop().key(QStringLiteral("Escape"));
    desktop().key(QStringLiteral("Escape"));

    // The word shows on the image's left edge.
    const QRect edge(m_image.left(), beside.y() - 25, 120, 50);
    EXPECT_GT(markedOnce(edge, [](int count) { return count > 30; }), 30) << "the word shows on the image";

    // The copy holds it where the screen shows it: at the left edge, at a third of the height.
    desktop().key(QStringLiteral("ctrl+shift+c"));
    const QImage copied = desktop().waitForClipboardImage([](const QImage& image) { return image.width() == 640; });
    ASSERT_EQ(copied.size(), QSize(640, 400));
    const QRect inCopy = pixelsWhere(copied, copied.rect(), [](const QColor& c) { return c.rgb() != kBackground; });
    ASSERT_FALSE(inCopy.isEmpty()) << "the copy holds the word";
    EXPECT_LE(inCopy.left(), 8);
    EXPECT_NEAR(inCopy.center().y(), 400.0 * (beside.y() - m_image.top()) / m_image.height(), 40.0);
}

TEST_F(EditorTextAndWindow, TextsTypedAtSeveralZoomsKeepInTheCopyTheLinesTheyShowed)
{
    openEditor();
    // One line typed at each of four zooms, each in its own band of the image; the
    // height of its ink on the screen, in the image's pixels, once it is committed.
    const QString typed = QStringLiteral("Outside the box, on one line as typed");
    constexpr int rounds = 4;
    auto band = [&](int k, const QRect& image) {
        const double scale = image.width() / 640.0;
        const int y = image.top() + image.height() * k / (rounds + 1);
        return QRect(image.left(), y - int(10 * scale), image.width(), int(60 * scale));
    };
    auto inkHeight = [](const QImage& image, const QRect& area) {
        return pixelsWhere(image, area, [](const QColor& c) { return c.rgb() != kBackground; }).height();
    };
    double shown[rounds + 1] = {};
    for (int k = 1; k <= rounds; ++k) {
        SCOPED_TRACE(k);
        const QRect before = m_image;
        desktop().key(QStringLiteral("ctrl+minus"));
        waitUntil([&] {
            const QImage screen = desktop().screenshot();
            m_image = boundsOfColour(screen, screen.rect(), kBackground);
            return m_image.width() < before.width() - 20;
        }, 10000);
        ASSERT_LT(m_image.width(), before.width() - 20) << "zoomed out";
        desktop().key(QStringLiteral("4"));
        ASSERT_TRUE(desktop().click(m_image.topLeft() + QPoint(6, m_image.height() * k / (rounds + 1))));
        desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), typed});
        ASSERT_TRUE(desktop().click(m_image.bottomRight() - QPoint(8, 8)));
        desktop().key(QStringLiteral("Escape"));
        desktop().key(QStringLiteral("Escape"));
        markedOnce(band(k, m_image), [](int count) { return count > 100; });
        shown[k] = inkHeight(desktop().screenshot(), band(k, m_image)) * 640.0 / m_image.width();
        ASSERT_GT(shown[k], 8.0) << "the text shows";
    }

    // Zoomed in again, the screen shows each text on the lines it was typed on.
    const QRect smallest = m_image;
    desktop().key(QStringLiteral("ctrl+plus"));
    desktop().key(QStringLiteral("ctrl+plus"));
    waitUntil([&] {
        const QImage screen = desktop().screenshot();
        m_image = boundsOfColour(screen, screen.rect(), kBackground);
        return m_image.width() > smallest.width() * 5 / 4;
    }, 10000);
    ASSERT_GT(m_image.width(), smallest.width() * 5 / 4) << "zoomed in";
    markedOnce(band(rounds, m_image), [](int count) { return count > 100; });
    const QImage zoomedIn = desktop().screenshot();

    desktop().key(QStringLiteral("ctrl+shift+c"));
    const QImage copied = desktop().waitForClipboardImage([](const QImage& image) { return image.width() == 640; });
    ASSERT_EQ(copied.size(), QSize(640, 400));
    for (int k = 1; k <= rounds; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(inkHeight(zoomedIn, band(k, m_image)) * 640.0 / m_image.width(), shown[k], 6.0)
            << "the screen at another zoom shows the same lines";
        const int inCopy = inkHeight(copied, band(k, copied.rect()));
        // One line of 16-pixel text is under 24 pixels of ink; a wrapped one is about 34.
        EXPECT_LT(shown[k], 24.0) << "typed on one line";
        EXPECT_NEAR(inCopy, shown[k], 6.0) << "the copy holds the lines the screen showed";
    }
}
