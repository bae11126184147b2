// Whether a frame taken after a scroll still shows rows of the frame before it, where the
// registration cannot say by how much they moved: what lets a capture tell a click that
// took the content out of sight from one it merely could not measure.
#include "Capture/FramePixels.h"
#include "Capture/ScrollSharedRows.h"
#include "ScrollTestPages.h"

#include <QLinearGradient>
#include <QPainter>
#include <gtest/gtest.h>

using namespace ScrollStitcher;

namespace {

constexpr int kWidth = 480, kHeight = 180;

QImage whitePage(int height)
{
    QImage page(kWidth, height, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    return page;
}

QImage numberedPage()
{
    QImage page = whitePage(40 * 40);
    QPainter(&page).drawImage(0, 0, ScrollTestPages::numberedRows(kWidth, 40, 40));
    return page;
}

// Pictures of a smooth gradient between card borders: no row differs from the next by
// more than the registration's tolerance.
QImage gradientCardsPage()
{
    QImage page = whitePage(1200);
    QPainter painter(&page);
    for (int top = 10; top + 380 < page.height(); top += 400) {
        QLinearGradient gradient(0, top, 0, top + 380);
        gradient.setColorAt(0, QColor(120, 210, 90));
        gradient.setColorAt(1, QColor(170, 240, 210));
        painter.setPen(QColor(200, 200, 200));
        painter.setBrush(gradient);
        painter.drawRect(12, top, 140, 380);
        painter.drawRect(170, top, 140, 380);
    }
    return page;
}

// Grey placeholders between card borders: nothing there tells one row from another.
QImage placeholdersPage()
{
    QImage page = whitePage(1200);
    QPainter painter(&page);
    painter.setPen(QColor(200, 200, 200));
    painter.setBrush(QColor(204, 204, 204));
    for (int x = 12; x + 140 < kWidth; x += 156)
        painter.drawRect(x, -1, 140, page.height() + 2);
    return page;
}

// Placeholders down to row `end`, lines of text below.
QImage placeholdersAboveRowsPage(int end)
{
    QImage page = placeholdersPage();
    QPainter(&page).drawImage(0, end, numberedPage());
    return page;
}

QImage view(const QImage& page, int top)
{
    return page.copy(0, top, kWidth, kHeight);
}

// `image` with its columns [left, right) painted in another colour each time.
QImage withAnimation(QImage image, int left, int right, int frame)
{
    QPainter(&image).fillRect(left, 0, right - left, image.height(), QColor::fromHsv(frame * 70 % 360, 200, 220));
    return image;
}

// `image` with a bar `height` rows high over its bottom.
QImage withFooter(QImage image, int height)
{
    QPainter painter(&image);
    painter.fillRect(0, kHeight - height, kWidth, height, QColor(40, 44, 52));
    painter.setPen(Qt::white);
    painter.drawText(16, kHeight - height + 24, QStringLiteral("This site uses cookies.  [Accept]"));
    return image;
}

} // namespace

TEST(ScrollSharedRows, TellRowsThatMovedFromRowsThatLeftAndFromRowsThatShowNothing)
{
    const QImage numbered = numberedPage(), gradient = gradientCardsPage(), placeholders = placeholdersPage();
    const QImage underFooter = placeholdersAboveRowsPage(310);
    const struct {
        const char* name;
        QImage previous, next;
        RowsShown shown;
    } cases[] = {
        {"rows moved by half the frame", view(numbered, 200), view(numbered, 290), RowsShown::shown},
        {"rows moved by half, a footer that grew over the rest", withFooter(view(numbered, 200), 70),
         withFooter(view(numbered, 290), 74), RowsShown::shown},
        {"rows moved beside an animation over half the width", withAnimation(view(numbered, 200), 100, 340, 1),
         withAnimation(view(numbered, 290), 100, 340, 2), RowsShown::shown},
        {"a smooth gradient moved by half", view(gradient, 30), view(gradient, 120), RowsShown::shown},
        {"rows moved by more than the frame", view(numbered, 200), view(numbered, 400), RowsShown::none},
        {"rows moved by three quarters of the frame", view(numbered, 200), view(numbered, 335), RowsShown::shown},
        {"placeholders moved by half", view(placeholders, 200), view(placeholders, 290), RowsShown::unknown},
        // The lines the click brought up lay under the footer before: their not showing
        // there says nothing of how far the click went.
        {"placeholders above a footer that shrank, lines of text under it", withFooter(view(underFooter, 200), 72),
         withFooter(view(underFooter, 253), 68), RowsShown::unknown},
        // A footer a row lower moves its line of text a row: those rows are the bar's too,
        // and the lines the click brought up just below them lay under it.
        {"placeholders above a footer that shrank by a row, lines of text just under it",
         withFooter(view(underFooter, 184), 54), withFooter(view(underFooter, 274), 53), RowsShown::unknown},
        {"lines of text that moved by more than the frame over a footer", withFooter(view(numbered, 200), 72),
         withFooter(view(numbered, 400), 68), RowsShown::none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rowsShown(c.previous, c.next, 0, 0), c.shown);
    }
}

TEST(ScrollSharedRows, ShiftsAreWhereBandsShowPixelForPixel)
{
    const QImage numbered = numberedPage();
    const QImage previous = withFooter(view(numbered, 200), 70), next = withFooter(view(numbered, 257), 72);
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    EXPECT_EQ(sharedRowShifts(framePixels(a), framePixels(b), 8, 3), std::vector<int>{57});
    // Under the least shift asked for, or with nothing asked for, none.
    EXPECT_TRUE(sharedRowShifts(framePixels(a), framePixels(b), 58, 3).empty());
    EXPECT_TRUE(sharedRowShifts(framePixels(a), framePixels(b), 8, 0).empty());
    // Frames of different sizes share nothing.
    const QImage lower = withFramePixelLayout(next.copy(0, 0, kWidth, kHeight - 10));
    EXPECT_TRUE(sharedRowShifts(framePixels(a), framePixels(lower), 8, 3).empty());
}
