// Area capture end to end, without a window manager: the pattern window stands exactly
// where it was put, so a dragged rectangle names known pattern pixels.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

namespace {

const QPoint kPatternOrigin(1100, 200);
const QSize kPatternSize(400, 300);
const QString kOverlay = QStringLiteral("^Lumetra Selection$");
const QString kMainWindow = QStringLiteral("^Lumetra$");

QImage patternImage() { return e2e::patternImage(kPatternSize); }

using e2e::samePixels;

class CaptureAreaTest : public DesktopTest {
protected:
    void showPattern()
    {
        ASSERT_TRUE(desktop().showImage(QStringLiteral("CapturePattern"), patternImage(), kPatternOrigin));
        // The viewer maps its window before it has drawn into it.
        ASSERT_EQ(desktop().waitForOnScreen(patternImage()), kPatternOrigin);
    }

    // Drags over the screen and waits for the clipboard to hold `expected`.
    QImage dragForClipboard(QPoint from, QPoint to, const QImage& expected)
    {
        EXPECT_TRUE(desktop().dragPointer(from, to, 2));
        return desktop().waitForClipboardImage([&](const QImage& clip) { return samePixels(clip, expected); });
    }
};

} // namespace

TEST_F(CaptureAreaTest, EscapeCancelsAndADraggedRectangleReachesTheClipboardPixelForPixel)
{
    ASSERT_TRUE(desktop().writeSettings("[General]\ncaptureOpensEditor=false\n"));
    showPattern();
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kOverlay, {QStringLiteral("--capture-area")}));
    EXPECT_TRUE(desktop().findWindows(kMainWindow).isEmpty()) << "out of the way while the screen is frozen";
    ASSERT_TRUE(desktop().key(QStringLiteral("Escape")));
    ASSERT_TRUE(desktop().waitForWindow(kMainWindow)) << "Escape restores Lumetra's windows";
    EXPECT_TRUE(desktop().waitForWindowGone(kOverlay));
    EXPECT_FALSE(desktop().clipboardTypes().contains(QStringLiteral("image/png")));

    // Handed to the running copy, as a desktop shortcut bound to the command does.
    ASSERT_TRUE(desktop().run(QStringLiteral(LUMETRA_BINARY), {QStringLiteral("--capture-area")}, 20000).ok());
    ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000));
    // Screen (1150, 250) to (1390, 410): pattern pixels (50, 50) to (290, 210).
    const QImage expected = patternImage().copy(50, 50, 240, 160);
    EXPECT_TRUE(samePixels(dragForClipboard(QPoint(1150, 250), QPoint(1390, 410), expected), expected));
    EXPECT_TRUE(desktop().waitForWindow(kMainWindow)) << "the main window came back";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(CaptureAreaTest, RepeatOfTheLastAreaGivesTheSamePixels)
{
    showPattern();
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kOverlay, {QStringLiteral("--capture-area")}));
    const QImage first = patternImage().copy(20, 20, 130, 110);
    ASSERT_TRUE(samePixels(dragForClipboard(QPoint(1120, 220), QPoint(1250, 330), first), first));
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
