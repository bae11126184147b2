#pragma once

#include "Platform/DesktopPortal.h"
#include "Platform/PortalLiveness.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// What a screenshot request of the desktop portal brought back.
struct PortalScreenshotResult {
    PortalAnswer::Outcome outcome = PortalAnswer::Outcome::failed;
    QImage image; // set only when answered and the file could be read
    QString error; // the bus's words, or why the file could not be read
};

// The portal's Screenshot interface. Non-interactive, it hands back a picture of every
// display (the desktop may ask its user once for permission); interactive, the desktop's
// own tool lets the user choose a window or an area. The portal writes the picture to a
// file, which is read on a worker and then removed, so captures leave nothing behind.
//
// A portal (or its backend) that stopped answering the bus is never waited on for long:
// the request goes out only once every service it passes through answered a question
// (PortalLiveness), and while a non-interactive one runs they are asked again now and
// then. One that leaves a question unanswered for answerLimitMs ends the request as
// notAnswering, closed at the portal, so that nothing asked before comes back later.
// Once the portal has taken an interactive request, the user is choosing: a backend
// may answer nothing while its picker runs, and no question is asked until the request
// ends (timeoutMs bounds it). Every question is asked without waiting on the main thread.
class PortalScreenshot : public QObject {
    Q_OBJECT
public:
    static constexpr int answerLimitMs = 4000;
    static constexpr int checkIntervalMs = 2000;

    explicit PortalScreenshot(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // The program the desktop's portal lets the user choose with in an interactive
    // screenshot, when that portal runs on bus and the program is not installed
    // (xdg-desktop-portal-wlr picks through slurp, which its package does not pull in).
    // programExists defaults to programIsInstalled.
    // Whether a program of that name is installed: on Lumetra's search path, or in the
    // system's own folders, where the portal (whose search path is its own) finds it.
    static bool programIsInstalled(const QString& program);
    static std::optional<QString> missingPickerProgram(
        const QDBusConnection& bus, const std::function<bool(const QString&)>& programExists = {});

    // The program through which the portal running on bus lets the user choose, when its
    // backend hands the choice to one (slurp, for xdg-desktop-portal-wlr). Such a program
    // ends alike whether the user cancelled or it failed, so the portal cannot tell a
    // cancel from a refusal there.
    static std::optional<QString> pickerProgram(const QDBusConnection& bus);

    // Asks for the picture; false (and no report) while an earlier request runs. timeoutMs
    // bounds a request whose services keep answering (a user deciding, a picker open).
    bool take(bool interactive, int timeoutMs);
    // Gives up a running request: it is reported cancelled.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void finished(const PortalScreenshotResult& result);

private:
    void checked(const QString& silent);
    void answered(const PortalAnswer& answer);
    void report(const PortalScreenshotResult& result);

    QDBusConnection m_bus;
    PortalRequest m_request;
    PortalLiveness m_liveness;
    QTimer m_watch;
    QList<PortalLiveness::Probe> m_probes;
    QVariantMap m_options;
    int m_timeoutMs = 0;
    bool m_running = false;
    // Names the current request, so that a file read for a cancelled one is dropped.
    quint64 m_generation = 0;
};
