#include "Views/EditorOutputHost.h"

#include "Core/Notifications.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "Output/TextRecognitionController.h"
#include "Platform/FileReveal.h"
#include "Views/CommandRouter.h"
#include "Views/ExportAnnotationPainter.h"
#include "Views/OCRResultPanel.h"

#include <QEasingCurve>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QWidget>

#include <memory>

EditorOutputHost::EditorOutputHost(ImageEditorViewModel* viewModel, QWidget* canvasArea, QObject* parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_canvasArea(canvasArea)
    , m_controller(new ImageOutputController(*viewModel, this))
    , m_textRecognition(new TextRecognitionController(*viewModel, {}, this))
{
    m_controller->setAnnotationPainterFactory(ExportAnnotationPainter::factory());
    if (canvasArea) {
        m_controller->setDialogParent(canvasArea->window());
        canvasArea->installEventFilter(this);
    }
    connect(m_viewModel, &ImageEditorViewModel::outputChanged, this, &EditorOutputHost::syncToasts);
    connect(m_viewModel, &ImageEditorViewModel::outputChanged, this, &EditorOutputHost::syncOcrPanel);
    // An export or copy that takes longer than a moment shows the busy pointer.
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(busyCursorDelayMs);
    connect(&m_busyDelay, &QTimer::timeout, this, &EditorOutputHost::syncBusyCursor);
    connect(m_viewModel, &ImageEditorViewModel::outputChanged, this, [this] {
        if (m_viewModel->isExporting() && !m_busyDelay.isActive() && !m_showsBusyCursor)
            m_busyDelay.start();
        syncBusyCursor();
    });
    syncToasts();
    syncOcrPanel();
}

void EditorOutputHost::syncBusyCursor()
{
    const bool busy = m_viewModel->isExporting() && !m_busyDelay.isActive();
    if (!m_viewModel->isExporting())
        m_busyDelay.stop();
    if (busy == m_showsBusyCursor)
        return;
    m_showsBusyCursor = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

EditorOutputHost::~EditorOutputHost()
{
    if (m_showsBusyCursor)
        QGuiApplication::restoreOverrideCursor();
    detach();
    // The toasts belong to the canvas area's parent; take them along.
    delete m_saveToast.data();
    delete m_copyToast.data();
    delete m_ocrPanel.data();
}

void EditorOutputHost::attach()
{
    if (m_canvasArea)
        m_controller->setDialogParent(m_canvasArea->window());
    if (m_attached)
        return;
    m_attached = true;
    m_textRecognition->setEditorOpen(true);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ImageOutputController* controller = m_controller;
    ImageEditorViewModel* vm = m_viewModel;
    // What is written or copied is what the user sees: a text still being typed goes in first.
    center.addObserver(Notifications::saveImage, this, [controller, vm](const auto&) {
        EditorCommands::finishTextEditing(*vm);
        controller->save();
    });
    // Save-as does nothing during an export or without an image; the controller checks both.
    center.addObserver(Notifications::saveAsImage, this, [controller, vm](const auto&) {
        EditorCommands::finishTextEditing(*vm);
        controller->saveAs();
    });
    center.addObserver(Notifications::copyImage, this, [controller, vm](const auto&) {
        EditorCommands::finishTextEditing(*vm);
        controller->copyImageToClipboard();
    });
    center.addObserver(Notifications::pinImage, this, [controller, vm](const auto&) {
        EditorCommands::finishTextEditing(*vm);
        controller->pinToScreen();
    });
    TextRecognitionController* recognition = m_textRecognition;
    center.addObserver(Notifications::ocrToggle, this,
                       [recognition](const auto&) { recognition->toggleTextRecognition(); });
}

void EditorOutputHost::detach()
{
    if (!m_attached)
        return;
    m_attached = false;
    m_textRecognition->setEditorOpen(false);
    NotificationCenter::defaultCenter().removeObservers(this);
}

// ---- toasts -------------------------------------------------------------------------------------

QWidget* EditorOutputHost::overlayHost() const
{
    return m_canvasArea ? (m_canvasArea->parentWidget() ? m_canvasArea->parentWidget() : m_canvasArea.data())
                        : nullptr;
}

void EditorOutputHost::syncToasts()
{
    QWidget* host = overlayHost();
    if (!host)
        return;

    const std::optional<QUrl>& saved = m_viewModel->saveToastURL();
    if (m_saveToast && (!saved || m_saveToast->url() != *saved)) {
        removeToast(m_saveToast);
        m_saveToast = nullptr;
    }
    if (saved && !m_saveToast) {
        // A toast only clears the state it stands for: one on its way out must not
        // take away the toast of a newer save.
        auto self = std::make_shared<QPointer<SaveToast>>();
        const QString path = saved->toLocalFile();
        QPointer<EditorOutputHost> owner(this);
        auto* toast = new SaveToast(
            *saved,
            [owner, path] {
                if (owner && owner->m_revealer)
                    owner->m_revealer(path);
                else if (owner)
                    FileReveal::showInFolder(path);
            },
            [owner] {
                if (!owner)
                    return;
                EditorCommands::finishTextEditing(*owner->m_viewModel);
                owner->m_controller->copyImageToClipboard();
                owner->m_viewModel->setSaveToastURL(std::nullopt);
            },
            [owner, self] {
                if (owner && *self && owner->m_saveToast == *self)
                    owner->m_viewModel->setSaveToastURL(std::nullopt);
            },
            host);
        *self = toast;
        m_saveToast = toast;
        showToast(toast);
    }

    const bool copied = m_viewModel->copyToastVisible();
    if (m_copyToast && !copied) {
        removeToast(m_copyToast);
        m_copyToast = nullptr;
    }
    if (copied && !m_copyToast) {
        auto self = std::make_shared<QPointer<CopyToast>>();
        QPointer<EditorOutputHost> owner(this);
        auto* toast = new CopyToast(
            [owner, self] {
                if (owner && *self && owner->m_copyToast == *self)
                    owner->m_viewModel->setCopyToastVisible(false);
            },
            host);
        *self = toast;
        m_copyToast = toast;
        showToast(toast);
    }
    // Sharing one place, the copied toast stands in front of the saved one.
    if (m_copyToast)
        m_copyToast->raise();
}

namespace {

void fadeIn(QWidget* toast)
{
    auto* fade = new QGraphicsOpacityEffect(toast);
    fade->setOpacity(0.0);
    toast->setGraphicsEffect(fade);
    toast->raise();
    toast->show();
    auto* animation = new QPropertyAnimation(fade, "opacity", toast);
    animation->setDuration(EditorOutputHost::toastFadeMilliseconds);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void fadeOutAndDelete(QWidget* toast)
{
    if (!toast)
        return;
    toast->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(toast->graphicsEffect());
    if (!fade || !toast->isVisible()) {
        toast->hide();
        toast->deleteLater();
        return;
    }
    auto* animation = new QPropertyAnimation(fade, "opacity", toast);
    animation->setDuration(EditorOutputHost::toastFadeMilliseconds);
    animation->setStartValue(fade->opacity());
    animation->setEndValue(0.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QPointer<QWidget> guard(toast);
    QObject::connect(animation, &QPropertyAnimation::finished, toast, [guard] {
        if (!guard)
            return;
        guard->hide();
        guard->deleteLater();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

void EditorOutputHost::showToast(OutputToast* toast)
{
    if (m_scheduler)
        toast->setScheduler(m_scheduler);
    // A toast that changes size (a new language) stays centred.
    toast->installEventFilter(this);
    toast->adjustSize();
    toast->setGeometry(toastGeometry(toast->size()));
    fadeIn(toast);
}

void EditorOutputHost::removeToast(OutputToast* toast) { fadeOutAndDelete(toast); }

// ---- the text-recognition card --------------------------------------------------------------------

void EditorOutputHost::syncOcrPanel()
{
    QWidget* host = overlayHost();
    if (!host)
        return;
    const bool wanted = m_viewModel->ocrPanelState().has_value();
    if (!wanted && m_ocrPanel) {
        OCRResultPanel* leaving = m_ocrPanel;
        m_ocrPanel = nullptr;
        // Gone at once for keys and wheels; its picture fades.
        leaving->removeEventFilter(this);
        leaving->setAttribute(Qt::WA_TransparentForMouseEvents, true);
        fadeOutAndDelete(leaving);
        return;
    }
    if (!wanted || m_ocrPanel)
        return;
    // Created fresh each time it shows: no copied feedback left over from before.
    auto* panel = new OCRResultPanel(m_viewModel, host);
    m_ocrPanel = panel;
    panel->installEventFilter(this);
    layoutOcrPanel();
    panel->raise();
    panel->show();
    fadeIn(panel);
}

QRect EditorOutputHost::ocrPanelGeometry(QSize size) const
{
    const QRect area = !m_canvasArea ? QRect()
                       : m_canvasArea->parentWidget() ? m_canvasArea->geometry()
                                                      : m_canvasArea->rect();
    const int x = area.x() + area.width() - 16 - OCRResultPanel::cardWidth - OCRResultPanel::shadowSide;
    const int y = area.y() + 16 - OCRResultPanel::shadowTop;
    return QRect(QPoint(x, y), size);
}

void EditorOutputHost::layoutOcrPanel()
{
    if (!m_ocrPanel || !m_canvasArea)
        return;
    m_ocrPanel->setAreaHeight(m_canvasArea->height());
    m_ocrPanel->setGeometry(ocrPanelGeometry(m_ocrPanel->sizeHint()));
}

OCRResultPanel* EditorOutputHost::ocrPanel() const { return m_ocrPanel.data(); }

bool EditorOutputHost::ocrPanelContains(const QPoint& globalPosition) const
{
    if (!m_ocrPanel || !m_ocrPanel->isVisible())
        return false;
    const QRect card = m_ocrPanel->cardRect();
    return card.contains(m_ocrPanel->mapFromGlobal(globalPosition));
}

QRect EditorOutputHost::toastGeometry(QSize size) const
{
    if (!m_canvasArea)
        return QRect(QPoint(0, 0), size);
    // In the coordinates of the toasts' parent: the canvas area's own geometry there.
    const QRect area = m_canvasArea->parentWidget() ? m_canvasArea->geometry() : m_canvasArea->rect();
    const int x = area.x() + (area.width() - size.width()) / 2;
    const int y = area.y() + area.height() - toastBottomInset - size.height();
    return QRect(QPoint(x, y), size);
}

void EditorOutputHost::layoutToasts()
{
    for (OutputToast* toast : {static_cast<OutputToast*>(m_saveToast.data()), static_cast<OutputToast*>(m_copyToast.data())})
        if (toast)
            toast->setGeometry(toastGeometry(toast->size()));
}

bool EditorOutputHost::eventFilter(QObject* watched, QEvent* event)
{
    // Only a resize or a move makes the toasts' pointers worth reading: a toast being
    // destroyed still sends events here, and a QPointer to it must not be read then.
    const QEvent::Type type = event->type();
    if (type != QEvent::Resize && type != QEvent::Move)
        return QObject::eventFilter(watched, event);
    if (watched == m_canvasArea || (type == QEvent::Resize && (watched == m_saveToast || watched == m_copyToast)))
        layoutToasts();
    if (m_ocrPanel && (watched == m_canvasArea || watched == m_ocrPanel)
        && (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::LayoutRequest)) {
        // Its size follows its content; its place, the canvas area's top right corner.
        if (watched == m_canvasArea)
            layoutOcrPanel();
        else if (m_ocrPanel->geometry() != ocrPanelGeometry(m_ocrPanel->size()))
            m_ocrPanel->move(ocrPanelGeometry(m_ocrPanel->size()).topLeft());
    }
    return QObject::eventFilter(watched, event);
}
