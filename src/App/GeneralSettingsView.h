#pragma once

#include "App/SettingsForm.h"

#include "Core/Localization.h"

#include <QLocale>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class UserDefaults;

// The settings window's first tab: start at login and the editor window at launch, the
// interface language and appearance, the capture options, and the updater's two
// automatic behaviours with a button that checks at once. Every control is named after
// the setting it shows ("launchAtLogin" for the autostart entry, "checkNow" for the button).
class GeneralSettingsView : public SettingsForm {
    Q_OBJECT
public:
    static constexpr qint64 minimumScrollLength = 2000;
    static constexpr qint64 maximumScrollLength = 50000;

    GeneralSettingsView(UserDefaults& defaults, std::function<void()> checkForUpdates, QWidget* parent = nullptr);

    // The length field's text for a value: the locale's digits and grouping.
    static QString lengthText(qint64 value, const QLocale& locale = interfaceLocale());
    // The whole number typed in the field, read with or without the locale's grouping;
    // none for anything else (empty, letters, fractions).
    static std::optional<qint64> parseLength(const QString& text, const QLocale& locale = interfaceLocale());

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The length a scrolling capture uses: the stored one when it is in range, else the
    // default (a value that is no number, or one written from outside out of range).
    qint64 lengthInUse() const;

    void addStartupSection();
    void addLanguageSections();
    void addCaptureSection();
    void addUpdatesSection(std::function<void()> checkForUpdates);
    void launchAtLoginToggled(bool on);
    void showLaunchAtLogin();
    void commitLength();
    void lengthStored();

    UserDefaults& m_defaults;
    QCheckBox* m_launchAtLogin = nullptr;
    QLineEdit* m_length = nullptr;
};
