#pragma once

#include <QString>

#include <optional>

// Lets the user choose one image file to open. The editor asks through this
// interface so that tests can answer without a dialog.
class OpenPanel {
public:
    virtual ~OpenPanel() = default;

    // Runs modally, offering the files nameFilter matches (Qt's "Label (*.a *.b)"
    // form); the chosen file's path, or nothing when the user cancels.
    virtual std::optional<QString> chooseImageFile(const QString& nameFilter) = 0;

    // The process-wide panel (a QFileDialog); tests may install another. Passing
    // nullptr restores the standard panel.
    static OpenPanel& standard();
    static void setStandardForTesting(OpenPanel* panel);
};
