#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a normal Quit on the event loop, so the
// program ends cleanly (settings flushed, clipboard handed over) when asked to stop.
class UnixSignalQuit : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalQuit(QObject* parent = nullptr);
    ~UnixSignalQuit() override;

signals:
    void quitRequested(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};
