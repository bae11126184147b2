// Pictures that load while the page scrolls: the rows that did not change place the
// frame where the pictures keep every offset from holding, and nothing else is placed
// by them.
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollKeptFrames.h"
#include "Capture/ScrollStitcher.h"
#include "ScrollTestPages.h"

#include <QPainter>

#include <tuple>

#include <gtest/gtest.h>

using ScrollStitcher::registerByUnchangedRows;

namespace {

constexpr int kWidth = 480, kHeight = 400;

// The page with a picture 140 x 90 at the left of every 150 rows from `from` on: grey
// until loaded, then in colour.
QImage withPictures(const QImage& page, int from, bool loaded)
{
    QImage copy = page.copy();
    QPainter painter(&copy);
    for (int y = from; y + 90 < copy.height(); y += 150) {
        if (!loaded) {
            painter.fillRect(10, y, 140, 90, QColor(204, 204, 204));
            continue;
        }
        QLinearGradient gradient(10, y, 150, y + 90);
        gradient.setColorAt(0, QColor::fromHsv(y * 7 % 360, 200, 220));
        gradient.setColorAt(1, Qt::white);
        painter.fillRect(10, y, 140, 90, gradient);
    }
    return copy;
}

std::optional<int> byUnchangedRows(const QImage& previous, const QImage& next, FrameRegistration::Expected expected)
{
    return registerByUnchangedRows(framePixels(previous), framePixels(next), expected);
}

} // namespace

TEST(ScrollChangedContent, RowsThatDidNotChangePlaceAFrameWherePicturesLoadedAndNothingElse)
{
    ScrollTestPages::Layout at;
    const QImage page = ScrollTestPages::page(kWidth, &at);
    const int top = at.paragraphs + 20;
    const QImage grey = withPictures(page, top + 30, false), colour = withPictures(page, top + 30, true);
    const FrameRegistration::Expected forward{1, kHeight};
    for (const int offset : {60, 143, 240}) {
        SCOPED_TRACE(offset);
        const QImage previous = grey.copy(0, top, kWidth, kHeight);
        const QImage next = colour.copy(0, top + offset, kWidth, kHeight);
        EXPECT_FALSE(FrameRegistration::verticalOffset(framePixels(previous), framePixels(next)).value())
            << "the pictures keep the whole frames from holding";
        EXPECT_EQ(byUnchangedRows(previous, next, forward), std::optional<int>(offset));
        EXPECT_EQ(byUnchangedRows(previous, next, FrameRegistration::Expected::near(offset)), std::optional<int>(offset));
        // Only offsets near the scroll are tried.
        EXPECT_FALSE(byUnchangedRows(previous, next, FrameRegistration::Expected::near(offset + 60)));
    }

    // A bar fixed at the bottom or the top of the view, the same in both frames, stays
    // where it was while the content beside the pictures moved.
    const auto withBar = [](QImage image, int y, int height) {
        QPainter painter(&image);
        painter.fillRect(0, y, kWidth, height, QColor(40, 44, 52));
        painter.setPen(Qt::white);
        painter.drawText(QRect(12, y, kWidth - 24, height), Qt::AlignVCenter, QStringLiteral("This site uses cookies. [Accept]"));
        return image;
    };
    for (const auto& [offset, barTop, barHeight] : {std::tuple{30, kHeight - 44, 44}, std::tuple{143, kHeight - 60, 60},
                                                    std::tuple{60, 0, 50}}) {
        SCOPED_TRACE(testing::Message() << offset << " under a bar at " << barTop);
        const QImage previous = withBar(grey.copy(0, top, kWidth, kHeight), barTop, barHeight);
        const QImage next = withBar(colour.copy(0, top + offset, kWidth, kHeight), barTop, barHeight);
        EXPECT_EQ(byUnchangedRows(previous, next, forward), std::optional<int>(offset));
    }

    // Identical rows fit many offsets: none leads.
    QImage same(kWidth, 2 * kHeight, QImage::Format_ARGB32_Premultiplied);
    same.fill(Qt::white);
    {
        QPainter painter(&same);
        for (int y = 0; y < same.height(); y += 24) {
            painter.drawText(QRect(12, y, kWidth - 12, 23), Qt::AlignVCenter, QStringLiteral("The same entry"));
            painter.fillRect(0, y + 23, kWidth, 1, QColor(200, 200, 200));
        }
    }
    EXPECT_FALSE(byUnchangedRows(same.copy(0, 0, kWidth, kHeight), same.copy(0, 24 * 5, kWidth, kHeight), forward));
    // Whole rows of other content where the rest agrees: not a change in part of a row.
    QImage next = page.copy(0, top + 100, kWidth, kHeight);
    QPainter(&next).drawImage(0, 150, page, 0, at.code, kWidth, 60);
    EXPECT_FALSE(byUnchangedRows(page.copy(0, top, kWidth, kHeight), next, forward));
    // Frames that share no rows.
    EXPECT_FALSE(byUnchangedRows(page.copy(0, top, kWidth, kHeight), page.copy(0, at.code, kWidth, kHeight), forward));
}

TEST(ScrollChangedContent, KeptRowsTakeTheLatestLookOfAPlaceholderAndOfNothingElse)
{
    // Two frames 300 rows high of a page scrolled 120 rows between them: the second one
    // shows again the kept rows' last 180.
    constexpr int h = 300, t = 120;
    ScrollTestPages::Layout at;
    const QImage page = ScrollTestPages::page(kWidth, &at).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int top = at.paragraphs;
    const auto stitched = [&](const QImage& first, const QImage& second, int refreshFrom) {
        ScrollKeptFrames kept;
        kept.append(first.copy(0, top, kWidth, h), 0);
        kept.appendRefreshing(second.copy(0, top + t, kWidth, h), h - t, 0, refreshFrom);
        return ScrollStitcher::compose(kept.takeSlices(), 100000)->image;
    };
    const auto rows = [&](const QImage& image, int from, int count) { return image.copy(0, from, kWidth, count); };

    // A picture 80 rows into the second frame: grey when the first frame was taken, in
    // colour in the second. It shows in colour; above a fixed header's rows, as it was.
    const QImage grey = withPictures(page, top + 200, false), colour = withPictures(page, top + 200, true);
    EXPECT_EQ(stitched(grey, colour, 0), rows(colour, top, h + t));
    EXPECT_EQ(rows(stitched(grey, colour, 150), 0, t + 150), rows(grey, top, t + 150));

    // Left alone: a change over text (a counter); a change wider than half the frame; and
    // something new on the page's plain background (a badge fixed on the screen).
    QImage changed = page.copy();
    QPainter(&changed).fillRect(10, top + 150, 60, 40, QColor(30, 160, 90));
    EXPECT_EQ(stitched(page, changed, 0), rows(page, top, h + t));
    QImage wideGrey = page.copy(), wideColour = page.copy();
    QPainter(&wideGrey).fillRect(10, top + 200, 300, 60, QColor(204, 204, 204));
    QPainter(&wideColour).fillRect(10, top + 200, 300, 60, QColor(200, 60, 60));
    EXPECT_EQ(stitched(wideGrey, wideColour, 0), rows(wideGrey, top, h + t));
    QImage blank(kWidth, top + h + t, QImage::Format_ARGB32_Premultiplied), badge;
    blank.fill(Qt::white);
    badge = blank.copy();
    QPainter(&badge).fillRect(300, top + 200, 40, 40, QColor(220, 40, 40));
    EXPECT_EQ(stitched(blank, badge, 0), rows(blank, top, h + t));
}

TEST(ScrollChangedContent, AViewWherePicturesLoadedIsTheSameViewHoweverGentleTheirShades)
{
    // Four narrow cards side by side, their pictures grey; loaded, each is a gradient
    // along the picture's diagonal, which across a row of 70 pixels changes by only a few
    // levels.
    ScrollTestPages::Layout at;
    const QImage page = ScrollTestPages::page(kWidth, &at).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage view = page.copy(0, at.paragraphs, kWidth, kHeight);
    const auto cards = [&](const std::function<void(QPainter&, const QRect&, int)>& picture) {
        QImage image = view.copy();
        QPainter painter(&image);
        for (int c = 0; c < 4; ++c) {
            const QRect card(8 + c * 86, 40, 78, 330);
            painter.fillRect(card, QColor(250, 250, 252));
            picture(painter, card.adjusted(4, 8, -4, -32), c);
        }
        return image;
    };
    const auto grey = [](QPainter& painter, const QRect& rect, int) { painter.fillRect(rect, QColor(204, 204, 204)); };
    const QImage placeholders = cards(grey);
    const QImage loaded = cards([](QPainter& painter, const QRect& rect, int c) {
        QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
        gradient.setColorAt(0, QColor::fromHsv(c * 47 % 360, 170, 210));
        gradient.setColorAt(1, QColor::fromHsv((c * 47 + 60) % 360, 90, 245));
        painter.fillRect(rect, gradient);
    });
    const QImage plainBoxes
        = cards([](QPainter& painter, const QRect& rect, int) { painter.fillRect(rect, QColor(200, 60, 60)); });
    const QImage moved = cards([](QPainter& painter, const QRect& rect, int) {
        painter.fillRect(rect.translated(0, 30), QColor(204, 204, 204));
    });
    const struct {
        const char* name;
        const QImage& other;
        bool same;
    } cases[] = {
        {"the pictures loaded", loaded, true},
        {"nothing changed", placeholders, true},
        {"boxes of one other colour", plainBoxes, false},
        {"the placeholders moved", moved, false},
        {"other rows", page.copy(0, at.paragraphs + 40, kWidth, kHeight), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScrollStitcher::sameButForPlaceholders(framePixels(placeholders), framePixels(c.other)), c.same);
        EXPECT_EQ(ScrollStitcher::sameButForPlaceholders(framePixels(c.other), framePixels(placeholders)), c.same);
    }
}

TEST(ScrollChangedContent, AViewStandsStillWherePicturesLoadedBesideOneBandThatChangesByItself)
{
    // Three cards side by side with grey pictures that may load, an animation of stripes
    // painted over part of the view in one phase or another.
    ScrollTestPages::Layout at;
    const QImage page = ScrollTestPages::page(kWidth, &at).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto view = [&](int shift, bool loaded, int bandLeft, int bandWidth, int phase) {
        QImage image = page.copy(0, at.paragraphs + shift, kWidth, kHeight);
        QPainter painter(&image);
        for (int c = 0; c < 3; ++c) {
            const QRect card(8 + c * 150, 40, 140, 200);
            painter.fillRect(card, QColor(250, 250, 252));
            const QRect picture = card.adjusted(4, 8, -4, -32);
            if (!loaded) {
                painter.fillRect(picture, QColor(204, 204, 204));
                continue;
            }
            QLinearGradient gradient(picture.topLeft(), picture.bottomRight());
            gradient.setColorAt(0, QColor::fromHsv(c * 47 % 360, 170, 210));
            gradient.setColorAt(1, QColor::fromHsv((c * 47 + 60) % 360, 90, 245));
            painter.fillRect(picture, gradient);
        }
        for (int x = bandLeft; x < bandLeft + bandWidth; x += 12)
            painter.fillRect(x, 0, 6, kHeight, QColor::fromHsv((x + phase * 40) % 360, 200, 200));
        return image;
    };
    QImage blank(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::white);
    const auto blankWithBand = [&](int phase) {
        QImage image = blank.copy();
        QPainter painter(&image);
        for (int x = 200; x < 300; x += 12)
            painter.fillRect(x, 0, 6, kHeight, QColor::fromHsv((x + phase * 40) % 360, 200, 200));
        return image;
    };
    const struct {
        const char* name;
        QImage before, after;
        bool still;
    } cases[] = {
        {"pictures loaded, the band changed", view(0, false, 200, 100, 0), view(0, true, 200, 100, 1), true},
        {"only the band changed", view(0, true, 200, 100, 0), view(0, true, 200, 100, 1), true},
        {"nothing changed", view(0, false, 200, 100, 0), view(0, false, 200, 100, 0), true},
        {"a band over more than half the width", view(0, false, 60, 300, 0), view(0, true, 60, 300, 1), false},
        {"the rows moved", view(0, false, 200, 100, 0), view(40, true, 200, 100, 1), false},
        {"the rows moved a little", view(0, true, 200, 100, 0), view(3, true, 200, 100, 0), false},
        {"nothing beside the band to show a move", blankWithBand(0), blankWithBand(1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScrollStitcher::sameButForPlaceholdersAndOneBand(c.before, c.after), c.still);
        EXPECT_EQ(ScrollStitcher::sameButForPlaceholdersAndOneBand(c.after, c.before), c.still);
    }
}

TEST(ScrollChangedContent, AViewStandsStillWherePicturesLoadedUnderASmallAnimation)
{
    // One card nearly as wide as the view, its picture grey until it loads; a small
    // animation fixed in the view lies over the picture's top rows, so that in those rows
    // what changed runs across the whole picture: no band of columns and no placeholder.
    ScrollTestPages::Layout at;
    const QImage page = ScrollTestPages::page(kWidth, &at).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto view = [&](int shift, bool loaded, int phase, const QRect& animation) {
        QImage image = page.copy(0, at.paragraphs + shift, kWidth, kHeight);
        QPainter painter(&image);
        const QRect card(8, 40, 440, 220);
        painter.fillRect(card, QColor(250, 250, 252));
        const QRect picture = card.adjusted(6, 6, -6, -40);
        if (loaded) {
            QLinearGradient gradient(picture.topLeft(), picture.bottomRight());
            gradient.setColorAt(0, QColor(210, 120, 70));
            gradient.setColorAt(1, QColor(220, 240, 150));
            painter.fillRect(picture, gradient);
        } else {
            painter.fillRect(picture, QColor(204, 204, 204));
        }
        for (int x = animation.left(); x <= animation.right(); x += 10)
            painter.fillRect(QRect(x, animation.top(), 5, animation.height()).intersected(animation),
                             QColor::fromHsv((x + phase * 40) % 360, 200, 200));
        return image;
    };
    const QRect sliver(180, 40, 140, 7);
    const struct {
        const char* name;
        QImage before, after;
        bool still;
    } cases[] = {
        {"the picture loaded, the animation over it changed", view(0, false, 0, sliver), view(0, true, 1, sliver), true},
        {"only the animation changed", view(0, false, 0, sliver), view(0, false, 1, sliver), true},
        {"the rows moved", view(0, false, 0, sliver), view(30, true, 1, sliver), false},
        {"the rows moved a little", view(0, true, 0, sliver), view(2, true, 0, sliver), false},
        {"an animation over a fifth of the view", view(0, false, 0, QRect(20, 40, 400, 100)),
         view(0, true, 1, QRect(20, 40, 400, 100)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScrollStitcher::sameButForPlaceholdersAndOneBox(c.before, c.after), c.still);
        EXPECT_EQ(ScrollStitcher::sameButForPlaceholdersAndOneBox(c.after, c.before), c.still);
    }
}
