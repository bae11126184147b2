#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

// The name of one notification. The program's names are the constants of
// Core/Notifications.h; the constructor is explicit, so a bare string never names a
// notification and a misspelt constant does not compile.
class NotificationName {
public:
    constexpr explicit NotificationName(const char* text) : m_text(text) {}

    const char* text() const { return m_text; }
    operator QString() const { return QString::fromLatin1(m_text); }

    friend bool operator==(NotificationName a, NotificationName b) { return std::strcmp(a.m_text, b.m_text) == 0; }

private:
    const char* m_text;
};

// Named notifications between subsystems; a notification may carry one string payload.
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
    quint64 addObserver(NotificationName name, QObject* context, Handler handler);
    void removeObserver(quint64 token);
    // Removes every observation tied to context.
    void removeObservers(QObject* context);

    void post(NotificationName name, const Payload& payload = std::nullopt);

    int observerCount(NotificationName name) const;

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
