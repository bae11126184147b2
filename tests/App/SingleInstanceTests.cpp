#include "AppTestSupport.h"

#include "App/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

// The hand-over blocks until the first copy answers, and the first copy answers from
// the event loop: run the second launch on a thread of its own.
bool handOffFromAnotherThread(const QString& socketPath, const LaunchRequest& request)
{
    std::promise<bool> result;
    std::future<bool> done = result.get_future();
    std::thread launch([&] {
        SingleInstance second(socketPath);
        result.set_value(second.handOffToRunningCopy(request));
    });
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    launch.join();
    return done.get();
}

} // namespace

TEST(SingleInstance, ASecondLaunchHandsItsFilesToTheFirst)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("lumetra.socket"));
    SingleInstance first(socketPath);
    QList<LaunchRequest> received;
    ASSERT_TRUE(first.listen([&](const LaunchRequest& request) { received << request; }));

    const QString relative = QStringLiteral("shot.png");
    EXPECT_TRUE(handOffFromAnotherThread(socketPath, {{relative, QStringLiteral("/abs/b.jpg")}, {}}));
    ASSERT_EQ(received.size(), 1);
    // Relative paths arrive made absolute against the second launch's folder.
    EXPECT_EQ(received.first().files,
              (QStringList{QDir::current().absoluteFilePath(relative), QStringLiteral("/abs/b.jpg")}));

    // No files: the first copy is asked to show itself, or to start a capture.
    EXPECT_TRUE(handOffFromAnotherThread(socketPath, {}));
    EXPECT_TRUE(handOffFromAnotherThread(socketPath, {{}, QStringLiteral("capture-area")}));
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received[1], LaunchRequest{});
    EXPECT_EQ(received[2], (LaunchRequest{{}, QStringLiteral("capture-area")}));
}

TEST(SingleInstance, TheFirstLaunchFindsNobodyAndALeftOverSocketDoesNotBlockIt)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("lumetra.socket"));
    SingleInstance alone(socketPath);
    EXPECT_FALSE(alone.handOffToRunningCopy({{QStringLiteral("/a.png")}, {}}));

    // A socket file left by a copy that was killed.
    {
        QFile stale(socketPath);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(alone.handOffToRunningCopy({}));
    EXPECT_TRUE(alone.listen([](const LaunchRequest&) {}));
    // Only the user may connect.
    EXPECT_EQ(QFile::permissions(socketPath) & (QFileDevice::ReadOther | QFileDevice::WriteOther), QFileDevice::Permissions());
}

TEST(SingleInstance, MalformedHandOversAreRefusedAndNothingIsOpened)
{
    EXPECT_FALSE(SingleInstance::decodeMessage("not json").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": "a.png"})").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": [1, 2]})").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": [""]})").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": [], "capture": 3})").has_value());
    const LaunchRequest request{{QStringLiteral("/x/ä b.png")}, QStringLiteral("capture-area")};
    EXPECT_EQ(SingleInstance::decodeMessage(SingleInstance::encodeMessage(request)), request);

    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("lumetra.socket"));
    SingleInstance first(socketPath);
    int calls = 0;
    ASSERT_TRUE(first.listen([&](const LaunchRequest&) { ++calls; }));
    QLocalSocket client;
    client.connectToServer(socketPath);
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write("{\"files\": 7}\n");
    client.flush();
    ASSERT_TRUE(spinUntil([&] { return client.canReadLine() || client.state() != QLocalSocket::ConnectedState; }));
    EXPECT_EQ(client.readLine().trimmed(), QByteArray("refused"));
    EXPECT_EQ(calls, 0);
}
