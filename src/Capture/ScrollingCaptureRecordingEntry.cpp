// The scrolling capture's switch to recording: the overlays let the page through, the
// hint bar and the auto-scroll driver start; and the keys and clicks while it records
// (the frames and ticks: ScrollingCaptureRecording.cpp).
#include "Capture/ScrollingCaptureController.h"

#include "Base/Logger.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureLog.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/ScrollCaptureOverlayView.h"
#include "Core/Localization.h"

#include <QGuiApplication>
#include <QScreen>

using namespace ScrollCaptureGeometry;

void ScrollingCaptureController::enterRecording()
{
    if (m_phase != Phase::selecting || !m_selectedDisplay)
        return;
    const DisplayCaptureSource::Display& display = *m_selectedDisplay;
    m_grabRect = ScrollCaptureGeometry::grabRect(m_sourceRectLocal, m_captureScale, display.pixelFrame);
    // Frames lower than the registration can compare could never be stitched.
    if (m_grabRect.height() < FrameRegistration::kMinimumSide) {
        endTooLow();
        return;
    }
    m_hintModel.setWidthPx(truncatedPixels(m_sourceRectLocal.width(), m_captureScale));
    m_hintModel.setHeightPx(truncatedPixels(m_sourceRectLocal.height(), m_captureScale));
    m_hintModel.setLimitReached(false);

    // Frames come from the live screen now: the overlays shrink to an outline outside
    // the selection and let the mouse through; the hint bar goes outside it too.
    QStringList ignoring;
    for (ScrollCaptureOverlayView* view : m_overlays.views()) {
        view->releaseKeyboard();
        view->showRecording(m_selectionGlobal);
        ignoring << QStringLiteral("Y");
    }
    captureDiagnostic(QStringLiteral("📜 [cursor] enterRecording：录制期光标 rect 清空（纯显示层，光标交由下层 app）"));
    captureDiagnostic(QStringLiteral("📜 [record] overlay ignoresMouseEvents = %1（%2 屏）")
                          .arg(ignoring.join(QLatin1Char(',')))
                          .arg(ignoring.size()));
    showHintPanel();

    m_phase = Phase::recording;
    const QRectF local = m_sourceRectLocal;
    const double scale = m_captureScale;
    logMessage(LogLevel::info, [local, scale] {
        return QStringLiteral("📜 进入录制阶段（选区 %1×%2pt × scale %3，overlay 已穿透）")
            .arg(local.width())
            .arg(local.height())
            .arg(scale);
    });

    // Scrolling by itself needs XTest and the keyboard and buttons held.
    ScrollEventPoster* wheel = poster();
    CaptureInputGrab* input = inputGrab();
    if (!wheel || !input || !input->grab()) {
        denyAutoScroll();
        return;
    }

    const int stepPt = stepPoints(local.height());
    m_autoStepPx = truncatedPixels(stepPt, scale);
    QPointer<ScrollingCaptureController> self(this);
    const ScrollAutoDriver::Settings settings{m_grabRect, m_autoStepPx, scrollWaitMs, stallLimit, pageEndWaitMs};
    auto* driver = new ScrollAutoDriver(*wheel, m_clock, settings, [self] {
        logMessage(LogLevel::info, [] { return QStringLiteral("📜 按键停止自动滚动，拼接交付"); });
        if (self)
            self->after(0, [self] { self->finish(false); });
    });
    driver->setParent(this);
    m_driver = driver;
    if (m_hintRectPx) {
        driver->uiPassThroughRect = m_hintRectPx;
        captureDiagnostic(QStringLiteral("📜 [record] 提示条豁免区(CG)=%1 / guardRect=%2（重叠即旧版 Done 失效场景）")
                              .arg(QStringLiteral("%1,%2 %3x%4")
                                       .arg(m_hintRectPx->x())
                                       .arg(m_hintRectPx->y())
                                       .arg(m_hintRectPx->width())
                                       .arg(m_hintRectPx->height()),
                                   QStringLiteral("%1,%2 %3x%4")
                                       .arg(m_grabRect.x())
                                       .arg(m_grabRect.y())
                                       .arg(m_grabRect.width())
                                       .arg(m_grabRect.height())));
    }
    const QPoint centre = m_grabRect.center();
    logMessage(LogLevel::info, [stepPt, centre] {
        return QStringLiteral("📜 自动滚动启动（步长 %1pt，中心 %2,%3）").arg(stepPt).arg(centre.x()).arg(centre.y());
    });
    // What the overlays uncovered is drawn again by the programs beneath first.
    after(redrawWaitMs, [this] { judgeFirstFrame([this] { startDriver(); }); });
}

void ScrollingCaptureController::showHintPanel()
{
    QScreen* screen = m_selectedDisplay->screen ? m_selectedDisplay->screen.data() : QGuiApplication::primaryScreen();
    if (!screen) {
        logMessage(LogLevel::warning,
                   [] { return QStringLiteral("📜 提示条所在屏解析失败，跳过提示条（键盘 Return/Esc 仍可用）"); });
        return;
    }
    QPointer<ScrollingCaptureController> self(this);
    auto* bar = new ScrollHintBarView(m_hintModel, [self] {
        if (self)
            self->after(0, [self] { self->handleHintDone(); });
    });
    bar->adjustSize();
    const QSize fitted = bar->size();
    if (fitted.width() <= 10 || fitted.height() <= 10) {
        logMessage(LogLevel::warning, [] { return QStringLiteral("📜 提示条尺寸解析失败，跳过创建（键盘仍可用）"); });
        delete bar;
        return;
    }
    const std::optional<QRectF> frame = hintBarFrame(QRectF(screen->geometry()), m_selectionGlobal, QSizeF(fitted));
    if (!frame) {
        logMessage(LogLevel::warning,
                   [] { return QStringLiteral("📜 选区外无处安放提示条，隐藏（键盘 Return/Esc 仍可用）"); });
        delete bar;
        return;
    }
    bar->setScreen(screen);
    bar->move(frame->topLeft().toPoint());
    bar->show();
    bar->raise();
    m_hintBar = bar;
    m_hintRectPx = toRootPixels(QRectF(bar->geometry()));
    captureDiagnostic(QStringLiteral("📜 [hint] 提示条已创建 fitting=%1x%2 frame=%3,%4 %5x%6 level=%7 mouse=%8")
                          .arg(fitted.width())
                          .arg(fitted.height())
                          .arg(bar->x())
                          .arg(bar->y())
                          .arg(bar->width())
                          .arg(bar->height())
                          .arg(1001)
                          .arg(1));
}

void ScrollingCaptureController::denyAutoScroll()
{
    logMessage(LogLevel::warning, [] { return QStringLiteral("📜 无法合成滚轮事件或抓取键盘与鼠标（XTEST／输入抓取失败），提示后取消本次"); });
    // Nothing to open on X11: the first button only acknowledges.
    CaptureAlerts::current().askWarning(localized(QStringLiteral("scrollCapture.axDenied.title")),
                                        localized(QStringLiteral("scrollCapture.axDenied.body")),
                                        localized(QStringLiteral("scrollCapture.axDenied.open")),
                                        localized(QStringLiteral("scrollCapture.axDenied.cancel")));
    cancel();
}

void ScrollingCaptureController::endTooLow()
{
    logMessage(LogLevel::warning, [] { return QStringLiteral("📜 选区过矮：一格滚轮即超出其高度的一半，取消"); });
    cancel();
    showCaptureFailed(localized(QStringLiteral("scrollCapture.tooLow")));
}

void ScrollingCaptureController::startDriver()
{
    if (m_phase != Phase::recording || !m_driver)
        return;
    QPointer<ScrollingCaptureController> self(this);
    m_driver->start(
        [self](ScrollAutoDriver::TickDone done) {
            if (self)
                self->onAutoTick(std::move(done));
            else
                done(ScrollTickOutcome::duplicate);
        },
        [self] {
            if (self)
                self->handleStall();
        });
}

// ---- keys and clicks while recording ------------------------------------------------------

void ScrollingCaptureController::handleGrabbedKey(CaptureInputGrab::Key key)
{
    // Once scrolling runs, any key ends the capture with what it took (Esc too).
    if (m_driver && m_driver->isRunning()) {
        m_driver->handleKeyPress();
        return;
    }
    if (key == CaptureInputGrab::Key::escape && m_phase != Phase::idle) {
        logMessage(LogLevel::info, [] { return QStringLiteral("📜 Esc（monitor 兜底）取消滚动截图"); });
        cancel();
    } else if (key == CaptureInputGrab::Key::returnKey && m_phase == Phase::recording) {
        logMessage(LogLevel::info, [] { return QStringLiteral("📜 Return（monitor 兜底）完成滚动截图"); });
        finish(false);
    }
}

bool ScrollingCaptureController::swallowsClickAt(const QPoint& rootPixel) const
{
    if (m_driver)
        return m_driver->swallowsClickAt(rootPixel);
    return ScrollAutoDriver::swallowsClick(m_grabRect, m_hintRectPx, rootPixel);
}

