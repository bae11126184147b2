#include "Views/EditorOutputHost.h"

#include "Core/Notifications.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "Platform/FileReveal.h"
#include "Views/CommandRouter.h"
#include "Views/ExportAnnotationPainter.h"

#include <QEasingCurve>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QWidget>

#include <memory>

EditorOutputHost::EditorOutputHost(ImageEditorViewModel* viewModel, QWidget* canvasArea, QObject* parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_canvasArea(canvasArea)
    , m_controller(new ImageOutputController(*viewModel, this))
{
    m_controller->setAnnotationPainterFactory(ExportAnnotationPainter::factory());
    if (canvasArea) {
        m_controller->setDialogParent(canvasArea->window());
        canvasArea->installEventFilter(this);
    }
    connect(m_viewModel, &ImageEditorViewModel::outputChanged, this, &EditorOutputHost::syncToasts);
    syncToasts();
}

EditorOutputHost::~EditorOutputHost()
{
    detach();
    // The toasts belong to the canvas area's parent; take them along.
    delete m_saveToast.data();
    delete m_copyToast.data();
}

void EditorOutputHost::attach()
{
    if (m_canvasArea)
        m_controller->setDialogParent(m_canvasArea->window());
    if (m_attached)
        return;
    m_attached = true;
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
}

void EditorOutputHost::detach()
{
    if (!m_attached)
        return;
    m_attached = false;
    NotificationCenter::defaultCenter().removeObservers(this);
}

// ---- toasts -------------------------------------------------------------------------------------

void EditorOutputHost::syncToasts()
{
    QWidget* host = m_canvasArea ? (m_canvasArea->parentWidget() ? m_canvasArea->parentWidget() : m_canvasArea.data())
                                 : nullptr;
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

void EditorOutputHost::showToast(OutputToast* toast)
{
    if (m_scheduler)
        toast->setScheduler(m_scheduler);
    // A toast that changes size (a new language) stays centred.
    toast->installEventFilter(this);
    toast->adjustSize();
    toast->setGeometry(toastGeometry(toast->size()));
    auto* fade = new QGraphicsOpacityEffect(toast);
    fade->setOpacity(0.0);
    toast->setGraphicsEffect(fade);
    toast->raise();
    toast->show();
    auto* animation = new QPropertyAnimation(fade, "opacity", toast);
    animation->setDuration(toastFadeMilliseconds);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void EditorOutputHost::removeToast(OutputToast* toast)
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
    animation->setDuration(toastFadeMilliseconds);
    animation->setStartValue(fade->opacity());
    animation->setEndValue(0.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QPointer<OutputToast> guard(toast);
    connect(animation, &QPropertyAnimation::finished, toast, [guard] {
        if (!guard)
            return;
        guard->hide();
        guard->deleteLater();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
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
    return QObject::eventFilter(watched, event);
}
