// The editor window through the everyday capture flow and through its destruction by
// another program, on a desktop with a window manager and a tray: capture after capture
// by the hot key keeps the one window, and every pop-up of the editor (its panels, the
// zoom menu, the context menu, tooltips, dialogs) opens in it, also in the window that
// takes the place of one another program destroyed. A native window Qt makes anew for
// the editor window is not taken for a destroyed one.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QSet>
#include <QThread>

namespace {

using namespace e2e;

// The editor holding a capture is titled after it (a window without a title of its own,
// such as a pop-up, is called "Lumetra").
const QString kEditorWithDocument = QStringLiteral("^Lumetra - .+$");
const QString kStatusItem = QStringLiteral("^Lumetra Status Item$");
const QString kOverlay = QStringLiteral("^Lumetra Selection$");

QString n(int value) { return QString::number(value); }

class EditorWindowLife : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true, .tray = true}; }

    // Lumetra's mapped windows (its editor, tray icon, pop-ups, dialogs).
    QSet<QString> lumetraWindows()
    {
        const QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                    n(int(desktop().lumetraPid()))};
        // A window that goes while xdotool looks at it ends xdotool with an X error.
        for (int attempt = 0; attempt < 20; ++attempt) {
            const CommandResult result = desktop().xdotool(arguments);
            if (result.ok() || !result.standardError.contains("X Error")) {
                const QStringList ids = result.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                return QSet<QString>(ids.cbegin(), ids.cend());
            }
        }
        return {};
    }

    // Runs `open` and waits for a window of Lumetra that was not mapped before it and is
    // at least `least` in size (a panel, not the tooltip of the control clicked); that
    // window's id, or nothing when none came.
    std::optional<QString> popUpAfter(const std::function<void()>& open, QSize least = QSize(80, 60),
                                      int timeoutMs = 8000)
    {
        const QSet<QString> before = lumetraWindows();
        open();
        std::optional<QString> found;
        waitUntil([&] {
            for (const QString& id : lumetraWindows()) {
                const auto geometry = before.contains(id) ? std::nullopt : desktop().windowGeometry(id);
                if (geometry && geometry->width() >= least.width() && geometry->height() >= least.height()) {
                    found = id;
                    return true;
                }
            }
            return false;
        }, timeoutMs);
        return found;
    }

    // Waits until the pop-up is no longer mapped.
    bool popUpGone(const QString& id)
    {
        return waitUntil([&] { return !lumetraWindows().contains(id); }, 8000);
    }

    // The editor's floating toolbar, found by its export button: the accent-coloured
    // square at its right end (the bar is centred, which gives its left end).
    struct Bar {
        int left = -1;
        int right = -1;
        int centreY = 0;
    };
    Bar findBar(const QString& editor)
    {
        Bar bar;
        const auto geometry = desktop().windowGeometry(editor);
        if (!geometry)
            return bar;
        desktop().waitForScreenshot(editor, [&](const QImage& shot) {
            bar.centreY = shot.height() - kInformationBar - kBottomInset - kBarHeight / 2;
            for (int x = shot.width() - 1; x >= shot.width() / 2; --x)
                if (isAccent(shot.pixelColor(x, bar.centreY))) {
                    bar.right = x + 1 + 10;
                    bar.left = shot.width() - bar.right;
                    return true;
                }
            return false;
        });
        return bar;
    }

    // Moves the pointer to a point of the window (a managed window's reported position
    // is its frame's) and, with a button, clicks there.
    void pointAt(const QString& window, QPoint at, int button = 0)
    {
        desktop().xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, n(at.x()), n(at.y())});
        if (button == 0)
            return;
        QThread::msleep(200); // the pointer's arrival (hover, enter) before the press
        desktop().xdotool({QStringLiteral("click"), n(button)});
    }

    // The area hot key, held as a person holds a key, then a drag over the pattern.
    void captureByHotKey(QPoint patternOrigin, int round)
    {
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+shift+7")}).ok());
        QThread::msleep(80);
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+shift+7")}).ok());
        ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000)) << "capture " << round;
        const QPoint from = patternOrigin + QPoint(40 + 10 * round, 40);
        ASSERT_TRUE(desktop().dragPointer(from, from + QPoint(200 - 20 * round, 150), 2));
        ASSERT_TRUE(desktop().waitForWindowGone(kOverlay, 10000)) << "capture " << round;
    }
};

} // namespace

TEST_F(EditorWindowLife, FourCapturesByTheHotKeyKeepOneEditorWindowWhoseSizePanelOpensEachTime)
{
    ASSERT_TRUE(desktop().writeSettings("[General]\nopenWindowAtLaunch=false\n"));
    const QImage pattern = patternImage(QSize(400, 300));
    const auto patternWindow = desktop().showImage(QStringLiteral("LifePattern"), pattern);
    ASSERT_TRUE(patternWindow.has_value());
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kStatusItem));
    ASSERT_TRUE(desktop().activate(*patternWindow));
    const std::optional<QPoint> origin = desktop().waitForOnScreen(pattern);
    ASSERT_TRUE(origin.has_value());

    std::optional<QString> editor;
    for (int round = 0; round < 4; ++round) {
        ASSERT_NO_FATAL_FAILURE(captureByHotKey(*origin, round));
        const auto shown = desktop().waitForWindow(kEditorWithDocument, 15000);
        ASSERT_TRUE(shown.has_value()) << "capture " << round;
        if (!editor)
            editor = shown;
        EXPECT_EQ(shown->toStdString(), editor->toStdString()) << "capture " << round << " shows the editor in another window";
        EXPECT_TRUE(desktop().lumetraRunning());

        // The size panel opens over the editor, and Escape closes it.
        ASSERT_TRUE(desktop().activate(*shown));
        const auto panel = popUpAfter([&] { desktop().key(QStringLiteral("ctrl+alt+i")); });
        EXPECT_TRUE(panel.has_value()) << "no size panel after capture " << round;
        if (panel) {
            desktop().key(QStringLiteral("Escape"));
            EXPECT_TRUE(popUpGone(*panel));
        }
        // The next capture starts from another program's window, as the user's do.
        ASSERT_TRUE(desktop().activate(*patternWindow));
    }
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorWindowLife, AfterAnotherProgramDestroysTheWindowEveryPopUpOpensInTheNewOne)
{
    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(qRgb(0x30, 0x90, 0xd0));
    const QString editorTitle = QStringLiteral("^Lumetra - a\\.png$");
    const auto first = desktop().startLumetraOnImage(desktop().saveImage(QStringLiteral("a.png"), image));
    ASSERT_TRUE(first.has_value()) << desktop().errorString().toStdString();

    // Another program destroys the window (XDestroyWindow); Lumetra stays, and a later
    // launch shows the editor again.
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("windowclose"), *first}).ok());
    ASSERT_TRUE(desktop().waitForWindowGone(editorTitle, 5000));
    ASSERT_TRUE(desktop().lumetraRunning());
    const CommandResult again = desktop().run(QStringLiteral(LUMETRA_BINARY), {}, 20000);
    EXPECT_TRUE(again.ok()) << again.describe().toStdString();
    const auto editor = desktop().waitForWindow(editorTitle, 10000);
    ASSERT_TRUE(editor.has_value());
    ASSERT_TRUE(desktop().activate(*editor));
    const Bar bar = findBar(*editor);
    ASSERT_GE(bar.left, 0) << "no toolbar";
    // Button centres counted from the bar's right end, 33 points apart with 13 more at
    // each divider: export, copy, pin, text recognition, backdrop | reset, redo, undo |
    // resize, crop | the nine tools, spotlight last. The zoom button is the first on the left.
    const auto fromRight = [&](int step) { return QPoint(bar.right - 10 - 14 - step, bar.centreY); };
    const QPoint zoomButton(bar.left + 34, bar.centreY);
    const QPoint backdropButton = fromRight(4 * 33);
    const QPoint arrowTool = fromRight(5 * 33 + 13 + 3 * 33 + 13 + 2 * 33 + 13 + 7 * 33);
    const QPoint canvas(bar.left + 200, 120);
    const QString window = *editor;

    struct PopUp {
        const char* what;
        std::function<void()> open;
        std::function<void()> close;
        QSize least = QSize(80, 60);
    };
    const auto escape = [&] { desktop().key(QStringLiteral("Escape")); };
    const PopUp popUps[] = {
        {"size panel", [&] { desktop().key(QStringLiteral("ctrl+alt+i")); }, escape},
        {"zoom menu", [&] { pointAt(window, zoomButton, 1); }, escape},
        {"backdrop panel", [&] { pointAt(window, backdropButton, 1); }, escape},
        // A click on the selected tool opens its panel.
        {"tool panel", [&] { pointAt(window, arrowTool, 1); QThread::msleep(300); pointAt(window, arrowTool, 1); }, escape},
        {"context menu", [&] { pointAt(window, canvas, 3); }, escape},
        // Resting on a button shows its tooltip; it goes when the pointer leaves.
        {"tooltip", [&] { pointAt(window, backdropButton); }, [&] { pointAt(window, canvas); }, QSize(10, 10)},
        {"save dialog", [&] { desktop().key(QStringLiteral("ctrl+shift+s")); }, escape},
    };
    for (const PopUp& popUp : popUps) {
        // Away from the bar, so no tooltip is mistaken for the pop-up.
        pointAt(window, canvas);
        ASSERT_TRUE(desktop().activate(window));
        const auto shown = popUpAfter(popUp.open, popUp.least);
        EXPECT_TRUE(shown.has_value()) << "no " << popUp.what;
        if (shown) {
            popUp.close();
            EXPECT_TRUE(popUpGone(*shown)) << popUp.what << " stays";
        }
    }
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorWindowLife, ANativeWindowQtMakesAnewIsNotTakenForOneAnotherProgramDestroyed)
{
    // The probe drives the window's controller itself (see probes/NativeWindowProbe.cpp).
    const CommandResult result = desktop().run(QStringLiteral(LUMETRA_NATIVE_WINDOW_PROBE), {}, 60000);
    EXPECT_TRUE(result.ok()) << result.describe().toStdString();
    // Its verdict is its last line (Lumetra's log comes before).
    EXPECT_EQ(result.text().split(QLatin1Char('\n')).last().toStdString(), "ok") << result.text().toStdString();
}
