#include "App/LumetraApp.h"
#include "App/UnixSignalQuit.h"
#include "Base/Logger.h"
#include "Platform/Pasteboard.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

namespace {

// The help needs no display: it is answered before the GUI starts.
bool printHelpIfAsked(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!LumetraApp::wantsHelp(arguments))
        return false;
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lumetra"));
    std::fputs(LumetraApp::commandLineHelp().toLocal8Bit().constData(), stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Log lines must reach a pipe as they are written, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // A reader that went away (a closed log pipe, a clipboard requestor that quit)
    // must cost a failed write, not the whole program.
    std::signal(SIGPIPE, SIG_IGN);

    if (printHelpIfAsked(argc, argv))
        return 0;

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
    QObject::connect(&signalQuit, &UnixSignalQuit::quitRequested, &app, [] { QApplication::quit(); });

    LumetraApp lumetra;
    // Another copy already runs and has taken this launch's files and capture (or did
    // not take them: this launch ends all the same, and says so).
    switch (lumetra.launch(QApplication::arguments().mid(1))) {
    case AppDelegate::LaunchResult::handedOff:
        return 0;
    case AppDelegate::LaunchResult::runningCopyUnresponsive:
        return 1;
    case AppDelegate::LaunchResult::running:
        break;
    }

    return app.exec();
}
