#include "App/LumetraApp.h"
#include "App/MainWindowController.h"
#include "App/UnixSignalQuit.h"
#include "Base/Logger.h"
#include "Core/Localization.h"
#include "Platform/DisplayReach.h"
#include "Platform/LocalFileName.h"
#include "Platform/Pasteboard.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {

void printLine(FILE* stream, const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
}

// Help, version and a command line that cannot be carried out are answered before the
// GUI starts, without a display; the exit status is what the command line asked for
// (2: it was not understood, 1: it cannot be done here).
std::optional<int> answerCommandLine(int argc, char** argv, bool* verbose)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << LocalFileName::decode(argv[i]);
    const LumetraApp::CommandLine line = LumetraApp::readCommandLine(arguments);
    *verbose = line.verbose;
    // A display that is set but cannot be reached would end in Qt's abort.
    const std::optional<QString> unreachable = line.request == LumetraApp::CommandLine::Request::run
        ? DisplayReach::unreachable(line.platform, line.displayOption)
        : std::nullopt;
    if (line.request == LumetraApp::CommandLine::Request::run && !unreachable)
        return std::nullopt;
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lumetra"));
    if (unreachable) {
        printLine(stderr, localizedFormat(QStringLiteral("cli.displayUnreachable"), {*unreachable}));
        return 1;
    }
    const QString usage = localized(QStringLiteral("cli.usage"));
    switch (line.request) {
    case LumetraApp::CommandLine::Request::version:
        std::fputs(LumetraApp::versionLine().toLocal8Bit().constData(), stdout);
        return 0;
    case LumetraApp::CommandLine::Request::unknownOption:
        std::fputs((localizedFormat(QStringLiteral("cli.unknownOption"), {line.unknownOption}) + QLatin1String("\n\n")
                    + LumetraApp::commandLineHelp())
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 2;
    case LumetraApp::CommandLine::Request::conflictingCaptures:
        printLine(stderr, localizedFormat(QStringLiteral("cli.conflictingCaptures"), line.captures.mid(0, 2)));
        printLine(stderr, usage);
        return 2;
    case LumetraApp::CommandLine::Request::extraFile:
        printLine(stderr, localizedFormat(QStringLiteral("cli.extraFile"), {line.file}));
        printLine(stderr, usage);
        return 2;
    case LumetraApp::CommandLine::Request::missingFile:
        printLine(stderr, localizedFormat(QStringLiteral("cli.missingFile"), {line.file}));
        return 1;
    case LumetraApp::CommandLine::Request::noDisplay:
        printLine(stderr, localized(QStringLiteral("cli.noDisplay")));
        return 1;
    default:
        std::fputs(LumetraApp::commandLineHelp().toLocal8Bit().constData(), stdout);
        return 0;
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Log lines must reach a pipe as they are written, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // A reader that went away (a closed log pipe, a clipboard requestor that quit)
    // must cost a failed write, not the whole program.
    std::signal(SIGPIPE, SIG_IGN);

    bool verbose = false;
    if (const std::optional<int> status = answerCommandLine(argc, argv, &verbose))
        return *status;
    if (verbose)
        Logger::shared().setThreshold(LogLevel::debug);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("lumetra"));
    // Lumetra lives in the tray: closing the editor window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // The clipboard is bound to the main thread on first use; do that now, before any
    // worker thread polls its change count.
    Pasteboard::general();

    UnixSignalQuit signalQuit;
    // A signal cannot be answered with a question: unsaved work goes.
    QObject::connect(&signalQuit, &UnixSignalQuit::quitRequested, &app, [] {
        MainWindowController::shared().discardUnsavedWork();
        QApplication::quit();
    });

    LumetraApp lumetra;
    // Another copy already runs and has taken this launch's files and capture (or did
    // not take them: this launch ends all the same, and says so).
    // QApplication took its own options out of argv; a file name keeps every byte
    // (QApplication::arguments() would replace those that are not UTF-8).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << LocalFileName::decode(argv[i]);
    switch (lumetra.launch(arguments)) {
    case AppDelegate::LaunchResult::handedOff:
        return 0;
    case AppDelegate::LaunchResult::runningCopyUnresponsive:
        return 1;
    case AppDelegate::LaunchResult::running:
        break;
    }

    return app.exec();
}
