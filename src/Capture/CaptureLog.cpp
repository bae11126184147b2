#include "Capture/CaptureLog.h"

#include <QByteArray>

#include <cstdio>
#include <mutex>

void captureDiagnostic(const QString& line)
{
    static std::mutex lock;
    const QByteArray text = line.toUtf8();
    std::lock_guard<std::mutex> guard(lock);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
