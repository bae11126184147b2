#pragma once

// A desktop portal for tests: a private dbus-daemon that starts no services (a missing
// portal stays missing) and a fake org.freedesktop.portal.Desktop on it, answering
// Screenshot and GlobalShortcuts calls through request objects as the real one does,
// the reply first and the Response a moment later. Clients use client(); the portal has
// a connection of its own on the same thread, so clients must not block on it.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>
#include <optional>

class FakePortalBackend;

class FakeDesktopPortal : public QDBusVirtualObject {
    Q_OBJECT
public:
    FakeDesktopPortal();
    ~FakeDesktopPortal() override;

    bool isReady() const { return m_ready; } // false: no dbus-daemon, skip
    QDBusConnection client() const { return QDBusConnection(m_clientName); }
    QDBusConnection desktop() const { return QDBusConnection(m_portalName); } // the desktop's own side
    bool appear(); // takes the portal's name; the bus has no portal before

    bool offersScreenshot = true;
    bool offersGlobalShortcuts = true;
    std::optional<uint> screenshotResponse = 0; // none: never answers
    bool silent = false; // replies to nothing, pings included, as a stopped process would
    QImage screenshotImage;                     // written to the file the answer names
    uint shortcutsResponse = 0;

    QList<std::pair<QString, QVariantMap>> calls; // member and options, in order
    QStringList closedPaths;                      // requests and sessions the client closed
    QList<QStringList> boundShortcuts;            // id, description, preferred trigger
    QString lastSession;
    QString writtenFile;

    // A backend of the portal's on the bus (a screenshot taker, as xdg-desktop-portal-wlr
    // is), described by a .portal file written into portalFolder. While an interactive
    // screenshot's picker runs (pickerMs) it answers nothing, as a backend that waits on
    // its picker program does: the questions asked meanwhile are answered, and the
    // request's Response is sent, once the picker ends.
    bool addBackend(const QString& name, const QString& portalFolder);
    int pickerMs = 0;

    int count(const QString& member) const;
    void activate(const QString& session, const QString& shortcutId);

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void respond(const QDBusMessage& call, std::optional<uint> response, const QVariantMap& results, bool reply = true);

    bool m_ready = false;
    std::unique_ptr<QProcess> m_daemon;
    QTemporaryDir m_dir;
    QString m_clientName;
    QString m_portalName;
    QString m_address;
    std::unique_ptr<FakePortalBackend> m_backend;
};
