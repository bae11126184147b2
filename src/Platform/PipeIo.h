#pragma once

// Whole reads and writes on a descriptor, going on after an interrupted call: what
// Lumetra hands its helper programs and what they answer.

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace PipeIo {

// Writes all size bytes to fd. False when fd takes no more.
inline bool writeAll(int fd, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

// Reads exactly size bytes from fd (blocking). False on end of data or an error.
inline bool readAll(int fd, void* into, std::size_t size)
{
    char* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace PipeIo
