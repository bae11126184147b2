#include "ToolbarTestSupport.h"

#include "Views/ToolButton.h"
#include "Views/ZoomMenu.h"

#include <gtest/gtest.h>

using namespace ToolbarTest;

namespace {

struct MenuFixture {
    ImageEditorViewModel model;
    int fits = 0;
    int closes = 0;
    ZoomMenu menu { &model, [this] { ++fits; }, [this] { ++closes; } };
};

} // namespace

TEST(ZoomMenu, ZoomInAndOutSwitchOffAtTheirLimits)
{
    MenuFixture f;
    f.model.setZoomLevel(16.0);
    EXPECT_FALSE(f.menu.zoomInItem()->isEnabled());
    f.menu.zoomInItem()->click();
    EXPECT_EQ(f.closes, 0);
    EXPECT_DOUBLE_EQ(f.model.zoomLevel(), 16.0);
    f.model.setZoomLevel(15.99);
    ASSERT_TRUE(f.menu.zoomInItem()->isEnabled());
    f.menu.zoomInItem()->click();
    EXPECT_DOUBLE_EQ(f.model.zoomLevel(), 16.0);
    EXPECT_EQ(f.closes, 1);
    EXPECT_FALSE(f.menu.zoomInItem()->isEnabled());

    f.model.setZoomLevel(0.01);
    EXPECT_FALSE(f.menu.zoomOutItem()->isEnabled());
    f.model.setZoomLevel(0.0115);
    EXPECT_TRUE(f.menu.zoomOutItem()->isEnabled());
    f.menu.zoomOutItem()->click();
    EXPECT_DOUBLE_EQ(f.model.zoomLevel(), 0.01);
    EXPECT_EQ(f.closes, 2);
}

TEST(ZoomMenu, PresetsFitAndActualSizeActAndClose)
{
    MenuFixture f;
    QStringList texts;
    for (ZoomMenuItem* chip : f.menu.presetChips())
        texts << chip->title();
    EXPECT_EQ(texts, (QStringList{ "25%", "50%", "100%", "200%", "400%", "800%" }));
    f.model.setZoomLevel(0.37);
    f.menu.presetChips()[4]->click();
    EXPECT_EQ(f.model.zoomLevel(), 4.0);
    EXPECT_EQ(f.closes, 1);

    f.menu.actualSizeItem()->click();
    EXPECT_EQ(f.model.zoomLevel(), 1.0);
    EXPECT_EQ(f.fits, 0);
    f.menu.fitItem()->click();
    EXPECT_EQ(f.fits, 1);
    EXPECT_EQ(f.closes, 3);
}

TEST(ZoomMenu, RowsShowLinuxHints)
{
    MenuFixture f;
    EXPECT_EQ(f.menu.fitItem()->hint(), QStringLiteral("Ctrl + 0"));
    EXPECT_EQ(f.menu.actualSizeItem()->hint(), QStringLiteral("Ctrl + 1"));
    EXPECT_EQ(f.menu.zoomInItem()->hint(), QStringLiteral("Ctrl + +"));
    EXPECT_EQ(f.menu.zoomOutItem()->hint(), QStringLiteral("Ctrl + \u2212"));
    // Only the actual-size hint sits 2 points further left.
    EXPECT_EQ(f.menu.actualSizeItem()->hintOffset(), -2);
    EXPECT_EQ(f.menu.fitItem()->hintOffset(), 0);
}

TEST(ZoomMenu, ThroughTheToolbarItemsCloseTheMenuAndTheLabelFollows)
{
    ToolbarWindow w;
    w.load();
    ToolbarButton* zoom = w.toolbar->zoomButton();
    zoom->click();
    ASSERT_TRUE(w.toolbar->showZoomMenu());
    ASSERT_TRUE(w.toolbar->zoomPopover()->isVisible());
    EXPECT_EQ(w.toolbar->zoomPopover()->width(), ZoomMenu::panelWidth); // opaque: no room for a soft edge
    w.toolbar->zoomMenu()->presetChips()[3]->click();
    EXPECT_FALSE(w.toolbar->showZoomMenu());
    EXPECT_FALSE(w.toolbar->zoomPopover()->isVisible());
    EXPECT_EQ(zoom->text(), QStringLiteral("200%"));

    zoom->click();
    w.toolbar->zoomMenu()->fitItem()->click();
    EXPECT_EQ(w.fits, 1);
    EXPECT_FALSE(w.toolbar->showZoomMenu());
}
