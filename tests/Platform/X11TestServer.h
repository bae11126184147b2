#pragma once

#include "Platform/XcbConnection.h"
#include "support/XvfbServer.h"

#include <QProcess>
#include <QString>

#include <memory>

// A private Xvfb for tests of the X11 layer; stopped by its own process id.
class X11TestServer {
public:
    explicit X11TestServer(const QString& geometry = QStringLiteral("1920x1080x24"))
    {
        m_process.setProgram(QStringLiteral("Xvfb"));
        m_process.setArguments({QStringLiteral("-screen"), QStringLiteral("0"), geometry, QStringLiteral("-nolisten"),
                                QStringLiteral("tcp")});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (const std::optional<int> number = startXvfbOnFreeDisplay(m_process, 15000)) {
            m_display = QStringLiteral(":%1").arg(*number);
            m_connection = XcbConnection::open(m_display);
        }
    }

    ~X11TestServer()
    {
        m_connection.reset();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished(2000);
            }
        }
    }

    XcbConnection* connection() const { return m_connection.get(); }
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
    std::unique_ptr<XcbConnection> m_connection;
};
