#include "Platform/ImageFileReader.h"

#include "Platform/ChildProcess.h"
#include "Platform/HeifDecoderProtocol.h"
#include "Platform/HeifLibrary.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

namespace ImageFileReader {

namespace {

    namespace P = HeifDecoderProtocol;
    using namespace ChildProcess;

    // One row of the answer into the editor's format, so that no second copy of the
    // image in the decoder's format is ever held.
    void convertRow(const uchar* in, int width, int channels, QRgb* out)
    {
        for (int x = 0; x < width; ++x, in += channels)
            out[x] = channels == 4 ? qPremultiply(qRgba(in[0], in[1], in[2], in[3])) : qRgb(in[0], in[1], in[2]);
    }

    // Waits for the program's end until the deadline, then ends it. Its exit status, or
    // a description of how it ended otherwise.
    QString reapDecoder(pid_t pid, Clock::time_point deadline)
    {
        const Ending ending = reap(pid, deadline);
        if (ending.lost)
            return QStringLiteral("the HEIF decoder was lost");
        if (ending.killed)
            return QStringLiteral("the HEIF decoder took too long");
        if (WIFSIGNALED(ending.status))
            return QStringLiteral("the HEIF decoder ended with signal %1").arg(WTERMSIG(ending.status));
        if (WEXITSTATUS(ending.status) != 0)
            return QStringLiteral("the HEIF decoder failed (status %1)").arg(WEXITSTATUS(ending.status));
        return QString();
    }

    // The program reads the image from input (a file, or the bytes in memory) as its
    // standard input.
    Result decodeInChild(const QString& program, int input, int timeoutMs, const Superseded& superseded)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        ::lseek(input, 0, SEEK_SET);
        Fd output;
        pid_t pid = -1;
        if (const int error = spawn(program, input, output, pid))
            return { QImage(), QStringLiteral("cannot start the HEIF decoder: %1").arg(qt_error_string(error)) };

        P::Reply reply {};
        QImage image;
        QString failure;
        // Set when the answer broke off: how the program ended then says more.
        bool cutShort = false;
        if (readExactly(output.fd, &reply, sizeof reply, deadline, superseded) != ReadEnd::done
            || std::memcmp(reply.magic, P::magic, sizeof P::magic) != 0) {
            failure = QStringLiteral("the HEIF decoder gave no answer");
            cutShort = true;
        } else if (reply.status != P::statusDecoded) {
            QByteArray message(std::clamp(reply.messageLength, 0, P::maximumMessageLength), Qt::Uninitialized);
            cutShort = readExactly(output.fd, message.data(), size_t(message.size()), deadline, superseded) != ReadEnd::done;
            failure = cutShort ? QStringLiteral("the HEIF decoder gave no answer") : QString::fromUtf8(message);
        } else if ((reply.channels != 3 && reply.channels != 4) || reply.width <= 0 || reply.height <= 0
                   || reply.width > P::maximumSide || reply.height > P::maximumSide
                   || qint64(reply.width) * reply.height * 4 > maxDecodedBytes) {
            // Checked before a byte of ours is allocated for it.
            failure = QStringLiteral("HEIF image too large %1x%2").arg(reply.width).arg(reply.height);
        } else {
            image = QImage(reply.width, reply.height, reply.channels == 4 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
            QByteArray row(qsizetype(reply.width) * reply.channels, Qt::Uninitialized);
            if (image.isNull())
                failure = QStringLiteral("out of memory for %1x%2").arg(reply.width).arg(reply.height);
            for (int y = 0; failure.isEmpty() && y < reply.height; ++y) {
                if (readExactly(output.fd, row.data(), size_t(row.size()), deadline, superseded) != ReadEnd::done) {
                    failure = QStringLiteral("the HEIF decoder stopped before the end of the image");
                    cutShort = true;
                } else {
                    convertRow(reinterpret_cast<const uchar*>(row.constData()), reply.width, reply.channels,
                               reinterpret_cast<QRgb*>(image.scanLine(y)));
                }
            }
        }
        // A superseded image is not waited for.
        if (superseded && superseded())
            ::kill(pid, SIGKILL);
        output.reset();
        // A program that has answered in full ends at once; one that is still busy after a
        // refused answer is not waited for.
        const auto grace = failure.isEmpty() || cutShort ? deadline : std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
        const QString ending = reapDecoder(pid, grace);
        if (!ending.isEmpty() && (failure.isEmpty() || cutShort))
            failure = ending;
        if (!failure.isEmpty())
            return { QImage(), failure };
        return { image, QString() };
    }

} // namespace

bool looksLikeHeif(const QByteArray& data)
{
    // Every HEIF file opens with an ftyp box; other files need not load libheif to say no.
    if (data.size() < 12 || data.mid(4, 4) != "ftyp")
        return false;
    const HeifLibrary::Functions* heif = HeifLibrary::get();
    if (!heif)
        return false;
    const auto result = heif->heif_check_filetype(reinterpret_cast<const uint8_t*>(data.constData()),
        int(std::min<qsizetype>(data.size(), 64)));
    return result == heif_filetype_yes_supported;
}

QString heifDecoderProgram()
{
    return findProgram(QString::fromLatin1(P::programName));
}

Result readHeif(const QByteArray& data, const Superseded& superseded)
{
    static const QString program = heifDecoderProgram();
    if (program.isEmpty())
        return { QImage(), QStringLiteral("the HEIF decoder (%1) is not installed").arg(QString::fromLatin1(P::programName)) };
    return readHeifWith(program, data, P::deadlineMilliseconds, superseded);
}

Result readHeifFile(int fd, const Superseded& superseded)
{
    static const QString program = heifDecoderProgram();
    if (program.isEmpty())
        return { QImage(), QStringLiteral("the HEIF decoder (%1) is not installed").arg(QString::fromLatin1(P::programName)) };
    return decodeInChild(program, fd, P::deadlineMilliseconds, superseded);
}

Result readHeifWith(const QString& decoderProgram, const QByteArray& data, int timeoutMs, const Superseded& superseded)
{
    if (data.size() > P::maximumInputBytes)
        return { QImage(), QStringLiteral("the HEIF file is too large") };
    // The bytes reach the program as its standard input, from memory.
    Fd input(::memfd_create("lumetra-heif-input", MFD_CLOEXEC));
    if (input.fd < 0 || !P::writeAll(input.fd, data.constData(), size_t(data.size())))
        return { QImage(), QStringLiteral("cannot hand the image to the HEIF decoder: %1").arg(qt_error_string(errno)) };
    return decodeInChild(decoderProgram, input.fd, timeoutMs, superseded);
}

} // namespace ImageFileReader
