#pragma once

#include "Platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QMenuBar;
class ShortcutStore;

// Posts a command notification (no payload) on the default notification centre; the
// editor's observers do the work, and without an editor nothing happens.
void postCommandNotification(NotificationName name);

// The editor window's menu bar: Lumetra (About, Settings, Quit), File (Open, Save, Copy Image,
// Save As, Close Window), Edit (Undo, Redo, Crop, Reset, Clear) and View (zoom, fit,
// actual size, rotation). Its editor items post the command notifications; titles
// follow the interface language and the Copy Image and Save As keys follow the
// shortcut store. Besides the design's keys it answers to those every Linux program
// has: Ctrl+Q, Ctrl+W, Ctrl+Y for Redo and Ctrl+C for Copy Image.
class AppMenuBar : public QObject {
    Q_OBJECT
public:
    AppMenuBar(QMenuBar* menuBar, ShortcutStore& store);

    // Fills the menu bar again from scratch.
    void rebuild();

private:
    QPointer<QMenuBar> m_menuBar;
    ShortcutStore& m_store;
};
