#include "Platform/PortalLiveness.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

PortalLiveness::PortalLiveness(QDBusConnection bus, int limitMs, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_limitMs(limitMs)
{
}

void PortalLiveness::check(const QList<Probe>& probes)
{
    if (m_pending > 0)
        return;
    const quint64 check = ++m_check;
    if (probes.isEmpty()) {
        emit checked(QString());
        return;
    }
    m_pending = int(probes.size());
    for (const Probe& probe : probes) {
        QDBusMessage ask = QDBusMessage::createMethodCall(probe.service, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        ask.setArguments({probe.interface, probe.property});
        const QString service = probe.service;
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, m_limitMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, check, service](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (check != m_check || m_pending == 0)
                return;
            const QDBusError::ErrorType error = done->error().type();
            if (error == QDBusError::NoReply || error == QDBusError::Timeout || error == QDBusError::TimedOut) {
                m_pending = 0;
                emit checked(service);
                return;
            }
            if (--m_pending == 0)
                emit checked(QString());
        });
    }
}

void PortalLiveness::stop()
{
    ++m_check;
    m_pending = 0;
}
