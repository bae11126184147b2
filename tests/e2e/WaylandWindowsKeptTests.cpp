// End to end in a real Wayland session (see WaylandWindowsKept.sh): sway's default tiling,
// a pin the user floated and placed, and the editor, through an area capture, a repeat and
// a window capture. A Wayland compositor forgets a window that is unmapped; these must be
// the very windows sway knew, where they were. Then the editor in a tile narrower than
// its least size still shows its image. Skipped, saying why, where that stack
// cannot run.

#include "E2eImageProbes.h"
#include "WaylandScenario.h"

#include <QLockFile>
#include <QTemporaryDir>

TEST(WaylandWindowsKept, PinAndEditorKeepPlaceSizeWorkspaceAndFloatingThroughEveryCapture)
{
    QStringList asUser;
    const QString unavailable = e2e::waylandScenarioUnavailable({"/usr/bin/slurp", "/usr/bin/jq", "/usr/bin/convert"}, asUser);
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();

    // The portal's wlroots backend writes every picture to /tmp/out.png: one such session
    // on the machine at a time, the lock of a run that died taken over.
    QLockFile oneSession(QDir::tempPath() + QStringLiteral("/lumetra-wayland-session.lock"));
    oneSession.setStaleLockTime(0);
    ASSERT_TRUE(oneSession.tryLock(180000)) << "another Wayland session test held the machine for 3 minutes";

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumetra-wayland-kept-XXXXXX"));
    ASSERT_TRUE(root.isValid());
    const auto path = [&](const char* name) { return root.filePath(QLatin1String(name)); };
    const QImage pattern = e2e::patternImage(QSize(1920, 1080));
    ASSERT_TRUE(pattern.save(path("pattern.png")));
    ASSERT_TRUE(e2e::runWaylandScenario(QDir(root.path()), asUser,
                                        {{QStringLiteral(LUMETRA_BINARY), QStringLiteral("lumetra-program")},
                                         {QStringLiteral(WAYLAND_COMMON_SCRIPT), QStringLiteral("wayland-common.sh")},
                                         {QStringLiteral(WAYLAND_WINDOWS_KEPT_SCRIPT), QStringLiteral("session.sh")},
                                         {QStringLiteral(LUMETRA_WAYLAND_POINTER_PROBE), QStringLiteral("pointer-probe")},
                                         {QStringLiteral(LUMETRA_WAYLAND_KEYBOARD_PROBE), QStringLiteral("keyboard-probe")}},
                                        QStringLiteral("session.sh"),
                                        {"LUMETRA=" + path("lumetra-program"), "POINTER_PROBE=" + path("pointer-probe"),
                                         "KEYBOARD_PROBE=" + path("keyboard-probe")},
                                        180000));

    const QString result = e2e::readText(path("result"));
    if (result.startsWith(QLatin1String("skip: ")))
        GTEST_SKIP() << result.mid(6).trimmed().toStdString() << "\n"
                     << e2e::readText(path("sway.log")).right(2000).toStdString();
    EXPECT_EQ(result.simplified().toStdString(), "editor pinned captured-tiled pin-floated placed area-kept area-focus "
                                                 "repeat-kept repeat-focus window-kept window-focus none-closed narrow-image")
        << "a step that failed says why in its word; sway's windows before and after each capture:\n"
        << e2e::readText(path("state-before.json")).toStdString() << e2e::readText(path("states.txt")).toStdString()
        << "closed: " << e2e::readText(path("closed.txt")).toStdString() << "\nthe launches' output:\n"
        << e2e::readText(path("lumetra.log")).right(3000).toStdString();
    // The capture is 400 x 300 pixels at the scale 1: floated after another capture, its
    // pin is as large, with a margin of 24 points around it, not the tile it had.
    EXPECT_EQ(e2e::readText(path("pin-size.txt")).simplified().toStdString(), "448 348");
    // Taken over the placed pin and the editor that fills the output: the desktop alone.
    EXPECT_TRUE(e2e::samePixels(QImage(path("over.png")), pattern.copy(100, 650, 200, 150)))
        << "Lumetra's own windows are in the area's picture";
    EXPECT_TRUE(e2e::samePixels(QImage(path("repeat.png")), pattern.copy(100, 650, 200, 150)))
        << "Lumetra's own windows are in the repeat's picture";
    if (HasFailure())
        std::cerr << "session folder kept: " << root.path().toStdString() << "\n";
    root.setAutoRemove(!HasFailure());
}
