#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

struct libdeflate_compressor;

// One zlib stream built from pieces compressed independently (on different
// threads), as parallel gzip tools build theirs: every piece but the last ends
// on a byte boundary after an empty stored block, so the next piece's raw
// deflate data can follow it directly. libdeflate compresses whole buffers only
// and always marks its last block final; that mark is found and cleared here.
namespace ZlibBands {

// The two header bytes of a zlib stream compressed at libdeflate `level`.
std::array<std::uint8_t, 2> header(int level);

// Bytes with room reserved but not touched: memory the system has not handed
// over yet costs nothing, so a piece's room can be its worst case.
class Bytes {
public:
    // False when memory ran out.
    bool reserve(std::size_t capacity);
    void append(const std::uint8_t* bytes, std::size_t count); // within the room reserved
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    std::size_t room() const { return m_capacity - m_size; }
    void grow(std::size_t count) { m_size += count; }

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// Compresses pieces at one level; one thread uses it at a time.
class PieceCompressor {
public:
    explicit PieceCompressor(int level);
    ~PieceCompressor();
    PieceCompressor(const PieceCompressor&) = delete;
    PieceCompressor& operator=(const PieceCompressor&) = delete;

    // Appends the raw deflate data of `length` bytes at `data` to `out`, and
    // leaves `spare` bytes of room after it. Unless `last`, a decoder reads on
    // past its end into the next piece. False when memory ran out.
    bool deflate(const std::uint8_t* data, std::size_t length, bool last, Bytes& out, std::size_t spare = 0);

private:
    libdeflate_compressor* m_compressor = nullptr;
};

// Adler-32 of `length` bytes, and of two pieces joined (the second `secondLength` long).
std::uint32_t adler32(const std::uint8_t* data, std::size_t length);
std::uint32_t combineAdler32(std::uint32_t first, std::uint32_t second, std::size_t secondLength);

} // namespace ZlibBands
