#include "AppTestSupport.h"

#include "App/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <future>
#include <thread>

namespace {

// The hand-over blocks until the first copy answers, and the first copy answers from
// the event loop: run the second launch on a thread of its own.
using HandOff = RunningCopyChannel::HandOff;

HandOff handOffFromAnotherThread(const QString& socketPath, const LaunchRequest& request)
{
    std::promise<HandOff> result;
    std::future<HandOff> done = result.get_future();
    std::thread launch([&] {
        SingleInstance second(socketPath);
        result.set_value(second.handOffToRunningCopy(request));
    });
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    launch.join();
    return done.get();
}

// A client of our own, connected without the hand-over's checks and waits.
int rawConnect(const QString& socketPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True once the server has closed the connection (end of data on it).
bool closedByServer(int fd)
{
    char byte;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

class ListeningInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(first.listen([&](const LaunchRequest& request) { received << request; }),
                  RunningCopyChannel::Listening::started);
    }

    QTemporaryDir dir;
    QString socketPath = dir.filePath(QStringLiteral("lumetra.socket"));
    SingleInstance first {socketPath};
    QList<LaunchRequest> received;
};

} // namespace

TEST_F(ListeningInstance, ASecondLaunchHandsItsFilesToTheFirst)
{
    const QString relative = QStringLiteral("shot.png");
    EXPECT_EQ(handOffFromAnotherThread(socketPath, {{relative, QStringLiteral("/abs/b.jpg")}, {}}), HandOff::delivered);
    ASSERT_EQ(received.size(), 1);
    // Relative paths arrive made absolute against the second launch's folder.
    EXPECT_EQ(received.first().files,
              (QStringList{QDir::current().absoluteFilePath(relative), QStringLiteral("/abs/b.jpg")}));

    // No files: the first copy is asked to show itself, or to start a capture.
    EXPECT_EQ(handOffFromAnotherThread(socketPath, {}), HandOff::delivered);
    EXPECT_EQ(handOffFromAnotherThread(socketPath, {{}, QStringLiteral("capture-area")}), HandOff::delivered);
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received[1], LaunchRequest{});
    EXPECT_EQ(received[2], (LaunchRequest{{}, QStringLiteral("capture-area")}));
}

TEST(SingleInstance, TheFirstLaunchFindsNobodyALeftOverSocketDoesNotBlockItAndOnlyItsOwnSocketGoesWithIt)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("lumetra.socket"));
    auto alone = std::make_unique<SingleInstance>(socketPath);
    EXPECT_EQ(alone->handOffToRunningCopy({{QStringLiteral("/a.png")}, {}}), HandOff::noRunningCopy);

    // A socket file left by a copy that was killed.
    {
        QFile stale(socketPath);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(alone->handOffToRunningCopy({}), HandOff::noRunningCopy);
    EXPECT_EQ(alone->listen([](const LaunchRequest&) {}), RunningCopyChannel::Listening::started);
    // Only the user may connect.
    EXPECT_EQ(QFile::permissions(socketPath) & (QFileDevice::ReadOther | QFileDevice::WriteOther), QFileDevice::Permissions());

    // Its socket was taken for a dead copy's and replaced: the replacement stays when it ends.
    ASSERT_EQ(::unlink(QFile::encodeName(socketPath).constData()), 0);
    SingleInstance later(socketPath);
    ASSERT_EQ(later.listen([](const LaunchRequest&) {}), RunningCopyChannel::Listening::started);
    alone.reset();
    EXPECT_EQ(handOffFromAnotherThread(socketPath, {}), HandOff::delivered);
}

// Two launches close together: the later one may look at the socket at any moment of
// the first one's start. Whenever the socket is there, somebody listens on it; a refused
// connection would make the later launch take it for left over and listen on its own.
TEST(SingleInstance, WheneverTheSocketIsThereSomebodyListens)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("lumetra.socket"));
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    std::atomic<bool> starting{true};
    std::atomic<int> found{0}, refused{0};
    // The other thread looks as a launch does: without waiting, a full backlog (nothing
    // accepts here) being somebody listening. A copy that ends removes its socket before
    // it closes it, but a connection already on its way to it is refused all the same;
    // that socket is gone, or another in its place, once the refusal comes back. Only a
    // refusal from a socket still there counts.
    const auto sameFile = [](const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_ctim.tv_sec == b.st_ctim.tv_sec
            && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
    };
    std::thread later([&] {
        while (starting.load()) {
            struct stat before {};
            if (::lstat(path.constData(), &before) != 0)
                continue;
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0)
                continue;
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN) {
                ++found;
            } else if (errno == ECONNREFUSED) {
                struct stat after {};
                if (::lstat(path.constData(), &after) == 0 && sameFile(before, after))
                    ++refused;
            }
            ::close(fd);
        }
    });
    // On a loaded machine the other thread may hardly run: copies go on starting until it
    // has looked a few times.
    QElapsedTimer timer;
    timer.start();
    for (int start = 0; start < 300 || (found.load() < 20 && timer.elapsed() < 20000); ++start) {
        SingleInstance first(socketPath);
        ASSERT_EQ(first.listen([](const LaunchRequest&) {}), RunningCopyChannel::Listening::started);
    }
    starting = false;
    later.join();
    EXPECT_GT(found.load(), 0) << "the other thread looked while a copy listened";
    EXPECT_EQ(refused.load(), 0) << "a socket that refused connections was there";
}

TEST_F(ListeningInstance, MalformedHandOversAreRefusedAndNothingIsOpened)
{
    EXPECT_FALSE(SingleInstance::decodeMessage("not json").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": "a.png"})").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": [1, 2]})").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": [""]})").has_value());
    EXPECT_FALSE(SingleInstance::decodeMessage(R"({"files": [], "capture": 3})").has_value());
    const LaunchRequest request{{QStringLiteral("/x/ä b.png")}, QStringLiteral("capture-area")};
    EXPECT_EQ(SingleInstance::decodeMessage(SingleInstance::encodeMessage(request)), request);

    QLocalSocket client;
    client.connectToServer(socketPath);
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write("{\"files\": 7}\n");
    client.flush();
    ASSERT_TRUE(spinUntil([&] { return client.canReadLine() || client.state() != QLocalSocket::ConnectedState; }));
    EXPECT_EQ(client.readLine().trimmed(), QByteArray("refused"));
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(ListeningInstance, AFloodIsCappedTimedOutAndALaunchBehindItIsToldBusyAndServedOnceTheSlotsFree)
{
    std::vector<int> flood;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 60; ++i) {
        flood.push_back(rawConnect(socketPath));
        QCoreApplication::processEvents();
        ASSERT_LE(first.openConnections(), SingleInstance::maximumConnections);
    }
    ASSERT_EQ(::write(flood.front(), "{\"files\": [", 11), 11); // half a message
    // Those over the cap hear "busy"; a launch behind the flood tries again until the idle
    // and half-sent ones have timed out (not sooner), and is served.
    char answer[8] = {};
    EXPECT_EQ(::recv(flood.back(), answer, sizeof answer, 0), 5);
    EXPECT_STREQ(answer, "busy\n");
    EXPECT_EQ(handOffFromAnotherThread(socketPath, {{QStringLiteral("/after/flood.png")}, {}}), HandOff::delivered);
    EXPECT_GE(clock.elapsed(), SingleInstance::messageTimeoutMs - 300);
    EXPECT_TRUE(closedByServer(flood.front()));
    EXPECT_EQ(received, (QList<LaunchRequest>{{{QStringLiteral("/after/flood.png")}, {}}}));
    for (int fd : flood)
        ::close(fd);
}

TEST(SingleInstanceProcesses, ALaunchBesideAStoppedCopyEndsWithoutTakingItsSocket)
{
    QTemporaryDir home;
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(SingleInstance::isPrivateFolder(runtime, true));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("LUMETRA_CONFIG_DIR"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QByteArray socket = QFile::encodeName(QDir(runtime).filePath(QStringLiteral("lumetra-%1.socket").arg(::getuid())));
    QProcess first, second;
    for (QProcess* copy : {&first, &second})
        copy->setProcessEnvironment(environment);
    first.start(QStringLiteral(LUMETRA_BINARY), {});
    struct stat listening {}, after {};
    ASSERT_TRUE(spinUntil([&] { return ::lstat(socket.constData(), &listening) == 0; }, 20000));
    ::kill(pid_t(first.processId()), SIGSTOP);

    QFile shot(home.filePath(QStringLiteral("shot.png")));
    ASSERT_TRUE(shot.open(QIODevice::WriteOnly));
    shot.close();
    second.start(QStringLiteral(LUMETRA_BINARY), {shot.fileName()});
    EXPECT_TRUE(second.waitForFinished(SingleInstance::handOffTimeoutMs + 10000)) << "it runs beside the stopped copy";
    ::kill(pid_t(first.processId()), SIGCONT);
    EXPECT_EQ(std::pair(second.exitStatus(), second.exitCode()), std::pair(QProcess::NormalExit, 1));
    EXPECT_EQ(::lstat(socket.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, listening.st_ino);
    for (QProcess* copy : {&second, &first}) {
        copy->kill();
        copy->waitForFinished();
    }
}

TEST_F(ListeningInstance, AFailedAcceptOnlyPausesListening)
{
    // The client's socket exists before descriptors run out; then this process may open
    // none, so the server's accept() fails.
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    rlimit saved {};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, QFile::encodeName(socketPath).constData());
    const bool connected = ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_TRUE(connected);
    EXPECT_TRUE(first.isListening());

    const QByteArray message = SingleInstance::encodeMessage({{QStringLiteral("/still/served.png")}, {}});
    ASSERT_EQ(::write(client, message.constData(), size_t(message.size())), message.size());
    ASSERT_TRUE(spinUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received.first().files, QStringList{QStringLiteral("/still/served.png")});
    ::close(client);
}

namespace {

// Another local user, made for the test: a process of its own (forked, then running as
// that user) that listens at a path and reports how many bytes reached it.
class OtherUser {
public:
    struct Ids {
        uid_t uid;
        gid_t gid;
    };
    static std::optional<Ids> ensure()
    {
        const char* name = "lumetra-test-peer";
        if (!::getpwnam(name))
            std::system("useradd --system --no-create-home --shell /usr/sbin/nologin lumetra-test-peer >/dev/null 2>&1");
        const passwd* user = ::getpwnam(name);
        return user ? std::optional<Ids>(Ids{user->pw_uid, user->pw_gid}) : std::nullopt;
    }

    // Listens at socketPath (making folder first, mode 0777, when it is given).
    OtherUser(Ids ids, const QString& folder, const QString& socketPath)
    {
        int ends[2];
        ::pipe(ends);
        const QByteArray dir = QFile::encodeName(folder);
        const QByteArray path = QFile::encodeName(socketPath);
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only system calls from here on: this process was forked from a threaded one.
            ::close(ends[0]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(ids.gid) != 0 || ::setuid(ids.uid) != 0)
                ::_exit(1);
            if (!dir.isEmpty()) {
                ::mkdir(dir.constData(), 0777);
                ::chmod(dir.constData(), 0777);
            }
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::chmod(path.constData(), 0777) != 0
                || ::listen(server, 4) != 0)
                ::_exit(2);
            int got = 0;
            ::write(ends[1], &got, sizeof got); // listening
            pollfd waiting {server, POLLIN, 0};
            if (::poll(&waiting, 1, 3000) == 1) {
                const int connection = ::accept(server, nullptr, nullptr);
                char buffer[4096];
                pollfd reading {connection, POLLIN, 0};
                while (::poll(&reading, 1, 1000) == 1) {
                    const ssize_t n = ::read(connection, buffer, sizeof buffer);
                    if (n <= 0)
                        break;
                    got += int(n);
                }
            }
            ::write(ends[1], &got, sizeof got);
            ::_exit(0);
        }
        ::close(ends[1]);
        m_pipe = ends[0];
        int ready = -1;
        m_listening = ::read(m_pipe, &ready, sizeof ready) == sizeof ready;
    }
    ~OtherUser()
    {
        ::close(m_pipe);
        ::waitpid(m_pid, nullptr, 0);
    }
    bool isListening() const { return m_listening; }
    // The bytes that reached it (waits for its report).
    int bytesReceived()
    {
        int got = -1;
        return ::read(m_pipe, &got, sizeof got) == sizeof got ? got : -1;
    }

private:
    pid_t m_pid = -1;
    int m_pipe = -1;
    bool m_listening = false;
};

} // namespace

TEST(SingleInstanceAgainstAnotherUser, ASquattedPathLearnsNothingAndThisLaunchRunsOnItsOwn)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to create a second user (useradd) and act as it";
    const std::optional<OtherUser::Ids> other = OtherUser::ensure();
    if (!other)
        GTEST_SKIP() << "could not create the second user lumetra-test-peer with useradd";
    // A shared temporary folder, as /tmp is.
    QTemporaryDir shared;
    ::chmod(QFile::encodeName(shared.path()).constData(), 01777);

    // The other user listens where a socket of ours might be looked for.
    {
        const QString squatted = QDir(shared.path()).filePath(QStringLiteral("squat.socket"));
        OtherUser squatter(*other, QString(), squatted);
        ASSERT_TRUE(squatter.isListening());
        SingleInstance launch(squatted);
        EXPECT_EQ(launch.handOffToRunningCopy({{QStringLiteral("/private/holiday.png")}, {}}), HandOff::noRunningCopy);
        EXPECT_EQ(squatter.bytesReceived(), 0);
    }
    // Without XDG_RUNTIME_DIR the socket goes into <temp>/lumetra-<uid>: the other user
    // made that folder first and listens in it. It is refused, and nothing is sent.
    {
        // The environment is the whole program's: put back for the tests that follow.
        const auto restore = qScopeGuard([runtime = qgetenv("XDG_RUNTIME_DIR"), temp = qgetenv("TMPDIR")] {
            qputenv("XDG_RUNTIME_DIR", runtime);
            temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
        });
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
        const QString folder = QDir(shared.path()).filePath(QStringLiteral("lumetra-%1").arg(::getuid()));
        OtherUser squatter(*other, folder, QDir(folder).filePath(QStringLiteral("lumetra-%1.socket").arg(::getuid())));
        ASSERT_TRUE(squatter.isListening());
        EXPECT_TRUE(SingleInstance::defaultSocketPath().isEmpty());
        SingleInstance launch(SingleInstance::defaultSocketPath());
        EXPECT_EQ(launch.handOffToRunningCopy({{QStringLiteral("/private/holiday.png")}, {}}), HandOff::noRunningCopy);
        EXPECT_EQ(squatter.bytesReceived(), 0);
    }
}

TEST(SingleInstance, TheFallbackFolderMustBeARealPrivateFolderOfThisUser)
{
    QTemporaryDir shared;
    const QString folder = shared.filePath(QStringLiteral("lumetra-test"));
    EXPECT_TRUE(SingleInstance::isPrivateFolder(folder, true));
    EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_FALSE(SingleInstance::isPrivateFolder(folder, true));
    const QString link = shared.filePath(QStringLiteral("lumetra-link"));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    ASSERT_EQ(::symlink(QFile::encodeName(folder).constData(), QFile::encodeName(link).constData()), 0);
    EXPECT_FALSE(SingleInstance::isPrivateFolder(link, true));
}
