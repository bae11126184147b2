#include "Output/TextRecognitionProcess.h"

#include "Output/TextInk.h"
#include "Output/TextRecognitionHelper.h"
#include "Output/TextRecognitionProtocol.h"
#include "Output/TextRecognitionSpare.h"

#include "Platform/ChildProcess.h"

#include <QFile>

#include <sys/wait.h>

#include <cstring>
#include <utility>

namespace {

namespace P = TextRecognitionProtocol;
using namespace ChildProcess;
using TextRecognitionHelper::Sent;
using TextRecognitionHelper::Started;

TextRecognitionHelper::Request requestFor(const QString& program, const TextRecognitionProcess::Options& options)
{
    return {program, options.languages.toUtf8(), QFile::encodeName(options.dataPath)};
}

QString failure() { return QStringLiteral("the text recognizer (%1) ").arg(QString::fromLatin1(P::programName)); }

// The program's answer to the page it was sent.
TextRecognitionResult answer(Started& started, Clock::time_point deadline, const std::atomic<bool>* cancelled)
{
    const QString fail = failure();
    Fd output(std::exchange(started.output.fd, -1));
    const pid_t pid = std::exchange(started.pid, -1);
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
    // wait for; one that has not ended a while later is ended. One that has not
    // answered is ended at once.
    int status = 0;
    if (end == ReadEnd::done)
        collectLater(pid, std::chrono::milliseconds(P::leaveMilliseconds));
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
    return findProgram(QString::fromLatin1(P::programName));
}

TextRecognitionProcess::Hold& TextRecognitionProcess::Hold::operator=(Hold&& other) noexcept
{
    if (this != &other) {
        if (m_id)
            TextRecognitionSpare::release(m_id);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

TextRecognitionProcess::Hold::~Hold()
{
    if (m_id)
        TextRecognitionSpare::release(m_id);
}

TextRecognitionProcess::Hold TextRecognitionProcess::keepReady(const Options& options)
{
    const QString program = options.program.isEmpty() ? programPath() : options.program;
    if (program.isEmpty())
        return {};
    return Hold(TextRecognitionSpare::hold(requestFor(program, options)));
}

TextRecognitionResult TextRecognitionProcess::recognize(const QImage& image, const Options& options,
                                                        const std::atomic<bool>* cancelled)
{
    // The image itself goes to the plain engine as it is (TextRecognitionHelper::sendImage);
    // the others read it as ink on paper, made from its grey.
    const QImage grey = image.format() == QImage::Format_Grayscale8 ? image
                                                                       : image.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull() || grey.width() <= 0 || grey.height() <= 0)
        return {};
    const QString program = options.program.isEmpty() ? programPath() : options.program;
    if (program.isEmpty())
        return TextRecognitionResult::failed(
            QStringLiteral("the text recognizer (%1) is not installed").arg(QString::fromLatin1(P::programName)));
    const TextRecognitionHelper::Request request = requestFor(program, options);
    if (request.languages.isEmpty() || request.languages.size() > P::maximumNameLength
        || request.dataPath.size() > P::maximumNameLength || qint64(grey.width()) * grey.height() > P::maximumPagePixels)
        return TextRecognitionResult::failed(failure() + QStringLiteral("cannot take this request"));

    // A program kept ready has its engines loaded; a new one loads them while the page
    // is prepared here.
    TextRecognitionSpare::Reading reading(request);
    std::optional<Started>& started = reading.taken();
    const bool wasWaiting = started.has_value();
    if (!started) {
        started.emplace();
        if (const int error = TextRecognitionHelper::start(request, *started); error != 0)
            return TextRecognitionResult::failed(failure() + QStringLiteral("cannot start: ") + qt_error_string(error));
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(P::deadlineMilliseconds);
    const auto stopped = [cancelled] { return cancelled && cancelled->load(); };
    // The image goes first: the plain engine reads it while the page is turned into ink
    // on paper here, for the others.
    QImage paper, misjudged;
    const auto send = [&](Started& program, int* error) {
        const Sent sent = TextRecognitionHelper::sendImage(program, image, deadline, stopped, error);
        if (sent != Sent::whole)
            return sent;
        if (paper.isNull()) {
            paper = TextRecognition::inkOnPaper(grey, &misjudged);
            if (paper.isNull()) // no memory for it: the page as it is still reads on plain grounds
                paper = grey;
            if (misjudged.size() != paper.size())
                misjudged = QImage();
        }
        return TextRecognitionHelper::sendInk(program, paper, misjudged, deadline, stopped, error);
    };
    int error = 0;
    Sent sent = send(*started, &error);
    if (sent == Sent::refused && wasWaiting) {
        // The program kept ready has gone (ended by the system or by hand): a new one
        // reads, the reading does not fail for it.
        TextRecognitionHelper::letGo(std::move(*started));
        started.emplace();
        if (const int error = TextRecognitionHelper::start(request, *started); error != 0)
            return TextRecognitionResult::failed(failure() + QStringLiteral("cannot start: ") + qt_error_string(error));
        sent = send(*started, &error);
    }
    if (sent != Sent::whole) {
        TextRecognitionHelper::letGo(std::move(*started));
        switch (sent) {
        case Sent::cancelled:
            return TextRecognitionResult::failed(failure() + QStringLiteral("was stopped: a newer reading took its place"));
        case Sent::late:
            return TextRecognitionResult::failed(failure() + QStringLiteral("took too long"));
        default:
            return TextRecognitionResult::failed(failure() + QStringLiteral("cannot be handed the page: ")
                                                 + qt_error_string(error));
        }
    }
    return answer(*started, deadline, cancelled);
}

TextRecognizer TextRecognitionProcess::engine(Options options)
{
    return [options = std::move(options)](const QImage& page, const std::atomic<bool>& cancelled) {
        return recognize(page, options, &cancelled);
    };
}
