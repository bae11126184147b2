// The resize panel: its arithmetic (prefill, digit filter, aspect lock with rounding and
// clamping, presets, what Apply accepts) and the panel applying a typed size.
#include "EditorCanvasTestSupport.h"
#include "Models/EditorTestSupport.h"

#include "Views/PropertyPanelControls.h"
#include "Views/ResizePanelView.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Field = ResizeFields::Field;

} // namespace

TEST(ResizePanel, FieldsFilterDeriveRoundAndClamp)
{
    struct Case {
        const char* what;
        QSizeF pixels;
        std::function<void(ResizeFields&)> steps;
        QString width;
        QString height;
        std::optional<QSize> parsed;
    };
    const auto typed = [](Field field, QString text) {
        return [field, text](ResizeFields& f) {
            f.setFocusedField(field);
            f.setText(field, text);
        };
    };
    const Case cases[] = {
        { "no image: prefill writes zeros, Apply is off", QSizeF(0, 0), [](ResizeFields& f) { f.prefill(); }, "0", "0",
          std::nullopt },
        { "no image: a chip writes ones", QSizeF(0, 0), [](ResizeFields& f) { f.applyPreset(50); }, "1", "1", QSize(1, 1) },
        { "letters dropped, five digits kept", QSizeF(0, 0), typed(Field::width, "12a34b56"), "12345", "", std::nullopt },
        { "other scripts' digits dropped", QSizeF(0, 0), typed(Field::height, QString::fromUtf8("٣٤5x6")), "", "56",
          std::nullopt },
        { "1920 x 1080, width 960", QSizeF(1920, 1080), typed(Field::width, "960"), "960", "540", QSize(960, 540) },
        { "1920 x 1080, height 300", QSizeF(1920, 1080), typed(Field::height, "300"), "533", "300", QSize(533, 300) },
        { "1000 x 3, width 1: 0.003 clamps to 1", QSizeF(1000, 3), typed(Field::width, "1"), "1", "1", QSize(1, 1) },
        { "1 x 100, width 20000: clamps at 20000", QSizeF(1, 100), typed(Field::width, "20000"), "20000", "20000",
          QSize(20000, 20000) },
        { "20001 is too large", QSizeF(100, 100),
          [](ResizeFields& f) {
              f.setText(Field::width, "20001");
              f.setText(Field::height, "5");
          },
          "20001", "5", std::nullopt },
        { "0 is too small", QSizeF(100, 100),
          [](ResizeFields& f) {
              f.setText(Field::width, "0");
              f.setText(Field::height, "5");
          },
          "0", "5", std::nullopt },
        { "50 % of 1001 x 601 rounds halves away from zero", QSizeF(1001, 601),
          [](ResizeFields& f) { f.applyPreset(50); }, "501", "301", QSize(501, 301) },
        { "a preset starts from the image, not the typed values", QSizeF(800, 400),
          [](ResizeFields& f) {
              f.setText(Field::width, "10");
              f.applyPreset(25);
          },
          "200", "100", QSize(200, 100) },
        { "no focus: typing derives nothing", QSizeF(1600, 1200), [](ResizeFields& f) { f.setText(Field::width, "800"); },
          "800", "", std::nullopt },
        { "lock off: nothing derived; on again: height from width", QSizeF(1600, 1200),
          [](ResizeFields& f) {
              f.setFocusedField(Field::height);
              f.toggleLock();
              f.setText(Field::width, "800");
              f.setText(Field::height, "7");
              EXPECT_EQ(f.widthText(), "800");
              f.toggleLock();
          },
          "800", "600", QSize(800, 600) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResizeFields fields([&c] { return c.pixels; });
        c.steps(fields);
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
    EXPECT_EQ(panel.widthField()->text(), "640");
    EXPECT_EQ(panel.heightField()->text(), "400");
    EXPECT_TRUE(panel.lockButton()->isChecked());

    // Typing into the width field: the letter and the foreign digit go, the height follows.
    panel.widthField()->selectAll();
    QTest::keyClicks(panel.widthField(), "3a2");
    QKeyEvent arabicThree(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("٣"));
    QCoreApplication::sendEvent(panel.widthField(), &arabicThree);
    QTest::keyClicks(panel.widthField(), "1");
    EXPECT_EQ(panel.widthField()->text(), "321");
    EXPECT_EQ(panel.heightField()->text(), "201");
    ASSERT_TRUE(panel.applyButton()->isEnabled());
    panel.applyButton()->click();
    EXPECT_EQ(applied, 1);
    ASSERT_TRUE(EditorTestSupport::resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(321, 201));
    EXPECT_EQ(panel.currentSizeReadout()->text(), QString::fromUtf8("321 × 201 px"));

    panel.widthField()->selectAll();
    QTest::keyClicks(panel.widthField(), "0");
    EXPECT_FALSE(panel.applyButton()->isEnabled());
}
