// The scrolling capture's recording, its end: a selection too low to scroll, a stall,
// the page's last frame, and finishing.
#include "Capture/ScrollingCaptureController.h"
#include "Capture/ScrollingCaptureJudged.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureClock.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/ScrollOffsetRules.h"
#include "Capture/ScrollCaptureOverlayView.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollLoadedRows.h"
#include "Capture/ScrollSharedRows.h"
#include "Capture/ScrollFrameSource.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

using namespace ScrollCaptureGeometry;

void ScrollingCaptureController::checkTooLow(const ScrollAutoDriver::TickDone& done)
{
    // One click took the content out of sight. Scrolled back, the first view returns
    // when the click simply moves further than the selection is high; otherwise the
    // content changed by itself, and the frame is merely rejected.
    m_driver->scrollBackOneClick();
    // The click is undone: a click's size is measured over the clicks still in effect.
    m_ticksSinceKept = std::max(0, m_ticksSinceKept - 1);
    const QImage first = withoutLiveColumns(m_kept.lastFrame(), m_live);
    const QImage clicked = withoutLiveColumns(m_lastTickFrame, m_live);
    const ScrollStitcher::DetectionState detection = m_detection;
    after(redrawWaitMs, [this, done, first, clicked, detection] {
        settleFrame([this, done, first, clicked, detection](const QImage& frame) {
            if (m_phase != Phase::recording || !m_driver || frame.isNull()) {
                done(frame.isNull() ? ScrollTickOutcome::rejected : ScrollTickOutcome::stop);
                return;
            }
            // The view as it was, whole: what changes by itself there says it did not return.
            judgeOffMain(frame, 0, ScrollStitcher::JudgeMode::first,
                         [this, frame, done, first, clicked, detection](const Judged& judged) {
                if (m_phase != Phase::recording)
                    return;
                if (judged.judgement.duplicate) {
                    endTooLowUnlessRowsShown(first, clicked, detection, frame, done);
                    return;
                }
                m_lastTickFrame = frame;
                m_lastOutcome = ScrollTickOutcome::rejected;
                done(m_lastOutcome);
            }, false);
        });
    });
}

void ScrollingCaptureController::endTooLowUnlessRowsShown(const QImage& first, const QImage& clicked,
                                                          const ScrollStitcher::DetectionState& detection,
                                                          const QImage& frame, const ScrollAutoDriver::TickDone& done)
{
    // The first view returned, but the click's frame may still show its rows where the
    // registration could not tell by how much they moved (a bar that changed height,
    // rows with little to tell them apart): too low only where the rows that a click of
    // up to half the selection leaves in view, holding detail, show nowhere before.
    const quint64 generation = m_generation;
    QPointer<ScrollingCaptureController> self(this);
    OffMainThread::run(this, [first, clicked, detection] {
        return ScrollStitcher::rowsShown(first, clicked, detection.scrollbarPx, detection.stickyPx);
    }, [self, generation, frame, done](ScrollStitcher::RowsShown shown) {
        if (!self || !self->isCurrent(generation) || self->m_phase != Phase::recording)
            return;
        if (shown == ScrollStitcher::RowsShown::none) {
            self->endTooLow();
            return;
        }
        // The click is measured on the frames of the next clicks instead.
        self->m_clickUnmeasured = true;
        self->m_lastTickFrame = frame;
        self->m_lastOutcome = ScrollTickOutcome::rejected;
        captureDiagnostic(QStringLiteral("📜 [driver] 一格滚轮未能测出，改由后续相邻帧测量"));
        done(self->m_lastOutcome);
    });
}

void ScrollingCaptureController::handleStall()
{
    if (m_phase != Phase::recording)
        return;
    if (m_driver && m_driver->endedOnRejects() && m_lastOutcome != ScrollTickOutcome::duplicate) {
        // Frames kept coming that could not be placed: what was taken is delivered, and
        // the user is told it is not the whole page. (Rejects that end on a page standing
        // still came from its last, shorter scroll: that is the page's end below.)
        logMessage(LogLevel::warning, [] { return QStringLiteral("📜 连续帧无法配准，提前结束并交付已截部分"); });
        m_endedUnregistered = true;
        finish(false);
        return;
    }
    logMessage(LogLevel::info, [] { return QStringLiteral("📜 页面到底（连续无新内容），自动完成"); });
    // The page's last scroll is usually shorter than a step, and judged against the step
    // it does not count (nor, where rows look alike, can the step tell them apart). The
    // page has stopped on that frame: its new rows, however few, are kept.
    if (m_lastOutcome != ScrollTickOutcome::duplicate || !m_driver || !m_driver->isCalibrated()
        || m_lastTickFrame.isNull() || m_kept.stitchedHeight() >= maxLength()) {
        finish(false);
        return;
    }
    judgeOffMain(m_lastTickFrame, 0, ScrollStitcher::JudgeMode::pageEnd, [this](const Judged& judged) {
        if (m_phase != Phase::recording)
            return;
        const ScrollStitcher::FrameJudgement& j = judged.judgement;
        if (j.append) {
            keepFrame(m_lastTickFrame, j);
            const int added = j.newPx;
            captureDiagnostic(QStringLiteral("📜 页底末步补齐 +%1px").arg(added));
        } else if (const QImage kept = withoutLiveColumns(m_kept.lastFrame(), m_live),
                   last = withoutLiveColumns(m_lastTickFrame, m_live);
                   differOnlyLocally(kept, last) || ScrollStitcher::sameButForPlaceholders(kept, last)
                   || (!m_live.isEmpty() && placeholdersFilledBeside(m_kept.lastFrame(), m_lastTickFrame, m_live))) {
            // Still where the last kept frame shows it, but for what changed in place (a
            // picture that loaded while the page waited at its end, also where the columns
            // that change by themselves cut across it): those rows show as the page last
            // looked.
            m_kept.refreshLast(m_lastTickFrame, m_detection.stickyPx);
        } else if (!j.duplicate) {
            m_endedUnregistered = true; // the page's last rows could not be placed
        }
        finish(false);
    });
}

void ScrollingCaptureController::handleHintDone()
{
    logMessage(LogLevel::info, [] { return QStringLiteral("📜 提示条「完成」点击，拼接交付"); });
    finish(false);
}

// ---- finishing -----------------------------------------------------------------------------

void ScrollingCaptureController::finish(bool limitReached)
{
    if (m_phase != Phase::recording)
        return;
    m_phase = Phase::finishing;
    stopDriver();
    if (limitReached) {
        // Esc in this second still cancels; what is left of this capture then finds
        // it gone.
        m_hintModel.setLimitReached(true);
        after(limitWaitMs, [this] { completeFinish(); });
        return;
    }
    completeFinish();
}

void ScrollingCaptureController::completeFinish()
{
    if (m_phase != Phase::finishing)
        return;
    cleanup(false);
    const int captured = m_capturedCount, kept = m_kept.count(), skipped = m_skippedCount;
    logMessage(LogLevel::info, [captured, kept, skipped] {
        return QStringLiteral("📜 录制结束（捕获 %1 帧 / 保留 %2 / 跳过 %3），开始拼接").arg(captured).arg(kept).arg(skipped);
    });
    struct Result {
        std::optional<QByteArray> png;
        bool composed = false;
        int totalHeight = 0;
        int appendedFrames = 0;
        int droppedDuplicates = 0;
        qint64 composeMs = 0;
    };
    // Composed and encoded on a worker; the tall image is gone before the PNG is handed
    // back, and each slice as soon as it is drawn.
    auto slices = std::make_shared<std::vector<KeptSlice>>(m_kept.takeSlices());
    m_lastTickFrame = QImage();
    const int maximum = maxLength();
    const quint64 generation = m_generation;
    QPointer<ScrollingCaptureController> self(this);
    OffMainThread::run(this, [slices, maximum] {
        Result result;
        QElapsedTimer timer;
        timer.start();
        std::optional<ScrollStitcher::StitchResult> stitched = ScrollStitcher::compose(std::move(*slices), maximum);
        result.composeMs = timer.elapsed();
        if (!stitched || stitched->image.isNull())
            return result;
        result.composed = true;
        result.totalHeight = stitched->totalHeight;
        result.appendedFrames = stitched->appendedFrames;
        result.droppedDuplicates = stitched->droppedDuplicates;
        result.png = encodeCapturePng(stitched->image);
        return result;
    }, [self, generation](const Result& result) {
        if (!self || !self->isCurrent(generation) || self->m_phase != Phase::finishing)
            return;
        if (!result.composed) {
            logMessage(LogLevel::error, [] { return QStringLiteral("📜 拼接失败（无帧或画布创建失败），取消交付"); });
            self->cancel();
            return;
        }
        if (!result.png) {
            logMessage(LogLevel::error, [] { return QStringLiteral("📜 PNG 编码失败，取消交付"); });
            self->cancel();
            return;
        }
        CaptureDelivery::putOnClipboard(*result.png, true);
        logMessage(LogLevel::info, [&result] {
            return QStringLiteral("📜 拼接完成：%1 帧 / 总高 %2px / 丢弃重复 %3 / 耗时 %4ms，走交付链")
                .arg(result.appendedFrames)
                .arg(result.totalHeight)
                .arg(result.droppedDuplicates)
                .arg(result.composeMs);
        });
        CaptureDelivery::deliverCapturedImage();
        const bool partial = self->m_endedUnregistered;
        self->restoreHiddenWindowsAfterFinish();
        self->resetState();
        if (partial)
            CaptureAlerts::current().showWarning(localized(QStringLiteral("scrollCapture.stoppedEarly.title")),
                                                 localized(QStringLiteral("scrollCapture.stoppedEarly.body")));
    });
}
