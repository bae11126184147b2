#include "App/UnixSignalQuit.h"
#include "Core/Logger.h"

#include <QApplication>
#include <QMainWindow>

#include <cstdio>

int main(int argc, char** argv)
{
    // Log lines must reach a pipe as they are written, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    UnixSignalQuit signalQuit;
    QObject::connect(&signalQuit, &UnixSignalQuit::quitRequested, &app, [] { QApplication::quit(); });

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Lumetra"));
    window.resize(1000, 700);
    window.show();

    return app.exec();
}
