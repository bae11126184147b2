#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>

#include "Platform/XcbConnection.h"

#include <memory>

// A private Xvfb for tests of the X11 layer; stopped by its own process id.
class X11TestServer {
public:
    explicit X11TestServer(const QString& geometry = QStringLiteral("1920x1080x24"))
    {
        for (int number = 140 + int(QCoreApplication::applicationPid() % 200); number < 900; ++number) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
                || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
                continue;
            m_display = QStringLiteral(":%1").arg(number);
            m_process.setProgram(QStringLiteral("Xvfb"));
            m_process.setArguments({m_display, QStringLiteral("-screen"), QStringLiteral("0"), geometry,
                                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_process.start();
            if (!m_process.waitForStarted(3000))
                return;
            for (int attempt = 0; attempt < 100; ++attempt) {
                if (m_process.state() != QProcess::Running)
                    break;
                if (auto connection = XcbConnection::open(m_display)) {
                    m_connection = std::move(connection);
                    return;
                }
                QThread::msleep(50);
            }
            m_process.kill();
            m_process.waitForFinished(2000);
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
