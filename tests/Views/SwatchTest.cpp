#include "Core/Settings.h"
#include "Views/ColorPicker.h"
#include "Views/ColorSwatch.h"

#include "Core/AppTheme.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/Palette.h"
#include "Platform/UserDefaults.h"
#include "Views/PixelProbe.h"

#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

const RgbaColor kAlmostRed(1.0, 0.0, 0.0, 0.999);
const RgbaColor kTeal(0.0, 0.5, 0.5);

struct LanguageGuard {
    ~LanguageGuard() { UserDefaults::standard().remove(Settings::appLanguage.name()); }
    void set(const char* code) { UserDefaults::standard().set(Settings::appLanguage.name(), QString::fromLatin1(code)); }
};

void clickCentre(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// A colour binding over a local value, counting the writes.
template <typename Color> struct Bound {
    Color value;
    int writes = 0;
    ColorBinding<Color> binding()
    {
        return { [this] { return value; }, [this](Color c) { value = c; ++writes; } };
    }
};

QList<bool> ringsOf(const QList<ColorSwatch*>& swatches)
{
    QList<bool> rings;
    for (ColorSwatch* swatch : swatches)
        rings.append(swatch->isSelected());
    return rings;
}

QList<bool> onlyRinged(int index)
{
    QList<bool> rings(8, false);
    if (index >= 0)
        rings[index] = true;
    return rings;
}

} // namespace

TEST(ColorNames, PaletteEntriesAreNamedAndOthersAreCustom)
{
    LanguageGuard language;
    language.set("en");
    const QStringList expected = { "Red", "Blue", "Green", "Orange", "Purple", "White", "Gray", "Black" };
    for (std::size_t i = 0; i < presetColors.size(); ++i)
        EXPECT_EQ(colorLocalizedName(presetColors[i]), expected[int(i)]) << i;
    // Equality is exact: one component a hair off is no longer the palette colour.
    EXPECT_EQ(colorLocalizedName(kAlmostRed), QStringLiteral("Custom"));
    EXPECT_EQ(colorLocalizedName(RgbaColor(34.0 / 255.0 + 1e-12, 34.0 / 255.0, 34.0 / 255.0)), QStringLiteral("Custom"));
    EXPECT_EQ(colorLocalizedName(RgbaColor::fromRgb8(128, 128, 128)), QStringLiteral("Gray"));
}

TEST(ColorSwatchButton, HelpTextFollowsTheLanguageAtOnce)
{
    LanguageGuard language;
    language.set("en");
    ColorSwatch red(paletteRed, false, {});
    ColorSwatch none(std::nullopt, false, {});
    EXPECT_EQ(red.toolTip(), QStringLiteral("Red"));
    EXPECT_EQ(none.toolTip(), QStringLiteral("Transparent"));

    language.set("ja");
    EXPECT_EQ(red.toolTip(), QStringLiteral("赤"));
    EXPECT_NE(none.toolTip(), QStringLiteral("Transparent"));
}

TEST(ColorSwatchButton, SizeGrowsByTheRingAndOnlyTheCircleTakesClicks)
{
    int clicks = 0;
    ColorSwatch swatch(paletteGreen, false, [&] { ++clicks; });
    EXPECT_EQ(swatch.sizeHint(), QSize(24, 24));
    swatch.setSelected(true);
    EXPECT_EQ(swatch.sizeHint(), QSize(28, 28));
    swatch.resize(swatch.sizeHint());
    swatch.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&swatch));

    // The corner of the square lies outside the circle.
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicks, 0);
    clickCentre(&swatch);
    EXPECT_EQ(clicks, 1);
    // Clicking a selected swatch runs its action again; it never deselects itself.
    clickCentre(&swatch);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(swatch.isSelected());
}

TEST(ColorSwatchButton, PaintsFillRingAndNoColourMark)
{
    for (const QPalette& palette : { AppThemes::lightPalette(), AppThemes::darkPalette() }) {
        const QColor background = palette.color(QPalette::Window);
        QImage image = PixelProbe::blank(28, 28, background);
        {
            QPainter painter(&image);
            paintColorSwatch(painter, QRectF(0, 0, 28, 28), paletteOrange, true, palette);
        }
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 14, 14), paletteOrange.toQColor()));
        // The ring runs on the 28-point circle: its left edge, mid height, is blue.
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 0, 14), swatchRingColor(palette), 60));
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 2, 2), background, 2)); // outside the ring

        QImage unselected = PixelProbe::blank(28, 28, background);
        {
            QPainter painter(&unselected);
            paintColorSwatch(painter, QRectF(0, 0, 28, 28), paletteOrange, false, palette);
        }
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(unselected, 0, 14), background, 2));

        QImage noColour = PixelProbe::blank(24, 24, background);
        {
            QPainter painter(&noColour);
            paintColorSwatch(painter, QRectF(0, 0, 24, 24), std::nullopt, false, palette);
        }
        // The red slash crosses the centre; the circle's inside is otherwise untouched.
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(noColour, 12, 12), swatchSlashColor(palette), 40));
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(noColour, 8, 8), background, 2));
        // The outline is drawn in the secondary colour, visibly off the background.
        const QColor outline = PixelProbe::at(noColour, 1, 12);
        EXPECT_GT(std::abs(outline.lightness() - background.lightness()), 30);
    }
}

TEST(ColorPickerRow, RingsTheBoundColourAndWritesTheClickedOne)
{
    Bound<RgbaColor> bound { paletteRed };
    ColorPickerView picker(bound.binding());
    ASSERT_EQ(picker.swatches().size(), 8);
    EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(0));

    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    // The chosen swatch again: written again, still ringed.
    clickCentre(picker.swatches()[2]);
    clickCentre(picker.swatches()[2]);
    EXPECT_EQ(bound.value, paletteGreen);
    EXPECT_EQ(bound.writes, 2);
    EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(2));

    // A colour from elsewhere that is in no palette entry, even a hair off one, rings nothing.
    for (const RgbaColor& other : { kTeal, kAlmostRed }) {
        bound.value = other;
        picker.refresh();
        EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(-1));
    }
}

TEST(ColorPickerRow, TheRingWidensTheRowByFourPoints)
{
    Bound<RgbaColor> bound { kTeal };
    ColorPickerView picker(bound.binding());
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    const int plain = picker.sizeHint().width();
    EXPECT_EQ(plain, 8 * 24 + 7 * 6);

    bound.value = paletteBlue;
    picker.refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(picker.sizeHint().width(), plain + 4);

    // The swatches after the ringed one move; those before it stay.
    picker.resize(picker.sizeHint());
    QCoreApplication::processEvents();
    const int redLeft = picker.swatches()[0]->geometry().left();
    const int purpleLeft = picker.swatches()[4]->geometry().left();
    bound.value = paletteBlack;
    picker.refresh();
    picker.resize(picker.sizeHint());
    QCoreApplication::processEvents();
    EXPECT_EQ(picker.swatches()[0]->geometry().left(), redLeft);
    EXPECT_EQ(picker.swatches()[4]->geometry().left(), purpleLeft - 4);
    // Every swatch stays on the row's centre line.
    for (ColorSwatch* swatch : picker.swatches())
        EXPECT_EQ(swatch->geometry().center().y(), picker.swatches()[7]->geometry().center().y());
}

TEST(OptionalColorPickerRow, NoColourSwatchLeadsAndStoresNone)
{
    Bound<std::optional<RgbaColor>> bound;
    OptionalColorPickerView picker(bound.binding());
    ASSERT_EQ(picker.swatches().size(), 8);
    ASSERT_NE(picker.noColorSwatch(), nullptr);
    EXPECT_FALSE(picker.noColorSwatch()->color().has_value());
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    EXPECT_LT(picker.noColorSwatch()->geometry().left(), picker.swatches()[0]->geometry().left());

    // Nothing bound: only the no-colour swatch is ringed.
    EXPECT_TRUE(picker.noColorSwatch()->isSelected());
    EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(-1));

    clickCentre(picker.swatches()[5]);
    EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(5));
    clickCentre(picker.noColorSwatch());
    EXPECT_FALSE(bound.value.has_value());
    EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(-1));

    // A colour outside the palette: neither the no-colour swatch nor any other.
    bound.value = kTeal;
    picker.refresh();
    EXPECT_FALSE(picker.noColorSwatch()->isSelected());
    EXPECT_EQ(ringsOf(picker.swatches()), onlyRinged(-1));
}
