// A toast on screen when the interface language changes reads in the new language.

#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Output/OutputToasts.h"
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
    const QString englishCopied = localized(QStringLiteral("toast.copy.success"));
    ASSERT_TRUE(labelTexts(copy).contains(englishCopied));

    defaults.set(Settings::appLanguage.name(), QStringLiteral("de"));
    const QString germanCopied = localized(QStringLiteral("toast.copy.success"));
    ASSERT_NE(germanCopied, englishCopied);
    EXPECT_TRUE(labelTexts(copy).contains(germanCopied));
    EXPECT_TRUE(labelTexts(save).contains(localized(QStringLiteral("save.toast.saved"))));
    EXPECT_TRUE(labelTexts(save).contains(localized(QStringLiteral("save.toast.finder"))));
    EXPECT_TRUE(labelTexts(save).contains(localized(QStringLiteral("save.toast.copy"))));

    defaults.set(Settings::appLanguage.name(), QStringLiteral("system"));
}

} // namespace
