#include "support/XvfbServer.h"

#include <QElapsedTimer>

#include <poll.h>
#include <unistd.h>

std::optional<int> startXvfbOnFreeDisplay(QProcess& server, int timeoutMs)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    server.setArguments(QStringList{QStringLiteral("-displayfd"), QString::number(fds[1])} + server.arguments());
    server.start();
    ::close(fds[1]);
    if (!server.waitForStarted(timeoutMs)) {
        ::close(fds[0]);
        return std::nullopt;
    }
    QByteArray number;
    QElapsedTimer timer;
    timer.start();
    while (!number.endsWith('\n') && timer.elapsed() < timeoutMs) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        char buffer[32];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break; // the server ended without naming a display
        number.append(buffer, static_cast<int>(n));
    }
    ::close(fds[0]);
    bool ok = false;
    const int display = number.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return display;
}
