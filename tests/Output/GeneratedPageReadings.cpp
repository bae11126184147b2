#include "Output/GeneratedPageReadings.h"

#include "Output/TextRecognition.h"
#include "Output/TextRecognitionProcess.h"
#include "Output/TextRecognitionSpare.h"
#include "support/ChromiumScreenshot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The CPU time a process has had so far, in ticks, and whether it sleeps; -1 when it is gone.
long long cpuTicks(pid_t pid, bool& sleeping)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    sleeping = fields[0] == "S";
    return fields[11].toLongLong() + fields[12].toLongLong(); // utime, stime
}

// Until the program kept ready has loaded its engines (it then sleeps, waiting for its
// page, and its CPU time stands still), or `limit` has passed.
void waitForEnginesLoaded(Clock::duration limit)
{
    const Clock::time_point end = Clock::now() + limit;
    long long before = -2;
    int still = 0;
    while (Clock::now() < end) {
        const pid_t pid = TextRecognitionSpare::waitingProcess();
        bool sleeping = false;
        const long long ticks = pid > 0 ? cpuTicks(pid, sleeping) : -1;
        still = ticks >= 0 && sleeping && ticks == before ? still + 1 : 0;
        if (still >= 3)
            return;
        before = ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

QString commandLine()
{
    return programOnPath(QStringLiteral("tesseract"));
}

// The plain reading of the PNG at `file`, or an empty string with `failure` set.
QString readPlainly(const QString& file, double& ms, QString& failure)
{
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    cli.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    cli.start(commandLine(), {file, QStringLiteral("-"), QStringLiteral("-l"), QStringLiteral("chi_sim+chi_tra+eng")});
    if (!cli.waitForFinished(300000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        failure = QStringLiteral("the tesseract command line failed: ") + QString::fromUtf8(cli.readAllStandardError()).left(300);
        return {};
    }
    ms = double(clock.nsecsElapsed()) / 1e6;
    return QString::fromUtf8(cli.readAllStandardOutput());
}

} // namespace

QString generatedPagesMissing()
{
    QStringList missing;
    if (chromiumProgram().isEmpty())
        missing << QStringLiteral("chromium");
    if (commandLine().isEmpty())
        missing << QStringLiteral("tesseract (package tesseract-ocr)");
    if (TextRecognitionProcess::programPath().isEmpty())
        missing << QStringLiteral("the lumetra-ocr program");
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : GeneratedPages::faces())
        if (!installed.contains(face, Qt::CaseInsensitive))
            missing << QStringLiteral("the face ") + face;
    return missing.join(QStringLiteral(", "));
}

void readGeneratedPages(const PageRun& run, const std::function<void(const PageReading&)>& done)
{
    const TextRecognitionProcess::Hold ready = run.timed ? TextRecognitionProcess::keepReady() : TextRecognitionProcess::Hold();
    std::atomic<int> next{run.first};
    std::mutex turn, report;
    const auto work = [&] {
        for (int index = next++; index < run.first + run.count; index = next++) {
            PageReading reading;
            reading.index = index;
            reading.page = GeneratedPages::page(run.seed, index, run.kinds);
            QTemporaryDir folder;
            std::string error;
            const QImage shot = folder.isValid() ? chromiumScreenshot(reading.page.html, folder.path(), reading.page.window, error) : QImage();
            if (shot.isNull())
                reading.failure = QString::fromStdString(error);
            else {
                {
                    std::unique_lock lock(turn, std::defer_lock);
                    if (run.timed) {
                        lock.lock();
                        waitForEnginesLoaded(std::chrono::milliseconds(run.readyMilliseconds));
                    }
                    QElapsedTimer clock;
                    clock.start();
                    const std::optional<QImage> grey = TextRecognition::makeRecognitionImage(Image(shot));
                    const TextRecognitionResult result = grey ? TextRecognitionProcess::recognize(*grey) : TextRecognitionResult{};
                    reading.oursMs = double(clock.nsecsElapsed()) / 1e6;
                    reading.ours = result.text;
                    if (result.failure)
                        reading.failure = *result.failure;
                }
                reading.plain = readPlainly(QDir(folder.path()).filePath(QStringLiteral("page.png")), reading.plainMs, reading.failure);
                reading.score = PageScoring::score(reading.page.lines, reading.ours, reading.plain, GeneratedPages::scriptPair);
            }
            if (!run.keepIn.isEmpty() && QDir().mkpath(run.keepIn)) {
                const QString stem = QDir(run.keepIn).filePath(QStringLiteral("%1-%2").arg(index, 4, 10, QLatin1Char('0')).arg(reading.page.kind));
                QFile::copy(QDir(folder.path()).filePath(QStringLiteral("page.png")), stem + QStringLiteral(".png"));
                for (const auto& [suffix, text] : {std::pair{".html", reading.page.html}, std::pair{".drawn.txt", reading.page.lines.join(QLatin1Char('\n'))},
                                                   std::pair{".lumetra.txt", reading.ours}, std::pair{".plain.txt", reading.plain}}) {
                    QFile file(stem + QLatin1String(suffix));
                    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                        file.write(text.toUtf8());
                }
            }
            const std::lock_guard lock(report);
            done(reading);
        }
    };
    std::vector<std::thread> workers;
    for (int k = 0; k < std::max(1, run.jobs); ++k)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();
}
