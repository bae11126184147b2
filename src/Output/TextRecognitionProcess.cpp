#include "Output/TextRecognitionProcess.h"

#include "Output/TextInk.h"
#include "Output/TextRecognitionProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

namespace P = TextRecognitionProtocol;
using Clock = std::chrono::steady_clock;

struct Fd {
    int fd = -1;
    explicit Fd(int value = -1) : fd(value) { }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

enum class ReadEnd { done, broken, late, cancelled };

// Reads exactly size bytes, looking at `cancelled` and the deadline between the
// program's writes.
ReadEnd readExactly(int fd, void* into, size_t size, Clock::time_point deadline, const std::atomic<bool>* cancelled)
{
    char* bytes = static_cast<char*>(into);
    while (size > 0) {
        if (cancelled && cancelled->load())
            return ReadEnd::cancelled;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ReadEnd::late;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::min<long long>(left, 20)));
        if (ready < 0 && errno != EINTR)
            return ReadEnd::broken;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return ReadEnd::broken;
        bytes += n;
        size -= size_t(n);
    }
    return ReadEnd::done;
}

// Collects the program; ends it first unless it has answered in full.
int reap(pid_t pid, bool answered)
{
    int status = 0;
    if (!answered)
        ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return status;
}

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

TextRecognitionResult run(const QString& program, const QImage& paper, const TextRecognitionProcess::Options& options,
                          const std::atomic<bool>* cancelled)
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
    if (!written || ::lseek(input.fd, 0, SEEK_SET) != 0)
        return TextRecognitionResult::failed(fail + QStringLiteral("cannot be handed the page: ") + qt_error_string(errno));

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return TextRecognitionResult::failed(fail + QStringLiteral("cannot start: ") + qt_error_string(errno));
    Fd output(pipeEnds[0]);
    Fd childOutput(pipeEnds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.fd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, childOutput.fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    const QByteArray path = QFile::encodeName(program);
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};
    std::vector<QByteArray> variables = childEnvironment();
    std::vector<char*> envp;
    for (QByteArray& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, path.constData(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    childOutput.reset();
    input.reset();
    if (spawned != 0)
        return TextRecognitionResult::failed(fail + QStringLiteral("cannot start: ") + qt_error_string(spawned));

    P::Reply reply{};
    ReadEnd end = readExactly(output.fd, &reply, sizeof reply, deadline, cancelled);
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
                end = readExactly(output.fd, part->data(), size_t(part->size()), deadline, cancelled);
        }
    }
    output.reset();
    const int status = reap(pid, end == ReadEnd::done);
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
    // Beside the program that runs, else where this build made it (test programs live
    // in a folder of their own), else where an installation puts it.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString name = QString::fromLatin1(P::programName);
    for (const QString& candidate : {QFileInfo(self).dir().filePath(name), QStringLiteral(LUMETRA_OCR_BUILT),
                                     QStringLiteral(LUMETRA_OCR_INSTALLED)}) {
        if (::access(QFile::encodeName(candidate).constData(), X_OK) == 0)
            return candidate;
    }
    return QString();
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
    QImage paper = TextRecognition::inkOnPaper(grey);
    if (paper.isNull()) // no memory for it: the page as it is still reads on plain grounds
        paper = grey;
    return run(program, paper, options, cancelled);
}

TextRecognizer TextRecognitionProcess::engine(Options options)
{
    return [options = std::move(options)](const QImage& grey, const std::atomic<bool>& cancelled) {
        return recognize(grey, options, &cancelled);
    };
}
