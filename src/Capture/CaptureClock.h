#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

class QTimer;

// Wall-clock time and main-thread work at a wall-clock moment, so that a delayed
// capture counts time spent asleep. Tests substitute a clock they move by hand.
class CaptureClock {
public:
    virtual ~CaptureClock() = default;

    static CaptureClock& system();

    virtual QDateTime now() const = 0;
    // Runs action once on the main thread at or after deadline; returns a token.
    virtual quint64 scheduleAt(const QDateTime& deadline, std::function<void()> action) = 0;
    // Cancels a scheduled action; unknown or spent tokens are ignored.
    virtual void cancel(quint64 token) = 0;
};

// The real clock: QTimers re-armed at most a second at a time against the wall clock.
class SystemCaptureClock final : public QObject, public CaptureClock {
public:
    QDateTime now() const override;
    quint64 scheduleAt(const QDateTime& deadline, std::function<void()> action) override;
    void cancel(quint64 token) override;

private:
    struct Entry {
        QDateTime deadline;
        std::function<void()> action;
        QTimer* timer = nullptr;
    };
    void arm(quint64 token);

    QHash<quint64, Entry> m_entries;
    quint64 m_next = 1;
};
