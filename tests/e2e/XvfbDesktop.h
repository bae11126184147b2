#pragma once

// XvfbDesktop: a private X11 desktop for one end-to-end test, and DesktopTest, the
// GoogleTest fixture that gives every test its own.
//
// What a desktop is made of:
//   - Xvfb on a display number the server picks itself (-displayfd, so tests running
//     in parallel never collide), 1920x1080x24, no TCP listener;
//   - optionally openbox (window manager: EWMH window list, frames, activation) and
//     trayer (system tray host), each waited for until it has taken over;
//   - a scratch folder holding this test's LUMETRA_CONFIG_DIR, XDG_RUNTIME_DIR (0700),
//     XDG_CONFIG_HOME and XDG_DATA_HOME, so nothing touches the real user's files.
// Every process it starts is stopped by its process id when the desktop is destroyed
// (TERM, then KILL), also when the test failed; if the test program itself dies, the
// children get SIGKILL from the kernel (PR_SET_PDEATHSIG).
//
// Programs started here see environment(): DISPLAY, QT_QPA_PLATFORM=xcb, the private
// folders above, XDG_SESSION_TYPE=x11 and a session bus address where nothing listens
// (so no test reaches the developer's own D-Bus session; pass your own in `extra`
// when a test brings a bus).
//
// ShellTests.cpp shows typical tests: a fixture overriding desktopOptions(), Lumetra
// started and waited for, keys and drags sent, the screen and the clipboard read.
//
// Tests wait for what the user would see (a window, the clipboard, a file), never for
// a line of Lumetra's log: log wording may change freely.
//
// On failure the fixture prints what Lumetra wrote to stdout and stderr, and keeps the
// scratch folder (with every helper's log) for a look afterwards.

#include <QByteArray>
#include <QPoint>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Tries `condition` every 25 ms until it holds (true) or timeoutMs has passed (false).
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

struct DesktopOptions {
    bool windowManager = false; // openbox
    bool tray = false;          // trayer, a system tray host
    QSize screenSize{1920, 1080};
};

// The outcome of one command run to its end.
struct CommandResult {
    bool finished = false; // false: it could not start or ran past its timeout (then killed)
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;

    bool ok() const { return finished && exitCode == 0; }
    // Standard output as text, surrounding white space removed.
    QString text() const { return QString::fromUtf8(standardOutput).trimmed(); }
    // For assertion messages.
    QString describe() const;
};

class XvfbDesktop {
public:
    explicit XvfbDesktop(const DesktopOptions& options = {});
    ~XvfbDesktop();

    XvfbDesktop(const XvfbDesktop&) = delete;
    XvfbDesktop& operator=(const XvfbDesktop&) = delete;

    // False when the server or a requested helper did not come up; errorString() says why.
    bool isReady() const { return m_ready; }
    QString errorString() const { return m_error; }

    // Leaves the scratch folder (logs of every helper, Lumetra's output, settings) in place
    // after the desktop ends; DesktopTest does this for a failed test.
    void keepScratchFolder() { m_root.setAutoRemove(false); }
    QString scratchFolder() const { return m_root.path(); }

    QString display() const { return m_display; } // ":N"
    qint64 serverPid() const;                     // the Xvfb process's id
    QSize screenSize() const { return m_options.screenSize; }
    QString workDir() const;    // scratch space for files the test reads or writes
    QString configDir() const;  // LUMETRA_CONFIG_DIR
    QString runtimeDir() const; // XDG_RUNTIME_DIR, mode 0700
    // With `extra` added.
    QProcessEnvironment environment(const QProcessEnvironment& extra = {}) const;

    // ---- Lumetra (build/lumetra), one instance at a time --------------------------------
    // Standard output and error go to files in workDir(); read them with lumetraOutput().
    bool startLumetra(const QStringList& arguments = {}, const QProcessEnvironment& extra = {});
    bool lumetraRunning() const;
    qint64 lumetraPid() const;
    QString lumetraOutput() const;
    QString lumetraErrors() const;
    // Starts Lumetra and waits for a window of it whose title matches `windowPattern`;
    // the window's id, or nothing (errorString() or Lumetra's output say why).
    std::optional<QString> startLumetraAndWaitFor(const QString& windowPattern, const QStringList& arguments = {},
                                                  int timeoutMs = 30000);
    // Starts Lumetra on an image file and waits for its editor window, titled after the file.
    std::optional<QString> startLumetraOnImage(const QString& imagePath, int timeoutMs = 30000);
    // Replaces Lumetra's settings file with `ini` ("[General]\nkey=value\n...").
    bool writeSettings(const QByteArray& ini) const;
    // Clicks Lumetra's status item in the tray and waits for its menu to show.
    bool openTrayMenu() const;
    // Sends the signal and waits for the end. The exit code when Lumetra exited by itself;
    // nothing when it crashed, was killed, or had to be killed after timeoutMs.
    std::optional<int> stopLumetra(int signalNumber = SIGTERM, int timeoutMs = 10000);
    // Waits for Lumetra to end on its own; same result as stopLumetra().
    std::optional<int> waitForLumetraExit(int timeoutMs = 10000);

    // ---- any program, in this desktop's environment --------------------------------------
    // Runs to the end (killed after timeoutMs); input is written to its standard input.
    CommandResult run(const QString& program, const QStringList& arguments, int timeoutMs = 10000,
                      const QByteArray& input = {}) const;
    // Shows `image` in a window of its own titled `title` (ImageMagick's viewer), at `at`
    // when given (exactly there without a window manager), saved as title.png in workDir();
    // the window's id once it is mapped, or nothing.
    std::optional<QString> showImage(const QString& title, const QImage& image, std::optional<QPoint> at = {},
                                     int timeoutMs = 20000);
    // Starts a program that keeps running (a probe, a second client ...), with its standard
    // input and output as pipes (read the output, or a chatty program stalls); its standard
    // error goes to a file in workDir(). The desktop owns it and stops it with everything else.
    QProcess* startBackground(const QString& program, const QStringList& arguments,
                              const QProcessEnvironment& extra = {});

    // ---- X11 helpers -----------------------------------------------------------------------
    CommandResult xdotool(const QStringList& arguments, int timeoutMs = 10000) const;
    // Types the key combinations, blank-separated, in turn ("ctrl+a", "Up Up Return").
    bool key(const QString& combinations) const;
    // Moves the pointer to `at` (screen coordinates), clicks `button` `count` times there
    // and gives the program a moment to answer.
    bool click(const QPoint& at, int button = 1, int count = 1) const;
    // The id of the first window whose title matches the regular expression (by xdotool),
    // waiting up to timeoutMs; only mapped windows unless onlyVisible is false.
    std::optional<QString> waitForWindow(const QString& namePattern, int timeoutMs = 10000,
                                         bool onlyVisible = true) const;
    // Activates a window through the window manager and waits until it also holds the
    // keyboard focus, so keys typed next reach it. False when it did not come to.
    bool activate(const QString& windowId, int timeoutMs = 20000) const;
    // The id of the window the window manager calls active (nothing when none is).
    std::optional<QString> activeWindow() const;
    // True once no window whose title matches is mapped any more.
    bool waitForWindowGone(const QString& namePattern, int timeoutMs = 10000) const;
    // Window ids of every window whose title matches, mapped ones only unless
    // onlyVisible is false (empty when none).
    QStringList findWindows(const QString& namePattern, bool onlyVisible = true) const;
    // Presses the first button at `from`, moves to `to` in `steps` even steps and releases
    // it there, each event by its own xdotool call (screen coordinates). False when one failed.
    bool dragPointer(const QPoint& from, const QPoint& to, int steps) const;
    // A window's position on the screen and its size, as xdotool reports them (nothing
    // when the window is unknown or the report lacks its size).
    std::optional<QRect> windowGeometry(const QString& windowId) const;
    // The whole screen, or one window, as ImageMagick's import sees it (null on failure).
    QImage screenshot() const;
    QImage screenshotWindow(const QString& windowId) const;
    // Takes screenshots of the window ("root": the screen) until `ready` holds for one or
    // timeoutMs has passed; returns the last one taken, ready or not.
    QImage waitForScreenshot(const QString& windowId, const std::function<bool(const QImage&)>& ready,
                             int timeoutMs = 10000) const;
    // Where `image` shows on the screen pixel for pixel, once it does; nothing when it did
    // not within timeoutMs.
    std::optional<QPoint> waitForOnScreen(const QImage& image, int timeoutMs = 10000) const;
    // Saves the image as a PNG named `name` in workDir(); its path, or empty on failure.
    QString saveImage(const QString& name, const QImage& image) const;

    // The CLIPBOARD selection through xclip. setClipboard leaves an xclip process owning
    // the selection (stopped with the desktop) and returns once the data is offered.
    bool setClipboard(const QByteArray& data, const QString& mimeType = QStringLiteral("text/plain"));
    std::optional<QByteArray> clipboard(const QString& mimeType = QStringLiteral("text/plain")) const;
    // The clipboard's image/png decoded as RGB32 (null when there is none).
    QImage clipboardImage() const;
    // Reads the clipboard's image until `ready` holds for it or timeoutMs has passed; the
    // last image read, ready or not (null when there was none).
    QImage waitForClipboardImage(const std::function<bool(const QImage&)>& ready, int timeoutMs = 10000) const;
    QStringList clipboardTypes() const;

private:
    struct Child {
        QString name;
        std::unique_ptr<QProcess> process;
    };

    bool startServer();
    bool startWindowManager();
    bool startTray();
    QProcess* addChild(const QString& name, const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& environment, bool pipeStandardOutput = false);
    QProcess* startChild(const QString& name, const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, bool pipeStandardOutput = false);
    void stopChild(Child& child, int timeoutMs);
    void fail(const QString& message);

    DesktopOptions m_options;
    QTemporaryDir m_root;
    QString m_display;
    bool m_ready = false;
    QString m_error;
    std::vector<Child> m_children; // in start order; stopped in reverse
    QProcess* m_lumetra = nullptr;
};

// Fixture: a fresh desktop for every test. Override desktopOptions() for a window
// manager or a tray.
class DesktopTest : public ::testing::Test {
protected:
    virtual DesktopOptions desktopOptions() const { return {}; }

    void SetUp() override;
    void TearDown() override;

    XvfbDesktop& desktop() { return *m_desktop; }

private:
    std::unique_ptr<XvfbDesktop> m_desktop;
};
