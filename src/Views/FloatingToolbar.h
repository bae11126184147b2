#pragma once

#include "Core/ShortcutAction.h"
#include "Models/ToolType.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class CropBar;
class QBoxLayout;
class HoverTooltip;
class ImageEditorViewModel;
class PopoverHost;
class ToolbarButton;
class TooltipTimer;
class ZoomMenu;

// The editor's floating command bar, laid over the bottom of the canvas area: the zoom
// control with its menu, the nine drawing tools, crop and resize, undo, redo and reset,
// and backdrop, text recognition, pin, copy and export. While the editor crops, the
// same rounded bar shows the crop bar instead.
//
// The bar owns whether each of its popovers is open (the zoom menu, resize, backdrop
// and the property popover of one tool) and closes them as the tool or crop mode
// changes. It changes the document only through the editor model; copy, export, pin
// and text recognition are posted as the same commands the menus and keys post.
class FloatingToolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 46;
    static constexpr int bottomInset = 10;
    static constexpr int horizontalPadding = 10;
    static constexpr qreal cornerRadius = 14.0;
    // Room around the bar for its shadow (black 18 %, blur 8, 4 points down).
    static constexpr int shadowSide = 12;
    static constexpr int shadowTop = 6;
    static constexpr int shadowBottom = 16;
    // Between the two rows, where the area is too narrow for one.
    static constexpr int rowGap = 5;

    // One drawing-tool button.
    struct ToolButtonDescriptor {
        ToolType tool;
        QString icon;
        QString tooltipKey;
        ShortcutAction hintAction;
        QString fallbackHint;
    };
    static const QList<ToolButtonDescriptor>& toolButtonDescriptors();

    // The panel a popover shows, built each time the popover opens. The tools' own
    // property panels by default; nothing is shown while a popover has no panel.
    using PanelFactory = std::function<QWidget*(ImageEditorViewModel* viewModel)>;
    using ToolPanelFactory = std::function<QWidget*(ToolType tool, ImageEditorViewModel* viewModel)>;
    using ResizePanelFactory = std::function<QWidget*(ImageEditorViewModel* viewModel, std::function<void()> onApplied)>;

    FloatingToolbar(ImageEditorViewModel* viewModel, std::function<void()> onFitToWindow,
                    std::function<void()> onConfirmCrop, QWidget* parent = nullptr, TooltipTimer* tooltipTimer = nullptr);
    ~FloatingToolbar() override;

    void setToolPanelFactory(ToolPanelFactory factory) { m_toolPanelFactory = std::move(factory); }
    void setResizePanelFactory(ResizePanelFactory factory) { m_resizePanelFactory = std::move(factory); }
    void setBackdropPanelFactory(PanelFactory factory) { m_backdropPanelFactory = std::move(factory); }
    // The number of pin windows open; the pin button is accent-coloured while above 0.
    void setActivePinCount(int count);

    // ---- view state ---------------------------------------------------------------------------
    std::optional<ToolType> activePanel() const { return m_activePanel; }
    void setActivePanel(std::optional<ToolType> tool);
    bool showZoomMenu() const { return m_showZoomMenu; }
    void setShowZoomMenu(bool show);
    bool showResizePanel() const { return m_showResizePanel; }
    void setShowResizePanel(bool show);
    bool showBackdropPanel() const { return m_showBackdropPanel; }
    void setShowBackdropPanel(bool show);

    // ---- the rules ------------------------------------------------------------------------------
    void onToolChange(ToolType tool);
    void onCroppingChange(bool cropping);
    void handleResizeCommand();
    void handleToolTap(ToolType tool, bool panelWasOpen);
    void toggleZoomMenu();
    void backdropTap();
    // The user dismissed the popover of `tool`: closes it only if it is still that tool's.
    void toolPopoverDismissed(ToolType tool);

    // ---- texts ------------------------------------------------------------------------------------
    // The zoom as a whole percentage, rounded half away from zero ("100%").
    static QString zoomLabelText(double zoomLevel);
    // The shortcut hint of a tool button: its bound key, else the fallback digit.
    static QString toolHint(const ToolButtonDescriptor& descriptor);

    // ---- parts, for the content view and tests ------------------------------------------------------
    ToolbarButton* zoomButton() const { return m_zoomButton; }
    ToolbarButton* toolButton(ToolType tool) const { return m_toolButtons.value(tool); }
    ToolbarButton* button(const QString& name) const { return m_buttons.value(name); }
    HoverTooltip* tooltip(const QString& name) const { return m_tooltips.value(name); }
    HoverTooltip* toolTooltip(ToolType tool) const { return m_toolTooltips.value(tool); }
    PopoverHost* zoomPopover() const;
    PopoverHost* resizePopover() const;
    PopoverHost* backdropPopover() const;
    PopoverHost* toolPopover(ToolType tool) const;
    ZoomMenu* zoomMenu() const { return m_zoomMenu; }
    CropBar* cropBar() const { return m_cropBar; }
    QWidget* mainRow() const { return m_mainRow; }

    // Where the rounded bar lies in this widget (the rest is room for its shadow).
    QRect barRect() const;
    // The bar's height: barHeight, more where its controls take two rows.
    int currentBarHeight() const;
    int rows() const { return m_rows; }
    // Centres the bar at the bottom of `area` (parent coordinates), bottomInset above it.
    void placeIn(const QRect& area);

    // Redraws everything that follows the model.
    void refresh();

    QSize sizeHint() const override;

signals:
    void barHeightChanged(int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    ToolbarButton* addButton(QLayout* layout, const QString& name, const QString& symbol, const QString& tooltipKey,
                             std::function<std::optional<QString>()> hint);
    void syncPopovers();
    void syncTooltipSuppression();
    void updateMode();
    void relayout();
    void setRows(int rows);
    // The bar's width with all its controls on one row.
    int oneRowBarWidth() const;
    const QImage& shadowImage();

    ImageEditorViewModel* m_viewModel;
    std::function<void()> m_onFitToWindow;
    std::function<void()> m_onConfirmCrop;
    TooltipTimer* m_tooltipTimer = nullptr;

    std::optional<ToolType> m_activePanel;
    bool m_showZoomMenu = false;
    bool m_showResizePanel = false;
    bool m_showBackdropPanel = false;
    int m_activePinCount = 0;
    ToolType m_lastTool = ToolType::none;
    bool m_lastCropping = false;

    ToolPanelFactory m_toolPanelFactory;
    ResizePanelFactory m_resizePanelFactory;
    PanelFactory m_backdropPanelFactory;

    QWidget* m_mainRow = nullptr;
    QBoxLayout* m_rowsLayout = nullptr;
    QWidget* m_partDivider = nullptr;
    int m_rows = 1;
    int m_shownBarHeight = barHeight;
    CropBar* m_cropBar = nullptr;
    ToolbarButton* m_zoomButton = nullptr;
    QHash<ToolType, ToolbarButton*> m_toolButtons;
    QHash<ToolType, HoverTooltip*> m_toolTooltips;
    QHash<QString, ToolbarButton*> m_buttons;
    QHash<QString, HoverTooltip*> m_tooltips;
    ZoomMenu* m_zoomMenu = nullptr;
    // Children of the editor window, which may delete them before the bar.
    QPointer<PopoverHost> m_zoomPopover;
    QPointer<PopoverHost> m_resizePopover;
    QPointer<PopoverHost> m_backdropPopover;
    QHash<ToolType, QPointer<PopoverHost>> m_toolPopovers;

    std::optional<QRect> m_area;
    QImage m_shadow;
    QSize m_shadowFor;
};
