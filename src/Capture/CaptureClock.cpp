#include "Capture/CaptureClock.h"

#include <QTimer>

#include <algorithm>

CaptureClock& CaptureClock::system()
{
    static SystemCaptureClock* clock = new SystemCaptureClock;
    return *clock;
}

QDateTime SystemCaptureClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

quint64 SystemCaptureClock::scheduleAt(const QDateTime& deadline, std::function<void()> action)
{
    const quint64 token = m_next++;
    Entry entry;
    entry.deadline = deadline;
    entry.action = std::move(action);
    entry.timer = new QTimer(this);
    entry.timer->setSingleShot(true);
    entry.timer->setTimerType(Qt::PreciseTimer);
    connect(entry.timer, &QTimer::timeout, this, [this, token] { arm(token); });
    m_entries.insert(token, std::move(entry));
    arm(token);
    return token;
}

void SystemCaptureClock::arm(quint64 token)
{
    auto it = m_entries.find(token);
    if (it == m_entries.end())
        return;
    const qint64 remaining = now().msecsTo(it->deadline);
    if (remaining > 0) {
        // Timers run on the monotonic clock, which stops while the machine sleeps:
        // look at the wall clock again at least once a second.
        it->timer->start(int(std::min<qint64>(remaining, 1000)));
        return;
    }
    Entry entry = std::move(it.value());
    m_entries.erase(it);
    entry.timer->deleteLater();
    if (entry.action)
        entry.action();
}

void SystemCaptureClock::cancel(quint64 token)
{
    auto it = m_entries.find(token);
    if (it == m_entries.end())
        return;
    it->timer->stop();
    it->timer->deleteLater();
    m_entries.erase(it);
}
