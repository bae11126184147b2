#include "Core/AppTheme.h"
#include "Core/AppThemeColors.h"
#include "Core/Settings.h"
#include "Core/ThemeRefresh.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class AppThemeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("settings.ini")));
    }
    void TearDown() override { AppThemes::apply(AppTheme::system); }

    void setTheme(const QString& raw) { m_defaults->set(Settings::appTheme.name(), raw); }
    static QColor appWindowColor() { return QApplication::palette().color(QPalette::Window); }

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
};

} // namespace

TEST_F(AppThemeTest, StoredChoiceIsAppliedAtStartAndChangesTakeEffectInOpenWindows)
{
    const QPalette desktop = QApplication::palette();
    setTheme(QStringLiteral("dark"));
    ThemeRefresh refresh(*m_defaults);
    EXPECT_EQ(refresh.lastRaw(), QStringLiteral("dark"));
    EXPECT_EQ(appWindowColor(), AppThemes::darkPalette().color(QPalette::Window));
    EXPECT_TRUE(AppThemes::systemPalette() == desktop);

    QWidget window;
    window.resize(200, 100);
    window.show();
    EXPECT_EQ(window.palette().color(QPalette::Window), AppThemes::darkPalette().color(QPalette::Window));

    QSignalSpy changed(&refresh, &ThemeRefresh::changed);
    setTheme(QStringLiteral("light"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(window.palette().color(QPalette::Window), AppThemes::lightPalette().color(QPalette::Window));
    EXPECT_EQ(window.palette().color(QPalette::WindowText), AppThemes::lightPalette().color(QPalette::WindowText));

    // Other settings, and the same value again, change nothing.
    m_defaults->set(Settings::captureOpensEditor.name(), true);
    setTheme(QStringLiteral("light"));
    EXPECT_EQ(changed.count(), 1);

    // An unknown value follows the desktop again.
    setTheme(QStringLiteral("Dark"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_TRUE(QApplication::palette() == desktop);
    EXPECT_EQ(window.palette().color(QPalette::Window), desktop.color(QPalette::Window));

    setTheme(QStringLiteral("dark"));
    m_defaults->remove(Settings::appTheme.name());
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(refresh.lastRaw(), QStringLiteral("system"));
    EXPECT_TRUE(QApplication::palette() == desktop);
}

TEST_F(AppThemeTest, SharedColoursFollowTheAppearance)
{
    ThemeRefresh refresh(*m_defaults);
    setTheme(QStringLiteral("dark"));
    EXPECT_EQ(canvasBackgroundColor(), QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    EXPECT_EQ(appWindowBackground(), AppThemes::darkPalette().color(QPalette::Window));
    const QColor darkTint = primaryTint20();

    setTheme(QStringLiteral("light"));
    EXPECT_EQ(canvasBackgroundColor(), QColor::fromRgbF(0.93f, 0.93f, 0.93f));
    EXPECT_EQ(appWindowBackground(), AppThemes::lightPalette().color(QPalette::Window));
    EXPECT_NE(primaryTint20().rgb(), darkTint.rgb());
    EXPECT_NEAR(primaryTint20().alphaF(), 0.2, 0.005);
    EXPECT_NEAR(primaryTint25().alphaF(), 0.25, 0.005);
    EXPECT_EQ(primaryTint25().rgb(), QApplication::palette().color(QPalette::WindowText).rgb());

    // Resolved for the palette it is drawn with, whatever the application uses.
    EXPECT_EQ(canvasBackgroundColor(AppThemes::darkPalette()), QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    EXPECT_TRUE(isDarkPalette(AppThemes::darkPalette()));
    EXPECT_FALSE(isDarkPalette(AppThemes::lightPalette()));
}
