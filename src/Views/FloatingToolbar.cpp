#include "Views/FloatingToolbar.h"

#include "Core/AppThemeColors.h"
#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/PinManager.h"
#include "Views/CropBar.h"
#include "Views/HoverTooltip.h"
#include "Views/PopoverHost.h"
#include "Views/ToolButton.h"
#include "Views/ToolPropertyPanels.h"
#include "Views/ZoomMenu.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {


// A key of the design's own, in the words of the interface language at the time shown.
std::function<std::optional<QString>()> fixedHint(const QKeySequence& keys)
{
    return [keys] { return std::optional<QString>(shortcutDisplayText(keys)); };
}

std::function<std::optional<QString>()> storeHint(ShortcutAction action)
{
    return [action] { return std::optional<QString>(ShortcutStore::shared().displayText(action)); };
}

void postCommand(NotificationName name) { NotificationCenter::defaultCenter().post(name); }

// A box blur run three times over the alpha of `image`: close to a Gaussian of the
// given radius, cheap enough for a bar-sized shadow made once per size.
void blurAlpha(QImage& image, int radius)
{
    if (radius < 1)
        return;
    const int w = image.width();
    const int h = image.height();
    std::vector<int> line(std::max(w, h));
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w;
        const int inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            auto px = [&](int i) -> QRgb& {
                return reinterpret_cast<QRgb*>(image.scanLine(horizontal ? o : i))[horizontal ? i : o];
            };
            for (int i = 0; i < inner; ++i)
                line[i] = qAlpha(px(i));
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += (i >= 0 && i < inner) ? line[i] : 0;
            for (int i = 0; i < inner; ++i) {
                px(i) = qRgba(0, 0, 0, sum / (2 * radius + 1));
                const int out = i - radius;
                const int in = i + radius + 1;
                sum -= (out >= 0 && out < inner) ? line[out] : 0;
                sum += (in >= 0 && in < inner) ? line[in] : 0;
            }
        }
    };
    for (int round = 0; round < 3; ++round) {
        pass(true);
        pass(false);
    }
}

} // namespace

const QList<FloatingToolbar::ToolButtonDescriptor>& FloatingToolbar::toolButtonDescriptors()
{
    static const QList<ToolButtonDescriptor> descriptors = {
        { ToolType::line, QStringLiteral("line.diagonal"), QStringLiteral("tooltip.line"), ShortcutAction::toolLine,
          QStringLiteral("1") },
        { ToolType::arrow, QStringLiteral("arrow.up.right"), QStringLiteral("tooltip.arrow"), ShortcutAction::toolArrow,
          QStringLiteral("2") },
        { ToolType::rectangle, QStringLiteral("rectangle"), QStringLiteral("tooltip.rectangle"),
          ShortcutAction::toolRectangle, QStringLiteral("3") },
        { ToolType::text, QStringLiteral("textformat"), QStringLiteral("tooltip.text"), ShortcutAction::toolText,
          QStringLiteral("4") },
        { ToolType::freehand, QStringLiteral("scribble"), QStringLiteral("tooltip.freehand"),
          ShortcutAction::toolFreehand, QStringLiteral("5") },
        { ToolType::highlighter, QStringLiteral("highlighter"), QStringLiteral("tooltip.highlighter"),
          ShortcutAction::toolHighlighter, QStringLiteral("6") },
        { ToolType::number, QStringLiteral("1.circle"), QStringLiteral("tooltip.number"), ShortcutAction::toolNumber,
          QStringLiteral("7") },
        { ToolType::mosaic, QStringLiteral("checkerboard.rectangle"), QStringLiteral("tooltip.mosaic"),
          ShortcutAction::toolMosaic, QStringLiteral("8") },
        { ToolType::spotlight, QStringLiteral("smallcircle.fill.circle"), QStringLiteral("tooltip.spotlight"),
          ShortcutAction::toolSpotlight, QStringLiteral("9") },
    };
    return descriptors;
}

QString FloatingToolbar::toolHint(const ToolButtonDescriptor& descriptor)
{
    const ShortcutStore::Bindings& bindings = ShortcutStore::shared().bindings();
    if (const auto found = bindings.constFind(descriptor.hintAction); found != bindings.constEnd())
        return found->displayText();
    ShortcutBinding fallback;
    fallback.displayCharacter = descriptor.fallbackHint;
    return fallback.displayText();
}

QString FloatingToolbar::zoomLabelText(double zoomLevel)
{
    const double percent = std::round(zoomLevel * 100.0);
    if (!std::isfinite(percent) || std::fabs(percent) > 1.0e15)
        return QStringLiteral("—%");
    return QString::number(qint64(percent)) + QStringLiteral("%");
}

// ---- construction -------------------------------------------------------------------------------

FloatingToolbar::FloatingToolbar(ImageEditorViewModel* viewModel, std::function<void()> onFitToWindow,
                                 std::function<void()> onConfirmCrop, QWidget* parent, TooltipTimer* tooltipTimer)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_onFitToWindow(std::move(onFitToWindow))
    , m_onConfirmCrop(std::move(onConfirmCrop))
    , m_tooltipTimer(tooltipTimer)
    , m_toolPanelFactory([](ToolType tool, ImageEditorViewModel* viewModel) -> QWidget* {
        return makeToolPropertyPanel(tool, viewModel);
    })
{
    setAttribute(Qt::WA_Hover);
    // Entering the bar gives back the plain pointer, whatever tool cursor the canvas set.
    setCursor(Qt::ArrowCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_mainRow = new QWidget(this);
    // Two parts, side by side in one row where the area is wide enough, else one above
    // the other: the zoom and the drawing tools, then crop to export.
    m_rowsLayout = new QBoxLayout(QBoxLayout::LeftToRight, m_mainRow);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(rowGap);
    auto* row = new QHBoxLayout();
    row->setSpacing(5);
    m_rowsLayout->addLayout(row);

    m_zoomButton = new ToolbarButton(QString(), m_mainRow);
    m_zoomButton->setText(zoomLabelText(m_viewModel->zoomLevel()));
    connect(m_zoomButton, &ToolbarButton::clicked, this, &FloatingToolbar::toggleZoomMenu);
    row->addWidget(m_zoomButton, 0, Qt::AlignVCenter);
    m_buttons.insert(QStringLiteral("zoom"), m_zoomButton);
    m_tooltips.insert(QStringLiteral("zoom"), new HoverTooltip(m_zoomButton, QStringLiteral("tooltip.zoom"), {},
                                                                m_tooltipTimer));
    row->addWidget(new ToolbarDivider(m_mainRow), 0, Qt::AlignVCenter);

    auto* tools = new QHBoxLayout();
    tools->setSpacing(5);
    for (const ToolButtonDescriptor& descriptor : toolButtonDescriptors()) {
        auto* button = new ToolbarButton(descriptor.icon, m_mainRow);
        const ToolType tool = descriptor.tool;
        connect(button, &ToolbarButton::clicked, this, [this, tool] {
            handleToolTap(tool, m_activePanel && *m_activePanel == tool);
        });
        auto* tip = new HoverTooltip(
            button, descriptor.tooltipKey, [descriptor] { return std::optional<QString>(toolHint(descriptor)); },
            m_tooltipTimer);
        m_toolButtons.insert(tool, button);
        m_toolTooltips.insert(tool, tip);
        tools->addWidget(button, 0, Qt::AlignVCenter);

        auto* popover = new PopoverHost(button);
        popover->setContentMargin(12);
        popover->onDismissed = [this, tool] { toolPopoverDismissed(tool); };
        m_toolPopovers.insert(tool, popover);
    }
    row->addLayout(tools);
    m_partDivider = new ToolbarDivider(m_mainRow);
    m_rowsLayout->addWidget(m_partDivider, 0, Qt::AlignVCenter);
    row = new QHBoxLayout();
    row->setSpacing(5);
    m_rowsLayout->addLayout(row);

    addButton(row, QStringLiteral("crop"), QStringLiteral("crop"), QStringLiteral("tooltip.crop"),
              fixedHint(QKeySequence(Qt::CTRL | Qt::Key_X)));
    addButton(row, QStringLiteral("resize"), QStringLiteral("arrow.down.right.and.arrow.up.left"),
              QStringLiteral("tooltip.resize"), storeHint(ShortcutAction::resizePanel));
    row->addWidget(new ToolbarDivider(m_mainRow), 0, Qt::AlignVCenter);
    addButton(row, QStringLiteral("undo"), QStringLiteral("arrow.uturn.backward"), QStringLiteral("tooltip.undo"),
              fixedHint(QKeySequence(Qt::CTRL | Qt::Key_Z)));
    addButton(row, QStringLiteral("redo"), QStringLiteral("arrow.uturn.forward"), QStringLiteral("tooltip.redo"),
              fixedHint(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    addButton(row, QStringLiteral("reset"), QStringLiteral("arrow.counterclockwise"), QStringLiteral("menu.resetAll"),
              fixedHint(QKeySequence(Qt::CTRL | Qt::Key_R)));
    row->addWidget(new ToolbarDivider(m_mainRow), 0, Qt::AlignVCenter);
    addButton(row, QStringLiteral("backdrop"), QStringLiteral("paintpalette"), QStringLiteral("tooltip.backdrop"),
              storeHint(ShortcutAction::backdropToggle));
    addButton(row, QStringLiteral("ocr"), QStringLiteral("doc.text.viewfinder"), QStringLiteral("tooltip.ocr"),
              storeHint(ShortcutAction::ocrText));
    addButton(row, QStringLiteral("pin"), QStringLiteral("pin"), QStringLiteral("tooltip.pin"),
              storeHint(ShortcutAction::pinImage));
    addButton(row, QStringLiteral("copy"), QStringLiteral("doc.on.doc"), QStringLiteral("menu.copyImage"),
              storeHint(ShortcutAction::copyImage));
    addButton(row, QStringLiteral("export"), QStringLiteral("square.and.arrow.down"), QStringLiteral("tooltip.export"),
              fixedHint(QKeySequence(Qt::CTRL | Qt::Key_S)))
        ->setLook(ToolbarButton::Look::accentSquare);

    connect(button(QStringLiteral("crop")), &ToolbarButton::clicked, this,
            [this] { m_viewModel->selectTool(ToolType::crop); });
    connect(button(QStringLiteral("resize")), &ToolbarButton::clicked, this, [this] { setShowResizePanel(true); });
    // The same commands as the menu and the keys, so a text being typed is settled first.
    const std::pair<const char*, NotificationName> commands[] = {
        {"undo", Notifications::undo},     {"redo", Notifications::redo},     {"reset", Notifications::resetAll},
        {"ocr", Notifications::ocrToggle}, {"pin", Notifications::pinImage}, {"copy", Notifications::copyImage},
        {"export", Notifications::saveImage},
    };
    for (const auto& [name, command] : commands)
        connect(button(QString::fromLatin1(name)), &ToolbarButton::clicked, this, [command = command] { postCommand(command); });
    connect(button(QStringLiteral("backdrop")), &ToolbarButton::clicked, this, &FloatingToolbar::backdropTap);

    m_zoomMenu = new ZoomMenu(m_viewModel, [this] {
        if (m_onFitToWindow)
            m_onFitToWindow();
    }, [this] { setShowZoomMenu(false); });
    m_zoomPopover = new PopoverHost(m_zoomButton);
    m_zoomPopover->setContentMargin(ZoomMenu::panelMargin);
    m_zoomPopover->setContent(m_zoomMenu);
    m_zoomPopover->onDismissed = [this] { setShowZoomMenu(false); };
    m_resizePopover = new PopoverHost(button(QStringLiteral("resize")));
    m_resizePopover->setContentMargin(12);
    m_resizePopover->onDismissed = [this] { setShowResizePanel(false); };
    m_backdropPopover = new PopoverHost(button(QStringLiteral("backdrop")));
    m_backdropPopover->setContentMargin(12);
    m_backdropPopover->onDismissed = [this] { setShowBackdropPanel(false); };

    m_cropBar = new CropBar(m_viewModel, [this] {
        if (m_onConfirmCrop)
            m_onConfirmCrop();
    }, m_tooltipTimer, this);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(shadowSide + horizontalPadding, shadowTop, shadowSide + horizontalPadding, shadowBottom);
    outer->setSpacing(0);
    outer->addWidget(m_mainRow, 0, Qt::AlignVCenter);
    outer->addWidget(m_cropBar, 0, Qt::AlignVCenter);
    setFixedHeight(shadowTop + barHeight + shadowBottom);

    m_lastTool = m_viewModel->currentTool();
    m_lastCropping = m_viewModel->isCropping();
    connect(m_viewModel, &ImageEditorViewModel::toolChanged, this, [this] {
        const ToolType tool = m_viewModel->currentTool();
        if (tool != m_lastTool) {
            m_lastTool = tool;
            onToolChange(tool);
        }
    });
    connect(m_viewModel, &ImageEditorViewModel::cropChanged, this, [this] {
        const bool cropping = m_viewModel->isCropping();
        if (cropping != m_lastCropping) {
            m_lastCropping = cropping;
            onCroppingChange(cropping);
        }
    });
    connect(m_viewModel, &ImageEditorViewModel::changed, this, &FloatingToolbar::refresh);
    NotificationCenter::defaultCenter().addObserver(Notifications::resizePanel, this,
                                                    [this](const auto&) { handleResizeCommand(); });
    // The pin button is lit while any pin is open, whichever editor made it.
    m_activePinCount = PinManager::shared().activePinCount();
    connect(&PinManager::shared(), &PinManager::activePinCountChanged, this, &FloatingToolbar::setActivePinCount);

    m_cropBar->setVisible(false);
    refresh();
}

FloatingToolbar::~FloatingToolbar()
{
    // The popovers are windows of their own, children of the editor window; they go
    // with the bar, telling it nothing on the way.
    QList<QPointer<PopoverHost>> popovers = { m_zoomPopover, m_resizePopover, m_backdropPopover };
    for (const QPointer<PopoverHost>& p : std::as_const(m_toolPopovers))
        popovers << p;
    for (const QPointer<PopoverHost>& p : popovers) {
        if (p) {
            p->onDismissed = nullptr;
            delete p.data();
        }
    }
}

PopoverHost* FloatingToolbar::zoomPopover() const { return m_zoomPopover.data(); }
PopoverHost* FloatingToolbar::resizePopover() const { return m_resizePopover.data(); }
PopoverHost* FloatingToolbar::backdropPopover() const { return m_backdropPopover.data(); }
PopoverHost* FloatingToolbar::toolPopover(ToolType tool) const { return m_toolPopovers.value(tool).data(); }

ToolbarButton* FloatingToolbar::addButton(QLayout* layout, const QString& name, const QString& symbol,
                                          const QString& tooltipKey, std::function<std::optional<QString>()> hint)
{
    auto* b = new ToolbarButton(symbol, m_mainRow);
    static_cast<QBoxLayout*>(layout)->addWidget(b, 0, Qt::AlignVCenter);
    m_buttons.insert(name, b);
    m_tooltips.insert(name, new HoverTooltip(b, tooltipKey, std::move(hint), m_tooltipTimer));
    return b;
}

void FloatingToolbar::setActivePinCount(int count)
{
    m_activePinCount = count;
    refresh();
}

// ---- view state ---------------------------------------------------------------------------------

void FloatingToolbar::setActivePanel(std::optional<ToolType> tool)
{
    m_activePanel = tool;
    syncPopovers();
    syncTooltipSuppression();
}

void FloatingToolbar::setShowZoomMenu(bool show)
{
    m_showZoomMenu = show;
    syncPopovers();
}

void FloatingToolbar::setShowResizePanel(bool show)
{
    m_showResizePanel = show;
    syncPopovers();
    syncTooltipSuppression();
}

void FloatingToolbar::setShowBackdropPanel(bool show)
{
    m_showBackdropPanel = show;
    syncPopovers();
    syncTooltipSuppression();
}

void FloatingToolbar::syncTooltipSuppression()
{
    m_tooltips.value(QStringLiteral("resize"))->setSuppressed(m_showResizePanel);
    m_tooltips.value(QStringLiteral("backdrop"))->setSuppressed(m_showBackdropPanel);
    for (auto it = m_toolTooltips.begin(); it != m_toolTooltips.end(); ++it)
        it.value()->setSuppressed(m_activePanel && *m_activePanel == it.key());
}

void FloatingToolbar::syncPopovers()
{
    // A popover shows while its flag is up and the bar itself is on screen.
    const bool onScreen = isVisible();
    if (!m_zoomPopover || !m_resizePopover || !m_backdropPopover)
        return; // the window is going away
    m_zoomPopover->setPresented(onScreen && m_showZoomMenu);

    if (m_showResizePanel && onScreen && !m_resizePopover->content() && m_resizePanelFactory)
        m_resizePopover->setContent(m_resizePanelFactory(m_viewModel, [this] { setShowResizePanel(false); }));
    m_resizePopover->setPresented(onScreen && m_showResizePanel);
    if (!m_showResizePanel)
        m_resizePopover->setContent(nullptr);

    if (m_showBackdropPanel && onScreen && !m_backdropPopover->content() && m_backdropPanelFactory)
        m_backdropPopover->setContent(m_backdropPanelFactory(m_viewModel));
    m_backdropPopover->setPresented(onScreen && m_showBackdropPanel);
    if (!m_showBackdropPanel)
        m_backdropPopover->setContent(nullptr);

    for (auto it = m_toolPopovers.begin(); it != m_toolPopovers.end(); ++it) {
        const bool open = onScreen && m_activePanel && *m_activePanel == it.key();
        PopoverHost* popover = it.value();
        if (!popover)
            continue;
        if (open && !popover->content() && m_toolPanelFactory)
            popover->setContent(m_toolPanelFactory(it.key(), m_viewModel));
        popover->setPresented(open);
        if (!open)
            popover->setContent(nullptr);
    }
}

// ---- rules --------------------------------------------------------------------------------------

void FloatingToolbar::onToolChange(ToolType tool)
{
    if (!m_activePanel || *m_activePanel != tool)
        m_activePanel.reset();
    m_showResizePanel = false;
    syncPopovers();
    syncTooltipSuppression();
}

void FloatingToolbar::onCroppingChange(bool cropping)
{
    if (!cropping)
        return;
    m_showResizePanel = false;
    m_showBackdropPanel = false;
    syncPopovers();
    syncTooltipSuppression();
}

void FloatingToolbar::handleResizeCommand()
{
    if (!m_viewModel->isCropping())
        setShowResizePanel(true);
}

void FloatingToolbar::handleToolTap(ToolType tool, bool panelWasOpen)
{
    if (m_viewModel->currentTool() == tool) {
        if (panelWasOpen) {
            setActivePanel(std::nullopt);
        } else {
            (void)m_viewModel->retargetSelectionToTool(tool);
            setActivePanel(tool);
        }
        return;
    }
    m_viewModel->selectTool(tool);
    if (m_viewModel->retargetSelectionToTool(tool))
        setActivePanel(tool);
}

void FloatingToolbar::toolPopoverDismissed(ToolType tool)
{
    if (m_activePanel && *m_activePanel == tool)
        setActivePanel(std::nullopt);
}

void FloatingToolbar::toggleZoomMenu() { setShowZoomMenu(!m_showZoomMenu); }

void FloatingToolbar::backdropTap() { setShowBackdropPanel(!m_showBackdropPanel); }

// ---- following the model ------------------------------------------------------------------------

void FloatingToolbar::refresh()
{
    m_zoomButton->setText(zoomLabelText(m_viewModel->zoomLevel()));
    const bool canUndo = m_viewModel->canUndo();
    m_buttons.value(QStringLiteral("undo"))->setEnabled(canUndo);
    m_buttons.value(QStringLiteral("redo"))->setEnabled(m_viewModel->canRedo());
    m_buttons.value(QStringLiteral("reset"))->setEnabled(canUndo);
    m_buttons.value(QStringLiteral("backdrop"))->setAccentTint(m_viewModel->isBackdropEnabled());
    m_buttons.value(QStringLiteral("ocr"))->setAccentTint(m_viewModel->ocrPanelState().has_value());
    m_buttons.value(QStringLiteral("pin"))->setAccentTint(m_activePinCount > 0);

    const ToolType current = m_viewModel->currentTool();
    const std::optional<ToolType> selectedKind = m_viewModel->selectedAnnotationKind();
    for (auto it = m_toolButtons.begin(); it != m_toolButtons.end(); ++it)
        it.value()->setActive(current == it.key() || (selectedKind && *selectedKind == it.key()));

    updateMode();
    // The crop bar grows and shrinks with its hint and confirm button.
    if (m_area && sizeHint().width() != width())
        relayout();
    setVisible(m_viewModel->selectedImage().has_value());
}

void FloatingToolbar::updateMode()
{
    const bool cropping = m_viewModel->isCropping();
    if (m_cropBar->isVisibleTo(this) == cropping && m_mainRow->isVisibleTo(this) == !cropping)
        return;
    m_mainRow->setVisible(!cropping);
    m_cropBar->setVisible(cropping);
    // The crop bar shows the current size each time it replaces the row.
    if (cropping) {
        m_cropBar->syncCropSizeFields();
        m_cropBar->refresh();
    }
    relayout();
}

// ---- layout and painting ------------------------------------------------------------------------

QSize FloatingToolbar::sizeHint() const
{
    const QWidget* content = m_viewModel->isCropping() ? static_cast<const QWidget*>(m_cropBar) : m_mainRow;
    return QSize(content->sizeHint().width() + 2 * (shadowSide + horizontalPadding),
                 shadowTop + currentBarHeight() + shadowBottom);
}

int FloatingToolbar::currentBarHeight() const
{
    // A second row adds a button's height and the gap above it.
    const bool wrapped = m_rows > 1 && !m_viewModel->isCropping();
    return barHeight + (wrapped ? ToolbarButton::frameSize + rowGap : 0);
}

QRect FloatingToolbar::barRect() const
{
    return QRect(shadowSide, shadowTop, width() - 2 * shadowSide, currentBarHeight());
}

void FloatingToolbar::placeIn(const QRect& area)
{
    m_area = area;
    relayout();
}

int FloatingToolbar::oneRowBarWidth() const
{
    int width = 2 * horizontalPadding;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        QLayoutItem* item = m_rowsLayout->itemAt(i);
        width += item->widget() ? m_partDivider->sizeHint().width() : item->sizeHint().width();
    }
    return width + (m_rowsLayout->count() - 1) * m_rowsLayout->spacing();
}

void FloatingToolbar::setRows(int rows)
{
    if (rows == m_rows)
        return;
    m_rows = rows;
    m_rowsLayout->setDirection(rows > 1 ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_partDivider->setVisible(rows == 1);
}

void FloatingToolbar::relayout()
{
    // A tiling desktop may give the editor less room than its least size: the row of
    // controls goes onto two rows rather than past the window's edges.
    if (m_area && !m_viewModel->isCropping())
        setRows(oneRowBarWidth() > m_area->width() - 2 * bottomInset ? 2 : 1);
    m_rowsLayout->activate();
    const int height = currentBarHeight();
    if (height != m_shownBarHeight) {
        m_shownBarHeight = height;
        setFixedHeight(shadowTop + height + shadowBottom);
        emit barHeightChanged(height);
    }
    const QSize size = sizeHint();
    if (!m_area) {
        resize(size);
        return;
    }
    const int x = m_area->left() + (m_area->width() - size.width()) / 2;
    const int barBottom = m_area->top() + m_area->height() - bottomInset;
    setGeometry(x, barBottom - currentBarHeight() - shadowTop, size.width(), size.height());
    raise();
}

bool FloatingToolbar::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::LayoutRequest: {
        const bool handled = QWidget::event(event);
        if (sizeHint().width() != width())
            relayout();
        return handled;
    }
    case QEvent::Hide:
    case QEvent::Show: {
        const bool handled = QWidget::event(event);
        syncPopovers();
        return handled;
    }
    default:
        return QWidget::event(event);
    }
}

const QImage& FloatingToolbar::shadowImage()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
    if (m_shadowFor == pixels && !m_shadow.isNull())
        return m_shadow;
    m_shadow = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_shadow.fill(Qt::transparent);
    {
        QPainter p(&m_shadow);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(ratio, ratio);
        QPainterPath path;
        path.addRoundedRect(QRectF(barRect()).translated(0.0, 4.0), cornerRadius, cornerRadius);
        p.fillPath(path, QColor(0, 0, 0, qRound(255 * 0.18)));
    }
    // Three box passes of radius r approximate a blur of about 1.7 r.
    blurAlpha(m_shadow, std::max(1, qRound(8.0 / 1.7 * ratio)));
    m_shadow.setDevicePixelRatio(ratio);
    m_shadowFor = pixels;
    return m_shadow;
}

void FloatingToolbar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), shadowImage());
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath bar;
    bar.addRoundedRect(QRectF(barRect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    // The thin material: the window colour, a little see-through over the image.
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.86);
    painter.fillPath(bar, fill);
    painter.strokePath(bar, QPen(panelBorderColor(palette()), 1.0));
}
