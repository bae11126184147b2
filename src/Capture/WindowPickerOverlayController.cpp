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

#include <QKeyEvent>
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

WindowPickerOverlayController::~WindowPickerOverlayController() = default;

QList<OverlayPickerView*> WindowPickerOverlayController::overlayViews() const
{
    return m_overlays.views();
}

void WindowPickerOverlayController::begin()
{
    if (m_isSessionActive)
        return;
    m_isSessionActive = true;

    m_selfHiddenWindows = OwnWindows::hideVisible();
    if (const qsizetype hidden = m_selfHiddenWindows.size())
        logMessage(LogLevel::info, [hidden] { return QStringLiteral("🪟 避让：orderOut 自身窗口 %1 个").arg(hidden); });
    // The programs beneath get a moment to repaint what the hidden windows uncovered
    // before the displays are frozen behind the overlays.
    OwnWindows::afterRepaint(m_selfHiddenWindows, this, m_settleMs, [this] { enumerateAndPresent(); });
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
    const std::optional<QList<FrozenScreenRecord>> frozen = freezeAllDisplays(DisplayCaptureSource::current());
    if (!frozen)
        logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ 选窗 overlay 冻结快照失败，改用透明 overlay"); });

    QPointer<WindowPickerOverlayController> self(this);
    const auto make = [self, &candidates](const FrozenScreenRecord& record) {
        auto* view = new OverlayPickerView(record, candidates);
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
        return view;
    };
    const QList<OverlayPickerView*> views
        = m_overlays.present(frozen ? *frozen : seeThroughScreenRecords(), QStringLiteral("Lumetra Window Picker"), make);
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
    m_overlays.takeDown([](OverlayPickerView* view) {
        view->onPick = nullptr;
        view->onHover = nullptr;
    });
    if (!restore)
        return;
    WindowImageSource::current().release();
    restoreHiddenWindows();
    m_isSessionActive = false;
}

void WindowPickerOverlayController::restoreHiddenWindows()
{
    if (const std::optional<int> shown = OwnWindows::restore(m_selfHiddenWindows))
        logMessage(LogLevel::info,
                   [shown] { return QStringLiteral("🪟 避让：恢复自身窗口 %1 个（取消路径）").arg(*shown); });
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
    const bool toEditor = Settings::captureOpensEditor.read();
    const std::optional<int> shown = OwnWindows::restore(m_selfHiddenWindows, toEditor ? mainWindow() : nullptr);
    if (shown && toEditor)
        captureDiagnostic(QStringLiteral("🪟 选窗完成路径：恢复非主避让窗 %1 个（交付链唤主窗）").arg(*shown));
    else if (shown)
        captureDiagnostic(QStringLiteral("🪟 选窗静默完成：全量恢复避让窗 %1 个").arg(*shown));
}

void WindowPickerOverlayController::showNoWindowsAlert()
{
    CaptureAlerts::current().showInformation(localized(QStringLiteral("windowPicker.empty")));
}
