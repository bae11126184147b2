#pragma once

// What Lumetra and its HEIF decoding program (lumetra-heif-decoder) say to each other.
// libheif and its codecs run in that separate program, capped in memory and time, so a
// fault in them can cost an image but never the running editor.
//
// Lumetra starts the program with the file's bytes as its standard input; the program
// answers on its standard output with one Reply, then either the message (status
// failed) or the pixels: height rows of width * channels bytes each, RGB or RGBA,
// without padding.

#include "Platform/PipeIo.h"

#include <cstdint>

namespace HeifDecoderProtocol {

inline constexpr char programName[] = "lumetra-heif-decoder";
inline constexpr char magic[8] = {'L', 'M', 'H', 'E', 'I', 'F', '1', '\n'};

// The decoded image may hold at most this many bytes at 4 bytes a pixel (as for every
// other format), and libheif is told no side may exceed maximumSide, so that everything
// it admits fits too (maximumSide squared times 4 stays within maximumPixelBytes).
inline constexpr std::int64_t maximumPixelBytes = std::int64_t(2048) * 1024 * 1024;
inline constexpr int maximumSide = 23170;
// The program's own caps: address space (the decoded planes, libheif's working copies
// and the codec's threads fit easily; the 10 GB a forged file can ask for does not),
// processor seconds, and the size of the input it accepts.
inline constexpr std::uint64_t addressSpaceBytes = std::uint64_t(4) * 1024 * 1024 * 1024;
inline constexpr unsigned cpuSeconds = 120;
inline constexpr std::int64_t maximumInputBytes = std::int64_t(512) * 1024 * 1024;
// How long Lumetra waits for an answer before it ends the program.
inline constexpr int deadlineMilliseconds = 60000;

struct Reply {
    char magic[8];
    std::int32_t status; // 0: pixels follow; 1: a message follows
    std::int32_t width;
    std::int32_t height;
    std::int32_t channels;      // 3 or 4
    std::int32_t messageLength; // bytes of the message, status 1 only
};

inline constexpr std::int32_t statusDecoded = 0;
inline constexpr std::int32_t statusFailed = 1;
inline constexpr std::int32_t maximumMessageLength = 4096;

using PipeIo::writeAll;

} // namespace HeifDecoderProtocol
