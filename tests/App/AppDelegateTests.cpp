#include "AppTestSupport.h"

#include "App/LumetraApp.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Platform/LocalFileName.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest()
        : defaults(dir.filePath(QStringLiteral("settings.ini")))
        , store(defaults)
        , runningCopy(journal)
        , statusItem(journal)
        , grabber(journal)
        , updater(journal)
        , mainWindow(journal)
        , capture(journal)
    {
        Settings::registerDefaults(defaults);
    }

    AppDelegate& makeDelegate(bool withWindowRoad = false)
    {
        AppDelegateParts parts;
        parts.runningCopy = &runningCopy;
        parts.statusItem = &statusItem;
        parts.keyGrabber = &grabber;
        parts.updater = &updater;
        parts.mainWindow = &mainWindow;
        parts.capture = &capture;
        parts.openPanel = &openPanel;
        parts.loadImage = [this](const QUrl& url) { journal << QStringLiteral("loadImage ") + url.toLocalFile(); };
        parts.areaRoad = [this] { journal << QStringLiteral("road area"); };
        parts.repeatRoad = [this] { journal << QStringLiteral("road repeat"); };
        if (withWindowRoad)
            parts.windowRoad = [this] { journal << QStringLiteral("road window"); };
        parts.showAbout = [this] { journal << QStringLiteral("about"); };
        parts.quit = [this] { journal << QStringLiteral("quit"); };
        delegate = std::make_unique<AppDelegate>(std::move(parts), defaults, store);
        return *delegate;
    }

    QTemporaryDir dir;
    UserDefaults defaults;
    ShortcutStore store;
    Journal journal;
    FakeRunningCopy runningCopy;
    FakeStatusItem statusItem;
    FakeKeyGrabber grabber;
    FakeUpdater updater;
    FakeMainWindow mainWindow;
    FakeCapture capture;
    FakeOpenPanel openPanel;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(AppDelegateTest, LaunchRunsItsStepsInOrder)
{
    AppDelegate& app = makeDelegate();
    EXPECT_EQ(app.applicationDidFinishLaunching({}), AppDelegate::LaunchResult::running);

    // Area capture is the only capture with a road: only its key is grabbed (Ctrl+Shift+7).
    const Journal expected{
        QStringLiteral("handOff "),
        QStringLiteral("listen"),
        QStringLiteral("statusItem.setMenu"),
        QStringLiteral("ungrabAll"),
        QStringLiteral("grab 1 key 26 flags 0x120000"),
        QStringLiteral("updater.checks 1"),
        QStringLiteral("updater.downloads 0"),
        QStringLiteral("mainWindow.show 0"),
    };
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(app.hasStatusItem());

    // The two capture defaults are registered, not written.
    EXPECT_TRUE(defaults.boolValue(Settings::captureOpensEditor.name()));
    EXPECT_EQ(defaults.integer(Settings::captureDelaySeconds.name()), 0);
    EXPECT_FALSE(defaults.hasStoredValue(Settings::captureOpensEditor.name()));
}

TEST_F(AppDelegateTest, WindowAtLaunchFollowsTheSettingUnlessThereIsNoTray)
{
    defaults.set(Settings::openWindowAtLaunch.name(), false);
    makeDelegate().applicationDidFinishLaunching({});
    EXPECT_FALSE(journal.contains(QStringLiteral("mainWindow.show 0")));

    // Without a tray (yet) the window is the only way in; the item still waits for one.
    delegate.reset();
    journal.clear();
    statusItem.available = false;
    makeDelegate().applicationDidFinishLaunching({});
    EXPECT_TRUE(journal.contains(QStringLiteral("statusItem.setMenu")));
    EXPECT_TRUE(journal.contains(QStringLiteral("mainWindow.show 0")));
}

TEST_F(AppDelegateTest, ObserversAnswerDeliveryShortcutsUpdatesAndOpen)
{
    makeDelegate().applicationDidFinishLaunching({});
    NotificationCenter& center = NotificationCenter::defaultCenter();

    journal.clear();
    center.post(Notifications::captureDeliveryRequested);
    EXPECT_EQ(journal, (Journal{QStringLiteral("mainWindow.show 1"), QStringLiteral("statusItem.refreshIcon")}));

    // A rebound area key is grabbed anew at once.
    journal.clear();
    store.setOverride(ShortcutAction::captureSelection,
                      ShortcutBinding{0, ShortcutBinding::optionFlag, QStringLiteral("a")});
    EXPECT_TRUE(journal.contains(QStringLiteral("grab 1 key 0 flags 0x80000")));
    EXPECT_FALSE(journal.contains(QStringLiteral("grab 1 key 26 flags 0x120000")));
    EXPECT_EQ(grabber.grabs.size(), 1);

    journal.clear();
    defaults.set(Settings::automaticUpdateChecks.name(), false);
    defaults.set(Settings::automaticUpdateDownloads.name(), true);
    center.post(Notifications::sparklePreferencesChanged);
    EXPECT_EQ(journal, (Journal{QStringLiteral("updater.checks 0"), QStringLiteral("updater.downloads 1")}));

    // The Open command: a cancelled panel does nothing, a chosen file is loaded.
    journal.clear();
    center.post(Notifications::openImage);
    QCoreApplication::processEvents();
    EXPECT_EQ(openPanel.asked, 1);
    EXPECT_TRUE(journal.isEmpty());
    openPanel.answer = QStringLiteral("/pictures/shot.png");
    center.post(Notifications::openImage);
    ASSERT_TRUE(spinUntil([&] { return journal.size() >= 2; }));
    EXPECT_EQ(journal, (Journal{QStringLiteral("mainWindow.show 0"), QStringLiteral("loadImage /pictures/shot.png")}));
}

TEST_F(AppDelegateTest, HotKeysHonourTheDelayAndOnlyGrabCapturesThatExist)
{
    makeDelegate(/*withWindowRoad=*/true).applicationDidFinishLaunching({});
    EXPECT_TRUE(journal.contains(QStringLiteral("grab 2 key 28 flags 0x120000")));
    EXPECT_FALSE(journal.join(QLatin1Char('|')).contains(QStringLiteral("grab 3")));

    journal.clear();
    defaults.set(Settings::captureDelaySeconds.name(), 5);
    grabber.press(1);
    EXPECT_EQ(journal, (Journal{QStringLiteral("cancelPendingDelay 选区截图 触发"), QStringLiteral("schedule 选区截图 5")}));

    // A delay outside 3, 5, 10 means none.
    journal.clear();
    defaults.set(Settings::captureDelaySeconds.name(), 7);
    grabber.press(2);
    EXPECT_EQ(journal, (Journal{QStringLiteral("cancelPendingDelay 窗口截图 触发"), QStringLiteral("road window")}));

    // Menu roads go through the coordinator's own delay handling.
    journal.clear();
    delegate->repeatLastCaptureAction();
    EXPECT_EQ(journal, (Journal{QStringLiteral("captureWithDelay 重复上次选区"), QStringLiteral("road repeat")}));

    // A capture without a road (none here for scrolling): its press does nothing.
    journal.clear();
    grabber.press(3);
    EXPECT_TRUE(journal.isEmpty());
}

TEST_F(AppDelegateTest, FilesFromOutsideAreFilteredAndOnlyTheFirstOpens)
{
    AppDelegate& app = makeDelegate();
    app.applicationDidFinishLaunching({QStringLiteral("/pictures/photo.JPG"), QStringLiteral("/pictures/two.png")});
    ASSERT_TRUE(spinUntil([&] { return journal.last().startsWith(QStringLiteral("loadImage")); }));
    EXPECT_EQ(journal.filter(QStringLiteral("loadImage")), Journal{QStringLiteral("loadImage /pictures/photo.JPG")});

    journal.clear();
    EXPECT_FALSE(app.openFile(QStringLiteral("/notes/notes.txt")));
    EXPECT_FALSE(app.openFile(QStringLiteral("/notes/archive.png.txt")));
    EXPECT_FALSE(app.openFile(QStringLiteral("/notes/no-extension")));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(journal.isEmpty());

    // A later launch's files arrive through the channel; without files it means "show".
    ASSERT_TRUE(runningCopy.receiver);
    runningCopy.receiver({{QStringLiteral("/pictures/later.webp"), QStringLiteral("/pictures/ignored.png")}, {}});
    ASSERT_TRUE(spinUntil([&] { return journal.filter(QStringLiteral("loadImage")).size() == 1; }));
    EXPECT_EQ(journal.filter(QStringLiteral("loadImage")), Journal{QStringLiteral("loadImage /pictures/later.webp")});
    journal.clear();
    runningCopy.receiver({});
    EXPECT_EQ(journal, Journal{QStringLiteral("mainWindow.show 0")});
}

TEST_F(AppDelegateTest, CaptureOptionsStartTheirRoadHereOrInTheRunningCopy)
{
    // A later launch's capture option starts the capture in the running copy, with the
    // delay the tray menu's item has, and does not merely show the window.
    AppDelegate& app = makeDelegate();
    app.applicationDidFinishLaunching({});
    journal.clear();
    runningCopy.receiver({{}, QStringLiteral("capture-area")});
    EXPECT_EQ(journal, (Journal{QStringLiteral("captureWithDelay 选区截图"), QStringLiteral("road area")}));
    journal.clear();
    runningCopy.receiver({{}, QStringLiteral("repeat-last-area")});
    runningCopy.receiver({{}, QStringLiteral("capture-window")}); // a road this build lacks
    EXPECT_EQ(journal, (Journal{QStringLiteral("captureWithDelay 重复上次选区"), QStringLiteral("road repeat")}));

    // A second copy hands its files and option over and builds nothing, also when the
    // first came up only while the second began to listen; one that finds a copy that
    // does not take them ends too, rather than run beside it. The first launch starts
    // the capture itself.
    using HandOff = RunningCopyChannel::HandOff;
    using Listening = RunningCopyChannel::Listening;
    using enum AppDelegate::LaunchResult;
    for (const auto& [handOffs, listening, result] :
         {std::tuple{QList{HandOff::delivered}, Listening::started, handedOff},
          std::tuple{QList{HandOff::noRunningCopy, HandOff::delivered}, Listening::anotherCopyListens, handedOff},
          std::tuple{QList{HandOff::notTaken}, Listening::started, runningCopyUnresponsive}}) {
        delegate.reset();
        journal.clear();
        std::tie(runningCopy.handOffs, runningCopy.listening) = std::tuple(handOffs, listening);
        EXPECT_EQ(makeDelegate().applicationDidFinishLaunching({"/tmp/a.png", "/tmp/b.png"}, CommandLineCapture::area), result);
        EXPECT_EQ(journal.count(QStringLiteral("handOff /tmp/a.png,/tmp/b.png capture-area")), handOffs.size());
        EXPECT_FALSE(delegate->hasStatusItem());
        EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(Notifications::captureDeliveryRequested), 0);
    }
    delegate.reset();
    journal.clear();
    runningCopy.listening = Listening::started;
    makeDelegate().applicationDidFinishLaunching({}, CommandLineCapture::area);
    ASSERT_TRUE(spinUntil([&] { return journal.contains(QStringLiteral("road area")); }));

    // The help lists the options of the roads this build has, and itself.
    const QString help = LumetraApp::commandLineHelp();
    for (const char* shown : {"--capture-area", "--capture-window", "--capture-scroll", "--repeat-last-area", "--help",
                              "Capture & Annotate", "Scroll Capture"})
        EXPECT_TRUE(help.contains(QLatin1String(shown))) << shown;
}

TEST_F(AppDelegateTest, StatusMenuActionsReachTheirTargets)
{
    makeDelegate().applicationDidFinishLaunching({});
    QMenu* menu = delegate->statusMenu()->menu();
    ASSERT_NE(menu, nullptr);
    journal.clear();
    menuItem(menu, QStringLiteral("Capture & Annotate"))->trigger();
    EXPECT_EQ(journal, (Journal{QStringLiteral("captureWithDelay 选区截图"), QStringLiteral("road area")}));

    journal.clear();
    menuItem(menu, QStringLiteral("Check for Updates…"))->trigger();
    menuItem(menu, QStringLiteral("Open Lumetra"))->trigger();
    ASSERT_TRUE(spinUntil([&] { return journal.size() == 2; }));
    EXPECT_EQ(journal, (Journal{QStringLiteral("updater.checkNow"), QStringLiteral("mainWindow.show 0")}));

    journal.clear();
    menuItem(menu, QStringLiteral("About Lumetra"))->trigger();
    menuItem(menu, QStringLiteral("Quit Lumetra"))->trigger();
    EXPECT_EQ(journal, (Journal{QStringLiteral("about"), QStringLiteral("quit")}));
}

TEST(LumetraAppTest, FileArgumentsAreTheNonOptions)
{
    const QStringList arguments{QStringLiteral("--capture-area"), QStringLiteral("a.png"), QStringLiteral("-v"),
                                QStringLiteral("dir/b.jpg"), QStringLiteral("--repeat-last-area")};
    EXPECT_EQ(LumetraApp::fileArguments(arguments), (QStringList{QStringLiteral("a.png"), QStringLiteral("dir/b.jpg")}));
    EXPECT_EQ(LumetraApp::fileArguments({QStringLiteral("--verbose"), QStringLiteral("--"), QStringLiteral("-x.png")}),
              QStringList{QStringLiteral("-x.png")});
    EXPECT_EQ(captureFromArguments(arguments), CommandLineCapture::area);
    EXPECT_EQ(captureFromArguments({QStringLiteral("capture-area"), QStringLiteral("-capture-area")}), std::nullopt);
}

TEST(LumetraAppTest, TheCommandLineAnswersVersionHelpAndUnknownOptionsLikeOtherPrograms)
{
    using Request = LumetraApp::CommandLine::Request;
    QTemporaryDir folder;
    const QString image = folder.filePath(QStringLiteral("a.png"));
    const QString dashed = folder.filePath(QStringLiteral("--not-an-option.png"));
    for (const QString& file : {image, dashed}) {
        QFile touched(file);
        ASSERT_TRUE(touched.open(QIODevice::WriteOnly));
    }
    QProcessEnvironment desktop;
    desktop.insert(QStringLiteral("DISPLAY"), QStringLiteral(":1"));
    // Arguments -> what is asked; Qt's own options and what follows "--" are no options of ours.
    const struct {
        QStringList arguments;
        Request request;
        bool verbose;
    } rows[] = {
        {{image, "--capture-area", "-display", ":1", "--style=fusion", "-reverse"}, Request::run, false},
        {{"--verbose", "--", dashed}, Request::run, true},
        {{"--version", "--verbose"}, Request::version, true},
        {{"--version", "-h"}, Request::help, false},
        {{"--help", "--colour"}, Request::unknownOption, false},
        {{"-v"}, Request::unknownOption, false},
    };
    for (const auto& row : rows) {
        const LumetraApp::CommandLine line = LumetraApp::readCommandLine(row.arguments, desktop);
        EXPECT_EQ(line.request, row.request) << row.arguments.join(' ').toStdString();
        EXPECT_EQ(line.verbose, row.verbose) << row.arguments.join(' ').toStdString();
    }

    // The program itself: status, standard output, standard error.
    const struct {
        const char* option;
        int status;
        const char* out;
        const char* err;
    } runs[] = {
        {"--version", 0, "^Lumetra " LUMETRA_VERSION "\n$", "^$"},
        {"--colour", 2, "^$", "--colour\n(.|\n)*--capture-area"},
    };
    for (const auto& run : runs) {
        QProcess lumetra;
        lumetra.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        lumetra.start(QStringLiteral(LUMETRA_BINARY), {QString::fromLatin1(run.option)});
        ASSERT_TRUE(lumetra.waitForFinished(30000)) << run.option;
        EXPECT_EQ(lumetra.exitCode(), run.status) << run.option;
        EXPECT_TRUE(QString::fromLocal8Bit(lumetra.readAllStandardOutput()).contains(QRegularExpression(QString::fromLatin1(run.out))))
            << run.option;
        EXPECT_TRUE(QString::fromLocal8Bit(lumetra.readAllStandardError()).contains(QRegularExpression(QString::fromLatin1(run.err))))
            << run.option;
    }
}

// A file whose name is not UTF-8 is there, and is the one opened: its name keeps its
// bytes from the command line on.
TEST(LumetraAppTest, AFileWhoseNameIsNotUtf8IsFoundOnTheCommandLine)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray name = QFile::encodeName(folder.path()) + "/bad\xff\xfe.png";
    FILE* file = std::fopen(name.constData(), "wb");
    ASSERT_TRUE(file);
    std::fclose(file);
    QProcessEnvironment x11;
    x11.insert(QStringLiteral("DISPLAY"), QStringLiteral(":1"));
    const LumetraApp::CommandLine line = LumetraApp::readCommandLine({LocalFileName::decode(name)}, x11);
    EXPECT_EQ(line.request, LumetraApp::CommandLine::Request::run);
    ASSERT_EQ(line.files.size(), 1);
    EXPECT_EQ(LocalFileName::encode(line.files.first()), name);
    // One byte off, it is missing.
    const LumetraApp::CommandLine other = LumetraApp::readCommandLine({LocalFileName::decode(name.chopped(5) + "\xfd.png")}, x11);
    EXPECT_EQ(other.request, LumetraApp::CommandLine::Request::missingFile);
}

TEST(LumetraAppTest, ACommandLineThatCannotBeCarriedOutIsRefusedWithItsReason)
{
    using Request = LumetraApp::CommandLine::Request;
    QTemporaryDir folder;
    const QString first = folder.filePath(QStringLiteral("first.png"));
    const QString second = folder.filePath(QStringLiteral("second.png"));
    const QString missing = folder.filePath(QStringLiteral("missing.png"));
    for (const QString& file : {first, second}) {
        QFile touched(file);
        ASSERT_TRUE(touched.open(QIODevice::WriteOnly));
    }
    const auto environment = [](std::initializer_list<std::pair<const char*, const char*>> variables) {
        QProcessEnvironment env;
        for (const auto& [name, value] : variables)
            env.insert(QLatin1String(name), QLatin1String(value));
        return env;
    };
    const QProcessEnvironment x11 = environment({{"DISPLAY", ":1"}});
    const QProcessEnvironment none;
    const struct {
        QStringList arguments;
        QProcessEnvironment environment;
        Request request;
        QString file;
    } rows[] = {
        {{"--capture-area", "--capture-window"}, x11, Request::conflictingCaptures, {}},
        {{"--repeat-last-area", first, "--capture-scroll"}, x11, Request::conflictingCaptures, {}},
        {{"--capture-area", "--capture-area"}, x11, Request::run, {}},
        {{first, second}, x11, Request::extraFile, second},
        {{first, "--", second}, x11, Request::extraFile, second},
        {{missing}, x11, Request::missingFile, missing},
        {{"--capture-area", missing}, x11, Request::missingFile, missing},
        // The value of Qt's -display names a display and is no file.
        {{"-display", ":1", first}, none, Request::run, {}},
        {{first}, none, Request::noDisplay, {}},
        {{}, environment({{"QT_QPA_PLATFORM", "xcb"}}), Request::noDisplay, {}},
        {{}, environment({{"WAYLAND_DISPLAY", "wayland-1"}}), Request::run, {}},
        {{}, environment({{"QT_QPA_PLATFORM", "offscreen"}}), Request::run, {}},
        {{"-platform", "offscreen"}, none, Request::run, {}},
        // Help and the version need no display.
        {{"--version"}, none, Request::version, {}},
        {{"--help"}, none, Request::help, {}},
    };
    for (const auto& row : rows) {
        const LumetraApp::CommandLine line = LumetraApp::readCommandLine(row.arguments, row.environment);
        EXPECT_EQ(line.request, row.request) << row.arguments.join(' ').toStdString();
        EXPECT_EQ(line.file, row.file) << row.arguments.join(' ').toStdString();
    }

    // The program itself: status and what it says, in English, with no display and no
    // settings of the machine's.
    QProcessEnvironment bare;
    bare.insert(QStringLiteral("PATH"), QProcessEnvironment::systemEnvironment().value(QStringLiteral("PATH")));
    bare.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    bare.insert(QStringLiteral("LUMETRA_CONFIG_DIR"), folder.filePath(QStringLiteral("config")));
    bare.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    QProcessEnvironment offscreen = bare;
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString usage = QRegularExpression::escape(QStringLiteral("\nUsage: lumetra [option] [image file]\n")) + QLatin1Char('$');
    const auto with = [](QProcessEnvironment env, std::initializer_list<std::pair<const char*, const char*>> variables) {
        for (const auto& [name, value] : variables)
            env.insert(QLatin1String(name), QLatin1String(value));
        return env;
    };
    const auto unreachable = [](const char* display) {
        return QStringLiteral("^lumetra: cannot reach the display %1; start Lumetra in a running X11 or Wayland desktop "
                              "session\n$").arg(QRegularExpression::escape(QLatin1String(display)));
    };
    const struct {
        QStringList arguments;
        QProcessEnvironment environment;
        int status;
        QString err;
    } runs[] = {
        {{"--capture-area", "--capture-window"}, offscreen, 2,
         "^lumetra: --capture-area and --capture-window cannot be used together: one capture at a time" + usage},
        {{first, second}, offscreen, 2, "^lumetra: one image file at a time; " + QRegularExpression::escape(second) + " is one too many" + usage},
        {{missing}, offscreen, 1, "^lumetra: no such file: " + QRegularExpression::escape(missing) + "\n$"},
        {{}, bare, 1, "^lumetra: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; start Lumetra in an X11 or "
                      "Wayland desktop session\n$"},
        // A display that is set but cannot be reached: no server there, a name that is
        // no display's, a Wayland socket that does not exist. One line names it.
        {{}, with(bare, {{"DISPLAY", ":259"}}), 1, unreachable("DISPLAY=:259")},
        {{}, with(bare, {{"DISPLAY", "garbage"}}), 1, unreachable("DISPLAY=garbage")},
        {{}, with(bare, {{"WAYLAND_DISPLAY", "bogus"}}), 1, unreachable("WAYLAND_DISPLAY=bogus")},
        {{}, with(bare, {{"WAYLAND_DISPLAY", "bogus"}, {"DISPLAY", ":259"}}), 1,
         unreachable("WAYLAND_DISPLAY=bogus, DISPLAY=:259")},
        {{"-display", ":259"}, bare, 1, unreachable("-display :259")},
        {{}, with(bare, {{"DISPLAY", ":259"}, {"QT_QPA_PLATFORM", "xcb"}}), 1, unreachable("DISPLAY=:259")},
    };
    for (const auto& run : runs) {
        QProcess lumetra;
        lumetra.setProcessEnvironment(run.environment);
        lumetra.start(QStringLiteral(LUMETRA_BINARY), run.arguments);
        const std::string name = run.arguments.join(' ').toStdString();
        ASSERT_TRUE(lumetra.waitForFinished(30000)) << name;
        EXPECT_EQ(std::pair(lumetra.exitStatus(), lumetra.exitCode()), std::pair(QProcess::NormalExit, run.status)) << name;
        EXPECT_EQ(lumetra.readAllStandardOutput(), QByteArray()) << name;
        const QString err = QString::fromLocal8Bit(lumetra.readAllStandardError());
        EXPECT_TRUE(err.contains(QRegularExpression(run.err))) << name << ": " << err.toStdString();
    }
}
