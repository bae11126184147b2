#include "Models/ImageEditorViewModel.h"
#include "Models/Palette.h"
#include "Models/TextLayout.h"
#include "Models/TextMeasurement.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString dejaVu = QStringLiteral("DejaVu Sans");

TextAnnotation textAnnotation(QString text, double width, QPointF position = {0.5, 0.5}, double fontSize = 20)
{
    return TextAnnotation{.text = std::move(text), .position = position, .fontSize = fontSize, .fontName = dejaVu,
                          .color = paletteRed, .width = width};
}

// Rows [first, last] that hold any non-transparent pixel; {-1, -1} for none.
std::pair<int, int> inkRows(const QImage& image)
{
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) > 0) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

TEST(TextLayoutTest, FontSizesArePixelsAndLinesHaveTheFontsLineSpacing)
{
    // The reference: the same face sized in whole pixels on the default device.
    QFont pixelFont(dejaVu);
    pixelFont.setPixelSize(24);
    const double expectedLine = QFontMetricsF(pixelFont).lineSpacing();

    const QFont font = TextLayout::resolveFont(dejaVu, 24);
    EXPECT_EQ(font.family(), dejaVu);
    EXPECT_NEAR(TextLayout::lineHeight(font), expectedLine, 1e-6);

    const TextLayout one(QStringLiteral("Hello"), font);
    EXPECT_EQ(one.lineCount(), 1);
    EXPECT_NEAR(one.height(), expectedLine, 1e-6);

    // Fractional sizes are laid out at the nearest whole pixel size, the same way
    // wherever the text is measured or drawn.
    const QString run = QStringLiteral("The quick brown fox jumps over the lazy dog");
    auto widthAt = [&](double size) { return TextLayout(run, TextLayout::resolveFont(dejaVu, size)).size().width(); };
    EXPECT_LT(widthAt(24), widthAt(25));
    EXPECT_EQ(widthAt(24.25), widthAt(24));
    EXPECT_EQ(widthAt(24.75), widthAt(25));
}

TEST(TextLayoutTest, NewlinesEmptyLinesAndWrapping)
{
    const QFont font = TextLayout::resolveFont(dejaVu, 20);
    const double line = TextLayout::lineHeight(font);

    EXPECT_EQ(TextLayout(QString(), font).lineCount(), 1);
    EXPECT_EQ(TextLayout(QStringLiteral("a\n"), font).lineCount(), 2);
    const TextLayout three(QStringLiteral("a\n\nb"), font);
    EXPECT_EQ(three.lineCount(), 3);
    EXPECT_NEAR(three.height(), 3 * line, 1e-9) << "an empty line is as tall as any other";
    EXPECT_EQ(three.lineTextStart(2), 3) << "positions index the original text";

    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog");
    const TextLayout unwrapped(sentence, font);
    EXPECT_EQ(unwrapped.lineCount(), 1);
    const double naturalWidth = unwrapped.size().width();

    const TextLayout wrapped(sentence, font, naturalWidth / 2.5);
    EXPECT_GE(wrapped.lineCount(), 3);
    EXPECT_NEAR(wrapped.height(), wrapped.lineCount() * line, 1e-9);
    for (int i = 0; i < wrapped.lineCount(); ++i) {
        EXPECT_LE(wrapped.lineRect(i).width(), naturalWidth / 2.5 + 1e-6);
        // Lines break between words: none starts inside a word.
        const int start = wrapped.lineTextStart(i);
        if (start > 0)
            EXPECT_TRUE(sentence.at(start - 1).isSpace()) << i;
    }

    // One word wider than the box is broken inside itself rather than overflowing.
    const TextLayout longWord(QStringLiteral("Supercalifragilistic"), font, 40);
    EXPECT_GT(longWord.lineCount(), 2);
    for (int i = 0; i < longWord.lineCount(); ++i)
        EXPECT_LE(longWord.lineRect(i).width(), 40 + 1e-6);

    // A width that is no width lays the text out unwrapped.
    for (double width : {0.0, -10.0, std::nan(""), double(INFINITY)})
        EXPECT_EQ(TextLayout(sentence, font, width).lineCount(), 1) << width;
}

TEST(TextLayoutTest, UnknownFontsFallBackToTheSystemFontAndStandInsAreUsed)
{
    const QFont unknown = TextLayout::resolveFont(QStringLiteral("SF Pro Text"), 18);
    EXPECT_EQ(unknown.family(), QGuiApplication::font().family());
    EXPECT_EQ(TextLayout::resolveFont(QStringLiteral("Georgia"), 18).family(), QGuiApplication::font().family());
    EXPECT_EQ(TextLayout::resolveFont(QStringLiteral("Helvetica"), 18).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(TextLayout::resolveFont(QStringLiteral("Times New Roman"), 18).family(),
              QStringLiteral("Liberation Serif"));
    // The text tool starts on a font a face of this desktop draws, not on SF Pro.
    EXPECT_EQ(TextLayout::defaultFontName(), QStringLiteral("Helvetica"));
    EXPECT_EQ(ImageEditorViewModel().currentFontName(), QStringLiteral("Helvetica"));

    // Degenerate sizes are clamped to something a font engine can lay out.
    for (double size : {0.0, -5.0, std::nan(""), 1e300})
        EXPECT_GT(TextLayout::resolveFont(dejaVu, size).pointSizeF(), 0.0) << size;
}

TEST(TextLayoutTest, DrawsTheLinesItMeasuredAtPixelSize)
{
    // Drawn on an ordinary 96-dpi image, a 40-pixel "H" is about 0.73 em tall
    // (DejaVu's cap height), not the third more a point-sized font would give.
    const QFont font = TextLayout::resolveFont(dejaVu, 40);
    const TextLayout layout(QStringLiteral("H\nH"), font);
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        layout.draw(painter, QPointF(10, 10), Qt::black);
    }
    const double line = layout.lineHeight();
    // Ink of the first line lies in its band, and the second line starts one
    // line height lower.
    QImage firstBand = image.copy(0, 0, 200, int(10 + line));
    const auto [top, bottom] = inkRows(firstBand);
    ASSERT_GE(top, 0);
    EXPECT_NEAR(bottom - top + 1, 40 * 0.729, 2.0);
    const auto [allTop, allBottom] = inkRows(image);
    EXPECT_EQ(allTop, top);
    EXPECT_NEAR(allBottom - bottom, line, 1.5);
    EXPECT_LT(allBottom, 10 + layout.height());
}

TEST(TextLayoutTest, CaretPositionsMapToPointsAndBack)
{
    const QFont font = TextLayout::resolveFont(dejaVu, 20);
    const TextLayout layout(QStringLiteral("ab\ncd"), font);
    EXPECT_EQ(layout.lineForPosition(0), 0);
    EXPECT_EQ(layout.lineForPosition(4), 1);
    EXPECT_EQ(layout.cursorPoint(0), QPointF(0, 0));
    const QPointF endOfSecond = layout.cursorPoint(5);
    EXPECT_NEAR(endOfSecond.y(), layout.lineHeight(), 1e-9);
    EXPECT_GT(endOfSecond.x(), 0);
    EXPECT_EQ(layout.positionAt(QPointF(endOfSecond.x() + 50, layout.lineHeight() * 1.5)), 5);
    EXPECT_EQ(layout.positionAt(QPointF(-5, -5)), 0);
    EXPECT_EQ(layout.positionAt(QPointF(std::nan(""), std::nan(""))), 0);
    EXPECT_EQ(layout.positionAt(QPointF(INFINITY, 1e300)), 5);
}

TEST(TextMeasurementTest, HeightMatchesTheSharedLayout)
{
    clearTextHeightCache();
    const TextAnnotation t = textAnnotation(QStringLiteral("Several words that will wrap in a narrow box"), 0.1);
    const double measured = measureTextHeight(t, 20, 120);
    const TextLayout layout = layoutText(t, 20, 120);
    EXPECT_EQ(measured, layout.height());
    EXPECT_GT(layout.lineCount(), 1);

    EXPECT_EQ(textAttributes(t, 20).lineHeight, layout.lineHeight());

    // An unknown font measures as the system font does.
    TextAnnotation unknown = t;
    unknown.fontName = QStringLiteral("No Such Font");
    TextAnnotation system = t;
    system.fontName = QGuiApplication::font().family();
    EXPECT_EQ(measureTextHeight(unknown, 20, 120), measureTextHeight(system, 20, 120));

    // Nothing can be drawn at a size that is not a positive number.
    for (double size : {0.0, -3.0, std::nan(""), double(INFINITY)})
        EXPECT_EQ(measureTextHeight(t, size, 120), 0.0) << size;
}

TEST(TextMeasurementTest, CacheKeysOnEveryInputAndHoldsSixtyFourEntries)
{
    clearTextHeightCache();
    const TextAnnotation t = textAnnotation(QStringLiteral("cached"), 0.2);
    auto measure = [](const TextAnnotation& a, double size, double width) {
        return measureTextHeight(a.text, a.fontName, size, width);
    };
    const double first = measure(t, 24, 100);
    EXPECT_EQ(textHeightCacheCount(), 1);
    EXPECT_EQ(measure(t, 24, 100), first);
    EXPECT_EQ(textHeightCacheCount(), 1) << "a repeat is answered from the cache";

    measure(t, 24.000000000000004, 100);
    EXPECT_EQ(textHeightCacheCount(), 2) << "sizes that differ as doubles are different entries";
    measure(t, 24, std::nextafter(100.0, 200.0));
    EXPECT_EQ(textHeightCacheCount(), 3);
    measureTextHeight(t, 24, 100);
    const int entries = textHeightCacheCount();
    TextAnnotation otherColour = t;
    otherColour.color = paletteBlue;
    EXPECT_EQ(measureTextHeight(otherColour, 24, 100), measureTextHeight(t, 24, 100));
    EXPECT_EQ(textHeightCacheCount(), entries) << "the colour does not change the height";

    for (int i = 0; i < 70; ++i)
        measure(textAnnotation(QStringLiteral("text %1").arg(i), 0.2), 24, 100);
    EXPECT_EQ(textHeightCacheCount(), 64);
    // The early entry was evicted; measuring it again gives the same height.
    EXPECT_EQ(measure(t, 24, 100), first);

    // A taller text is not answered with a shorter one's cached height.
    const double twoLines = measure(textAnnotation(QStringLiteral("cached\ncached"), 0.2), 24, 100);
    EXPECT_NEAR(twoLines, 2 * first, 1e-9);
}

TEST(TextMeasurementTest, BoxIsCentredAndScaledToTheCanvas)
{
    const TextAnnotation t = textAnnotation(QStringLiteral("Box"), 0.25, {0.5, 0.25}, 40);
    // Canvas 800 x 600 showing a 1600-pixel-wide image: the font is halved.
    const QRectF box = textBoxRect(t, 800, 600, 1600);
    const double h = measureTextHeight(t, 20, 200);
    EXPECT_NEAR(box.width(), 202, 1e-9);
    EXPECT_NEAR(box.height(), h + 4, 1e-9);
    EXPECT_NEAR(box.center().x(), 400, 1e-9);
    EXPECT_NEAR(box.center().y(), 150, 1e-9);

    // Without a reference width the stored size is used as it stands.
    const QRectF unscaled = textBoxRect(t, 800, 600, 0);
    EXPECT_NEAR(unscaled.height(), measureTextHeight(t, 40, 200) + 4, 1e-9);
    EXPECT_GT(unscaled.height(), box.height());
}

TEST(TextMeasurementTest, AFreeWidthTextHeldByItsBoxAtTheImagesSizeKeepsItsLinesAtEveryZoom)
{
    // Texts on a 1000-pixel-wide image, each in a box a pixel wider than its longest
    // line at the image's own size; drawn at zooms whose whole-pixel font sizes make
    // the line a little wider or narrower than the box.
    const double zooms[] = { 0.37, 0.5, 0.58, 0.71, 0.89, 1.0, 1.15, 1.32, 1.52, 2.0 };
    const double fontSizes[] = { 13, 16, 24, 31 };
    const QString texts[] = { QStringLiteral("Outside the box, on one line as typed"),
                              QStringLiteral("two lines\nas typed, the second longer") };
    constexpr double reference = 1000;
    for (double fontSize : fontSizes)
        for (const QString& typed : texts) {
            const QFont own = TextLayout::resolveFont(dejaVu, fontSize);
            const TextLayout natural(typed, own);
            TextAnnotation free = textAnnotation(typed, (std::ceil(natural.size().width()) + 1.0) / reference, {0.5, 0.5},
                                                 fontSize);
            TextAnnotation fixed = free;
            fixed.isFixedWidth = true;
            TextAnnotation narrowed = free; // a free-width text a side handle narrowed
            narrowed.width = natural.size().width() * 0.6 / reference;
            for (double zoom : zooms) {
                SCOPED_TRACE(QStringLiteral("size %1, zoom %2, %3").arg(fontSize).arg(zoom).arg(typed).toStdString());
                const double w = reference * zoom;
                const double shownSize = fontSize * zoom;
                const double lineHeight = TextLayout::lineHeight(TextLayout::resolveFont(dejaVu, shownSize));
                EXPECT_EQ(layoutText(free, shownSize, free.width * w).lineCount(), natural.lineCount());
                EXPECT_NEAR(textBoxRect(free, w, w, reference).height(), natural.lineCount() * lineHeight + 4.0, 1e-9)
                    << "the box is as tall as the lines drawn";
                // Boxes that wrap at the image's size wrap at the box on screen too.
                const TextLayout wrappedFixed(typed, TextLayout::resolveFont(dejaVu, shownSize), fixed.width * w);
                EXPECT_EQ(layoutText(fixed, shownSize, fixed.width * w).lineCount(), wrappedFixed.lineCount());
                const TextLayout wrappedNarrow(typed, TextLayout::resolveFont(dejaVu, shownSize), narrowed.width * w);
                EXPECT_EQ(layoutText(narrowed, shownSize, narrowed.width * w).lineCount(), wrappedNarrow.lineCount());
                EXPECT_GT(wrappedNarrow.lineCount(), natural.lineCount());
            }
        }
}
