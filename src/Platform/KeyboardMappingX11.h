#pragma once

#include "Platform/KeyboardMappingXkb.h"

#include <QAbstractNativeEventFilter>

#include <memory>

struct xcb_connection_t;
struct xkb_context;

// The keymap of an X server's core keyboard, read through xkbcommon-x11 and read again
// whenever the server announces a new keymap on the application's connection.
class X11KeyboardMapping : public XkbKeyboardMapping, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Null when the server lacks the XKB extension or its keymap cannot be read.
    static std::unique_ptr<X11KeyboardMapping> create(xcb_connection_t* connection);
    ~X11KeyboardMapping() override;

    // Reads the server's keymap again; false (keeping the old one) when that fails.
    bool reload();

    // Looks at one event of the connection (an xcb_generic_event_t); a new keymap or a
    // changed mapping is read again and announced by keymapChanged(). The application's
    // own connection feeds this by itself.
    void handleEvent(const void* xcbEvent);

private:
    X11KeyboardMapping(xcb_connection_t* connection, xkb_context* context, qint32 deviceId, quint8 xkbEventBase);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    xcb_connection_t* m_connection;
    xkb_context* m_context;
    qint32 m_deviceId;
    quint8 m_xkbEventBase;
};
