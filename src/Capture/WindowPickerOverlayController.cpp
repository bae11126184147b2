#include "Capture/WindowPickerOverlayController.h"

#include "Base/Logger.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureLog.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/OverlayPickerView.h"
#include "Capture/WindowCapture.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/WindowImageSource.h"
#include "Platform/X11WindowList.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

WindowPickerOverlayController& WindowPickerOverlayController::shared()
{
    static WindowPickerOverlayController* controller = new WindowPickerOverlayController;
    return *controller;
}

WindowPickerOverlayController::WindowPickerOverlayController(QObject* parent)
    : QObject(parent)
{
}

WindowPickerOverlayController::~WindowPickerOverlayController()
{
    for (const auto& view : m_overlayWindows)
        delete view.data();
}

QList<OverlayPickerView*> WindowPickerOverlayController::overlayViews() const
{
    QList<OverlayPickerView*> views;
    for (const auto& view : m_overlayWindows)
        if (view)
            views.append(view);
    return views;
}

void WindowPickerOverlayController::begin()
{
    if (m_isSessionActive)
        return;
    m_isSessionActive = true;

    m_selfHiddenWindows = OwnWindows::hideVisible();
    if (m_selfHiddenWindows.isEmpty()) {
        enumerateAndPresent();
        return;
    }
    const qsizetype hidden = m_selfHiddenWindows.size();
    logMessage(LogLevel::info, [hidden] { return QStringLiteral("🪟 避让：orderOut 自身窗口 %1 个").arg(hidden); });
    // The programs beneath get a moment to repaint what the hidden windows uncovered
    // before the displays are frozen behind the overlays.
    OwnWindows::syncWithServer();
    QPointer<WindowPickerOverlayController> self(this);
    QTimer::singleShot(m_settleMs, this, [self] {
        if (self)
            self->enumerateAndPresent();
    });
}

void WindowPickerOverlayController::enumerateAndPresent()
{
    OwnWindows::syncWithServer();
    const QList<WindowRecord> candidates = m_candidates ? m_candidates() : enumerateCandidateWindows();
    if (candidates.isEmpty()) {
        logMessage(LogLevel::info, [] { return QStringLiteral("🪟 无可捕获窗口，不进 overlay"); });
        endSession(true);
        showNoWindowsAlert();
        return;
    }
    presentOverlays(candidates);
}

void WindowPickerOverlayController::presentOverlays(const QList<WindowRecord>& candidates)
{
    // Without a compositor an overlay cannot be see-through: each one shows its display
    // as frozen now. Where freezing fails the overlays stay transparent.
    QList<FrozenScreenRecord> records;
    if (const auto frozen = freezeAllDisplays(DisplayCaptureSource::current())) {
        records = *frozen;
    } else {
        logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ 选窗 overlay 冻结快照失败，改用透明 overlay"); });
        for (QScreen* screen : QGuiApplication::screens())
            records.append(FrozenScreenRecord{screen, 0, QRectF(screen->geometry()), screen->devicePixelRatio(), {}});
    }

    QPointer<WindowPickerOverlayController> self(this);
    QList<OverlayPickerView*> views;
    for (const FrozenScreenRecord& record : records) {
        auto* view = new OverlayPickerView(record, candidates);
        view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
                             | Qt::WindowStaysOnTopHint);
        view->setProperty(OwnWindows::captureChromeProperty, true);
        view->setWindowTitle(QStringLiteral("Lumetra Window Picker"));
        if (record.screen)
            view->setScreen(record.screen);
        view->setGeometry(record.frame.toAlignedRect());
        view->onPick = [self](const WindowRecord& window) {
            if (self)
                self->handlePick(window);
        };
        view->onCancel = [self] {
            if (self)
                self->endSession(true);
        };
        // The window under the pointer starts drawing itself off screen now, so the
        // click finds it ready.
        view->onHover = [](const WindowRecord& window) { WindowImageSource::current().prepare(window.windowId); };
        view->keyMonitor = [self](QKeyEvent* event) { return self && self->handleKeyDown(event); };
        m_overlayWindows.append(view);
        views.append(view);
    }
    for (OverlayPickerView* view : views) {
        view->show();
        view->raise();
        view->activateWindow();
        view->setFocus(Qt::OtherFocusReason);
    }
    // The overlays bypass the window manager and never get the focus by themselves: the
    // last display's overlay holds the keyboard for the session.
    if (!views.isEmpty())
        views.last()->grabKeyboard();
    const qsizetype count = views.size();
    logMessage(LogLevel::info, [count] { return QStringLiteral("🪟 选窗 overlay 已铺 %1 屏").arg(count); });
}

bool WindowPickerOverlayController::handleKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return false;
    logMessage(LogLevel::info, [] { return QStringLiteral("🪟 Esc（monitor 兜底）取消选窗"); });
    endSession(true);
    return true;
}

void WindowPickerOverlayController::endSession(bool restore)
{
    const auto overlays = m_overlayWindows;
    m_overlayWindows.clear();
    for (const auto& view : overlays) {
        if (!view)
            continue;
        view->releaseKeyboard();
        view->onPick = nullptr;
        view->onCancel = nullptr;
        view->onHover = nullptr;
        view->keyMonitor = nullptr;
        view->hide();
        // Deleted later: the session may end inside one of the view's own handlers.
        view->deleteLater();
    }
    if (!restore)
        return;
    WindowImageSource::current().release();
    restoreHiddenWindows();
    m_isSessionActive = false;
}

void WindowPickerOverlayController::restoreHiddenWindows()
{
    if (m_selfHiddenWindows.isEmpty())
        return;
    const OwnWindows::WindowList windows = m_selfHiddenWindows;
    m_selfHiddenWindows.clear();
    const int shown = OwnWindows::showAgain(windows);
    logMessage(LogLevel::info, [shown] { return QStringLiteral("🪟 避让：恢复自身窗口 %1 个（取消路径）").arg(shown); });
}

void WindowPickerOverlayController::handlePick(const WindowRecord& window)
{
    const QString title = window.title && !window.title->isEmpty() ? *window.title : window.ownerName.value_or(QString());
    logMessage(LogLevel::info, [&] {
        return QStringLiteral("🪟 选定窗口: %1 (%2)").arg(title, window.ownerName.value_or(QString()));
    });
    endSession(false);
    // The window is read through the Composite extension, which the overlays do not
    // cover: no need to wait for them to vanish. The next turn of the event loop lets
    // the view's own press handling finish first.
    QPointer<WindowPickerOverlayController> self(this);
    QTimer::singleShot(0, this, [self, window] {
        if (self)
            WindowCapture::run(window, self.data());
    });
}

void WindowPickerOverlayController::restoreHiddenWindowsAfterCapture()
{
    m_isSessionActive = false;
    if (m_selfHiddenWindows.isEmpty())
        return;
    const OwnWindows::WindowList hidden = m_selfHiddenWindows;
    m_selfHiddenWindows.clear();
    if (Settings::captureOpensEditor.read()) {
        const int shown = OwnWindows::showAgain(OwnWindows::hiddenWindowsExcluding(hidden, mainWindow()));
        captureDiagnostic(QStringLiteral("🪟 选窗完成路径：恢复非主避让窗 %1 个（交付链唤主窗）").arg(shown));
    } else {
        const int shown = OwnWindows::showAgain(hidden);
        captureDiagnostic(QStringLiteral("🪟 选窗静默完成：全量恢复避让窗 %1 个").arg(shown));
    }
}

void WindowPickerOverlayController::showNoWindowsAlert()
{
    CaptureAlerts::current().showInformation(localized(QStringLiteral("windowPicker.empty")));
}
