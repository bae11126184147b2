#include "Views/EditorKeyMonitor.h"

#include "Core/Notifications.h"
#include "Core/ShortcutAction.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageEditorViewModel.h"
#include "Platform/KeyboardMapping.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWheelEvent>

namespace {

void post(NotificationName name, const NotificationCenter::Payload& payload = std::nullopt)
{
    NotificationCenter::defaultCenter().post(name, payload);
}

bool isTextView(const QWidget* widget)
{
    return qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

bool isToolAction(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::toolLine:
    case ShortcutAction::toolArrow:
    case ShortcutAction::toolRectangle:
    case ShortcutAction::toolText:
    case ShortcutAction::toolFreehand:
    case ShortcutAction::toolHighlighter:
    case ShortcutAction::toolNumber:
    case ShortcutAction::toolMosaic:
    case ShortcutAction::toolSpotlight:
        return true;
    default:
        return false;
    }
}

std::optional<NotificationName> commandOfAction(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::pasteImage:
        return Notifications::pasteImage;
    case ShortcutAction::resizePanel:
        return Notifications::resizePanel;
    case ShortcutAction::ocrText:
        return Notifications::ocrToggle;
    case ShortcutAction::pinImage:
        return Notifications::pinImage;
    case ShortcutAction::backdropToggle:
        return Notifications::backdropToggle;
    default:
        return std::nullopt;
    }
}

bool modalWindowShown() { return QApplication::activeModalWidget() != nullptr; }

} // namespace

// ---- KeyboardEventMonitor ---------------------------------------------------------------------

KeyboardEventMonitor::KeyboardEventMonitor(QObject* parent) : QObject(parent) {}

KeyboardEventMonitor::~KeyboardEventMonitor() { stop(); }

void KeyboardEventMonitor::start(QWidget* editorWindow)
{
    m_window = editorWindow;
    if (m_running)
        return;
    qApp->installEventFilter(this);
    m_running = true;
}

void KeyboardEventMonitor::stop()
{
    if (!m_running)
        return;
    if (qApp)
        qApp->removeEventFilter(this);
    m_running = false;
    m_swallowKey.reset();
}

KeyboardEventMonitor::Outcome KeyboardEventMonitor::handleKey(QWidget* receiver, std::optional<quint16> keyCode,
                                                              quint64 modifierFlags)
{
    // Typing in a text field, the in-place text editor included, is never intercepted.
    if (receiver && isTextView(receiver))
        return Outcome::passThrough;
    if (!m_window || !receiver || receiver->window() != m_window)
        return Outcome::passThrough;
    if (!keyCode)
        return Outcome::passThrough;

    const quint64 modifiers = modifierFlags & KeyboardMapping::modifierMask;
    const std::optional<ShortcutAction> action =
        ShortcutStore::shared().matchingAction(ShortcutScope::inApp, *keyCode, modifiers);

    // These work even over a modal window and in crop mode.
    if (action) {
        if (const std::optional<NotificationName> command = commandOfAction(*action)) {
            post(*command);
            return Outcome::consumed;
        }
    }
    if (action && isToolAction(*action) && !modalWindowShown() && !ImageEditorViewModel::globalIsEditingCropSize()) {
        post(Notifications::toolShortcut, ShortcutActions::rawValue(*action));
        return Outcome::consumed;
    }
    if (modifiers == KeyboardMapping::commandFlag) {
        if (*keyCode == deleteKey && !modalWindowShown()) {
            post(Notifications::clearImage);
            return Outcome::consumed;
        }
        return Outcome::passThrough;
    }
    if (modifiers != 0)
        return Outcome::passThrough;

    if (*keyCode == deleteKey || *keyCode == forwardDeleteKey) {
        if (modalWindowShown())
            return Outcome::passThrough;
        post(Notifications::deleteAnnotation);
        return Outcome::consumed;
    }
    if (modalWindowShown())
        return Outcome::passThrough;
    if (*keyCode == returnKey || *keyCode == keypadEnterKey) {
        if (ImageEditorViewModel::globalIsCropping() && !ImageEditorViewModel::globalIsEditingCropSize()) {
            post(Notifications::cropConfirm);
            return Outcome::consumed;
        }
        return Outcome::passThrough;
    }
    if (*keyCode == escapeKey) {
        // Escape goes on to the focused widget as well (it ends text editing and tools there).
        post(Notifications::cropCancel);
        return Outcome::passThrough;
    }
    return Outcome::passThrough;
}

bool KeyboardEventMonitor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return false;
    // A key reaches the window object, then the focused widget, then that widget's
    // parents while nobody accepts it; decide once, at the focused widget (the window
    // itself when nothing has focus).
    auto* receiver = qobject_cast<QWidget*>(watched);
    if (!receiver)
        return false;
    QWidget* focus = QApplication::focusWidget();
    if (focus ? receiver != focus : !receiver->isWindow())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress) {
        if (m_swallowKey && *m_swallowKey == key->key()) {
            m_swallowKey.reset();
            return true;
        }
        return false;
    }
    m_swallowKey.reset();
    const Outcome outcome = handleKey(receiver, KeyboardMapping::shared().keyCodeOfEvent(*key),
                                      KeyboardMapping::modifierFlags(key->modifiers()));
    if (outcome == Outcome::passThrough)
        return false;
    key->accept();
    m_swallowKey = key->key();
    return true;
}

// ---- WheelZoomMonitor -------------------------------------------------------------------------

WheelZoomMonitor::WheelZoomMonitor(QObject* parent) : QObject(parent) {}

WheelZoomMonitor::~WheelZoomMonitor() { stop(); }

void WheelZoomMonitor::start(QWidget* editorWindow)
{
    m_window = editorWindow;
    if (m_running)
        return;
    qApp->installEventFilter(this);
    m_running = true;
}

void WheelZoomMonitor::stop()
{
    if (!m_running)
        return;
    if (qApp)
        qApp->removeEventFilter(this);
    m_running = false;
}

WheelZoomMonitor::Outcome WheelZoomMonitor::handleWheel(QWidget* receiver, const QWheelEvent& event)
{
    if (!m_window || !receiver || receiver->window() != m_window)
        return Outcome::passThrough;
    const QPoint global = event.globalPosition().toPoint();
    if (passesThroughAt && passesThroughAt(global))
        return Outcome::passThrough;

    // Touchpads report points; wheels report notches of 120 units.
    const QPointF delta = !event.pixelDelta().isNull()
                              ? QPointF(event.pixelDelta())
                              : QPointF(event.angleDelta()) / 120.0 * pointsPerNotch;
    if (event.modifiers() & Qt::ControlModifier) {
        if (delta.y() == 0.0)
            return Outcome::passThrough;
        if (onZoom)
            onZoom(delta.y(), global);
        return Outcome::consumed;
    }
    if (delta.x() == 0.0 && delta.y() == 0.0)
        return Outcome::passThrough;
    if (onPan)
        onPan(delta.x(), delta.y());
    return Outcome::consumed;
}

bool WheelZoomMonitor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto* receiver = qobject_cast<QWidget*>(watched);
    if (!receiver)
        return false;
    return handleWheel(receiver, *static_cast<QWheelEvent*>(event)) == Outcome::consumed;
}
