#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Models/TextMeasurement.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

class EditorTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        model.setLoadedImage(solidImage(1600, 1200), QUrl::fromLocalFile("/tmp/t.png"));
        model.setCurrentFontName("DejaVu Sans");
    }
    AnnotationManager& store() { return *model.annotationManager(); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorTextTest, AClickOpensALeftAnchoredBox)
{
    model.beginTextEditing(QPointF(100, 50), QSizeF(800, 600), std::nullopt, 24);
    EXPECT_TRUE(model.isEditingText());
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->x(), 0.14);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->y(), 62.0 / 600.0);
    EXPECT_EQ(model.tempTextAnchorLeftX(), 0.125);
    EXPECT_FALSE(model.tempTextAnchorTopY().has_value());
    EXPECT_EQ(std::pair(model.tempTextWidth(), model.tempTextHeight()), std::pair(24.0, 24.0));
    EXPECT_FALSE(model.tempTextIsFixedWidth());

    // Growing keeps the left edge; without a top anchor the centre height stays.
    model.setTempTextWidth(124);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->x(), 0.125 + 62.0 / 800.0);
    model.setTempTextHeight(80);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->y(), 62.0 / 600.0);
}

TEST_F(EditorTextTest, ADraggedBoxIsFixedWidthAndAnchoredTopLeft)
{
    model.beginTextEditing(QPointF(100, 50), QSizeF(800, 600), QRectF(100, 50, 200, 10), 24);
    EXPECT_EQ(std::pair(model.tempTextWidth(), model.tempTextHeight()), std::pair(200.0, 24.0));
    EXPECT_TRUE(model.tempTextIsFixedWidth());
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->x(), 0.25);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->y(), 55.0 / 600.0);
    EXPECT_EQ(model.tempTextAnchorLeftX(), 0.125);
    EXPECT_DOUBLE_EQ(*model.tempTextAnchorTopY(), 50.0 / 600.0);
}

TEST_F(EditorTextTest, CommittingANewTextStoresItInImagePixels)
{
    model.setCurrentFontSize(16);
    model.beginTextEditing(QPointF(100, 50), QSizeF(800, 600), std::nullopt, 24);
    model.setTempTextInput("  ");
    model.setTempTextWidth(102);
    model.commitTextEditing(QSizeF(800, 600), 1600);
    ASSERT_EQ(store().texts().size(), 1);
    const TextAnnotation& t = store().texts().first();
    EXPECT_EQ(t.text, "  ") << "spaces are text";
    EXPECT_EQ(t.fontSize, 16.0) << "the font size keeps its unit: the image's pixels";
    EXPECT_DOUBLE_EQ(t.width, 100.0 / 800.0);
    EXPECT_TRUE(model.canUndo());
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(model.currentTool(), ToolType::none);
    EXPECT_EQ(store().selectedAnnotationId(), t.id);
    EXPECT_EQ(model.editingTextStyleId(), t.id);
}

TEST_F(EditorTextTest, EditingAndCommittingUnchangedLeavesNoUndoStep)
{
    const TextAnnotation t{ .text = "hello world", .position = QPointF(0.5, 0.5), .fontSize = 20,
                            .fontName = "DejaVu Sans", .width = 0.25 };
    store().appendText(t);

    // 1000 points showing a 1600-pixel image: the box is measured at 12.5.
    model.editTextAnnotation(t.id, QSizeF(1000, 500));
    EXPECT_TRUE(model.isEditingText());
    EXPECT_EQ(model.editingTextId(), t.id);
    EXPECT_EQ(model.editingTextStyleId(), t.id);
    EXPECT_EQ(model.tempTextInput(), "hello world");
    EXPECT_EQ(model.tempTextWidth(), 252.0);
    EXPECT_EQ(store().selectedAnnotationId(), t.id);

    model.commitTextEditing(QSizeF(1000, 500), 1600);
    EXPECT_FALSE(model.canUndo());
    EXPECT_EQ(store().texts().first().width, 0.25);
    EXPECT_EQ(store().texts().first().position, QPointF(0.5, 0.5));
    EXPECT_FALSE(store().selectedAnnotationId().has_value());
    EXPECT_EQ(model.editingTextStyleId(), t.id);

    // A changed text is one undo step, positioned from the anchors.
    model.editTextAnnotation(t.id, QSizeF(1000, 500));
    model.setTempTextInput("changed");
    model.setTempTextWidth(302);
    model.commitTextEditing(QSizeF(1000, 500), 1600);
    EXPECT_TRUE(model.canUndo());
    EXPECT_EQ(store().texts().first().text, "changed");
    EXPECT_DOUBLE_EQ(store().texts().first().width, 0.3);
    EXPECT_DOUBLE_EQ(store().texts().first().position.x(), 0.5 - 0.126 + 0.151);
}

TEST_F(EditorTextTest, EmptyOrClosedCommitsOnlyCloseTheBox)
{
    const TextAnnotation t{ .text = "old", .width = 0.2 };
    store().appendText(t);
    model.editTextAnnotation(t.id, QSizeF(800, 600));
    model.setTempTextInput("");
    model.setCurrentTool(ToolType::text);
    model.commitTextEditing(QSizeF(800, 600), 1600);
    EXPECT_EQ(store().texts().first().text, "old");
    EXPECT_FALSE(model.canUndo());
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(model.currentTool(), ToolType::text) << "the tool stays";

    model.editTextAnnotation(QUuid::createUuid(), QSizeF(800, 600));
    EXPECT_FALSE(model.isEditingText()) << "an unknown id opens nothing";
}

TEST_F(EditorTextTest, CancelKeepsTheBoxSize)
{
    model.beginTextEditing(QPointF(10, 10), QSizeF(800, 600), QRectF(10, 10, 300, 40), 24);
    model.setTempTextInput("draft");
    model.cancelTextEditing();
    EXPECT_FALSE(model.isEditingText() || model.tempTextNormalizedPosition() || model.tempTextAnchorLeftX());
    EXPECT_TRUE(model.tempTextInput().isEmpty());
    EXPECT_EQ(std::pair(model.tempTextWidth(), model.tempTextHeight()), std::pair(300.0, 40.0));
    EXPECT_TRUE(store().texts().isEmpty());
}

namespace {

// 800 x 600 points showing the 1600 x 1200 image of the fixture.
const QSizeF kShown(800, 600);
constexpr double kReference = 1600;

QRectF shownBox(const TextAnnotation& t) { return textBoxRect(t, kShown.width(), kShown.height(), kReference); }

// Whether the box lies on the shown image (rounding aside).
::testing::AssertionResult onTheImage(const QRectF& box)
{
    constexpr double e = 1e-9;
    if (box.left() >= -e && box.top() >= -e && box.right() <= kShown.width() + e && box.bottom() <= kShown.height() + e)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "box (" << box.left() << ", " << box.top() << ") to (" << box.right()
                                         << ", " << box.bottom() << ") leaves the 800 x 600 image";
}

} // namespace

TEST_F(EditorTextTest, TextTypedBesideOrOverTheImageIsLaidOnIt)
{
    // The point clicked with the text tool and the width the box grew to while typing;
    // which edges of the committed box then lie on the image's edges.
    struct Case {
        const char* name;
        QPointF click;
        double typedWidth;
        std::optional<double> left, top, right, bottom;
    };
    const Case cases[] = {
        { "left of the image", { -150, 300 }, 90, 0.0, {}, {}, {} },
        { "above and left of it", { -60, -80 }, 90, 0.0, 0.0, {}, {} },
        { "below it", { 300, 700 }, 90, {}, {}, {}, 600.0 },
        { "inside, growing over the right edge", { 760, 300 }, 120, {}, {}, 800.0, {} },
        { "right of it, wider than the image", { 900, 300 }, 1000, 0.0, {}, {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store().clearAll();
        model.selectTool(ToolType::text);
        model.handleDragEnded(c.click, c.click, kShown, kShown * 2);
        ASSERT_TRUE(model.isEditingText());
        model.setTempTextInput("Outside");
        model.setTempTextWidth(c.typedWidth);
        // A click elsewhere on the image finishes the text.
        model.handleDragEnded(QPointF(400, 20), QPointF(400, 20), kShown, kShown * 2);
        ASSERT_FALSE(model.isEditingText());
        ASSERT_EQ(store().texts().size(), 1);
        const QRectF box = shownBox(store().texts().first());
        EXPECT_NEAR(box.width(), c.typedWidth, 1e-9) << "the text keeps its size";
        if (c.typedWidth < kShown.width())
            EXPECT_TRUE(onTheImage(box));
        if (c.left)
            EXPECT_NEAR(box.left(), *c.left, 1e-9);
        if (c.top)
            EXPECT_NEAR(box.top(), *c.top, 1e-9);
        if (c.right)
            EXPECT_NEAR(box.right(), *c.right, 1e-9);
        if (c.bottom)
            EXPECT_NEAR(box.bottom(), *c.bottom, 1e-9);
    }
}

TEST_F(EditorTextTest, AnEditedTextThatGrowsOverTheEdgeIsKeptOnTheImage)
{
    const TextAnnotation t{ .text = "edge", .position = QPointF(0.85, 0.5), .fontSize = 40, .fontName = "DejaVu Sans",
                            .width = 0.15 };
    store().appendText(t);
    model.editTextAnnotation(t.id, kShown);
    model.setTempTextInput("edge and more");
    model.setTempTextWidth(302); // left edge anchored at 620: the right one would be at 922
    model.commitTextEditing(kShown, kReference);
    const QRectF box = shownBox(store().texts().first());
    EXPECT_TRUE(onTheImage(box));
    EXPECT_NEAR(box.right(), 800.0, 1e-9);
    EXPECT_NEAR(box.width(), 302.0, 1e-9);
    model.undo();
    EXPECT_EQ(store().texts().first().position, t.position) << "the edit and its move are one undo step";
}

TEST_F(EditorTextTest, ADraggedTextStopsAtTheImageEdgeAndFollowsThePointerBack)
{
    const TextAnnotation t{ .text = "drag me", .position = QPointF(0.5, 0.5), .fontSize = 40, .fontName = "DejaVu Sans",
                            .width = 0.2 };
    store().appendText(t);
    const QPointF start(400, 300);
    model.handleDragChanged(start, start, kShown, kShown * 2); // takes hold of it
    const double room = 800.0 - shownBox(t).right();

    // Far off the image to the right and down: it stops at the right edge, and moves down.
    model.handleDragChanged(start, start + QPointF(2000, 50), kShown, kShown * 2);
    QRectF box = shownBox(store().texts().first());
    EXPECT_NEAR(box.right(), 800.0, 1e-9);
    EXPECT_NEAR(box.center().y(), 350.0, 1e-9);
    // Back to 10 points short of where it stopped: it follows from there.
    model.handleDragChanged(start, start + QPointF(room - 10, 50), kShown, kShown * 2);
    box = shownBox(store().texts().first());
    EXPECT_NEAR(box.right(), 790.0, 1e-9);
    // Off the bottom-left corner.
    model.handleDragChanged(start, start + QPointF(-3000, 3000), kShown, kShown * 2);
    box = shownBox(store().texts().first());
    EXPECT_NEAR(box.left(), 0.0, 1e-9);
    EXPECT_NEAR(box.bottom(), 600.0, 1e-9);
    model.handleDragEnded(start, start + QPointF(-3000, 3000), kShown, kShown * 2);
    EXPECT_TRUE(onTheImage(shownBox(store().texts().first())));
    model.undo();
    EXPECT_EQ(store().texts().first().position, t.position) << "the whole drag is one undo step";
}

TEST_F(EditorTextTest, ASideHandleStopsAtTheImageEdge)
{
    const TextAnnotation t{ .text = "a few words that wrap when narrowed", .position = QPointF(0.5, 0.93), .fontSize = 40,
                            .fontName = "DejaVu Sans", .width = 0.5, .isFixedWidth = true, .isSelected = true };
    store().appendText(t);
    ASSERT_TRUE(onTheImage(shownBox(t)));
    const auto handles = model.selectionHandles(kShown);
    ASSERT_EQ(handles.size(), 2);
    for (const auto& handle : handles) {
        SCOPED_TRACE(handle.kind.isLeft ? "left side" : "right side");
        store().updateText(t.id, {}, t.position, {}, {}, {}, t.width);
        // Pulled far past its own edge of the image.
        model.beginHandleDrag(handle.kind, handle.point, kShown);
        model.updateHandleDrag(QPointF(handle.kind.isLeft ? -500 : 1300, handle.point.y()), kShown);
        model.endHandleDrag();
        const QRectF wide = shownBox(store().texts().first());
        EXPECT_TRUE(onTheImage(wide));
        EXPECT_NEAR(handle.kind.isLeft ? wide.left() : wide.right(), handle.kind.isLeft ? 0.0 : 800.0, 1e-9);
        // Narrowed until it wraps into more lines than fit below its centre: it moves up.
        model.beginHandleDrag(handle.kind, handle.kind.isLeft ? wide.topLeft() : wide.topRight(), kShown);
        model.updateHandleDrag(QPointF(handle.kind.isLeft ? wide.right() - 60 : wide.left() + 60, handle.point.y()), kShown);
        model.endHandleDrag();
        const QRectF narrow = shownBox(store().texts().first());
        EXPECT_GT(narrow.height(), wide.height());
        EXPECT_TRUE(onTheImage(narrow));
    }
}

TEST_F(EditorTextTest, AFreeWidthTextKeepsItsLinesAtTheImagesOwnSize)
{
    // Texts typed in a free-width box at several zooms of the 1600 x 1200 image, the
    // box grown to hold them as the in-place editor grows it; then laid out at the
    // image's own size, as the export lays them out, and opened again for editing.
    const double zooms[] = { 0.71, 0.5, 0.37, 0.83, 1.29 };
    const int fontSizes[] = { 17, 24, 31, 45 };
    const QString texts[] = { "Outside the box", "Il", "wrap me not, please\nsecond line" };
    int widened = 0;
    for (double zoom : zooms)
        for (int fontSize : fontSizes)
            for (const QString& typed : texts) {
                SCOPED_TRACE(QStringLiteral("zoom %1, size %2, %3").arg(zoom).arg(fontSize).arg(typed).toStdString());
                store().clearAll();
                const QSizeF shown(1600 * zoom, 1200 * zoom);
                model.setCurrentFontSize(fontSize);
                model.beginTextEditing(QPointF(40, 60), shown, std::nullopt, 20);
                model.setTempTextInput(typed);
                const QFont shownFont = TextLayout::resolveFont("DejaVu Sans", fontSize * zoom);
                const TextLayout onScreen(typed, shownFont);
                model.setTempTextWidth(onScreen.size().width() + 4.0);
                model.commitTextEditing(shown, 1600);
                ASSERT_EQ(store().texts().size(), 1);
                const TextAnnotation text = store().texts().first();

                const double boxWidth = text.width * shown.width();
                EXPECT_EQ(TextLayout(typed, shownFont, boxWidth).lineCount(), onScreen.lineCount()) << "on screen";
                const TextLayout exported(typed, TextLayout::resolveFont("DejaVu Sans", fontSize), text.width * 1600);
                EXPECT_EQ(exported.lineCount(), onScreen.lineCount()) << "at the image's own size";
                EXPECT_NEAR(textBoxRect(text, shown.width(), shown.height(), 1600).left(), 40.0, 1e-9)
                    << "the left edge stays where the typing began";
                if (boxWidth > onScreen.size().width() + 2.0 + 1e-9)
                    ++widened;

                // Opened and committed again unchanged: the same text, and no step to undo.
                const auto steps = model.undoStack().size();
                model.editTextAnnotation(text.id, shown);
                model.commitTextEditing(shown, 1600);
                EXPECT_EQ(model.undoStack().size(), steps);
                EXPECT_NEAR(store().texts().first().width, text.width, 1e-12);
            }
    EXPECT_GT(widened, 0) << "some texts needed more room at the image's own size";
}
