#pragma once

// What this process has consumed, from /proc: bytes read through read() and its kin,
// and the peak of its resident memory (which can be set back to the present).
#include <QByteArray>
#include <QFile>

namespace ProcessCounters {

inline qint64 field(const char* file, const QByteArray& name)
{
    QFile status(QString::fromLatin1(file));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Bytes read by every thread of this process so far (from files, pipes and sockets).
inline qint64 bytesRead() { return field("/proc/self/io", "rchar"); }

// Runs work and returns how far the resident memory's peak rose above what was
// resident before it, in bytes.
template <typename Work>
qint64 peakResidentGrowth(Work&& work)
{
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        return -1;
    reset.close();
    const qint64 before = field("/proc/self/status", "VmRSS");
    work();
    return (field("/proc/self/status", "VmHWM") - before) * 1024;
}

} // namespace ProcessCounters
