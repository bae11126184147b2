#pragma once

// Running a Wayland end-to-end script (see WaylandCommon.sh): sway does not run as root,
// so as root the script runs as a user made for it, with nothing of the test's own
// environment apart from a sanitizer build's settings, inside dbus-run-session, in a
// folder of its own that it is handed.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <utility>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace e2e {

inline QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The command prefix that runs as the session's user (none when not root); absent when
// no such user could be made.
inline std::optional<QStringList> waylandSessionUser()
{
    if (::geteuid() != 0)
        return QStringList();
    const char* const user = "lumetra-wayland";
    QProcess::execute(QStringLiteral("useradd"),
                      {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", QLatin1String(user)});
    if (!::getpwnam(user))
        return std::nullopt;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QLatin1String(user), QStringLiteral("--")};
}

// Why a Wayland scenario cannot run here: the first of the core stack or of `extra` that
// is not installed, or no user to run sway as root; empty when it can. `asUser` gets the
// command prefix that runs as the session's user.
inline QString waylandScenarioUnavailable(std::initializer_list<const char*> extra, QStringList& asUser)
{
    for (const auto& list : {std::initializer_list<const char*>{"/usr/bin/sway", "/usr/bin/pipewire",
                                                                 "/usr/libexec/xdg-desktop-portal-wlr",
                                                                 "/usr/bin/wl-paste", "/usr/bin/grim",
                                                                 "/usr/bin/dbus-run-session"},
                             extra})
        for (const char* tool : list)
            if (!QFile::exists(QLatin1String(tool)))
                return QLatin1String(tool)
                    + QStringLiteral(" is not installed (scripts/bootstrap.sh installs the Wayland test stack)");
    const std::optional<QStringList> user = waylandSessionUser();
    if (!user)
        return QStringLiteral("sway does not run as root, and no user could be made for it");
    asUser = *user;
    return {};
}

// A sanitizer build's settings, passed on to the session. Files they name (LeakSanitizer's
// suppressions) may lie where the session's user cannot read: they are copied into the
// session's folder and named there.
inline QStringList waylandSanitizerEnvironment(const QDir& folder)
{
    QStringList passed;
    for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList()) {
        if (!entry.startsWith(QLatin1String("ASAN_")) && !entry.startsWith(QLatin1String("LSAN_"))
            && !entry.startsWith(QLatin1String("UBSAN_")))
            continue;
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        QStringList options = entry.mid(equals + 1).split(QLatin1Char(':'));
        for (QString& option : options) {
            if (!option.startsWith(QLatin1String("suppressions=")))
                continue;
            const QString to = folder.filePath(entry.left(equals) + QStringLiteral(".supp"));
            QFile::remove(to);
            if (QFile::copy(option.mid(int(sizeof("suppressions=") - 1)), to))
                option = QStringLiteral("suppressions=") + to;
        }
        passed << entry.left(equals + 1) + options.join(QLatin1Char(':'));
    }
    return passed;
}

// Copies `files` (from, name) into `folder`, hands the folder to the session's user and
// runs the script named `script` there with `env` besides SCRATCH, PATH and LANG. Ends
// the whole session after timeoutMs. False when a file could not be copied.
inline bool runWaylandScenario(const QDir& folder, const QStringList& asUser,
                               const QList<std::pair<QString, QString>>& files, const QString& script,
                               QStringList env, int timeoutMs)
{
    env << QStringLiteral("PATH=/usr/bin:/bin:/usr/sbin:/sbin") << QStringLiteral("LANG=C.UTF-8")
        << QStringLiteral("SCRATCH=") + folder.path() << waylandSanitizerEnvironment(folder);
    for (const auto& [from, name] : files)
        if (!QFile::copy(from, folder.filePath(name)))
            return false;
    if (!asUser.isEmpty())
        QProcess::execute(QStringLiteral("chown"), {"-R", asUser.at(2), folder.path()});
    QProcess session;
    const QStringList line = asUser + QStringList{"env", "-i"} + env
        + QStringList{"dbus-run-session", "--", "bash", folder.filePath(script)};
    session.setChildProcessModifier([] { ::setsid(); }); // a group of its own, to end it all at once
    session.start(line[0], line.mid(1));
    if (!session.waitForFinished(timeoutMs)) {
        ::kill(-pid_t(session.processId()), SIGKILL);
        session.waitForFinished(5000);
    }
    return true;
}

} // namespace e2e
