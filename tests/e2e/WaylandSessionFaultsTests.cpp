// End to end in a real Wayland session where the desktop does what Lumetra does not
// expect (see WaylandSessionFaults.sh): sway's default tiling gives every pin a tile, an
// output's scale changes under the last area, and the portal's wlroots backend stops
// answering. Skipped, saying why, where that stack cannot run.

#include "E2eImageProbes.h"
#include "WaylandScenario.h"

#include <QLockFile>
#include <QTemporaryDir>

TEST(WaylandSessionFaults, PinsInTilesARepeatOffTheOutputAndASilentPortalLeaveLumetraWorkingAndTellingTheUser)
{
    QStringList asUser;
    const QString unavailable = e2e::waylandScenarioUnavailable({"/usr/bin/slurp", "/usr/bin/convert", "/usr/bin/jq"}, asUser);
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();

    // The portal's wlroots backend writes every picture to /tmp/out.png, which another
    // session of this user on the machine would overwrite: one such session at a time,
    // the lock of a run that died taken over.
    QLockFile oneSession(QDir::tempPath() + QStringLiteral("/lumetra-wayland-session.lock"));
    oneSession.setStaleLockTime(0);
    ASSERT_TRUE(oneSession.tryLock(180000)) << "another Wayland session test held the machine for 3 minutes";

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumetra-wayland-faults-XXXXXX"));
    ASSERT_TRUE(root.isValid());
    const auto path = [&](const char* name) { return root.filePath(QLatin1String(name)); };
    ASSERT_TRUE(e2e::patternImage(QSize(1920, 1080)).save(path("pattern.png")));
    ASSERT_TRUE(e2e::runWaylandScenario(QDir(root.path()), asUser,
                                        {{QStringLiteral(LUMETRA_BINARY), QStringLiteral("lumetra-program")},
                                         {QStringLiteral(WAYLAND_COMMON_SCRIPT), QStringLiteral("wayland-common.sh")},
                                         {QStringLiteral(WAYLAND_SESSION_FAULTS_SCRIPT), QStringLiteral("session.sh")},
                                         {QStringLiteral(LUMETRA_WAYLAND_POINTER_PROBE), QStringLiteral("pointer-probe")}},
                                        QStringLiteral("session.sh"),
                                        {"LUMETRA=" + path("lumetra-program"), "POINTER_PROBE=" + path("pointer-probe")},
                                        200000));

    const QString result = e2e::readText(path("result"));
    if (result.startsWith(QLatin1String("skip: ")))
        GTEST_SKIP() << result.mid(6).trimmed().toStdString() << "\n"
                     << e2e::readText(path("sway.log")).right(2000).toStdString();
    EXPECT_EQ(result.simplified().toStdString(), "editor pinned-tiled pin-floated repeat-selects told-silent all-answered "
                                                 "told-again nothing-came-back answers-again")
        << "a step that failed says why in its word; the launches' output:\n"
        << e2e::readText(path("lumetra.log")).right(3000).toStdString();
    // The capture is 400 x 300 pixels at the scale 1: its pin is as large, with a margin
    // of 24 points around it, whatever tile an earlier pin was given.
    EXPECT_EQ(e2e::readText(path("pin-size.txt")).simplified().toStdString(), "448 348");
    if (HasFailure())
        std::cerr << "session folder kept: " << root.path().toStdString() << "\n";
    root.setAutoRemove(!HasFailure());
}
