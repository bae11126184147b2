#include "Views/WindowFront.h"

#include <QApplication>
#include <QWidget>

QWidget* WindowFront::blockingDialog(QWidget* window)
{
    if (!window)
        return nullptr;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == window || !modal->isVisible())
        return nullptr;
    if (modal->windowModality() == Qt::ApplicationModal)
        return modal;
    // A window-modal dialog blocks the windows it stands on: its parent's window and,
    // for a dialog over a dialog, that one's in turn.
    for (QWidget* parent = modal->parentWidget(); parent; parent = parent->parentWidget()) {
        if (parent->window() == window)
            return modal;
    }
    return nullptr;
}

QWidget* WindowFront::activationTarget(QWidget* window)
{
    QWidget* dialog = blockingDialog(window);
    return dialog ? dialog : window;
}

QWidget* WindowFront::raiseAndActivate(QWidget* window)
{
    if (!window)
        return nullptr;
    window->raise();
    QWidget* target = activationTarget(window);
    if (target != window)
        target->raise();
    target->activateWindow();
    return target;
}
