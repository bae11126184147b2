#include "Output/ZlibBands.h"

#include "Output/DeflateWalker.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <new>

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

ZlibBands::PieceCompressor::PieceCompressor(int level)
    : m_compressor(libdeflate_alloc_compressor(level))
{
}

ZlibBands::PieceCompressor::~PieceCompressor()
{
    libdeflate_free_compressor(m_compressor);
}

bool ZlibBands::PieceCompressor::deflate(const std::uint8_t* data, std::size_t length, bool last, Bytes& out,
                                         std::size_t spare)
{
    constexpr std::size_t flushBytes = 5;
    if (!m_compressor)
        return false;
    if (!out.reserve(out.size() + libdeflate_deflate_compress_bound(m_compressor, length) + flushBytes + spare))
        return false;
    std::uint8_t* stream = out.data() + out.size();
    const std::size_t written
        = libdeflate_deflate_compress(m_compressor, data, length, stream, out.room() - flushBytes - spare);
    if (written == 0)
        return false;
    out.grow(written);
    if (last)
        return true;

    // Deflate cannot be read backwards: where the final block starts is known
    // only by reading every block before it.
    const std::optional<DeflateWalker::FinalBlock> final = DeflateWalker::findFinalBlock(stream, written);
    if (!final || (final->endBit + 7) / 8 != written)
        return false;
    const std::uint8_t finalFlag = std::uint8_t(1u << (final->headerBit % 8));
    if (!(stream[final->headerBit / 8] & finalFlag))
        return false;
    stream[final->headerBit / 8] &= std::uint8_t(~finalFlag);
    // An empty stored block (a sync flush): its three header bits follow the
    // end-of-block code, then padding to the byte, then LEN 0 and NLEN 0xffff.
    const int paddingBits = int(written * 8 - final->endBit);
    stream[written - 1] &= std::uint8_t(0xffu >> paddingBits);
    static constexpr std::uint8_t emptyStoredBlock[flushBytes] = {0x00, 0x00, 0x00, 0xff, 0xff};
    out.append(emptyStoredBlock + (paddingBits < 3 ? 0 : 1), paddingBits < 3 ? 5 : 4);
    return true;
}

bool ZlibBands::Bytes::reserve(std::size_t capacity)
{
    if (capacity <= m_capacity)
        return true;
    std::unique_ptr<std::uint8_t[]> bigger(new (std::nothrow) std::uint8_t[capacity]);
    if (!bigger)
        return false;
    if (m_size)
        std::memcpy(bigger.get(), m_data.get(), m_size);
    m_data = std::move(bigger);
    m_capacity = capacity;
    return true;
}

void ZlibBands::Bytes::append(const std::uint8_t* bytes, std::size_t count)
{
    std::memcpy(m_data.get() + m_size, bytes, count);
    m_size += count;
}

std::uint32_t ZlibBands::adler32(const std::uint8_t* data, std::size_t length)
{
    return libdeflate_adler32(1, data, length);
}

std::uint32_t ZlibBands::combineAdler32(std::uint32_t first, std::uint32_t second, std::size_t secondLength)
{
    return static_cast<std::uint32_t>(::adler32_combine(first, second, static_cast<z_off_t>(secondLength)));
}
