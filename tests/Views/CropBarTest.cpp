#include "ToolbarTestSupport.h"

#include "Views/CropBar.h"
#include "Views/ToolButton.h"

#include <QLabel>
#include <QLineEdit>

#include <climits>
#include <limits>

#include <gtest/gtest.h>

using namespace ToolbarTest;

namespace {

// An editor in crop mode on a 400 x 200 point image of `ratio` pixels per point.
struct CropBarWindow : ToolbarWindow {
    explicit CropBarWindow(qreal ratio = 1.0, double zoom = 1.0)
    {
        load(solidImage(qRound(400 * ratio), qRound(200 * ratio), QColor(90, 90, 200), ratio));
        model.setZoomLevel(zoom);
        model.selectTool(ToolType::crop);
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
    }
    CropBar* bar() const { return toolbar->cropBar(); }

    // Clicks into a field and types, as a user does.
    void typeInto(QLineEdit* field, const QString& text)
    {
        QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, field->rect().center());
        field->selectAll();
        QTest::keyClicks(field, text);
    }
};

} // namespace

TEST(CropBarParsing, OptionalSignAndAsciiDigitsWithinSigned64BitsAndWholePoints)
{
    EXPECT_EQ(CropBar::parseTypedSize(QStringLiteral("+20")), 20);
    EXPECT_EQ(CropBar::parseTypedSize(QStringLiteral("-5")), -5);
    EXPECT_EQ(CropBar::parseTypedSize(QStringLiteral("007")), 7);
    EXPECT_EQ(CropBar::parseTypedSize(QStringLiteral("9223372036854775807")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(CropBar::parseTypedSize(QStringLiteral("-9223372036854775808")), std::numeric_limits<qint64>::min());
    for (const char* bad : { "", "+", "12a", " 12", "1.5", "1e3", "0x10", "+-1", "1,000", "9223372036854775808" })
        EXPECT_FALSE(CropBar::parseTypedSize(QString::fromLatin1(bad))) << bad;
    // Digits of other scripts are not ASCII digits.
    EXPECT_FALSE(CropBar::parseTypedSize(QStringLiteral("\uff11\uff12")));

    EXPECT_EQ(CropBar::typedPixelsToPoints(1, 2.0), 1); // 0.5 rounds away from zero
    EXPECT_EQ(CropBar::typedPixelsToPoints(3, 2.0), 2);
    // An image with fewer pixels than points makes a huge count larger still.
    EXPECT_EQ(CropBar::typedPixelsToPoints(std::numeric_limits<qint64>::max(), 0.25), INT_MAX);
}

TEST(CropBarShows, NoRectangleYetThenTheSizeInPixelsRoundedHalfAwayFromZero)
{
    CropBarWindow w(2.0, 0.5);
    CropBar* bar = w.bar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->widthText(), CropBar::noSizeText);
    EXPECT_EQ(bar->heightText(), CropBar::noSizeText);
    EXPECT_FALSE(bar->widthField()->isEnabled());
    EXPECT_FALSE(bar->confirmButton()->isVisible());
    const QString dragHint = bar->hintLabel()->text();
    // A click into a disabled field opens nothing.
    QTest::mouseClick(bar->widthField(), Qt::LeftButton);
    EXPECT_FALSE(bar->isFieldFocused());

    w.model.setCropRect(QRectF(10, 10, 100, 30));
    EXPECT_EQ(bar->widthText(), QStringLiteral("400"));
    EXPECT_EQ(bar->heightText(), QStringLiteral("120"));
    EXPECT_NE(bar->hintLabel()->text(), dragHint);
    EXPECT_TRUE(bar->confirmButton()->isVisible());
    EXPECT_TRUE(bar->widthField()->isEnabled());
    // The hint is never cut.
    EXPECT_GE(bar->hintLabel()->width(), bar->hintLabel()->fontMetrics().horizontalAdvance(bar->hintLabel()->text()));

    w.model.setZoomLevel(1.0); // 2 pixels a point now
    w.model.setCropRect(QRectF(10, 10, 0.2, 20));
    EXPECT_EQ(bar->widthText(), QStringLiteral("0"));
    w.model.setCropRect(QRectF(10, 10, 0.25, 20));
    EXPECT_EQ(bar->widthText(), QStringLiteral("1"));
}

TEST(CropBarShows, ConfirmRunsTheToolbarsConfirmAndCancelLeavesCropMode)
{
    CropBarWindow w;
    w.model.setCropRect(QRectF(0, 0, 100, 50));
    w.bar()->confirmButton()->click();
    EXPECT_EQ(w.confirms, 1);
    EXPECT_EQ(w.model.selectedImage()->pixelSize(), QSize(100, 50));
    EXPECT_FALSE(w.model.isCropping());

    w.model.selectTool(ToolType::crop);
    w.model.setCropRect(QRectF(0, 0, 40, 40));
    w.bar()->cancelButton()->click();
    EXPECT_FALSE(w.model.isCropping());
    EXPECT_EQ(w.model.currentTool(), ToolType::none);
    EXPECT_EQ(w.model.selectedImage()->pixelSize(), QSize(100, 50));
}

TEST(CropBarTyping, TypedWidthAppliesLiveAndTheTextStaysAsTyped)
{
    CropBarWindow w;
    w.model.setCropRect(QRectF(20, 20, 100, 50));
    CropBar* bar = w.bar();
    w.typeInto(bar->widthField(), QStringLiteral("12"));
    ASSERT_TRUE(bar->isFieldFocused());
    EXPECT_TRUE(w.model.isEditingCropSize());
    EXPECT_TRUE(ImageEditorViewModel::globalIsEditingCropSize());
    EXPECT_EQ(w.model.cropRect().size(), QSizeF(12, 50));

    QTest::keyClicks(bar->widthField(), QStringLiteral("a"));
    EXPECT_EQ(bar->widthText(), QStringLiteral("12a"));
    EXPECT_DOUBLE_EQ(w.model.cropRect().width(), 12.0);

    // Leaving the field (the focus goes elsewhere) closes the editor and rewrites the
    // text from the rectangle.
    bar->widthField()->clearFocus();
    EXPECT_FALSE(bar->isFieldFocused());
    EXPECT_FALSE(bar->widthField()->hasFocus());
    EXPECT_FALSE(w.model.isEditingCropSize());
    EXPECT_FALSE(ImageEditorViewModel::globalIsEditingCropSize());
    EXPECT_EQ(bar->widthText(), QStringLiteral("12"));

    // Zero and negative change nothing; a plus sign applies. Moving between the fields
    // keeps the editor open.
    for (const char* typed : { "-5", "0", "+20" })
        w.typeInto(bar->heightField(), QString::fromLatin1(typed));
    EXPECT_EQ(w.model.cropRect().size(), QSizeF(12, 20));
    w.typeInto(bar->widthField(), QStringLiteral("60"));
    EXPECT_TRUE(bar->isFieldFocused());
    EXPECT_EQ(w.model.cropRect().size(), QSizeF(60, 20));

    // Too wide is limited and shifted, but the text waits for the focus to leave.
    w.model.setCropRect(QRectF(300, 20, 50, 50));
    w.typeInto(bar->widthField(), QStringLiteral("9999"));
    EXPECT_DOUBLE_EQ(w.model.cropRect().width(), 400.0);
    EXPECT_EQ(bar->widthText(), QStringLiteral("9999"));
    bar->setFieldFocused(false);
    EXPECT_EQ(bar->widthText(), QStringLiteral("400"));
}

TEST(CropBarTyping, TypedPixelsFollowTheImagesDensity)
{
    CropBarWindow dense(2.0);
    dense.model.setCropRect(QRectF(20, 20, 100, 50));
    dense.typeInto(dense.bar()->widthField(), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(dense.model.cropRect().width(), 1.0); // one point: two pixels
    dense.bar()->setFieldFocused(false);
    EXPECT_EQ(dense.bar()->widthText(), QStringLiteral("2"));
}

TEST(CropBarSync, ZoomRewritesTheTextsOnlyWhileNoFieldHasFocusAndCropModeAfresh)
{
    CropBarWindow w;
    w.model.setCropRect(QRectF(20, 20, 100, 50));
    CropBar* bar = w.bar();
    w.model.setZoomLevel(2.0); // the same rectangle now stands for half the pixels
    EXPECT_EQ(bar->widthText(), QStringLiteral("50"));
    w.typeInto(bar->widthField(), QStringLiteral("30"));
    w.model.setZoomLevel(1.0);
    EXPECT_EQ(bar->widthText(), QStringLiteral("30"));

    // The texts survive the normal row and are rewritten on return to crop mode.
    bar->setFieldFocused(false);
    const QString shown = bar->widthText();
    w.model.selectTool(ToolType::arrow);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->widthText(), shown);
    w.model.selectTool(ToolType::crop);
    EXPECT_EQ(bar->widthText(), CropBar::noSizeText);
}

TEST(CropBarSync, EscapeThroughTheModelOrACropDragClosesOnlyTheEditor)
{
    CropBarWindow w;
    w.model.setCropRect(QRectF(20, 20, 100, 50));
    CropBar* bar = w.bar();
    w.typeInto(bar->widthField(), QStringLiteral("7x"));
    ASSERT_TRUE(bar->isFieldFocused());
    w.model.setIsEditingCropSize(false); // what the cancel command does while editing
    EXPECT_FALSE(bar->isFieldFocused());
    EXPECT_TRUE(w.model.isCropping());
    EXPECT_EQ(bar->widthText(), QStringLiteral("7"));

    w.model.setCropRect(QRectF(20, 20, 100, 50));
    w.typeInto(bar->heightField(), QStringLiteral("40"));
    ASSERT_TRUE(bar->isFieldFocused());
    w.crop->cropDragChanged(QPointF(60, 40), QPointF(80, 40), w.canvas->scaledSize());
    EXPECT_FALSE(bar->isFieldFocused());
    EXPECT_EQ(bar->heightText(), QStringLiteral("40"));
}


TEST(CropBarTurned, AQuarterTurnedImageReadsAndTakesTheSidesAsSeen)
{
    CropBarWindow w; // 400 x 200, seen 200 wide and 400 high once turned
    CropBar* bar = w.bar();
    for (auto turn : {&ImageEditorViewModel::rotateRight, &ImageEditorViewModel::rotateLeft}) {
        SCOPED_TRACE(turn == &ImageEditorViewModel::rotateRight ? "right" : "left");
        w.model.setRotation(0.0);
        w.model.selectTool(ToolType::crop);
        (w.model.*turn)();
        ASSERT_TRUE(w.model.isCropping());
        // The rectangle is kept in the unturned image's frame: 50 across it and 120
        // down it is, on the turned view, a box 120 wide and 50 high.
        w.model.setCropRect(QRectF(10, 20, 50, 120));
        EXPECT_EQ(bar->widthText(), QStringLiteral("120"));
        EXPECT_EQ(bar->heightText(), QStringLiteral("50"));

        // A width typed is the width seen: the image's height on this view.
        w.typeInto(bar->widthField(), QStringLiteral("90"));
        EXPECT_EQ(w.model.cropRect().size(), QSizeF(50, 90));
        w.typeInto(bar->heightField(), QStringLiteral("30"));
        EXPECT_EQ(w.model.cropRect().size(), QSizeF(30, 90));
        bar->setFieldFocused(false);
        EXPECT_EQ(bar->widthText(), QStringLiteral("90"));
        EXPECT_EQ(bar->heightText(), QStringLiteral("30"));

        // The limits are those of the image as seen: 200 wide.
        w.typeInto(bar->widthField(), QStringLiteral("5000"));
        EXPECT_EQ(w.model.cropRect().size(), QSizeF(30, 200));
        bar->setFieldFocused(false);
        EXPECT_EQ(bar->widthText(), QStringLiteral("200"));
    }
    // A half turn keeps the sides; turning back while the bar shows rewrites the texts.
    w.model.setRotation(180.0);
    w.model.setCropRect(QRectF(0, 0, 70, 40));
    EXPECT_EQ(bar->widthText() + "x" + bar->heightText(), QStringLiteral("70x40"));
    w.model.rotateRight();
    EXPECT_EQ(bar->widthText() + "x" + bar->heightText(), QStringLiteral("40x70"));
}
