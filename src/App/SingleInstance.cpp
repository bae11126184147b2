#include "App/SingleInstance.h"

#include "Base/Logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

void warn(const QString& message)
{
    Logger::shared().log(LogLevel::warning, [&] { return message; });
}

// True when the process at the other end of the connected socket runs as this user.
bool peerIsThisUser(int fd)
{
    ucred credentials {};
    socklen_t length = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && length == sizeof credentials
        && credentials.uid == ::getuid();
}

} // namespace

bool SingleInstance::isPrivateFolder(const QString& folder, bool create, QString* reason)
{
    const QByteArray path = QFile::encodeName(folder);
    auto refuse = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (path.isEmpty())
        return refuse(QStringLiteral("no folder"));
    if (create && ::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return refuse(qt_error_string(errno));
    // lstat: a link planted in place of the folder is not followed.
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0)
        return refuse(qt_error_string(errno));
    if (!S_ISDIR(status.st_mode))
        return refuse(QStringLiteral("it is not a folder"));
    if (status.st_uid != ::getuid())
        return refuse(QStringLiteral("it belongs to user %1").arg(status.st_uid));
    if ((status.st_mode & 077) != 0)
        return refuse(QStringLiteral("other users may enter it (mode %1)").arg(status.st_mode & 0777, 3, 8, QLatin1Char('0')));
    return true;
}

QString SingleInstance::defaultSocketPath()
{
    const QString name = QStringLiteral("lumetra-%1.socket").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, false))
        return QDir(runtime).filePath(name);
    const QString fallback = QDir(QDir::tempPath()).filePath(QStringLiteral("lumetra-%1").arg(::getuid()));
    QString reason;
    if (isPrivateFolder(fallback, true, &reason))
        return QDir(fallback).filePath(name);
    warn(QStringLiteral("🔁 No private folder for the single-instance socket: %1 cannot be used (%2); every launch runs on its own")
             .arg(fallback, reason));
    return QString();
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(m_socketPath).constData());
    }
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
    if (m_socketPath.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(handOffTimeoutMs))
        return false;
    // The paths go only to a copy run by this user.
    if (!peerIsThisUser(int(socket.socketDescriptor()))) {
        warn(QStringLiteral("🔁 %1 is held by another user; nothing was handed over and this copy starts on its own")
                 .arg(m_socketPath));
        socket.abort();
        return false;
    }
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
    if (!accepted)
        warn(QStringLiteral("🔁 The running copy of Lumetra did not answer; starting this one instead"));
    return accepted;
}

bool SingleInstance::listen(std::function<void(const LaunchRequest&)> receiver)
{
    m_receiver = std::move(receiver);
    if (m_listenFd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path) {
        if (!path.isEmpty())
            warn(QStringLiteral("🔁 The socket path %1 is too long; later launches start copies of their own").arg(m_socketPath));
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (bound != 0 && errno == EADDRINUSE) {
        // Nobody answered on it (the hand-over came first), so the file is left over
        // from a copy that ended without removing it.
        struct stat status {};
        if (::lstat(path.constData(), &status) == 0 && !S_ISDIR(status.st_mode))
            ::unlink(path.constData());
        bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    if (bound != 0 || ::chmod(path.constData(), 0600) != 0 || ::listen(fd, 64) != 0) {
        const QString reason = qt_error_string(errno);
        ::close(fd);
        warn(QStringLiteral("🔁 Cannot listen on %1 (%2); later launches start copies of their own").arg(m_socketPath, reason));
        return false;
    }
    m_listenFd = fd;
    m_acceptNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_acceptNotifier->setEnabled(true);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    m_acceptRetry = new QTimer(this);
    m_acceptRetry->setSingleShot(true);
    m_acceptRetry->setInterval(acceptRetryMs);
    connect(m_acceptRetry, &QTimer::timeout, this, [this] {
        m_acceptNotifier->setEnabled(true);
        acceptConnections();
    });
    return true;
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            // Out of descriptors or memory: rest a moment (the waiting connection would
            // wake the notifier again at once) and go on listening.
            if (!m_reportedAcceptFailure) {
                m_reportedAcceptFailure = true;
                warn(QStringLiteral("🔁 Accepting a later launch failed (%1); trying again").arg(qt_error_string(errno)));
            }
            m_acceptNotifier->setEnabled(false);
            m_acceptRetry->start();
            return;
        }
        m_reportedAcceptFailure = false;
        if (m_connections >= maximumConnections || !peerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
            ::close(fd);
            delete socket;
            continue;
        }
        ++m_connections;
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A whole message within the time, or the connection goes.
        QTimer::singleShot(messageTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (socket->state() != QLocalSocket::ConnectedState)
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumMessageBytes) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    const QByteArray line = socket->readLine(maximumMessageBytes + 1);
    const std::optional<LaunchRequest> request = decodeMessage(line);
    socket->write(request ? "ok\n" : "refused\n");
    socket->flush();
    socket->disconnectFromServer();
    // Nothing more is read from this connection, whatever else it sends.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (!request) {
        warn(QStringLiteral("🔁 Ignored a malformed hand-over from another launch"));
        return;
    }
    if (m_receiver)
        m_receiver(*request);
}
