// End to end in a real Wayland session (see WaylandSession.sh): sway's headless backend
// with the pixman renderer, PipeWire, and xdg-desktop-portal with its wlroots backend on
// a session bus of its own. sway does not run as root: as root the session runs as a
// user made for it. Skipped, saying why, where that stack cannot run.

#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace {

const char* const kUser = "lumetra-wayland";

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(WaylandSession, AreaCaptureOverAKnownPatternReachesTheClipboardPixelForPixelAndTheEditor)
{
    for (const char* tool : {"/usr/bin/sway", "/usr/bin/pipewire", "/usr/libexec/xdg-desktop-portal-wlr",
                             "/usr/bin/wl-paste", "/usr/bin/grim", "/usr/bin/dbus-run-session"})
        if (!QFile::exists(QLatin1String(tool)))
            GTEST_SKIP() << tool << " is not installed (scripts/bootstrap.sh installs the Wayland test stack)";
    QStringList asUser;
    if (::geteuid() == 0) {
        QProcess::execute(QStringLiteral("useradd"),
                          {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", QLatin1String(kUser)});
        if (!::getpwnam(kUser))
            GTEST_SKIP() << "sway does not run as root, and no user could be made for it";
        asUser = {QStringLiteral("runuser"), QStringLiteral("-u"), QLatin1String(kUser), QStringLiteral("--")};
        if (QProcess::execute(asUser[0], asUser.mid(1) + QStringList{"test", "-r", WAYLAND_SESSION_SCRIPT, "-a", "-x",
                                                                     LUMETRA_BINARY}) != 0)
            GTEST_SKIP() << "the build and source folders cannot be read by the user " << kUser;
    }

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumetra-wayland-XXXXXX"));
    ASSERT_TRUE(root.isValid());
    const auto path = [&](const char* name) { return root.filePath(QLatin1String(name)); };
    const QImage pattern = e2e::patternImage(QSize(1920, 1080));
    ASSERT_TRUE(pattern.save(path("pattern.png")));
    if (::geteuid() == 0)
        QProcess::execute(QStringLiteral("chown"), {"-R", QLatin1String(kUser), root.path()});

    // Nothing of the test's own environment, apart from a sanitizer build's settings.
    QStringList env{"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "LANG=C.UTF-8", "SCRATCH=" + root.path(),
                    "LUMETRA=" LUMETRA_BINARY, "POINTER_PROBE=" LUMETRA_WAYLAND_POINTER_PROBE};
    for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList())
        if (entry.startsWith(QLatin1String("ASAN_")) || entry.startsWith(QLatin1String("LSAN_"))
            || entry.startsWith(QLatin1String("UBSAN_")))
            env << entry;
    QProcess session;
    const QStringList line = asUser + QStringList{"env", "-i"} + env
        + QStringList{"dbus-run-session", "--", "bash", WAYLAND_SESSION_SCRIPT};
    session.setChildProcessModifier([] { ::setsid(); }); // a group of its own, to end it all at once
    session.start(line[0], line.mid(1));
    if (!session.waitForFinished(150000)) {
        ::kill(-pid_t(session.processId()), SIGKILL);
        session.waitForFinished(5000);
    }

    const QString result = readText(path("result"));
    if (result.startsWith(QLatin1String("skip: ")))
        GTEST_SKIP() << result.mid(6).trimmed().toStdString() << "\n" << readText(path("sway.log")).right(2000).toStdString();
    EXPECT_TRUE(e2e::samePixels(QImage(path("desktop.png")), pattern)) << "the desktop does not show the pattern";
    EXPECT_EQ(result.simplified().toStdString(), "handed-over overlay dragged editor");
    EXPECT_TRUE(e2e::samePixels(QImage(path("clip.png")), pattern.copy(150, 250, 240, 160)));
    if (HasFailure())
        std::cerr << "session folder kept: " << root.path().toStdString() << "\n"
                  << readText(path("lumetra.log")).right(3000).toStdString();
    root.setAutoRemove(!HasFailure());
}
