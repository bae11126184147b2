// The editor's right-click menu: its items, their order, enabled states and check mark
// in four editor states, the keys it shows, and what each item does.
#include "EditorCanvasTestSupport.h"
#include "Models/EditorTestSupport.h"

#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"
#include "Views/EditorContextMenu.h"

#include <QMenu>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using CanvasTest::NotificationRecorder;
using EditorTestSupport::solidImage;

const QStringList kOrder = { "menu.openImage", "menu.saveImage", "menu.saveAs", "menu.copyImage", "-",
    "menu.zoomIn", "menu.zoomOut", "menu.fitToWindow", "menu.actualSize", "-", "menu.undo", "menu.redo", "menu.crop",
    "menu.resize", "menu.backdrop", "menu.ocr", "menu.pin", "menu.rotateLeft", "menu.rotateRight",
    "menu.scaleImage", "menu.resetAll", "-", "menu.clearImage", "-", "menu.about", "menu.quit" };

struct MenuUnderTest {
    ImageEditorViewModel model;
    QSizeF fitArea { 400, 300 };
    int aboutShown = 0;
    int quits = 0;
    std::unique_ptr<QMenu> build()
    {
        EditorContextMenuHooks hooks { [this] { return fitArea; }, [this] { ++aboutShown; }, [this] { ++quits; } };
        return std::unique_ptr<QMenu>(buildEditorContextMenu(&model, hooks));
    }
    void open() { model.setLoadedImage(solidImage(200, 100), CanvasTest::fileUrl("menu.png")); }
};

QAction* item(QMenu& menu, const QString& name)
{
    for (QAction* action : menu.actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

} // namespace

TEST(EditorContextMenu, ItemsOrderEnabledStatesAndCheckMarkFollowTheEditorState)
{
    struct Case {
        const char* state;
        std::function<void(MenuUnderTest&)> setUp;
        QStringList disabled; // of the items present
        bool backdropChecked;
    };
    const Case cases[] = {
        { "empty editor", [](MenuUnderTest&) {},
          { "menu.saveImage", "menu.saveAs", "menu.copyImage", "menu.zoomIn", "menu.zoomOut", "menu.fitToWindow",
            "menu.actualSize", "menu.undo", "menu.redo", "menu.crop", "menu.resize", "menu.backdrop", "menu.ocr",
            "menu.pin", "menu.rotateLeft", "menu.rotateRight", "menu.resetAll", "menu.clearImage" },
          false },
        { "image open at zoom 16, backdrop on, one undo step",
          [](MenuUnderTest& m) {
              m.open();
              m.model.saveUndoState();
              m.model.setZoomLevel(16.0);
              m.model.setIsBackdropEnabled(true);
          },
          { "menu.zoomIn", "menu.redo" }, true },
        { "crop in progress at zoom 0.01 while text is recognised",
          [](MenuUnderTest& m) {
              m.open();
              m.model.selectTool(ToolType::crop);
              m.model.setZoomLevel(0.01);
              m.model.setOcrPanelState(OCRPanelState::recognizing());
          },
          { "menu.zoomOut", "menu.undo", "menu.redo", "menu.ocr" }, false },
        { "text being edited, zoom 15.99 and 0.02 both allowed",
          [](MenuUnderTest& m) {
              m.open();
              m.model.beginTextEditing(QPointF(50, 50), QSizeF(200, 100), std::nullopt, 24);
              m.model.setTempTextInput(QStringLiteral("hi"));
              m.model.setZoomLevel(15.99);
          },
          { "menu.undo", "menu.redo" }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        MenuUnderTest m;
        m.model.setIsBackdropEnabled(false);
        c.setUp(m);
        const std::unique_ptr<QMenu> menu = m.build();
        QStringList order;
        for (QAction* action : menu->actions())
            order << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        QStringList expected = kOrder;
        if (!m.model.selectedImage())
            expected.removeAll("menu.scaleImage");
        EXPECT_EQ(order, expected);
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            EXPECT_EQ(action->isEnabled(), !c.disabled.contains(action->objectName())) << action->objectName().toStdString();
            EXPECT_EQ(action->isChecked(), action->objectName() == "menu.backdrop" && c.backdropChecked);
        }
    }
}

TEST(EditorContextMenu, ShowsKeysInLinuxWordsAndFollowsARebinding)
{
    MenuUnderTest m;
    m.open();
    std::unique_ptr<QMenu> menu = m.build();
    EXPECT_EQ(item(*menu, "menu.saveAs")->text(), "Save As...\tCtrl + Shift + S");
    EXPECT_EQ(item(*menu, "menu.resize")->text().section('\t', 1), "Ctrl + Alt + I");
    EXPECT_EQ(item(*menu, "menu.rotateLeft")->text().section('\t', 1), "Ctrl + ←");
    EXPECT_EQ(item(*menu, "menu.about")->text(), "About Lumetra");

    ShortcutStore::shared().setOverride(ShortcutAction::saveAs,
        ShortcutBinding { 14, ShortcutBinding::commandFlag | ShortcutBinding::optionFlag, "e" });
    menu = m.build();
    EXPECT_EQ(item(*menu, "menu.saveAs")->text().section('\t', 1), "Ctrl + Alt + E");
    ShortcutStore::shared().removeOverride(ShortcutAction::saveAs);
}

TEST(EditorContextMenu, EveryItemRunsItsCommand)
{
    MenuUnderTest m;
    EditorTestSupport::ScriptedOpenPanel panel;
    m.model.setOpenPanel(&panel);
    m.model.setIsBackdropEnabled(false);
    m.open();
    NotificationRecorder posted({ Notifications::saveImage, Notifications::saveAsImage, Notifications::copyImage,
                                  Notifications::resizePanel, Notifications::ocrToggle, Notifications::pinImage });
    const auto choose = [&](const QString& name) {
        std::unique_ptr<QMenu> menu = m.build();
        QAction* action = item(*menu, name);
        ASSERT_TRUE(action) << name.toStdString();
        action->trigger();
    };

    for (const char* name : { "menu.saveImage", "menu.saveAs", "menu.copyImage", "menu.resize", "menu.pin" })
        choose(name);
    m.model.setOcrPanelState(OCRPanelState::text("old"));
    choose("menu.ocr"); // recognises afresh: the old result goes, the command follows
    EXPECT_FALSE(m.model.ocrPanelState().has_value());
    EXPECT_EQ(posted.names(), (QStringList{ Notifications::saveImage, Notifications::saveAsImage,
                                            Notifications::copyImage, Notifications::resizePanel,
                                            Notifications::pinImage, Notifications::ocrToggle }));

    choose("menu.openImage");
    EXPECT_EQ(panel.runs, 1);
    m.model.setZoomLevel(1.0);
    choose("menu.zoomIn");
    EXPECT_DOUBLE_EQ(m.model.zoomLevel(), 1.15);
    choose("menu.zoomOut");
    EXPECT_DOUBLE_EQ(m.model.zoomLevel(), 1.0);
    choose("menu.fitToWindow"); // 200 x 100 into 400 x 300
    EXPECT_DOUBLE_EQ(m.model.zoomLevel(), 2.0);
    choose("menu.actualSize");
    EXPECT_DOUBLE_EQ(m.model.zoomLevel(), 1.0);
    choose("menu.backdrop");
    EXPECT_TRUE(m.model.isBackdropEnabled());
    choose("menu.rotateLeft");
    EXPECT_EQ(m.model.rotation(), 270.0);
    choose("menu.rotateRight");
    EXPECT_EQ(m.model.rotation(), 0.0);
    choose("menu.crop");
    EXPECT_TRUE(m.model.isCropping());
    m.model.selectTool(ToolType::none);

    // The scale submenu: 10 % to 200 %, the 50 % item halves the image.
    std::unique_ptr<QMenu> menu = m.build();
    QMenu* scale = item(*menu, "menu.scaleImage")->menu();
    ASSERT_EQ(scale->actions().size(), 20);
    EXPECT_EQ(scale->actions().first()->text(), "10%");
    EXPECT_EQ(scale->actions().last()->text(), "200%");
    scale->actions().at(4)->trigger();
    ASSERT_TRUE(EditorTestSupport::resampled(m.model));
    EXPECT_EQ(m.model.selectedImage()->pixelSize(), QSize(100, 50));

    // Undo while a text is typed commits the text first, so undo takes back the text,
    // not the scaling before it; redo brings the text back.
    m.model.beginTextEditing(QPointF(50, 30), QSizeF(100, 50), std::nullopt, 24);
    m.model.setTempTextInput(QStringLiteral("typed"));
    choose("menu.undo");
    EXPECT_FALSE(m.model.isEditingText());
    EXPECT_TRUE(m.model.annotationManager()->texts().isEmpty());
    EXPECT_EQ(m.model.selectedImage()->pixelSize(), QSize(100, 50));
    choose("menu.redo");
    ASSERT_EQ(m.model.annotationManager()->texts().size(), 1);
    EXPECT_EQ(m.model.annotationManager()->texts().first().text, "typed");

    choose("menu.resetAll");
    EXPECT_EQ(m.model.selectedImage()->pixelSize(), QSize(200, 100));
    EXPECT_TRUE(m.model.annotationManager()->texts().isEmpty());
    choose("menu.clearImage");
    EXPECT_FALSE(m.model.selectedImage().has_value());
    choose("menu.about");
    choose("menu.quit");
    EXPECT_EQ(m.aboutShown, 1);
    EXPECT_EQ(m.quits, 1);
}

TEST(EditorContextMenu, PresenterBuildsAFreshMenuOnlyWhileRunning)
{
    ContextMenuPresenter presenter;
    int builds = 0;
    presenter.buildMenu = [&] {
        ++builds;
        return new QMenu();
    };
    EXPECT_FALSE(presenter.present(QPoint(10, 10)));
    presenter.start();
    ASSERT_TRUE(presenter.present(QPoint(10, 10)));
    QPointer<QMenu> first = presenter.menu();
    ASSERT_TRUE(presenter.present(QPoint(20, 20)));
    EXPECT_NE(presenter.menu(), first.data());
    EXPECT_EQ(builds, 2);
    presenter.stop();
    EXPECT_FALSE(presenter.present(QPoint(10, 10)));
    EXPECT_EQ(builds, 2);
}
