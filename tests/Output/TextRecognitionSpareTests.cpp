// The reading program kept ready: the real lumetra-ocr, started ahead with its engines
// loading, reads a screenshot of Lumetra's README as a program started for the reading
// does; one that has gone by the time of the reading leaves a fresh one to read; the last
// hold's end takes it away; it serves only the languages and data folder it was started
// for; and the editor keeps one only while it is open with an image.
#include "Models/ImageEditorViewModel.h"
#include "Output/TextRecognitionController.h"
#include "Output/TextRecognitionProcess.h"
#include "Output/TextRecognitionProtocol.h"
#include "Output/TextRecognitionSpare.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

namespace P = TextRecognitionProtocol;

// Part of a screenshot in the README: a table of builds, with its heading.
QImage readmePage()
{
    const QImage shot(QStringLiteral(LUMETRA_SOURCE_DIR "/docs/readme/editor.png"));
    return shot.isNull() ? shot : shot.copy(110, 420, 840, 180).convertToFormat(QImage::Format_Grayscale8);
}

// Gone for good: ended and collected, so no zombie is left either.
bool gone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// Ended, though perhaps not collected yet.
bool ended(pid_t pid)
{
    if (gone(pid))
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

bool waitFor(const std::function<bool()>& condition, int milliseconds = 20000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

// The program started for a hold, once it is (a moment after the hold); -1 when none came.
pid_t waitingOnceStarted()
{
    waitFor([] { return TextRecognitionSpare::waitingProcess() > 0; });
    return TextRecognitionSpare::waitingProcess();
}

class ReadingProgramKeptReady : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TextRecognitionProcess::programPath().isEmpty())
            GTEST_FAIL() << "lumetra-ocr was not built beside the tests";
        page = readmePage();
        ASSERT_FALSE(page.isNull()) << "docs/readme/editor.png";
        ASSERT_EQ(TextRecognitionSpare::waitingProcess(), -1);
    }
    void TearDown() override
    {
        // No test leaves a program waiting for the next.
        const pid_t left = TextRecognitionSpare::waitingProcess();
        EXPECT_EQ(left, -1);
        if (left > 0)
            ::kill(left, SIGKILL);
    }

    QImage page;
};

// A request's head and its languages, as a recognizer is started with, before any page.
QByteArray requestHead(const QByteArray& languages)
{
    P::Request first{};
    std::memcpy(first.magic, P::requestMagic, sizeof first.magic);
    first.languagesLength = std::int32_t(languages.size());
    return QByteArray(reinterpret_cast<const char*>(&first), sizeof first) + languages;
}

// The threads a running program has, as /proc counts them; 0 once it is gone.
int threadsOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    return 0;
}

// A grey image's rows without their padding, as the protocol sends them.
QByteArray rowsOf(const QImage& grey)
{
    QByteArray rows;
    for (int y = 0; y < grey.height(); ++y)
        rows.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
    return rows;
}

} // namespace

// Each language's engine loads as soon as the image itself is there, while the page as
// ink on paper is still on its way: by the time it comes, they are ready to read it.
TEST_F(ReadingProgramKeptReady, EachLanguagesEngineLoadsBeforeTheInkPageComes)
{
    const QByteArray languages = "chi_sim+chi_tra+eng";

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.start(TextRecognitionProcess::programPath(), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const P::Page size{page.width(), page.height(), P::greyChannels};
    program.write(requestHead(languages) + QByteArray(reinterpret_cast<const char*>(&size), sizeof size) + rowsOf(page));
    ASSERT_TRUE(program.waitForBytesWritten(10000));
    // Without its ink the program has a thread waiting for it and, until that reading
    // ends, the plain reading's: one for each language more are its engines loading.
    const int engines = int(languages.count('+')) + 1;
    EXPECT_TRUE(waitFor([&] { return threadsOf(program.processId()) >= 1 + engines; }))
        << "threads while the ink is on its way: " << threadsOf(program.processId());

    program.write(rowsOf(page) + QByteArray(qsizetype(page.width()) * page.height(), '\0'));
    program.closeWriteChannel();
    ASSERT_TRUE(program.waitForFinished(60000));
    const QByteArray output = program.readAllStandardOutput();
    P::Reply reply{};
    ASSERT_GE(output.size(), qsizetype(sizeof reply));
    std::memcpy(&reply, output.constData(), sizeof reply);
    EXPECT_EQ(reply.status, P::statusRead);
    const QString text = QString::fromUtf8(output.mid(sizeof reply, reply.textLength));
    EXPECT_TRUE(text.contains(QStringLiteral("passed"))) << text.toStdString();
}

TEST_F(ReadingProgramKeptReady, AReadingThroughTheWaitingProgramReadsAsAFreshOneAndANewOneWaitsAfterIt)
{
    const TextRecognitionResult fresh = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(fresh.failure) << fresh.failure->toStdString();
    ASSERT_TRUE(fresh.text.contains(QStringLiteral("passed"))) << fresh.text.toStdString();

    TextRecognitionProcess::Hold hold = TextRecognitionProcess::keepReady();
    const pid_t waiting = waitingOnceStarted();
    ASSERT_GT(waiting, 0);
    const TextRecognitionResult ready = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(ready.failure) << ready.failure->toStdString();
    EXPECT_EQ(ready.text, fresh.text);
    EXPECT_EQ(ready.languagesUsed, fresh.languagesUsed);
    // It was the waiting program that read: it has ended, and another waits in its place.
    EXPECT_TRUE(waitFor([&] { return gone(waiting); }));
    const pid_t next = waitingOnceStarted();
    EXPECT_GT(next, 0);
    EXPECT_NE(next, waiting);
    hold = {};
    EXPECT_TRUE(waitFor([&] { return gone(next); }));
}

TEST_F(ReadingProgramKeptReady, AWaitingProgramThatWasEndedLeavesTheReadingToAFreshOne)
{
    TextRecognitionProcess::Hold hold = TextRecognitionProcess::keepReady();
    const pid_t waiting = waitingOnceStarted();
    ASSERT_GT(waiting, 0);
    ASSERT_EQ(::kill(waiting, SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return ended(waiting); }));

    const TextRecognitionResult read = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(read.failure) << read.failure->toStdString();
    EXPECT_TRUE(read.text.contains(QStringLiteral("passed"))) << read.text.toStdString();
    EXPECT_TRUE(waitFor([&] { return gone(waiting); }));
}

TEST_F(ReadingProgramKeptReady, TheProgramGoesWithTheLastHoldOnly)
{
    TextRecognitionProcess::Hold editor = TextRecognitionProcess::keepReady();
    TextRecognitionProcess::Hold another = TextRecognitionProcess::keepReady();
    const pid_t waiting = waitingOnceStarted();
    ASSERT_GT(waiting, 0);
    editor = {};
    EXPECT_EQ(TextRecognitionSpare::waitingProcess(), waiting);
    EXPECT_FALSE(ended(waiting));
    // Moved, the hold still keeps it.
    TextRecognitionProcess::Hold moved = std::move(another);
    EXPECT_FALSE(another);
    another = {};
    EXPECT_EQ(TextRecognitionSpare::waitingProcess(), waiting);
    moved = {};
    EXPECT_EQ(TextRecognitionSpare::waitingProcess(), -1);
    EXPECT_TRUE(waitFor([&] { return gone(waiting); }));
}

TEST_F(ReadingProgramKeptReady, AWaitingProgramServesOnlyItsLanguagesAndDataFolder)
{
    const QStringList folders = QDir(QStringLiteral("/usr/share/tesseract-ocr")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QString dataPath;
    for (const QString& version : folders)
        if (QFile::exists(QStringLiteral("/usr/share/tesseract-ocr/%1/tessdata/eng.traineddata").arg(version)))
            dataPath = QStringLiteral("/usr/share/tesseract-ocr/%1/tessdata").arg(version);
    ASSERT_FALSE(dataPath.isEmpty()) << "English language data (tesseract-ocr-eng)";

    TextRecognitionProcess::Hold hold = TextRecognitionProcess::keepReady();
    const pid_t waiting = waitingOnceStarted();
    ASSERT_GT(waiting, 0);
    TextRecognitionProcess::Options english;
    english.languages = QStringLiteral("eng");
    TextRecognitionProcess::Options elsewhere;
    elsewhere.dataPath = dataPath;
    for (const TextRecognitionProcess::Options& options : {english, elsewhere}) {
        const TextRecognitionResult read = TextRecognitionProcess::recognize(page, options);
        ASSERT_FALSE(read.failure) << read.failure->toStdString();
        EXPECT_TRUE(read.text.contains(QStringLiteral("passed"))) << read.text.toStdString();
        EXPECT_EQ(read.languagesUsed.join(QLatin1Char('+')), options.languages);
        EXPECT_EQ(TextRecognitionSpare::waitingProcess(), waiting);
        EXPECT_FALSE(ended(waiting));
    }
    hold = {};
    EXPECT_TRUE(waitFor([&] { return gone(waiting); }));
}

// A program whose input ends after the languages, before any page, leaves at once without
// a word; one whose page breaks off still says so.
TEST_F(ReadingProgramKeptReady, AProgramWhoseInputEndsBeforeThePageLeavesSilently)
{
    const QByteArray request = requestHead("chi_sim+chi_tra+eng");
    const P::Page size{40, 20, P::greyChannels};

    for (const QByteArray& input : {request, request + QByteArray(reinterpret_cast<const char*>(&size), sizeof size)}) {
        QProcess program;
        program.start(TextRecognitionProcess::programPath(), {});
        ASSERT_TRUE(program.waitForStarted(10000));
        program.write(input);
        program.closeWriteChannel();
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        const QByteArray output = program.readAllStandardOutput();
        if (input == request) {
            EXPECT_TRUE(output.isEmpty()) << output.toStdString();
            // Promptly: there is no page to wait for.
            EXPECT_LT(clock.elapsed(), 5000);
            continue;
        }
        P::Reply reply{};
        ASSERT_GE(output.size(), qsizetype(sizeof reply));
        std::memcpy(&reply, output.constData(), sizeof reply);
        EXPECT_EQ(QByteArray(reply.magic, sizeof reply.magic), QByteArray(P::replyMagic, sizeof P::replyMagic));
        EXPECT_EQ(reply.status, P::statusFailed);
        EXPECT_EQ(output.mid(sizeof reply), QByteArray("the request broke off"));
    }
}

// A page of no size, too large, with an image neither grey nor in colour, or cut short
// after its image (while the plain engine already reads it) is refused in words.
TEST_F(ReadingProgramKeptReady, APageOutOfBoundsOrCutShortIsRefusedInWords)
{
    const QByteArray request = requestHead("eng");
    const auto sized = [](P::Page size) { return QByteArray(reinterpret_cast<const char*>(&size), sizeof size); };
    const struct {
        const char* name;
        QByteArray rest;
        const char* answer;
    } cases[] = {
        {"no width", sized({0, 20, P::greyChannels}), "the request is out of bounds"},
        {"two channels", sized({40, 20, 2}), "the request is out of bounds"},
        {"four channels", sized({40, 20, 4}), "the request is out of bounds"},
        {"too many pixels", sized({P::maximumSide, P::maximumSide, P::colourChannels}), "the request is out of bounds"},
        {"image without its page", sized({40, 20, P::colourChannels}) + QByteArray(40 * 20 * 3, char(255)),
         "the request broke off"},
        {"image cut short", sized({40, 20, P::colourChannels}) + QByteArray(40 * 20 * 2, char(255)), "the request broke off"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess program;
        program.start(TextRecognitionProcess::programPath(), {});
        ASSERT_TRUE(program.waitForStarted(10000));
        program.write(request + c.rest);
        program.closeWriteChannel();
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        const QByteArray output = program.readAllStandardOutput();
        P::Reply reply{};
        ASSERT_GE(output.size(), qsizetype(sizeof reply));
        std::memcpy(&reply, output.constData(), sizeof reply);
        EXPECT_EQ(reply.status, P::statusFailed);
        EXPECT_EQ(output.mid(sizeof reply), QByteArray(c.answer));
    }
}

TEST_F(ReadingProgramKeptReady, TheEditorKeepsOneReadyAMomentAfterItOpensWithAnImageUntilItCloses)
{
    ImageEditorViewModel model;
    model.setLoadedImage(Image(page), QUrl());
    TextRecognitionController editor(model);
    // An editor whose tests bring their own recognizer starts no program.
    TextRecognitionController own(model, [](const QImage&, const std::atomic<bool>&) { return TextRecognitionResult{}; });
    editor.setEditorOpen(true);
    own.setEditorOpen(true);
    // Not while it opens: its first frames come first.
    EXPECT_FALSE(editor.keepsReady());
    EXPECT_EQ(TextRecognitionSpare::waitingProcess(), -1);
    ASSERT_TRUE(waitFor([&] { return editor.keepsReady(); }));
    EXPECT_FALSE(own.keepsReady());
    const pid_t waiting = waitingOnceStarted();
    EXPECT_GT(waiting, 0);

    // Hidden between captures, or closed: the program goes.
    editor.setEditorOpen(false);
    EXPECT_FALSE(editor.keepsReady());
    EXPECT_TRUE(waitFor([&] { return gone(waiting); }));
    // Open again: one is kept again.
    editor.setEditorOpen(true);
    ASSERT_TRUE(waitFor([&] { return editor.keepsReady(); }));
    EXPECT_GT(waitingOnceStarted(), 0);
    editor.setEditorOpen(false);
    EXPECT_TRUE(waitFor([] { return TextRecognitionSpare::waitingProcess() == -1; }));
}

// The editor takes and ends its hold on the main thread: starting the program (a socket,
// a process, the first part of the request) happens on another thread, and nobody who
// asks after the waiting program waits while one starts, however long that takes.
TEST_F(ReadingProgramKeptReady, StartingTheWaitingProgramNeverHoldsUpTheHoldersThread)
{
    struct Slow {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool released = false;
        std::thread::id thread;
    };
    auto slow = std::make_shared<Slow>();
    const TextRecognitionSpare::Starter real = TextRecognitionSpare::setStarter(
        [slow](const TextRecognitionSpare::Request&, TextRecognitionSpare::Started&) {
            std::unique_lock lock(slow->mutex);
            slow->entered = true;
            slow->thread = std::this_thread::get_id();
            slow->changed.notify_all();
            // A start that takes seconds (a loaded system, a slow disk).
            slow->changed.wait_for(lock, std::chrono::seconds(5), [&] { return slow->released; });
            return ENOENT;
        });
    QElapsedTimer clock;
    clock.start();
    TextRecognitionProcess::Hold hold = TextRecognitionProcess::keepReady();
    EXPECT_TRUE(hold);
    EXPECT_LT(clock.elapsed(), 1000) << "the hold waited for the program to start";
    ASSERT_TRUE(waitFor([&] {
        const std::lock_guard lock(slow->mutex);
        return slow->entered;
    }));
    // While it starts, asking after the waiting program and ending the hold answer at once.
    clock.restart();
    EXPECT_EQ(TextRecognitionSpare::waitingProcess(), -1);
    hold = {};
    EXPECT_LT(clock.elapsed(), 1000) << "the spare's lock was held while the program started";
    {
        const std::lock_guard lock(slow->mutex);
        EXPECT_NE(slow->thread, std::this_thread::get_id());
        slow->released = true;
        slow->changed.notify_all();
    }
    TextRecognitionSpare::setStarter(real);
}
