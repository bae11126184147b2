// Escape and Return typed into the crop bar's size fields, through the editor's own key
// handling: the keyboard monitor, the command routing and the crop bar together.
#include "EditorCanvasTestSupport.h"

#include "Views/ContentView.h"
#include "Views/CropBar.h"
#include "Views/EditorKeyMonitor.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace CanvasTest;

namespace {

class CropFieldKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        content = new ContentView(&window);
        layout->addWidget(content);
        window.resize(900, 560);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        model().setLoadedImage(solidImage(400, 300), fileUrl("crop-keys.png"));
        model().setZoomLevel(1.0);
        bar = content->findChild<CropBar*>();
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(content->keyboardMonitor()->isRunning());
    }

    ImageEditorViewModel& model() { return *content->viewModel(); }

    void startCrop(QRectF rect = QRectF(10, 10, 200, 100))
    {
        model().selectTool(ToolType::crop);
        model().setCropRect(rect);
        ASSERT_TRUE(bar->isVisible());
    }
    // Clicked into, as a user does, and typed over.
    void typeInto(QLineEdit* field, const QString& text)
    {
        QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, field->rect().center());
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    // A key goes where the keyboard focus is, else to the window.
    void press(Qt::Key key)
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window, key);
    }

    QWidget window;
    ContentView* content = nullptr;
    CropBar* bar = nullptr;
};

} // namespace

TEST_F(CropFieldKeysTest, EscapeFromASizeFieldClosesItsEditorAndTheNextOneCancelsTheCrop)
{
    for (QLineEdit* field : {bar->widthField(), bar->heightField()}) {
        SCOPED_TRACE(field == bar->widthField() ? "width" : "height");
        startCrop();
        typeInto(field, QStringLiteral("120"));
        ASSERT_TRUE(bar->isFieldFocused());

        press(Qt::Key_Escape);
        EXPECT_FALSE(bar->isFieldFocused());
        EXPECT_FALSE(field->hasFocus());
        EXPECT_FALSE(model().isEditingCropSize());
        EXPECT_TRUE(model().isCropping());
        EXPECT_EQ(bar->widthText() + "x" + bar->heightText(),
                  field == bar->widthField() ? QStringLiteral("120x100") : QStringLiteral("200x120"));

        press(Qt::Key_Escape);
        EXPECT_FALSE(model().isCropping());
        EXPECT_EQ(model().currentTool(), ToolType::none);
        EXPECT_EQ(model().selectedImage()->pixelSize(), QSize(400, 300)) << "nothing is cropped";
    }
}

TEST_F(CropFieldKeysTest, ReturnInASizeFieldAppliesTheCropAtOnce)
{
    startCrop();
    typeInto(bar->heightField(), QStringLiteral("80"));
    ASSERT_TRUE(bar->isFieldFocused());
    press(Qt::Key_Return);
    EXPECT_FALSE(model().isCropping());
    EXPECT_FALSE(model().isEditingCropSize());
    ASSERT_TRUE(model().selectedImage().has_value());
    EXPECT_EQ(model().selectedImage()->pixelSize(), QSize(200, 80));

    // The keypad's Enter too, after the field was left and clicked into again.
    startCrop(QRectF(10, 10, 150, 60));
    typeInto(bar->widthField(), QStringLiteral("50"));
    bar->setFieldFocused(false);
    typeInto(bar->widthField(), QStringLiteral("60"));
    press(Qt::Key_Enter);
    EXPECT_FALSE(model().isCropping());
    EXPECT_EQ(model().selectedImage()->pixelSize(), QSize(60, 60));
}
