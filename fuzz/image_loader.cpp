// The whole image loader, as the editor uses it on a file: every format (Qt's readers,
// the PSD reader, HEIF through its decoding program), decided from the content.
#include "FuzzSupport.h"

#include "Platform/ImageFileReader.h"

#include <QString>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApplication();
    // One file in memory, rewritten for every input and opened by its path.
    static const int fd = ::memfd_create("lumetra-fuzz-image", MFD_CLOEXEC);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (::ftruncate(fd, 0) != 0 || (size > 0 && ::pwrite(fd, data, size, 0) != ssize_t(size)))
        return 0;
    const ImageFileReader::Result result = ImageFileReader::readFile(path);
    if (!result.ok()) {
        Fuzz::require(!result.error.isEmpty(), "a refused image says why");
        return 0;
    }
    const QImage& image = result.image;
    Fuzz::require(qint64(image.width()) * image.height() * 4 <= ImageFileReader::maxDecodedBytes,
                  "a decoded image stays within the size limit");
    Fuzz::require(image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32,
                  "a decoded image comes in one of the editor's two formats");
    return 0;
}
