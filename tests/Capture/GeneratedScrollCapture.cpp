#include "GeneratedScrollCapture.h"

#include "Capture/CaptureLog.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/ScrollingCaptureController.h"
#include "CaptureTestSupport.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/UserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <cstdio>

namespace GeneratedScrollPage {

namespace {

const QPoint kViewOrigin(100, 50);
// Longer than any capture of these pages takes on its own clock.
constexpr qint64 kGiveUpMs = 20 * 60 * 1000;

class HeldInput final : public CaptureInputGrab {
public:
    bool grab() override { return held = true; }
    void release() override { held = false; }
    bool isGrabbed() const override { return held; }
    bool held = false;
};

// Runs the event loop, the workers and the clock until `done` holds or nothing is left
// to run.
bool runUntil(ManualCaptureClock& clock, const QDateTime& limit, const std::function<bool()>& done)
{
    return runClockUntil(clock, done, [&] { return clock.now() < limit; });
}

struct Run {
    int first = 0;        // first row in the image
    int firstHeight = 0;  // its rows in the image
    int last = 0;
    int lastHeight = 0;
    int tail = 0;         // image rows below the last row
    QString fault;        // the first thing out of order between the first and the last row
};

// Reads the strip down the image: the rows it holds, and the first fault among them.
Run readRows(const Description& page, const QImage& image)
{
    Run run;
    const int x = page.stripX + page.stripWidth / 2;
    int y = 0;
    int lastEnd = 0;
    int otherFrom = -1; // start of something else after a row
    while (y < image.height()) {
        const QRgb colour = image.pixel(x, y) | 0xff000000u;
        int end = y + 1;
        while (end < image.height() && (image.pixel(x, end) | 0xff000000u) == colour)
            ++end;
        const int number = rowOfColour(colour);
        const int length = end - y;
        if (number == 0) {
            if (run.last > 0 && otherFrom < 0)
                otherFrom = y;
        } else if (run.last == 0) {
            run.first = run.last = number;
            run.firstHeight = run.lastHeight = length;
        } else if (run.fault.isEmpty()) {
            const int expected = page.rows[std::size_t(run.last - 1)].height;
            if (otherFrom >= 0)
                run.fault = QStringLiteral("%1 px of something else between rows %2 and %3 (image rows %4-%5)")
                                .arg(y - otherFrom).arg(run.last).arg(number).arg(otherFrom).arg(y - 1);
            else if (number <= run.last)
                run.fault = QStringLiteral("repeated band: row %1 again after row %2 (image row %3)").arg(number).arg(run.last).arg(y);
            else if (number > run.last + 1)
                run.fault = QStringLiteral("rows %1-%2 lost (image row %3)").arg(run.last + 1).arg(number - 1).arg(y);
            else if (run.last != run.first && run.lastHeight != expected)
                run.fault = QStringLiteral("row %1 is %2 px high, not %3 (image row %4)").arg(run.last).arg(run.lastHeight).arg(expected).arg(y - run.lastHeight);
            run.last = number;
            run.lastHeight = length;
            otherFrom = -1;
        }
        if (number != 0)
            lastEnd = end;
        y = end;
    }
    run.tail = image.height() - lastEnd;
    return run;
}

} // namespace

const char* kindName(Verdict::Kind kind)
{
    switch (kind) {
    case Verdict::Kind::exact: return "exact";
    case Verdict::Kind::told: return "told";
    case Verdict::Kind::gaveUp: return "gave up";
    case Verdict::Kind::wrong: return "wrong";
    }
    return "?";
}

Capture runCapture(const Description& page, int selectionHeight, int maxLength)
{
    Capture result;
    result.selectionHeight = selectionHeight;
    QElapsedTimer wall;
    wall.start();

    InMemoryPasteboard pasteboard;
    Pasteboard::setGeneralForTesting(&pasteboard);
    RecordingAlerts alerts;
    FakeDisplaySource display;
    QImage screen(1200, 2400, QImage::Format_RGB32);
    screen.fill(QColor(90, 90, 96));
    display.add(1, QRectF(0, 0, 1200, 2400), 1.0, screen);
    ManualCaptureClock clock;
    View view(page, clock, kViewOrigin);
    HeldInput input;
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
    if (maxLength > 0)
        Settings::captureMaxScrollLength.write(maxLength);
    else
        Settings::captureMaxScrollLength.remove();
    result.maxLength = ScrollCaptureGeometry::maxScrollLength(maxLength);

    {
        ScrollingCaptureController controller(clock);
        controller.setDevicesForTesting(&view, &view, &input);
        const QDateTime limit = clock.now().addMSecs(kGiveUpMs);
        controller.start();
        if (runUntil(clock, limit, [&] { return controller.phase() == ScrollingCaptureController::Phase::selecting; })) {
            const QDateTime selected = clock.now();
            controller.handleSelection(QRectF(kViewOrigin.x(), kViewOrigin.y() + page.viewHeight - selectionHeight,
                                              page.width, selectionHeight));
            result.finished = runUntil(clock, limit, [&] {
                return controller.phase() == ScrollingCaptureController::Phase::idle && !controller.isBusy();
            });
            result.captureMs = selected.msecsTo(clock.now());
        }
        result.limitShown = controller.hintModel().limitReached();
        if (!result.finished)
            controller.cancel();
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    if (const auto png = pasteboard.data(Pasteboard::pngType))
        result.image = QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32);
    const QString stoppedTitle = localized(QStringLiteral("scrollCapture.stoppedEarly.title"));
    const QString tooLowText = localized(QStringLiteral("scrollCapture.tooLow"));
    for (const auto& alert : alerts.alerts) {
        result.alerts << alert.title + QStringLiteral(": ") + alert.text;
        result.stoppedEarly |= alert.title == stoppedTitle;
        result.tooLow |= alert.text.contains(tooLowText);
    }
    result.loadedRowsAtEnd = view.loadedRows();
    Pasteboard::setGeneralForTesting(nullptr);
    result.wallMs = wall.elapsed();
    return result;
}

Verdict judge(const Description& page, const Capture& capture)
{
    Verdict verdict;
    const auto wrong = [&](const QString& what) {
        verdict.kind = Verdict::Kind::wrong;
        verdict.what = what;
        return verdict;
    };
    const auto told = [&](const QString& what) {
        verdict.kind = Verdict::Kind::told;
        verdict.what = what;
        return verdict;
    };
    if (!capture.finished)
        return wrong(QStringLiteral("the capture never ended"));
    const int selectionTop = page.viewHeight - capture.selectionHeight;
    // "Too low" is true only where one wheel click moves more than half the selection.
    if (capture.tooLow) {
        if (2 * page.clickPx > capture.selectionHeight)
            return told(QStringLiteral("too low to scroll"));
        return wrong(QStringLiteral("says too low to scroll, but a click of %1 px is not more than half the %2-px selection")
                         .arg(page.clickPx).arg(capture.selectionHeight));
    }
    if (capture.image.isNull())
        return wrong(QStringLiteral("no image; messages: %1").arg(capture.alerts.join(QStringLiteral(" | "))));
    if (capture.image.width() != page.width)
        return wrong(QStringLiteral("image %1 px wide, not %2").arg(capture.image.width()).arg(page.width));

    const Run run = readRows(page, capture.image);
    if (run.first == 0)
        return wrong(QStringLiteral("no numbered row in the image"));
    verdict.rowsCaptured = run.last - run.first + 1;

    // The first row is the one at the selection's top in the first view, cut there.
    int first = 1, firstHeight = page.rows.front().height;
    for (const Row& row : page.rows)
        if (row.top <= selectionTop && selectionTop < row.top + row.height) {
            first = row.number;
            firstHeight = row.top + row.height - selectionTop;
        }
    if (run.first != first)
        return wrong(QStringLiteral("begins at row %1, not %2").arg(run.first).arg(first));
    if (run.firstHeight != firstHeight && !(run.first == run.last && run.firstHeight < firstHeight))
        return wrong(QStringLiteral("first row %1 is %2 px high, not %3").arg(first).arg(run.firstHeight).arg(firstHeight));
    if (!run.fault.isEmpty())
        return wrong(run.fault);

    const int rows = page.rowCount();
    const int lastHeight = page.rows[std::size_t(run.last - 1)].height;
    const bool lastWhole = run.lastHeight == lastHeight || (run.first == run.last && run.lastHeight == firstHeight);
    const bool complete = run.last == rows && lastWhole;
    if (run.lastHeight > lastHeight)
        return wrong(QStringLiteral("last row %1 is %2 px high, not %3").arg(run.last).arg(run.lastHeight).arg(lastHeight));
    QStringList others;
    for (const QString& alert : capture.alerts)
        if (!alert.startsWith(localized(QStringLiteral("scrollCapture.stoppedEarly.title"))))
            others << alert;
    if (!others.isEmpty())
        return wrong(QStringLiteral("unexpected message: %1").arg(others.join(QStringLiteral(" | "))));

    if (complete) {
        if (capture.stoppedEarly)
            return wrong(QStringLiteral("says Stopped Early, but every row is there"));
        if (run.tail != page.bottomPad && capture.image.height() < capture.maxLength)
            return wrong(QStringLiteral("%1 px below the last row, not %2 (the end band %3)")
                             .arg(run.tail).arg(page.bottomPad).arg(run.tail > page.bottomPad ? "repeated" : "cut"));
        verdict.kind = Verdict::Kind::exact;
        return verdict;
    }
    const QString upTo = QStringLiteral("rows %1-%2 of %3%4").arg(first).arg(run.last).arg(rows).arg(lastWhole ? "" : " (the last cut)");
    const bool limitReached = capture.image.height() >= capture.maxLength;
    const bool stillLoading = capture.loadedRowsAtEnd < rows;
    if (capture.stoppedEarly) {
        if (limitReached || capture.limitShown)
            return told(QStringLiteral("Stopped Early at the length limit %1 px with %2").arg(capture.maxLength).arg(upTo));
        if (stillLoading)
            return told(QStringLiteral("Stopped Early while the page was still loading (%1 rows loaded) with %2")
                            .arg(capture.loadedRowsAtEnd).arg(upTo));
        verdict.kind = Verdict::Kind::gaveUp;
        verdict.what = QStringLiteral("Stopped Early with %1 of a page that had every row loaded").arg(upTo);
        return verdict;
    }
    if (limitReached)
        return told(QStringLiteral("length limit %1 px reached with %2").arg(capture.maxLength).arg(upTo));
    if (stillLoading && run.last == capture.loadedRowsAtEnd && lastWhole)
        return told(QStringLiteral("the page was still loading when the capture ended: %1").arg(upTo));
    return wrong(QStringLiteral("rows %1-%2 lost without a message (image ends at %3)").arg(run.last + (lastWhole ? 1 : 0)).arg(rows).arg(upTo));
}

} // namespace GeneratedScrollPage
