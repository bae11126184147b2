#pragma once

#include "Platform/Pasteboard.h"

#include <QObject>

#include <memory>

// The clipboard of a Wayland session set through the compositor's data-control protocol
// (wlroots compositors such as sway, and KDE offer it). Unlike the core protocol's
// selection it takes no input serial, so a capture started from a key bound in the
// compositor still sets the clipboard after another program copied; the core protocol
// refuses a serial older than that program's.
//
// The connection is Lumetra's own, served on a thread of its own: Qt reads an offer of
// ours on the main thread and waits for its bytes, which must not need the main thread.
class WaylandDataControl : public QObject {
    Q_OBJECT
public:
    // The session's compositor, where it offers data-control and a seat; else nullptr.
    static std::unique_ptr<WaylandDataControl> connect();
    ~WaylandDataControl() override;

    // Offers these items as the clipboard in place of whatever held it (no items: an
    // empty clipboard of ours). Promised items are made on the main thread when a program
    // asks for them. Returns the offer's number (counting from 1), or 0 when the
    // connection to the compositor is gone.
    quint64 setSelection(const QList<Pasteboard::Item>& items, const QList<Pasteboard::PromisedItem>& promised);

signals:
    // The offer of that number no longer holds the clipboard: another program took it, or
    // the connection broke. A later offer may be on its way; its number tells them apart.
    void selectionLost(quint64 offer);

private:
    struct Session;
    explicit WaylandDataControl(std::unique_ptr<Session> session);
    std::unique_ptr<Session> m_session;
};
