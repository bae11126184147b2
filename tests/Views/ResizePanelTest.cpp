#include "EditorCanvasTestSupport.h"
#include "Models/EditorTestSupport.h"

#include "Output/ExportSnapshot.h"
#include "Views/PropertyPanelControls.h"
#include "Views/ResizePanelView.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

using Field = ResizeFields::Field;

TEST(ResizePanel, FieldsFilterDeriveRoundAndClamp)
{
    // type: into the focused field; write: with no field focused.
    enum class Op { type, write, preset, prefill, lock, focusHeight };
    struct Step {
        Op op;
        Field field = Field::width;
        QString text = {};
    };
    struct Case {
        const char* what;
        QSizeF pixels;
        QList<Step> steps;
        QString width, height;
        std::optional<QSize> parsed;
    };
    const Field W = Field::width, H = Field::height;
    const Case cases[] = {
        { "no image: prefill writes zeros", { 0, 0 }, { { Op::prefill } }, "0", "0", std::nullopt },
        { "no image: a chip writes ones", { 0, 0 }, { { Op::preset, W, "50" } }, "1", "1", QSize(1, 1) },
        { "letters dropped, five digits kept", { 0, 0 }, { { Op::type, W, "12a34b56" } }, "12345", "", std::nullopt },
        { "other scripts' digits dropped", { 0, 0 }, { { Op::write, H, QString::fromUtf8("٣٤5x6") } }, "", "56", std::nullopt },
        { "1920 x 1080, width 960", { 1920, 1080 }, { { Op::type, W, "960" } }, "960", "540", QSize(960, 540) },
        { "1920 x 1080, height 300", { 1920, 1080 }, { { Op::type, H, "300" } }, "533", "300", QSize(533, 300) },
        { "1000 x 3, width 1: 0.003 clamps to 1", { 1000, 3 }, { { Op::type, W, "1" } }, "1", "1", QSize(1, 1) },
        { "1 x 100, width 20000: clamps", { 1, 100 }, { { Op::type, W, "20000" } }, "20000", "20000", QSize(20000, 20000) },
        { "20001 is too large", { 9, 9 }, { { Op::write, W, "20001" }, { Op::write, H, "5" } }, "20001", "5", std::nullopt },
        { "0 is too small", { 9, 9 }, { { Op::write, W, "0" }, { Op::write, H, "5" } }, "0", "5", std::nullopt },
        { "50 % of 1001 x 601, halves away from zero", { 1001, 601 }, { { Op::preset, W, "50" } }, "501", "301",
          QSize(501, 301) },
        { "a preset starts from the image", { 800, 400 }, { { Op::write, W, "10" }, { Op::preset, W, "25" } }, "200",
          "100", QSize(200, 100) },
        { "no focus: nothing derived", { 1600, 1200 }, { { Op::write, W, "800" } }, "800", "", std::nullopt },
        { "lock off derives nothing; on again: height from width, focus on height", { 1600, 1200 },
          { { Op::focusHeight }, { Op::lock }, { Op::write, W, "800" }, { Op::type, H, "7" }, { Op::focusHeight },
            { Op::lock } },
          "800", "600", QSize(800, 600) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResizeFields fields([&c] { return c.pixels; });
        for (const Step& s : c.steps) {
            switch (s.op) {
            case Op::type:
                fields.setFocusedField(s.field);
                [[fallthrough]];
            case Op::write:
                fields.setText(s.field, s.text);
                break;
            case Op::preset:
                fields.applyPreset(s.text.toInt());
                break;
            case Op::prefill:
                fields.prefill();
                break;
            case Op::lock:
                fields.toggleLock();
                break;
            case Op::focusHeight:
                fields.setFocusedField(H);
                break;
            }
        }
        EXPECT_EQ(fields.widthText(), c.width);
        EXPECT_EQ(fields.heightText(), c.height);
        EXPECT_EQ(fields.parsedSize(), c.parsed);
    }
}

TEST(ResizePanel, PrefillsTypesAndAppliesThroughTheEditor)
{
    ImageEditorViewModel model;
    model.setLoadedImage(EditorTestSupport::solidImage(640, 400), CanvasTest::fileUrl("resize.png"));
    int applied = 0;
    ResizePanelView panel(&model, [&] { ++applied; });
    panel.show();
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("640 × 400 px"));
    EXPECT_EQ(panel.widthField()->text() + "," + panel.heightField()->text(), "640,400");

    // Typed into the width field: the letter and the foreign digit go, the height follows.
    panel.widthField()->selectAll();
    QTest::keyClicks(panel.widthField(), "3a2");
    QKeyEvent arabicThree(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("٣"));
    QCoreApplication::sendEvent(panel.widthField(), &arabicThree);
    QTest::keyClicks(panel.widthField(), "1");
    EXPECT_EQ(panel.widthField()->text() + "," + panel.heightField()->text(), "321,201");
    panel.applyButton()->click();
    EXPECT_EQ(applied, 1);
    ASSERT_TRUE(EditorTestSupport::resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(321, 201));
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("321 × 201 px"));

    panel.widthField()->selectAll();
    QTest::keyClicks(panel.widthField(), "0");
    EXPECT_FALSE(panel.applyButton()->isEnabled());
}

TEST(ResizePanel, AQuarterTurnedImageIsReadTypedAndSavedAsSeen)
{
    ImageEditorViewModel model;
    model.setLoadedImage(EditorTestSupport::solidImage(800, 600), CanvasTest::fileUrl("turned.png"));
    model.rotateRight();
    ResizePanelView panel(&model, [] {});
    panel.show();
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("600 × 800 px"));
    EXPECT_EQ(panel.widthField()->text() + "," + panel.heightField()->text(), "600,800");

    // A width typed is the width seen; the lock keeps the seen proportions.
    panel.widthField()->setFocus();
    panel.widthField()->selectAll();
    QTest::keyClicks(panel.widthField(), "400");
    EXPECT_EQ(panel.widthField()->text() + "," + panel.heightField()->text(), "400,533");
    panel.applyButton()->click();
    ASSERT_TRUE(EditorTestSupport::resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(533, 400)) << "the image itself stays unturned";
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("400 × 533 px"));
    // What is saved is turned as it is seen: 400 wide.
    ExportSnapshot snapshot;
    snapshot.image = *model.selectedImage();
    snapshot.rotation = model.rotation();
    const std::optional<QImage> saved = renderFlattenedImage(snapshot);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->size(), QSize(400, 533));

    // An exact size, not in proportion, goes to the image's sides the same way; turning
    // the view while the panel is open turns its readout.
    panel.lockButton()->click();
    panel.widthField()->selectAll();
    QTest::keyClicks(panel.widthField(), "300");
    panel.heightField()->selectAll();
    QTest::keyClicks(panel.heightField(), "100");
    panel.applyButton()->click();
    ASSERT_TRUE(EditorTestSupport::resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(100, 300));
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("300 × 100 px"));
    model.rotateLeft();
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("100 × 300 px"));
}
