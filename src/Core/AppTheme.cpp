#include "Core/AppTheme.h"

#include "Core/Settings.h"

#include <QApplication>

namespace {

struct PaletteColors {
    QColor window, windowText, base, alternateBase, text, button, buttonText, brightText;
    QColor light, midlight, mid, dark, shadow;
    QColor highlight, highlightedText, link, linkVisited, toolTipBase, toolTipText, placeholderText;
    QColor disabledText;
};

// Every role of every group is set, so that the palette replaces the desktop's entirely.
QPalette makePalette(const PaletteColors& c)
{
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Window, c.window);
        palette.setColor(group, QPalette::WindowText, disabled ? c.disabledText : c.windowText);
        palette.setColor(group, QPalette::Base, c.base);
        palette.setColor(group, QPalette::AlternateBase, c.alternateBase);
        palette.setColor(group, QPalette::Text, disabled ? c.disabledText : c.text);
        palette.setColor(group, QPalette::Button, c.button);
        palette.setColor(group, QPalette::ButtonText, disabled ? c.disabledText : c.buttonText);
        palette.setColor(group, QPalette::BrightText, c.brightText);
        palette.setColor(group, QPalette::Light, c.light);
        palette.setColor(group, QPalette::Midlight, c.midlight);
        palette.setColor(group, QPalette::Mid, c.mid);
        palette.setColor(group, QPalette::Dark, c.dark);
        palette.setColor(group, QPalette::Shadow, c.shadow);
        palette.setColor(group, QPalette::Highlight, disabled ? c.mid : c.highlight);
        palette.setColor(group, QPalette::HighlightedText, c.highlightedText);
        palette.setColor(group, QPalette::Link, c.link);
        palette.setColor(group, QPalette::LinkVisited, c.linkVisited);
        palette.setColor(group, QPalette::ToolTipBase, c.toolTipBase);
        palette.setColor(group, QPalette::ToolTipText, c.toolTipText);
        palette.setColor(group, QPalette::PlaceholderText, c.placeholderText);
    }
    return palette;
}

// The application palette before Lumetra first replaced it.
std::optional<QPalette>& startupPalette()
{
    static std::optional<QPalette> palette;
    return palette;
}

} // namespace

namespace AppThemes {

const QList<AppTheme>& allCases()
{
    static const QList<AppTheme> cases{AppTheme::system, AppTheme::light, AppTheme::dark};
    return cases;
}

QString rawValue(AppTheme theme)
{
    switch (theme) {
    case AppTheme::system:
        return QStringLiteral("system");
    case AppTheme::light:
        return QStringLiteral("light");
    case AppTheme::dark:
        return QStringLiteral("dark");
    }
    return QStringLiteral("system");
}

std::optional<AppTheme> fromRawValue(const QString& raw)
{
    for (AppTheme theme : allCases()) {
        if (rawValue(theme) == raw)
            return theme;
    }
    return std::nullopt;
}

QString storedRawValue(const UserDefaults& defaults)
{
    return Settings::appTheme.read(defaults);
}

AppTheme themeForRawValue(const QString& raw)
{
    return fromRawValue(raw).value_or(AppTheme::system);
}

QPalette lightPalette()
{
    PaletteColors c;
    c.window = QColor(236, 236, 236);
    c.windowText = QColor(0, 0, 0, 217);
    c.base = QColor(255, 255, 255);
    c.alternateBase = QColor(244, 245, 245);
    c.text = QColor(0, 0, 0);
    c.button = QColor(246, 246, 246);
    c.buttonText = QColor(0, 0, 0, 217);
    c.brightText = QColor(255, 255, 255);
    c.light = QColor(255, 255, 255);
    c.midlight = QColor(245, 245, 245);
    c.mid = QColor(191, 191, 191);
    c.dark = QColor(160, 160, 160);
    c.shadow = QColor(0, 0, 0, 64);
    c.highlight = QColor(0, 122, 255);
    c.highlightedText = QColor(255, 255, 255);
    c.link = QColor(0, 104, 218);
    c.linkVisited = QColor(128, 64, 192);
    c.toolTipBase = QColor(255, 255, 255);
    c.toolTipText = QColor(0, 0, 0);
    c.placeholderText = QColor(0, 0, 0, 64);
    c.disabledText = QColor(0, 0, 0, 64);
    return makePalette(c);
}

QPalette darkPalette()
{
    PaletteColors c;
    c.window = QColor(50, 50, 50);
    c.windowText = QColor(255, 255, 255, 217);
    c.base = QColor(30, 30, 30);
    c.alternateBase = QColor(42, 42, 42);
    c.text = QColor(255, 255, 255);
    c.button = QColor(66, 66, 66);
    c.buttonText = QColor(255, 255, 255, 217);
    c.brightText = QColor(255, 255, 255);
    c.light = QColor(90, 90, 90);
    c.midlight = QColor(75, 75, 75);
    c.mid = QColor(45, 45, 45);
    c.dark = QColor(25, 25, 25);
    c.shadow = QColor(0, 0, 0);
    c.highlight = QColor(10, 132, 255);
    c.highlightedText = QColor(255, 255, 255);
    c.link = QColor(65, 156, 255);
    c.linkVisited = QColor(190, 140, 255);
    c.toolTipBase = QColor(40, 40, 40);
    c.toolTipText = QColor(255, 255, 255);
    c.placeholderText = QColor(255, 255, 255, 64);
    c.disabledText = QColor(255, 255, 255, 64);
    return makePalette(c);
}

QPalette systemPalette()
{
    return startupPalette().value_or(QApplication::palette());
}

void apply(AppTheme theme)
{
    if (!startupPalette())
        startupPalette() = QApplication::palette();
    switch (theme) {
    case AppTheme::light:
        QApplication::setPalette(lightPalette());
        break;
    case AppTheme::dark:
        QApplication::setPalette(darkPalette());
        break;
    case AppTheme::system:
        QApplication::setPalette(*startupPalette());
        break;
    }
    // Qt hands the new palette to existing widgets by posted events; deliver them now so
    // that open windows have changed before anyone hears of it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::PaletteChange);
}

} // namespace AppThemes
