#pragma once

#include "Platform/CaptureInputGrab.h"

#include <QAbstractNativeEventFilter>

class KeyboardMapping;
class XcbConnection;

class X11CaptureInputGrab final : public CaptureInputGrab, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Over the application's connection, whose events arrive through Qt's event loop.
    X11CaptureInputGrab(XcbConnection& connection, KeyboardMapping& mapping, QObject* parent = nullptr);
    ~X11CaptureInputGrab() override;

    bool grab() override;
    void release() override;
    bool isGrabbed() const override { return m_grabbed; }

    // Looks at one event (an xcb_generic_event_t); true when it belonged to the grab.
    bool handleEvent(const void* xcbEvent);

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool grabKeyboard();
    bool grabButtons();
    void ungrabButtons();

    XcbConnection& m_connection;
    KeyboardMapping& m_mapping;
    bool m_grabbed = false;
};
