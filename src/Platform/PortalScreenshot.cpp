#include "Platform/PortalScreenshot.h"

#include "Base/OffMainThread.h"
#include "Platform/ImageFileReader.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>


PortalScreenshot::PortalScreenshot(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_request(bus)
    , m_liveness(bus, answerLimitMs)
{
    connect(&m_request, &PortalRequest::finished, this, &PortalScreenshot::answered);
    connect(&m_request, &PortalRequest::taken, this, [this] {
        // The user now chooses, for as long as they like, and a backend may answer nothing
        // while its picker runs: none of that is silence.
        if (m_options.value(QStringLiteral("interactive")).toBool()) {
            m_watch.stop();
            m_liveness.stop();
        }
    });
    connect(&m_liveness, &PortalLiveness::checked, this, &PortalScreenshot::checked);
    m_watch.setInterval(checkIntervalMs);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (m_request.isRunning() && !m_liveness.isChecking())
            m_liveness.check(m_probes);
    });
}

std::optional<QString> PortalScreenshot::pickerProgram(const QDBusConnection& bus)
{
    // The portal backends that hand the choice to a separate program, and that program.
    static const struct {
        const char* backend;
        const char* program;
    } pickers[] = {{"org.freedesktop.impl.portal.desktop.wlr", "slurp"}};
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon)
        return std::nullopt;
    for (const auto& picker : pickers)
        if (daemon->isServiceRegistered(QLatin1String(picker.backend)).value())
            return QLatin1String(picker.program);
    return std::nullopt;
}

bool PortalScreenshot::programIsInstalled(const QString& program)
{
    // The portal runs the program with its own search path, not Lumetra's: one that
    // Lumetra's path lacks may well be installed where every session looks.
    static const QStringList systemFolders{QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/bin"), QStringLiteral("/usr/local/sbin"),
                                           QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    return !QStandardPaths::findExecutable(program).isEmpty()
        || !QStandardPaths::findExecutable(program, systemFolders).isEmpty();
}

std::optional<QString> PortalScreenshot::missingPickerProgram(const QDBusConnection& bus,
                                                            const std::function<bool(const QString&)>& programExists)
{
    const std::optional<QString> program = pickerProgram(bus);
    if (!program)
        return std::nullopt;
    const bool present = programExists ? programExists(*program) : programIsInstalled(*program);
    return present ? std::nullopt : program;
}

bool PortalScreenshot::take(bool interactive, int timeoutMs)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_generation;
    m_options = {{QStringLiteral("interactive"), interactive}, {QStringLiteral("modal"), true}};
    m_timeoutMs = timeoutMs;
    // Asked first whether they answer at all: a request sent to a service that stopped
    // would wait in its queue, and run (a picker would open) once it goes on.
    m_probes.clear();
    for (const QString& service : DesktopPortal::screenshotServices(m_bus))
        m_probes.append({service,
                         service == DesktopPortal::service ? DesktopPortal::screenshotInterface
                                                           : QStringLiteral("org.freedesktop.impl.portal.Screenshot"),
                         QStringLiteral("version")});
    m_liveness.check(m_probes);
    return true;
}

void PortalScreenshot::checked(const QString& silent)
{
    if (!m_running)
        return;
    if (!silent.isEmpty()) {
        const QString reason = QStringLiteral("%1 did not answer within %2 s").arg(silent).arg(answerLimitMs / 1000);
        if (m_request.isRunning())
            m_request.giveUp(reason);
        else
            report({PortalAnswer::Outcome::notAnswering, {}, reason});
        return;
    }
    if (!m_request.isRunning() && !m_watch.isActive()) {
        m_request.start(DesktopPortal::screenshotInterface, QStringLiteral("Screenshot"), {QString()}, m_options,
                        m_timeoutMs);
        m_watch.start();
    }
}

void PortalScreenshot::cancel()
{
    if (!m_running)
        return;
    if (m_request.isRunning()) {
        m_request.cancel();
        return;
    }
    // Still asking whether the portal answers, or the file is being read: what comes of
    // either is dropped.
    ++m_generation;
    report({PortalAnswer::Outcome::cancelled, {}, {}});
}

void PortalScreenshot::answered(const PortalAnswer& answer)
{
    m_watch.stop();
    m_liveness.stop();
    if (answer.outcome != PortalAnswer::Outcome::answered) {
        report({answer.outcome, {}, answer.error});
        return;
    }
    const QUrl uri(answer.results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile()) {
        report({PortalAnswer::Outcome::failed, {}, QStringLiteral("the portal named no local file: ") + uri.toString()});
        return;
    }
    // A picture of every display takes a while to decode: off the main thread.
    const quint64 generation = m_generation;
    QPointer<PortalScreenshot> self(this);
    OffMainThread::run(this, [path = uri.toLocalFile()] {
        ImageFileReader::Result read = ImageFileReader::readFile(path);
        QFile::remove(path);
        return read;
    }, [self, generation](const ImageFileReader::Result& read) {
        if (!self || generation != self->m_generation)
            return;
        if (!read.ok())
            self->report({PortalAnswer::Outcome::failed, {}, read.error});
        else
            self->report({PortalAnswer::Outcome::answered, read.image, {}});
    });
}

void PortalScreenshot::report(const PortalScreenshotResult& result)
{
    m_running = false;
    m_watch.stop();
    m_liveness.stop();
    emit finished(result);
}
