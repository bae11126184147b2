#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace DeflateWalker {

struct FinalBlock {
    std::size_t headerBit = 0; // where the final block's header starts (its first bit is the final flag)
    std::size_t endBit = 0;    // just past its end-of-block code
};

// Reads a complete raw deflate stream block by block, decoding its codes but
// producing no data, to find where its final block starts and ends. Absent when
// the stream is malformed or does not end within `size` bytes.
std::optional<FinalBlock> findFinalBlock(const std::uint8_t* data, std::size_t size);

} // namespace DeflateWalker
