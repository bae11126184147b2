#include "EditorCanvasTestSupport.h"
#include "PixelProbe.h"
#include "support/NonRegularFiles.h"

#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Models/ImageDocument.h"
#include "Models/ImageLoadManager.h"
#include "Platform/LocalFileName.h"
#include "Platform/UserDefaults.h"
#include "Views/CommandRouter.h"
#include "Output/ImageOutputController.h"
#include "Output/SavePanel.h"
#include "Views/ContentView.h"
#include "Views/EditorOutputHost.h"
#include "Views/EditorKeyMonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdio>

using namespace CanvasTest;
using EditorTestSupport::solidPng;
using EditorTestSupport::writeFile;

namespace {

class ContentViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        content = new ContentView(&window);
        layout->addWidget(content);
        window.resize(900, 450);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { ImageLoadManager::shared().setPendingImageURL(std::nullopt); }

    ImageEditorViewModel& model() { return *content->viewModel(); }

    bool waitForImage(QSize pixels)
    {
        return QTest::qWaitFor([&] {
            return model().selectedImage() && model().selectedImage()->pixelSize() == pixels;
        }, 20000);
    }

    QTemporaryDir dir;
    QWidget window;
    ContentView* content = nullptr;
};

QPushButton* openButton(ContentView* content)
{
    for (QPushButton* button : content->findChildren<QPushButton*>())
        if (button->text() == localized(QStringLiteral("empty.openImage")))
            return button;
    return nullptr;
}

} // namespace

TEST_F(ContentViewTest, EmptyStateThenAnOpenedFileNamesTheWindowAndFillsTheInformationBar)
{
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Lumetra"));
    ASSERT_NE(openButton(content), nullptr);
    EXPECT_TRUE(openButton(content)->isVisible());
    EXPECT_EQ(content->pathText(), QStringLiteral("No image selected"));
    EXPECT_TRUE(content->infoText().isEmpty());

    const QString path = writeFile(dir, QStringLiteral("harbour.png"), solidPng(300, 200, Qt::blue));
    model().loadImage(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitForImage(QSize(300, 200)));
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Lumetra - harbour.png"));
    EXPECT_EQ(content->pathText(), path);
    EXPECT_EQ(content->infoText(), model().imageInfoText());
    EXPECT_FALSE(openButton(content)->isVisible());

    // The canvas shows it, fitted into the area above the information bar.
    const QImage shot = content->grab().toImage();
    EXPECT_TRUE(PixelProbe::near(shot.pixelColor(450, 209), QColor(Qt::blue)));
    EXPECT_FALSE(PixelProbe::near(shot.pixelColor(450, 440), QColor(Qt::blue))) << "the information bar";
}

TEST_F(ContentViewTest, InformationBarReadsTheTurnedSizeAndACapturesNameAlone)
{
    // A capture is named for the editor but lies in no folder: its name alone.
    model().setLoadedImage(solidImage(300, 200), QUrl::fromLocalFile(QDir::current().absoluteFilePath(
                                                 QStringLiteral("Lumetra 2025-03-01 at 14.05.09.png"))));
    EXPECT_EQ(content->pathText(), QStringLiteral("Lumetra 2025-03-01 at 14.05.09.png"));
    EXPECT_EQ(content->infoText(), QStringLiteral("PNG | 300×200 | Unknown"));
    // The size reads as a copy or a save comes out, turned with the view.
    const QList<std::pair<void (ImageEditorViewModel::*)(), QString>> turns{
        {&ImageEditorViewModel::rotateRight, QStringLiteral("PNG | 200×300 | Unknown")},
        {&ImageEditorViewModel::rotateRight, QStringLiteral("PNG | 300×200 | Unknown")},
        {&ImageEditorViewModel::rotateLeft, QStringLiteral("PNG | 200×300 | Unknown")},
    };
    for (const auto& [turn, shown] : turns) {
        (model().*turn)();
        EXPECT_EQ(content->findChild<QLabel*>(QStringLiteral("lumetraImageInfo"))->text(), shown);
    }
}

TEST_F(ContentViewTest, TitleIsSetOnTheEditorWindowEvenWhenAnotherIsInFront)
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("Settings"));
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    model().setLoadedImage(solidImage(50, 50), fileUrl("front.png"));
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Lumetra - front.png"));
    EXPECT_EQ(other.windowTitle(), QStringLiteral("Settings"));
}

TEST_F(ContentViewTest, DropsOpenLocalFilesAndImageDataOnly)
{
    const QString first = writeFile(dir, QStringLiteral("first.png"), solidPng(40, 30, Qt::red));
    const QString second = writeFile(dir, QStringLiteral("second.png"), solidPng(20, 10, Qt::red));

    QMimeData remote;
    remote.setUrls({ QUrl(QStringLiteral("https://example.invalid/picture.png")) });
    EXPECT_FALSE(content->handleDrop(remote));
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(content, &enter);
    EXPECT_FALSE(enter.isAccepted()) << "a remote address is refused already while dragging";

    QMimeData text;
    text.setText(QStringLiteral("not an image"));
    EXPECT_FALSE(content->handleDrop(text));

    // Every image the editor installs from here on, and every file it finishes loading:
    // a second file loaded late would show in them by the time the next drop has shown.
    QList<QSize> installed;
    QStringList loadedFiles;
    const QMetaObject::Connection installs = QObject::connect(&model(), &ImageEditorViewModel::documentChanged, [&] {
        if (model().selectedImage())
            installed.append(model().selectedImage()->pixelSize());
    });
    const QMetaObject::Connection fileLoads = QObject::connect(&model(), &ImageEditorViewModel::imageLoadFinished,
                                                               [&](const QUrl& url, bool) { loadedFiles.append(url.fileName()); });
    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(first), QUrl::fromLocalFile(second) });
    files.setData(QStringLiteral("image/png"), solidPng(7, 7, Qt::green));
    EXPECT_TRUE(content->handleDrop(files));
    ASSERT_TRUE(waitForImage(QSize(40, 30))) << "the first file wins over the rest and over the data";
    EXPECT_EQ(model().displayName(), QStringLiteral("first.png"));

    // Image data alone is named by the time of the drop.
    QMimeData data;
    data.setData(QStringLiteral("image/png"), solidPng(12, 9, Qt::yellow));
    EXPECT_TRUE(content->handleDrop(data));
    ASSERT_TRUE(waitForImage(QSize(12, 9)));
    QObject::disconnect(installs);
    QObject::disconnect(fileLoads);
    EXPECT_FALSE(installed.contains(QSize(20, 10))) << "the second file of one drop replaced the first";
    EXPECT_FALSE(loadedFiles.contains(QStringLiteral("second.png")));
    const QRegularExpression name(QStringLiteral("^Lumetra \\d{4}-\\d{2}-\\d{2} at \\d{2}\\.\\d{2}\\.\\d{2}\\.png$"));
    EXPECT_TRUE(name.match(model().displayName()).hasMatch()) << model().displayName().toStdString();
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Lumetra - ") + model().displayName());

    // Data that is no image is taken as a drop but changes nothing.
    QMimeData broken;
    broken.setData(QStringLiteral("image/png"), QByteArray("not a png"));
    QSignalSpy loads(&model(), &ImageEditorViewModel::imageLoadFinished);
    EXPECT_TRUE(content->handleDrop(broken));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loads.count() == 1; }, 20000)) << "the data was never looked at";
    EXPECT_FALSE(loads.first().at(1).toBool());
    EXPECT_EQ(model().selectedImage()->pixelSize(), QSize(12, 9));
}

TEST_F(ContentViewTest, FileHandedOverByTheApplicationOpens)
{
    const QString path = writeFile(dir, QStringLiteral("handed.png"), solidPng(33, 44, Qt::gray));
    ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitForImage(QSize(33, 44)));
    EXPECT_FALSE(ImageLoadManager::shared().pendingImageURL().has_value());

    // Whatever cannot be read is named in the alert; the open image stays.
    for (const NonRegularFiles::Case& special : NonRegularFiles::make(dir.path())) {
        SCOPED_TRACE(special.kind);
        ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(special.path));
        QMessageBox* alert = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto boxes = window.findChildren<QMessageBox*>();
            alert = boxes.isEmpty() ? nullptr : boxes.first();
            return alert && alert->isVisible();
        }, 5000));
        EXPECT_EQ(alert->text(), localizedFormat(QStringLiteral("alert.openFailed.message"), {QFileInfo(special.path).fileName()}));
        delete alert;
        EXPECT_EQ(model().displayName(), QStringLiteral("handed.png"));
    }
}

// A name that is not UTF-8 ("bad\xff\xfe.png") names its file on every way in: handed
// over by the application (the command line, a second launch) and dropped as a URI
// list, whose escapes are the name's bytes.
TEST_F(ContentViewTest, AFileWhoseNameIsNotUtf8OpensHandedOverAndDropped)
{
    const QByteArray name = QFile::encodeName(dir.path()) + "/bad\xff\xfe.png";
    const QByteArray bytes = solidPng(31, 17, Qt::magenta);
    {
        FILE* file = std::fopen(name.constData(), "wb");
        ASSERT_TRUE(file);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
        std::fclose(file);
    }
    const QString path = LocalFileName::decode(name);
    ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitForImage(QSize(31, 17))) << "handed over";
    EXPECT_EQ(LocalFileName::encode(model().imageURL()->toLocalFile()), name);
    EXPECT_TRUE(model().imageInfoText().endsWith(ImageDocument::formatByteCount(bytes.size())))
        << model().imageInfoText().toStdString();

    model().clearImage();
    QMimeData dropped;
    dropped.setData(QStringLiteral("text/uri-list"),
                    "file://" + name.toPercentEncoding("/") + "\r\n");
    EXPECT_TRUE(content->handleDrop(dropped));
    ASSERT_TRUE(waitForImage(QSize(31, 17))) << "dropped";
    EXPECT_EQ(LocalFileName::encode(model().imageURL()->toLocalFile()), name);
}

TEST_F(ContentViewTest, FitCommandUsesTheAreaAfterAResize)
{
    model().setLoadedImage(solidImage(2000, 1000), fileUrl("wide.png"));
    window.resize(1000, 532);
    QTRY_COMPARE(content->currentFitAreaSize(), QSizeF(1000.0, 500.0));
    NotificationCenter::defaultCenter().post(Notifications::fitToWindow);
    EXPECT_DOUBLE_EQ(model().zoomLevel(), 0.5);
}

TEST_F(ContentViewTest, WheelZoomAnchorsWithTheCanvasSizeOfTheMoment)
{
    model().setLoadedImage(solidImage(3000, 3000), fileUrl("large.png"));
    model().setZoomLevel(1.0);
    window.resize(1300, 832); // larger than when the monitors were installed
    QTRY_COMPARE(content->canvas()->size(), QSize(1300, 800));

    EditorCanvasView* canvas = content->canvas();
    const QPointF pointer(1000.0, 200.0);
    const QPointF before = normalisedImagePoint(*canvas, pointer);
    QWheelEvent zoom(pointer, canvas->mapToGlobal(pointer), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &zoom);
    EXPECT_DOUBLE_EQ(model().zoomLevel(), 1.05);
    const QPointF after = normalisedImagePoint(*canvas, pointer);
    EXPECT_NEAR(after.x(), before.x(), 1e-9);
    EXPECT_NEAR(after.y(), before.y(), 1e-9);
}

TEST_F(ContentViewTest, HiddenContentStopsListening)
{
    model().setLoadedImage(solidImage(100, 100), fileUrl("quiet.png"));
    model().setZoomLevel(1.0);
    ASSERT_TRUE(content->keyboardMonitor()->isRunning());
    window.hide();
    EXPECT_FALSE(content->keyboardMonitor()->isRunning());
    EXPECT_FALSE(content->wheelMonitor()->isRunning());
    NotificationCenter::defaultCenter().post(Notifications::zoomIn);
    EXPECT_DOUBLE_EQ(model().zoomLevel(), 1.0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(content->keyboardMonitor()->isRunning());
    NotificationCenter::defaultCenter().post(Notifications::zoomIn);
    EXPECT_DOUBLE_EQ(model().zoomLevel(), 1.15);
}

TEST_F(ContentViewTest, LanguageChangeRewritesTheTextsAlsoOfAnImageWithoutAFile)
{
    UserDefaults& defaults = UserDefaults::standard();
    const QString english = openButton(content)->text();
    defaults.set(Settings::appLanguage.name(), QStringLiteral("de"));
    QTRY_VERIFY(openButton(content) != nullptr);
    EXPECT_EQ(content->pathText(), QStringLiteral("Kein Bild ausgewählt"));
    model().setLoadedImage(solidImage(60, 40), fileUrl("pasted.png"));
    model().setImageURL(std::nullopt);
    EXPECT_EQ(content->pathText(), QStringLiteral("Kein Bild ausgewählt"));
    defaults.remove(Settings::appLanguage.name());
    EXPECT_EQ(content->pathText(), QStringLiteral("No image selected"));
    model().clearImage();
    QTRY_COMPARE(openButton(content)->text(), english);
}

TEST_F(ContentViewTest, UnsavedWorkIsAskedAboutUntilDontAskAgainIsTicked)
{
    model().setLoadedImage(solidImage(50, 50), fileUrl("first.png"));
    int asked = 0;
    const auto answerDiscardTicking = [&] {
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++asked;
                box->checkBox()->setChecked(true);
                box->button(QMessageBox::Discard)->click();
            }
        });
    };
    for (const char* next : {"second.png", "third.png"}) {
        model().rotateRight();
        answerDiscardTicking();
        model().replaceDocument(solidImage(40, 40), fileUrl(next));
        QTest::qWait(1); // an answer not needed is gone with this loop
        EXPECT_EQ(model().displayName(), next);
    }
    EXPECT_EQ(asked, 1) << "asked once, then not again";
    EXPECT_FALSE(Settings::askToSaveChanges.read());
    Settings::askToSaveChanges.remove();
}

namespace {

bool timerFired(int ms)
{
    bool fired = false;
    QObject context;
    QTimer::singleShot(ms, &context, [&] { fired = true; });
    return QTest::qWaitFor([&] { return fired; }, 60000);
}

// A file handed over is taken up on the next turn of the event loop; while a dialog is
// up it waits, and the editor looks for the dialog every dialogWatchIntervalMs. Returns
// once the editor has looked at least once more (timers fire in the order they are
// due, however slow the machine), so that a check that nothing happened is not passed
// merely by looking too early.
bool editorLookedAgainAtTheDialog()
{
    return timerFired(0) && timerFired(ContentView::dialogWatchIntervalMs + 50);
}

// Clicks `button` of the next unsaved-work question that comes up, from within the
// question's own event loop; counts the questions answered.
void answerNextQuestion(QMessageBox::StandardButton button, int* answered)
{
    auto* poll = new QTimer();
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, button, answered] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != QStringLiteral("lumetraUnsavedWork"))
            return;
        ++*answered;
        poll->deleteLater();
        poll->stop();
        box->button(button)->click();
    });
    poll->start();
}

} // namespace

TEST_F(ContentViewTest, AFileHandedOverWhileTheQuestionIsUpOpensOnceItIsAnswered)
{
    model().setLoadedImage(solidImage(50, 50), fileUrl("first.png"));
    model().rotateRight();
    const QString path = writeFile(dir, QStringLiteral("other.png"), solidPng(33, 44, Qt::gray));

    // Asked for a close; the file comes meanwhile; the answer is Cancel.
    bool checked = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, 20000));
        ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(path));
        EXPECT_TRUE(editorLookedAgainAtTheDialog());
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(ImageLoadManager::shared().pendingImageURL().has_value()) << "the file waits, not taken";
        EXPECT_EQ(model().displayName(), QStringLiteral("first.png")) << "nothing changes under the question";
        EXPECT_EQ(window.findChildren<QMessageBox*>().size(), 1) << "one question at a time";
        checked = true;
        box->button(QMessageBox::Cancel)->click();
    });
    std::optional<bool> proceed;
    content->settleUnsavedWork([&](bool go) { proceed = go; });
    EXPECT_TRUE(checked);
    EXPECT_EQ(proceed, false);

    // The work is still unsaved: the file asks again, and opens on Discard.
    int answered = 0;
    answerNextQuestion(QMessageBox::Discard, &answered);
    ASSERT_TRUE(waitForImage(QSize(33, 44)));
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(model().displayName(), QStringLiteral("other.png"));
    EXPECT_FALSE(ImageLoadManager::shared().pendingImageURL().has_value());
}

TEST_F(ContentViewTest, AFileHandedOverDuringAnotherDialogWaitsUntilItIsClosed)
{
    model().setLoadedImage(solidImage(50, 50), fileUrl("first.png"));
    model().rotateRight();
    const QString path = writeFile(dir, QStringLiteral("other.png"), solidPng(33, 44, Qt::gray));

    // A modal dialog of the editor's (as Save As is): the file waits behind it, asks
    // nothing while it is up, and is asked about once it has closed.
    QDialog dialog(&window);
    int answered = 0;
    QTimer::singleShot(0, [&] {
        ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(path));
        EXPECT_TRUE(editorLookedAgainAtTheDialog());
        EXPECT_TRUE(ImageLoadManager::shared().pendingImageURL().has_value()) << "the file waits, not taken";
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog) << "no question over or behind the dialog";
        EXPECT_TRUE(window.findChildren<QMessageBox*>().isEmpty());
        EXPECT_EQ(model().displayName(), QStringLiteral("first.png"));
        dialog.reject();
    });
    answerNextQuestion(QMessageBox::Discard, &answered);
    dialog.exec();
    ASSERT_TRUE(waitForImage(QSize(33, 44)));
    EXPECT_EQ(answered, 1);

    // With nothing to lose, it opens as soon as the dialog closes, without a question.
    const QString next = writeFile(dir, QStringLiteral("next.png"), solidPng(21, 12, Qt::gray));
    QTimer::singleShot(0, [&] {
        ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(next));
        EXPECT_TRUE(editorLookedAgainAtTheDialog());
        EXPECT_TRUE(ImageLoadManager::shared().pendingImageURL().has_value()) << "the file waits, not taken";
        EXPECT_EQ(model().displayName(), QStringLiteral("other.png"));
        dialog.reject();
    });
    dialog.exec();
    ASSERT_TRUE(waitForImage(QSize(21, 12)));
    EXPECT_EQ(answered, 1) << "nothing to lose, nothing asked";
}

TEST_F(ContentViewTest, WorkClearedAwayIsAskedAboutByItsNameAndSavedWhenTheAnswerIsSave)
{
    model().setLoadedImage(solidImage(50, 40), QUrl::fromLocalFile(dir.filePath(QStringLiteral("first.png"))));
    model().saveUndoState();
    model().annotationManager()->appendArrow({ .startPoint = QPointF(0.1, 0.1), .endPoint = QPointF(0.9, 0.9) });
    model().clearImage();
    ASSERT_FALSE(model().selectedImage().has_value());

    const QString written = dir.filePath(QStringLiteral("kept.png"));
    content->output()->controller()->setSavePanelRunner(
        [&](const auto&, const auto&) -> std::optional<SavePanelResult> { return SavePanelResult{ written, QStringLiteral("png"), 0.9 }; });
    QString asked;
    auto* poll = new QTimer();
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != QStringLiteral("lumetraUnsavedWork"))
            return;
        asked = box->text();
        poll->deleteLater();
        poll->stop();
        box->button(QMessageBox::Save)->click();
    });
    poll->start();
    std::optional<bool> proceed;
    content->settleUnsavedWork([&](bool go) { proceed = go; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return proceed.has_value(); }, 5000));
    EXPECT_EQ(asked, localizedFormat(QStringLiteral("unsaved.message"), { QStringLiteral("first.png") }));
    EXPECT_TRUE(*proceed);
    ASSERT_TRUE(QFileInfo::exists(written)) << "the document before the clear was saved";
    EXPECT_EQ(QImage(written).size(), QSize(50, 40));
    EXPECT_EQ(model().annotationManager()->arrows().size(), 1);
    EXPECT_FALSE(model().hasUnsavedWork());
}
