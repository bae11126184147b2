#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Output/ExportFormats.h"
#include "Output/SavePanel.h"
#include "Output/SavePanelChoices.h"
#include "Platform/UserDefaults.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SavePanelChoices, DefaultNameFromTheFileOrTheDate)
{
    const QDateTime when(QDate(2025, 3, 1), QTime(14, 5, 9));
    EXPECT_EQ(SavePanelChoices::defaultName(std::nullopt, when), "Lumetra 2025-03-01 at 14.05.09");
    EXPECT_EQ(SavePanelChoices::defaultName(QStringLiteral("/home/u/Holiday.jpeg"), when), "Holiday");
    EXPECT_EQ(SavePanelChoices::defaultName(QStringLiteral("/home/u/shot.final.png"), when), "shot.final");
    EXPECT_EQ(SavePanelChoices::defaultName(QStringLiteral("/home/u/README"), when), "README");
}

TEST(SavePanelChoices, FolderIsTheLastSaveTheFileTheLastFolderPicturesThenHome)
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("in.png"));
    QFile(image).open(QIODevice::WriteOnly);
    const QString pictures = dir.filePath(QStringLiteral("Bilder"));
    const QString last = dir.filePath(QStringLiteral("last"));
    QDir().mkpath(pictures);
    QDir().mkpath(last);
    QDir().mkpath(dir.filePath(QStringLiteral("config")));
    QFile dirs(dir.filePath(QStringLiteral("config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_PICTURES_DIR=\"" + pictures.toUtf8() + "\"\n");
    dirs.close();
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    // A capture is named, but no file of that name exists in the working folder.
    const QString capture = QDir::current().absoluteFilePath(QStringLiteral("Lumetra 2025-03-01 at 14.05.09.png"));

    EXPECT_EQ(SavePanelChoices::defaultFolder(QStringLiteral("/a/b/out.png"), image), "/a/b");
    EXPECT_EQ(SavePanelChoices::defaultFolder(std::nullopt, image), dir.path());
    EXPECT_EQ(SavePanelChoices::defaultFolder(std::nullopt, capture), pictures);
    SavePanelChoices::rememberSavedFolder(last);
    EXPECT_EQ(SavePanelChoices::defaultFolder(std::nullopt, capture), last);
    SavePanelChoices::rememberSavedFolder({});
    QDir(pictures).removeRecursively();
    EXPECT_EQ(SavePanelChoices::defaultFolder(std::nullopt, std::nullopt), QDir::homePath());
    if (configHome.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome);
}

TEST(SavePanelChoices, QualityTextRoundsHalfAway)
{
    EXPECT_EQ(SavePanelChoices::qualityPercentText(0.125), "13%");
    EXPECT_EQ(SavePanelChoices::sliderValue(0.125), 13);
    EXPECT_EQ(SavePanelChoices::sliderValue(5.0), 100);
    EXPECT_DOUBLE_EQ(SavePanelChoices::qualityForSlider(75), 0.75);
}

TEST(SavePanelChoices, StoredDefaultsAreValidatedAndWrittenOnlyOnStore)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.ini"));
    EXPECT_EQ(SavePanelChoices::storedFormat(defaults), "png");
    EXPECT_DOUBLE_EQ(SavePanelChoices::storedQuality(defaults), 0.9);

    defaults.set(Settings::defaultSaveFormat.name(), "gif");
    defaults.set(Settings::defaultJpegQuality.name(), 7.0);
    EXPECT_EQ(SavePanelChoices::storedFormat(defaults), "png");
    EXPECT_DOUBLE_EQ(SavePanelChoices::storedQuality(defaults), 0.9);

    SavePanelChoices::store(defaults, "jpeg", 0.75);
    EXPECT_EQ(SavePanelChoices::storedFormat(defaults), "jpeg");
    EXPECT_DOUBLE_EQ(SavePanelChoices::storedQuality(defaults), 0.75);
}

TEST(SavePanel, JpegShowsTheQualityRowAndReadsTheStoredValue)
{
    SavePanel panel(nullptr, "jpeg", 0.75);
    EXPECT_EQ(panel.selectedFormatId(), "jpeg");
    EXPECT_TRUE(panel.isQualityRowVisible());
    EXPECT_EQ(panel.qualityValueLabel()->text(), "75%");
    EXPECT_DOUBLE_EQ(panel.quality(), 0.75);
    EXPECT_TRUE(panel.nameFilters().first().contains("*.jpg"));
    EXPECT_EQ(panel.windowTitle(), "Save As");
    QStringList labels;
    for (const QLabel* label : panel.findChildren<QLabel*>())
        labels.append(label->text());
    EXPECT_TRUE(labels.contains("File Format:"));
    EXPECT_TRUE(labels.contains("JPEG Quality:"));

    // An untouched slider keeps the exact stored quality.
    SavePanel exact(nullptr, "jpeg", 0.125);
    EXPECT_DOUBLE_EQ(exact.quality(), 0.125);
    exact.qualitySlider()->setValue(50);
    EXPECT_DOUBLE_EQ(exact.quality(), 0.5);
    EXPECT_EQ(exact.qualityValueLabel()->text(), "50%");

    EXPECT_EQ(SavePanel(nullptr, "gif", 0.9).selectedFormatId(), "png") << "an unknown stored format";
}

TEST(SavePanel, ChangingTheFormatRewritesTheTypedExtension)
{
    QTemporaryDir dir;
    SavePanel panel(nullptr, "png", 0.9);
    panel.setDirectory(dir.path());
    EXPECT_FALSE(panel.isQualityRowVisible());
    ASSERT_NE(panel.nameField(), nullptr);
    panel.nameField()->setText("holiday.png");

    panel.selectFormat("jpeg");
    EXPECT_EQ(panel.nameField()->text(), "holiday.jpg");
    EXPECT_TRUE(panel.isQualityRowVisible());

    panel.selectFormat("heic");
    EXPECT_EQ(panel.nameField()->text(), "holiday.heic");
    EXPECT_FALSE(panel.isQualityRowVisible());

    // A name typed with another format's extension is still written as the chosen format.
    panel.nameField()->setText("typed.png");
    panel.selectFile("typed.png");
    EXPECT_TRUE(panel.resultPath().endsWith("/typed.heic")) << panel.resultPath().toStdString();
}

TEST(SavePanelChoices, RowLabelsReadAsDesignedAndEndInTheLanguagesColon)
{
    UserDefaults& defaults = UserDefaults::standard();
    const QVariant before = defaults.object(Settings::appLanguage.name());
    // The format row's label in every language, as the design words it.
    const std::pair<const char*, const char*> designed[] = {
        {"en", "File Format:"},       {"zh-Hans", "文件格式："},      {"zh-Hant", "檔案格式："},
        {"ja", "ファイルフォーマット:"}, {"ko", "파일 형식:"},          {"de", "Dateiformat:"},
        {"fr", "Format de fichier:"}, {"es", "Formato de archivo:"}, {"it", "Formato file:"},
        {"ru", "Формат файла:"},
    };
    for (const auto& [language, label] : designed) {
        defaults.set(Settings::appLanguage.name(), QString::fromLatin1(language));
        EXPECT_EQ(SavePanelChoices::rowLabelText("savePanel.fileFormat"), QString::fromUtf8(label)) << language;
    }
    if (before.isValid())
        defaults.set(Settings::appLanguage.name(), before);
    else
        defaults.remove(Settings::appLanguage.name());
}
