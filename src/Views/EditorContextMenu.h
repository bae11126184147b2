#pragma once

#include "Core/ShortcutBinding.h"

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSizeF>
#include <QString>

#include <functional>

class ImageEditorViewModel;
class QWidget;

// What the editor's context menu needs beyond the editor model.
struct EditorContextMenuHooks {
    std::function<QSizeF()> fitAreaSize; // read when "Fit to Window" is chosen
    std::function<void()> showAbout;
    std::function<void()> quit;
};

// The key an item of the context menu shows beside its title, in the words the rest of
// the interface uses ("Ctrl + Shift + S"). Only shown: the keys themselves are handled
// by the editor's key monitor and the menu bar.
QString contextMenuKeyText(const ShortcutBinding& binding);

// The editor's right-click menu, built for the state at this moment: file, zoom, edit
// and transform commands, a scale submenu (while an image is open), clear, about and
// quit. Enabled states and the backdrop's check mark are those of the moment it is
// built. Commands that act on the whole document (undo, redo, crop, rotate, scale,
// reset, clear) first commit or cancel a text being typed, as the menu bar and the
// keys do; save, copy, resize, text recognition and pin are posted as the same command
// notifications. Items carry the key text after a tab, which a menu shows in its key
// column.
QMenu* buildEditorContextMenu(ImageEditorViewModel* viewModel, const EditorContextMenuHooks& hooks,
                              QWidget* parent = nullptr);

// Pops the context menu up for right clicks in the editor window while the editor is
// shown: each presentation builds a fresh menu, so its items always reflect the state
// at the click. The previous menu is dropped when the next is built.
class ContextMenuPresenter : public QObject {
    Q_OBJECT
public:
    explicit ContextMenuPresenter(QObject* parent = nullptr);
    ~ContextMenuPresenter() override;

    std::function<QMenu*()> buildMenu;

    void start() { m_running = true; }
    // Also closes a menu still shown.
    void stop();
    bool isRunning() const { return m_running; }

    // Builds and pops up a menu at `globalPosition`. False, and nothing shown, while
    // stopped or without a builder.
    bool present(QPoint globalPosition);
    // The menu presented last (until the next presentation or stop).
    QMenu* menu() const { return m_menu.data(); }

private:
    bool m_running = false;
    QPointer<QMenu> m_menu;
};
