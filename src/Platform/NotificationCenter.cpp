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
    // The shared centre may first be touched by a worker thread; it still belongs to
    // the main thread, where every delivery runs.
    if (!parent) {
        if (QCoreApplication* app = QCoreApplication::instance())
            moveToThread(app->thread());
    }
}

quint64 NotificationCenter::addObserver(NotificationName name, QObject* context, Handler handler)
{
    const quint64 token = m_nextToken++;
    QMetaObject::Connection lifetime;
    if (context) {
        lifetime = connect(context, &QObject::destroyed, this, [this, token] { removeObserver(token); },
                           Qt::DirectConnection);
    }
    m_observers[QString(name)].push_back(
        Observer{token, QPointer<QObject>(context), context != nullptr, std::move(handler), lifetime});
    return token;
}

void NotificationCenter::removeWhere(const std::function<bool(const Observer&)>& match)
{
    for (auto& list : m_observers) {
        for (const Observer& observer : list) {
            if (match(observer))
                disconnect(observer.lifetime);
        }
        list.erase(std::remove_if(list.begin(), list.end(), match), list.end());
    }
}

void NotificationCenter::removeObserver(quint64 token)
{
    removeWhere([token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::removeObservers(QObject* context)
{
    if (!context)
        return;
    removeWhere([context](const Observer& o) { return o.hasContext && o.context == context; });
}

void NotificationCenter::post(NotificationName notification, const Payload& payload)
{
    const QString name = notification;
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QPointer<NotificationCenter> self(this);
        QMetaObject::invokeMethod(
            app, [self, name, payload] { if (self) self->deliver(name, payload); }, Qt::QueuedConnection);
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
        const auto current = m_observers.constFind(name);
        const bool stillRegistered = current != m_observers.cend()
            && std::any_of(current->begin(), current->end(),
                           [&](const Observer& o) { return o.token == observer.token; });
        if (stillRegistered && observer.handler)
            observer.handler(payload);
    }
}

int NotificationCenter::observerCount(NotificationName name) const
{
    return static_cast<int>(m_observers.value(QString(name)).size());
}
