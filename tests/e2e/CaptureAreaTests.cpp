// Area capture end to end, without a window manager: the pattern window stands exactly
// where it was put, so a dragged rectangle names known pattern pixels.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

namespace {

const QPoint kPatternOrigin(1100, 200);
const QString kOverlay = QStringLiteral("^Lumetra Selection$");

using e2e::samePixels;

class CaptureAreaTest : public DesktopTest {};

} // namespace

TEST_F(CaptureAreaTest, ADraggedRectangleReachesTheClipboardPixelForPixelAndALaterRunRepeatsIt)
{
    const QImage pattern = e2e::patternImage(QSize(400, 300));
    ASSERT_TRUE(desktop().showImage(QStringLiteral("CapturePattern"), pattern, kPatternOrigin));
    // The viewer maps its window before it has drawn into it.
    ASSERT_EQ(desktop().waitForOnScreen(pattern), kPatternOrigin);
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kOverlay, {QStringLiteral("--capture-area")}));
    // Screen (1120, 220) to (1250, 330): pattern pixels (20, 20) to (150, 130).
    const QImage first = pattern.copy(20, 20, 130, 110);
    ASSERT_TRUE(desktop().dragPointer(QPoint(1120, 220), QPoint(1250, 330), 2));
    const auto holdsFirst = [&](const QImage& clip) { return samePixels(clip, first); };
    ASSERT_TRUE(samePixels(desktop().waitForClipboardImage(holdsFirst), first));
    ASSERT_EQ(desktop().stopLumetra(), 0);
    ASSERT_FALSE(desktop().clipboardTypes().contains(QStringLiteral("image/png"))) << "the clipboard left with its owner";

    // A later run of the program repeats the stored area without any overlay.
    ASSERT_TRUE(desktop().startLumetra({QStringLiteral("--repeat-last-area")}));
    EXPECT_TRUE(samePixels(desktop().waitForClipboardImage(holdsFirst, 30000), first));
    EXPECT_TRUE(desktop().findWindows(kOverlay).isEmpty());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
