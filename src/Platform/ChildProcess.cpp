#include "Platform/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace ChildProcess {

ReadEnd readExactly(int fd, void* into, std::size_t size, Clock::time_point deadline,
                    const std::function<bool()>& cancelled)
{
    char* bytes = static_cast<char*>(into);
    while (size > 0) {
        if (cancelled && cancelled())
            return ReadEnd::cancelled;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ReadEnd::late;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::min<long long>(left, 20)));
        if (ready < 0 && errno != EINTR)
            return ReadEnd::broken;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return ReadEnd::broken;
        bytes += n;
        size -= std::size_t(n);
    }
    return ReadEnd::done;
}

int spawn(const QString& program, int input, Fd& output, pid_t& pid, const std::vector<QByteArray>* environment)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return errno;
    output.reset();
    output.fd = pipeEnds[0];
    Fd childOutput(pipeEnds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, childOutput.fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    const QByteArray path = QFile::encodeName(program);
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};
    std::vector<char*> envp;
    if (environment) {
        for (const QByteArray& v : *environment)
            envp.push_back(const_cast<char*>(v.constData()));
        envp.push_back(nullptr);
    }
    const int spawned = ::posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environment ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        output.reset();
    return spawned;
}

Ending reap(pid_t pid, Clock::time_point deadline)
{
    Ending ending;
    const bool waitForIt = deadline == Clock::time_point::max();
    for (;;) {
        const pid_t done = ::waitpid(pid, &ending.status, waitForIt ? 0 : WNOHANG);
        if (done == pid)
            return ending;
        if (done < 0 && errno != EINTR) {
            ending.lost = true;
            return ending;
        }
        if (done < 0)
            continue;
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &ending.status, 0) < 0 && errno == EINTR) { }
            ending.killed = true;
            return ending;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

namespace {

    struct Collector {
        std::mutex mutex;
        std::condition_variable added;
        std::vector<std::pair<pid_t, Clock::time_point>> programs;
        bool running = false;
    };

    // Never destroyed: programs handed over as Lumetra ends are ended by the system.
    Collector& collector()
    {
        static Collector* const shared = new Collector;
        return *shared;
    }

    void collectAll(Collector& c)
    {
        std::unique_lock lock(c.mutex);
        for (;;) {
            c.added.wait(lock, [&c] { return !c.programs.empty(); });
            std::vector<std::pair<pid_t, Clock::time_point>> left;
            for (const auto& [pid, deadline] : c.programs) {
                int status = 0;
                const pid_t done = ::waitpid(pid, &status, WNOHANG);
                if (done == pid || (done < 0 && errno != EINTR))
                    continue;
                if (Clock::now() >= deadline) {
                    ::kill(pid, SIGKILL);
                    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
                    continue;
                }
                left.emplace_back(pid, deadline);
            }
            c.programs = std::move(left);
            // Most programs end within tens of milliseconds of being handed over.
            if (!c.programs.empty())
                c.added.wait_for(lock, std::chrono::milliseconds(5));
        }
    }

} // namespace

void collectLater(pid_t pid, Clock::duration grace)
{
    if (pid <= 0)
        return;
    Collector& c = collector();
    const std::lock_guard lock(c.mutex);
    c.programs.emplace_back(pid, Clock::now() + grace);
    if (!c.running) {
        c.running = true;
        std::thread([&c] { collectAll(c); }).detach();
    }
    c.added.notify_one();
}

QString findProgramFor(const QString& self, const QString& name)
{
    const QDir folder = QFileInfo(self).dir();
    QStringList candidates{folder.filePath(name),
                           QDir::cleanPath(folder.filePath(QStringLiteral(LUMETRA_LIBEXEC_FROM_BIN "/lumetra/") + name))};
    const QString build = QDir(QStringLiteral(LUMETRA_BUILD_FOLDER)).canonicalPath();
    if (!build.isEmpty() && self.startsWith(build + QLatin1Char('/')))
        candidates << QDir(build).filePath(name);
    for (const QString& candidate : candidates) {
        if (::access(QFile::encodeName(candidate).constData(), X_OK) == 0)
            return candidate;
    }
    return QString();
}

QString findProgram(const QString& name)
{
    return findProgramFor(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(), name);
}

} // namespace ChildProcess
