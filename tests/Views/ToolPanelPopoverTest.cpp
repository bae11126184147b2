// The property panels inside the editor's toolbar: every tool popover holds its own
// tool's panel, and a panel opened from its button restyles the selected annotation.
#include "Core/Settings.h"
#include "Views/ContentView.h"

#include "Models/EditorTestSupport.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/Palette.h"
#include "Platform/UserDefaults.h"
#include "Views/ColorSwatch.h"
#include "Views/FloatingToolbar.h"
#include "Views/PopoverHost.h"
#include "Views/ToolButton.h"
#include "Views/ToolPropertyPanels.h"

#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

class ToolPanelPopoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        content = new ContentView(&window);
        layout->addWidget(content);
        window.resize(1100, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        model()->setLoadedImage(solidImage(400, 300), QUrl::fromLocalFile("/tmp/popover.png"));
        QCoreApplication::processEvents();
    }

    ImageEditorViewModel* model() const { return content->viewModel(); }
    FloatingToolbar* toolbar() const { return content->toolbar(); }

    QWidget window;
    ContentView* content = nullptr;
};

template <typename Panel>
bool holds(PopoverHost* popover)
{
    return popover && qobject_cast<Panel*>(popover->content()) != nullptr;
}

} // namespace

TEST_F(ToolPanelPopoverTest, EveryToolPopoverHoldsItsOwnPanel)
{
    struct Case {
        ToolType tool;
        std::function<bool(PopoverHost*)> check;
    };
    const QList<Case> cases = {
        { ToolType::line, holds<LinePropertyView> },
        { ToolType::arrow, holds<ArrowPropertyView> },
        { ToolType::rectangle, holds<RectanglePropertyView> },
        { ToolType::text, holds<TextPropertyView> },
        { ToolType::freehand, holds<FreehandPropertyView> },
        { ToolType::highlighter, holds<HighlighterPropertyView> },
        { ToolType::number, holds<NumberPropertyView> },
        { ToolType::mosaic, holds<MosaicPropertyView> },
        { ToolType::spotlight, holds<SpotlightPropertyView> },
    };
    for (const Case& c : cases) {
        model()->selectTool(c.tool);
        toolbar()->setActivePanel(c.tool);
        QCoreApplication::processEvents();
        PopoverHost* popover = toolbar()->toolPopover(c.tool);
        ASSERT_NE(popover, nullptr) << int(c.tool);
        EXPECT_TRUE(popover->isPresented()) << int(c.tool);
        EXPECT_TRUE(c.check(popover)) << int(c.tool);
        EXPECT_GE(popover->content()->width(), ToolPropertyPanel::minimumPanelWidth) << int(c.tool);
    }
}

TEST_F(ToolPanelPopoverTest, PanelOpenedFromItsButtonRestylesTheSelectedRectangle)
{
    RectangleAnnotation r = rectangle(true);
    r.strokeColor = paletteRed;
    model()->annotationManager()->appendRectangle(r);
    model()->selectTool(ToolType::rectangle);
    model()->annotationManager()->selectAnnotation(r.id);
    const qsizetype start = model()->undoStack().size();

    ToolbarButton* button = toolbar()->toolButton(ToolType::rectangle);
    ASSERT_NE(button, nullptr);
    button->click();
    QCoreApplication::processEvents();
    PopoverHost* popover = toolbar()->toolPopover(ToolType::rectangle);
    ASSERT_TRUE(popover->isPresented());
    auto* panel = qobject_cast<RectanglePropertyView*>(popover->content());
    ASSERT_NE(panel, nullptr);

    ColorSwatch* green = panel->strokeColorPicker()->swatches()[2];
    QTest::mouseClick(green, Qt::LeftButton, {}, green->rect().center());
    EXPECT_EQ(model()->annotationManager()->rectangles()[0].strokeColor, paletteGreen);
    EXPECT_EQ(model()->undoStack().size(), start + 1);
    EXPECT_TRUE(green->isSelected());

    // Clicking the button again closes the panel and keeps the tool.
    button->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(popover->isPresented());
    EXPECT_EQ(model()->currentTool(), ToolType::rectangle);
}
