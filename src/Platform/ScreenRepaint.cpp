#include "Platform/ScreenRepaint.h"

#include "Platform/X11RepaintWatch.h"
#include "Platform/X11Session.h"

#include <QCoreApplication>
#include <QTimer>

namespace ScreenRepaint {

void afterWindowsTakenDown(QObject* context, int capMs, std::function<void()> then)
{
    static X11RepaintWatch* watch = nullptr;
    if (X11Session::applicationRunsOnX11()) {
        if (!watch)
            watch = new X11RepaintWatch(10, QCoreApplication::instance());
        if (watch->available()) {
            watch->wait(context, capMs, std::move(then));
            return;
        }
    }
    QTimer::singleShot(capMs, context, std::move(then));
}

} // namespace ScreenRepaint
