#include "Platform/KeyboardMappingX11.h"

#include "Base/Logger.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
// xcb's XKB header names a member "explicit"; it is never used here.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

std::unique_ptr<X11KeyboardMapping> X11KeyboardMapping::create(xcb_connection_t* connection)
{
    if (!connection)
        return nullptr;
    quint8 eventBase = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr)) {
        logMessage(LogLevel::warning, [] { return QStringLiteral("⌨️ The X server has no XKB extension; using the built-in US keymap"); });
        return nullptr;
    }
    const qint32 deviceId = xkb_x11_get_core_keyboard_device_id(connection);
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (deviceId < 0 || !context) {
        if (context)
            xkb_context_unref(context);
        return nullptr;
    }
    std::unique_ptr<X11KeyboardMapping> mapping(new X11KeyboardMapping(connection, context, deviceId, eventBase));
    if (!mapping->reload()) {
        logMessage(LogLevel::warning, [] { return QStringLiteral("⌨️ The X server's keymap could not be read; using the built-in US keymap"); });
        return nullptr;
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(mapping.get());
    return mapping;
}

X11KeyboardMapping::X11KeyboardMapping(xcb_connection_t* connection, xkb_context* context, qint32 deviceId, quint8 xkbEventBase)
    : m_connection(connection), m_context(context), m_deviceId(deviceId), m_xkbEventBase(xkbEventBase)
{
}

X11KeyboardMapping::~X11KeyboardMapping()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    setKeymap(nullptr);
    xkb_context_unref(m_context);
}

bool X11KeyboardMapping::reload()
{
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(m_context, m_connection, m_deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return false;
    setKeymap(keymap);
    return true;
}

bool X11KeyboardMapping::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType == "xcb_generic_event_t" && message)
        handleEvent(message);
    return false; // Qt must still see the event to update its own keymap.
}

void X11KeyboardMapping::handleEvent(const void* xcbEvent)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    const quint8 type = event->response_type & 0x7f;
    bool changed = false;
    if (type == m_xkbEventBase) {
        // Every XKB event starts with its own type byte and the device it concerns.
        const auto* xkbEvent = static_cast<const xcb_xkb_new_keyboard_notify_event_t*>(xcbEvent);
        changed = (xkbEvent->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbEvent->xkbType == XCB_XKB_MAP_NOTIFY)
            && qint32(xkbEvent->deviceID) == m_deviceId;
    } else if (type == XCB_MAPPING_NOTIFY) {
        changed = true;
    }
    if (changed && reload())
        emit keymapChanged();
}
