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

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

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

bool addressFor(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

enum class Reach { connected, nobody, busy, failed };

// One connection attempt that never waits: a refused connection (or no file) means
// nobody listens; a full backlog means somebody does, too slowly. On connected, *fd
// is the connection (non-blocking).
Reach connectTo(const QByteArray& path, int* fd)
{
    sockaddr_un address {};
    if (!addressFor(path, address))
        return Reach::failed;
    *fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (*fd < 0)
        return Reach::failed;
    if (::connect(*fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return Reach::connected;
    const int error = errno;
    ::close(*fd);
    *fd = -1;
    errno = error;
    if (error == ECONNREFUSED || error == ENOENT)
        return Reach::nobody;
    if (error == EAGAIN)
        return Reach::busy;
    return Reach::failed;
}

int millisecondsUntil(Clock::time_point deadline)
{
    return int(std::max<qint64>(0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
}

// Waits for events on fd until the deadline; false when it passed first.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd waiting {fd, events, 0};
        const int ready = ::poll(&waiting, 1, millisecondsUntil(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

enum class Answer { ok, busy, refused, none };

// Sends the message on a connected socket and reads the one-line answer. A connection
// closed before an answer counts as busy: a copy over its connection cap (or an older
// copy) closes without one.
Answer exchange(int fd, const QByteArray& message, Clock::time_point deadline)
{
    for (qsizetype sent = 0; sent < message.size();) {
        if (!waitFor(fd, POLLOUT, deadline))
            return Answer::none;
        const ssize_t n = ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return errno == EPIPE || errno == ECONNRESET ? Answer::busy : Answer::none;
        sent += n;
    }
    QByteArray line;
    while (!line.contains('\n') && line.size() < 64) {
        if (!waitFor(fd, POLLIN, deadline))
            return Answer::none;
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return line.isEmpty() ? Answer::busy : Answer::none;
        line.append(buffer, n);
    }
    const QByteArray answer = line.left(line.indexOf('\n')).trimmed();
    if (answer == "ok")
        return Answer::ok;
    return answer == "busy" ? Answer::busy : Answer::refused;
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
        // A later copy may have put its own socket there (after this one was taken for
        // gone): that one stays.
        const QByteArray path = QFile::encodeName(m_socketPath);
        struct stat status {};
        if (::lstat(path.constData(), &status) == 0 && status.st_dev == m_socketDevice && status.st_ino == m_socketInode)
            ::unlink(path.constData());
        ::close(m_listenFd);
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

RunningCopyChannel::HandOff SingleInstance::handOffToRunningCopy(const LaunchRequest& request)
{
    if (m_socketPath.isEmpty())
        return HandOff::noRunningCopy;
    // Paths are made absolute here: the running copy has another working folder.
    LaunchRequest absolute = request;
    for (QString& file : absolute.files)
        file = QFileInfo(file).absoluteFilePath();
    const QByteArray message = encodeMessage(absolute);
    const QByteArray path = QFile::encodeName(m_socketPath);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(handOffTimeoutMs);
    for (;;) {
        int fd = -1;
        const Reach reach = connectTo(path, &fd);
        if (reach == Reach::nobody)
            return HandOff::noRunningCopy;
        if (reach == Reach::failed) {
            warn(QStringLiteral("🔁 Cannot reach %1 (%2); this copy starts on its own").arg(m_socketPath, qt_error_string(errno)));
            return HandOff::noRunningCopy;
        }
        Answer answer = Answer::busy;
        if (reach == Reach::connected) {
            // The paths go only to a copy run by this user.
            if (!peerIsThisUser(fd)) {
                ::close(fd);
                warn(QStringLiteral("🔁 %1 is held by another user; nothing was handed over and this copy starts on its own")
                         .arg(m_socketPath));
                return HandOff::noRunningCopy;
            }
            // Wait for the answer, so the files are known to be in the other copy's
            // hands before this one ends.
            answer = exchange(fd, message, deadline);
            ::close(fd);
        }
        if (answer == Answer::ok)
            return HandOff::delivered;
        if (answer != Answer::busy || millisecondsUntil(deadline) <= busyRetryMs) {
            warn(QStringLiteral("🔁 A running copy of Lumetra holds %1 but did not take this launch's request")
                     .arg(m_socketPath));
            return HandOff::notTaken;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(busyRetryMs));
    }
}

RunningCopyChannel::Listening SingleInstance::listen(std::function<void(const LaunchRequest&)> receiver)
{
    m_receiver = std::move(receiver);
    if (m_listenFd >= 0)
        return Listening::started;
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address {};
    if (!addressFor(path, address)) {
        if (!path.isEmpty())
            warn(QStringLiteral("🔁 The socket path %1 is too long; later launches start copies of their own").arg(m_socketPath));
        return Listening::unavailable;
    }

    // The socket listens under a name of its own first and only then takes the shared
    // name: a later launch that finds the shared name finds somebody listening there.
    // Bound there directly, it would refuse connections until listen(), and a launch
    // in between would take it for left over, remove it and listen on its own.
    const QByteArray own = path + '.' + QByteArray::number(qint64(::getpid()));
    sockaddr_un ownAddress {};
    if (!addressFor(own, ownAddress)) {
        warn(QStringLiteral("🔁 The socket path %1 is too long; later launches start copies of their own").arg(m_socketPath));
        return Listening::unavailable;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Listening::unavailable;
    ::unlink(own.constData());
    const auto fail = [&](const QString& reason) {
        ::unlink(own.constData());
        ::close(fd);
        warn(QStringLiteral("🔁 Cannot listen on %1 (%2); later launches start copies of their own").arg(m_socketPath, reason));
        return Listening::unavailable;
    };
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&ownAddress), sizeof ownAddress) != 0 || ::chmod(own.constData(), 0600) != 0
        || ::listen(fd, 64) != 0)
        return fail(qt_error_string(errno));
    for (int attempt = 0;; ++attempt) {
        if (::link(own.constData(), path.constData()) == 0)
            break;
        if (errno != EEXIST || attempt == 2)
            return fail(qt_error_string(errno));
        // Only a file nobody listens on is left over from a copy that ended without
        // removing it. A copy that is stopped or busy still listens: its socket stays.
        int probe = -1;
        const Reach reach = connectTo(path, &probe);
        if (reach == Reach::connected || reach == Reach::busy) {
            const bool ours = reach == Reach::busy || peerIsThisUser(probe);
            if (probe >= 0)
                ::close(probe);
            ::unlink(own.constData());
            ::close(fd);
            if (ours)
                return Listening::anotherCopyListens;
            warn(QStringLiteral("🔁 %1 is held by another user; later launches start copies of their own").arg(m_socketPath));
            return Listening::unavailable;
        }
        struct stat status {};
        if (reach == Reach::nobody && ::lstat(path.constData(), &status) == 0 && !S_ISDIR(status.st_mode))
            ::unlink(path.constData());
    }
    ::unlink(own.constData());
    struct stat made {};
    if (::lstat(path.constData(), &made) != 0)
        return fail(qt_error_string(errno));
    m_listenFd = fd;
    m_socketDevice = made.st_dev;
    m_socketInode = made.st_ino;
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
    return Listening::started;
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
        if (!peerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        if (m_connections >= maximumConnections) {
            // A launch waiting behind a flood is told to come back, not left to guess.
            ::send(fd, "busy\n", 5, MSG_NOSIGNAL | MSG_DONTWAIT);
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
