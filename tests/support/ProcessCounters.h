#pragma once

// What this process consumed, from /proc: bytes read by every thread, and its resident memory's peak.
#include <QFile>
#include <QRegularExpression>

namespace ProcessCounters {

inline qint64 field(const char* file, const char* name)
{
    QFile status(QString::fromLatin1(file));
    const QString text = status.open(QIODevice::ReadOnly) ? QString::fromLatin1(status.readAll()) : QString();
    const auto match = QRegularExpression(QStringLiteral("^%1:\\s*(\\d+)").arg(QLatin1String(name)),
                                          QRegularExpression::MultilineOption).match(text);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

inline qint64 bytesRead() { return field("/proc/self/io", "rchar"); }

// How far work raised the resident memory's peak above what was resident before, in bytes.
template <typename Work>
qint64 peakResidentGrowth(Work&& work)
{
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1 || !reset.flush())
        return -1;
    const qint64 before = field("/proc/self/status", "VmRSS");
    work();
    return (field("/proc/self/status", "VmHWM") - before) * 1024;
}

} // namespace ProcessCounters
