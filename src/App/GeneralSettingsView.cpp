#include "App/GeneralSettingsView.h"

#include "App/LaunchAtLogin.h"
#include "Base/Logger.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Core/AppTheme.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <climits>

namespace {

QString text(const char* key)
{
    return localized(QString::fromLatin1(key));
}

// The language the picker shows for a stored value: old aliases mapped, anything
// unknown shown as following the system.
AppLanguage shownLanguage(const QString& stored)
{
    const QString raw = legacyLanguageAliases().value(stored, stored);
    return AppLanguages::fromRawValue(raw).value_or(AppLanguage::system);
}

void postUpdatePreferences()
{
    NotificationCenter::defaultCenter().post(Notifications::sparklePreferencesChanged);
}

} // namespace

GeneralSettingsView::GeneralSettingsView(UserDefaults& defaults, std::function<void()> checkForUpdates, QWidget* parent)
    : SettingsForm(parent)
    , m_defaults(defaults)
{
    addStartupSection();
    addLanguageSections();
    addCaptureSection();
    addUpdatesSection(std::move(checkForUpdates));
}

void GeneralSettingsView::addStartupSection()
{
    SettingsSection* section = addSection(text("settings.section.startup"));
    m_launchAtLogin = section->addSwitch(text("settings.launchAtLogin"), QStringLiteral("launchAtLogin"));
    showLaunchAtLogin();
    connect(m_launchAtLogin, &QCheckBox::toggled, this, &GeneralSettingsView::launchAtLoginToggled);
    bindSwitch(section->addSwitch(text("settings.openWindowAtLaunch"), Settings::openWindowAtLaunch.name()),
               Settings::openWindowAtLaunch, m_defaults);
    // The switch writes an autostart entry, which such a session never runs.
    if (!LaunchAtLogin::sessionRunsAutostart()) {
        auto* footer = new SettingsFooterLabel(text("settings.launchAtLogin.noAutostart"));
        footer->setObjectName(QStringLiteral("launchAtLoginNoAutostart"));
        addFooter(footer);
    }
}

void GeneralSettingsView::addLanguageSections()
{
    auto* language = new QComboBox;
    language->setObjectName(Settings::appLanguage.name());
    ignoreWheelUnlessFocused(language);
    for (AppLanguage option : AppLanguages::allCases())
        language->addItem(AppLanguages::displayName(option), AppLanguages::rawValue(option));
    language->setCurrentIndex(
        int(AppLanguages::allCases().indexOf(shownLanguage(Settings::appLanguage.read(m_defaults)))));
    // The window then rebuilds itself in the new language (this picker goes with the
    // old tab, once its signal has returned).
    connect(language, &QComboBox::currentIndexChanged, this, [this, language](int index) {
        Settings::appLanguage.write(language->itemData(index).toString(), m_defaults);
    });
    addSection(text("settings.language"))->addRow(text("settings.appLanguage"), language);

    auto* theme = new QComboBox;
    theme->setObjectName(Settings::appTheme.name());
    ignoreWheelUnlessFocused(theme);
    for (AppTheme option : AppThemes::allCases()) {
        const QString raw = AppThemes::rawValue(option);
        theme->addItem(localized(QStringLiteral("settings.appearance.") + raw), raw);
    }
    theme->setCurrentIndex(int(AppThemes::allCases().indexOf(
        AppThemes::fromRawValue(Settings::appTheme.read(m_defaults)).value_or(AppTheme::system))));
    connect(theme, &QComboBox::currentIndexChanged, this, [this, theme](int index) {
        Settings::appTheme.write(theme->itemData(index).toString(), m_defaults);
    });
    addSection()->addRow(text("settings.appearance"), theme);
}

void GeneralSettingsView::addCaptureSection()
{
    SettingsSection* section = addSection(text("settings.capture.section.title"));
    bindSwitch(section->addSwitch(text("settings.capture.openEditor"), Settings::captureOpensEditor.name()),
               Settings::captureOpensEditor, m_defaults);
    bindSwitch(section->addSwitch(text("settings.capture.showCursor"), Settings::captureShowsCursor.name()),
               Settings::captureShowsCursor, m_defaults);

    m_length = new QLineEdit;
    m_length->setObjectName(Settings::captureMaxScrollLength.name());
    m_length->setFixedWidth(90);
    m_length->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_length->setText(lengthText(lengthInUse()));
    connect(m_length, &QLineEdit::editingFinished, this, &GeneralSettingsView::commitLength);
    m_defaults.observe(Settings::captureMaxScrollLength.name(), this, [this] { lengthStored(); });
    section->addRow(text("settings.capture.maxLength"), m_length);
}

void GeneralSettingsView::addUpdatesSection(std::function<void()> checkForUpdates)
{
    auto* header = new QWidget;
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->addWidget(settingsHeaderLabel(text("settings.updates.title"), header), 1);
    auto* checkNow = new QPushButton(text("settings.updates.checkNow"), header);
    checkNow->setObjectName(QStringLiteral("checkNow"));
    QFont small = checkNow->font();
    small.setPointSizeF(small.pointSizeF() * 11.0 / 13.0);
    checkNow->setFont(small);
    connect(checkNow, &QPushButton::clicked, this, [checkForUpdates] {
        if (checkForUpdates)
            checkForUpdates();
    });
    headerLayout->addWidget(checkNow);

    SettingsSection* section = addSection(header);
    bindSwitch(section->addSwitch(text("settings.updates.checkAutomatically"), Settings::automaticUpdateChecks.name()),
               Settings::automaticUpdateChecks, m_defaults, [](bool) { postUpdatePreferences(); });
    // Stays available while automatic checks are off: a check on request downloads too.
    bindSwitch(section->addSwitch(text("settings.updates.downloadAutomatically"),
                                  Settings::automaticUpdateDownloads.name()),
               Settings::automaticUpdateDownloads, m_defaults, [](bool) { postUpdatePreferences(); });
}

void GeneralSettingsView::showEvent(QShowEvent* event)
{
    SettingsForm::showEvent(event);
    showLaunchAtLogin();
}

void GeneralSettingsView::showLaunchAtLogin()
{
    const QSignalBlocker quiet(m_launchAtLogin);
    m_launchAtLogin->setChecked(LaunchAtLogin::isEnabled());
}

void GeneralSettingsView::launchAtLoginToggled(bool on)
{
    QString error;
    if (!LaunchAtLogin::setEnabled(on, {}, &error))
        Logger::shared().log(LogLevel::error, [&] { return QStringLiteral("登录项设置失败: ") + error; });
    // What the desktop will really do, whether or not the change went through.
    showLaunchAtLogin();
}

qint64 GeneralSettingsView::lengthInUse() const
{
    return ScrollCaptureGeometry::maxScrollLength(Settings::captureMaxScrollLength.read(m_defaults));
}

QString GeneralSettingsView::lengthText(qint64 value, const QLocale& locale)
{
    return locale.toString(value);
}

std::optional<qint64> GeneralSettingsView::parseLength(const QString& text, const QLocale& locale)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    qint64 value = locale.toLongLong(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toLongLong(trimmed, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

void GeneralSettingsView::commitLength()
{
    const std::optional<qint64> typed = parseLength(m_length->text());
    if (!typed) {
        // Nothing is stored; the field shows what is.
        m_length->setText(lengthText(lengthInUse()));
        return;
    }
    const int stored = int(std::clamp<qint64>(*typed, INT_MIN, INT_MAX));
    if (stored == Settings::captureMaxScrollLength.read(m_defaults)) {
        m_length->setText(lengthText(stored));
        return;
    }
    Settings::captureMaxScrollLength.write(stored, m_defaults);
}

void GeneralSettingsView::lengthStored()
{
    // Whoever stored it, a length outside what a scrolling capture uses is brought in;
    // the write-back comes here again and finds the value in range.
    // Something that is no number at all is not brought in: it counts as the default.
    bool isNumber = false;
    m_defaults.object(Settings::captureMaxScrollLength.name()).toString().trimmed().toDouble(&isNumber);
    if (!isNumber) {
        m_length->setText(lengthText(lengthInUse()));
        return;
    }
    const qint64 value = Settings::captureMaxScrollLength.read(m_defaults);
    const qint64 clamped = std::clamp(value, minimumScrollLength, maximumScrollLength);
    if (clamped != value) {
        Settings::captureMaxScrollLength.write(int(clamped), m_defaults);
        return;
    }
    m_length->setText(lengthText(value));
}
