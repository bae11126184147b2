#include "Capture/CaptureLog.h"

#include "Base/Logger.h"

#include <mutex>

namespace {
std::mutex lock;
std::function<void(const QString&)> sink;
} // namespace

void captureDiagnostic(const QString& line)
{
    std::function<void(const QString&)> redirected;
    {
        std::lock_guard<std::mutex> guard(lock);
        redirected = sink;
    }
    if (redirected) {
        redirected(line);
        return;
    }
    const LogLevel level = line.startsWith(QStringLiteral("❌")) ? LogLevel::error : LogLevel::info;
    logMessage(level, [&] { return line; });
}

void setCaptureDiagnosticSink(std::function<void(const QString&)> newSink)
{
    std::lock_guard<std::mutex> guard(lock);
    sink = std::move(newSink);
}
