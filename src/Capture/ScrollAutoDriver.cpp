#include "Capture/ScrollAutoDriver.h"

#include "Capture/CaptureClock.h"
#include "Capture/CaptureLog.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Platform/ScrollEventPoster.h"

#include <algorithm>
#include <cmath>
#include <utility>

bool ScrollStopRules::endsAfter(ScrollTickOutcome outcome)
{
    switch (outcome) {
    case ScrollTickOutcome::kept:
        duplicateRun = 0;
        rejectCount = 0;
        return stallLimit <= 0;
    case ScrollTickOutcome::duplicate:
        return ++duplicateRun >= stallLimit;
    case ScrollTickOutcome::rejected:
        return ++rejectCount > maximumRejects || stallLimit <= 0;
    case ScrollTickOutcome::stop:
        return true;
    }
    return true;
}

ScrollAutoDriver::ScrollAutoDriver(ScrollEventPoster& poster, CaptureClock& clock, Settings settings,
                                   std::function<void()> onAnyKey, QObject* parent)
    : QObject(parent)
    , m_poster(poster)
    , m_clock(clock)
    , m_settings(settings)
    , m_onAnyKey(std::move(onAnyKey))
{
    m_settings.stepPx = std::max(m_settings.stepPx, ScrollCaptureGeometry::minimumStepPoints);
    m_rules.stallLimit = m_settings.stallLimit;
}

ScrollAutoDriver::~ScrollAutoDriver()
{
    stop();
}

void ScrollAutoDriver::start(std::function<void(TickDone)> onTick, std::function<void()> onStall)
{
    if (m_started || m_stopped)
        return;
    m_started = true;
    m_onTick = std::move(onTick);
    m_onStall = std::move(onStall);
    m_pointerAtStart = m_poster.pointerPosition();
    m_lastKeptAt = m_clock.now();
    runTick();
}

void ScrollAutoDriver::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    // The pointer goes back unless the user has moved it away from where ticks put it.
    if (m_started && m_pointerAtStart && m_poster.pointerPosition() == m_settings.guardRect.center())
        m_poster.movePointer(*m_pointerAtStart);
}

void ScrollAutoDriver::calibrate(int pixelsPerClick, int visibleRows)
{
    if (pixelsPerClick > 0) {
        m_pixelsPerClick = pixelsPerClick;
        m_visibleRows = visibleRows;
    }
}

int ScrollAutoDriver::clicksPerTick() const
{
    if (!isCalibrated())
        return 1;
    if (m_visibleRows > 0)
        return std::max(1, ScrollCaptureGeometry::clicksPerTick(m_visibleRows, m_pixelsPerClick) / m_divisor);
    return std::max(1, int(std::lround(double(m_settings.stepPx) / double(m_pixelsPerClick))));
}

int ScrollAutoDriver::scrolledStepPx() const
{
    return isCalibrated() ? clicksPerTick() * m_pixelsPerClick : 0;
}

bool ScrollAutoDriver::post(int clicks)
{
    const QPoint centre = m_settings.guardRect.center();
    const std::optional<QPoint> userPointer = m_poster.pointerPosition();
    const bool posted = m_poster.scroll(centre, clicks);
    if (userPointer && !m_settings.guardRect.contains(*userPointer))
        m_poster.movePointer(*userPointer);
    return posted;
}

void ScrollAutoDriver::scrollBackOneClick()
{
    if (!m_stopped)
        post(-1);
}

void ScrollAutoDriver::runTick()
{
    if (m_stopped)
        return;
    const QPoint centre = m_settings.guardRect.center();
    const bool posted = post(clicksPerTick());
    m_scrolledSinceKept += scrolledStepPx();
    ++m_tick;
    captureDiagnostic(QStringLiteral("📜 [driver] tick %1: 真实位=(%2,%3) 合成投递%4")
                          .arg(m_tick)
                          .arg(centre.x())
                          .arg(centre.y())
                          .arg(posted ? QString() : QStringLiteral("失败")));
    const quint64 tick = quint64(m_tick);
    QPointer<ScrollAutoDriver> self(this);
    m_clock.scheduleAt(m_clock.now().addMSecs(m_settings.redrawWaitMs), [self, tick] {
        if (self)
            self->judgeTick(tick);
    });
}

void ScrollAutoDriver::judgeTick(quint64 tick)
{
    if (m_stopped)
        return;
    if (!m_onTick) {
        tickJudged(tick, ScrollTickOutcome::duplicate);
        return;
    }
    QPointer<ScrollAutoDriver> self(this);
    m_onTick([self, tick](ScrollTickOutcome outcome) {
        if (self)
            self->tickJudged(tick, outcome);
    });
}

void ScrollAutoDriver::tickJudged(quint64 tick, ScrollTickOutcome outcome)
{
    // Only the tick under way may answer, and only once.
    if (m_stopped || tick != quint64(m_tick))
        return;
    const bool waitingForMore = outcome == ScrollTickOutcome::duplicate
                                && m_lastKeptAt.msecsTo(m_clock.now()) < m_settings.endWaitMs;
    if (m_rules.endsAfter(outcome) && !waitingForMore) {
        end();
        return;
    }
    if (outcome == ScrollTickOutcome::kept) {
        m_lastKeptAt = m_clock.now();
        m_scrolledSinceKept = 0;
        if (++m_keptRun >= 4 && m_divisor > 1) {
            m_divisor /= 2;
            m_keptRun = 0;
        }
    } else if (outcome == ScrollTickOutcome::rejected && clicksPerTick() > 1) {
        // Back to where the tick started, and on in smaller steps.
        m_scrolledSinceKept -= scrolledStepPx();
        post(-clicksPerTick());
        m_divisor *= 2;
        m_keptRun = 0;
    } else {
        m_keptRun = 0;
    }
    runTick();
}

void ScrollAutoDriver::end()
{
    // Ended by itself: the capture is told once, from the event loop (it may stop and
    // drop the driver then); it stops the driver when it finishes.
    m_onTick = nullptr;
    QPointer<ScrollAutoDriver> self(this);
    m_clock.scheduleAt(m_clock.now(), [self] {
        if (!self || self->m_stopped)
            return;
        if (auto onStall = std::exchange(self->m_onStall, nullptr))
            onStall();
    });
}

void ScrollAutoDriver::handleKeyPress()
{
    if (m_stopped)
        return;
    stop();
    if (m_onAnyKey)
        m_onAnyKey();
}

bool ScrollAutoDriver::swallowsClickAt(const QPoint& rootPixel) const
{
    return swallowsClick(m_settings.guardRect, uiPassThroughRect, rootPixel);
}

bool ScrollAutoDriver::swallowsClick(const QRect& guardRect, const std::optional<QRect>& passThrough,
                                     const QPoint& rootPixel)
{
    if (passThrough && passThrough->contains(rootPixel)) {
        captureDiagnostic(QStringLiteral("📜 [tap] mouseDown 命中提示条豁免区 → 放行 (%1,%2)")
                              .arg(rootPixel.x())
                              .arg(rootPixel.y()));
        return false;
    }
    if (guardRect.contains(rootPixel)) {
        captureDiagnostic(QStringLiteral("📜 [tap] mouseDown 落选区内 → 吞（防干扰滚动）(%1,%2)")
                              .arg(rootPixel.x())
                              .arg(rootPixel.y()));
        return true;
    }
    return false;
}
