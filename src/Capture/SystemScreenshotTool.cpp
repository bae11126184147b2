#include "Capture/SystemScreenshotTool.h"

#include "Core/Localization.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QImageReader>
#include <QRandomGenerator>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
} // namespace

bool PortalScreenshotTool::start(QString* error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (error)
            *error = localized(QStringLiteral("capture.error.reason.noSessionBus"));
        return false;
    }
    QDBusConnectionInterface* busInterface = bus.interface();
    if (!busInterface || !busInterface->isServiceRegistered(portalService).value()) {
        const QDBusReply<QStringList> activatable
            = bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                      QStringLiteral("/org/freedesktop/DBus"),
                                                      QStringLiteral("org.freedesktop.DBus"),
                                                      QStringLiteral("ListActivatableNames")));
        if (!activatable.isValid() || !activatable.value().contains(portalService)) {
            if (error)
                *error = localizedFormat(QStringLiteral("capture.error.reason.noPortal"), {portalService});
            return false;
        }
    }

    // Listen on the request's path before asking, so a quick answer is not missed.
    const QString token = QStringLiteral("lumetra%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_requestPath = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath,
                                                       QStringLiteral("org.freedesktop.portal.Screenshot"),
                                                       QStringLiteral("Screenshot"));
    QVariantMap options;
    options.insert(QStringLiteral("interactive"), true);
    options.insert(QStringLiteral("modal"), true);
    options.insert(QStringLiteral("handle_token"), token);
    call << QString() << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                       SLOT(onResponse(uint, QVariantMap)));
        if (error)
            *error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return false;
    }
    // Older portals answer on a path of their own choosing.
    const QList<QVariant> arguments = reply.arguments();
    if (!arguments.isEmpty()) {
        const QString path = qvariant_cast<QDBusObjectPath>(arguments.first()).path();
        if (!path.isEmpty() && path != m_requestPath) {
            bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                           SLOT(onResponse(uint, QVariantMap)));
            m_requestPath = path;
            bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
        }
    }
    return true;
}

void PortalScreenshotTool::onResponse(uint response, const QVariantMap& results)
{
    QDBusConnection::sessionBus().disconnect(portalService, m_requestPath, requestInterface,
                                             QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (response != 0 || !uri.isLocalFile()) {
        emit finished(QImage());
        return;
    }
    // A full screen's file takes a while to decode: read it on a worker, report here.
    QtConcurrent::run([path = uri.toLocalFile()] { return QImageReader(path).read(); })
        .then(this, [this](const QImage& image) { emit finished(image); });
}
