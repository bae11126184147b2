#pragma once

#include "Capture/CaptureAlerts.h"
#include "Capture/CapturePng.h"
#include "Capture/CaptureClock.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/SystemScreenshotTool.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QMap>
#include <QSemaphore>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <functional>
#include <vector>

// A clock the test moves by hand; due actions run when it is advanced past them.
class ManualCaptureClock final : public CaptureClock {
public:
    QDateTime current = QDateTime(QDate(2026, 1, 2), QTime(10, 0), Qt::UTC);

    QDateTime now() const override { return current; }
    quint64 scheduleAt(const QDateTime& deadline, std::function<void()> action) override
    {
        const quint64 token = next++;
        entries.insert(token, {deadline, std::move(action)});
        return token;
    }
    void cancel(quint64 token) override { entries.remove(token); }

    void advance(qint64 ms)
    {
        current = current.addMSecs(ms);
        for (;;) {
            auto due = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first <= current; });
            if (due == entries.end())
                return;
            auto action = due->second;
            entries.erase(due);
            action();
        }
    }
    int pending() const { return int(entries.size()); }
    // Moves to the earliest scheduled moment and runs what is due; false when nothing waits.
    bool advanceToNextDue()
    {
        if (entries.isEmpty())
            return false;
        auto earliest = std::min_element(entries.begin(), entries.end(),
                                          [](const auto& a, const auto& b) { return a.first < b.first; });
        advance(std::max<qint64>(0, current.msecsTo(earliest->first)));
        return true;
    }

private:
    QMap<quint64, std::pair<QDateTime, std::function<void()>>> entries;
    quint64 next = 1;
};

// Runs the event loop, the workers and `clock` until `done` holds (looked at after every
// step), nothing is left to run, or `mayGoOn` says no more.
inline bool runClockUntil(ManualCaptureClock& clock, const std::function<bool()>& done,
                          const std::function<bool()>& mayGoOn)
{
    while (mayGoOn()) {
        if (done())
            return true;
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        if (done())
            return true;
        if (!clock.advanceToNextDue()) {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents();
            if (!clock.pending())
                return done();
        }
    }
    return done();
}

// Records alerts instead of showing them.
class RecordingAlerts final : public CaptureAlerts {
public:
    struct Alert {
        QString title;
        QString text;
        QStringList buttons;
    };
    std::vector<Alert> alerts;
    bool acceptAnswer = false;

    RecordingAlerts() { CaptureAlerts::setForTesting(this); }
    ~RecordingAlerts() override { CaptureAlerts::setForTesting(nullptr); }

    void showWarning(const QString& title, const QString& text) override { alerts.push_back({title, text, {}}); }
    void showInformation(const QString& title) override { alerts.push_back({title, {}, {}}); }
    bool askWarning(const QString& title, const QString& text, const QString& accept, const QString& cancel) override
    {
        alerts.push_back({title, text, {accept, cancel}});
        return acceptAnswer;
    }
};

// A screenshot tool the test starts, ends and fails at will.
class FakeScreenshotTool final : public SystemScreenshotTool {
public:
    bool startSucceeds = true;
    QString startError = QStringLiteral("no desktop portal");
    int starts = 0;

    bool start(QString* error) override
    {
        ++starts;
        if (!startSucceeds && error)
            *error = startError;
        return startSucceeds;
    }
    void finish(const QImage& image) { emit finished(image); }
    void stopAnswering() { emit notAnswering(); }
};

// A picture whose every pixel differs from its neighbours, so an off-by-one crop shows.
inline QImage patternImage(int width, int height, int seed = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + seed) & 0xff, (y * 5 + seed * 3) & 0xff, (x * y + seed) & 0xff));
    return image;
}

inline QByteArray pngBytes(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Notes the order in which the windows it watches are shown.
struct ShowOrder : QObject {
    QList<QObject*> shown;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            shown.append(watched);
        return false;
    }
};

// Made-up displays with known pictures.
class FakeDisplaySource final : public DisplayCaptureSource {
public:
    struct Entry {
        std::optional<Display> display;
        QImage image;
    };
    QList<Entry> entries;
    bool available = true;
    bool failCaptures = false;
    int captures = 0;

    FakeDisplaySource() { DisplayCaptureSource::setForTesting(this); }
    ~FakeDisplaySource() override { DisplayCaptureSource::setForTesting(nullptr); }

    void add(std::uint32_t number, QRectF frame, double scale, QImage image)
    {
        Display d;
        d.number = number;
        d.frame = frame;
        d.scale = scale;
        d.pixelFrame = QRect(QPoint(0, 0), image.size());
        entries.append({d, std::move(image)});
    }

    bool isAvailable() override { return available; }
    QList<std::optional<Display>> displays() override
    {
        QList<std::optional<Display>> list;
        for (const auto& e : entries)
            list.append(e.display);
        return list;
    }
    QImage capture(const Display& display, const QSize& pixelSize) override
    {
        ++captures;
        lastRequestedSize = pixelSize;
        if (onCapture)
            onCapture();
        if (failCaptures)
            return {};
        for (const auto& e : entries)
            if (e.display && e.display->number == display.number)
                return e.image;
        return {};
    }
    QSize lastRequestedSize;
    std::function<void()> onCapture;

    // What prepare() answers; while deferPrepare it waits for answerPrepare().
    Preparation preparation = Preparation::ready;
    bool deferPrepare = false;
    std::function<void(Preparation)> pendingPrepare;
    int releases = 0;
    void prepare(std::function<void(Preparation)> done) override
    {
        if (deferPrepare)
            pendingPrepare = std::move(done);
        else
            done(preparation);
    }
    void answerPrepare(Preparation answer) { std::exchange(pendingPrepare, nullptr)(answer); }
    void release() override { ++releases; }
    QString refusalMessageKey() const override { return QStringLiteral("capture.permission.portalMessage"); }
};

// Holds encodings until the test lets them go, and notes whether one ran on the main
// thread. Only images of `heldSize` wait when it is set; every one waits otherwise.
class GatedEncoder {
public:
    explicit GatedEncoder(QSize heldSize = {})
        : m_heldSize(heldSize)
    {
        setCapturePngEncoderForTesting([this](const QImage& image) -> std::optional<QByteArray> {
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                ranOnMainThread = true;
            // Bounded, so that a failed test never leaves a worker blocked for good.
            if (!m_heldSize.isValid() || image.size() == m_heldSize)
                m_gate.tryAcquire(1, 5000);
            ++finished;
            return pngBytes(image);
        });
    }
    ~GatedEncoder()
    {
        release();
        setCapturePngEncoderForTesting({});
    }
    void release() { m_gate.release(100); }
    void close() { m_gate.tryAcquire(m_gate.available()); }
    bool waitUntilFinished(int count) { return QTest::qWaitFor([&] { return finished.load() >= count; }, 5000); }

    std::atomic<bool> ranOnMainThread{false};
    std::atomic<int> finished{0};

private:
    QSize m_heldSize;
    QSemaphore m_gate;
};
