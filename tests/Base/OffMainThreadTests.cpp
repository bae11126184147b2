#include "Base/OffMainThread.h"

#include <QCoreApplication>
#include <QStringList>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace {

// Runs this thread's events until `future` has finished, for at most five seconds.
template <typename T>
bool waitWithEvents(const QFuture<T>& future)
{
    QElapsedTimer timer;
    timer.start();
    while (!future.isFinished() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return future.isFinished();
}

} // namespace

// A small job on a loaded machine is often done before its caller gets to ask for the
// result: such a result arrives like any other, on this thread, once each, whether the
// caller keeps the future handed back or not, and whether events run in between or not.
TEST(OffMainThread, AResultReadyBeforeItIsAskedForArrivesOnce)
{
    for (const bool keep : {false, true})
        for (const bool eventsBetween : {false, true}) {
            SCOPED_TRACE(testing::Message() << "keep " << keep << ", events between " << eventsBetween);
            QObject context;
            QStringList arrived;
            std::vector<QFuture<QString>> kept;
            constexpr int jobs = 2000;
            for (int i = 0; i < jobs; ++i) {
                QFuture<QString> finished = QtConcurrent::run([i] { return QString::number(i); });
                finished.waitForFinished();
                QFuture<QString> handedBack = OffMainThread::handBack(
                    &context, finished, [&arrived, caller = QThread::currentThread()](const QString& value) {
                        EXPECT_EQ(QThread::currentThread(), caller);
                        arrived << value;
                    });
                if (keep)
                    kept.push_back(handedBack);
                if (eventsBetween)
                    QCoreApplication::processEvents();
            }
            QElapsedTimer timer;
            timer.start();
            while (arrived.size() < jobs && timer.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::processEvents();
            ASSERT_EQ(arrived.size(), jobs);
            for (int i = 0; i < jobs; ++i)
                EXPECT_EQ(arrived[i], QString::number(i));
        }
}

// The future handed back finishes only once the result has been handed over, so that
// whoever waits for it sees what the hand-over did; and it carries the work's result.
TEST(OffMainThread, TheFutureFinishesAfterTheResultWasHandedOver)
{
    QObject context;
    std::optional<QString> handedOver;
    QFuture<QString> future = OffMainThread::run(&context, [] { return QStringLiteral("rows"); },
                                                 [&](const QString& value) { handedOver = value; });
    ASSERT_TRUE(waitWithEvents(future));
    EXPECT_EQ(handedOver, QStringLiteral("rows"));
    EXPECT_EQ(future.result(), QStringLiteral("rows"));
}

// A context gone before the work is done gets nothing; the future still finishes.
TEST(OffMainThread, NothingReachesAContextThatIsGone)
{
    auto context = std::make_unique<QObject>();
    bool called = false;
    std::atomic<bool> release{false};
    QFuture<int> future = OffMainThread::run(
        context.get(),
        [&release] {
            while (!release.load())
                QThread::msleep(1);
            return 7;
        },
        [&](int) { called = true; });
    context.reset();
    release = true;
    ASSERT_TRUE(waitWithEvents(future));
    EXPECT_FALSE(called);
    ASSERT_EQ(future.resultCount(), 1);
    EXPECT_EQ(future.result(), 7);
}

// Work that fails by throwing (an allocation too large for the machine) hands nothing
// back, and the program goes on; whoever waits on the future learns of the failure.
TEST(OffMainThread, WorkThatThrowsHandsNothingBack)
{
    QObject context;
    bool called = false;
    QFuture<int> future = OffMainThread::run(
        &context, []() -> int { throw std::bad_alloc(); }, [&](int) { called = true; });
    ASSERT_TRUE(waitWithEvents(future));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_ANY_THROW(future.waitForFinished());
}
