#include "XvfbDesktop.h"

#include "E2eImageProbes.h"

#include "support/XvfbServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include "Platform/XcbConnection.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <sys/prctl.h>
#include <unistd.h>

#ifndef LUMETRA_BINARY
#error "LUMETRA_BINARY must name the built program"
#endif

namespace {

constexpr int kStartTimeoutMs = 15000;

// Asks the X server directly (no helper process) whether a selection has an owner or
// the root window carries a property: how openbox and trayer announce themselves.
class XProbe {
public:
    explicit XProbe(const QString& display) : m_x(XcbConnection::open(display)) {}

    bool connected() const { return m_x != nullptr; }

    bool selectionOwned(const char* selection)
    {
        xcb_connection_t* c = m_x->connection();
        const XcbReply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_x->atom(selection)), nullptr));
        return reply && reply->owner != XCB_WINDOW_NONE;
    }

    bool rootHasProperty(const char* property)
    {
        xcb_connection_t* c = m_x->connection();
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, m_x->root(), m_x->atom(property), XCB_ATOM_ANY, 0, 1), nullptr));
        return reply && reply->type != XCB_ATOM_NONE;
    }

    // Maps a probe window until the window manager frames it, then destroys it again: a
    // window manager that has just announced itself may still lose a window mapped while
    // it finishes starting, so its announcement alone does not mean it manages windows.
    bool framesNewWindows(int timeoutMs)
    {
        xcb_connection_t* c = m_x->connection();
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, m_x->root(), 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        bool framed = false;
        QElapsedTimer timer;
        timer.start();
        while (!framed && timer.elapsed() < timeoutMs) {
            xcb_unmap_window(c, probe); // a lost map request is asked for again
            xcb_map_window(c, probe);
            xcb_flush(c);
            framed = waitUntil(
                [&] {
                    const XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, probe), nullptr));
                    return tree && tree->parent != m_x->root();
                },
                500);
        }
        xcb_destroy_window(c, probe);
        xcb_flush(c);
        return framed;
    }

private:
    std::unique_ptr<XcbConnection> m_x;
};

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (condition())
            return true;
        if (timer.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(25);
    }
}

QString CommandResult::describe() const
{
    if (!finished)
        return QStringLiteral("did not finish; stderr: %1").arg(QString::fromUtf8(standardError).trimmed());
    return QStringLiteral("exit code %1; stdout: %2; stderr: %3")
        .arg(exitCode)
        .arg(QString::fromUtf8(standardOutput).trimmed().left(500), QString::fromUtf8(standardError).trimmed().left(500));
}

XvfbDesktop::XvfbDesktop(const DesktopOptions& options)
    : m_options(options)
    , m_root(QDir::temp().filePath(QStringLiteral("lumetra-e2e-XXXXXX")))
{
    if (!m_root.isValid()) {
        fail(QStringLiteral("cannot create a scratch folder: %1").arg(m_root.errorString()));
        return;
    }
    for (const QString& dir : {workDir(), configDir(), runtimeDir(), m_root.filePath(QStringLiteral("xdg-config")),
                               m_root.filePath(QStringLiteral("xdg-data"))}) {
        if (!QDir().mkpath(dir)) {
            fail(QStringLiteral("cannot create %1").arg(dir));
            return;
        }
    }
    QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    if (!startServer())
        return;
    if (m_options.windowManager && !startWindowManager())
        return;
    if (m_options.tray && !startTray())
        return;
    m_ready = true;
}

XvfbDesktop::~XvfbDesktop()
{
    // Lumetra first (it may still talk to the tray and the server), the server last.
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        stopChild(*it, it->process.get() == m_lumetra ? 10000 : 3000);
    m_children.clear();
}

QString XvfbDesktop::workDir() const { return m_root.filePath(QStringLiteral("work")); }
QString XvfbDesktop::configDir() const { return m_root.filePath(QStringLiteral("config")); }
QString XvfbDesktop::runtimeDir() const { return m_root.filePath(QStringLiteral("runtime")); }

QProcessEnvironment XvfbDesktop::environment(const QProcessEnvironment& extra) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LUMETRA_CONFIG_DIR"), configDir());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("xdg-config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("xdg-data")));
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=%1/no-session-bus").arg(runtimeDir()));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    // The informational lines (what a capture did, step by step) go to the files kept
    // when a test fails; no test reads them.
    if (!env.contains(QStringLiteral("LUMETRA_LOG")))
        env.insert(QStringLiteral("LUMETRA_LOG"), QStringLiteral("info"));
    for (const char* name : {"WAYLAND_DISPLAY", "XAUTHORITY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                             "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"})
        env.remove(QString::fromLatin1(name));
    for (const QString& key : extra.keys())
        env.insert(key, extra.value(key));
    return env;
}

void XvfbDesktop::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = message;
}

QProcess* XvfbDesktop::addChild(const QString& name, const QString& program, const QStringList& arguments,
                                const QProcessEnvironment& environment, bool pipeStandardOutput)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(workDir());
    // Nothing reads a child's pipes while the test waits on something else, so a chatty
    // child would fill them and stall: what the test does not read goes to files.
    // Lumetra's, for lumetraOutput(), go on from one start of it to the next.
    const QString logBase = QDir(workDir()).filePath(
        name == QLatin1String("lumetra") ? name : QStringLiteral("%1-%2").arg(name).arg(m_children.size()));
    if (!pipeStandardOutput)
        process->setStandardOutputFile(logBase + QStringLiteral(".out"), QIODevice::Append);
    process->setStandardErrorFile(logBase + QStringLiteral(".err"), QIODevice::Append);
    // Should this test program die without cleaning up, the kernel ends the child.
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_children.push_back(Child{name, std::move(process)});
    return m_children.back().process.get();
}

QProcess* XvfbDesktop::startChild(const QString& name, const QString& program, const QStringList& arguments,
                                  const QProcessEnvironment& environment, bool pipeStandardOutput)
{
    QProcess* process = addChild(name, program, arguments, environment, pipeStandardOutput);
    process->start();
    if (!process->waitForStarted(kStartTimeoutMs)) {
        fail(QStringLiteral("cannot start %1 (%2): %3").arg(name, program, process->errorString()));
        return nullptr;
    }
    return process;
}

void XvfbDesktop::stopChild(Child& child, int timeoutMs)
{
    QProcess* process = child.process.get();
    if (!process || process->state() == QProcess::NotRunning)
        return;
    const qint64 pid = process->processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (!process->waitForFinished(timeoutMs)) {
        if (pid > 0)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        process->waitForFinished(3000);
    }
}

bool XvfbDesktop::startServer()
{
    const QString screen = QStringLiteral("%1x%2x24").arg(m_options.screenSize.width()).arg(m_options.screenSize.height());
    QProcess* server = addChild(QStringLiteral("Xvfb"), QStringLiteral("Xvfb"),
                                {QStringLiteral("-screen"), QStringLiteral("0"), screen, QStringLiteral("-nolisten"),
                                 QStringLiteral("tcp"), QStringLiteral("-noreset")},
                                QProcessEnvironment::systemEnvironment());
    const std::optional<int> displayNumber = startXvfbOnFreeDisplay(*server, kStartTimeoutMs);
    if (!displayNumber) {
        server->waitForFinished(100);
        fail(QStringLiteral("Xvfb did not report a display: %1")
                 .arg(readFile(QDir(workDir()).filePath(QStringLiteral("Xvfb-0.err"))).trimmed().right(500)));
        return false;
    }
    m_display = QStringLiteral(":%1").arg(*displayNumber);
    XProbe probe(m_display);
    if (!probe.connected()) {
        fail(QStringLiteral("cannot connect to Xvfb on %1").arg(m_display));
        return false;
    }
    return true;
}

bool XvfbDesktop::startWindowManager()
{
    if (!startChild(QStringLiteral("openbox"), QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}, environment()))
        return false;
    XProbe probe(m_display);
    if (!waitUntil([&] { return probe.rootHasProperty("_NET_SUPPORTING_WM_CHECK"); }, kStartTimeoutMs)
        || !probe.framesNewWindows(kStartTimeoutMs)) {
        fail(QStringLiteral("openbox did not take over the display"));
        return false;
    }
    return true;
}

bool XvfbDesktop::startTray()
{
    if (!startChild(QStringLiteral("trayer"), QStringLiteral("trayer"),
                    {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                     QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                     QStringLiteral("24"), QStringLiteral("--SetDockType"), QStringLiteral("true")},
                    environment()))
        return false;
    XProbe probe(m_display);
    if (!waitUntil([&] { return probe.selectionOwned("_NET_SYSTEM_TRAY_S0"); }, kStartTimeoutMs)) {
        fail(QStringLiteral("trayer did not take the system tray selection"));
        return false;
    }
    return true;
}

bool XvfbDesktop::startLumetra(const QStringList& arguments, const QProcessEnvironment& extra)
{
    if (lumetraRunning()) {
        fail(QStringLiteral("Lumetra is already running"));
        return false;
    }
    m_lumetra = startChild(QStringLiteral("lumetra"), QStringLiteral(LUMETRA_BINARY), arguments, environment(extra));
    return m_lumetra != nullptr;
}

// xdotool matches titles as POSIX extended expressions: this one literally.
static QString literally(const QString& title)
{
    QString pattern;
    for (const QChar c : title) {
        if (QStringLiteral(".[]{}()\\*+?^$|").contains(c))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    return pattern;
}

std::optional<QString> XvfbDesktop::startLumetraAndWaitFor(const QString& windowPattern, const QStringList& arguments,
                                                           int timeoutMs)
{
    if (!startLumetra(arguments))
        return std::nullopt;
    return waitForWindow(windowPattern, timeoutMs);
}

std::optional<QString> XvfbDesktop::startLumetraOnImage(const QString& imagePath, int timeoutMs)
{
    return startLumetraAndWaitFor(QStringLiteral("^Lumetra - %1$").arg(literally(QFileInfo(imagePath).fileName())),
                                  {imagePath}, timeoutMs);
}

bool XvfbDesktop::writeSettings(const QByteArray& ini) const
{
    QFile file(QDir(configDir()).filePath(QStringLiteral("Lumetra.conf")));
    return file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size();
}

bool XvfbDesktop::openTrayMenu() const
{
    const auto icon = waitForWindow(QStringLiteral("^Lumetra Status Item$"));
    const auto geometry = icon ? windowGeometry(*icon) : std::nullopt;
    if (!geometry || !click(geometry->center()))
        return false;
    QThread::msleep(500); // a menu is a window of its own, mapped a moment after the click
    return true;
}

std::optional<QString> XvfbDesktop::showImage(const QString& title, const QImage& image, std::optional<QPoint> at,
                                              int timeoutMs)
{
    const QString path = saveImage(title + QStringLiteral(".png"), image);
    QStringList arguments{QStringLiteral("-borderwidth"), QStringLiteral("0"), QStringLiteral("-title"), title};
    if (at)
        arguments << QStringLiteral("-geometry") << QStringLiteral("+%1+%2").arg(at->x()).arg(at->y());
    arguments << path; // options come before the file they apply to
    if (path.isEmpty() || !startBackground(QStringLiteral("display"), arguments))
        return std::nullopt;
    const QString pattern = QStringLiteral("^%1$").arg(literally(title));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (const auto window = waitForWindow(pattern, 3000))
            return window;
        // The viewer maps its window twice in quick succession, and a loaded window
        // manager may drop the second request: the window is then asked for again.
        if (const auto unmapped = waitForWindow(pattern, 1000, false))
            xdotool({QStringLiteral("windowmap"), *unmapped});
    }
    return std::nullopt;
}

bool XvfbDesktop::lumetraRunning() const
{
    return m_lumetra && m_lumetra->state() != QProcess::NotRunning;
}

qint64 XvfbDesktop::serverPid() const
{
    return m_children.empty() ? 0 : m_children.front().process->processId();
}

bool XvfbDesktop::activate(const QString& windowId, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        // The window manager may report the window active before the focus has moved.
        if (xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId}, timeoutMs).ok()
            && waitUntil([&] { return xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("-f")}).text() == windowId; },
                         2000))
            return true;
    }
    return false;
}

std::optional<QString> XvfbDesktop::activeWindow() const
{
    const CommandResult result = xdotool({QStringLiteral("getactivewindow")});
    if (!result.ok() || result.text().isEmpty())
        return std::nullopt;
    return result.text();
}

qint64 XvfbDesktop::lumetraPid() const
{
    return m_lumetra ? m_lumetra->processId() : 0;
}

QString XvfbDesktop::lumetraOutput() const
{
    return readFile(QDir(workDir()).filePath(QStringLiteral("lumetra.out")));
}

QString XvfbDesktop::lumetraErrors() const
{
    return readFile(QDir(workDir()).filePath(QStringLiteral("lumetra.err")));
}

std::optional<int> XvfbDesktop::waitForLumetraExit(int timeoutMs)
{
    if (!m_lumetra)
        return std::nullopt;
    if (m_lumetra->state() != QProcess::NotRunning && !m_lumetra->waitForFinished(timeoutMs))
        return std::nullopt;
    if (m_lumetra->exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_lumetra->exitCode();
}

std::optional<int> XvfbDesktop::stopLumetra(int signalNumber, int timeoutMs)
{
    if (!m_lumetra)
        return std::nullopt;
    if (m_lumetra->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_lumetra->processId()), signalNumber);
        if (!m_lumetra->waitForFinished(timeoutMs)) {
            ::kill(static_cast<pid_t>(m_lumetra->processId()), SIGKILL);
            m_lumetra->waitForFinished(3000);
            return std::nullopt;
        }
    }
    return waitForLumetraExit(0);
}

CommandResult XvfbDesktop::run(const QString& program, const QStringList& arguments, int timeoutMs,
                               const QByteArray& input) const
{
    CommandResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(workDir());
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start();
    if (!process.waitForStarted(kStartTimeoutMs)) {
        result.standardError = process.errorString().toUtf8();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (process.waitForFinished(timeoutMs)) {
        result.finished = process.exitStatus() == QProcess::NormalExit;
        result.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(3000);
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

QProcess* XvfbDesktop::startBackground(const QString& program, const QStringList& arguments,
                                       const QProcessEnvironment& extra)
{
    return startChild(QFileInfo(program).fileName(), program, arguments, environment(extra), true);
}

CommandResult XvfbDesktop::xdotool(const QStringList& arguments, int timeoutMs) const
{
    return run(QStringLiteral("xdotool"), arguments, timeoutMs);
}

bool XvfbDesktop::key(const QString& combinations) const
{
    return xdotool(QStringList{QStringLiteral("key")} + combinations.split(QLatin1Char(' '), Qt::SkipEmptyParts)).ok();
}

bool XvfbDesktop::click(const QPoint& at, int button, int count) const
{
    const bool moved = xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())}).ok();
    QThread::msleep(200); // the pointer's arrival (hover, enter) before the press
    const bool clicked = xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                                  QStringLiteral("--delay"), QStringLiteral("80"), QString::number(button)})
                             .ok();
    QThread::msleep(300);
    return moved && clicked;
}

std::optional<QString> XvfbDesktop::waitForWindow(const QString& namePattern, int timeoutMs, bool onlyVisible) const
{
    QStringList windows;
    waitUntil([&] { return !(windows = findWindows(namePattern, onlyVisible)).isEmpty(); }, timeoutMs);
    return windows.isEmpty() ? std::nullopt : std::optional<QString>(windows.first());
}

QStringList XvfbDesktop::findWindows(const QString& namePattern, bool onlyVisible) const
{
    QStringList arguments{QStringLiteral("search")};
    if (onlyVisible)
        arguments << QStringLiteral("--onlyvisible");
    arguments << QStringLiteral("--name") << namePattern;
    // A window that goes away while xdotool looks at it ends xdotool with an X error,
    // which says nothing about the windows sought: such a search is made again.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const CommandResult result = xdotool(arguments);
        if (result.ok())
            return result.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!result.standardError.contains("X Error"))
            return {};
    }
    return {};
}

bool XvfbDesktop::waitForWindowGone(const QString& namePattern, int timeoutMs) const
{
    return waitUntil([&] { return findWindows(namePattern).isEmpty(); }, timeoutMs);
}

bool XvfbDesktop::dragPointer(const QPoint& from, const QPoint& to, int steps) const
{
    const auto moveTo = [this](const QPoint& p) {
        return xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())}).ok();
    };
    bool ok = moveTo(from);
    ok = xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}).ok() && ok;
    for (int step = 1; step <= steps; ++step)
        ok = moveTo(from + (to - from) * step / steps) && ok;
    // Released also after a failed step, so no button stays down for the next test step.
    return xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}).ok() && ok;
}

std::optional<QRect> XvfbDesktop::windowGeometry(const QString& windowId) const
{
    const CommandResult result = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId});
    if (!result.ok())
        return std::nullopt;
    // Lines of NAME=value: WINDOW, X, Y, WIDTH, HEIGHT, SCREEN.
    QHash<QString, int> values;
    for (const QString& line : result.text().split(QLatin1Char('\n'))) {
        bool ok = false;
        const int value = line.section(QLatin1Char('='), 1).trimmed().toInt(&ok);
        if (ok)
            values.insert(line.section(QLatin1Char('='), 0, 0).trimmed(), value);
    }
    if (!values.contains(QStringLiteral("WIDTH")) || !values.contains(QStringLiteral("HEIGHT")))
        return std::nullopt;
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")), values.value(QStringLiteral("WIDTH")),
                 values.value(QStringLiteral("HEIGHT")));
}

QImage XvfbDesktop::screenshot() const
{
    return screenshotWindow(QStringLiteral("root"));
}

QImage XvfbDesktop::screenshotWindow(const QString& windowId) const
{
    const CommandResult result = run(QStringLiteral("import"),
                                     {QStringLiteral("-display"), m_display, QStringLiteral("-window"), windowId,
                                      QStringLiteral("png:-")},
                                     30000);
    if (!result.ok())
        return {};
    return QImage::fromData(result.standardOutput, "PNG");
}

QImage XvfbDesktop::waitForScreenshot(const QString& windowId, const std::function<bool(const QImage&)>& ready,
                                      int timeoutMs) const
{
    QImage shot;
    waitUntil(
        [&] {
            shot = screenshotWindow(windowId);
            return !shot.isNull() && ready(shot);
        },
        timeoutMs);
    return shot;
}

std::optional<QPoint> XvfbDesktop::waitForOnScreen(const QImage& image, int timeoutMs) const
{
    std::optional<QPoint> found;
    waitForScreenshot(
        QStringLiteral("root"), [&](const QImage& screen) { return (found = e2e::locate(screen, image)).has_value(); },
        timeoutMs);
    return found;
}

QString XvfbDesktop::saveImage(const QString& name, const QImage& image) const
{
    const QString path = QDir(workDir()).filePath(name);
    return image.save(path, "PNG") ? path : QString();
}

bool XvfbDesktop::setClipboard(const QByteArray& data, const QString& mimeType)
{
    // -quiet keeps xclip in the foreground (we own its pid) until another client takes the
    // selection over.
    QProcess* xclip = startBackground(QStringLiteral("xclip"),
                                      {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                       QStringLiteral("clipboard"), QStringLiteral("-t"), mimeType, QStringLiteral("-i")});
    if (!xclip)
        return false;
    xclip->write(data);
    xclip->closeWriteChannel();
    xclip->waitForBytesWritten(5000);
    return waitUntil(
        [&] {
            const auto offered = clipboard(mimeType);
            return offered && *offered == data;
        },
        kStartTimeoutMs);
}

std::optional<QByteArray> XvfbDesktop::clipboard(const QString& mimeType) const
{
    const CommandResult result = run(
        QStringLiteral("xclip"),
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), mimeType, QStringLiteral("-o")},
        10000);
    if (!result.ok())
        return std::nullopt;
    return result.standardOutput;
}

QImage XvfbDesktop::clipboardImage() const
{
    const auto data = clipboard(QStringLiteral("image/png"));
    if (!data)
        return {};
    return QImage::fromData(*data, "PNG").convertToFormat(QImage::Format_RGB32);
}

QImage XvfbDesktop::waitForClipboardImage(const std::function<bool(const QImage&)>& ready, int timeoutMs) const
{
    QImage image;
    waitUntil(
        [&] {
            image = clipboardImage();
            return !image.isNull() && ready(image);
        },
        timeoutMs);
    return image;
}

QStringList XvfbDesktop::clipboardTypes() const
{
    const auto targets = clipboard(QStringLiteral("TARGETS"));
    if (!targets)
        return {};
    return QString::fromUtf8(*targets).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void DesktopTest::SetUp()
{
    m_desktop = std::make_unique<XvfbDesktop>(desktopOptions());
    ASSERT_TRUE(m_desktop->isReady()) << m_desktop->errorString().toStdString();
}

void DesktopTest::TearDown()
{
    if (!m_desktop)
        return;
    if (HasFailure() || qEnvironmentVariableIsSet("LUMETRA_E2E_LOG")) {
        const QString out = m_desktop->lumetraOutput();
        const QString err = m_desktop->lumetraErrors();
        if (!out.isEmpty())
            std::cerr << "---- Lumetra standard output\n" << out.toStdString() << "----\n";
        if (!err.isEmpty())
            std::cerr << "---- Lumetra standard error\n" << err.toStdString() << "----\n";
        // The window tree as the failure left it, for a look afterwards.
        QFile tree(QDir(m_desktop->workDir()).filePath(QStringLiteral("windows.txt")));
        if (tree.open(QIODevice::WriteOnly))
            tree.write(m_desktop
                           ->run(QStringLiteral("sh"),
                                 {QStringLiteral("-c"), QStringLiteral("xwininfo -root -tree; for w in $(xdotool search --name "
                                                                       "Lumetra); do xwininfo -id $w; done")})
                           .standardOutput);
        // A Lumetra still running when a step timed out: where each of its threads stood.
        if (m_desktop->lumetraRunning()) {
            const CommandResult stacks = m_desktop->run(
                QStringLiteral("gdb"),
                {QStringLiteral("-p"), QString::number(m_desktop->lumetraPid()), QStringLiteral("-batch"), QStringLiteral("-nx"),
                 QStringLiteral("-ex"), QStringLiteral("thread apply all bt 30")},
                60000);
            QFile file(QDir(m_desktop->workDir()).filePath(QStringLiteral("lumetra-stacks.txt")));
            if (file.open(QIODevice::WriteOnly))
                file.write(stacks.standardOutput);
            std::cerr << "Lumetra was still running; its threads' stacks are in lumetra-stacks.txt\n";
        } else {
            std::cerr << "Lumetra was no longer running\n";
        }
        m_desktop->keepScratchFolder();
        std::cerr << "Files of this test kept in " << m_desktop->scratchFolder().toStdString() << "\n";
    }
    m_desktop.reset();
}
