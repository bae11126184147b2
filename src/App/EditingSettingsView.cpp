#include "App/EditingSettingsView.h"

#include "App/AppMenuBar.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace {

QString text(const char* key)
{
    return localized(QString::fromLatin1(key));
}

// The slider moves in steps of 0.05 (a twentieth) from 0.1 to 1.0.
constexpr double kStepsPerUnit = 20.0;
constexpr int kFirstQualityStep = 2;
constexpr int kLastQualityStep = 20;

QPushButton* smallButton(const char* key, const QString& name)
{
    auto* button = new QPushButton(text(key));
    button->setObjectName(name);
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    button->setFont(font);
    return button;
}

} // namespace

const QStringList& EditingSettingsView::saveFormats()
{
    static const QStringList formats{QStringLiteral("png"), QStringLiteral("jpeg"), QStringLiteral("tiff"),
                                     QStringLiteral("heic"), QStringLiteral("pdf")};
    return formats;
}

QString EditingSettingsView::qualityText(double quality)
{
    if (!std::isfinite(quality))
        return QStringLiteral("–");
    return QString::number(std::llround(quality * 100.0)) + QLatin1Char('%');
}

EditingSettingsView::EditingSettingsView(UserDefaults& defaults, QWidget* parent)
    : SettingsForm(parent)
    , m_defaults(defaults)
    , m_remember(Settings::rememberToolStyles.read(defaults))
{
    SettingsSection* saving = addSection(text("settings.section.saving"));
    m_format = new QComboBox;
    m_format->setObjectName(Settings::defaultSaveFormat.name());
    ignoreWheelUnlessFocused(m_format);
    for (const QString& format : saveFormats())
        m_format->addItem(localized(QStringLiteral("format.") + format), format);
    saving->addRow(text("settings.saveFormat"), m_format);
    connect(m_format, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            Settings::defaultSaveFormat.write(m_format->itemData(index).toString(), m_defaults);
    });

    m_qualityRow = new QWidget;
    auto* qualityLayout = new QHBoxLayout(m_qualityRow);
    qualityLayout->setContentsMargins(0, 0, 0, 0);
    auto* qualityLabel = new QLabel(text("settings.jpegQuality"), m_qualityRow);
    qualityLayout->addWidget(qualityLabel, 1);
    m_quality = new QSlider(Qt::Horizontal, m_qualityRow);
    m_quality->setObjectName(Settings::defaultJpegQuality.name());
    m_quality->setRange(kFirstQualityStep, kLastQualityStep);
    ignoreWheelUnlessFocused(m_quality);
    m_quality->setFixedWidth(160);
    qualityLayout->addWidget(m_quality);
    m_qualityText = new QLabel(m_qualityRow);
    m_qualityText->setObjectName(QStringLiteral("jpegQualityText"));
    QFont digits = m_qualityText->font();
    digits.setPointSizeF(digits.pointSizeF() * 11.0 / 13.0);
    digits.setWeight(QFont::Medium);
    m_qualityText->setFont(digits);
    m_qualityText->setForegroundRole(QPalette::PlaceholderText);
    m_qualityText->setMinimumWidth(40);
    m_qualityText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    qualityLayout->addWidget(m_qualityText);
    saving->addRow(m_qualityRow);
    connect(m_quality, &QSlider::valueChanged, this,
            [this](int step) { Settings::defaultJpegQuality.write(step / kStepsPerUnit, m_defaults); });

    bindSwitch(saving->addSwitch(text("settings.askToSaveChanges"), Settings::askToSaveChanges.name()),
               Settings::askToSaveChanges, m_defaults);

    SettingsSection* tools = addSection(text("settings.section.tools"));
    bindSwitch(tools->addSwitch(text("settings.rememberToolStyles"), Settings::rememberToolStyles.name()),
               Settings::rememberToolStyles, m_defaults);
    QPushButton* resetStyles = smallButton("settings.resetToolStyles", QStringLiteral("resetToolStyles"));
    connect(resetStyles, &QPushButton::clicked, this, [] { postCommandNotification(Notifications::resetToolStyles); });
    tools->addRow(text("settings.toolStylesLabel"), resetStyles);
    addFooter(new SettingsFooterLabel(text("settings.toolStyles.footer")));

    SettingsSection* reset = addSection(text("settings.section.reset"));
    QPushButton* resetAll = smallButton("settings.resetDefaults", QStringLiteral("resetDefaults"));
    connect(resetAll, &QPushButton::clicked, this, &EditingSettingsView::resetDefaults);
    reset->addRow(text("settings.resetDefaultsLabel"), resetAll);
    addFooter(new SettingsFooterLabel(text("settings.resetDefaults.footer")));

    showFormat();
    m_defaults.observe(Settings::defaultSaveFormat.name(), this, [this] { showFormat(); });
    m_defaults.observe(Settings::defaultJpegQuality.name(), this, [this] { showQuality(); });
    m_defaults.observe(Settings::rememberToolStyles.name(), this, [this] { rememberChanged(); });
}

void EditingSettingsView::showFormat()
{
    // A stored value that is none of the five (another case, "jpg") selects nothing and
    // stays as it is until the user picks one.
    const QString format = Settings::defaultSaveFormat.read(m_defaults);
    {
        const QSignalBlocker quiet(m_format);
        m_format->setCurrentIndex(int(saveFormats().indexOf(format)));
    }
    m_qualityRow->setVisible(format == QLatin1String("jpeg"));
    showQuality();
}

void EditingSettingsView::showQuality()
{
    const double quality = Settings::defaultJpegQuality.read(m_defaults);
    m_qualityText->setText(qualityText(quality));
    if (!std::isfinite(quality))
        return;
    const QSignalBlocker quiet(m_quality);
    m_quality->setValue(int(std::lround(quality * kStepsPerUnit)));
}

void EditingSettingsView::rememberChanged()
{
    const bool remember = Settings::rememberToolStyles.read(m_defaults);
    if (remember == m_remember)
        return;
    m_remember = remember;
    if (m_resetting) {
        m_rememberChangedDuringReset = true;
        return;
    }
    if (remember)
        postCommandNotification(Notifications::persistToolStyles);
    else
        Settings::toolStyleSnapshot.remove(m_defaults);
}

void EditingSettingsView::resetDefaults()
{
    // A change of the remember switch made here acts after the reset's own notification,
    // so an editor persists its styles once they are the defaults.
    m_resetting = true;
    m_rememberChangedDuringReset = false;
    Settings::defaultSaveFormat.write(QStringLiteral("png"), m_defaults);
    Settings::defaultJpegQuality.write(0.9, m_defaults);
    Settings::rememberToolStyles.write(true, m_defaults);
    Settings::askToSaveChanges.write(true, m_defaults);
    Settings::toolStyleSnapshot.remove(m_defaults);
    postCommandNotification(Notifications::resetToolStyles);
    m_resetting = false;
    if (m_rememberChangedDuringReset)
        postCommandNotification(Notifications::persistToolStyles);
}
