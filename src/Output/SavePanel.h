#pragma once

#include <QDateTime>
#include <QFileDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

// What the user confirmed in the save panel.
struct SavePanelResult {
    QString path;     // its extension always names `formatId`; the one file written
    QString formatId;
    double quality = 0.9;
};

// The editor's save-as dialog: Qt's own (non-native) file dialog with a format
// popup and, for JPEG, a quality slider added to its grid. Choosing a format
// rewrites the extension of the typed name, and typing the extension of a format
// chooses that format, so what is written always matches the name; replacing a
// file is asked for the file that will be written, never for the name as typed.
class SavePanel : public QFileDialog {
    Q_OBJECT
public:
    SavePanel(QWidget* parent, const QString& formatId, double initialQuality);

    QString selectedFormatId() const;
    double quality() const;
    // The file that will be written: the typed name, completed with the chosen
    // format's extension unless it already names a format.
    QString resultPath() const;
    // The format of resultPath().
    QString resultFormatId() const;

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

    // The folder and the name the panel opens with for an image (its file, if any,
    // and the last place it was saved to).
    void propose(const std::optional<QString>& imagePath, const std::optional<QString>& lastSavedPath,
                 const QDateTime& now);

    // Asks before replacing resultPath() when it exists.
    void accept() override;

private:
    void applyFormat();
    void followTypedName(const QString& typed);
    void updateQualityRow();

    QComboBox* m_formatPopup = nullptr;
    QSlider* m_qualitySlider = nullptr;
    QLabel* m_formatRowLabel = nullptr;
    QLabel* m_qualityRowLabel = nullptr;
    QLabel* m_qualityValueLabel = nullptr;
    double m_initialQuality = 0.9;
    bool m_followingName = false;
};
