// Low selections inside cards whose pictures are smooth shading: the frames share no
// line, yet the shading, drawn again pixel for pixel, places them at exactly one offset.
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollShadedRows.h"

#include <QLinearGradient>
#include <QPainter>

#include <gtest/gtest.h>

using FrameRegistration::Expected;
using ScrollStitcher::placeByExactShading;

namespace {

constexpr int kWidth = 480, kPitch = 200, kCards = 10, kPictureTop = 10, kPictureHeight = 150;

// One column of cards `kPitch` rows apart: a bordered box around a picture shaded from
// one corner to the other (or in one flat colour), a caption below it.
QImage shadedCards(bool flat = false)
{
    QImage page(kWidth, kCards * kPitch, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int i = 0; i < kCards; ++i) {
        const int y = i * kPitch;
        painter.setPen(QColor(200, 200, 200));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(8, y + 4, kWidth - 80, kPitch - 12);
        const QRect picture(16, y + kPictureTop, kWidth - 96, kPictureHeight);
        QLinearGradient shade(picture.topLeft(), picture.bottomRight());
        shade.setColorAt(0, QColor::fromHsv((i * 47) % 360, 150, 230));
        shade.setColorAt(1, QColor::fromHsv((i * 47 + 120) % 360, 90, 250));
        if (flat)
            painter.fillRect(picture, QColor::fromHsv((i * 47) % 360, 150, 230));
        else
            painter.fillRect(picture, shade);
        painter.setPen(Qt::black);
        painter.drawText(QRect(16, y + kPictureTop + kPictureHeight + 4, 300, 20), QStringLiteral("Card %1").arg(i + 1));
    }
    return page;
}

// The view at page row `top`, with a dark bar `footer` rows high over its bottom.
QImage view(const QImage& page, int top, int height, int footer = 0)
{
    QImage frame = page.copy(0, top, kWidth, height);
    if (footer > 0) {
        QPainter painter(&frame);
        painter.fillRect(0, height - footer, kWidth, footer, QColor(40, 44, 52));
        painter.setPen(Qt::white);
        painter.drawText(QRect(10, height - footer, 300, footer), Qt::AlignVCenter, QStringLiteral("This site uses cookies."));
    }
    return frame;
}

std::optional<int> placed(const QImage& previous, const QImage& next, const Expected& expected)
{
    const auto place = placeByExactShading(framePixels(previous), framePixels(next), expected);
    return place ? std::optional<int>(place->offset) : std::nullopt;
}

} // namespace

TEST(ScrollShadedRows, ShadingAloneInCommonPlacesTheFrameWhereTheRowsCannot)
{
    const QImage page = shadedCards();
    // Inside the third card's picture: the frames share only its shading and the box's sides.
    const int inside = 2 * kPitch + kPictureTop + 12;
    const struct {
        int height;          // of the frames
        int moved;           // by the page
        Expected expected;   // what the clicks allow
        int footerBefore = 0; // a bar over the bottom of each frame, changing height
        int footerAfter = 0;
        std::optional<int> place;
    } cases[] = {
        {80, 40, Expected::near(40), 0, 0, 40},
        {80, 38, Expected::near(40), 0, 0, 38},     // a little short of the clicks
        {80, 40, Expected{1, 80}, 0, 0, 40},        // before a click's size is known
        {120, 57, Expected::near(57), 0, 0, 57},
        {110, 40, Expected::near(40), 32, 30, 40},  // above a bar that shrinks as the page scrolls
        {80, 28, Expected::near(40), 0, 0, std::nullopt}, // stopped well short: not where the clicks went
        {80, 0, Expected{1, 80}, 0, 0, std::nullopt},     // did not move at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.height << " rows, moved " << c.moved << ", allowed " << c.expected.low
                                        << ".." << c.expected.high);
        const QImage previous = view(page, inside, c.height, c.footerBefore);
        const QImage next = view(page, inside + c.moved, c.height, c.footerAfter);
        if (c.moved > 0 && c.footerBefore == 0) {
            // What makes the case: the rows alone do not place it.
            ASSERT_FALSE(FrameRegistration::verticalOffset(framePixels(previous), framePixels(next), c.expected).value());
        }
        EXPECT_EQ(placed(previous, next, c.expected), c.place);
    }
}

TEST(ScrollShadedRows, FlatOrOtherContentPlacesNothing)
{
    const int inside = 2 * kPitch + kPictureTop + 12;
    // A flat picture matches every offset alike.
    const QImage flat = shadedCards(true);
    EXPECT_FALSE(placed(view(flat, inside, 80), view(flat, inside + 40, 80), Expected::near(40)));
    // Another card's shading, a pitch apart, is not the same pixels.
    const QImage page = shadedCards();
    EXPECT_FALSE(placed(view(page, inside, 80), view(page, inside + kPitch + 40, 80), Expected::near(40)));
    // Shading turned the other way: nothing matches.
    EXPECT_FALSE(placed(view(page, inside, 80), view(page, inside + 40, 80).mirrored(true, false), Expected::near(40)));
}

TEST(ScrollShadedRows, ALastStepIsPlacedAmongAllOffsetsThoughFarOnesShareFewRows)
{
    // A page's last step, shorter than a click: any offset of the frame's height may be it.
    // Far down, the frames share a few rows only, and those differ however many pixels
    // they hold; the one offset drawn again pixel for pixel still places the frame.
    const QImage page = shadedCards();
    const int height = 245;
    for (const int top : {2 * kPitch + kPictureTop + 12, 3 * kPitch + 40, 5 * kPitch + 150}) {
        for (const int moved : {23, 66, 91}) {
            SCOPED_TRACE(testing::Message() << "from row " << top << ", moved " << moved);
            const QImage previous = view(page, top, height);
            EXPECT_EQ(placed(previous, view(page, top + moved, height), Expected{1, height}), moved);
        }
    }
    // Where the few rows shared far down nearly match (a caption drawn again but for a
    // mark), that offset fits as well as the shading's: nothing is placed.
    QImage repeated = shadedCards();
    const int top = 2 * kPitch + kPictureTop + 12, moved = 40, far = 221;
    {
        QPainter painter(&repeated);
        for (const int band : {top + moved, top + far}) {
            painter.fillRect(0, band, kWidth, 24, Qt::white);
            painter.setPen(Qt::black);
            painter.drawText(QRect(16, band, 300, 24), Qt::AlignVCenter, QStringLiteral("Shared by the far rows"));
        }
        painter.fillRect(400, top + far + 8, 10, 10, Qt::red);
    }
    EXPECT_FALSE(placed(view(repeated, top, height), view(repeated, top + moved, height), Expected{1, height}));
}
