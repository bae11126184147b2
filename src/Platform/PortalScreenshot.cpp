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
    , m_request(std::move(bus))
{
    connect(&m_request, &PortalRequest::finished, this, &PortalScreenshot::answered);
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

std::optional<QString> PortalScreenshot::missingPickerProgram(const QDBusConnection& bus,
                                                            const std::function<bool(const QString&)>& programExists)
{
    const std::optional<QString> program = pickerProgram(bus);
    if (!program)
        return std::nullopt;
    const bool present = programExists ? programExists(*program) : !QStandardPaths::findExecutable(*program).isEmpty();
    return present ? std::nullopt : program;
}

bool PortalScreenshot::take(bool interactive, int timeoutMs)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_generation;
    QVariantMap options;
    options.insert(QStringLiteral("interactive"), interactive);
    options.insert(QStringLiteral("modal"), true);
    m_request.start(DesktopPortal::screenshotInterface, QStringLiteral("Screenshot"), {QString()}, options, timeoutMs);
    return true;
}

void PortalScreenshot::cancel()
{
    if (!m_running)
        return;
    if (m_request.isRunning()) {
        m_request.cancel();
        return;
    }
    // The file is being read: its picture is dropped when it comes.
    ++m_generation;
    report({PortalAnswer::Outcome::cancelled, {}, {}});
}

void PortalScreenshot::answered(const PortalAnswer& answer)
{
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
    emit finished(result);
}
