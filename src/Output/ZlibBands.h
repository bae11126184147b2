#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// One zlib stream built from pieces compressed independently (on different
// threads), as parallel gzip tools build theirs: every piece but the last ends
// on a byte boundary after an empty stored block, so the next piece's raw
// deflate data can follow it directly. libdeflate compresses whole buffers only
// and always marks its last block final; that mark is found and cleared here.
namespace ZlibBands {

// The two header bytes of a zlib stream compressed at libdeflate `level`.
std::array<std::uint8_t, 2> header(int level);

// Appends the raw deflate data of `length` bytes at `data` to `out`. Unless
// `last`, a decoder reads on past its end into the next piece. Thread safe;
// false when memory ran out.
bool deflatePiece(const std::uint8_t* data, std::size_t length, int level, bool last,
                  std::vector<std::uint8_t>& out);

// Adler-32 of `length` bytes, and of two pieces joined (the second `secondLength` long).
std::uint32_t adler32(const std::uint8_t* data, std::size_t length);
std::uint32_t combineAdler32(std::uint32_t first, std::uint32_t second, std::size_t secondLength);

} // namespace ZlibBands
