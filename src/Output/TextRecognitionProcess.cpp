#include "Output/TextRecognitionProcess.h"

#include "Output/TextInk.h"
#include "Output/TextRecognitionProtocol.h"

#include "Platform/ChildProcess.h"

#include <QFile>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace {

namespace P = TextRecognitionProtocol;
using namespace ChildProcess;

// The program writes nothing to its standard error worth showing; its engines'
// progress notes stay out of Lumetra's. OpenMP stays off: the program runs its engines
// side by side on threads of its own, which Tesseract's inner loops would only contend
// with.
std::vector<QByteArray> childEnvironment()
{
    std::vector<QByteArray> variables;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, "OMP_THREAD_LIMIT=", 17) != 0)
            variables.emplace_back(*e);
    }
    variables.emplace_back("OMP_THREAD_LIMIT=1");
    return variables;
}

TextRecognitionResult run(const QString& program, const QImage& paper, const QImage& misjudged,
                          const TextRecognitionProcess::Options& options, const std::atomic<bool>* cancelled)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(P::deadlineMilliseconds);
    const QString fail = QStringLiteral("the text recognizer (%1) ").arg(QString::fromLatin1(P::programName));
    const QByteArray languages = options.languages.toUtf8();
    const QByteArray dataPath = QFile::encodeName(options.dataPath);
    if (languages.isEmpty() || languages.size() > P::maximumNameLength || dataPath.size() > P::maximumNameLength
        || qint64(paper.width()) * paper.height() > P::maximumPagePixels)
        return TextRecognitionResult::failed(fail + QStringLiteral("cannot take this request"));

    // The request reaches the program as its standard input, from memory.
    Fd input(::memfd_create("lumetra-ocr-page", MFD_CLOEXEC));
    P::Request request{};
    std::memcpy(request.magic, P::requestMagic, sizeof request.magic);
    request.width = paper.width();
    request.height = paper.height();
    request.languagesLength = std::int32_t(languages.size());
    request.dataPathLength = std::int32_t(dataPath.size());
    bool written = input.fd >= 0 && P::writeAll(input.fd, &request, sizeof request)
        && P::writeAll(input.fd, languages.constData(), size_t(languages.size()))
        && P::writeAll(input.fd, dataPath.constData(), size_t(dataPath.size()));
    for (int y = 0; written && y < paper.height(); ++y)
        written = P::writeAll(input.fd, paper.constScanLine(y), size_t(paper.width()));
    const std::vector<uchar> noMarks(misjudged.isNull() ? size_t(paper.width()) : 0, 0);
    for (int y = 0; written && y < paper.height(); ++y)
        written = P::writeAll(input.fd, misjudged.isNull() ? noMarks.data() : misjudged.constScanLine(y), size_t(paper.width()));
    if (!written || ::lseek(input.fd, 0, SEEK_SET) != 0)
        return TextRecognitionResult::failed(fail + QStringLiteral("cannot be handed the page: ") + qt_error_string(errno));

    const std::vector<QByteArray> variables = childEnvironment();
    Fd output;
    pid_t pid = -1;
    const int spawned = spawn(program, input.fd, output, pid, &variables);
    input.reset();
    if (spawned != 0)
        return TextRecognitionResult::failed(fail + QStringLiteral("cannot start: ") + qt_error_string(spawned));

    P::Reply reply{};
    const auto stopped = [cancelled] { return cancelled && cancelled->load(); };
    ReadEnd end = readExactly(output.fd, &reply, sizeof reply, deadline, stopped);
    if (end == ReadEnd::done && std::memcmp(reply.magic, P::replyMagic, sizeof reply.magic) != 0)
        end = ReadEnd::broken;
    const auto length = [](std::int32_t n) { return std::clamp(n, 0, P::maximumTextLength); };
    QByteArray text, used, missing;
    if (end == ReadEnd::done) {
        text.resize(length(reply.textLength));
        used.resize(length(reply.usedLength));
        missing.resize(length(reply.missingLength));
        for (QByteArray* part : {&text, &used, &missing}) {
            if (end == ReadEnd::done)
                end = readExactly(output.fd, part->data(), size_t(part->size()), deadline, stopped);
        }
    }
    output.reset();
    // A program that has answered in full is collected off this thread: handing back
    // the pages its engines held takes the system 10 to 20 ms, which the card need not
    // wait for. One that has not is ended at once.
    int status = 0;
    if (end == ReadEnd::done)
        std::thread([pid] { reap(pid, Clock::time_point::max()); }).detach();
    else
        status = reap(pid, Clock::time_point::min()).status;
    switch (end) {
    case ReadEnd::cancelled:
        return TextRecognitionResult::failed(fail + QStringLiteral("was stopped: a newer reading took its place"));
    case ReadEnd::late:
        return TextRecognitionResult::failed(fail + QStringLiteral("took too long"));
    case ReadEnd::broken:
        return TextRecognitionResult::failed(
            WIFSIGNALED(status) ? fail + QStringLiteral("ended with signal %1").arg(WTERMSIG(status))
                                : fail + QStringLiteral("gave no answer"));
    case ReadEnd::done:
        break;
    }
    const auto list = [](const QByteArray& joined) {
        return QString::fromUtf8(joined).split(QLatin1Char('+'), Qt::SkipEmptyParts);
    };
    TextRecognitionResult result;
    result.languagesUsed = list(used);
    result.languagesMissing = list(missing);
    if (reply.status != P::statusRead) {
        result.failure = QString::fromUtf8(text);
        return result;
    }
    result.text = TextRecognition::joinRecognizedLines(QString::fromUtf8(text).split(QLatin1Char('\n')));
    return result;
}

} // namespace

QString TextRecognitionProcess::programPath()
{
    return findProgram(QString::fromLatin1(P::programName),
                       {QStringLiteral(LUMETRA_OCR_BUILT), QStringLiteral(LUMETRA_OCR_INSTALLED)});
}

TextRecognitionResult TextRecognitionProcess::recognize(const QImage& image, const Options& options,
                                                        const std::atomic<bool>* cancelled)
{
    const QImage grey = image.format() == QImage::Format_Grayscale8 ? image
                                                                       : image.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull() || grey.width() <= 0 || grey.height() <= 0)
        return {};
    const QString program = options.program.isEmpty() ? programPath() : options.program;
    if (program.isEmpty())
        return TextRecognitionResult::failed(
            QStringLiteral("the text recognizer (%1) is not installed").arg(QString::fromLatin1(P::programName)));
    QImage misjudged;
    QImage paper = TextRecognition::inkOnPaper(grey, &misjudged);
    if (paper.isNull()) // no memory for it: the page as it is still reads on plain grounds
        paper = grey;
    if (misjudged.size() != paper.size())
        misjudged = QImage();
    return run(program, paper, misjudged, options, cancelled);
}

TextRecognizer TextRecognitionProcess::engine(Options options)
{
    return [options = std::move(options)](const QImage& grey, const std::atomic<bool>& cancelled) {
        return recognize(grey, options, &cancelled);
    };
}
