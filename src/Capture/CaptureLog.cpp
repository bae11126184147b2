#include "Capture/CaptureLog.h"

#include <QByteArray>

#include <cstdio>
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
    const QByteArray text = line.toUtf8();
    std::lock_guard<std::mutex> guard(lock);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void setCaptureDiagnosticSink(std::function<void(const QString&)> newSink)
{
    std::lock_guard<std::mutex> guard(lock);
    sink = std::move(newSink);
}
