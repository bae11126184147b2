#pragma once

// Whole reads and writes on a descriptor, going on after an interrupted call: what
// Lumetra hands its helper programs and what they answer.

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace PipeIo {

// Moves size bytes with transfer (a read or a write) until all have gone. False once
// transfer moves none.
template <typename Byte, typename Transfer>
bool whole(Byte* bytes, std::size_t size, Transfer transfer)
{
    while (size > 0) {
        const ssize_t n = transfer(bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

// Writes all size bytes to fd. False when fd takes no more.
inline bool writeAll(int fd, const void* data, std::size_t size)
{
    return whole(static_cast<const char*>(data), size, [fd](const char* b, std::size_t n) { return ::write(fd, b, n); });
}

// Reads exactly size bytes from fd (blocking). False on end of data or an error.
inline bool readAll(int fd, void* into, std::size_t size)
{
    return whole(static_cast<char*>(into), size, [fd](char* b, std::size_t n) { return ::read(fd, b, n); });
}

} // namespace PipeIo
