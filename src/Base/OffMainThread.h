#pragma once

// Work run on the application's thread pool whose result is handed back on the thread
// of a context object.
//
// QFuture::then(context, ...) is not used for this: with Qt 6.4 a continuation with a
// context attached to a future that has already finished crashes, and on a loaded
// machine a small job often finishes before the caller gets to attach anything. A
// watcher reports a finished future like any other.

#include "Base/Logger.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace OffMainThread {

// Calls `done(result)` on `context`'s thread once `future` has finished, whether it has
// already or not, unless `context` is gone by then. Call from a thread with an event
// loop, where `context` lives. The future returned has the same result and finishes
// only after `done` has run (or been skipped for a context that is gone).
template <typename Result, typename Done>
QFuture<Result> handBack(QObject* context, QFuture<Result> future, Done&& done)
{
    static_assert(!std::is_void_v<Result>, "the work hands back a result");
    auto handedBack = std::make_shared<QPromise<Result>>();
    QFuture<Result> delivered = handedBack->future();
    handedBack->start();
    auto* watcher = new QFutureWatcher<Result>();
    // Connected in this order, `done` runs before the returned future finishes. Work that
    // threw (an allocation too large for the machine) hands nothing back: the exception
    // would otherwise leave the event loop and end the program, with the user's work.
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::forward<Done>(done)]() mutable {
                         std::optional<Result> result;
                         try {
                             result = watcher->result();
                         } catch (...) {
                             logMessage(LogLevel::error, [] {
                                 return QStringLiteral("❌ Work off the main thread failed; nothing handed back");
                             });
                             return;
                         }
                         done(*result);
                     });
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, handedBack] {
        try {
            handedBack->addResult(watcher->result());
        } catch (...) {
            handedBack->setException(std::current_exception());
        }
        handedBack->finish();
        watcher->deleteLater();
    });
    watcher->setFuture(future);
    return delivered;
}

// Runs `work` on the pool and hands its result back as handBack does.
template <typename Work, typename Done>
QFuture<std::invoke_result_t<std::decay_t<Work>>> run(QObject* context, Work&& work, Done&& done)
{
    return handBack(context, QtConcurrent::run(std::forward<Work>(work)), std::forward<Done>(done));
}

} // namespace OffMainThread
