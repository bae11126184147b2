#pragma once

#include <QFileDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

// What the user confirmed in the save panel.
struct SavePanelResult {
    QString path;     // its extension always names `formatId`
    QString formatId;
    double quality = 0.9;
};

// The editor's save-as dialog: Qt's own (non-native) file dialog with a format
// popup and, for JPEG, a quality slider added to its grid. Choosing a format
// rewrites the extension of the typed name, so what is written always matches
// the name.
class SavePanel : public QFileDialog {
    Q_OBJECT
public:
    SavePanel(QWidget* parent, const QString& formatId, double initialQuality);

    QString selectedFormatId() const;
    double quality() const;
    // The chosen path with the extension of the chosen format.
    QString resultPath() const;

    // Selects the row with this id (nothing changes when no row has it).
    void selectFormat(const QString& formatId);

    QComboBox* formatPopup() const { return m_formatPopup; }
    QSlider* qualitySlider() const { return m_qualitySlider; }
    QLabel* qualityValueLabel() const { return m_qualityValueLabel; }
    bool isQualityRowVisible() const;
    QLineEdit* nameField() const;

    // Shows the panel for an image (its file, if any, and the last place it was
    // saved to), modal. On confirmation the chosen format and quality become the
    // defaults ("defaultSaveFormat", "defaultJpegQuality"); on cancel nothing
    // is written.
    static std::optional<SavePanelResult> run(QWidget* parent, const std::optional<QString>& imagePath,
                                              const std::optional<QString>& lastSavedPath);

private:
    void applyFormat();
    void updateQualityRow();

    QComboBox* m_formatPopup = nullptr;
    QSlider* m_qualitySlider = nullptr;
    QLabel* m_formatRowLabel = nullptr;
    QLabel* m_qualityRowLabel = nullptr;
    QLabel* m_qualityValueLabel = nullptr;
    double m_initialQuality = 0.9;
};
