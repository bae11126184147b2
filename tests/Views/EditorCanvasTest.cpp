#include "EditorCanvasTestSupport.h"
#include "PixelProbe.h"

#include "Core/Notifications.h"
#include "Models/TextLayout.h"
#include "Models/TextMeasurement.h"
#include "Views/InPlaceTextEditor.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTest>

#include <gtest/gtest.h>

using namespace CanvasTest;

namespace {

// Records what crop mode is handed.
struct RecordingCropGestures : CanvasCropGestures {
    int changes = 0;
    int ends = 0;
    int doubleClicks = 0;
    void cropDragChanged(QPointF, QPointF, QSizeF) override { ++changes; }
    void cropDragEnded(QPointF, QPointF, QSizeF) override { ++ends; }
    void cropDoubleClicked(QSizeF) override { ++doubleClicks; }
    void paintCropOverlay(QPainter&, QSizeF) override {}
};

const RgbaColor kBlue{ 0.0, 0.0, 1.0, 1.0 };

} // namespace

TEST(EditorCanvasFit, NewImageIsFittedIntoTheCanvasOnce)
{
    ShownCanvas s(QSize(400, 300), solidImage(800, 400));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.5);
    EXPECT_FALSE(s.model.isNewlyLoaded());

    // A small image (a capture) shows at its own size, not blown up; fitting on command
    // still fills the canvas. A band kept free at the bottom is left out of the fit.
    s.load(solidImage(100, 60));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.0);
    s.model.fitZoom(s.canvas.fitArea());
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 4.0);
    s.canvas.setReservedBottom(60);
    s.load(solidImage(800, 600));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.4);
    s.canvas.setReservedBottom(0);
    s.load(solidImage(800, 400));

    // A later zoom is the user's: nothing refits it.
    s.model.setZoomLevel(2.0);
    s.canvas.resize(500, 300);
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 2.0);
}

TEST(EditorCanvasFit, ImageArrivingBeforeLayoutIsFittedOnceTheCanvasHasASize)
{
    ImageEditorViewModel model;
    EditorCanvasView canvas(&model);
    canvas.resize(8, 8);
    model.setLoadedImage(solidImage(800, 400), fileUrl("early.png"));
    EXPECT_TRUE(model.isNewlyLoaded());

    // Still too small when the retry runs: the loaded zoom stays.
    QTest::qWait(EditorCanvasView::fitRetryDelayMs + 100);
    EXPECT_TRUE(model.isNewlyLoaded());
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0);

    // Shown at its real size, it fits.
    canvas.resize(200, 300);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.25);
    EXPECT_FALSE(model.isNewlyLoaded());
}

TEST(EditorCanvasZoom, WheelStepsSnapToActualSizeAndStopAtTheLimitsWithoutPanning)
{
    ShownCanvas s(QSize(400, 300), solidImage(200, 100), 0.96);
    s.canvas.zoomAtPoint(1.0, std::nullopt);
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.0);
    s.canvas.zoomAtPoint(1.0, std::nullopt);
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.05);
    s.model.setZoomLevel(0.98);
    s.canvas.zoomAtPoint(1.0, std::nullopt);
    EXPECT_NEAR(s.model.zoomLevel(), 1.029, 1e-12);
    s.canvas.zoomAtPoint(-1.0, std::nullopt);
    EXPECT_NEAR(s.model.zoomLevel(), 0.98, 1e-12) << "0.98 is not within 0.02 of 1";

    // A step at a limit changes nothing, not even the pan.
    s.model.setZoomLevel(16.0);
    s.canvas.panByScroll(-300.0, 120.0);
    const QSizeF panned = s.canvas.dragOffset();
    ASSERT_NE(panned, QSizeF(0.0, 0.0));
    QSignalSpy zoomSignals(&s.model, &ImageEditorViewModel::zoomChanged);
    s.canvas.zoomAtPoint(1.0, QPointF(10.0, 10.0));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 16.0);
    EXPECT_EQ(zoomSignals.count(), 0);
    EXPECT_EQ(s.canvas.dragOffset(), panned);
    s.model.setZoomLevel(0.01);
    s.canvas.zoomAtPoint(-1.0, std::nullopt);
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.01);
}

TEST(EditorCanvasZoom, AnchoredZoomKeepsTheImagePointUnderThePointerClampedToTheCanvas)
{
    ShownCanvas s(QSize(400, 300), solidImage(1000, 1000), 1.0); // overflows the canvas both ways
    const QPointF pointer(300.0, 100.0);
    const QPointF before = normalisedImagePoint(s.canvas, pointer);
    for (int i = 0; i < 5; ++i)
        s.canvas.zoomAtPoint(1.0, pointer);
    EXPECT_NEAR(s.model.zoomLevel(), std::pow(1.05, 5), 1e-9);
    const QPointF after = normalisedImagePoint(s.canvas, pointer);
    EXPECT_NEAR(after.x(), before.x(), 1e-9);
    EXPECT_NEAR(after.y(), before.y(), 1e-9);
    EXPECT_FALSE(s.model.anchoredZoomPendingOffset().has_value()) << "the hand-off was taken over";
    EXPECT_EQ(s.canvas.lastDragOffset(), s.canvas.dragOffset());

    // A pointer outside the canvas anchors at the nearest edge.
    ShownCanvas a(QSize(400, 300), solidImage(1000, 1000), 1.0);
    ShownCanvas b(QSize(400, 300), solidImage(1000, 1000), 1.0);
    a.canvas.zoomAtPoint(1.0, QPointF(-80.0, 150.0));
    b.canvas.zoomAtPoint(1.0, QPointF(0.0, 150.0));
    EXPECT_EQ(a.canvas.dragOffset(), b.canvas.dragOffset());
    EXPECT_GT(a.canvas.dragOffset().width(), 0.0) << "zooming in at the left edge pushes the image right";
}

TEST(EditorCanvasZoom, ZoomThatFitsOrIsNotAnchoredRecentres)
{
    ShownCanvas s(QSize(400, 300), solidImage(1000, 1000), 0.31);
    s.canvas.zoomAtPoint(-1.0, QPointF(390.0, 20.0));
    EXPECT_EQ(s.canvas.currentTransform().dragOffset, QSizeF(0.0, 0.0));

    s.model.setZoomLevel(1.0);
    s.canvas.panByScroll(50.0, -40.0);
    ASSERT_EQ(s.canvas.dragOffset(), QSizeF(50.0, -40.0));
    s.model.zoomIn();
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(0.0, 0.0));
    EXPECT_EQ(s.canvas.lastDragOffset(), QSizeF(0.0, 0.0));
}

TEST(EditorCanvasZoom, SmartZoomTogglesBetweenFitAndActualSize)
{
    ShownCanvas s(QSize(400, 300), solidImage(800, 600), 1.005);
    s.canvas.toggleSmartZoom();
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.5);
    s.canvas.toggleSmartZoom();
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.0);
    s.model.setZoomLevel(1.02);
    s.canvas.toggleSmartZoom();
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.0);
}

TEST(EditorCanvasZoom, PinchScalesFromItsStartAndSnapsAtTheEnd)
{
    ShownCanvas s(QSize(400, 300), solidImage(1000, 1000), 1.0);
    s.canvas.pinchChanged(1.5, QPointF(0.5, 0.5));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.5);
    ASSERT_TRUE(s.canvas.pinchStartZoom().has_value());
    s.canvas.panByScroll(30.0, 30.0);
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(0.0, 0.0)) << "no scroll pan during a pinch";
    s.canvas.pinchChanged(0.99, QPointF(0.5, 0.5));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 1.0) << "0.99 of the start snaps to actual size";
    s.canvas.pinchChanged(0.9, QPointF(0.5, 0.5));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.9) << "scaled from the start, not from the last step";
    s.canvas.pinchEnded(QPointF(0.5, 0.5));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.9);
    EXPECT_FALSE(s.canvas.pinchStartZoom().has_value());
    EXPECT_EQ(s.canvas.lastDragOffset(), s.canvas.dragOffset());

    s.model.selectTool(ToolType::crop);
    s.canvas.pinchChanged(2.0, QPointF(0.5, 0.5));
    EXPECT_DOUBLE_EQ(s.model.zoomLevel(), 0.9) << "no pinch zoom while cropping";
    s.canvas.pinchEnded(QPointF(0.5, 0.5));
    EXPECT_FALSE(s.canvas.pinchStartZoom().has_value());
}

TEST(EditorCanvasPan, PanIsLimitedByTheRotatedBoundsAndASmallImageNeverPans)
{
    ShownCanvas s(QSize(300, 300), solidImage(400, 100), 1.0);
    s.model.setRotation(90.0); // 100 x 400 on screen
    s.canvas.panByScroll(100.0, 100.0);
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(0.0, 50.0));
    s.canvas.panByScroll(0.0, -500.0);
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(0.0, -50.0));
    EXPECT_EQ(s.canvas.lastDragOffset(), s.canvas.dragOffset());

    ShownCanvas small(QSize(400, 300), solidImage(100, 80), 1.0);
    small.canvas.panByScroll(40.0, 40.0);
    EXPECT_EQ(small.canvas.dragOffset(), QSizeF(0.0, 0.0));
    drag(&small.canvas, QPointF(200, 150), QPointF(260, 190));
    EXPECT_EQ(small.canvas.dragOffset(), QSizeF(0.0, 0.0));
}

TEST(EditorCanvasGestures, NoToolDragPansButAnArrowToolDragDraws)
{
    ShownCanvas s(QSize(400, 300), solidImage(1000, 1000), 1.0);
    drag(&s.canvas, QPointF(200, 150), QPointF(240, 120));
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(40.0, -30.0));
    EXPECT_EQ(s.canvas.lastDragOffset(), QSizeF(40.0, -30.0));
    EXPECT_EQ(s.annotations().arrows().size(), 0);

    ShownCanvas d(QSize(400, 300), solidImage(1000, 1000), 1.0);
    d.model.selectTool(ToolType::arrow);
    drag(&d.canvas, QPointF(100, 100), QPointF(250, 200));
    EXPECT_EQ(d.canvas.dragOffset(), QSizeF(0.0, 0.0));
    ASSERT_EQ(d.annotations().arrows().size(), 1);
    const ArrowAnnotation arrow = d.annotations().arrows().first();
    // Viewport (100,100) is image point (400, 450) of the centred 1000 x 1000 image.
    EXPECT_NEAR(arrow.startPoint.x(), 0.4, 1e-9);
    EXPECT_NEAR(arrow.startPoint.y(), 0.45, 1e-9);
    EXPECT_NEAR(arrow.endPoint.x(), 0.55, 1e-9);
    EXPECT_NEAR(arrow.endPoint.y(), 0.55, 1e-9);
}

TEST(EditorCanvasGestures, DragStartingOnAnAnnotationMovesItInsteadOfPanning)
{
    ShownCanvas s(QSize(400, 300), solidImage(1000, 1000), 1.0);
    s.annotations().appendNumber({ .position = QPointF(0.5, 0.5), .value = 1, .diameter = 30.0 }); // the centre
    drag(&s.canvas, QPointF(200, 150), QPointF(240, 170));
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(0.0, 0.0));
    const NumberAnnotation moved = s.annotations().numbers().first();
    EXPECT_NEAR(moved.position.x(), 0.54, 1e-9);
    EXPECT_NEAR(moved.position.y(), 0.52, 1e-9);
}

TEST(EditorCanvasGestures, HoveringMarksAHandleDraggingItReshapesWithoutDrawingAndAClickRecordsNothing)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    s.model.selectTool(ToolType::arrow);
    const ArrowAnnotation arrow{ .startPoint = QPointF(0.25, 0.5), .endPoint = QPointF(0.75, 0.5), .lineWidth = 3.0,
                                 .isSelected = true };
    s.annotations().appendArrow(arrow);
    const qsizetype undoDepth = s.model.undoStack().size();
    QTest::mouseMove(&s.canvas, QPoint(300, 150));
    EXPECT_EQ(s.model.hoveredHandleIndex(), std::optional<int>(1)) << "hovering the end handle marks it";
    QTest::mouseMove(&s.canvas, QPoint(200, 40));
    EXPECT_FALSE(s.model.hoveredHandleIndex().has_value());

    // A click on the end handle, at viewport (300, 150), moves nothing and records nothing.
    QTest::mouseClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(300, 150));
    EXPECT_EQ(s.model.undoStack().size(), undoDepth);
    EXPECT_EQ(s.annotations().arrows().first().endPoint, arrow.endPoint);
    EXPECT_FALSE(s.model.activeHandleKind().has_value());

    // Grabbed a little off its centre and dragged.
    drag(&s.canvas, QPointF(305, 152), QPointF(305, 212));
    ASSERT_EQ(s.annotations().arrows().size(), 1) << "no new arrow was drawn";
    const ArrowAnnotation reshaped = s.annotations().arrows().first();
    EXPECT_NEAR(reshaped.endPoint.x(), 0.75, 1e-9);
    EXPECT_NEAR(reshaped.endPoint.y(), 0.7, 1e-9);
    EXPECT_EQ(reshaped.startPoint, arrow.startPoint);
    EXPECT_EQ(s.model.undoStack().size(), undoDepth + 1);
    EXPECT_FALSE(s.model.activeHandleKind().has_value());
}

TEST(EditorCanvasGestures, CropModeTakesDragsAndDoubleClicksAndDrawsNothing)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    RecordingCropGestures crop;
    s.canvas.setCropGestures(&crop);
    s.model.selectTool(ToolType::crop);

    // Under 10 points of movement it is no crop drag yet.
    drag(&s.canvas, QPointF(100, 100), QPointF(106, 104), 2);
    EXPECT_EQ(crop.changes, 0);
    EXPECT_EQ(crop.ends, 0);

    drag(&s.canvas, QPointF(100, 100), QPointF(200, 180));
    EXPECT_GT(crop.changes, 0);
    EXPECT_EQ(crop.ends, 1);

    QTest::mouseDClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    EXPECT_EQ(crop.doubleClicks, 1);
    EXPECT_EQ(s.annotations().arrows().size() + s.annotations().rectangles().size(), 0);
    EXPECT_EQ(s.canvas.dragOffset(), QSizeF(0.0, 0.0));
}

TEST(EditorCanvasCommands, EscapeDropsTheSelectionThenTheTool)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300));
    s.model.selectTool(ToolType::arrow);
    const ArrowAnnotation arrow{ .endPoint = QPointF(0.5, 0.5) };
    s.annotations().appendArrow(arrow);
    s.annotations().selectAnnotation(arrow.id);
    s.canvas.setFocus();
    QTest::keyClick(&s.canvas, Qt::Key_Escape);
    EXPECT_FALSE(s.annotations().selectedAnnotationId().has_value());
    EXPECT_EQ(s.model.currentTool(), ToolType::none);
}

TEST(EditorCanvasCommands, CropConfirmNeedsMoreThanTenPointsEachWay)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    s.model.selectTool(ToolType::crop);
    s.model.setCropRect(QRectF(10, 10, 10, 10));
    NotificationCenter::defaultCenter().post(Notifications::cropConfirm);
    EXPECT_EQ(s.model.selectedImage()->pixelSize(), QSize(400, 300));
    s.model.setCropRect(QRectF(10, 10, 10.5, 10.5));
    NotificationCenter::defaultCenter().post(Notifications::cropConfirm);
    EXPECT_NE(s.model.selectedImage()->pixelSize(), QSize(400, 300));
    EXPECT_FALSE(s.model.isCropping());
}

TEST(EditorCanvasText, FreeBoxFollowsItsTextUpToTheCapAndFixedBoxKeepsItsWidthAndOnlyGrows)
{
    const QFont font = TextLayout::resolveFont(QStringLiteral("Helvetica"), 16.0);
    const double oneLine = TextLayout::lineHeight(font);
    const auto empty = InPlaceTextEditor::measure(QString(), font, 16.0, false, 30.0, 30.0);
    EXPECT_DOUBLE_EQ(empty.width, 24.0);
    EXPECT_DOUBLE_EQ(empty.height, 24.0);
    EXPECT_DOUBLE_EQ(InPlaceTextEditor::measure(QString(), font, 4.0, false, 30.0, 30.0).width, 10.0);
    const QString word = QStringLiteral("word ");
    const auto shortText = InPlaceTextEditor::measure(word, font, 16.0, false, 30.0, 30.0);
    const auto longText = InPlaceTextEditor::measure(word.repeated(400), font, 16.0, false, 30.0, 30.0);
    EXPECT_DOUBLE_EQ(longText.width, InPlaceTextEditor::freeWidthCap);
    EXPECT_GT(longText.height, 5.0 * oneLine) << "the long line wraps at the cap instead of running off";
    EXPECT_LT(shortText.height, 2.0 * oneLine + 4.0);

    const auto one = InPlaceTextEditor::measure(QStringLiteral("a"), font, 16.0, true, 120.0, 80.0);
    EXPECT_DOUBLE_EQ(one.width, 120.0);
    EXPECT_DOUBLE_EQ(one.height, 80.0) << "never lower while editing";
    const auto many = InPlaceTextEditor::measure(QStringLiteral("a\nb\nc\nd\ne\nf"), font, 16.0, true, 120.0, 30.0);
    EXPECT_DOUBLE_EQ(many.width, 120.0);
    EXPECT_DOUBLE_EQ(many.height, 6.0 * oneLine + 4.0);
}

TEST(EditorCanvasText, TextToolClickOpensABoxTurnedWithTheImageWhereTheTextIsCommitted)
{
    for (const double turn : { 0.0, 90.0, 180.0, 270.0 }) {
        SCOPED_TRACE(turn);
        ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
        s.model.setRotation(turn);
        s.model.selectTool(ToolType::text);
        QTest::mouseClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
        ASSERT_TRUE(s.model.isEditingText());
        InPlaceTextEditor* editor = s.canvas.textEditor();
        QTRY_VERIFY(editor->isVisible());
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, QStringLiteral("Hello"));
        EXPECT_EQ(s.model.tempTextInput(), QStringLiteral("Hello"));
        QTRY_VERIFY(s.model.tempTextWidth() > 40.0);

        // The box lies on the image as the text will: turned with it, under the widget.
        const HandleFrameTransform t = s.canvas.currentTransform();
        const QRectF box = editor->imageBox();
        const QRectF seen = t.painterTransform().mapRect(box);
        EXPECT_TRUE(QRectF(editor->geometry()).contains(seen));
        EXPECT_EQ(seen.height() > seen.width(), turn == 90.0 || turn == 270.0);
        EXPECT_EQ(editor->height() > editor->width(), turn == 90.0 || turn == 270.0);

        // A click on the box puts the caret between the letters it shows there.
        const TextLayout shown(QStringLiteral("Hello"),
                               TextLayout::resolveFont(s.model.currentFontName(), editor->displayFontSize()));
        const QPointF betweenEAndL =
            editor->textOrigin() + QPointF(shown.cursorPoint(2).x(), shown.lineHeight() / 2.0);
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, Qt::NoModifier,
                          (t.viewportPoint(betweenEAndL) - QPointF(editor->pos())).toPoint());
        EXPECT_EQ(editor->textCursor().position(), 2);
        QTest::keyClicks(editor, QStringLiteral("X"));
        EXPECT_EQ(s.model.tempTextInput(), QStringLiteral("HeXllo"));

        // Committed, the text's box and first line are where the typed ones were.
        const QRectF typedBox = editor->imageBox();
        const QPointF typedOrigin = editor->textOrigin();
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_FALSE(s.model.isEditingText());
        ASSERT_EQ(s.annotations().texts().size(), 1);
        const TextAnnotation text = s.annotations().texts().first();
        EXPECT_EQ(text.text, QStringLiteral("HeXllo"));
        const QRectF committed = textBoxRect(text, t.scaledSize.width(), t.scaledSize.height(),
                                             s.model.originalImageSize().width());
        EXPECT_NEAR(committed.left(), typedBox.left(), 1e-6);
        EXPECT_NEAR(committed.width(), typedBox.width(), 1e-6);
        EXPECT_NEAR(committed.top() + 2.0, typedOrigin.y(), 1e-6);
        EXPECT_NEAR(committed.left() + 1.0, typedOrigin.x(), 1e-6);
        QTRY_VERIFY(!editor->isVisible());
    }
}

TEST(EditorCanvasText, AnInputMethodsCompositionShowsInTheTurnedBoxUntilItIsHandedOver)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    s.model.setRotation(90.0);
    s.model.selectTool(ToolType::text);
    QTest::mouseClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    InPlaceTextEditor* editor = s.canvas.textEditor();
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("ab"));
    QTRY_VERIFY(s.model.tempTextWidth() > 20.0);
    const double typedWidth = editor->imageBox().width();

    // Composing: the box grows to hold the words, the model's text waits for them.
    QInputMethodEvent composing(QStringLiteral("\u4e2d\u6587\u5b57"), {});
    QApplication::sendEvent(editor, &composing);
    EXPECT_EQ(s.model.tempTextInput(), QStringLiteral("ab"));
    EXPECT_GT(editor->imageBox().width(), typedWidth + 20.0);
    EXPECT_GT(editor->height(), editor->width()) << "turned with the image";

    // Handed over, the words are the text's; the box holds them alone.
    QInputMethodEvent handedOver;
    handedOver.setCommitString(QStringLiteral("\u4e2d\u6587"));
    QApplication::sendEvent(editor, &handedOver);
    EXPECT_EQ(s.model.tempTextInput(), QStringLiteral("ab\u4e2d\u6587"));
    const QFont font = TextLayout::resolveFont(s.model.currentFontName(), editor->displayFontSize());
    QTRY_VERIFY(std::abs(editor->imageBox().width() - (TextLayout(s.model.tempTextInput(), font).size().width() + 4.0))
                <= InPlaceTextEditor::writeBackThreshold);
}

TEST(EditorCanvasText, EscapeInABoxDropsItsTextAndTheTool)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    InPlaceTextEditor* editor = s.canvas.textEditor();
    s.model.selectTool(ToolType::text);
    QTest::mouseClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("gone"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(s.model.isEditingText());
    EXPECT_EQ(s.model.currentTool(), ToolType::none);
    EXPECT_TRUE(s.annotations().texts().isEmpty());
}

TEST(EditorCanvasText, DoubleClickOnATextOpensItForTypingWithAnyToolAndUndoTakesTheEditBack)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    InPlaceTextEditor* editor = s.canvas.textEditor();

    // Text tool, a box dragged out, typed, a click elsewhere, Escape twice.
    s.model.selectTool(ToolType::text);
    drag(&s.canvas, QPointF(100, 100), QPointF(260, 130));
    ASSERT_TRUE(s.model.isEditingText());
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("Edit me"));
    serverClicks(&s.canvas, QPoint(300, 250), 1);
    ASSERT_EQ(s.annotations().texts().size(), 1);
    const QUuid id = s.annotations().texts().first().id;
    QTest::keyClick(&s.canvas, Qt::Key_Escape);
    QTest::keyClick(&s.canvas, Qt::Key_Escape);
    ASSERT_EQ(s.model.currentTool(), ToolType::none);
    const HandleFrameTransform t = s.canvas.currentTransform();
    const QPointF centre = s.annotations().texts().first().position;
    const QPoint onText =
        t.viewportPoint(QPointF(centre.x() * t.scaledSize.width(), centre.y() * t.scaledSize.height())).toPoint();

    MouseButtonLog log;
    s.canvas.installEventFilter(&log);
    QString expected = QStringLiteral("Edit me");
    for (const ToolType tool : { ToolType::none, ToolType::text, ToolType::arrow, ToolType::rectangle, ToolType::number }) {
        SCOPED_TRACE(static_cast<int>(tool));
        s.model.selectTool(tool);
        log.types.clear();
        QTest::qWait(600); // no click before is near enough in time to pair with these
        serverClicks(&s.canvas, onText);
        EXPECT_EQ(log.types, (QList<QEvent::Type>{ QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                                   QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease }));
        ASSERT_TRUE(s.model.isEditingText());
        EXPECT_EQ(s.model.editingTextId(), id);
        EXPECT_EQ(s.model.tempTextInput(), expected);
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, QStringLiteral("!"));
        EXPECT_EQ(s.model.tempTextInput(), expected + QStringLiteral("!"));

        serverClicks(&s.canvas, QPoint(380, 280), 1);
        EXPECT_FALSE(s.model.isEditingText());
        ASSERT_EQ(s.annotations().texts().size(), 1);
        EXPECT_EQ(s.annotations().texts().first().id, id);
        EXPECT_EQ(s.annotations().texts().first().text, expected + QStringLiteral("!"));
        EXPECT_TRUE(s.annotations().numbers().isEmpty()) << "the clicks on the text placed nothing";

        // One undo step takes the edit back, and only the edit.
        s.model.undo();
        ASSERT_EQ(s.annotations().texts().size(), 1);
        EXPECT_EQ(s.annotations().texts().first().text, expected);
        s.model.redo();
        expected += QStringLiteral("!");
        EXPECT_EQ(s.annotations().texts().first().text, expected);
    }

    // A press that stays put moves nothing and takes no undo step; a drag still moves.
    s.model.selectTool(ToolType::none);
    const int steps = s.model.undoStack().size();
    const double before = s.annotations().texts().first().position.x();
    QTest::qWait(600);
    QTest::mousePress(&s.canvas, Qt::LeftButton, Qt::NoModifier, onText);
    EXPECT_FALSE(s.model.annotationDragLastLocation().has_value());
    QTest::mouseRelease(&s.canvas, Qt::LeftButton, Qt::NoModifier, onText);
    EXPECT_EQ(s.model.undoStack().size(), steps);
    EXPECT_EQ(s.annotations().selectedAnnotationId(), id) << "a click selects";
    QTest::qWait(600);
    drag(&s.canvas, onText, onText + QPointF(40, 0));
    EXPECT_NEAR(s.annotations().texts().first().position.x(), before + 40.0 / 400.0, 1e-9);
    EXPECT_EQ(s.model.undoStack().size(), steps + 1);
}

TEST(EditorCanvasText, NewTextShowsInTheBoxAtTheSizeItIsDrawnAfterwards)
{
    ShownCanvas s(QSize(400, 300), solidImage(800, 600));
    ASSERT_DOUBLE_EQ(s.model.zoomLevel(), 0.5);
    s.model.setCurrentFontSize(40.0); // image pixels
    s.model.selectTool(ToolType::text);
    QTest::mouseClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    ASSERT_TRUE(s.model.isEditingText());
    InPlaceTextEditor* editor = s.canvas.textEditor();
    QTRY_VERIFY(editor->isVisible());
    EXPECT_DOUBLE_EQ(editor->displayFontSize(), 20.0) << "40 image pixels at half size";
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("Same"));
    // Return at once, before the last measurement has gone back to the model.
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(s.annotations().texts().size(), 1);
    const TextAnnotation text = s.annotations().texts().first();
    EXPECT_DOUBLE_EQ(text.fontSize * 0.5, editor->displayFontSize());
    const QFont font = TextLayout::resolveFont(text.fontName, 20.0);
    EXPECT_DOUBLE_EQ(measureTextHeight(text, 20.0, text.width * 400.0), TextLayout::lineHeight(font))
        << "a one-line text stays on one line once committed";
}

TEST(EditorCanvasText, ModelBoxAlwaysGrowsToHoldTheText)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    s.model.setCurrentFontSize(18.0);
    s.model.selectTool(ToolType::text);
    QTest::mouseClick(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(40, 100));
    InPlaceTextEditor* editor = s.canvas.textEditor();
    QTRY_VERIFY(editor->hasFocus());
    const QFont font = TextLayout::resolveFont(s.model.currentFontName(), 18.0);
    QString typed;
    for (const QChar c : QStringLiteral("one two three")) {
        QTest::keyClick(editor, c.toLatin1());
        typed += c;
        QTest::qWait(1);
        const double needed = TextLayout(typed, font).size().width() + 4.0;
        EXPECT_GE(s.model.tempTextWidth() + 1e-9, std::min(needed, InPlaceTextEditor::freeWidthCap)) << typed.toStdString();
    }
}

TEST(EditorCanvasLayers, DrawingOutAShapeRepaintsNoCommittedLayer)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300), 1.0);
    s.annotations().appendArrow({ .endPoint = QPointF(0.3, 0.3) });
    s.annotations().appendRectangle({ .rect = QRectF(0.6, 0.6, 0.2, 0.2) });
    const NumberAnnotation marker{ .position = QPointF(0.1, 0.9), .diameter = 20.0 };
    s.annotations().appendNumber(marker);
    s.model.selectTool(ToolType::freehand);
    (void)s.canvas.grab();
    const int layersPainted = s.canvas.layerRebuildCount();

    // The press starts the stroke and clears the selection, which the layers show.
    QTest::mousePress(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(50, 150));
    (void)s.canvas.grab();
    const int atStart = s.canvas.layerRebuildCount();
    EXPECT_LE(atStart - layersPainted, 3);
    for (int i = 1; i <= 10; ++i) {
        QTest::mouseMove(&s.canvas, QPoint(50 + i * 20, 150 + (i % 3) * 5));
        (void)s.canvas.grab();
    }
    EXPECT_EQ(s.canvas.layerRebuildCount(), atStart) << "no layer repainted while the stroke grows";
    QTest::mouseRelease(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(250, 150));
    (void)s.canvas.grab();
    ASSERT_EQ(s.annotations().freehands().size(), 1);
    EXPECT_EQ(s.canvas.layerRebuildCount(), atStart + 1) << "the new stroke's layer only";

    // Moving the marker repaints the markers' layer only.
    s.annotations().moveAnnotation(marker.id, 5.0, 0.0, 400.0, 300.0);
    (void)s.canvas.grab();
    EXPECT_EQ(s.canvas.layerRebuildCount(), atStart + 2);
}

TEST(EditorCanvasLayers, StrokeBeingDrawnLiesBelowRectanglesAndAboveTheImage)
{
    ShownCanvas s(QSize(400, 300), solidImage(400, 300, Qt::white), 1.0);
    // The right half, filled blue.
    s.annotations().appendRectangle(
        { .rect = QRectF(0.5, 0.0, 0.5, 1.0), .strokeColor = kBlue, .fillColor = kBlue, .lineWidth = 1.0 });
    s.model.selectTool(ToolType::freehand);
    s.model.setCurrentFreehandLineWidth(12.0);

    QTest::mousePress(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(40, 150));
    for (int x = 60; x <= 360; x += 20)
        QTest::mouseMove(&s.canvas, QPoint(x, 150));
    const QImage shot = s.canvas.grab().toImage();
    QTest::mouseRelease(&s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(360, 150));

    const QColor onImage = shot.pixelColor(120, 150);
    EXPECT_GT(onImage.red(), 200);
    EXPECT_LT(onImage.green(), 180) << "the preview shows over the image";
    EXPECT_TRUE(PixelProbe::near(shot.pixelColor(300, 150), QColor(0, 0, 255))) << "and under the rectangle";
}
