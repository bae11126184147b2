#include "Capture/CaptureCommandLine.h"

#include "Capture/CaptureCoordinator.h"

#include <QCoreApplication>
#include <QTimer>

bool startCaptureFromCommandLine(const QStringList& arguments)
{
    if (arguments.contains(QStringLiteral("--capture-area"))) {
        QTimer::singleShot(0, QCoreApplication::instance(), [] {
            CaptureCoordinator::shared().captureWithDelay(QStringLiteral("选区截图"), &CaptureRoads::area);
        });
        return true;
    }
    if (arguments.contains(QStringLiteral("--repeat-last-area"))) {
        QTimer::singleShot(0, QCoreApplication::instance(), [] {
            CaptureCoordinator::shared().captureWithDelay(QStringLiteral("重复上次选区"),
                                                          &CaptureRoads::repeatLastSelection);
        });
        return true;
    }
    return false;
}
