#include "Views/ContentView.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Models/ImageDocument.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/ImageLoadManager.h"
#include "Output/ImageOutputController.h"
#include "Platform/LocalFileName.h"
#include "Views/BackdropPanelView.h"
#include "Views/CropOverlay.h"
#include "Views/DropHandling.h"
#include "Views/EditorCanvasView.h"
#include "Views/EditorContextMenu.h"
#include "Views/EditorKeyMonitor.h"
#include "Views/EditorOutputHost.h"
#include "Platform/DesktopSession.h"
#include "Views/FloatingToolbar.h"
#include "Views/ResizePanelView.h"
#include "Views/ToolPropertyPanels.h"
#include "Views/UnsavedWorkPrompt.h"
#include "Views/WindowFront.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The placeholder shown in the canvas area while no image is open: a dashed frame
// with the drop hint, the supported formats and the open button.
class EmptyStateView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QColor grey = palette().color(QPalette::Mid);
        grey.setAlphaF(0.3);
        QPen pen(grey, 2.0, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setDashPattern({ 4.0, 2.0 }); // 8 on, 4 off at width 2
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(16.0, 16.0, -16.0, -16.0), 12.0, 12.0);
    }
};

// A one-line label that shortens its text at the start, so a long path keeps its file name.
class HeadElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    void setFullText(const QString& text)
    {
        m_full = text;
        refresh();
    }
    const QString& fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        refresh();
    }

private:
    void refresh() { setText(fontMetrics().elidedText(m_full, Qt::ElideLeft, std::max(0, width()))); }
    QString m_full;
};

// The bar along the window's bottom: window background with a rule along its top.
class InformationBar : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), windowBackgroundFill(palette()));
        painter.fillRect(QRect(0, 0, width(), 1), panelBorderColor(palette()));
    }
};

QFont sizedFont(QFont font, int pixelSize, QFont::Weight weight = QFont::Normal)
{
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace

QSize ContentView::leastSize()
{
    // A tiling Wayland compositor gives a window its tile whatever least size it asks
    // for: laid out larger than its window, the editor would be cut off at the edges.
    if (DesktopSession::usesDesktopPortal())
        return QSize(0, 0);
    return QSize(800, 450);
}

ContentView::ContentView(QWidget* parent)
    : QWidget(parent)
    , m_viewModel(new ImageEditorViewModel(this))
{
    setAcceptDrops(true);
    setMinimumSize(leastSize());

    m_canvas = new EditorCanvasView(m_viewModel, this);

    auto* empty = new EmptyStateView(this);
    m_emptyState = empty;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setContentsMargins(32, 32, 32, 32);
    emptyLayout->setSpacing(24);
    emptyLayout->addStretch(1);
    m_emptyHint = new QLabel(empty);
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setFont(sizedFont(font(), 22, QFont::Medium));
    m_emptyFormats = new QLabel(empty);
    m_emptyFormats->setAlignment(Qt::AlignCenter);
    m_emptyFormats->setFont(sizedFont(font(), 11));
    auto* texts = new QVBoxLayout();
    texts->setSpacing(8);
    texts->addWidget(m_emptyHint);
    texts->addWidget(m_emptyFormats);
    emptyLayout->addLayout(texts);
    m_openButton = new QPushButton(empty);
    m_openButton->setFont(sizedFont(font(), 16, QFont::Medium));
    m_openButton->setCursor(Qt::PointingHandCursor);
    m_openButton->setStyleSheet(QStringLiteral(
        "QPushButton { padding: 12px 20px; border-radius: 8px; background: rgba(128,128,128,77);"
        " border: 1px solid rgba(128,128,128,128); }"));
    connect(m_openButton, &QPushButton::clicked, m_viewModel, &ImageEditorViewModel::openImage);
    emptyLayout->addWidget(m_openButton, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);

    m_infoBar = new InformationBar(this);
    auto* barLayout = new QHBoxLayout(m_infoBar);
    barLayout->setContentsMargins(16, 1, 16, 0);
    auto* folder = new QLabel(m_infoBar);
    folder->setPixmap(QIcon::fromTheme(QStringLiteral("folder")).pixmap(12, 12));
    auto* path = new HeadElidingLabel(m_infoBar);
    path->setFont(sizedFont(font(), 11));
    path->setForegroundRole(QPalette::PlaceholderText);
    path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathLabel = path;
    m_infoLabel = new QLabel(m_infoBar);
    m_infoLabel->setObjectName(QStringLiteral("lumetraImageInfo"));
    m_infoLabel->setFont(sizedFont(font(), 11));
    m_infoLabel->setForegroundRole(QPalette::PlaceholderText);
    barLayout->addWidget(folder);
    barLayout->addSpacing(8);
    barLayout->addWidget(path, 1);
    barLayout->addWidget(m_infoLabel);

    m_observers = new KeyboardShortcutObservers(m_viewModel, [this] { return currentFitAreaSize(); }, this);
    m_keyboardMonitor = new KeyboardEventMonitor(this);
    m_wheelMonitor = new WheelZoomMonitor(this);
    m_cropOverlay = new CropOverlay(m_viewModel, m_canvas, this);
    m_toolbar = new FloatingToolbar(
        m_viewModel, [this] { m_viewModel->fitZoom(currentFitAreaSize()); },
        [this] {
            if (m_viewModel->selectedImage() && m_viewModel->isCropping())
                m_viewModel->applyCrop(m_canvas->scaledSize());
        },
        this);
    // The drawing tools' property panels fill the toolbar's tool popovers.
    m_toolbar->setToolPanelFactory([](ToolType tool, ImageEditorViewModel* viewModel) -> QWidget* {
        return makeToolPropertyPanel(tool, viewModel);
    });
    m_toolbar->setResizePanelFactory([](ImageEditorViewModel* viewModel, std::function<void()> onApplied) -> QWidget* {
        return new ResizePanelView(viewModel, std::move(onApplied));
    });
    m_toolbar->setBackdropPanelFactory(
        [](ImageEditorViewModel* viewModel) -> QWidget* { return new BackdropPanelView(viewModel); });
    m_output = new EditorOutputHost(m_viewModel, m_canvas, this);
    m_contextMenu = new ContextMenuPresenter(this);
    m_contextMenu->buildMenu = [this] {
        EditorContextMenuHooks hooks;
        hooks.fitAreaSize = [this] { return currentFitAreaSize(); };
        hooks.showAbout = [this] {
            if (m_showAbout)
                m_showAbout();
        };
        hooks.quit = [this] {
            if (m_quit)
                m_quit();
            else
                QCoreApplication::quit();
        };
        return buildEditorContextMenu(m_viewModel, hooks, this);
    };
    // Fitted images stand above the floating toolbar (and the toasts' room over it).
    m_canvas->setReservedBottom(FloatingToolbar::bottomInset + FloatingToolbar::barHeight + toolbarClearance);
    // Two rows of controls, in a narrow window, take more room under the image.
    connect(m_toolbar, &FloatingToolbar::barHeightChanged, this, [this](int height) {
        m_canvas->setReservedBottom(FloatingToolbar::bottomInset + height + toolbarClearance);
        m_currentFitAreaSize = m_canvas->fitArea();
    });

    connect(m_viewModel, &ImageEditorViewModel::documentChanged, this, &ContentView::observeDocument);
    // A quarter turn swaps the sides the information bar reads.
    connect(m_viewModel, &ImageEditorViewModel::zoomChanged, this, [this] {
        if (m_viewModel->rotation() != m_shownRotation) {
            m_shownRotation = m_viewModel->rotation();
            m_infoLabel->setText(infoText());
        }
    });
    connect(m_viewModel, &ImageEditorViewModel::alertRequested, this, [this](const QString& title, const QString& message) {
        // One alert at a time: a newer one takes the place of the one shown.
        if (!m_alert) {
            m_alert = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Ok, window());
            m_alert->setAttribute(Qt::WA_DeleteOnClose);
        }
        m_alert->setWindowTitle(title);
        m_alert->setText(message);
        m_alert->open();
    });
    // A document arriving while a dialog is up (the question itself, Save As, an open
    // panel) is asked about once that dialog has closed: never a second dialog behind
    // the first, never a refusal for being second.
    m_viewModel->setReplacementGuard([this](std::function<void(bool)> decide) {
        whenNoDialogIsOpen([this, decide = std::move(decide)] { settleUnsavedWork(decide); });
    });
    connect(&ImageLoadManager::shared(), &ImageLoadManager::pendingImageURLChanged, this,
            &ContentView::pendingImageURLChanged);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &ContentView::retranslate);

    retranslate();
    observeDocument();
}

ContentView::~ContentView()
{
    removeEventMonitors();
}

QSizeF ContentView::currentFitAreaSize() const { return m_currentFitAreaSize; }

void ContentView::setCaptureDeliveryDate(KeyboardShortcutObservers::DeliveryDate date)
{
    m_observers->setDeliveryDate(std::move(date));
}

// ---- layout and texts ---------------------------------------------------------------------------

void ContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect area(0, 0, width(), std::max(0, height() - informationBarHeight));
    m_canvas->setGeometry(area);
    m_emptyState->setGeometry(area);
    m_infoBar->setGeometry(0, area.height(), width(), informationBarHeight);
    m_toolbar->placeIn(area);
    m_currentFitAreaSize = m_canvas->fitArea();
}

void ContentView::retranslate()
{
    m_emptyHint->setText(localized(QStringLiteral("empty.dropHint")));
    m_emptyFormats->setText(localized(QStringLiteral("empty.formats")));
    m_openButton->setText(localized(QStringLiteral("empty.openImage")));
    observeDocument();
}

QString ContentView::pathText() const
{
    // An image with no file behind it (a capture, a paste) reads like no image at all.
    if (m_viewModel->selectedImage()) {
        if (const auto& url = m_viewModel->imageURL()) {
            if (!url->isLocalFile())
                return url->toString();
            // A capture, a paste or dropped data is named but not saved anywhere yet: its
            // name alone, not a folder that does not hold it.
            const QString path = url->toLocalFile();
            return LocalFileName::exists(path) ? path : QFileInfo(path).fileName();
        }
    }
    return localized(QStringLiteral("empty.noImage"));
}

QString ContentView::infoText() const
{
    return m_viewModel->selectedImage() ? m_viewModel->imageInfoText() : QString();
}

void ContentView::observeDocument()
{
    const bool hasImage = m_viewModel->selectedImage().has_value();
    m_emptyState->setVisible(!hasImage);
    static_cast<HeadElidingLabel*>(m_pathLabel)->setFullText(pathText());
    m_infoLabel->setText(infoText());
    m_infoLabel->setVisible(hasImage);

    // The title follows the document's name too (a save under another name).
    if (windowTitleText() != m_shownTitle)
        scheduleWindowTitleUpdate();
}

void ContentView::settleUnsavedWork(std::function<void(bool proceed)> then)
{
    if (m_askingAboutWork) {
        then(false);
        return;
    }
    if (!m_viewModel->hasUnsavedWork() || !Settings::askToSaveChanges.read()) {
        then(true);
        return;
    }
    m_askingAboutWork = true;
    const UnsavedWorkPrompt::Choice choice = UnsavedWorkPrompt::ask(window(), m_viewModel->unsavedWorkName());
    m_askingAboutWork = false;
    switch (choice) {
    case UnsavedWorkPrompt::Choice::save:
        // After Clear Image the work to save is the document cleared away: undoing the
        // clear brings it back to be saved.
        if (!m_viewModel->selectedImage())
            m_viewModel->undo();
        EditorCommands::finishTextEditing(*m_viewModel);
        m_output->controller()->saveThen(std::move(then));
        return;
    case UnsavedWorkPrompt::Choice::discard:
        then(true);
        return;
    case UnsavedWorkPrompt::Choice::cancel:
        then(false);
        return;
    }
}

QString ContentView::windowTitleText() const
{
    if (!m_viewModel->selectedImage())
        return QStringLiteral("Lumetra");
    return QStringLiteral("Lumetra - ") + m_viewModel->displayName();
}

void ContentView::updateWindowTitle()
{
    // The editor's own window, never whichever window happens to be in front.
    m_shownTitle = windowTitleText();
    window()->setWindowTitle(m_shownTitle);
}

void ContentView::scheduleWindowTitleUpdate()
{
    QTimer::singleShot(0, this, &ContentView::updateWindowTitle);
}

// ---- appearing ----------------------------------------------------------------------------------

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    installEventMonitors();
    openPendingImageURL();
}

void ContentView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    removeEventMonitors();
}

void ContentView::installEventMonitors()
{
    scheduleWindowTitleUpdate();
    m_keyboardMonitor->start(window());
    QPointer<EditorCanvasView> canvas = m_canvas;
    m_wheelMonitor->onZoom = [canvas](double delta, QPoint global) {
        if (canvas)
            canvas->zoomAtPoint(delta, QPointF(canvas->mapFromGlobal(global)));
    };
    m_wheelMonitor->onPan = [canvas](double dx, double dy) {
        if (canvas)
            canvas->panByScroll(dx, dy);
    };
    // The text-recognition card scrolls its own text.
    QPointer<EditorOutputHost> output = m_output;
    m_wheelMonitor->passesThroughAt = [output](QPoint global) { return output && output->ocrPanelContains(global); };
    m_wheelMonitor->start(window());
    m_currentFitAreaSize = m_canvas->fitArea();
    m_observers->attach();
    m_output->attach();
    m_contextMenu->start();
}

void ContentView::removeEventMonitors()
{
    m_keyboardMonitor->stop();
    m_wheelMonitor->stop();
    m_observers->detach();
    m_output->detach();
    m_contextMenu->stop();
}

void ContentView::openPendingImageURL()
{
    ImageLoadManager& manager = ImageLoadManager::shared();
    const std::optional<QUrl> url = manager.pendingImageURL();
    if (!url)
        return;
    manager.setPendingImageURL(std::nullopt);
    // A file that is missing or cannot be read is the loader's to report.
    if (url->isLocalFile())
        m_viewModel->loadImage(*url);
}

void ContentView::pendingImageURLChanged()
{
    const std::optional<QUrl> url = ImageLoadManager::shared().pendingImageURL();
    if (!url || !url->isLocalFile())
        return;
    // The file stays handed over until it is taken: should the answer to a question up
    // now close this window, the next editor window opens it.
    QPointer<ContentView> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self)
            return;
        self->whenNoDialogIsOpen([self] {
            ImageLoadManager& manager = ImageLoadManager::shared();
            const std::optional<QUrl> pending = manager.pendingImageURL();
            if (!self || !pending || !pending->isLocalFile())
                return;
            // A window the answer just closed leaves the file to the next window.
            if (!self->window()->isVisible())
                return;
            manager.setPendingImageURL(std::nullopt);
            self->m_viewModel->loadImage(*pending);
            QWidget* editorWindow = self->window();
            if (editorWindow->isVisible())
                WindowFront::raiseAndActivate(editorWindow);
        });
    });
}

bool ContentView::isDialogOpen() const
{
    // The alert of a failed open is not waited for: a newer one takes its place.
    QWidget* modal = QApplication::activeModalWidget();
    return m_askingAboutWork || (modal && modal != m_alert);
}

void ContentView::whenNoDialogIsOpen(std::function<void()> action)
{
    if (m_waitingForDialogs.empty() && !isDialogOpen()) {
        action();
        return;
    }
    m_waitingForDialogs.push_back(std::move(action));
    if (!m_dialogWatch) {
        // Dialogs run their own event loops and close in many ways; looking now and then
        // is the one way that sees them all.
        m_dialogWatch = new QTimer(this);
        m_dialogWatch->setInterval(dialogWatchIntervalMs);
        connect(m_dialogWatch, &QTimer::timeout, this, [this] {
            if (isDialogOpen())
                return;
            // One at a time, in order: each may open a dialog of its own.
            std::function<void()> next = std::move(m_waitingForDialogs.front());
            m_waitingForDialogs.pop_front();
            if (m_waitingForDialogs.empty())
                m_dialogWatch->stop();
            next();
        });
    }
    if (!m_dialogWatch->isActive())
        m_dialogWatch->start();
}

// ---- right clicks -----------------------------------------------------------------------------

void ContentView::contextMenuEvent(QContextMenuEvent* event)
{
    // Right clicks anywhere in the editor's content that no child took for itself.
    if (m_contextMenu->present(event->globalPos()))
        event->accept();
    else
        event->ignore();
}

// ---- drops --------------------------------------------------------------------------------------

bool ContentView::handleDrop(const QMimeData& mime)
{
    const DropDecision decision = DropHandling::decide(mime);
    switch (decision.kind) {
    case DropDecision::Kind::refused:
        return false;
    case DropDecision::Kind::file:
        m_viewModel->loadImage(decision.fileURL);
        return true;
    case DropDecision::Kind::imageData:
        if (!decision.image.isNull()) {
            m_viewModel->replaceDocument(Image(decision.image),
                                         ImageDocument::urlForGeneratedName(ImageDocument::generatedImageName()));
            return true;
        }
        loadDroppedImageData(decision.imageBytes);
        return true;
    }
    return false;
}

void ContentView::loadDroppedImageData(const QByteArray& bytes)
{
    // Decoding a large image takes a while; a file opened meanwhile stays.
    m_viewModel->loadImageData(bytes);
}

void ContentView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && DropHandling::decide(*event->mimeData()).isTaken())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ContentView::dragMoveEvent(QDragMoveEvent* event)
{
    // Drops land on the canvas area only, not on the information bar.
    if (event->position().y() < height() - informationBarHeight && event->mimeData() &&
        DropHandling::decide(*event->mimeData()).isTaken())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ContentView::dropEvent(QDropEvent* event)
{
    if (event->mimeData() && handleDrop(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}
