/* Another program that holds a key combination, for the end-to-end tests: it grabs
 * Ctrl+Alt+6 on the root window with Xlib, prints "grabbed" (or "refused") once the
 * server has answered, and keeps the grab until it is stopped. */
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <stdio.h>

static int failed = 0;

static int onError(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error;
    failed = 1;
    return 0;
}

int main(void)
{
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        puts("no display");
        return 1;
    }
    XSetErrorHandler(onError);
    const KeyCode key = XKeysymToKeycode(display, XK_6);
    XGrabKey(display, key, ControlMask | Mod1Mask, DefaultRootWindow(display), True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    puts(failed ? "refused" : "grabbed");
    fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
