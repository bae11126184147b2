#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "Platform/ImageFileReader.h"
#include "Platform/InMemoryPasteboard.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

Image sampleImage(int width = 60, int height = 40)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::darkGreen);
    return Image(image);
}

class OutputControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralForTesting(&pasteboard);
        model.setIsBackdropEnabled(false);
        model.setLoadedImage(sampleImage(), QUrl::fromLocalFile(dir.filePath("original.png")));
        controller.setAlertPresenter([this](const QString& text) { alerts.append(text); });
        controller.setSavePanelRunner([this](const std::optional<QString>& imagePath,
                                             const std::optional<QString>& lastSavedPath) {
            ++panelRuns;
            seenImagePath = imagePath;
            seenLastSavedPath = lastSavedPath;
            if (onPanel)
                onPanel();
            return panelAnswer;
        });
    }
    void TearDown() override { Pasteboard::setGeneralForTesting(nullptr); }

    void waitUntilIdle()
    {
        QTest::qWait(0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isExporting(); }, 20000));
    }

    QTemporaryDir dir;
    InMemoryPasteboard pasteboard;
    ImageEditorViewModel model;
    ImageOutputController controller{model};
    QStringList alerts;
    int panelRuns = 0;
    std::optional<QString> seenImagePath;
    std::optional<QString> seenLastSavedPath;
    std::optional<SavePanelResult> panelAnswer;
    std::function<void()> onPanel;
};

} // namespace

TEST_F(OutputControllerTest, CopyWritesPngAndTiffAndShowsTheCopyToast)
{
    model.setSaveToastURL(QUrl::fromLocalFile("/tmp/earlier.png"));
    model.rotateRight();
    ASSERT_TRUE(model.hasUnsavedWork());
    controller.copyImageToClipboard();
    EXPECT_TRUE(model.isExporting());
    controller.copyImageToClipboard(); // ignored while busy
    waitUntilIdle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.copyToastVisible(); }, 5000));
    EXPECT_FALSE(model.saveToastURL().has_value());
    ASSERT_EQ(pasteboard.items().size(), 2);
    EXPECT_EQ(pasteboard.changeCount(), 1);
    EXPECT_EQ(ImageFileReader::readData(pasteboard.items()[0].second).image.size(), QSize(40, 60));
    EXPECT_FALSE(model.hasUnsavedWork()) << "what was copied is kept";
}

TEST_F(OutputControllerTest, SaveAsThenSaveWritesTheSameFileWithoutAPanel)
{
    panelAnswer = SavePanelResult{dir.filePath("out.jpg"), "jpeg", 0.8};
    model.rotateRight();
    controller.save(); // nothing remembered yet: the panel
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelRuns == 1; }, 5000));
    EXPECT_EQ(seenImagePath, dir.filePath("original.png"));
    EXPECT_FALSE(seenLastSavedPath.has_value());
    waitUntilIdle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.saveToastURL().has_value(); }, 5000));
    EXPECT_EQ(model.saveToastURL()->toLocalFile(), dir.filePath("out.jpg"));
    EXPECT_EQ(model.lastSavedURL()->toLocalFile(), dir.filePath("out.jpg"));
    EXPECT_FALSE(model.copyToastVisible());
    EXPECT_EQ(ImageFileReader::readFile(dir.filePath("out.jpg")).image.size(), QSize(40, 60));
    // The document is now the file saved, with nothing left unsaved.
    EXPECT_EQ(model.displayName(), "out.jpg");
    EXPECT_FALSE(model.hasUnsavedWork());

    QFile::remove(dir.filePath("out.jpg"));
    model.setSaveToastURL(std::nullopt);
    controller.save();
    waitUntilIdle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.saveToastURL().has_value(); }, 5000));
    EXPECT_EQ(panelRuns, 1);
    EXPECT_TRUE(QFile::exists(dir.filePath("out.jpg")));
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(OutputControllerTest, TheSaveTargetBelongsToTheDocument)
{
    // Whatever installs another image, or clears the editor, forgets where the last one
    // was saved: Save then shows the panel rather than overwriting that file.
    const QList<std::function<void()>> replacements{
        [&] { model.setLoadedImage(sampleImage(10, 10), QUrl::fromLocalFile(dir.filePath("other.png"))); },
        [&] { model.clearImage(); },
    };
    for (const auto& replace : replacements) {
        model.setLoadedImage(sampleImage(), QUrl::fromLocalFile(dir.filePath("original.png")));
        panelAnswer = SavePanelResult{dir.filePath("saved.png"), "png", 0.9};
        controller.saveAs();
        ASSERT_TRUE(QTest::qWaitFor([&] { return model.lastSavedURL().has_value(); }, 20000));
        waitUntilIdle();
        replace();
        EXPECT_FALSE(model.lastSavedURL().has_value());
        EXPECT_FALSE(model.saveToastURL().has_value());
    }
}

TEST_F(OutputControllerTest, ReplacedImageRecordsNoSave)
{
    panelAnswer = SavePanelResult{dir.filePath("first.png"), "png", 0.9};
    onPanel = [this] { model.setLoadedImage(sampleImage(10, 10), QUrl()); };
    bool finished = false;
    QObject::connect(&controller, &ImageOutputController::exportFinished,
                     [&](bool success, const QString&) { finished = success; });
    controller.saveAs();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 20000));
    // The file is written (the image the user asked for), but nothing is recorded.
    EXPECT_EQ(ImageFileReader::readFile(dir.filePath("first.png")).image.size(), QSize(60, 40));
    EXPECT_FALSE(model.lastSavedURL().has_value());
    EXPECT_FALSE(model.saveToastURL().has_value());
}

TEST_F(OutputControllerTest, CancelledPanelWritesNothingAndAllowsAnother)
{
    controller.saveAs();
    controller.saveAs(); // queued twice, shown once at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelRuns >= 1; }, 5000));
    QTest::qWait(20);
    EXPECT_FALSE(model.isSavePanelPresented());
    EXPECT_FALSE(model.isExporting());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    // Without an image nothing happens at all.
    const int runs = panelRuns;
    model.setSelectedImage(std::nullopt);
    controller.copyImageToClipboard();
    controller.save();
    controller.saveAs();
    QTest::qWait(20);
    EXPECT_EQ(panelRuns, runs);
    EXPECT_EQ(pasteboard.changeCount(), 0);
    EXPECT_FALSE(model.isExporting());
}

