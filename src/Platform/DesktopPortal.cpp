#include "Platform/DesktopPortal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDir>
#include <QRandomGenerator>
#include <QFile>
#include <QStandardPaths>

#include <atomic>

namespace DesktopPortal {

bool isPresent(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    QDBusConnectionInterface* daemon = bus.interface();
    if (daemon && daemon->isServiceRegistered(service).value())
        return true;
    const QDBusReply<QStringList> activatable = bus.call(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames")));
    return activatable.isValid() && activatable.value().contains(service);
}

QString newToken()
{
    static std::atomic<quint32> counter{0};
    return QStringLiteral("lumetra%1_%2").arg(++counter).arg(QRandomGenerator::global()->generate());
}

QString handlePath(const QDBusConnection& bus, const QString& kind, const QString& token)
{
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return objectPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender + QLatin1Char('/') + token;
}

QStringList screenshotServices(const QDBusConnection& bus, const QStringList& portalFolders)
{
    QStringList services{service};
    QStringList folders = portalFolders;
    if (folders.isEmpty())
        for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
            folders << data + QStringLiteral("/xdg-desktop-portal/portals");
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.portal")}, QDir::Files)) {
            QFile description(file.filePath());
            if (!description.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            QString name;
            QStringList interfaces;
            for (const QByteArray& raw : description.readAll().split('\n')) {
                const QString line = QString::fromUtf8(raw).trimmed();
                if (line.startsWith(QLatin1String("DBusName=")))
                    name = line.mid(9).trimmed();
                else if (line.startsWith(QLatin1String("Interfaces=")))
                    interfaces = line.mid(11).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            }
            if (name.isEmpty() || services.contains(name)
                || !interfaces.contains(QStringLiteral("org.freedesktop.impl.portal.Screenshot")))
                continue;
            if (daemon && daemon->isServiceRegistered(name).value())
                services << name;
        }
    }
    return services;
}

} // namespace DesktopPortal

namespace {

// Errors that say the portal, or the part of it that was called, is not there.
bool meansUnavailable(const QString& errorName)
{
    static const QStringList names{
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
    };
    return names.contains(errorName);
}

} // namespace

PortalRequest::PortalRequest(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        closeAtPortal();
        finish({PortalAnswer::Outcome::failed, {}, QStringLiteral("the desktop portal did not answer in time")});
    });
}

PortalRequest::~PortalRequest()
{
    if (m_running)
        closeAtPortal();
    stopListening();
}

void PortalRequest::start(const QString& interface, const QString& method, const QVariantList& arguments,
                          QVariantMap options, int timeoutMs)
{
    if (m_running)
        return;
    m_running = true;
    const quint64 call = ++m_call;
    const QString token = DesktopPortal::newToken();
    options.insert(QStringLiteral("handle_token"), token);
    listenOn(DesktopPortal::handlePath(m_bus, QStringLiteral("request"), token));
    m_timeout.start(timeoutMs);

    QDBusMessage message
        = QDBusMessage::createMethodCall(DesktopPortal::service, DesktopPortal::objectPath, interface, method);
    QVariantList all = arguments;
    all.append(options);
    message.setArguments(all);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, call](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        if (call != m_call || !m_running)
            return;
        const QDBusPendingReply<QDBusObjectPath> reply = *done;
        if (reply.isError()) {
            const QDBusError error = reply.error();
            const QString text = error.message().isEmpty() ? error.name() : error.message();
            finish({meansUnavailable(error.name()) ? PortalAnswer::Outcome::unavailable : PortalAnswer::Outcome::failed,
                    {},
                    text});
            return;
        }
        // Portals older than handle tokens answer on a path of their own choosing.
        const QString path = reply.value().path();
        if (!path.isEmpty() && path != m_path)
            listenOn(path);
        emit taken();
    });
}

void PortalRequest::cancel()
{
    if (!m_running)
        return;
    closeAtPortal();
    finish({PortalAnswer::Outcome::cancelled, {}, {}});
}

void PortalRequest::giveUp(const QString& reason)
{
    if (!m_running)
        return;
    closeAtPortal();
    finish({PortalAnswer::Outcome::notAnswering, {}, reason});
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    if (!m_running)
        return;
    PortalAnswer answer;
    answer.outcome = response == 0 ? PortalAnswer::Outcome::answered
        : response == 1            ? PortalAnswer::Outcome::cancelled
                                   : PortalAnswer::Outcome::refused;
    answer.results = results;
    finish(std::move(answer));
}

void PortalRequest::listenOn(const QString& path)
{
    stopListening();
    m_path = path;
    m_bus.connect(DesktopPortal::service, m_path, DesktopPortal::requestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::stopListening()
{
    if (m_path.isEmpty())
        return;
    m_bus.disconnect(DesktopPortal::service, m_path, DesktopPortal::requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    m_path.clear();
}

void PortalRequest::closeAtPortal()
{
    if (m_path.isEmpty())
        return;
    m_bus.asyncCall(QDBusMessage::createMethodCall(DesktopPortal::service, m_path, DesktopPortal::requestInterface,
                                                   QStringLiteral("Close")));
}

void PortalRequest::finish(PortalAnswer answer)
{
    m_running = false;
    m_timeout.stop();
    stopListening();
    // Last: the receiver may start the next request from its slot.
    emit finished(answer);
}
