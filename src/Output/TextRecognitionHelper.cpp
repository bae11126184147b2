#include "Output/TextRecognitionHelper.h"

#include "Output/TextRecognitionProtocol.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

extern char** environ;

namespace TextRecognitionHelper {

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

// A program that has ended never raises SIGPIPE here: its socket refuses instead. Why
// it was refused goes to *error, read where it happened.
Sent sendAll(int fd, const void* data, size_t size, Clock::time_point deadline, const std::function<bool()>& cancelled,
             int* error)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            bytes += n;
            size -= size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            *error = n == 0 ? EPIPE : errno;
            return Sent::refused;
        }
        if (cancelled && cancelled())
            return Sent::cancelled;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            *error = ETIMEDOUT;
            return Sent::late;
        }
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(std::min<long long>(left, 20)));
    }
    return Sent::whole;
}

// The rows of an image of `bytes` bytes a pixel, in one piece where they lie end to end.
Sent sendRows(int fd, const QImage& image, size_t bytes, Clock::time_point deadline, const std::function<bool()>& cancelled,
              int* error)
{
    const size_t row = size_t(image.width()) * bytes;
    if (size_t(image.bytesPerLine()) == row)
        return sendAll(fd, image.constBits(), row * size_t(image.height()), deadline, cancelled, error);
    Sent sent = Sent::whole;
    for (int y = 0; sent == Sent::whole && y < image.height(); ++y)
        sent = sendAll(fd, image.constScanLine(y), row, deadline, cancelled, error);
    return sent;
}

} // namespace

int start(const Request& request, Started& started)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return errno;
    Fd ours(ends[0]);
    Fd theirs(ends[1]);
    const std::vector<QByteArray> variables = childEnvironment();
    Fd output;
    pid_t pid = -1;
    if (const int spawned = spawn(request.program, theirs.fd, output, pid, &variables); spawned != 0)
        return spawned;
    theirs.reset();
    started.pid = pid;
    started.input = std::move(ours);
    started.output = std::move(output);

    P::Request first{};
    std::memcpy(first.magic, P::requestMagic, sizeof first.magic);
    first.languagesLength = std::int32_t(request.languages.size());
    first.dataPathLength = std::int32_t(request.dataPath.size());
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(P::deadlineMilliseconds);
    const int fd = started.input.fd;
    int error = 0;
    Sent sent = sendAll(fd, &first, sizeof first, deadline, {}, &error);
    if (sent == Sent::whole)
        sent = sendAll(fd, request.languages.constData(), size_t(request.languages.size()), deadline, {}, &error);
    if (sent == Sent::whole)
        sent = sendAll(fd, request.dataPath.constData(), size_t(request.dataPath.size()), deadline, {}, &error);
    if (sent == Sent::whole)
        return 0;
    letGo(std::move(started));
    return error;
}

Sent sendImage(Started& started, const QImage& image, Clock::time_point deadline, const std::function<bool()>& cancelled,
               int* error)
{
    int failure = 0;
    const bool grey = image.format() == QImage::Format_Grayscale8;
    const P::Page size{image.width(), image.height(), grey ? P::greyChannels : P::colourChannels};
    const int fd = started.input.fd;
    Sent sent = sendAll(fd, &size, sizeof size, deadline, cancelled, &failure);
    if (sent == Sent::whole && (grey || image.format() == QImage::Format_RGB888)) {
        sent = sendRows(fd, image, size_t(size.channels), deadline, cancelled, &failure);
    } else if (sent == Sent::whole) {
        // Red, green and blue a band of rows at a time: the page is never copied whole.
        constexpr int band = 64;
        for (int y = 0; sent == Sent::whole && y < image.height(); y += band) {
            const QImage rows = image.copy(0, y, image.width(), std::min(band, image.height() - y)).convertToFormat(QImage::Format_RGB888);
            if (rows.isNull()) {
                failure = ENOMEM;
                sent = Sent::refused;
            } else {
                sent = sendRows(fd, rows, size_t(size.channels), deadline, cancelled, &failure);
            }
        }
    }
    if (error)
        *error = failure;
    return sent;
}

Sent sendInk(Started& started, const QImage& paper, const QImage& misjudged, Clock::time_point deadline,
             const std::function<bool()>& cancelled, int* error)
{
    int failure = 0;
    const int fd = started.input.fd;
    Sent sent = sendRows(fd, paper, 1, deadline, cancelled, &failure);
    if (sent == Sent::whole && !misjudged.isNull()) {
        sent = sendRows(fd, misjudged, 1, deadline, cancelled, &failure);
    } else if (sent == Sent::whole) {
        const std::vector<uchar> noMarks(size_t(paper.width()), 0);
        for (int y = 0; sent == Sent::whole && y < paper.height(); ++y)
            sent = sendAll(fd, noMarks.data(), noMarks.size(), deadline, cancelled, &failure);
    }
    if (error)
        *error = failure;
    // The program reads no more; a program that reads to the end of its input answers.
    started.input.reset();
    return sent;
}

void letGo(Started&& started)
{
    started.input.reset();
    started.output.reset();
    if (started.pid <= 0)
        return;
    collectLater(std::exchange(started.pid, -1), std::chrono::milliseconds(P::leaveMilliseconds));
}

} // namespace TextRecognitionHelper
