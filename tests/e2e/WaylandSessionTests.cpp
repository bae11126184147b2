// End to end in a real Wayland session (see WaylandSession.sh): sway's headless backend
// with the pixman renderer, PipeWire, and xdg-desktop-portal with its wlroots backend on
// a session bus of its own. sway does not run as root: as root the session runs as a
// user made for it. Skipped, saying why, where that stack cannot run.

#include "E2eImageProbes.h"
#include "WaylandScenario.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <optional>

TEST(WaylandSession, AreaAndWindowCapturesOverAKnownPatternReachTheClipboardPixelForPixelAndTheEditor)
{
    QStringList asUser;
    const QString unavailable = e2e::waylandScenarioUnavailable({"/usr/bin/slurp"}, asUser);
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();

    // Sessions of this user share more than their folders: the portal's wlroots backend
    // writes every picture to /tmp/out.png, which a second session on the machine
    // (another checkout's test run) overwrites, and Lumetra removes once read. One session
    // at a time; the lock of a run that died is taken over.
    QLockFile oneSession(QDir::tempPath() + QStringLiteral("/lumetra-wayland-session.lock"));
    oneSession.setStaleLockTime(0);
    ASSERT_TRUE(oneSession.tryLock(180000)) << "another Wayland session test held the machine for 3 minutes";

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumetra-wayland-XXXXXX"));
    ASSERT_TRUE(root.isValid());
    const auto path = [&](const char* name) { return root.filePath(QLatin1String(name)); };
    const QImage pattern = e2e::patternImage(QSize(1920, 1080));
    ASSERT_TRUE(pattern.save(path("pattern.png")));
    // The pattern moved by half its period, which the desktop shows for the repeat.
    const int half = e2e::patternPeriod / 2;
    ASSERT_TRUE(e2e::patternImage(QSize(1920 + half, 1080 + half)).copy(half, half, 1920, 1080).save(path("pattern-b.png")));
    // What another program copies: stripes that the pattern nowhere has.
    QImage other(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < other.height(); ++y)
        for (int x = 0; x < other.width(); ++x)
            other.setPixel(x, y, (x + y) / 8 % 2 ? qRgb(250, 140, 20) : qRgb(20, 60, 200));
    ASSERT_TRUE(other.save(path("other.png")));
    // The session's user may not reach into the build (a fresh clone's folder is 0700):
    // what it runs is copied into the session's folder, which is handed to it.
    ASSERT_TRUE(e2e::runWaylandScenario(QDir(root.path()), asUser,
                                        {{QStringLiteral(LUMETRA_BINARY), QStringLiteral("lumetra-program")},
                                         {QStringLiteral(WAYLAND_COMMON_SCRIPT), QStringLiteral("wayland-common.sh")},
                                         {QStringLiteral(WAYLAND_SESSION_SCRIPT), QStringLiteral("session.sh")},
                                         {QStringLiteral(LUMETRA_WAYLAND_POINTER_PROBE), QStringLiteral("pointer-probe")},
                                         {QStringLiteral(LUMETRA_TRAY_WATCHER_PROBE), QStringLiteral("tray-probe")},
                                         {QStringLiteral(LUMETRA_IMAGE_LOCATE_PROBE), QStringLiteral("locate-probe")},
                                         {QStringLiteral(LUMETRA_WAYLAND_KEYBOARD_PROBE), QStringLiteral("keyboard-probe")}},
                                        QStringLiteral("session.sh"),
                                        {"LUMETRA=" + path("lumetra-program"), "POINTER_PROBE=" + path("pointer-probe"),
                                         "TRAY_PROBE=" + path("tray-probe"), "LOCATE_PROBE=" + path("locate-probe"),
                                         "KEYBOARD_PROBE=" + path("keyboard-probe")},
                                        240000));

    const QString result = e2e::readText(path("result"));
    if (result.startsWith(QLatin1String("skip: ")))
        GTEST_SKIP() << result.mid(6).trimmed().toStdString() << "\n" << e2e::readText(path("sway.log")).right(2000).toStdString();
    EXPECT_TRUE(e2e::samePixels(QImage(path("desktop.png")), pattern)) << "the desktop does not show the pattern";
    EXPECT_EQ(result.simplified().toStdString(), "handed-over overlay dragged editor repeated pasted picker waited chosen "
                                                 "clipboard window-editor escaped no-error dragged-scaled scaled "
                                                 "scaled-1.25 scaled-2 window-scaled no-alert tray-icon picker-elsewhere not-told")
        << "a step that failed says why in its word; the launches' output:\n"
        << e2e::readText(path("lumetra.log")).right(3000).toStdString();
    EXPECT_TRUE(e2e::samePixels(QImage(path("clip.png")), pattern.copy(150, 250, 240, 160)));
    EXPECT_TRUE(e2e::samePixels(QImage(path("repeat.png")), pattern.copy(150 + half, 250 + half, 240, 160)))
        << "the repeat after another program's copy is not on the clipboard";
    EXPECT_TRUE(e2e::locate(QImage(path("pasted.png")), other)) << "the editor did not paste the other program's image";
    // 300 x 200 points at the scale 1.5 are 450 x 300 of the output's pixels, grim's own.
    const QImage scaled(path("scaled.png"));
    EXPECT_EQ(scaled.size(), QSize(450, 300));
    EXPECT_TRUE(e2e::samePixels(scaled, QImage(path("scaled-grim.png")))) << "not the pixels grim sees";
    for (const auto& [scale, size] : {std::pair{"1.25", QSize(375, 250)}, std::pair{"2", QSize(600, 400)}}) {
        const QImage repeated(root.filePath(QStringLiteral("scaled-%1.png").arg(QLatin1String(scale))));
        EXPECT_EQ(repeated.size(), size) << scale;
        EXPECT_TRUE(e2e::samePixels(repeated, QImage(root.filePath(QStringLiteral("scaled-grim-%1.png").arg(QLatin1String(scale))))))
            << "at " << scale << ", not the pixels grim sees";
    }
    // The window capture at 1.5 too, but for the pointer in its lower right corner.
    const QImage windowScaled(path("window-scaled.png"));
    EXPECT_GE(windowScaled.width(), 450);
    EXPECT_GE(windowScaled.height(), 300);
    EXPECT_TRUE(e2e::samePixels(windowScaled.copy(0, 0, 430, 280), QImage(path("window-grim.png")).copy(0, 0, 430, 280)))
        << "the window capture at 1.5 is not the pixels grim sees";
    // The portal's own picture, not what was on the clipboard before; the pointer that
    // chose the region rests in its lower right corner and is in the picture.
    const QImage window(path("window.png"));
    EXPECT_GE(window.width(), 300);
    EXPECT_GE(window.height(), 200);
    EXPECT_TRUE(e2e::samePixels(window.copy(0, 0, 290, 190), pattern.copy(500, 300, 290, 190)));
    // The desktop's background, the pattern tiled, shows the same pixels a whole number of
    // its periods from their place: the editor shows them elsewhere, over it.
    const std::optional<QPoint> shown = e2e::locate(QImage(path("window-editor.png")), pattern.copy(500, 300, 290, 190));
    const QPoint offset = shown ? *shown - QPoint(500, 300) : QPoint();
    EXPECT_TRUE(shown && (offset.x() % e2e::patternPeriod != 0 || offset.y() % e2e::patternPeriod != 0))
        << "the editor does not show the portal's picture";
    if (HasFailure())
        std::cerr << "session folder kept: " << root.path().toStdString() << "\n";
    root.setAutoRemove(!HasFailure());
}
