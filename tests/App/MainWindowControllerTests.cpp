#include "AppTestSupport.h"

#include "App/MainWindowController.h"
#include "Core/Settings.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/ImageLoadManager.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
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
        ASSERT_TRUE(spinUntil([&] { return loads.count() == file; }, 5000));
        spinUntil([] { return false; }, 100);
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(alert, nullptr);
        EXPECT_TRUE(alert->isVisible());
        // The window system hands keys to the focused window: that must be the alert,
        // not the editor window it blocks.
        EXPECT_EQ(QGuiApplication::focusWindow(), alert->windowHandle());
    }
    auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(alert, nullptr);
    ASSERT_NE(QGuiApplication::focusWindow(), nullptr);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    EXPECT_TRUE(spinUntil([&] { return !alert->isVisible(); }, 2000)) << "Return did not answer the alert";
}
