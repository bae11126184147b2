#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>

// The desktop portal (xdg-desktop-portal) on the session bus: how a Wayland client gets
// screenshots and global shortcuts. A portal call answers at once with the path of a
// request object and later, once the desktop (or its user) has decided, through that
// object's Response signal.
namespace DesktopPortal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
inline const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
inline const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
inline const QString globalShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// Whether a portal runs on the bus, or the bus would start one when asked.
bool isPresent(QDBusConnection bus);

// A token for a request or session handle that no other of this process's has.
QString newToken();

// The path the portal gives the request (or session) of this connection made with token.
QString handlePath(const QDBusConnection& bus, const QString& kind, const QString& token);

// The services a screenshot request passes through: the portal itself, and each of its
// backends running on the bus whose description (a .portal file in portalFolders, by
// default those of the XDG data folders) says it takes screenshots.
QStringList screenshotServices(const QDBusConnection& bus, const QStringList& portalFolders = {});

} // namespace DesktopPortal

// How one portal request ended.
struct PortalAnswer {
    enum class Outcome {
        answered,    // response 0: the results hold what was asked for
        cancelled,   // response 1: the user cancelled, or we closed the request
        refused,     // response 2: ended otherwise (refused, or the desktop's side failed)
        unavailable, // no portal, or it lacks the interface or the method
        failed,      // any other bus error, or no response in time
        notAnswering, // the portal, or the backend doing its work, stopped answering the bus
    };
    Outcome outcome = Outcome::failed;
    QVariantMap results;
    QString error; // the bus's words, for unavailable and failed
};

// One call of a portal method that answers through a request object. It listens on the
// request's path before it calls, so a quick response is never missed; one that comes
// after timeoutMs ends the request as failed (and closes it at the portal).
class PortalRequest : public QObject {
    Q_OBJECT
public:
    explicit PortalRequest(QDBusConnection bus, QObject* parent = nullptr);
    // A request still running is closed at the portal, without a report.
    ~PortalRequest() override;

    // Calls interface.method(arguments..., options) on the portal; options gets the
    // handle token. Ignored while a request runs.
    void start(const QString& interface, const QString& method, const QVariantList& arguments, QVariantMap options,
               int timeoutMs);
    // Closes the request at the portal and reports it cancelled.
    void cancel();
    // Closes the request at the portal and reports that the portal does not answer; an
    // answer that comes later is dropped.
    void giveUp(const QString& reason);
    bool isRunning() const { return m_running; }

signals:
    // The portal took the call and gave the request's handle: from here on the request
    // is the desktop's (and, for an interactive one, its user's) to answer.
    void taken();
    void finished(const PortalAnswer& answer);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    void listenOn(const QString& path);
    void stopListening();
    void closeAtPortal();
    void finish(PortalAnswer answer);

    QDBusConnection m_bus;
    QString m_path;
    QTimer m_timeout;
    bool m_running = false;
    // Names the current call, so that the reply to an earlier one is left alone.
    quint64 m_call = 0;
};
