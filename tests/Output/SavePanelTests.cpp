#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Output/ExportFormats.h"
#include "Output/SavePanel.h"
#include "Output/SavePanelChoices.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
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

}

TEST(SavePanel, ProposesTheNameAsTheImageFileWasSaved)
{
    struct Case {
        const char* stored;   // the stored format, the last one saved in
        const char* file;     // the image's file, "" for a capture
        const char* proposed; // the name in the panel, which is also the file written
    };
    const Case cases[] = {
        {"jpeg", "q.jpeg", "q.jpeg"},
        {"jpeg", "UP.JPG", "UP.JPG"},
        {"tiff", "scan.TIF", "scan.TIF"},
        {"png", "shot.final.png", "shot.final.png"},
        // Another format: the name with that format's extension.
        {"jpeg", "photo.png", "photo.jpg"},
        {"png", "q.jpeg", "q.png"},
        {"png", "README", "README.png"},
        {"png", "", "Lumetra 2025-03-01 at 14.05.09.png"},
    };
    const QDateTime when(QDate(2025, 3, 1), QTime(14, 5, 9));
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::optional<QString> image;
        if (*c.file) {
            image = dir.filePath(c.file);
            QFile(*image).open(QIODevice::WriteOnly);
        }
        EXPECT_EQ(SavePanelChoices::proposedFileName(image, when, c.stored), c.proposed);
        SavePanel panel(nullptr, c.stored, 0.9);
        panel.propose(image, std::nullopt, when);
        ASSERT_NE(panel.nameField(), nullptr);
        EXPECT_EQ(panel.nameField()->text(), c.proposed);
        if (image)
            EXPECT_EQ(panel.resultPath(), dir.filePath(c.proposed));
        EXPECT_EQ(panel.resultFormatId(), c.stored);
    }
}

TEST(SavePanel, TheTypedNameIsTheFileWrittenAndTheOnlyOneReplaced)
{
    struct Case {
        const char* chosen;
        const char* typed;
        const char* written;  // the file written
        const char* format;   // what it holds
        const char* asked;    // the file the replace question names, "" when none is asked
    };
    // The folder holds zzz.png and report.jpg.
    const Case cases[] = {
        {"png", "zzz.jpg", "zzz.jpg", "jpeg", ""},
        {"png", "report.jpg", "report.jpg", "jpeg", "report.jpg"},
        {"jpeg", "report", "report.jpg", "jpeg", "report.jpg"},
        {"jpeg", "zzz", "zzz.jpg", "jpeg", ""},
        {"jpeg", "zzz.png", "zzz.png", "png", "zzz.png"},
        {"png", "a.txt", "a.txt.png", "png", ""},
        {"tiff", "scan.gif", "scan.gif.tiff", "tiff", ""},
        {"png", "shot.TIF", "shot.TIF", "tiff", ""},
    };
    QTemporaryDir dir;
    for (const char* name : {"zzz.png", "report.jpg"})
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        SavePanel panel(nullptr, c.chosen, 0.9);
        panel.setDirectory(dir.path());
        panel.nameField()->setText(c.typed);
        // Typing a format's extension chooses the format and leaves the name as typed.
        EXPECT_EQ(panel.nameField()->text(), c.typed);
        EXPECT_EQ(panel.resultPath(), dir.filePath(c.written));
        EXPECT_EQ(panel.resultFormatId(), c.format);

        QString asked;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = box->text();
                box->button(QMessageBox::No)->click();
            }
        });
        panel.accept();
        EXPECT_EQ(asked.section('\n', 0, 0), *c.asked ? QString("%1 already exists.").arg(c.asked) : QString());
        // Refusing keeps the panel open for another name; with nothing to replace it closes.
        EXPECT_EQ(panel.result() == QDialog::Accepted, !*c.asked);
    }
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
