#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <optional>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

// What a launch asks of Lumetra: files to open and a capture to start.
struct LaunchRequest {
    QStringList files;
    QString capture; // a capture option's name ("capture-area"); empty for none

    friend bool operator==(const LaunchRequest&, const LaunchRequest&) = default;
};

// One running copy of Lumetra per user. The first copy listens on a local socket; a
// later launch hands its request (files, a capture, or just its wish to be seen) to it
// and ends.
class RunningCopyChannel {
public:
    enum class HandOff {
        delivered,     // another copy runs and took the request: this copy ends
        noRunningCopy, // nobody listens (or only another user does): this copy runs
        notTaken,      // a copy listens but did not take the request in time: this copy
                       // ends too, since starting would make a second copy
    };
    enum class Listening {
        started,
        anotherCopyListens, // a copy of this user came up meanwhile: hand over to it
        unavailable,        // no socket can be had (the reason is logged): run alone
    };
    virtual ~RunningCopyChannel() = default;
    virtual HandOff handOffToRunningCopy(const LaunchRequest& request) = 0;
    // Starts answering later launches; each hand-over reaches the receiver on the main
    // thread (no files and no capture means "show yourself").
    virtual Listening listen(std::function<void(const LaunchRequest& request)> receiver) = 0;
};

// The socket is guarded at every step, since anything on the machine can try it:
//   - it lives in a folder only this user can enter: $XDG_RUNTIME_DIR, else
//     <temp>/lumetra-<uid>, made 0700 and refused when it is a link, belongs to another
//     user or lets others in (then there is no single copy, and nothing is handed out);
//   - both sides check the other's user id (SO_PEERCRED) before a byte is sent or read;
//   - a connection that has not delivered a whole message within messageTimeoutMs is
//     closed, at most maximumConnections are served at once (more are answered "busy"
//     and closed; the launch tries again), and a failed accept() only pauses
//     listening, it never ends it;
//   - a socket file is replaced only when connecting to it is refused (nobody listens:
//     a stopped or stalled copy still listens), and a copy removes the socket file at
//     its end only while it is still the one it made.
class SingleInstance : public QObject, public RunningCopyChannel {
    Q_OBJECT
public:
    // The socket's path, or empty when no private folder can be had (the reason is logged).
    static QString defaultSocketPath();
    // Whether folder is a real folder (not a link) owned by this user that nobody else
    // may enter; create makes it first (mode 0700) when it is missing.
    static bool isPrivateFolder(const QString& folder, bool create, QString* reason = nullptr);

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    HandOff handOffToRunningCopy(const LaunchRequest& request) override;
    Listening listen(std::function<void(const LaunchRequest& request)> receiver) override;

    QString socketPath() const { return m_socketPath; }
    bool isListening() const { return m_listenFd >= 0; }
    int openConnections() const { return m_connections; }

    // A hand-over larger than this is refused (a local client gone wrong).
    static constexpr qint64 maximumMessageBytes = 1 << 20;
    // The whole hand-over, busy answers and retries included.
    static constexpr int handOffTimeoutMs = 5000;
    static constexpr int busyRetryMs = 150;
    static constexpr int messageTimeoutMs = 2000;
    static constexpr int maximumConnections = 8;
    // How long listening rests after accept() failed (out of descriptors, say).
    static constexpr int acceptRetryMs = 200;

    // The wire format: one JSON object {"files": [absolute paths], "capture": name} and
    // a newline, "capture" only when there is one; the answer is "ok\n" (or "refused\n",
    // or "busy\n" before anything was read when too many connections are open).
    // Keys this version does not know are ignored, so later versions can say more.
    // Exposed for tests and fuzzing.
    static QByteArray encodeMessage(const LaunchRequest& request);
    static std::optional<LaunchRequest> decodeMessage(const QByteArray& line);

private:
    void acceptConnections();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    int m_listenFd = -1;
    // The socket file this copy made: only that one is removed at the end.
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
    QSocketNotifier* m_acceptNotifier = nullptr;
    QTimer* m_acceptRetry = nullptr;
    int m_connections = 0;
    bool m_reportedAcceptFailure = false;
    std::function<void(const LaunchRequest&)> m_receiver;
};
