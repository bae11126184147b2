// The scrolling capture's session: start, overlays, selection, keys and every way out.
// Recording and finishing are in ScrollingCaptureRecording*.cpp.
#include "Capture/ScrollingCaptureController.h"

#include "Base/Logger.h"
#include "Capture/CaptureClock.h"
#include "Capture/CaptureLog.h"
#include "Capture/ScrollCaptureOverlayView.h"
#include "Capture/ScrollFrameSource.h"
#include "Core/Settings.h"
#include "Platform/ScrollEventPoster.h"

#include <QKeyEvent>

#include <cmath>

ScrollingCaptureController& ScrollingCaptureController::shared()
{
    static ScrollingCaptureController* controller = new ScrollingCaptureController(CaptureClock::system());
    return *controller;
}

ScrollingCaptureController::ScrollingCaptureController(CaptureClock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
{
}

ScrollingCaptureController::~ScrollingCaptureController()
{
    ++m_generation;
    if (m_input)
        m_input->release();
    delete m_driver.data();
    delete m_hintBar.data();
}

void ScrollingCaptureController::setDevicesForTesting(ScrollFrameSource* frames, ScrollEventPoster* poster,
                                                      CaptureInputGrab* input)
{
    m_testFrames = frames;
    m_testPoster = poster;
    m_testInput = input;
    m_devicesOpened = true;
    if (input)
        connectInput(input);
}

ScrollFrameSource& ScrollingCaptureController::frameSource() const
{
    return m_testFrames ? *m_testFrames : ScrollFrameSource::current();
}

ScrollEventPoster* ScrollingCaptureController::poster()
{
    if (!m_devicesOpened) {
        m_devicesOpened = true;
        m_poster = ScrollEventPoster::forApplication();
        m_input = CaptureInputGrab::forApplication();
        if (m_input)
            connectInput(m_input.get());
    }
    return m_testPoster ? m_testPoster : m_poster.get();
}

CaptureInputGrab* ScrollingCaptureController::inputGrab()
{
    poster();
    return m_testInput ? m_testInput : m_input.get();
}

void ScrollingCaptureController::connectInput(CaptureInputGrab* input)
{
    // Keys come from inside the display's event handling: act once it is done.
    connect(input, &CaptureInputGrab::keyPressed, this, &ScrollingCaptureController::handleGrabbedKey,
            Qt::QueuedConnection);
    input->swallowsClickAt = [self = QPointer<ScrollingCaptureController>(this)](const QPoint& point) {
        return self && self->swallowsClickAt(point);
    };
}

QList<ScrollCaptureOverlayView*> ScrollingCaptureController::overlayViews() const
{
    return m_overlays.views();
}

void ScrollingCaptureController::after(int ms, std::function<void()> step)
{
    QPointer<ScrollingCaptureController> self(this);
    const quint64 generation = m_generation;
    m_clock.scheduleAt(m_clock.now().addMSecs(ms), [self, generation, step = std::move(step)] {
        if (self && self->isCurrent(generation))
            step();
    });
}

void ScrollingCaptureController::start()
{
    if (isBusy())
        return;
    m_startPending = true;
    m_selfHiddenWindows = OwnWindows::hideVisible();
    if (const qsizetype count = m_selfHiddenWindows.size())
        logMessage(LogLevel::info, [count] { return QStringLiteral("📜 避让：orderOut 自身窗口 %1 个").arg(count); });
    // The programs beneath get a moment to repaint what the hidden windows uncovered
    // before the displays are frozen behind the overlays; with nothing hidden there is
    // nothing to repaint.
    OwnWindows::syncWithServer();
    after(m_selfHiddenWindows.isEmpty() ? 0 : startDelayMs, [this] { presentOverlays(); });
}

void ScrollingCaptureController::presentOverlays()
{
    OwnWindows::syncWithServer();
    DisplayCaptureSource& source = DisplayCaptureSource::current();
    if (!source.isAvailable()) {
        logMessage(LogLevel::warning, [] { return QStringLiteral("📜 无法读取屏幕列表，滚动截图取消"); });
        cancel();
        return;
    }
    m_displays.clear();
    for (const auto& display : source.displays())
        if (display)
            m_displays.append(*display);
    if (m_displays.isEmpty()) {
        logMessage(LogLevel::info, [] { return QStringLiteral("📜 无可用显示器，滚动截图取消"); });
        cancel();
        return;
    }
    // Each overlay shows its display as frozen now; where freezing fails they stay
    // see-through (opaque black without a compositor, but still usable).
    const std::optional<QList<FrozenScreenRecord>> frozen = freezeAllDisplays(source);
    if (!frozen)
        logMessage(LogLevel::warning, [] { return QStringLiteral("⚠️ 滚动截图 overlay 冻结快照失败，改用透明 overlay"); });
    const QList<ScrollCaptureOverlayView*> views
        = m_overlays.present(frozen ? *frozen : seeThroughScreenRecords(), QStringLiteral("Lumetra Scroll Selection"),
                             [this](const FrozenScreenRecord& record) { return makeOverlayWindow(record); });
    QStringList keyState;
    for (ScrollCaptureOverlayView* view : views)
        keyState << (view->isActiveWindow() ? QStringLiteral("Y") : QStringLiteral("N"));
    captureDiagnostic(QStringLiteral("📜 [cursor] 选区 overlay isKeyWindow=%1（%2 屏，borderless 预期不可 key）")
                          .arg(keyState.join(QLatin1Char(',')))
                          .arg(views.size()));
    m_startPending = false;
    m_phase = Phase::selecting;
    const qsizetype count = views.size();
    logMessage(LogLevel::info, [count] { return QStringLiteral("📜 进入选区阶段（%1 屏）").arg(count); });
}

ScrollCaptureOverlayView* ScrollingCaptureController::makeOverlayWindow(const FrozenScreenRecord& record)
{
    auto* view = new ScrollCaptureOverlayView(record);
    QPointer<ScrollingCaptureController> self(this);
    view->onSelectionDone = [self](const QRectF& selection) {
        if (self)
            self->handleSelection(selection);
    };
    view->onSelectionCancel = [self] {
        if (self)
            self->cancel();
    };
    view->onCancel = view->onSelectionCancel;
    view->onDone = [self] {
        if (self)
            self->after(0, [self] { self->finish(false); });
    };
    view->keyMonitor = [self](QKeyEvent* event) { return self && self->handleKeyDown(event); };
    return view;
}

bool ScrollingCaptureController::handleKeyDown(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        logMessage(LogLevel::info, [] { return QStringLiteral("📜 Esc（monitor 兜底）取消滚动截图"); });
        cancel();
        return true;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_phase == Phase::recording) {
        logMessage(LogLevel::info, [] { return QStringLiteral("📜 Return（monitor 兜底）完成滚动截图"); });
        after(0, [this] { finish(false); });
        return true;
    }
    return false;
}

void ScrollingCaptureController::handleSelection(const QRectF& selection)
{
    if (m_phase != Phase::selecting || m_selectionTaken)
        return;
    const QPointF centre = selection.center();
    const DisplayCaptureSource::Display* match = nullptr;
    for (const DisplayCaptureSource::Display& display : std::as_const(m_displays))
        if (display.frame.contains(centre)) {
            match = &display;
            break;
        }
    if (!match) {
        logMessage(LogLevel::warning, [] { return QStringLiteral("📜 选区中心未匹配到显示器，取消"); });
        cancel();
        return;
    }
    m_selectionTaken = true;
    m_selectedDisplay = *match;
    m_selectionGlobal = selection;
    m_sourceRectLocal = selection.translated(-match->frame.topLeft());
    m_captureScale = match->scale > 0 ? match->scale : 2.0;
    // Out of the overlay's mouse handling first: recording reshapes that very window.
    after(0, [this] { enterRecording(); });
}

QRect ScrollingCaptureController::toRootPixels(const QRectF& global) const
{
    if (!m_selectedDisplay)
        return {};
    const DisplayCaptureSource::Display& d = *m_selectedDisplay;
    const QRectF local = global.translated(-d.frame.topLeft());
    return QRectF(local.x() * d.scale, local.y() * d.scale, local.width() * d.scale, local.height() * d.scale)
        .toAlignedRect()
        .translated(d.pixelFrame.topLeft());
}

void ScrollingCaptureController::stopDriver()
{
    if (!m_driver)
        return;
    m_driver->stop();
    // Dropped later: the driver may be the one calling in.
    m_driver->deleteLater();
    m_driver.clear();
}

void ScrollingCaptureController::cleanup(bool restoreWindows)
{
    if (CaptureInputGrab* input = m_testInput ? m_testInput : m_input.get())
        input->release();
    stopDriver();
    m_overlays.takeDown([](ScrollCaptureOverlayView* view) {
        view->onSelectionDone = nullptr;
        view->onSelectionCancel = nullptr;
        view->onDone = nullptr;
    });
    if (m_hintBar) {
        m_hintBar->hide();
        m_hintBar->deleteLater();
        m_hintBar.clear();
    }
    m_hintRectPx.reset();
    if (!restoreWindows)
        return;
    if (const std::optional<int> shown = OwnWindows::restore(m_selfHiddenWindows))
        logMessage(LogLevel::info,
                   [shown] { return QStringLiteral("📜 避让：恢复自身窗口 %1 个（取消路径）").arg(*shown); });
}

void ScrollingCaptureController::cancel()
{
    cleanup(true);
    logMessage(LogLevel::info, [] { return QStringLiteral("📜 滚动截图取消"); });
    resetState();
}

void ScrollingCaptureController::resetState()
{
    // Whatever of this capture is still waiting finds it gone.
    ++m_generation;
    m_phase = Phase::idle;
    m_startPending = false;
    m_selectionTaken = false;
    m_kept.clear();
    m_thumbTravel.clear();
    m_detection = {};
    m_capturedCount = 0;
    m_skippedCount = 0;
    m_selectedDisplay.reset();
    m_displays.clear();
    m_lastTickFrame = QImage();
    m_beforeLastScroll = QImage();
    m_live = {};
    m_liveCandidate = {};
    m_liveCandidateFrame = 0;
    m_lastOutcome = ScrollTickOutcome::kept;
    m_ticksSinceKept = 0;
    m_relooks = 0;
    m_clickUnmeasured = false;
    m_clickConfirmed = false;
    m_otherClickPx = 0;
    m_otherClickTick = 0;
    m_firstLook.reset();
    m_stillAtKept.reset();
    m_keptWhereItStopped.reset();
    m_shortLook = {};
    m_provisional = false;
    m_provisionalOffTheClicks = false;
    m_provisionalOffTheClicksBefore = false;
    m_behindClicksPx = 0;
    m_behindClicksBeforePx = 0;
    m_loadedInPlace = false;
    m_reachedEnd = false;
    m_endedUnregistered = false;
    m_unplacedSinceKept = false;
    m_movedUnplacedSinceKept = false;
    m_registeredTicksSinceKept = 0;
    m_furthestRegisteredSinceKeptPx = 0;
    m_movingTicksSinceKept = 0;
    m_unfollowedMovesSinceKept = 0;
    m_placedAboveSinceKept = false;
    m_keptFooterPx = 0;
    m_beforePlainRun.reset();
    m_clicksWentPartlyNowhere = false;
}

void ScrollingCaptureController::restoreHiddenWindowsAfterFinish()
{
    const bool toEditor = Settings::captureOpensEditor.read();
    QWidget* mainWindow = toEditor && m_mainWindowProvider ? m_mainWindowProvider() : nullptr;
    const std::optional<int> shown = OwnWindows::restore(m_selfHiddenWindows, mainWindow);
    if (shown && toEditor)
        captureDiagnostic(QStringLiteral("📜 滚动完成路径：恢复非主避让窗 %1 个（交付链唤主窗）").arg(*shown));
    else if (shown)
        captureDiagnostic(QStringLiteral("📜 滚动静默完成：全量恢复避让窗 %1 个").arg(*shown));
}
