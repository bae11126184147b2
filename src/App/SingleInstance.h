#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running copy of Lumetra per user. The first copy listens on a local socket; a
// later launch hands its file arguments (and its wish to be seen) to it and ends.
class RunningCopyChannel {
public:
    virtual ~RunningCopyChannel() = default;
    // True when another copy runs and took the files; this copy should then end.
    virtual bool handOffToRunningCopy(const QStringList& files) = 0;
    // Starts answering later launches; each hand-over reaches the receiver on the main
    // thread (an empty list means "show yourself").
    virtual bool listen(std::function<void(const QStringList& files)> receiver) = 0;
};

class SingleInstance : public QObject, public RunningCopyChannel {
    Q_OBJECT
public:
    // The socket lives in $XDG_RUNTIME_DIR (private to the user) when it is set, else in
    // the temporary folder, named after the user id either way.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    bool handOffToRunningCopy(const QStringList& files) override;
    bool listen(std::function<void(const QStringList& files)> receiver) override;

    QString socketPath() const { return m_socketPath; }

    // A hand-over larger than this is refused (a local client gone wrong).
    static constexpr qint64 maximumMessageBytes = 1 << 20;
    static constexpr int handOffTimeoutMs = 3000;

    // The wire format: one JSON object {"files": [absolute paths]} and a newline; the
    // answer is "ok\n". Exposed for tests.
    static QByteArray encodeMessage(const QStringList& files);
    static std::optional<QStringList> decodeMessage(const QByteArray& line);

private:
    void acceptConnection();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
    std::function<void(const QStringList&)> m_receiver;
};
