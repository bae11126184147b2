#include "Output/ZlibBands.h"

#include <libdeflate.h>
#include <zlib.h>

#include <memory>
#include <new>
#include <optional>

namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// One compressor per thread and level: allocating one costs more than a small piece.
libdeflate_compressor* compressorFor(int level)
{
    thread_local std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor;
    thread_local int compressorLevel = -1;
    if (!compressor || compressorLevel != level) {
        compressor.reset(libdeflate_alloc_compressor(level));
        compressorLevel = compressor ? level : -1;
    }
    return compressor.get();
}

struct FinalBlock {
    std::size_t headerBit = 0; // where the final block's header starts
    int paddingBits = 0;       // unused bits after its end-of-block code
};

// Walks a complete raw deflate stream block by block with zlib's inflate,
// which reports each block boundary as a bit position. This is the only way to
// learn where libdeflate's final block starts: deflate cannot be read backwards.
std::optional<FinalBlock> findFinalBlock(const std::uint8_t* data, std::size_t size)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    thread_local std::vector<Bytef> sink(std::size_t(1) << 16);
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    std::optional<FinalBlock> found;
    std::size_t boundary = 0;
    for (;;) {
        stream.next_out = sink.data();
        stream.avail_out = static_cast<uInt>(sink.size());
        const int status = inflate(&stream, Z_BLOCK);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        const int unusedBits = stream.data_type & 7;
        const bool atBoundary = (stream.data_type & 128) != 0;
        const bool inFinalBlock = (stream.data_type & 64) != 0;
        if (atBoundary && inFinalBlock) {
            // Just past the final block's end-of-block code: the stream ends here.
            if (stream.total_in == size)
                found = FinalBlock{boundary, unusedBits};
            break;
        }
        if (atBoundary)
            boundary = std::size_t(stream.total_in) * 8 - std::size_t(unusedBits);
        if (status == Z_STREAM_END || (stream.avail_in == 0 && stream.avail_out != 0))
            break;
    }
    inflateEnd(&stream);
    return found;
}

} // namespace

std::array<std::uint8_t, 2> ZlibBands::header(int level)
{
    // CMF: deflate with a 32 KiB window. FLG: the level class (as zlib reports
    // it) and the check bits that make the pair a multiple of 31.
    const std::uint8_t cmf = 0x78;
    const int levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    std::uint8_t flg = std::uint8_t(levelClass << 6);
    flg = std::uint8_t(flg + (31 - (cmf * 256 + flg) % 31) % 31);
    return {cmf, flg};
}

bool ZlibBands::deflatePiece(const std::uint8_t* data, std::size_t length, int level, bool last,
                             std::vector<std::uint8_t>& out)
{
    libdeflate_compressor* compressor = compressorFor(level);
    if (!compressor)
        return false;
    const std::size_t start = out.size();
    try {
        out.resize(start + libdeflate_deflate_compress_bound(compressor, length) + 5);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::size_t written = libdeflate_deflate_compress(compressor, data, length, out.data() + start,
                                                            out.size() - start);
    if (written == 0)
        return false;
    out.resize(start + written);
    if (last)
        return true;

    const std::optional<FinalBlock> final = findFinalBlock(out.data() + start, written);
    if (!final)
        return false;
    std::uint8_t* header = out.data() + start + final->headerBit / 8;
    const std::uint8_t finalFlag = std::uint8_t(1u << (final->headerBit % 8));
    if (!(*header & finalFlag))
        return false;
    *header &= std::uint8_t(~finalFlag);
    // An empty stored block (a sync flush): its three header bits follow the
    // end-of-block code, then padding to the byte, then LEN 0 and NLEN 0xffff.
    out.back() &= std::uint8_t(0xffu >> final->paddingBits);
    if (final->paddingBits < 3)
        out.push_back(0x00);
    out.insert(out.end(), {0x00, 0x00, 0xff, 0xff});
    return true;
}

std::uint32_t ZlibBands::adler32(const std::uint8_t* data, std::size_t length)
{
    return libdeflate_adler32(1, data, length);
}

std::uint32_t ZlibBands::combineAdler32(std::uint32_t first, std::uint32_t second, std::size_t secondLength)
{
    return static_cast<std::uint32_t>(::adler32_combine(first, second, static_cast<z_off_t>(secondLength)));
}
