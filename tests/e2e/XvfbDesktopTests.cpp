// The test desktop itself: what every end-to-end test relies on.
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <signal.h>
#include <sys/stat.h>

namespace {

bool processExists(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// The process id an X server wrote into its lock file (0 when there is none).
qint64 lockOwner(const QString& lockFile)
{
    QFile file(lockFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

} // namespace

TEST(XvfbDesktop, EachDesktopHasItsOwnDisplayAndPrivateFolders)
{
    XvfbDesktop first;
    XvfbDesktop second;
    ASSERT_TRUE(first.isReady()) << first.errorString().toStdString();
    ASSERT_TRUE(second.isReady()) << second.errorString().toStdString();
    EXPECT_NE(first.display(), second.display());
    EXPECT_NE(first.configDir(), second.configDir());

    struct stat runtime {};
    ASSERT_EQ(::stat(first.runtimeDir().toLocal8Bit().constData(), &runtime), 0);
    EXPECT_TRUE(S_ISDIR(runtime.st_mode));
    EXPECT_EQ(runtime.st_mode & 0777, 0700u);

    const QProcessEnvironment env = first.environment();
    EXPECT_EQ(env.value(QStringLiteral("DISPLAY")), first.display());
    EXPECT_EQ(env.value(QStringLiteral("LUMETRA_CONFIG_DIR")), first.configDir());
    EXPECT_EQ(env.value(QStringLiteral("XDG_RUNTIME_DIR")), first.runtimeDir());
    EXPECT_EQ(env.value(QStringLiteral("QT_QPA_PLATFORM")), QStringLiteral("xcb"));

    const CommandResult echo = first.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cat; echo $DISPLAY")},
                                         5000, QByteArray("in:"));
    EXPECT_TRUE(echo.ok());
    EXPECT_EQ(echo.text(), QStringLiteral("in:") + first.display());
    EXPECT_EQ(first.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")}).exitCode, 3);
    EXPECT_FALSE(first.run(QStringLiteral("sleep"), {QStringLiteral("30")}, 200).finished);
    EXPECT_FALSE(first.run(QStringLiteral("/nonexistent/program"), {}).finished);
}

// Another test's server may take the freed display number at once, so this looks at
// what the desktop itself owned: its processes and the server's lock and socket files.
TEST(XvfbDesktop, StopsEverythingItStartedWhenDestroyed)
{
    qint64 serverPid = 0;
    qint64 backgroundPid = 0;
    QString lockFile;
    bool hadLock = false;
    QString socketFile;
    struct stat socketBefore {};
    QString root;
    {
        XvfbDesktop desktop({.windowManager = true, .tray = true});
        ASSERT_TRUE(desktop.isReady()) << desktop.errorString().toStdString();
        serverPid = desktop.serverPid();
        ASSERT_TRUE(processExists(serverPid));
        const QString number = desktop.display().mid(1);
        lockFile = QStringLiteral("/tmp/.X%1-lock").arg(number);
        socketFile = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        // Servers built to take no lock leave none; where there is one, it is the server's.
        const qint64 owner = lockOwner(lockFile);
        hadLock = owner != 0;
        ASSERT_TRUE(!hadLock || owner == serverPid) << owner;
        ASSERT_EQ(::stat(socketFile.toLocal8Bit().constData(), &socketBefore), 0);
        QProcess* sleeper = desktop.startBackground(QStringLiteral("sleep"), {QStringLiteral("600")});
        ASSERT_NE(sleeper, nullptr);
        backgroundPid = sleeper->processId();
        ASSERT_TRUE(processExists(backgroundPid));
        root = QFileInfo(desktop.workDir()).absolutePath();
    }
    EXPECT_FALSE(processExists(backgroundPid));
    EXPECT_FALSE(processExists(serverPid));
    // Gone, or by now another server's: the file system may hand the freed inode number
    // straight to the next server's socket, but not its creation time.
    EXPECT_TRUE(!hadLock || lockOwner(lockFile) != serverPid);
    struct stat socket {};
    EXPECT_TRUE(::stat(socketFile.toLocal8Bit().constData(), &socket) != 0 || socket.st_ino != socketBefore.st_ino
                || socket.st_ctim.tv_sec != socketBefore.st_ctim.tv_sec
                || socket.st_ctim.tv_nsec != socketBefore.st_ctim.tv_nsec);
    EXPECT_FALSE(QDir(root).exists());
}
