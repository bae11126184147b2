#include "App/SingleInstance.h"

#include "Base/Logger.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

QString SingleInstance::defaultSocketPath()
{
    const QString name = QStringLiteral("lumetra-%1.socket").arg(::getuid());
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(QString::fromLocal8Bit(runtime)).isDir())
        return QDir(QString::fromLocal8Bit(runtime)).filePath(name);
    return QDir(QDir::tempPath()).filePath(name);
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QByteArray SingleInstance::encodeMessage(const LaunchRequest& request)
{
    QJsonObject object;
    object.insert(QStringLiteral("files"), QJsonArray::fromStringList(request.files));
    if (!request.capture.isEmpty())
        object.insert(QStringLiteral("capture"), request.capture);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<LaunchRequest> SingleInstance::decodeMessage(const QByteArray& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue files = document.object().value(QStringLiteral("files"));
    if (!files.isArray())
        return std::nullopt;
    LaunchRequest result;
    for (const QJsonValue& value : files.toArray()) {
        if (!value.isString() || value.toString().isEmpty())
            return std::nullopt;
        result.files << value.toString();
    }
    const QJsonValue capture = document.object().value(QStringLiteral("capture"));
    if (!capture.isUndefined()) {
        if (!capture.isString() || capture.toString().isEmpty())
            return std::nullopt;
        result.capture = capture.toString();
    }
    return result;
}

bool SingleInstance::handOffToRunningCopy(const LaunchRequest& request)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(handOffTimeoutMs))
        return false;
    // Paths are made absolute here: the running copy has another working folder.
    LaunchRequest absolute = request;
    for (QString& file : absolute.files)
        file = QFileInfo(file).absoluteFilePath();
    socket.write(encodeMessage(absolute));
    if (!socket.waitForBytesWritten(handOffTimeoutMs))
        return false;
    // Wait for the answer, so the files are known to be in the other copy's hands
    // before this one ends.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(handOffTimeoutMs))
            break;
    }
    const bool accepted = socket.readLine().trimmed() == "ok";
    if (!accepted) {
        Logger::shared().log(LogLevel::warning, [] {
            return QStringLiteral("🔁 The running copy of Lumetra did not answer; starting this one instead");
        });
    }
    return accepted;
}

bool SingleInstance::listen(std::function<void(const LaunchRequest&)> receiver)
{
    m_receiver = std::move(receiver);
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    }
    if (m_server->listen(m_socketPath))
        return true;
    // Nobody answered on the socket (handOffToRunningCopy came first), so the file is
    // left over from a copy that ended without closing it.
    QLocalServer::removeServer(m_socketPath);
    if (m_server->listen(m_socketPath))
        return true;
    Logger::shared().log(LogLevel::warning, [&] {
        return QStringLiteral("🔁 Cannot listen on %1 (%2); later launches start copies of their own")
            .arg(m_socketPath, m_server->errorString());
    });
    return false;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumMessageBytes)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(maximumMessageBytes);
    const std::optional<LaunchRequest> request = decodeMessage(line);
    if (!request) {
        Logger::shared().log(LogLevel::warning, [] { return QStringLiteral("🔁 Ignored a malformed hand-over from another launch"); });
        socket->write("refused\n");
        socket->flush();
        socket->disconnectFromServer();
        return;
    }
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    if (m_receiver)
        m_receiver(*request);
}
