// A toast on screen when the interface language changes reads in the new language.

#include "Output/OutputToasts.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QStringList labelTexts(const QWidget& widget)
{
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts << label->text();
    for (const QPushButton* button : widget.findChildren<QPushButton*>())
        texts << button->text();
    return texts;
}

TEST(OutputToastLanguage, ShownToastsFollowALanguageChange)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(Settings::appLanguage.name(), QStringLiteral("en"));
    CopyToast copy([] {});
    SaveToast save(QUrl::fromLocalFile(QStringLiteral("/tmp/a.png")), [] {}, [] {}, [] {});
    ASSERT_TRUE(labelTexts(copy).contains(QStringLiteral("Copied to clipboard")));
    ASSERT_TRUE(labelTexts(save).contains(QStringLiteral("Show in Folder")));
    // The saved toast names the file it wrote.
    EXPECT_TRUE(labelTexts(save).contains(QStringLiteral("Saved as a.png")));

    defaults.set(Settings::appLanguage.name(), QStringLiteral("ja"));
    EXPECT_FALSE(labelTexts(copy).contains(QStringLiteral("Copied to clipboard")));
    for (const QString& text : labelTexts(save))
        EXPECT_FALSE(text == QStringLiteral("Saved as a.png") || text == QStringLiteral("Show in Folder")
                     || text == QStringLiteral("Copy"))
            << text.toStdString();
    EXPECT_TRUE(labelTexts(save).contains(QStringLiteral("a.png として保存しました")));
    defaults.set(Settings::appLanguage.name(), QStringLiteral("system"));
}

} // namespace
