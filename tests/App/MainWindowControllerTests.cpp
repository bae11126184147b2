#include "AppTestSupport.h"

#include "App/AppMenuBar.h"
#include "App/MainWindowController.h"
#include "Core/Settings.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/ImageLoadManager.h"

#include "Core/Notifications.h"
#include "Views/ContentView.h"
#include "Views/FloatingToolbar.h"
#include "Views/PopoverHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

class MainWindowControllerTest : public ::testing::Test {
protected:
    MainWindowControllerTest() : controller(MainWindowController::shared())
    {
        controller.setApplicationActiveProvider([this] { return active; });
        QObject::connect(&controller, &MainWindowController::activationRequested, &context,
                         [this](double delay) { activations << delay; });
        QObject::connect(&controller, &MainWindowController::attentionRequested, &context, [this] { ++attention; });
    }
    ~MainWindowControllerTest() override
    {
        if (QWidget* window = controller.window())
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        controller.setApplicationActiveProvider({});
    }

    MainWindowController& controller;
    QObject context;
    bool active = false;
    QList<double> activations;
    int attention = 0;
};

} // namespace

TEST_F(MainWindowControllerTest, ShowsOneWindowWithTheEditorAndItsMenuBarAndReopensInTheLastFrame)
{
    controller.show();
    QWidget* first = controller.window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Lumetra"));
    ASSERT_NE(controller.contentView(), nullptr);
    EXPECT_GE(controller.contentView()->minimumWidth(), 800);
    EXPECT_GE(controller.contentView()->minimumHeight(), 450);
    ASSERT_NE(first->findChild<QMenuBar*>(), nullptr);
    EXPECT_GE(first->findChild<QMenuBar*>()->actions().size(), 4);

    // A minimised window is restored, not duplicated.
    first->showMinimized();
    controller.show();
    EXPECT_EQ(controller.window(), first);
    EXPECT_FALSE(first->isMinimized());

    // Closed, it is dropped; the next show builds a new one with a new editor, in the
    // frame the last one closed with.
    QPointer<ContentView> oldContent = controller.contentView();
    first->setGeometry(QRect(QPoint(40, 60), QSize(1000, 600)));
    const QRect closedWith = first->geometry();
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(oldContent.isNull());
    controller.show();
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_NE(controller.contentView(), nullptr);
    EXPECT_EQ(controller.window()->size(), closedWith.size());
    // Within the window frame's few pixels, which the platform accounts for itself.
    EXPECT_LE((controller.window()->pos() - closedWith.topLeft()).manhattanLength(), 8);
    UserDefaults::standard().remove(Settings::mainWindowFrame.name());
}

TEST_F(MainWindowControllerTest, FloatsUntilActiveAsksForAttentionAndGivesUp)
{
    controller.show();
    EXPECT_TRUE(controller.isFloating());
    EXPECT_TRUE(controller.isPolling());
    EXPECT_EQ(activations, QList<double>{0.0});

    // Inactive: the eleventh tick asks for attention, the fifty-first gives up.
    for (int tick = 0; tick < 10; ++tick)
        controller.pollTickForTesting();
    EXPECT_EQ(attention, 0);
    controller.pollTickForTesting();
    EXPECT_EQ(attention, 1);
    for (int tick = 11; tick < 50; ++tick)
        controller.pollTickForTesting();
    EXPECT_TRUE(controller.isPolling());
    EXPECT_TRUE(controller.isFloating());
    controller.pollTickForTesting();
    EXPECT_FALSE(controller.isPolling());
    EXPECT_FALSE(controller.isFloating());
    EXPECT_EQ(attention, 1);

    // A new show restarts the count; once active, the first tick ends the floating.
    controller.show();
    EXPECT_EQ(controller.floatingPollTicks(), 0);
    active = true;
    controller.pollTickForTesting();
    EXPECT_FALSE(controller.isFloating());
    EXPECT_FALSE(controller.isPolling());

    // Closing stops the poll without touching the level.
    active = false;
    controller.show();
    controller.window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    controller.pollTickForTesting();
    EXPECT_FALSE(controller.isPolling());
    EXPECT_TRUE(controller.isFloating());
}

TEST_F(MainWindowControllerTest, ACaptureShowIsReassertedWhileLumetraIsNotActive)
{
    controller.show(true);
    ASSERT_TRUE(spinUntil([&] { return activations.size() == 4; }, 3000));
    EXPECT_EQ(activations, (QList<double>{0.0, 0.1, 0.3, 0.6}));

    // Once active, the pending re-assertions leave it be; an ordinary show has none.
    activations.clear();
    controller.show(true);
    active = true;
    spinUntil([] { return false; }, 800);
    EXPECT_EQ(activations, QList<double>{0.0});
    activations.clear();
    active = false;
    controller.show(false);
    spinUntil([] { return false; }, 800);
    EXPECT_EQ(activations, QList<double>{0.0});
}

TEST_F(MainWindowControllerTest, AWindowDestroyedFromOutsideComesBackWithTheDocumentAndTheTypedText)
{
    bool destroyedOutside = false;
    controller.setNativeWindowGoneProvider([&](quint64) { return destroyedOutside; });
    controller.show();
    QPointer<QWidget> first = controller.window();
    QPointer<ContentView> content = controller.contentView();
    ImageEditorViewModel& model = *content->viewModel();
    QImage pixels(120, 90, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::gray);
    model.setLoadedImage(Image(pixels), QUrl::fromLocalFile(QStringLiteral("/tmp/kept.png")));
    model.beginTextEditing(QPointF(20, 20), QSizeF(120, 90), std::nullopt, 24.0);
    model.setTempTextInput(QStringLiteral("typed"));

    controller.show();
    EXPECT_EQ(controller.window(), first.data()) << "a window still there is reused";

    destroyedOutside = true;
    controller.show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_TRUE(first.isNull()) << "the husk is dropped";
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(controller.contentView(), content.data());
    EXPECT_TRUE(controller.window()->isAncestorOf(content));
    EXPECT_NE(controller.window()->findChild<QMenuBar*>(), nullptr);
    EXPECT_TRUE(model.isEditingText());
    EXPECT_EQ(model.tempTextInput(), QStringLiteral("typed"));
    EXPECT_EQ(model.displayName(), QStringLiteral("kept.png"));
    model.cancelTextEditing();
    controller.discardUnsavedWork();
    controller.setNativeWindowGoneProvider({});
}

TEST_F(MainWindowControllerTest, TheEditorsPopUpsAndDialogsMoveToTheWindowThatTakesTheDestroyedOnesPlace)
{
    bool destroyedOutside = false;
    controller.setNativeWindowGoneProvider([&](quint64) { return destroyedOutside; });
    controller.show();
    // The toolbar shows over an image.
    QImage pixels(120, 90, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::gray);
    controller.contentView()->viewModel()->setLoadedImage(Image(pixels), QUrl::fromLocalFile(QStringLiteral("/tmp/p.png")));
    FloatingToolbar* toolbar = controller.contentView()->toolbar();
    ASSERT_NE(toolbar, nullptr);
    QPointer<PopoverHost> resize = toolbar->resizePopover();
    QPointer<PopoverHost> zoom = toolbar->zoomPopover();
    QPointer<PopoverHost> arrowPanel = toolbar->toolPopover(ToolType::arrow);
    // A dialog of the editor, up when the window goes.
    QPointer<QDialog> dialog = new QDialog(controller.window());
    dialog->show();

    destroyedOutside = true;
    controller.show();
    destroyedOutside = false;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    for (PopoverHost* popover : {resize.data(), zoom.data(), arrowPanel.data()}) {
        ASSERT_NE(popover, nullptr) << "a pop-up went with the old window";
        EXPECT_EQ(popover->parentWidget(), window);
    }
    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(dialog->parentWidget(), window);
    EXPECT_TRUE(spinUntil([&] { return dialog->isVisible(); })) << "the dialog shows again";
    delete dialog.data();

    // The size panel opens as in a fresh window.
    postCommandNotification(Notifications::resizePanel);
    EXPECT_TRUE(spinUntil([&] { return resize && resize->isVisible(); }));
    controller.discardUnsavedWork();
    controller.setNativeWindowGoneProvider({});
}

TEST_F(MainWindowControllerTest, AFileHandedOverWhileTheCloseIsAskedAboutOpensInANewWindow)
{
    QTemporaryDir dir;
    QImage other(33, 44, QImage::Format_RGB32);
    other.fill(Qt::darkGray);
    const QString path = dir.filePath(QStringLiteral("other.png"));
    ASSERT_TRUE(other.save(path));

    controller.show();
    QPointer<QWidget> first = controller.window();
    ImageEditorViewModel* model = controller.contentView()->viewModel();
    QImage pixels(50, 50, QImage::Format_RGB32);
    pixels.fill(Qt::gray);
    model->setLoadedImage(Image(pixels), QUrl::fromLocalFile(dir.filePath(QStringLiteral("first.png"))));
    model->rotateRight();

    // The close asks; the file comes while the question is up (from within its own
    // loop), and the answer is Discard.
    bool handedOver = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!question || handedOver)
            return;
        handedOver = true;
        ImageLoadManager::shared().loadImage(QUrl::fromLocalFile(path));
        spinUntil([] { return false; }, 400);
        question->button(QMessageBox::Discard)->click();
    });
    poll.start();
    first->close();
    ASSERT_TRUE(spinUntil([&] { return first.isNull(); }, 5000));
    ASSERT_TRUE(spinUntil([&] {
        ContentView* content = controller.contentView();
        const auto& image = content ? content->viewModel()->selectedImage() : std::nullopt;
        return image && image->pixelSize() == QSize(33, 44);
    }, 5000));
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_FALSE(ImageLoadManager::shared().pendingImageURL().has_value());
}

TEST_F(MainWindowControllerTest, ADialogUpOverTheEditorStaysInFrontWhenTheWindowIsShownAgain)
{
    controller.show();
    active = true;
    controller.pollTickForTesting();
    ASSERT_FALSE(controller.isFloating());

    // A hand-off or Open Lumetra while a dialog is up (the unsaved-work question, Save
    // As): the window comes forward but is not kept above its dialog.
    active = false;
    QDialog dialog(controller.window());
    bool floatedOverDialog = true;
    QTimer::singleShot(0, [&] {
        controller.show();
        floatedOverDialog = controller.isFloating();
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
        dialog.reject();
    });
    dialog.exec();
    EXPECT_FALSE(floatedOverDialog);
}

TEST_F(MainWindowControllerTest, FilesHandedOverWhileTheirAlertIsUpLeaveTheKeysWithTheAlert)
{
    active = true;
    controller.show();
    ContentView* content = controller.contentView();
    ASSERT_NE(content, nullptr);
    QSignalSpy loads(content->viewModel(), &ImageEditorViewModel::imageLoadFinished);
    // Each file as a later launch hands it over: the window is brought forward, then
    // the file is loaded; none of them can be read.
    for (int file = 1; file <= 3; ++file) {
        SCOPED_TRACE(file);
        controller.show();
        ImageLoadManager::shared().setPendingImageURL(
            QUrl::fromLocalFile(QStringLiteral("/nonexistent/missing-%1.png").arg(file)));
        ASSERT_TRUE(spinUntil([&] { return loads.count() == file; }, 20000));
        // The window system hands keys to the focused window: that must become the
        // alert, not the editor window it blocks.
        QMessageBox* alert = nullptr;
        spinUntil([&] {
            alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return alert && alert->isVisible() && QGuiApplication::focusWindow() == alert->windowHandle();
        }, 20000);
        ASSERT_NE(alert, nullptr);
        EXPECT_TRUE(alert->isVisible());
        EXPECT_EQ(QGuiApplication::focusWindow(), alert->windowHandle());
    }
    // An answered alert may be deleted: it is watched through a guarded pointer.
    const QPointer<QMessageBox> alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(alert, nullptr);
    ASSERT_NE(QGuiApplication::focusWindow(), nullptr);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    EXPECT_TRUE(spinUntil([&] { return !alert || !alert->isVisible(); }, 20000)) << "Return did not answer the alert";
}
