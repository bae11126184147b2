#include "Platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter* instance = new NotificationCenter();
    return *instance;
}

NotificationCenter::NotificationCenter(QObject* parent)
    : QObject(parent)
{
}

quint64 NotificationCenter::addObserver(const QString& name, QObject* context, Handler handler)
{
    const quint64 token = m_nextToken++;
    m_observers[name].push_back(Observer{token, QPointer<QObject>(context), context != nullptr, std::move(handler)});
    if (context) {
        connect(context, &QObject::destroyed, this, [this, token] { removeObserver(token); },
                Qt::DirectConnection);
    }
    return token;
}

void NotificationCenter::removeObserver(quint64 token)
{
    for (auto& list : m_observers) {
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [token](const Observer& o) { return o.token == token; }),
                   list.end());
    }
}

void NotificationCenter::removeObservers(QObject* context)
{
    for (auto& list : m_observers) {
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [context](const Observer& o) { return o.context == context; }),
                   list.end());
    }
}

void NotificationCenter::post(const QString& name, const Payload& payload)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(this, [this, name, payload] { deliver(name, payload); }, Qt::QueuedConnection);
        return;
    }
    deliver(name, payload);
}

void NotificationCenter::deliver(const QString& name, const Payload& payload)
{
    auto it = m_observers.find(name);
    if (it == m_observers.end())
        return;
    // Observers may add or remove observers while being called: work on a copy and
    // skip any that was removed meanwhile or whose context is gone.
    const std::vector<Observer> snapshot = it.value();
    for (const Observer& observer : snapshot) {
        if (observer.hasContext && observer.context.isNull())
            continue;
        const auto& current = m_observers.value(name);
        const bool stillRegistered = std::any_of(current.begin(), current.end(),
                                                 [&](const Observer& o) { return o.token == observer.token; });
        if (stillRegistered && observer.handler)
            observer.handler(payload);
    }
}

int NotificationCenter::observerCount(const QString& name) const
{
    return static_cast<int>(m_observers.value(name).size());
}
