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

// The editor window's menu bar: Lumetra (About), File (Open, Save, Copy Image, Save
// As), Edit (Undo, Redo, Crop, Reset, Clear) and View (zoom, fit, actual size,
// rotation). Its items post the command notifications; titles follow the interface
// language and the Copy Image and Save As keys follow the shortcut store.
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
