// Drives the editor window's controller on a real X display: a native window Qt makes
// anew for the editor window is not taken for one another program destroyed, and one
// another program destroys is replaced by a new window. Prints what it saw; exits 1
// on a fault, 2 when Qt did not make a new native window (nothing could be checked).
#include "App/MainWindowController.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Lets Qt carry out what was asked (mapping, deferred deletes) for a moment.
void settle(int ms = 500)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Another program destroys the window, as `xdotool windowclose` does.
void destroyFromOutside(WId window)
{
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    xcb_destroy_window(other, xcb_window_t(window));
    // A round trip: the server has carried it out before the connection goes.
    free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
    xcb_disconnect(other);
}

int fail(const char* what)
{
    std::printf("%s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    Settings::registerDefaults(UserDefaults::standard());
    MainWindowController& controller = MainWindowController::shared();
    controller.discardUnsavedWork();
    controller.show();
    settle();
    QPointer<QWidget> first = controller.window();
    if (!first || !first->windowHandle())
        return fail("no editor window");

    // A change of the stays-on-top flag made while the window is hidden is carried out by
    // a new native window when it is shown again; the widget stays the same.
    QWindow* handle = first->windowHandle();
    const WId before = handle->winId();
    first->hide();
    settle(200);
    handle->setFlags(handle->flags() ^ Qt::WindowStaysOnTopHint);
    first->show();
    settle();
    if (handle->winId() == before) {
        std::printf("Qt kept the native window\n");
        return 2;
    }
    controller.show();
    settle();
    if (controller.window() != first.data())
        return fail("the editor moved to a new window though nothing destroyed its own");

    destroyFromOutside(handle->winId());
    settle();
    controller.show();
    settle();
    if (!first.isNull() || !controller.window() || !controller.window()->isVisible())
        return fail("a window another program destroyed was not replaced");
    std::printf("ok\n");
    return 0;
}
