// End to end in a real Wayland session whose outputs have mixed scales (see
// WaylandMixedScales.sh): sway's headless backend with the pixman renderer, PipeWire and
// xdg-desktop-portal with its wlroots backend on a session bus of its own; a second
// output at scale 2 beside the first at 1. Skipped, saying why, where that stack cannot
// run.

#include "E2eImageProbes.h"
#include "WaylandScenario.h"

#include <QTemporaryDir>

TEST(WaylandMixedScales, AreaCapturesAndRepeatsHoldEachOutputsOwnPixelsAsGrimDoes)
{
    QStringList asUser;
    const QString unavailable = e2e::waylandScenarioUnavailable({"/usr/bin/convert", "/usr/bin/jq"}, asUser);
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumetra-mixed-scales-XXXXXX"));
    ASSERT_TRUE(root.isValid());
    const auto path = [&](const char* name) { return root.filePath(QLatin1String(name)); };
    ASSERT_TRUE(e2e::runWaylandScenario(QDir(root.path()), asUser,
                                        {{QStringLiteral(LUMETRA_BINARY), QStringLiteral("lumetra-program")},
                                         {QStringLiteral(WAYLAND_COMMON_SCRIPT), QStringLiteral("wayland-common.sh")},
                                         {QStringLiteral(WAYLAND_MIXED_SCALES_SCRIPT), QStringLiteral("session.sh")},
                                         {QStringLiteral(LUMETRA_WAYLAND_POINTER_PROBE), QStringLiteral("pointer-probe")}},
                                        QStringLiteral("session.sh"),
                                        {"LUMETRA=" + path("lumetra-program"), "POINTER_PROBE=" + path("pointer-probe")},
                                        90000));

    const QString result = e2e::readText(path("result"));
    if (result.startsWith(QLatin1String("skip: ")))
        GTEST_SKIP() << result.mid(6).trimmed().toStdString() << "\n"
                     << e2e::readText(path("sway.log")).right(2000).toStdString();
    EXPECT_EQ(result.simplified().toStdString(), "dragged-1 area-1 repeat-1 dragged-2 area-2 repeat-2")
        << "a step that failed says why in its word; the launches' output:\n"
        << e2e::readText(path("lumetra.log")).right(3000).toStdString();
    // 400 x 300 points on the output at scale 1 are as many pixels; 300 x 200 points on
    // the one at scale 2 are 600 x 400.
    for (const auto& [output, size] : {std::pair{"1", QSize(400, 300)}, std::pair{"2", QSize(600, 400)}}) {
        const QImage grim(root.filePath(QStringLiteral("grim-%1.png").arg(QLatin1String(output))));
        ASSERT_EQ(grim.size(), size) << "grim's picture of output " << output;
        for (const char* capture : {"area", "repeat"}) {
            const QImage image(root.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(capture), QLatin1String(output))));
            EXPECT_TRUE(e2e::samePixels(image, grim)) << "the " << capture << " on output " << output
                                                      << " is not the pixels grim sees";
        }
    }
    if (HasFailure())
        std::cerr << "session folder kept: " << root.path().toStdString() << "\n";
    root.setAutoRemove(!HasFailure());
}
