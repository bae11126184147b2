#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "Views/ContentView.h"

// The one owner of the editor's main window. It builds the window on demand around a
// new ContentView (and so a new editor model) and brings it forward; a closed window
// is dropped, and the next show builds a fresh one.
class MainWindowController : public QObject {
    Q_OBJECT
public:
    static MainWindowController& shared();

    // The editor window, or nothing before the first show and after it was closed.
    QWidget* window() const { return m_window; }
    ContentView* contentView() const { return m_content; }

    // Creates the window when there is none, restores it when minimised and raises it.
    void show();

private:
    explicit MainWindowController(QObject* parent = nullptr);
    QWidget* createWindow();

    QPointer<QWidget> m_window;
    QPointer<ContentView> m_content;
};

