#include "Platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

using Payload = NotificationCenter::Payload;

constexpr NotificationName kZoom{"Zoom"};
constexpr NotificationName kShortcut{"Shortcut"};
constexpr NotificationName kUnheard{"NobodyListens"};
constexpr NotificationName kSave{"Save"};
constexpr NotificationName kRotated{"Rotated"};
constexpr NotificationName kN{"N"};
constexpr NotificationName kM{"M"};
constexpr NotificationName kCrop{"Crop"};
constexpr NotificationName kReady{"Ready"};

// Runs the main thread's event loop until done() or the timeout.
template <typename Pred>
bool processEventsUntil(Pred done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

TEST(NotificationCenter, DeliversToObserversOfThatNameWithOrWithoutPayload)
{
    NotificationCenter center;
    QObject context;
    std::vector<Payload> zoomIn;
    std::vector<Payload> shortcuts;
    center.addObserver(kZoom, &context, [&](const Payload& p) { zoomIn.push_back(p); });
    center.addObserver(kShortcut, &context, [&](const Payload& p) { shortcuts.push_back(p); });

    center.post(kZoom);
    center.post(kShortcut, QStringLiteral("toolArrow"));
    center.post(kShortcut, QString()); // an empty payload is still a payload
    center.post(kUnheard, QStringLiteral("x"));

    ASSERT_EQ(zoomIn.size(), 1u);
    EXPECT_FALSE(zoomIn[0].has_value());
    EXPECT_EQ(shortcuts, (std::vector<Payload>{QStringLiteral("toolArrow"), QString()}));

    // Observers run at once, in registration order.
    std::vector<int> order;
    for (int i = 0; i < 4; ++i)
        center.addObserver(kSave, &context, [&order, i](const Payload&) { order.push_back(i); });
    center.post(kSave);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(NotificationCenter, ObserversEndWithTheirContextOrWhenRemovedByTokenOrContext)
{
    NotificationCenter center;
    int calls = 0;
    {
        QObject context;
        center.addObserver(kRotated, &context, [&](const Payload&) { ++calls; });
    }
    EXPECT_EQ(center.observerCount(kRotated), 0);
    center.post(kRotated);
    EXPECT_EQ(calls, 0);

    QObject a;
    QObject b;
    const quint64 token = center.addObserver(kN, &a, [&](const Payload&) { calls += 1; });
    center.addObserver(kN, &b, [&](const Payload&) { calls += 10; });
    center.addObserver(kM, &b, [&](const Payload&) { calls += 100; });
    center.addObserver(kN, nullptr, [&](const Payload&) { calls += 1000; });

    center.removeObserver(token);
    center.post(kN);
    EXPECT_EQ(calls, 1010);

    center.removeObservers(&b);
    center.post(kN);
    center.post(kM);
    EXPECT_EQ(calls, 2010);
    // Removing context-free observers by a null context must not touch them.
    center.removeObservers(nullptr);
    center.post(kN);
    EXPECT_EQ(calls, 3010);
}

TEST(NotificationCenter, ObserverMayRemoveItselfOrOthersDuringDelivery)
{
    NotificationCenter center;
    QObject context;
    auto doomedContext = std::make_unique<QObject>();
    std::vector<QString> calls;
    quint64 selfToken = 0;
    quint64 laterToken = 0;

    selfToken = center.addObserver(kCrop, &context, [&](const Payload&) {
        calls.push_back(QStringLiteral("self"));
        center.removeObserver(selfToken);
    });
    center.addObserver(kCrop, &context, [&](const Payload&) {
        calls.push_back(QStringLiteral("remover"));
        center.removeObserver(laterToken);
        doomedContext.reset();
        // Added during delivery: heard from the next post on.
        center.addObserver(kCrop, &context, [&](const Payload&) { calls.push_back(QStringLiteral("new")); });
    });
    laterToken = center.addObserver(kCrop, &context, [&](const Payload&) { calls.push_back(QStringLiteral("later")); });
    center.addObserver(kCrop, doomedContext.get(), [&](const Payload&) { calls.push_back(QStringLiteral("doomed")); });
    center.addObserver(kCrop, &context, [&](const Payload&) { calls.push_back(QStringLiteral("last")); });

    center.post(kCrop);
    EXPECT_EQ(calls, (std::vector<QString>{QStringLiteral("self"), QStringLiteral("remover"), QStringLiteral("last")}));

    calls.clear();
    center.post(kCrop);
    EXPECT_EQ(calls, (std::vector<QString>{QStringLiteral("remover"), QStringLiteral("last"), QStringLiteral("new")}));
}

TEST(NotificationCenter, ACentreBuiltOnAWorkerDeliversWorkersPostsOnTheMainThreadWhileItLives)
{
    // A centre built on a worker thread (as the shared one may be) is moved to the main
    // thread, so later queued deliveries find a running event loop.
    std::unique_ptr<NotificationCenter> center;
    std::thread builder([&] { center = std::make_unique<NotificationCenter>(); });
    builder.join();
    EXPECT_EQ(center->thread(), QCoreApplication::instance()->thread());

    QObject context;
    std::vector<Payload> received;
    bool onMainThread = false;
    center->addObserver(kReady, &context, [&](const Payload& p) {
        onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        received.push_back(p);
    });
    std::thread worker([&] { center->post(kReady, QStringLiteral("from worker")); });
    worker.join();
    // Not delivered on the worker, and not before the main loop runs.
    EXPECT_TRUE(received.empty());
    ASSERT_TRUE(processEventsUntil([&] { return !received.empty(); }));
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(received, std::vector<Payload>{QStringLiteral("from worker")});

    // A queued post whose centre is destroyed before the loop runs is dropped.
    std::thread poster([&] { center->post(kReady); });
    poster.join();
    center.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 1u);
}
