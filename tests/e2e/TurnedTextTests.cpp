// A text typed on a turned image, driven as a user drives it: the image turned a quarter
// by Ctrl+Right, the text tool by its key, a click, the letters typed. While typing, the
// letters lie on the image as they are committed and saved (turned with it), and none
// of them is cut; Save As writes them where and as they showed.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <climits>

namespace {

using namespace e2e;

const QRgb kPaper = qRgb(0xf2, 0xee, 0xe2);
const QSize kImage(640, 480);

// The text's ink: the default text colour and its grey edges on the paper, not the
// box's blue frame nor the paper itself.
bool isInk(const QColor& c)
{
    return std::max({c.red(), c.green(), c.blue()}) < 170 && std::abs(c.red() - c.blue()) < 40;
}

struct Ink {
    QRect bounds;
    int count = 0;
    double centreY = 0.0; // where the ink's weight lies along the screen's height
};

Ink inkIn(const QImage& image, const QRect& area)
{
    Ink ink;
    double sumY = 0.0;
    ink.bounds = pixelsWhere(image, area, isInk, &ink.count);
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isInk(image.pixelColor(x, y)))
                sumY += y;
    ink.centreY = ink.count > 0 ? sumY / ink.count : 0.0;
    return ink;
}

bool hasFrame(const QImage& image, const QRect& area)
{
    return countPixels(image, area, [](const QColor& c) { return nearColour(c, QColor(0, 122, 255), 40); }) > 0;
}

class TurnedText : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    QString work(const QString& name) { return QDir(desktop().workDir()).filePath(name); }

    // Save As with the path typed, in the format stored (PNG); true once the file is there.
    ::testing::AssertionResult saveAs(const QString& editor, const QString& path)
    {
        if (!desktop().activate(editor) || !desktop().key(QStringLiteral("ctrl+shift+s")))
            return ::testing::AssertionFailure() << "cannot activate the editor";
        const std::optional<QString> panel = desktop().waitForWindow(QStringLiteral("^Save As$"), 15000);
        if (!panel || !desktop().activate(*panel))
            return ::testing::AssertionFailure() << "no save panel";
        desktop().key(QStringLiteral("alt+n ctrl+a"));
        desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path});
        desktop().key(QStringLiteral("Return"));
        if (!desktop().waitForWindowGone(QStringLiteral("^Save As$"), 10000))
            return ::testing::AssertionFailure() << "the save panel stayed up";
        if (!waitUntil([&] { return QFileInfo(path).size() > 0; }, 10000))
            return ::testing::AssertionFailure() << "nothing written at " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST_F(TurnedText, TypedOnAQuarterTurnTheTextShowsWholeAsItIsCommittedAndSaved)
{
    QImage paper(kImage, QImage::Format_RGB32);
    paper.fill(kPaper);
    const std::optional<QString> editor = desktop().startLumetraOnImage(desktop().saveImage(QStringLiteral("paper.png"), paper));
    ASSERT_TRUE(editor) << desktop().errorString().toStdString();
    ASSERT_TRUE(desktop().activate(*editor));

    // A quarter turn clockwise: the paper shows taller than wide. Its top and sides are
    // in sight (the toolbar may cover its foot), so its width gives the zoom.
    QRect seen;
    const auto turned = [&](const QImage& shot) {
        seen = boundsOfColour(shot, shot.rect(), kPaper);
        return seen.width() > 200 && seen.height() > seen.width();
    };
    desktop().key(QStringLiteral("ctrl+Right"));
    ASSERT_TRUE(turned(desktop().waitForScreenshot(QStringLiteral("root"), turned))) << "the image did not turn";
    const double zoom = seen.width() / double(kImage.height());

    // The text tool, a click, the letters; the pointer then leaves the canvas.
    desktop().key(QStringLiteral("4"));
    const QPoint at = seen.topLeft() + QPoint(seen.width() / 2, 40);
    ASSERT_TRUE(desktop().click(at));
    desktop().xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("WWWWWW l")});
    desktop().xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});
    const QRect area = QRect(at - QPoint(70, 20), QSize(140, 260)).intersected(seen);

    // While typing: the caret blinks, so the fewest inked pixels of a few looks are the
    // letters alone.
    QImage shot = desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& s) {
        return inkIn(s, area).count > 60 && hasFrame(s, area);
    });
    ASSERT_TRUE(hasFrame(shot, area)) << "no text box";
    // The letters may still be arriving (a loaded machine): looks are taken until two
    // rounds of them find the same letters.
    const auto fewestInk = [&] {
        Ink fewest = inkIn(desktop().screenshot(), area);
        for (int look = 1; look < 8; ++look) {
            QThread::msleep(150);
            const Ink again = inkIn(desktop().screenshot(), area);
            if (again.count < fewest.count)
                fewest = again;
        }
        return fewest;
    };
    Ink typed = fewestInk();
    for (int round = 0; round < 20; ++round) {
        const Ink again = fewestInk();
        const bool settled = again.count == typed.count && again.bounds == typed.bounds;
        typed = again;
        if (settled)
            break;
    }

    // Committed by Return; Escape clears the selection the new text is shown with.
    desktop().key(QStringLiteral("Return"));
    desktop().key(QStringLiteral("Escape"));
    shot = desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& s) {
        return !hasFrame(s, area.adjusted(-10, -10, 10, 10)) && inkIn(s, area).count > 60;
    });
    const Ink committed = inkIn(shot, area);
    ASSERT_GT(committed.count, 60) << "no committed text";

    // Committed, the text reads down the screen (turned with the image), its first,
    // heavy letters on top.
    EXPECT_GT(committed.bounds.height(), 2 * committed.bounds.width());
    EXPECT_LT(committed.centreY, committed.bounds.center().y());

    // Typed, it showed the same: same place, same extent, the same ink, nothing cut.
    EXPECT_NEAR(typed.bounds.left(), committed.bounds.left(), 1);
    EXPECT_NEAR(typed.bounds.right(), committed.bounds.right(), 1);
    EXPECT_NEAR(typed.bounds.top(), committed.bounds.top(), 1);
    EXPECT_NEAR(typed.bounds.bottom(), committed.bounds.bottom(), 1);
    EXPECT_NEAR(typed.count, committed.count, committed.count / 20 + 2);

    // Saved, the image is turned and the text in it lies as it showed on screen.
    const QString path = work(QStringLiteral("saved.png"));
    ASSERT_TRUE(saveAs(*editor, path));
    const QImage saved = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(saved.size(), kImage.transposed());
    const Ink inFile = inkIn(saved, saved.rect());
    ASSERT_GT(inFile.count, 30) << "no text in the saved image";
    EXPECT_GT(inFile.bounds.height(), 2 * inFile.bounds.width());
    EXPECT_LT(inFile.centreY, inFile.bounds.center().y());
    const double slack = 2.0 / zoom + 2.0;
    EXPECT_NEAR(inFile.bounds.left(), (committed.bounds.left() - seen.left()) / zoom, slack);
    EXPECT_NEAR(inFile.bounds.right(), (committed.bounds.right() - seen.left()) / zoom, slack);
    EXPECT_NEAR(inFile.bounds.top(), (committed.bounds.top() - seen.top()) / zoom, slack);
    EXPECT_NEAR(inFile.bounds.bottom(), (committed.bounds.bottom() - seen.top()) / zoom, slack);
}
