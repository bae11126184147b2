#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Models/ImageDocument.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/UserDefaults.h"
#include "support/ProcessCounters.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

class EditorDocumentTest : public ::testing::Test {
protected:
    QString pngFile(const QString& name, int w, int h)
    {
        return writeFile(dir, name, encode(coordinateImage(w, h), "png"));
    }

    QTemporaryDir dir;
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorDocumentTest, InstallingResetsTheDocumentButNotTheStyles)
{
    model.setLoadedImage(solidImage(100, 80), QUrl::fromLocalFile(dir.filePath("one.png")));
    model.annotationManager()->appendArrow(arrow(true));
    model.saveUndoState();
    model.setZoomLevel(3);
    model.rotateRight();
    model.applyScale(0.5);
    ASSERT_TRUE(resampled(model));
    model.setCurrentTool(ToolType::arrow);
    model.setCurrentArrowLineWidth(9);
    model.setOcrPanelState(OCRPanelState::recognizing());
    model.setSaveToastURL(QUrl::fromLocalFile("/tmp/x.png"));
    model.setIsCropping(true);
    model.setCropRect(QRectF(1, 2, 30, 40));
    model.setIsNewlyLoaded(false);
    const qint64 generation = model.imageLoadGeneration();

    model.setLoadedImage(solidImage(60, 50, Qt::red, 2.0), QUrl::fromLocalFile(dir.filePath("two.png")));
    EXPECT_EQ(model.imageLoadGeneration(), generation + 1);
    EXPECT_EQ(model.displayName(), "two.png");
    EXPECT_EQ(model.originalImageSize(), QSizeF(60, 50)) << "pixels, not points";
    EXPECT_EQ(model.selectedImage()->size(), QSizeF(30, 25));
    EXPECT_TRUE(model.originalImage()->sharesPixelsWith(*model.selectedImage()));
    EXPECT_TRUE(model.pristineImage()->sharesPixelsWith(*model.selectedImage()));
    EXPECT_EQ(std::tuple(model.rotation(), model.scale(), model.zoomLevel()), std::tuple(0.0, 1.0, 1.0));
    EXPECT_FALSE(model.canUndo() || model.canRedo());
    EXPECT_TRUE(model.annotationManager()->arrows().isEmpty());
    EXPECT_EQ(model.currentTool(), ToolType::none);
    EXPECT_FALSE(model.ocrPanelState().has_value() || model.saveToastURL().has_value());
    EXPECT_TRUE(model.isNewlyLoaded());
    // A crop in progress belonged to the previous image.
    EXPECT_FALSE(model.isCropping() || ImageEditorViewModel::globalIsCropping());
    EXPECT_EQ(model.cropRect(), QRectF());
    // Styles are not part of a document.
    EXPECT_EQ(model.currentArrowLineWidth(), 9.0);
}

TEST_F(EditorDocumentTest, OnlyTheNewestLoadIsInstalled)
{
    // A large file first and a small one second: the small one finishes first, the
    // large one must then be dropped, and stops reading at once. The other way round the second wins.
    const QString large = writeFile(dir, "large.bmp", encode(coordinateImage(3000, 2000), "bmp"));
    const QString small = pngFile("small.png", 30, 20);
    QSignalSpy finished(&model, &ImageEditorViewModel::imageLoadFinished);
    QSignalSpy alerts(&model, &ImageEditorViewModel::alertRequested);

    const qint64 before = ProcessCounters::bytesRead();
    model.loadImage(QUrl::fromLocalFile(large));
    model.loadImage(QUrl::fromLocalFile(small));
    ASSERT_TRUE(waitForLoads(finished, 2));
    EXPECT_LT(ProcessCounters::bytesRead() - before, 4 << 20); // of its 18 MB
    EXPECT_EQ(model.displayName(), "small.png");
    EXPECT_EQ(model.originalImageSize(), QSizeF(30, 20));

    model.loadImage(QUrl::fromLocalFile(small));
    model.loadImage(QUrl::fromLocalFile(large));
    ASSERT_TRUE(waitForLoads(finished, 4));
    EXPECT_EQ(model.displayName(), "large.bmp");
    EXPECT_EQ(alerts.count(), 0) << "a dropped result is silent";

    // An install after a load began wins.
    model.loadImage(QUrl::fromLocalFile(pngFile("late.png", 500, 500)));
    model.setLoadedImage(solidImage(7, 7), QUrl::fromLocalFile(dir.filePath("pasted.png")));
    // (A decode already done when its continuation is attached installs at once, before
    // the install above; so only the end state is certain.)
    ASSERT_TRUE(waitForLoads(finished, 5));
    EXPECT_EQ(model.displayName(), "pasted.png");
    EXPECT_EQ(model.originalImageSize(), QSizeF(7, 7));
}

TEST_F(EditorDocumentTest, UnreadableFilesAreToldAndChangeNothing)
{
    model.setLoadedImage(solidImage(10, 10), QUrl::fromLocalFile(dir.filePath("keep.png")));
    model.annotationManager()->appendArrow(arrow());
    model.saveUndoState();
    QSignalSpy finished(&model, &ImageEditorViewModel::imageLoadFinished);
    QSignalSpy alerts(&model, &ImageEditorViewModel::alertRequested);

    // Which files the reader refuses is its own tests' matter; here one missing, one not an image.
    const QStringList paths { dir.filePath("missing.png"), writeFile(dir, "text.png", "hello") };
    for (int i = 0; i < paths.size(); ++i) {
        model.loadImage(QUrl::fromLocalFile(paths[i]));
        ASSERT_TRUE(waitForLoads(finished, i + 1));
        EXPECT_FALSE(finished.last().at(1).toBool()) << paths[i].toStdString();
    }
    ASSERT_EQ(alerts.count(), paths.size());
    EXPECT_FALSE(alerts.last().at(0).toString().isEmpty());
    EXPECT_TRUE(alerts.last().at(1).toString().contains(QStringLiteral("text.png")));
    EXPECT_EQ(model.displayName(), "keep.png");
    EXPECT_EQ(model.annotationManager()->arrows().size(), 1);
    EXPECT_TRUE(model.canUndo());
}

TEST_F(EditorDocumentTest, PastePrefersPngThenTiff)
{
    InMemoryPasteboard board;
    model.setPasteboard(&board);
    QSignalSpy finished(&model, &ImageEditorViewModel::imageLoadFinished);

    model.pasteImage();
    ASSERT_EQ(finished.size(), 1) << "an empty pasteboard answers at once";
    EXPECT_FALSE(finished.last().at(1).toBool());
    EXPECT_FALSE(model.selectedImage().has_value()) << "empty pasteboard changes nothing";

    board.setItems({ { Pasteboard::tiffType, encode(coordinateImage(20, 10), "tiff") },
        { Pasteboard::pngType, encode(coordinateImage(30, 15), "png") } });
    model.pasteImage();
    ASSERT_TRUE(waitForLoads(finished, 2));
    EXPECT_TRUE(finished.last().at(1).toBool());
    ASSERT_TRUE(model.selectedImage().has_value());
    EXPECT_EQ(model.originalImageSize(), QSizeF(30, 15));
    EXPECT_TRUE(model.displayName().startsWith("Lumetra "));
    EXPECT_TRUE(model.displayName().endsWith(".png"));
    EXPECT_EQ(finished.last().at(0).toUrl(), *model.imageURL());
    EXPECT_TRUE(model.imageInfoText().endsWith("| Unknown"));

    board.setItems({ { Pasteboard::tiffType, encode(coordinateImage(20, 10), "tiff") } });
    model.pasteImage();
    ASSERT_TRUE(waitForLoads(finished, 3));
    EXPECT_EQ(model.originalImageSize(), QSizeF(20, 10));

    // Garbage on the pasteboard leaves the document alone.
    board.setItems({ { Pasteboard::pngType, QByteArray("not a png") } });
    model.pasteImage();
    ASSERT_TRUE(waitForLoads(finished, 4));
    EXPECT_FALSE(finished.last().at(1).toBool());
    EXPECT_EQ(model.originalImageSize(), QSizeF(20, 10));
}

TEST_F(EditorDocumentTest, APasteIsOvertakenByALaterPasteOrAClear)
{
    InMemoryPasteboard board;
    model.setPasteboard(&board);
    QSignalSpy finished(&model, &ImageEditorViewModel::imageLoadFinished);

    board.setItems({ { Pasteboard::pngType, encode(coordinateImage(30, 15), "png") } });
    model.pasteImage();
    board.setItems({ { Pasteboard::pngType, encode(coordinateImage(40, 20), "png") } });
    model.pasteImage();
    ASSERT_TRUE(waitForLoads(finished, 2));
    EXPECT_EQ(model.originalImageSize(), QSizeF(40, 20)) << "the last paste wins, whichever decodes first";

    // A decode that is done before the continuation is attached installs at once, so
    // the clear may come before or after it: either way the window ends up empty.
    model.pasteImage();
    model.clearImage();
    ASSERT_TRUE(waitForLoads(finished, 3));
    EXPECT_FALSE(model.selectedImage().has_value()) << "cleared stays cleared";
}

TEST_F(EditorDocumentTest, OpenPanelChoosesTheFileToLoad)
{
    ScriptedOpenPanel panel;
    model.setOpenPanel(&panel);
    QSignalSpy finished(&model, &ImageEditorViewModel::imageLoadFinished);

    model.openImage(); // cancelled
    EXPECT_EQ(panel.runs, 1);
    // Every type the editor reads is offered, whatever case its extension has.
    for (const char* pattern : {"*.png", "*.JPG", "*.tiff", "*.webp", "*.heic", "*.PSD"})
        EXPECT_TRUE(panel.filter.contains(QLatin1String(pattern))) << pattern;
    QTest::qWait(20);
    EXPECT_EQ(finished.count(), 0);

    panel.answer = pngFile("chosen.png", 12, 8);
    model.openImage();
    ASSERT_TRUE(waitForLoads(finished, 1));
    EXPECT_EQ(model.displayName(), "chosen.png");
}

TEST_F(EditorDocumentTest, DestroyingTheModelDuringALoadIsSafe)
{
    const QString path = pngFile("slow.png", 2000, 2000);
    auto* doomed = new ImageEditorViewModel;
    doomed->loadImage(QUrl::fromLocalFile(path));
    delete doomed;
    // The survivor's result arrives after the doomed model's worker has finished.
    QSignalSpy finished(&model, &ImageEditorViewModel::imageLoadFinished);
    model.loadImage(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitForLoads(finished, 1));
    EXPECT_EQ(model.originalImageSize(), QSizeF(2000, 2000));
}

TEST_F(EditorDocumentTest, EveryAssignmentNotifiesItsGroup)
{
    QSignalSpy zoom(&model, &ImageEditorViewModel::zoomChanged);
    QSignalSpy any(&model, &ImageEditorViewModel::changed);
    model.setZoomLevel(1.0);
    model.setZoomLevel(1.0);
    EXPECT_EQ(zoom.count(), 2) << "equal values notify too";
    QSignalSpy annotations(&model, &ImageEditorViewModel::annotationsChanged);
    model.annotationManager()->appendArrow(arrow());
    EXPECT_GE(annotations.count(), 1);
    EXPECT_GE(any.count(), 3);

    model.setIsCropping(true);
    EXPECT_TRUE(ImageEditorViewModel::globalIsCropping());
    model.setIsEditingCropSize(true);
    EXPECT_TRUE(ImageEditorViewModel::globalIsEditingCropSize());
    {
        ImageEditorViewModel other;
        other.setIsCropping(true);
    }
    EXPECT_FALSE(ImageEditorViewModel::globalIsCropping()) << "destroying a model clears the flags";
    EXPECT_FALSE(ImageEditorViewModel::globalIsEditingCropSize());
}

TEST_F(EditorDocumentTest, BackdropSettingIsReadAndWrittenBackButIsNoToolStyle)
{
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), true);
    UserDefaults::standard().remove(Settings::toolStyleSnapshot.name());
    UserDefaults::standard().remove(Settings::backdropEnabled.name());
    {
        ImageEditorViewModel fresh;
        EXPECT_FALSE(fresh.isBackdropEnabled());
        EXPECT_TRUE(UserDefaults::standard().hasStoredValue(Settings::backdropEnabled.name()));
        fresh.setIsBackdropEnabled(true);
    }
    ImageEditorViewModel next;
    EXPECT_TRUE(next.isBackdropEnabled());
    next.setIsBackdropEnabled(false);
    EXPECT_FALSE(UserDefaults::standard().data(Settings::toolStyleSnapshot.name()).has_value());
    UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
}

TEST_F(EditorDocumentTest, OnlyWorkNotKeptIsAskedAboutAndTheNewestReplacementWaits)
{
    model.setLoadedImage(solidImage(100, 80), QUrl::fromLocalFile(dir.filePath("one.png")));
    std::vector<std::function<void(bool)>> questions;
    model.setReplacementGuard([&](std::function<void(bool)> decide) { questions.push_back(std::move(decide)); });
    EXPECT_FALSE(model.hasUnsavedWork()) << "a document as installed";

    // Each edit is work until kept, and no longer once undone; selecting changes nothing.
    const ArrowAnnotation drawn = arrow();
    const std::pair<std::function<void()>, std::function<void()>> edits[] = {
        {[&] { model.saveUndoState(); model.annotationManager()->appendArrow(drawn); }, [&] { model.undo(); }},
        {[&] { model.rotateRight(); }, [&] { model.rotateLeft(); }},
        {[&] { model.setIsEditingText(true); model.setTempTextInput("typed"); }, [&] { model.cancelTextEditing(); }},
    };
    for (const auto& [edit, revert] : edits) {
        edit();
        EXPECT_TRUE(model.hasUnsavedWork());
        revert();
        EXPECT_FALSE(model.hasUnsavedWork());
    }
    edits[0].first();
    model.markContentKept(model.currentContent());
    model.annotationManager()->selectAnnotation(drawn.id);
    EXPECT_FALSE(model.hasUnsavedWork()) << "saved or copied";
    model.undo();
    ASSERT_TRUE(model.hasUnsavedWork());

    // Two replacements while the question is up: one question, the newer one waits.
    std::vector<bool> outcomes;
    for (const char* name : {"two.png", "three.png"})
        model.replaceDocument(solidImage(50, 40), QUrl::fromLocalFile(dir.filePath(name)),
                              [&](bool installed) { outcomes.push_back(installed); });
    ASSERT_EQ(questions.size(), 1u);
    questions[0](false);
    EXPECT_EQ(outcomes, (std::vector<bool>{false, false}));
    EXPECT_EQ(model.displayName(), "one.png") << "cancelled";
    model.replaceDocument(solidImage(50, 40), QUrl::fromLocalFile(dir.filePath("three.png")));
    ASSERT_EQ(questions.size(), 2u);
    questions[1](true);
    EXPECT_EQ(model.displayName(), "three.png");
    EXPECT_FALSE(model.hasUnsavedWork());
    model.replaceDocument(solidImage(50, 40), QUrl::fromLocalFile(dir.filePath("four.png")));
    EXPECT_EQ(questions.size(), 2u) << "nothing to lose, nothing asked";
    EXPECT_EQ(model.displayName(), "four.png");
}

TEST_F(EditorDocumentTest, WorkClearedAwayIsStillUnsavedWhileItCanBeUndone)
{
    model.setLoadedImage(solidImage(100, 80), QUrl::fromLocalFile(dir.filePath("one.png")));
    model.clearImage();
    EXPECT_FALSE(model.hasUnsavedWork()) << "the file as it was opened is not lost";
    model.undo();

    const ArrowAnnotation drawn = arrow();
    model.saveUndoState();
    model.annotationManager()->appendArrow(drawn);
    model.clearImage();
    ASSERT_FALSE(model.selectedImage().has_value());
    EXPECT_TRUE(model.hasUnsavedWork()) << "the arrow lives on only in the history";
    model.undo();
    EXPECT_TRUE(model.hasUnsavedWork());
    model.redo();
    EXPECT_TRUE(model.hasUnsavedWork());

    // Kept (saved or copied) before the clear: nothing is lost by closing.
    model.undo();
    model.markContentKept(model.currentContent());
    model.clearImage();
    EXPECT_FALSE(model.hasUnsavedWork());

    // A turn alone is work too.
    model.undo();
    model.rotateRight();
    model.clearImage();
    EXPECT_TRUE(model.hasUnsavedWork());

    // A new document starts a new history: nothing of the old one is asked about.
    model.setLoadedImage(solidImage(60, 40), QUrl::fromLocalFile(dir.filePath("two.png")));
    model.clearImage();
    EXPECT_FALSE(model.hasUnsavedWork());
}
