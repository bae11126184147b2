#include "EditorCanvasTestSupport.h"
#include "ToolbarTestSupport.h"

#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"
#include "Models/Palette.h"
#include "Views/ColorSwatch.h"
#include "Views/CropBar.h"
#include "Views/InPlaceTextEditor.h"
#include "Views/ToolButton.h"
#include "Views/ToolPropertyPanels.h"
#include "Views/ZoomMenu.h"

#include <QLabel>

#include <array>

#include <gtest/gtest.h>

using namespace ToolbarTest;

namespace {

ArrowAnnotation arrowAt(double x)
{
    return { .startPoint = QPointF(x, 0.2), .endPoint = QPointF(x + 0.1, 0.4), .color = paletteRed, .lineWidth = 3 };
}

RectangleAnnotation rectangle(AnnotationEffect effect)
{
    return { .rect = QRectF(0.1, 0.1, 0.3, 0.3), .strokeColor = paletteBlue, .lineWidth = 2, .effect = effect };
}

} // namespace

TEST(FloatingToolbarState, ShownOnlyWithAnImageCentredTenPointsAboveTheAreaBottomWithNothingOpen)
{
    ToolbarWindow w(QSize(1000, 600));
    EXPECT_FALSE(w.toolbar->isVisible());
    w.load();
    ASSERT_TRUE(w.toolbar->isVisible());
    EXPECT_FALSE(w.toolbar->activePanel() || w.toolbar->showZoomMenu() || w.toolbar->showResizePanel()
                 || w.toolbar->showBackdropPanel() || w.toolbar->zoomPopover()->isVisible());
    const QRect bar = w.toolbar->barRect().translated(w.toolbar->pos());
    EXPECT_EQ(bar.height(), FloatingToolbar::barHeight);
    EXPECT_EQ(bar.bottom() + 1, 600 - FloatingToolbar::bottomInset);
    EXPECT_LE(std::abs(bar.center().x() - 500), 1);
    // Every button lies inside the bar.
    for (const QString name : { "zoom", "crop", "resize", "undo", "redo", "reset", "backdrop", "ocr", "pin", "copy",
                                 "export" }) {
        ToolbarButton* b = w.toolbar->button(name);
        ASSERT_TRUE(b) << name.toStdString();
        const QRect r(b->mapTo(&w.window, QPoint(0, 0)), b->size());
        EXPECT_TRUE(bar.contains(r)) << name.toStdString();
        EXPECT_EQ(r.height(), 28);
    }
    w.model.clearImage();
    EXPECT_FALSE(w.toolbar->isVisible());
}

TEST(FloatingToolbarState, InANarrowAreaEveryControlStaysInsideOnASecondRow)
{
    // The widths a tiling desktop gives the editor on a 1920-point output: all of it, half,
    // a third and a quarter.
    const struct {
        int width;
        int rows;
    } cases[] = {{1920, 1}, {960, 1}, {640, 2}, {480, 2}};
    for (const auto& c : cases) {
        ToolbarWindow w(QSize(c.width, 700));
        w.load();
        ASSERT_TRUE(w.toolbar->isVisible());
        EXPECT_EQ(w.toolbar->rows(), c.rows) << c.width;
        const QRect area(0, 0, c.width, 700);
        const QRect bar = w.toolbar->barRect().translated(w.toolbar->pos());
        EXPECT_TRUE(area.contains(bar)) << c.width;
        EXPECT_EQ(bar.bottom() + 1, 700 - FloatingToolbar::bottomInset) << c.width;
        EXPECT_EQ(bar.height(), w.toolbar->currentBarHeight()) << c.width;
        QList<ToolbarButton*> buttons;
        for (const QString name : { "zoom", "crop", "resize", "undo", "redo", "reset", "backdrop", "ocr", "pin",
                                     "copy", "export" })
            buttons << w.toolbar->button(name);
        for (const auto& descriptor : FloatingToolbar::toolButtonDescriptors())
            buttons << w.toolbar->toolButton(descriptor.tool);
        QList<QRect> taken;
        for (ToolbarButton* b : buttons) {
            ASSERT_TRUE(b);
            const QRect r(b->mapTo(&w.window, QPoint(0, 0)), b->size());
            EXPECT_TRUE(b->isVisible() && bar.contains(r)) << c.width;
            for (const QRect& other : taken)
                EXPECT_FALSE(other.intersects(r)) << c.width << ": two controls overlap";
            taken << r;
        }
        // A click on the last of them, the export button, reaches it.
        ToolbarButton* save = w.toolbar->button(QStringLiteral("export"));
        EXPECT_EQ(w.window.childAt(save->mapTo(&w.window, save->rect().center())), save) << c.width;
        // Cropping shows the one-row crop bar at the usual height.
        w.model.selectTool(ToolType::crop);
        EXPECT_EQ(w.toolbar->barRect().height(), FloatingToolbar::barHeight) << c.width;
    }
}

TEST(FloatingToolbarState, ZoomLabelRoundsHalfAwayFromZero)
{
    EXPECT_EQ(FloatingToolbar::zoomLabelText(1.0), QStringLiteral("100%"));
    EXPECT_EQ(FloatingToolbar::zoomLabelText(0.125), QStringLiteral("13%"));
    EXPECT_EQ(FloatingToolbar::zoomLabelText(16.0), QStringLiteral("1600%"));
    EXPECT_EQ(FloatingToolbar::zoomLabelText(0.004), QStringLiteral("0%"));
    EXPECT_EQ(FloatingToolbar::zoomLabelText(0.005), QStringLiteral("1%"));
}

TEST(FloatingToolbarState, ResizeCommandOpensThePopoverWithItsPanelUntilAppliedAndNeverWhileCropping)
{
    ToolbarWindow w;
    w.load();
    std::function<void()> applied;
    w.toolbar->setResizePanelFactory([&](ImageEditorViewModel*, std::function<void()> onApplied) {
        applied = onApplied;
        return new QLabel(QStringLiteral("resize"));
    });
    NotificationCenter::defaultCenter().post(Notifications::resizePanel);
    EXPECT_TRUE(w.toolbar->showResizePanel());
    // Already open: stays open.
    NotificationCenter::defaultCenter().post(Notifications::resizePanel);
    EXPECT_TRUE(w.toolbar->showResizePanel());
    // The resize button opens, never toggles.
    w.toolbar->button(QStringLiteral("resize"))->click();
    EXPECT_TRUE(w.toolbar->showResizePanel());
    ASSERT_TRUE(w.toolbar->resizePopover()->isVisible());
    ASSERT_TRUE(applied);
    applied();
    EXPECT_FALSE(w.toolbar->showResizePanel());
    EXPECT_FALSE(w.toolbar->resizePopover()->isVisible());

    w.toolbar->button(QStringLiteral("resize"))->click();
    w.model.selectTool(ToolType::crop);
    EXPECT_FALSE(w.toolbar->showResizePanel());
    NotificationCenter::defaultCenter().post(Notifications::resizePanel);
    EXPECT_FALSE(w.toolbar->showResizePanel());
}

TEST(FloatingToolbarState, SelectingCropClosesPanelsAndShowsTheCropBar)
{
    ToolbarWindow w;
    w.load();
    w.toolbar->handleToolTap(ToolType::none, false);
    w.model.selectTool(ToolType::arrow);
    w.toolbar->handleToolTap(ToolType::arrow, false); // current tool: opens its panel
    ASSERT_EQ(w.toolbar->activePanel(), ToolType::arrow);
    w.toolbar->setShowResizePanel(true);
    w.toolbar->backdropTap();
    ASSERT_TRUE(w.toolbar->showBackdropPanel());

    w.toolbar->button(QStringLiteral("crop"))->click();
    EXPECT_EQ(w.model.currentTool(), ToolType::crop);
    EXPECT_FALSE(w.toolbar->activePanel());
    EXPECT_FALSE(w.toolbar->showResizePanel());
    EXPECT_FALSE(w.toolbar->showBackdropPanel());
    EXPECT_TRUE(w.toolbar->cropBar()->isVisible());
    EXPECT_FALSE(w.toolbar->mainRow()->isVisible());

    // Leaving crop mode brings the row back; the bar stays centred at the bottom.
    w.toolbar->cropBar()->cancelButton()->click();
    EXPECT_FALSE(w.model.isCropping());
    EXPECT_TRUE(w.toolbar->mainRow()->isVisible());
    EXPECT_FALSE(w.toolbar->cropBar()->isVisible());
}

TEST(FloatingToolbarState, BackdropButtonOnlyTogglesItsPopoverAndAccentsFollowTheirStates)
{
    ToolbarWindow w;
    w.load();
    ToolbarButton* backdrop = w.toolbar->button(QStringLiteral("backdrop"));
    backdrop->click();
    EXPECT_TRUE(w.toolbar->showBackdropPanel());
    EXPECT_FALSE(w.model.isBackdropEnabled());
    EXPECT_FALSE(backdrop->hasAccentTint());
    backdrop->click();
    EXPECT_FALSE(w.toolbar->showBackdropPanel());

    w.model.setIsBackdropEnabled(true);
    EXPECT_TRUE(backdrop->hasAccentTint());
    w.model.setIsBackdropEnabled(false);

    EXPECT_FALSE(w.toolbar->button(QStringLiteral("ocr"))->hasAccentTint());
    w.model.setOcrPanelState(OCRPanelState::recognizing());
    EXPECT_TRUE(w.toolbar->button(QStringLiteral("ocr"))->hasAccentTint());
    w.toolbar->setActivePinCount(1);
    EXPECT_TRUE(w.toolbar->button(QStringLiteral("pin"))->hasAccentTint());
    w.toolbar->setActivePinCount(0);
    EXPECT_FALSE(w.toolbar->button(QStringLiteral("pin"))->hasAccentTint());
}

TEST(FloatingToolbarState, ToolChangeKeepsOnlyThePanelOfTheNewTool)
{
    ToolbarWindow w;
    w.load();
    w.model.selectTool(ToolType::line);
    w.toolbar->setActivePanel(ToolType::line);
    w.toolbar->setShowResizePanel(true);
    // The same tool chosen again is no change.
    w.model.selectTool(ToolType::line);
    EXPECT_EQ(w.toolbar->activePanel(), ToolType::line);
    EXPECT_TRUE(w.toolbar->showResizePanel());
    // A tool shortcut to another tool closes both.
    w.model.selectTool(ToolType::text);
    EXPECT_FALSE(w.toolbar->activePanel());
    EXPECT_FALSE(w.toolbar->showResizePanel());

    // Another tool's popover dismissed late keeps the open one.
    w.toolbar->setActivePanel(ToolType::rectangle);
    w.toolbar->toolPopoverDismissed(ToolType::arrow);
    EXPECT_EQ(w.toolbar->activePanel(), ToolType::rectangle);
    w.toolbar->toolPopoverDismissed(ToolType::rectangle);
    EXPECT_FALSE(w.toolbar->activePanel());
}

TEST(FloatingToolbarTools, TapOnTheCurrentToolTogglesItsPanelAndOnAnotherToolSelectsItsAnnotation)
{
    ToolbarWindow w;
    w.load();
    ToolbarButton* line = w.toolbar->toolButton(ToolType::line);
    line->click(); // another tool, no lines: selects only
    EXPECT_EQ(w.model.currentTool(), ToolType::line);
    EXPECT_FALSE(w.toolbar->activePanel());
    line->click(); // current tool, panel closed: opens even without annotations
    EXPECT_EQ(w.toolbar->activePanel(), ToolType::line);
    line->click(); // open: closes, the tool stays
    EXPECT_FALSE(w.toolbar->activePanel());
    EXPECT_EQ(w.model.currentTool(), ToolType::line);

    // Another tool with annotations of its kind: one is selected and the panel opens.
    w.model.annotationManager()->appendArrow(arrowAt(0.1));
    w.model.annotationManager()->appendArrow(arrowAt(0.5));
    w.model.selectTool(ToolType::line);
    w.toolbar->toolButton(ToolType::arrow)->click();
    EXPECT_EQ(w.model.currentTool(), ToolType::arrow);
    EXPECT_EQ(w.toolbar->activePanel(), ToolType::arrow);
    EXPECT_TRUE(w.model.annotationManager()->selectedAnnotationId().has_value());
    EXPECT_EQ(w.model.selectedAnnotationKind(), ToolType::arrow);
}

TEST(FloatingToolbarTools, AnotherToolChosenWhileTypingKeepsTheTextAndDrawsAtOnce)
{
    ToolbarWindow w;
    w.load();
    const HandleFrameTransform t = w.canvas->currentTransform();
    const auto at = [&](double x, double y) { return t.viewportPoint(QPointF(x, y)); };
    AnnotationManager& store = *w.model.annotationManager();

    QTest::mouseClick(w.toolbar->toolButton(ToolType::text), Qt::LeftButton);
    ASSERT_EQ(w.model.currentTool(), ToolType::text);
    QTest::mouseClick(w.canvas, Qt::LeftButton, Qt::NoModifier, at(60, 60).toPoint());
    ASSERT_TRUE(w.model.isEditingText());
    InPlaceTextEditor* editor = w.canvas->textEditor();
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("Abc"));

    QTest::mouseClick(w.toolbar->toolButton(ToolType::rectangle), Qt::LeftButton);
    EXPECT_EQ(w.model.currentTool(), ToolType::rectangle);
    EXPECT_FALSE(w.model.isEditingText());
    ASSERT_EQ(store.texts().size(), 1);
    EXPECT_EQ(store.texts().first().text, QStringLiteral("Abc"));
    QTRY_VERIFY(!editor->isVisible());

    // The rectangle tool draws at once, twice, and keeps being the tool.
    CanvasTest::drag(w.canvas, at(150, 100), at(250, 180));
    CanvasTest::drag(w.canvas, at(150, 200), at(250, 280));
    EXPECT_EQ(store.rectangles().size(), 2);
    EXPECT_EQ(w.model.currentTool(), ToolType::rectangle);
    EXPECT_TRUE(w.model.canUndo());

    // Escape now leaves the tool; the text stays.
    w.canvas->setFocus();
    QTest::keyClick(w.canvas, Qt::Key_Escape);
    QTest::keyClick(w.canvas, Qt::Key_Escape);
    EXPECT_EQ(store.texts().size(), 1);
    EXPECT_EQ(w.model.currentTool(), ToolType::none);
}

TEST(FloatingToolbarTools, SelectedAnnotationHighlightsTheButtonOfItsKind)
{
    ToolbarWindow w;
    w.load();
    const RectangleAnnotation plain = rectangle(AnnotationEffect::none);
    const RectangleAnnotation mosaic = rectangle(AnnotationEffect::mosaic);
    w.model.annotationManager()->appendRectangle(plain);
    w.model.annotationManager()->appendRectangle(mosaic);
    w.model.selectTool(ToolType::none);

    w.model.annotationManager()->selectAnnotation(plain.id);
    w.toolbar->refresh();
    EXPECT_TRUE(w.toolbar->toolButton(ToolType::rectangle)->isActive());
    EXPECT_FALSE(w.toolbar->toolButton(ToolType::mosaic)->isActive());

    w.model.annotationManager()->selectAnnotation(mosaic.id);
    w.toolbar->refresh();
    EXPECT_TRUE(w.toolbar->toolButton(ToolType::mosaic)->isActive());
    EXPECT_FALSE(w.toolbar->toolButton(ToolType::rectangle)->isActive());

    // The current tool lights its own button.
    w.model.selectTool(ToolType::number);
    EXPECT_TRUE(w.toolbar->toolButton(ToolType::number)->isActive());
    EXPECT_FALSE(w.toolbar->toolButton(ToolType::mosaic)->isActive());
}

TEST(FloatingToolbarTools, HintsFollowTheStoreWithTheDigitAsFallback)
{
    const FloatingToolbar::ToolButtonDescriptor& text = FloatingToolbar::toolButtonDescriptors()[3];
    ASSERT_EQ(text.tool, ToolType::text);
    ShortcutStore& store = ShortcutStore::shared();
    store.restoreDefaults();
    EXPECT_EQ(FloatingToolbar::toolHint(text), QStringLiteral("4"));

    const ShortcutBinding shiftCommandT{ .keyCode = 17,
                                         .modifierFlags = ShortcutBinding::shiftFlag | ShortcutBinding::commandFlag,
                                         .displayCharacter = QStringLiteral("t") };
    store.setOverride(ShortcutAction::toolText, shiftCommandT);
    EXPECT_EQ(FloatingToolbar::toolHint(text), QStringLiteral("Ctrl + Shift + T"));

    // No entry at all for the action: the fallback digit.
    ShortcutStore::Bindings bindings = store.bindings();
    bindings.remove(ShortcutAction::toolText);
    store.setBindings(bindings);
    EXPECT_EQ(FloatingToolbar::toolHint(text), QStringLiteral("4"));
    store.restoreDefaults();

    // The tooltip of the button reads the store when it comes up.
    ToolbarWindow w;
    w.load();
    EXPECT_EQ(w.toolbar->toolTooltip(ToolType::text)->bubbleText(),
              localized(QStringLiteral("tooltip.text")) + QStringLiteral(" (4)"));
    store.setOverride(ShortcutAction::toolText, shiftCommandT);
    EXPECT_EQ(w.toolbar->toolTooltip(ToolType::text)->bubbleText(),
              localized(QStringLiteral("tooltip.text")) + QStringLiteral(" (Ctrl + Shift + T)"));
    store.restoreDefaults();
}

TEST(FloatingToolbarButtons, UndoAndResetFollowCanUndoRedoFollowsCanRedoAndEveryButtonPostsItsCommand)
{
    ToolbarWindow w;
    w.load();
    ToolbarButton* undo = w.toolbar->button(QStringLiteral("undo"));
    ToolbarButton* redo = w.toolbar->button(QStringLiteral("redo"));
    ToolbarButton* reset = w.toolbar->button(QStringLiteral("reset"));
    const auto enabled = [&] { return std::array{ undo->isEnabled(), reset->isEnabled(), redo->isEnabled() }; };
    EXPECT_EQ(enabled(), (std::array{ false, false, false }));
    w.model.saveUndoState();
    EXPECT_EQ(enabled(), (std::array{ true, true, false }));
    // They run the commands the menu and the keys run (which settle a text being typed).
    CanvasTest::NotificationRecorder posted({ Notifications::copyImage, Notifications::saveImage,
        Notifications::pinImage, Notifications::ocrToggle, Notifications::undo, Notifications::redo,
        Notifications::resetAll });
    undo->click();
    reset->click();
    w.model.undo();
    EXPECT_EQ(enabled(), (std::array{ false, false, true }));
    redo->click();
    // A disabled button takes no click.
    undo->click();
    for (const char* name : { "copy", "export", "pin", "ocr" })
        w.toolbar->button(QString::fromLatin1(name))->click();
    EXPECT_EQ(posted.names(), (QStringList{ Notifications::undo, Notifications::resetAll, Notifications::redo,
                                          Notifications::copyImage, Notifications::saveImage, Notifications::pinImage,
                                          Notifications::ocrToggle }));
}

TEST(FloatingToolbarButtons, TooltipKeysAndFixedHintsInLinuxWords)
{
    ToolbarWindow w;
    w.load();
    auto text = [&](const char* name) { return w.toolbar->tooltip(QString::fromLatin1(name))->bubbleText(); };
    EXPECT_EQ(text("crop"), localized(QStringLiteral("tooltip.crop")) + QStringLiteral(" (Ctrl + X)"));
    EXPECT_EQ(text("redo"), localized(QStringLiteral("tooltip.redo")) + QStringLiteral(" (Ctrl + Shift + Z)"));
    EXPECT_EQ(text("reset"), localized(QStringLiteral("menu.resetAll")) + QStringLiteral(" (Ctrl + R)"));
    EXPECT_EQ(text("zoom"), localized(QStringLiteral("tooltip.zoom")));
    EXPECT_EQ(text("copy"), localized(QStringLiteral("menu.copyImage")) + QStringLiteral(" (") +
                                ShortcutStore::shared().displayText(ShortcutAction::copyImage) + QStringLiteral(")"));
}

TEST(FloatingToolbarButtons, PopoverTooltipsAreSuppressedWhileTheirPopoverIsOpen)
{
    ToolbarWindow w;
    w.load();
    w.toolbar->setShowResizePanel(true);
    EXPECT_TRUE(w.toolbar->tooltip(QStringLiteral("resize"))->isSuppressed());
    w.toolbar->backdropTap();
    EXPECT_TRUE(w.toolbar->tooltip(QStringLiteral("backdrop"))->isSuppressed());
    w.toolbar->setActivePanel(ToolType::arrow);
    EXPECT_TRUE(w.toolbar->toolTooltip(ToolType::arrow)->isSuppressed());
    EXPECT_FALSE(w.toolbar->toolTooltip(ToolType::line)->isSuppressed());
    w.toolbar->setActivePanel(std::nullopt);
    EXPECT_FALSE(w.toolbar->toolTooltip(ToolType::arrow)->isSuppressed());
}

TEST(FloatingToolbarPopovers, ToolPopoverOpensAboveItsButtonAndClosesOnAClickOutside)
{
    ToolbarWindow w;
    w.load();
    w.toolbar->setToolPanelFactory([](ToolType, ImageEditorViewModel*) { return new QLabel(QStringLiteral("panel")); });
    w.model.selectTool(ToolType::arrow);
    w.toolbar->toolButton(ToolType::arrow)->click();
    PopoverHost* popover = w.toolbar->toolPopover(ToolType::arrow);
    ASSERT_TRUE(popover->isVisible());
    ToolbarButton* anchor = w.toolbar->toolButton(ToolType::arrow);
    const QPoint anchorTop = anchor->mapToGlobal(QPoint(anchor->width() / 2, 0));
    EXPECT_LE(popover->geometry().bottom(), anchorTop.y());
    EXPECT_GT(popover->geometry().bottom(), anchorTop.y() - 12);
    EXPECT_LE(popover->geometry().left(), anchorTop.x());
    EXPECT_GE(popover->geometry().right(), anchorTop.x());

    // A press far from the popover and its button dismisses it.
    QTest::mouseClick(popover, Qt::LeftButton, Qt::NoModifier, QPoint(-200, -200));
    EXPECT_FALSE(popover->isVisible());
    EXPECT_FALSE(w.toolbar->activePanel());
}

TEST(FloatingToolbarPopovers, ToolPopoverHoldsThatToolsPropertyPanel)
{
    ToolbarWindow w;
    w.load();
    w.model.annotationManager()->appendArrow(arrowAt(0.2));
    w.toolbar->toolButton(ToolType::arrow)->click(); // selects the arrow, opens its panel
    PopoverHost* popover = w.toolbar->toolPopover(ToolType::arrow);
    ASSERT_TRUE(popover->isVisible());
    EXPECT_TRUE(qobject_cast<ArrowPropertyView*>(popover->content()));
    // Panel chrome: 12 points around the panel.
    EXPECT_EQ(popover->content()->geometry().topLeft(), QPoint(12, 12));
    // Another tool's button: its panel replaces this one, this popover closes.
    w.model.annotationManager()->appendLine(LineAnnotation{});
    w.toolbar->toolButton(ToolType::line)->click();
    EXPECT_FALSE(popover->isVisible());
    ASSERT_TRUE(w.toolbar->toolPopover(ToolType::line)->isVisible());
    EXPECT_TRUE(qobject_cast<LinePropertyView*>(w.toolbar->toolPopover(ToolType::line)->content()));
}

TEST(FloatingToolbarPopovers, ClickOnTheZoomControlClosesItsMenuWithoutReopening)
{
    ToolbarWindow w;
    w.load();
    w.toolbar->zoomButton()->click();
    PopoverHost* popover = w.toolbar->zoomPopover();
    ASSERT_TRUE(popover->isVisible());
    ASSERT_TRUE(w.toolbar->showZoomMenu());

    // The press lands on the popup (it holds the pointer), at the zoom control's place.
    ToolbarButton* zoom = w.toolbar->zoomButton();
    const QPoint onAnchor = popover->mapFromGlobal(zoom->mapToGlobal(zoom->rect().center()));
    QTest::mousePress(popover, Qt::LeftButton, Qt::NoModifier, onAnchor);
    EXPECT_TRUE(popover->testAttribute(Qt::WA_NoMouseReplay));
    QTest::mouseRelease(zoom, Qt::LeftButton, Qt::NoModifier, zoom->rect().center());
    EXPECT_FALSE(popover->isVisible());
    EXPECT_FALSE(w.toolbar->showZoomMenu());

    // The next click opens it again.
    QTest::mouseClick(zoom, Qt::LeftButton, Qt::NoModifier, zoom->rect().center());
    EXPECT_TRUE(w.toolbar->showZoomMenu());
    EXPECT_TRUE(popover->isVisible());
    // Elsewhere the press is handed on as usual.
    QTest::mousePress(popover, Qt::LeftButton, Qt::NoModifier, QPoint(-300, -300));
    EXPECT_FALSE(popover->testAttribute(Qt::WA_NoMouseReplay));
    EXPECT_FALSE(w.toolbar->showZoomMenu());
}

TEST(FloatingToolbarPopovers, WithoutCompositorThePopoverIsOpaqueAndShaped)
{
    ToolbarWindow w; // pins "no compositor"
    w.load();
    w.toolbar->zoomButton()->click();
    PopoverHost* popover = w.toolbar->zoomPopover();
    ASSERT_TRUE(popover->isVisible());
    EXPECT_FALSE(popover->testAttribute(Qt::WA_TranslucentBackground));
    const QRegion mask = popover->mask();
    ASSERT_FALSE(mask.isEmpty());
    // The rounded corners are cut away; the arrow tip below the panel is kept.
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_TRUE(mask.contains(QPoint(popover->width() / 2, popover->height() / 2)));
    const QPoint tip = popover->mapFromGlobal(w.toolbar->zoomButton()->mapToGlobal(
        QPoint(w.toolbar->zoomButton()->width() / 2, -2 - PopoverHost::arrowHeight / 2)));
    EXPECT_TRUE(mask.contains(tip));
}
