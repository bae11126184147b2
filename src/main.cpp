#include "App/UnixSignalQuit.h"
#include "Capture/CaptureCommandLine.h"
#include "Core/Logger.h"
#include "Platform/Pasteboard.h"

#include <QApplication>
#include <QMainWindow>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    // Log lines must reach a pipe as they are written, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // A reader that went away (a closed log pipe, a clipboard requestor that quit)
    // must cost a failed write, not the whole program.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    // The clipboard is bound to the main thread on first use; do that now, before any
    // worker thread polls its change count.
    Pasteboard::general();

    UnixSignalQuit signalQuit;
    QObject::connect(&signalQuit, &UnixSignalQuit::quitRequested, &app, [] { QApplication::quit(); });

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Lumetra"));
    window.resize(1000, 700);
    window.show();

    // Capture hook (--capture-area, --repeat-last-area): lets a capture be started
    // from the command line, as the end-to-end tests do.
    startCaptureFromCommandLine(QApplication::arguments());

    return app.exec();
}
