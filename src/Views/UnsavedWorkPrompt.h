#pragma once

#include <QString>

class QWidget;

// The question asked before unsaved work in the editor would be lost.
namespace UnsavedWorkPrompt {

enum class Choice { save, discard, cancel };

// Asks, modal over `parent`, whether to save the changes to the document named
// `documentName`: Save, Discard or Cancel, Save the default and Escape cancelling.
// With "Don't ask again" ticked, a Save or a Discard also switches the question off
// in the settings (the editing settings switch it on again).
Choice ask(QWidget* parent, const QString& documentName);

} // namespace UnsavedWorkPrompt
