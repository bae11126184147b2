#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

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
    virtual ~RunningCopyChannel() = default;
    // True when another copy runs and took the request; this copy should then end.
    virtual bool handOffToRunningCopy(const LaunchRequest& request) = 0;
    // Starts answering later launches; each hand-over reaches the receiver on the main
    // thread (no files and no capture means "show yourself").
    virtual bool listen(std::function<void(const LaunchRequest& request)> receiver) = 0;
};

class SingleInstance : public QObject, public RunningCopyChannel {
    Q_OBJECT
public:
    // The socket lives in $XDG_RUNTIME_DIR (private to the user) when it is set, else in
    // the temporary folder, named after the user id either way.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    bool handOffToRunningCopy(const LaunchRequest& request) override;
    bool listen(std::function<void(const LaunchRequest& request)> receiver) override;

    QString socketPath() const { return m_socketPath; }

    // A hand-over larger than this is refused (a local client gone wrong).
    static constexpr qint64 maximumMessageBytes = 1 << 20;
    static constexpr int handOffTimeoutMs = 3000;

    // The wire format: one JSON object {"files": [absolute paths], "capture": name} and
    // a newline, "capture" only when there is one; the answer is "ok\n". Exposed for tests.
    static QByteArray encodeMessage(const LaunchRequest& request);
    static std::optional<LaunchRequest> decodeMessage(const QByteArray& line);

private:
    void acceptConnection();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
    std::function<void(const LaunchRequest&)> m_receiver;
};
