#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Named notifications between subsystems. Names are plain strings such as
// "SaveImageCommand"; a notification may carry one string payload.
// Delivery is synchronous on the main thread; a post from another thread is
// forwarded to the main thread's event loop. An observer lives as long as its
// context object. Observers are added and removed on the main thread.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Payload = std::optional<QString>;
    using Handler = std::function<void(const Payload&)>;

    static NotificationCenter& defaultCenter();

    explicit NotificationCenter(QObject* parent = nullptr);

    // Returns a token for removeObserver(token).
    quint64 addObserver(const QString& name, QObject* context, Handler handler);
    void removeObserver(quint64 token);
    // Removes every observation tied to context.
    void removeObservers(QObject* context);

    void post(const QString& name, const Payload& payload = std::nullopt);

    int observerCount(const QString& name) const;

private:
    struct Observer {
        quint64 token;
        QPointer<QObject> context;
        bool hasContext;
        Handler handler;
        QMetaObject::Connection lifetime; // the context's destroyed() hook
    };
    void removeWhere(const std::function<bool(const Observer&)>& match);
    void deliver(const QString& name, const Payload& payload);

    QHash<QString, std::vector<Observer>> m_observers;
    quint64 m_nextToken = 1;
};
