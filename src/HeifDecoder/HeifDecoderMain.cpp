// lumetra-heif-decoder: decodes one HEIF/HEIC image from standard input for Lumetra
// (see Platform/HeifDecoderProtocol.h). It caps its own memory and processor time
// before it reads a byte, so whatever libheif or its codec does with a hostile file
// ends here, in this process.
#include "Platform/HeifDecoderProtocol.h"

#include <libheif/heif.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace P = HeifDecoderProtocol;

P::Reply reply(std::int32_t status, int width, int height, int channels, size_t messageLength)
{
    P::Reply r{};
    std::memcpy(r.magic, P::magic, sizeof r.magic);
    r.status = status;
    r.width = width;
    r.height = height;
    r.channels = channels;
    r.messageLength = std::int32_t(messageLength);
    return r;
}

int failWith(std::string message)
{
    if (message.size() > size_t(P::maximumMessageLength))
        message.resize(size_t(P::maximumMessageLength));
    const P::Reply r = reply(P::statusFailed, 0, 0, 0, message.size());
    return P::writeAll(STDOUT_FILENO, &r, sizeof r) && P::writeAll(STDOUT_FILENO, message.data(), message.size()) ? 0 : 1;
}

int failWith(const heif_error& error)
{
    return failWith(error.message && *error.message ? error.message : "unknown libheif error");
}

void limit(int resource, rlim_t value)
{
    const rlimit bound{value, value};
    ::setrlimit(resource, &bound);
}

// Whether a plane of width x height pixels stays within what Lumetra accepts.
bool admissible(int width, int height)
{
    return width > 0 && height > 0 && width <= P::maximumSide && height <= P::maximumSide
        && std::int64_t(width) * height * 4 <= P::maximumPixelBytes;
}

template <auto release>
struct Releaser {
    template <typename T>
    void operator()(T* object) const { release(object); }
};

} // namespace

int main()
{
    limit(RLIMIT_AS, P::addressSpaceBytes);
    limit(RLIMIT_CPU, P::cpuSeconds);
    limit(RLIMIT_CORE, 0);

    std::vector<char> input;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWith("cannot read the image data");
        if (n == 0)
            break;
        if (std::int64_t(input.size()) + n > P::maximumInputBytes)
            return failWith("the HEIF file is too large");
        input.insert(input.end(), chunk, chunk + n);
    }

    std::unique_ptr<heif_context, Releaser<heif_context_free>> context(heif_context_alloc());
    if (!context)
        return failWith("libheif context could not be created");
    // libheif never admits a side larger than any image Lumetra accepts.
    heif_context_set_maximum_image_size_limit(context.get(), P::maximumSide);
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), input.data(), input.size(), nullptr);
    if (error.code != heif_error_Ok)
        return failWith(error);

    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>> handle(rawHandle);
    if (error.code != heif_error_Ok || !handle)
        return failWith(error);
    if (!admissible(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))
        return failWith("the HEIF image is too large or has no size");

    const bool hasAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    std::unique_ptr<heif_image, Releaser<heif_image_release>> decoded(rawImage);
    if (error.code != heif_error_Ok || !decoded)
        return failWith(error);

    // The decoded plane is what counts, not what the handle said: a file can declare a
    // small image and decode to a huge one.
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    const int channels = hasAlpha ? 4 : 3;
    if (!admissible(width, height))
        return failWith("the decoded HEIF image is too large or has no size");
    if (!plane || stride < width * channels)
        return failWith("the HEIF decoder returned no pixels");

    const P::Reply r = reply(P::statusDecoded, width, height, channels, 0);
    if (!P::writeAll(STDOUT_FILENO, &r, sizeof r))
        return 1;
    for (int y = 0; y < height; ++y) {
        if (!P::writeAll(STDOUT_FILENO, plane + size_t(y) * size_t(stride), size_t(width) * size_t(channels)))
            return 1;
    }
    return 0;
}
