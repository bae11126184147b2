#include "Core/Notifications.h"
#include "Models/AnnotationManager.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "PixelProbe.h"
#include "Platform/InMemoryPasteboard.h"
#include "Views/EditorOutputHost.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A clock the test advances by hand: it only records what the toasts schedule.
struct FakeClock {
    struct Job {
        int milliseconds = 0;
        std::function<void()> work;
        bool cancelled = false;
    };
    std::vector<std::shared_ptr<Job>> jobs;

    OutputToast::Scheduler scheduler()
    {
        return [this](int ms, std::function<void()> work) -> std::function<void()> {
            auto job = std::make_shared<Job>(Job{ms, std::move(work)});
            jobs.push_back(job);
            return [job] { job->cancelled = true; };
        };
    }
    // Runs every job still pending; returns how many ran.
    int fire()
    {
        int ran = 0;
        const auto pending = jobs;
        jobs.clear();
        for (const auto& job : pending)
            if (!job->cancelled) {
                job->work();
                ++ran;
            }
        return ran;
    }
};

class OutputHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralForTesting(&pasteboard);
        window.resize(600, 400);
        canvasArea = new QWidget(&window);
        canvasArea->setGeometry(0, 0, 600, 368);
        host = std::make_unique<EditorOutputHost>(&model, canvasArea);
        host->setToastScheduler(clock.scheduler());
        host->setRevealer([this](const QString& path) { revealed << path; });
        host->controller()->setAlertPresenter([this](const QString& text) { alerts << text; });
        host->controller()->setSavePanelRunner([this](const auto&, const auto&) -> std::optional<SavePanelResult> {
            ++panelRuns;
            return SavePanelResult{dir.filePath(QStringLiteral("out.png")), QStringLiteral("png"), 0.9};
        });
        window.show();

        QImage white(120, 80, QImage::Format_ARGB32_Premultiplied);
        white.fill(Qt::white);
        model.setIsBackdropEnabled(false);
        model.setLoadedImage(Image(white), QUrl::fromLocalFile(dir.filePath(QStringLiteral("shot.png"))));
        model.annotationManager()->appendRectangle(RectangleAnnotation{
            .rect = QRectF(0.25, 0.25, 0.5, 0.5), .strokeColor = RgbaColor{1, 0, 0, 1},
            .fillColor = RgbaColor{1, 0, 0, 1}, .lineWidth = 2});
        host->attach();
    }

    void TearDown() override
    {
        host.reset();
        Pasteboard::setGeneralForTesting(nullptr);
    }

    void post(NotificationName name) { NotificationCenter::defaultCenter().post(name, std::nullopt); }

    ::testing::AssertionResult waitUntilIdle()
    {
        QTest::qWait(20);
        if (QTest::qWaitFor([&] { return !model.isExporting(); }, 20000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the export never finished";
    }

    QTemporaryDir dir;
    InMemoryPasteboard pasteboard;
    ImageEditorViewModel model;
    QWidget window;
    QWidget* canvasArea = nullptr;
    std::unique_ptr<EditorOutputHost> host;
    FakeClock clock;
    QStringList revealed;
    QStringList alerts;
    int panelRuns = 0;
};

TEST_F(OutputHostTest, SaveAsWritesTheAnnotatedImageAndShowsTheSavedToast)
{
    post(Notifications::saveAsImage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelRuns == 1; }, 5000));
    ASSERT_TRUE(waitUntilIdle());
    const QString path = dir.filePath(QStringLiteral("out.png"));
    const QImage written(path);
    ASSERT_FALSE(written.isNull()) << alerts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(PixelProbe::near(written.pixelColor(60, 40), Qt::red, 0));
    EXPECT_TRUE(PixelProbe::near(written.pixelColor(5, 5), Qt::white, 0));
    EXPECT_EQ(model.lastSavedURL(), QUrl::fromLocalFile(path));

    // The saved toast: centred over the canvas area, 64 points above its bottom.
    ASSERT_TRUE(host->saveToast());
    SaveToast* toast = host->saveToast();
    EXPECT_TRUE(toast->isVisible());
    EXPECT_EQ(toast->parentWidget(), &window);
    EXPECT_EQ(toast->geometry().bottom() + 1, 368 - 64);
    EXPECT_NEAR(toast->geometry().center().x(), 300, 1);
    EXPECT_FALSE(host->copyToast());

    // Its time up, it clears the state and goes.
    EXPECT_EQ(clock.fire(), 1);
    EXPECT_FALSE(model.saveToastURL());
    EXPECT_FALSE(host->saveToast());
}

TEST_F(OutputHostTest, CopyPutsTheAnnotatedImageOnTheClipboardWithItsToast)
{
    post(Notifications::copyImage);
    ASSERT_TRUE(waitUntilIdle());
    const std::optional<QByteArray> png = pasteboard.data(QStringLiteral("image/png"));
    ASSERT_TRUE(png);
    const QImage copied = QImage::fromData(*png, "PNG");
    ASSERT_EQ(copied.size(), QSize(120, 80));
    EXPECT_TRUE(PixelProbe::near(copied.pixelColor(60, 40), Qt::red, 0));

    ASSERT_TRUE(host->copyToast());
    EXPECT_TRUE(host->copyToast()->isVisible());
    // It follows the canvas area.
    canvasArea->setGeometry(0, 0, 400, 300);
    EXPECT_EQ(host->copyToast()->geometry().bottom() + 1, 300 - 64);
    EXPECT_NEAR(host->copyToast()->geometry().center().x(), 200, 1);
    clock.fire();
    EXPECT_FALSE(model.copyToastVisible());
    EXPECT_FALSE(host->copyToast());
}

TEST_F(OutputHostTest, SaveSaveAsAndCopyTakeInTheTextBeingTyped)
{
    // Left of the red rectangle the image is white but for what is typed there.
    const auto inkLeftOfTheRectangle = [](const QImage& image) {
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < 28; ++x)
                ink += PixelProbe::near(image.pixelColor(x, y), Qt::white, 8) ? 0 : 1;
        return ink;
    };
    model.setZoomLevel(1.0);
    model.setCurrentFontSize(14);
    model.selectTool(ToolType::text);
    const struct {
        NotificationName command;
        double y;
    } steps[] = { { Notifications::saveAsImage, 30 }, { Notifications::saveImage, 60 }, { Notifications::copyImage, 5 } };
    int typed = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command.text());
        model.beginTextEditing(QPointF(2, step.y), QSizeF(120, 80), std::nullopt, 14);
        model.setTempTextInput(QStringLiteral("Hi"));
        post(step.command);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_FALSE(model.isEditingText());
        ASSERT_EQ(model.annotationManager()->texts().size(), ++typed);
        EXPECT_EQ(model.annotationManager()->texts().last().text, QStringLiteral("Hi"));
    }
    EXPECT_EQ(panelRuns, 1) << "the second save went to the same file";
    const QImage written(dir.filePath(QStringLiteral("out.png")));
    ASSERT_FALSE(written.isNull()) << alerts.join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(inkLeftOfTheRectangle(written), 10) << "the typed texts are in the saved file";
    const std::optional<QByteArray> png = pasteboard.data(QStringLiteral("image/png"));
    ASSERT_TRUE(png);
    EXPECT_GT(inkLeftOfTheRectangle(QImage::fromData(*png, "PNG")), inkLeftOfTheRectangle(written))
        << "the copy holds the third text too";
}

TEST_F(OutputHostTest, AnOutputRunningLongerThanAMomentShowsTheBusyPointer)
{
    const auto busy = [] { return QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor; };
    // Done within half a second: nothing shows.
    model.setIsExporting(true);
    QTest::qWait(100);
    model.setIsExporting(false);
    QTest::qWait(EditorOutputHost::busyCursorDelayMs + 100);
    EXPECT_FALSE(busy());
    // Longer: the busy pointer from half a second on, until the end.
    model.setIsExporting(true);
    QTest::qWait(EditorOutputHost::busyCursorDelayMs / 2);
    EXPECT_FALSE(busy());
    QTest::qWait(EditorOutputHost::busyCursorDelayMs);
    EXPECT_TRUE(busy());
    model.setIsExporting(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OutputHostTest, SavedToastButtonsRevealAndCopy)
{
    model.setSaveToastURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("saved.png"))));
    ASSERT_TRUE(host->saveToast());
    host->saveToast()->finderButton()->click();
    EXPECT_EQ(revealed, QStringList{dir.filePath(QStringLiteral("saved.png"))});
    EXPECT_TRUE(model.saveToastURL()); // revealing leaves the toast up

    host->saveToast()->copyButton()->click();
    EXPECT_FALSE(model.saveToastURL());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(pasteboard.data(QStringLiteral("image/png")));
    EXPECT_TRUE(host->copyToast());
}

TEST_F(OutputHostTest, AnOldToastOnItsWayOutLeavesANewerSaveAlone)
{
    model.setSaveToastURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("first.png"))));
    SaveToast* first = host->saveToast();
    ASSERT_TRUE(first);
    model.setSaveToastURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("second.png"))));
    ASSERT_TRUE(host->saveToast());
    EXPECT_NE(host->saveToast(), first);
    // The first toast's dismissal (if it still fires while fading) must not clear the second.
    const auto firstJob = clock.jobs.front();
    if (!firstJob->cancelled)
        firstJob->work();
    EXPECT_EQ(model.saveToastURL(), QUrl::fromLocalFile(dir.filePath(QStringLiteral("second.png"))));
}

TEST_F(OutputHostTest, CommandsAreIgnoredWhileDetachedOrBusy)
{
    host->detach();
    post(Notifications::copyImage);
    post(Notifications::saveAsImage);
    QTest::qWait(50);
    EXPECT_FALSE(model.isExporting());
    EXPECT_EQ(panelRuns, 0);
    EXPECT_FALSE(pasteboard.data(QStringLiteral("image/png")));

    host->attach();
    model.setIsExporting(true);
    post(Notifications::saveAsImage);
    QTest::qWait(50);
    EXPECT_EQ(panelRuns, 0);
    model.setIsExporting(false);
}

} // namespace
