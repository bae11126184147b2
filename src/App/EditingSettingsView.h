#pragma once

#include "App/SettingsForm.h"

#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class UserDefaults;

// The settings window's second tab: the editor's default save format and JPEG
// quality, whether it remembers its tool styles, and two resets. It never reaches the
// editor itself: it stores settings and posts the tool-style commands every live
// editor answers. Controls are named after their settings ("resetToolStyles" and
// "resetDefaults" for the buttons).
class EditingSettingsView : public SettingsForm {
    Q_OBJECT
public:
    // The formats offered, in order, by stored value.
    static const QStringList& saveFormats();
    // The quality as the row shows it: a whole percentage, halves away from zero.
    static QString qualityText(double quality);

    explicit EditingSettingsView(UserDefaults& defaults, QWidget* parent = nullptr);

    // Back to PNG at 90 per cent, remembering tool styles, with the styles reset.
    void resetDefaults();

private:
    void showFormat();
    void showQuality();
    void rememberChanged();

    UserDefaults& m_defaults;
    QComboBox* m_format = nullptr;
    QWidget* m_qualityRow = nullptr;
    QSlider* m_quality = nullptr;
    QLabel* m_qualityText = nullptr;
    // The last value of "rememberToolStyles" seen, so that only a change acts.
    bool m_remember = true;
    bool m_resetting = false;
    bool m_rememberChangedDuringReset = false;
};
