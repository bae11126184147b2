#include "support/FakeDesktopPortal.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

struct FakeShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const FakeShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, FakeShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// Where a portal puts the handle made with `token` for the caller `sender`.
QString handlePath(const QString& kind, QString sender, const QString& token)
{
    return kPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender.mid(1).replace(QLatin1Char('.'), QLatin1Char('_'))
        + QLatin1Char('/') + token;
}

} // namespace

Q_DECLARE_METATYPE(FakeShortcut)

class FakePortalBackend : public QDBusVirtualObject {
public:
    QString connectionName;
    QDeadlineTimer pickerEnds;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        // Answered once the picker has ended, whatever was asked.
        message.setDelayedReply(true);
        const QDBusMessage reply
            = message.member() == QLatin1String("Get")
            ? message.createReply(QVariant::fromValue(QDBusVariant(uint(1))))
            : message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), QStringLiteral("no"));
        const qint64 wait = pickerEnds.remainingTime();
        if (wait <= 0)
            return connection.send(reply);
        QTimer::singleShot(int(wait), [name = connectionName, reply] { QDBusConnection(name).send(reply); });
        return true;
    }
};

FakeDesktopPortal::FakeDesktopPortal()
{
    qDBusRegisterMetaType<FakeShortcut>();
    qDBusRegisterMetaType<QList<FakeShortcut>>();
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    if (daemon.isEmpty() || !config.open(QIODevice::WriteOnly))
        return;
    config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                "</policy></busconfig>\n")
                     .arg(m_dir.path())
                     .toUtf8());
    config.close();
    m_daemon = std::make_unique<QProcess>();
    m_daemon->start(daemon, {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    if (!QTest::qWaitFor([&] { return m_daemon->canReadLine() || m_daemon->waitForReadyRead(100); }, 5000))
        return;
    const QString address = QString::fromUtf8(m_daemon->readLine()).trimmed();
    m_address = address;
    static int serial = 0;
    m_clientName = QStringLiteral("fake-portal-client-%1").arg(++serial);
    m_portalName = QStringLiteral("fake-portal-%1").arg(serial);
    QDBusConnection portal = QDBusConnection::connectToBus(address, m_portalName);
    m_ready = QDBusConnection::connectToBus(address, m_clientName).isConnected()
        && portal.registerVirtualObject(kPath, this, QDBusConnection::SubPath);
}

FakeDesktopPortal::~FakeDesktopPortal()
{
    if (m_backend) {
        QDBusConnection(m_backend->connectionName).unregisterObject(kPath, QDBusConnection::UnregisterTree);
        QCoreApplication::removePostedEvents(m_backend.get());
        QDBusConnection::disconnectFromBus(m_backend->connectionName);
    }
    // Calls that reached the bus thread just before the end wait as posted events for
    // this object; they must go while their connection still lives, or dropping them
    // after the disconnect touches a freed connection.
    QDBusConnection(m_portalName).unregisterObject(kPath, QDBusConnection::UnregisterTree);
    QCoreApplication::removePostedEvents(this);
    QDBusConnection::disconnectFromBus(m_portalName);
    QDBusConnection::disconnectFromBus(m_clientName);
    if (m_daemon) {
        m_daemon->kill();
        m_daemon->waitForFinished(5000);
    }
}

bool FakeDesktopPortal::appear()
{
    return QDBusConnection(m_portalName).registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

bool FakeDesktopPortal::addBackend(const QString& name, const QString& portalFolder)
{
    QFile description(portalFolder + QStringLiteral("/fake.portal"));
    if (!description.open(QIODevice::WriteOnly))
        return false;
    description.write(QStringLiteral("[portal]\nDBusName=%1\nInterfaces=org.freedesktop.impl.portal.Screenshot;\n")
                          .arg(name)
                          .toUtf8());
    description.close();
    m_backend = std::make_unique<FakePortalBackend>();
    m_backend->connectionName = m_portalName + QStringLiteral("-backend");
    QDBusConnection backend = QDBusConnection::connectToBus(m_address, m_backend->connectionName);
    return backend.registerVirtualObject(kPath, m_backend.get(), QDBusConnection::SubPath)
        && backend.registerService(name);
}

int FakeDesktopPortal::count(const QString& member) const
{
    return int(std::count_if(calls.begin(), calls.end(), [&](const auto& call) { return call.first == member; }));
}

void FakeDesktopPortal::activate(const QString& session, const QString& shortcutId)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                     QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcutId << qulonglong(1) << QVariantMap();
    QDBusConnection(m_portalName).send(signal);
}

bool FakeDesktopPortal::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    const QString member = message.member();
    const QList<QVariant> arguments = message.arguments();
    const QVariantMap options = arguments.isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(arguments.last());
    calls.append({member, options});
    if (member == QLatin1String("Close"))
        closedPaths << message.path();
    if (silent)
        return true;
    if (member == QLatin1String("Close"))
        return connection.send(message.createReply());
    const bool screenshot = message.interface().endsWith(QLatin1String(".Screenshot")) && offersScreenshot;
    const bool shortcuts = message.interface().endsWith(QLatin1String(".GlobalShortcuts")) && offersGlobalShortcuts;
    if (screenshot && member == QLatin1String("Screenshot")) {
        QVariantMap results;
        if (screenshotResponse == 0u) {
            writtenFile = m_dir.filePath(QStringLiteral("shot-%1.png").arg(calls.size()));
            screenshotImage.save(writtenFile, "PNG");
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(writtenFile).toString());
        }
        if (m_backend && pickerMs > 0 && options.value(QStringLiteral("interactive")).toBool()) {
            // The reply at once, the Response once the user has chosen in the picker.
            m_backend->pickerEnds = QDeadlineTimer(pickerMs);
            respond(message, std::nullopt, {});
            QTimer::singleShot(pickerMs, this, [this, message, results] { respond(message, screenshotResponse, results, false); });
        } else {
            respond(message, screenshotResponse, results);
        }
    } else if (shortcuts && member == QLatin1String("CreateSession")) {
        lastSession = handlePath(QStringLiteral("session"), message.service(),
                                 options.value(QStringLiteral("session_handle_token")).toString());
        respond(message, shortcutsResponse, {{QStringLiteral("session_handle"), lastSession}});
    } else if (shortcuts && member == QLatin1String("BindShortcuts")) {
        QList<FakeShortcut> asked;
        qvariant_cast<QDBusArgument>(arguments.value(1)) >> asked;
        QList<FakeShortcut> bound;
        for (const FakeShortcut& s : asked) {
            boundShortcuts.append({s.id, s.properties.value(QStringLiteral("description")).toString(),
                                   s.properties.value(QStringLiteral("preferred_trigger")).toString()});
            bound.append({s.id, {{QStringLiteral("trigger_description"), QStringLiteral("Ctrl+Shift+7")}}});
        }
        respond(message, shortcutsResponse, {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
    } else {
        connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                                 QStringLiteral("No such interface “%1”").arg(message.interface())));
    }
    return true;
}

void FakeDesktopPortal::respond(const QDBusMessage& call, std::optional<uint> response, const QVariantMap& results,
                                bool reply)
{
    const QString path = handlePath(QStringLiteral("request"), call.service(),
                                    qdbus_cast<QVariantMap>(call.arguments().last()).value("handle_token").toString());
    QDBusConnection connection(m_portalName);
    if (reply)
        connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    if (response)
        QTimer::singleShot(10, [connection, path, response = *response, results]() mutable {
            QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal << response << results;
            connection.send(signal);
        });
}
