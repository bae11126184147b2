#include "EditorCanvasTestSupport.h"
#include "Models/EditorTestSupport.h"

#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"
#include "Views/EditorContextMenu.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const QStringList kOrder = { "menu.openImage", "menu.saveImage", "menu.saveAs", "menu.copyImage", "-",
    "menu.zoomIn", "menu.zoomOut", "menu.fitToWindow", "menu.actualSize", "-", "menu.undo", "menu.redo", "menu.crop",
    "menu.resize", "menu.backdrop", "menu.ocr", "menu.pin", "menu.rotateLeft", "menu.rotateRight",
    "menu.scaleImage", "menu.resetAll", "-", "menu.clearImage", "-", "menu.about", "menu.quit" };

struct MenuUnderTest {
    ImageEditorViewModel model;
    int aboutShown = 0;
    int quits = 0;
    MenuUnderTest() { model.setIsBackdropEnabled(false); }
    std::unique_ptr<QMenu> build()
    {
        EditorContextMenuHooks hooks { [] { return QSizeF(400, 300); }, [this] { ++aboutShown; }, [this] { ++quits; } };
        return std::unique_ptr<QMenu>(buildEditorContextMenu(&model, hooks));
    }
    void open() { model.setLoadedImage(EditorTestSupport::solidImage(200, 100), CanvasTest::fileUrl("menu.png")); }
    // Builds a fresh menu and chooses the item.
    void choose(const QString& name) { build()->findChild<QAction*>(name)->trigger(); }
};

} // namespace

TEST(EditorContextMenu, ItemsOrderEnabledStatesAndCheckMarkFollowTheEditorState)
{
    struct Case {
        const char* state;
        std::function<void(ImageEditorViewModel&)> setUp;
        QStringList disabled;
    };
    const Case cases[] = {
        // All but open, about and quit.
        { "empty editor", {}, kOrder.filter(QRegularExpression("^menu\\.(?!openImage|about|quit)")) },
        { "image open at zoom 16, backdrop on, one undo step",
          [](ImageEditorViewModel& m) {
              m.saveUndoState();
              m.setZoomLevel(16.0);
              m.setIsBackdropEnabled(true);
          },
          { "menu.zoomIn", "menu.redo" } },
        { "crop in progress at zoom 0.01 while text is recognised",
          [](ImageEditorViewModel& m) {
              m.selectTool(ToolType::crop);
              m.setZoomLevel(0.01);
              m.setOcrPanelState(OCRPanelState::recognizing());
          },
          { "menu.zoomOut", "menu.undo", "menu.redo", "menu.ocr" } },
        { "text being edited at zoom 15.99",
          [](ImageEditorViewModel& m) {
              m.beginTextEditing(QPointF(50, 50), QSizeF(200, 100), std::nullopt, 24);
              m.setTempTextInput(QStringLiteral("hi"));
              m.setZoomLevel(15.99);
          },
          { "menu.undo", "menu.redo" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        MenuUnderTest m;
        if (c.setUp) {
            m.open();
            c.setUp(m.model);
        }
        const std::unique_ptr<QMenu> menu = m.build();
        QStringList order;
        for (QAction* action : menu->actions()) {
            order << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
            if (!action->isSeparator())
                EXPECT_EQ(action->isEnabled(), !c.disabled.contains(action->objectName())) << order.last().toStdString();
            EXPECT_EQ(action->isChecked(), action->objectName() == "menu.backdrop" && m.model.isBackdropEnabled());
        }
        QStringList expected = kOrder;
        if (!c.setUp)
            expected.removeAll("menu.scaleImage");
        EXPECT_EQ(order, expected);
    }
}

TEST(EditorContextMenu, ShowsKeysInLinuxWordsAndEveryItemRunsItsCommand)
{
    MenuUnderTest m;
    const auto text = [&](const QString& name) {
        const std::unique_ptr<QMenu> menu = m.build();
        return menu->findChild<QAction*>(name)->text();
    };
    EXPECT_EQ(text("menu.saveAs"), "Save As...\tCtrl + Shift + S");
    EXPECT_EQ(text("menu.resize").section('\t', 1) + " | " + text("menu.rotateLeft").section('\t', 1),
              "Ctrl + Alt + I | Ctrl + ←");
    EXPECT_EQ(text("menu.about"), "About Lumetra");
    // A rebinding shows in the next menu.
    ShortcutStore::shared().setOverride(ShortcutAction::saveAs,
        ShortcutBinding { 14, ShortcutBinding::commandFlag | ShortcutBinding::optionFlag, "e" });
    EXPECT_EQ(text("menu.saveAs").section('\t', 1), "Ctrl + Alt + E");
    ShortcutStore::shared().removeOverride(ShortcutAction::saveAs);

    ImageEditorViewModel& vm = m.model;
    EditorTestSupport::ScriptedOpenPanel panel;
    vm.setOpenPanel(&panel);
    m.open();
    CanvasTest::NotificationRecorder posted({ Notifications::saveImage, Notifications::saveAsImage,
        Notifications::copyImage, Notifications::resizePanel, Notifications::ocrToggle, Notifications::pinImage });
    for (const char* name : { "menu.saveImage", "menu.saveAs", "menu.copyImage", "menu.resize", "menu.pin" })
        m.choose(name);
    vm.setOcrPanelState(OCRPanelState::text("old"));
    m.choose("menu.ocr"); // recognises afresh: the old result goes, the command follows
    EXPECT_FALSE(vm.ocrPanelState().has_value());
    EXPECT_EQ(posted.names(), (QStringList{ Notifications::saveImage, Notifications::saveAsImage,
        Notifications::copyImage, Notifications::resizePanel, Notifications::pinImage, Notifications::ocrToggle }));

    const std::pair<const char*, std::function<bool()>> steps[] = {
        { "menu.openImage", [&] { return panel.runs == 1; } },
        { "menu.zoomIn", [&] { return vm.zoomLevel() == 1.15; } },
        { "menu.zoomOut", [&] { return vm.zoomLevel() == 1.0; } },
        { "menu.fitToWindow", [&] { return vm.zoomLevel() == 2.0; } }, // 200 x 100 into 400 x 300
        { "menu.actualSize", [&] { return vm.zoomLevel() == 1.0; } },
        { "menu.backdrop", [&] { return vm.isBackdropEnabled(); } },
        { "menu.rotateLeft", [&] { return vm.rotation() == 270.0; } },
        { "menu.rotateRight", [&] { return vm.rotation() == 0.0; } },
        { "menu.crop", [&] { return vm.isCropping(); } },
    };
    vm.setZoomLevel(1.0);
    for (const auto& [name, done] : steps) {
        m.choose(name);
        EXPECT_TRUE(done()) << name;
    }
    vm.selectTool(ToolType::none);

    // The scale submenu: 10 % to 200 %; 50 % halves the image.
    const std::unique_ptr<QMenu> menu = m.build();
    const QList<QAction*> scale = menu->actions().at(kOrder.indexOf("menu.scaleImage"))->menu()->actions();
    ASSERT_EQ(scale.size(), 20);
    EXPECT_EQ(scale.first()->text() + scale.last()->text(), "10%200%");
    scale.at(4)->trigger();
    ASSERT_TRUE(EditorTestSupport::resampled(vm));
    EXPECT_EQ(vm.selectedImage()->pixelSize(), QSize(100, 50));

    // Undo while a text is typed commits it first: undo takes back the text, not the
    // scaling; redo brings the text back.
    vm.beginTextEditing(QPointF(50, 30), QSizeF(100, 50), std::nullopt, 24);
    vm.setTempTextInput(QStringLiteral("typed"));
    m.choose("menu.undo");
    EXPECT_FALSE(vm.isEditingText());
    EXPECT_TRUE(vm.annotationManager()->texts().isEmpty());
    EXPECT_EQ(vm.selectedImage()->pixelSize(), QSize(100, 50));
    m.choose("menu.redo");
    EXPECT_EQ(vm.annotationManager()->texts().size(), 1);

    m.choose("menu.resetAll");
    EXPECT_EQ(vm.selectedImage()->pixelSize(), QSize(200, 100));
    m.choose("menu.clearImage");
    EXPECT_FALSE(vm.selectedImage().has_value());
    m.choose("menu.about");
    m.choose("menu.quit");
    EXPECT_EQ(m.aboutShown + m.quits, 2);
}
