#include "Models/ImageEditorViewModel.h"
#include "Output/TextRecognitionController.h"
#include "Output/TextRecognitionProcess.h"
#include "Output/TextRecognitionProtocol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QWaitCondition>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <memory>
#include <vector>

using namespace TextRecognition;

TEST(TextRecognition, OnlyImagesAboveSixteenMegapixelsAreReadSmaller)
{
    const std::pair<QSize, QSize> cases[] = {
        {{4000, 4000}, {4000, 4000}},
        {{4001, 4000}, {4001, 4000}}, // above the limit, yet never enlarged
        {{8000, 6000}, {5000, 3750}},
        {{4500, 4000}, {4500, 4000}},
        {{1600, 20000}, {400, 5000}},
        {{60000, 300}, {5000, 25}},
    };
    for (const auto& [pixels, expected] : cases)
        EXPECT_EQ(recognitionSize(pixels), expected) << pixels.width() << "x" << pixels.height();
}

TEST(TextRecognition, TheBitmapIsTheImageOnWhiteInItsColours)
{
    QImage image(3, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(200, 40, 10, 255));
    image.setPixel(2, 0, qPremultiply(qRgba(0, 0, 0, 128)));
    const std::optional<QImage> page = makeRecognitionImage(Image(image, 2.0));
    ASSERT_TRUE(page && page->format() == QImage::Format_RGB32 && page->size() == QSize(3, 1));
    EXPECT_EQ(page->pixel(0, 0), qRgb(255, 255, 255)); // transparent reads as paper
    EXPECT_EQ(page->pixel(1, 0), qRgb(200, 40, 10));   // the colours stay, for the plain engine
    EXPECT_NEAR(qRed(page->pixel(2, 0)), 127, 2);
    EXPECT_FALSE(makeRecognitionImage(Image()));

    // A grey image stays grey.
    QImage grey(2, 1, QImage::Format_Grayscale8);
    grey.scanLine(0)[0] = 30;
    grey.scanLine(0)[1] = 220;
    const std::optional<QImage> greyPage = makeRecognitionImage(Image(grey));
    ASSERT_TRUE(greyPage && greyPage->format() == QImage::Format_Grayscale8);
    EXPECT_EQ(greyPage->constScanLine(0)[0], 30);
}

// A hidden region (a mosaic) is one flat colour, its mean in each channel, in a colour
// page and in a grey one; the pixels outside it stay as they are.
TEST(TextRecognition, AHiddenRegionIsOneFlatColour)
{
    QImage colour(4, 2, QImage::Format_RGB32);
    colour.fill(qRgb(250, 250, 250));
    colour.setPixel(0, 0, qRgb(0, 100, 200));
    colour.setPixel(1, 0, qRgb(100, 200, 0));
    colour.setPixel(0, 1, qRgb(200, 0, 100));
    colour.setPixel(1, 1, qRgb(100, 100, 100));
    const std::optional<QImage> page = makeRecognitionImage(Image(colour), {QRectF(0, 0, 0.5, 1)});
    ASSERT_TRUE(page);
    for (const QPoint at : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        EXPECT_EQ(page->pixel(at), qRgb(100, 100, 100)) << at.x() << "," << at.y();
    EXPECT_EQ(page->pixel(2, 0), qRgb(250, 250, 250));

    QImage grey(4, 1, QImage::Format_Grayscale8);
    grey.fill(240);
    grey.scanLine(0)[2] = 0;
    grey.scanLine(0)[3] = 100;
    const std::optional<QImage> greyPage = makeRecognitionImage(Image(grey), {QRectF(0.5, 0, 0.5, 1)});
    ASSERT_TRUE(greyPage);
    EXPECT_EQ(greyPage->constScanLine(0)[2], 50);
    EXPECT_EQ(greyPage->constScanLine(0)[3], 50);
    EXPECT_EQ(greyPage->constScanLine(0)[1], 240);
}

TEST(TextRecognition, SpacesBetweenHanGoAndLinesJoinWithOneLineFeed)
{
    const std::pair<const char*, const char*> lines[] = {
        {"今 天 的 会 议", "今天的会议"},
        {"你好 ， 世界 。", "你好，世界。"},
        {"版本 2.3.1 已 发布", "版本 2.3.1 已发布"},
        {"Open the 設 置 window", "Open the 設置 window"},
        {"數 據\t庫", "數據庫"},
        {"plain English text", "plain English text"},
    };
    for (const auto& [in, out] : lines)
        EXPECT_EQ(removeSpacesBetweenHan(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;

    EXPECT_EQ(joinRecognizedLines({QStringLiteral("first\n"), QStringLiteral("\n"), QStringLiteral("  "),
                                   QString::fromUtf8("第 二\r\n"), QStringLiteral("third")}),
              QString::fromUtf8("first\n第二\nthird"));
    EXPECT_EQ(joinRecognizedLines({}), QString());
}

namespace {

// An engine whose runs end when the test lets them: a run of an image W pixels wide
// waits until the test hands it an answer for W.
struct FakeEngine {
    struct Shared {
        QMutex mutex;
        QWaitCondition answered;
        QHash<int, TextRecognitionResult> answers;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();

    TextRecognizer recognizer() const
    {
        return [s = shared](const QImage& grey, const std::atomic<bool>&) {
            QMutexLocker lock(&s->mutex);
            while (!s->answers.contains(grey.width()))
                s->answered.wait(&s->mutex);
            return s->answers.take(grey.width());
        };
    }
};

class TextRecognitionStates : public ::testing::Test {
protected:
    void SetUp() override
    {
        load(40);
        QObject::connect(&controller, &TextRecognitionController::runFinished, [this](quint64, bool taken) { finished << taken; });
    }

    void load(int width)
    {
        QImage image(width, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        model.setLoadedImage(Image(image), QUrl());
    }

    // Ends the run of an image `width` wide with `answer`, as the main thread sees it.
    void finishRun(TextRecognitionResult answer, int width = 40)
    {
        const qsizetype before = finished.size();
        {
            QMutexLocker lock(&engine.shared->mutex);
            engine.shared->answers.insert(width, std::move(answer));
            engine.shared->answered.wakeAll();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() > before; }, 5000));
    }

    std::optional<OCRPanelState> state() const { return model.ocrPanelState(); }

    FakeEngine engine;
    ImageEditorViewModel model;
    TextRecognitionController controller{model, engine.recognizer()};
    QList<bool> finished;
};

} // namespace

TEST_F(TextRecognitionStates, ToggleStartsIgnoresWhileRunningAndClosesAResultEmptyAndFailedRunsShowNoText)
{
    controller.toggleTextRecognition();
    EXPECT_EQ(state(), OCRPanelState::recognizing());
    controller.toggleTextRecognition(); // ignored while running
    controller.startTextRecognition();  // so is a start
    EXPECT_EQ(controller.latestRun(), 1u);
    finishRun({QStringLiteral("line one\nline two"), std::nullopt, {}, {}});
    EXPECT_EQ(state(), OCRPanelState::text(QStringLiteral("line one\nline two")));
    controller.toggleTextRecognition();
    EXPECT_FALSE(state());
    // A start on a shown result reads again.
    controller.toggleTextRecognition();
    finishRun({QStringLiteral(" "), std::nullopt, {}, {}});
    EXPECT_EQ(state(), OCRPanelState::text(QStringLiteral(" "))); // white space is still text
    controller.startTextRecognition();
    EXPECT_EQ(state(), OCRPanelState::recognizing());
    finishRun({});
    EXPECT_EQ(state(), OCRPanelState::empty());
    controller.startTextRecognition(); // an engine that cannot start: "No text found"
    finishRun(TextRecognitionResult::failed(QStringLiteral("no language data")));
    EXPECT_EQ(state(), OCRPanelState::empty());
    model.clearImage(); // no image: nothing starts
    controller.toggleTextRecognition();
    EXPECT_FALSE(state());
    EXPECT_EQ(controller.latestRun(), 4u);
}

TEST_F(TextRecognitionStates, OnlyTheLatestRunsResultIsTaken)
{
    controller.startTextRecognition();
    model.setOcrPanelState(std::nullopt); // the card closed while reading
    load(50);                             // another image
    controller.startTextRecognition();    // and read again
    finishRun({QStringLiteral("old"), std::nullopt, {}, {}}, 40);
    EXPECT_EQ(finished, QList<bool>({false}));
    EXPECT_EQ(state(), OCRPanelState::recognizing());
    finishRun({QStringLiteral("new"), std::nullopt, {}, {}}, 50);
    EXPECT_EQ(state(), OCRPanelState::text(QStringLiteral("new")));

    // A result arriving after the card was closed leaves it closed.
    controller.startTextRecognition();
    model.setOcrPanelState(std::nullopt);
    finishRun({QStringLiteral("late"), std::nullopt, {}, {}}, 50);
    EXPECT_FALSE(state());
    EXPECT_EQ(finished, QList<bool>({false, true, false}));
}

// A reading program that has answered in full may still take a while to end (handing
// back what its engines held): the text is handed on as soon as the answer is whole.
TEST(TextRecognition, TheTextIsHandedOnOnceTheAnswerIsWholeNotWhenTheProgramEnds)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile script(folder.filePath(QStringLiteral("slow-to-end")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    // The reply (status 0, then the lengths of "hello", "eng" and ""), then a long wait.
    script.write("#!/bin/sh\ncat >/dev/null\n"
                 "printf 'LMOCRA2\\n\\0\\0\\0\\0\\5\\0\\0\\0\\3\\0\\0\\0\\0\\0\\0\\0helloeng'\n"
                 "exec sleep 6\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QImage page(40, 20, QImage::Format_Grayscale8);
    page.fill(255);
    TextRecognitionProcess::Options options;
    options.program = script.fileName();
    QElapsedTimer clock;
    clock.start();
    const TextRecognitionResult result = TextRecognitionProcess::recognize(page, options);
    EXPECT_FALSE(result.failure) << result.failure->toStdString();
    EXPECT_EQ(result.text, QStringLiteral("hello"));
    EXPECT_EQ(result.languagesUsed, QStringList{QStringLiteral("eng")});
    EXPECT_LT(clock.elapsed(), 3000);
}

// A reading program that has answered in full but then does not end (stopped by a
// signal, or stuck) is ended and collected a few seconds after its answer: none lingers,
// not even as a zombie.
TEST(TextRecognition, AProgramStoppedOrStuckAfterItsAnswerIsEndedAndCollected)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const struct {
        const char* name;
        const char* after; // what the program does once it has answered
    } cases[] = {{"stopped", "kill -STOP $$\n"}, {"stuck", "exec sleep 600\n"}};
    for (const auto& c : cases) {
        const QString pidFile = folder.filePath(QLatin1String(c.name) + QStringLiteral(".pid"));
        QFile script(folder.filePath(QLatin1String(c.name)));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ncat >/dev/null\necho $$ >'" + QFile::encodeName(pidFile) + "'\n"
                     "printf 'LMOCRA2\\n\\0\\0\\0\\0\\5\\0\\0\\0\\3\\0\\0\\0\\0\\0\\0\\0helloeng'\n" + QByteArray(c.after));
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QImage page(40, 20, QImage::Format_Grayscale8);
        page.fill(255);
        TextRecognitionProcess::Options options;
        options.program = script.fileName();
        const TextRecognitionResult result = TextRecognitionProcess::recognize(page, options);
        EXPECT_FALSE(result.failure) << c.name;
        EXPECT_EQ(result.text, QStringLiteral("hello")) << c.name;
        QFile written(pidFile);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << c.name;
        const pid_t pid = pid_t(written.readAll().trimmed().toInt());
        ASSERT_GT(pid, 0) << c.name;
        // Gone for good: kill() finds a zombie too, only a collected process is unknown.
        const bool gone = QTest::qWaitFor([pid] { return ::kill(pid, 0) != 0 && errno == ESRCH; },
                                          TextRecognitionProtocol::leaveMilliseconds + 5000);
        EXPECT_TRUE(gone) << c.name << " program " << pid << " still there";
        if (!gone)
            ::kill(pid, SIGKILL);
    }
}
