#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

// Whether services on the bus still answer: each is asked for a property of one of its
// interfaces, which a service answers from its main loop, with the value or an error, as
// long as that loop runs; one that stopped (hung, or halted) never does. A service that
// is not on the bus any more is answered for by the bus at once, and counts as
// answering: its absence is told by the calls made to it.
class PortalLiveness : public QObject {
    Q_OBJECT
public:
    PortalLiveness(QDBusConnection bus, int limitMs, QObject* parent = nullptr);

    struct Probe {
        QString service;
        QString interface;
        QString property;
    };

    // Asks every one of probes; checked() follows once all have replied, or once limitMs
    // passed without a reply from one of them. A check asked for while one runs is
    // dropped, and so is the report of a check that was stopped.
    void check(const QList<Probe>& probes);
    void stop();
    bool isChecking() const { return m_pending > 0; }

signals:
    // silent: the service that did not answer in time, or empty when all did.
    void checked(const QString& silent);

private:
    QDBusConnection m_bus;
    int m_limitMs;
    int m_pending = 0;
    // Names the current check, so that the replies to a stopped one are left alone.
    quint64 m_check = 0;
};
