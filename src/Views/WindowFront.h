#pragma once

class QWidget;

// Bringing an editor window forward while one of its dialogs is open.
//
// A window blocked by a modal dialog cannot take keys. Asking the window manager to
// activate it anyway hands it the focus, which the toolkit then passes on to the
// dialog; several such requests in quick succession (files handed over one after
// another) race, and the focus may end on the blocked window or the toolkit may
// follow the wrong one, so that the dialog shown in front takes no key. Every request
// goes to the dialog instead.
namespace WindowFront {

// The visible modal dialog that blocks window (the topmost of a stack of them), or
// nothing when window takes input itself.
QWidget* blockingDialog(QWidget* window);

// The window that is to be activated when window is brought forward: its blocking
// dialog, else window itself.
QWidget* activationTarget(QWidget* window);

// Raises window, and its blocking dialog above it, and asks for the activation of
// activationTarget(window). Returns that target.
QWidget* raiseAndActivate(QWidget* window);

} // namespace WindowFront
