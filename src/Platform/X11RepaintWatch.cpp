#include "Platform/X11RepaintWatch.h"

#include "Platform/X11Session.h"
#include "Platform/XcbConnection.h"

#include <QSocketNotifier>

#include <xcb/damage.h>

#include <algorithm>

X11RepaintWatch::X11RepaintWatch(int quietMs, QObject* parent)
    : QObject(parent)
    , m_quietMs(quietMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { check(); });
}

X11RepaintWatch::~X11RepaintWatch()
{
    stopWatching();
}

bool X11RepaintWatch::available()
{
    return ensureConnection();
}

bool X11RepaintWatch::ensureConnection()
{
    if (m_connection)
        return true;
    if (m_connectionFailed)
        return false;
    m_connectionFailed = true;
    std::unique_ptr<XcbConnection> connection = XcbConnection::open();
    if (!connection)
        return false;
    xcb_connection_t* c = connection->connection();
    const std::optional<std::uint8_t> damageEvent = damageNotifyEvent(c);
    if (!damageEvent)
        return false;
    m_damageEvent = *damageEvent;
    m_connection = std::move(connection);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { check(); });
    m_connectionFailed = false;
    return true;
}

void X11RepaintWatch::wait(QObject* context, int capMs, std::function<void()> then)
{
    Waiter waiter{context, context != nullptr, std::move(then), {}, std::max(0, capMs)};
    waiter.waited.start();
    m_waiters.push_back(std::move(waiter));
    if (!m_damage && ensureConnection())
        startWatching();
    // Never at once: the caller finishes its own turn first, as with a timer.
    m_timer.start(0);
}

void X11RepaintWatch::startWatching()
{
    xcb_connection_t* c = m_connection->connection();
    m_compositor = X11Session::compositorRunning(*m_connection);
    m_damage = xcb_generate_id(c);
    // One report until it is taken away: a busy screen costs one event per turn, not one
    // per drawing.
    xcb_damage_create(c, m_damage, m_connection->root(), XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_flush(c);
    m_drawnSinceStart = false;
    m_sinceDrawn.start();
}

void X11RepaintWatch::stopWatching()
{
    m_timer.stop();
    if (!m_damage || !m_connection)
        return;
    xcb_connection_t* c = m_connection->connection();
    xcb_damage_destroy(c, m_damage);
    xcb_flush(c);
    m_damage = 0;
    // Reports sent before the watch ended are read and dropped here rather than waking
    // the next wait.
    readEvents();
}

void X11RepaintWatch::readEvents()
{
    if (!m_connection)
        return;
    xcb_connection_t* c = m_connection->connection();
    bool drawn = false;
    while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        if ((event->response_type & 0x7f) != m_damageEvent)
            continue;
        const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event.get());
        if (m_damage && notify->damage == m_damage)
            drawn = true;
    }
    if (drawn) {
        m_drawnSinceStart = true;
        // Drawing until the server has taken the report away is reported by nobody: the
        // quiet time counts from then, not from the reading, which a busy machine may
        // have held up for longer than the quiet time.
        xcb_damage_subtract(c, m_damage, XCB_NONE, XCB_NONE);
        m_connection->sync();
        m_sinceDrawn.restart();
    }
}

void X11RepaintWatch::check()
{
    // Waiting for a reply may have read reports off the socket, which the notifier then
    // does not see.
    readEvents();
    if (m_waiters.empty())
        return;
    // Without a watch only the longest wait is left to go by.
    const bool watching = m_damage != 0;
    const auto quiet = [&] { return watching && (m_drawnSinceStart || !m_compositor) && m_sinceDrawn.elapsed() >= m_quietMs; };
    bool settled = quiet();
    if (settled) {
        // Quiet as far as this process has looked; the server may have reported drawing
        // while it was held up since. A round trip brings every report sent until now in.
        m_connection->sync();
        readEvents();
        settled = quiet();
    }
    std::vector<Waiter> ready;
    qint64 next = watching ? std::max<qint64>(1, m_quietMs - m_sinceDrawn.elapsed()) : qint64(1) << 30;
    for (auto it = m_waiters.begin(); it != m_waiters.end();) {
        const qint64 left = it->capMs - it->waited.elapsed();
        if (settled || left <= 0) {
            ready.push_back(std::move(*it));
            it = m_waiters.erase(it);
        } else {
            next = std::min(next, left);
            ++it;
        }
    }
    if (m_waiters.empty())
        stopWatching();
    else
        m_timer.start(int(std::min<qint64>(next, 1 << 20)));
    for (Waiter& waiter : ready) {
        if (!waiter.hasContext || waiter.context)
            waiter.then();
    }
}
