// Qt's own texts follow the interface language.
#include "AppTestSupport.h"

#include "App/QtTranslations.h"
#include "Core/LanguageRefresh.h"
#include "Core/Settings.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kLanguageKey = Settings::appLanguage.name();

QString freshCancelText()
{
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

class QtTranslationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = UserDefaults::standard().string(kLanguageKey);
        UserDefaults::standard().set(kLanguageKey, QStringLiteral("en"));
    }
    void TearDown() override
    {
        if (m_saved)
            UserDefaults::standard().set(kLanguageKey, *m_saved);
        else
            UserDefaults::standard().remove(kLanguageKey);
    }
    std::optional<QString> m_saved;
};

} // namespace

TEST_F(QtTranslationsTest, StandardButtonsFollowTheLanguageBothWays)
{
    ASSERT_TRUE(QFile::exists(QDir(QtTranslations::defaultDirectory()).filePath(QStringLiteral("qtbase_de.qm"))))
        << "Qt's translations are not installed (run scripts/bootstrap.sh)";

    UserDefaults::standard().set(kLanguageKey, QStringLiteral("de"));
    {
        QtTranslations translations(LanguageRefresh::shared());
        EXPECT_EQ(freshCancelText(), QStringLiteral("Abbrechen"));

        // A box already on screen when the language changes is retranslated too.
        QDialogButtonBox shown(QDialogButtonBox::Cancel);
        UserDefaults::standard().set(kLanguageKey, QStringLiteral("en"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        EXPECT_TRUE(translations.loadedFile().isEmpty());
        EXPECT_EQ(freshCancelText(), QStringLiteral("Cancel"));
        EXPECT_EQ(shown.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));

        UserDefaults::standard().set(kLanguageKey, QStringLiteral("fr"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        EXPECT_EQ(freshCancelText(), QStringLiteral("Annuler"));
        EXPECT_EQ(shown.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
    }
    // Leaving removes the catalogue.
    EXPECT_EQ(freshCancelText(), QStringLiteral("Cancel"));
}

TEST_F(QtTranslationsTest, ChineseScriptsMapToQtsRegionCatalogues)
{
    // Every language the interface offers has Qt's catalogue installed beside it, under
    // the name Qt gives it (Chinese by region).
    const QDir directory(QtTranslations::defaultDirectory());
    for (AppLanguage language : AppLanguages::allCases()) {
        if (language == AppLanguage::system || language == AppLanguage::english)
            continue;
        const QString name = QStringLiteral("qtbase_%1.qm").arg(QtTranslations::catalogueSuffix(language));
        EXPECT_TRUE(directory.exists(name)) << name.toStdString();
    }

    UserDefaults::standard().set(kLanguageKey, QStringLiteral("zh-Hant"));
    QtTranslations translations(LanguageRefresh::shared());
    EXPECT_TRUE(translations.loadedFile().endsWith(QStringLiteral("qtbase_zh_TW.qm")));
    EXPECT_NE(freshCancelText(), QStringLiteral("Cancel"));
}

TEST_F(QtTranslationsTest, LanguageWithoutACatalogueStaysEnglish)
{
    // A folder holding German only: French has no file there.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QFile::copy(QDir(QtTranslations::defaultDirectory()).filePath(QStringLiteral("qtbase_de.qm")),
                            folder.filePath(QStringLiteral("qtbase_de.qm"))));

    UserDefaults::standard().set(kLanguageKey, QStringLiteral("fr"));
    QtTranslations translations(LanguageRefresh::shared(), folder.path());
    EXPECT_TRUE(translations.loadedFile().isEmpty());
    EXPECT_EQ(freshCancelText(), QStringLiteral("Cancel"));

    UserDefaults::standard().set(kLanguageKey, QStringLiteral("de"));
    EXPECT_EQ(freshCancelText(), QStringLiteral("Abbrechen"));

    // Switching to the missing language drops German rather than keeping it.
    UserDefaults::standard().set(kLanguageKey, QStringLiteral("fr"));
    EXPECT_EQ(freshCancelText(), QStringLiteral("Cancel"));

    // A damaged catalogue is passed over the same way.
    QFile broken(folder.filePath(QStringLiteral("qtbase_it.qm")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a catalogue");
    broken.close();
    UserDefaults::standard().set(kLanguageKey, QStringLiteral("it"));
    EXPECT_TRUE(translations.loadedFile().isEmpty());
    EXPECT_EQ(freshCancelText(), QStringLiteral("Cancel"));
}
