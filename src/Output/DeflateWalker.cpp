// A deflate reader that only follows the codes (RFC 1951). Inflating would
// spend most of its time writing out data nobody looks at: here each code costs
// one table look-up.
#include "Output/DeflateWalker.h"

#include <array>

namespace DeflateWalker {

namespace {

    // Bits least significant first, as deflate packs them. Reading past the end
    // yields zeros; callers check position() against the size.
    class BitReader {
    public:
        BitReader(const std::uint8_t* data, std::size_t size)
            : m_data(data)
            , m_size(size)
        {
        }

        // At least 56 bits are available after this.
        void refill()
        {
            while (m_count <= 56) {
                m_buffer |= std::uint64_t(m_next < m_size ? m_data[m_next] : 0) << m_count;
                ++m_next;
                m_count += 8;
            }
        }
        std::uint32_t peek(int bits) const { return std::uint32_t(m_buffer & ((std::uint64_t(1) << bits) - 1)); }
        void skip(int bits)
        {
            m_buffer >>= bits;
            m_count -= bits;
        }
        std::uint32_t take(int bits)
        {
            refill();
            const std::uint32_t value = peek(bits);
            skip(bits);
            return value;
        }
        std::size_t position() const { return m_next * 8 - std::size_t(m_count); }
        // Moves to the next byte boundary, then `bytes` further on.
        void skipBytes(std::size_t bytes)
        {
            m_next = (position() + 7) / 8 + bytes;
            m_buffer = 0;
            m_count = 0;
        }
        bool pastEnd() const { return position() > m_size * 8; }

    private:
        const std::uint8_t* m_data;
        std::size_t m_size;
        std::size_t m_next = 0;
        std::uint64_t m_buffer = 0;
        int m_count = 0;
    };

    // A canonical Huffman code: codes up to fastBits long are found with one
    // look-up, longer ones by walking the code lengths.
    class HuffmanCode {
    public:
        static constexpr int fastBits = 10;

        // False for lengths that describe no valid code (over-subscribed).
        bool build(const std::uint8_t* lengths, int count)
        {
            m_counts.fill(0);
            for (int i = 0; i < count; ++i)
                ++m_counts[lengths[i]];
            m_counts[0] = 0;
            int left = 1;
            for (int length = 1; length <= 15; ++length) {
                left = 2 * left - m_counts[length];
                if (left < 0)
                    return false;
            }
            std::array<int, 16> offsets{};
            for (int length = 1; length < 15; ++length)
                offsets[length + 1] = offsets[length] + m_counts[length];
            for (int symbol = 0; symbol < count; ++symbol) {
                if (lengths[symbol])
                    m_symbols[offsets[lengths[symbol]]++] = std::uint16_t(symbol);
            }
            m_fast.fill(0);
            int code = 0;
            int index = 0;
            for (int length = 1; length <= fastBits; ++length, code <<= 1) {
                for (int i = 0; i < m_counts[length]; ++i, ++code, ++index) {
                    int reversed = 0;
                    for (int bit = 0; bit < length; ++bit)
                        reversed |= ((code >> bit) & 1) << (length - 1 - bit);
                    for (int fill = reversed; fill < (1 << fastBits); fill += 1 << length)
                        m_fast[fill] = std::uint16_t((m_symbols[index] << 4) | length);
                }
            }
            return true;
        }

        // The next symbol, or -1 for bits that are no code. The reader must hold 15 bits.
        int decode(BitReader& bits) const
        {
            const std::uint16_t entry = m_fast[bits.peek(fastBits)];
            if (entry) {
                bits.skip(entry & 15);
                return entry >> 4;
            }
            int code = 0;
            int first = 0;
            int index = 0;
            for (int length = 1; length <= 15; ++length) {
                code |= int(bits.peek(1));
                bits.skip(1);
                const int count = m_counts[length];
                if (code - first < count)
                    return m_symbols[index + code - first];
                index += count;
                first = (first + count) << 1;
                code <<= 1;
            }
            return -1;
        }

    private:
        std::array<std::uint16_t, 1 << fastBits> m_fast{};
        std::array<int, 16> m_counts{};
        std::array<std::uint16_t, 288> m_symbols{};
    };

    constexpr std::uint8_t lengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    constexpr std::uint8_t distanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

    bool readDynamicCodes(BitReader& bits, HuffmanCode& literals, HuffmanCode& distances)
    {
        const int literalCount = int(bits.take(5)) + 257;
        const int distanceCount = int(bits.take(5)) + 1;
        const int lengthCodeCount = int(bits.take(4)) + 4;
        static constexpr std::uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::uint8_t lengthCodeLengths[19] = {};
        for (int i = 0; i < lengthCodeCount; ++i)
            lengthCodeLengths[order[i]] = std::uint8_t(bits.take(3));
        HuffmanCode lengthCode;
        if (literalCount > 286 || distanceCount > 30 || !lengthCode.build(lengthCodeLengths, 19))
            return false;
        std::uint8_t lengths[286 + 30] = {};
        for (int i = 0; i < literalCount + distanceCount;) {
            bits.refill();
            const int symbol = lengthCode.decode(bits);
            if (symbol < 0)
                return false;
            if (symbol < 16) {
                lengths[i++] = std::uint8_t(symbol);
                continue;
            }
            int repeat = 0;
            std::uint8_t value = 0;
            if (symbol == 16) {
                if (i == 0)
                    return false;
                value = lengths[i - 1];
                repeat = 3 + int(bits.take(2));
            } else {
                repeat = symbol == 17 ? 3 + int(bits.take(3)) : 11 + int(bits.take(7));
            }
            if (i + repeat > literalCount + distanceCount)
                return false;
            while (repeat--)
                lengths[i++] = value;
        }
        return lengths[256] != 0 && literals.build(lengths, literalCount)
            && distances.build(lengths + literalCount, distanceCount);
    }

    bool skipCodes(BitReader& bits, const HuffmanCode& literals, const HuffmanCode& distances)
    {
        for (;;) {
            if (bits.pastEnd())
                return false;
            bits.refill();
            const int symbol = literals.decode(bits);
            if (symbol < 256) {
                if (symbol < 0)
                    return false;
                continue;
            }
            if (symbol == 256)
                return true;
            if (symbol > 285)
                return false;
            bits.skip(lengthExtraBits[symbol - 257]);
            const int distance = distances.decode(bits);
            if (distance < 0 || distance >= 30)
                return false;
            bits.skip(distanceExtraBits[distance]);
        }
    }

    void buildFixedCodes(HuffmanCode& literals, HuffmanCode& distances)
    {
        std::uint8_t lengths[288];
        for (int i = 0; i < 288; ++i)
            lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        literals.build(lengths, 288);
        for (int i = 0; i < 30; ++i)
            lengths[i] = 5;
        distances.build(lengths, 30);
    }

} // namespace

std::optional<FinalBlock> findFinalBlock(const std::uint8_t* data, std::size_t size)
{
    BitReader bits(data, size);
    HuffmanCode literals;
    HuffmanCode distances;
    for (;;) {
        const std::size_t header = bits.position();
        const bool final = bits.take(1) != 0;
        const std::uint32_t type = bits.take(2);
        if (type == 0) {
            bits.skipBytes(0);
            const std::uint32_t length = bits.take(16);
            if ((bits.take(16) ^ 0xffffu) != length)
                return std::nullopt;
            bits.skipBytes(length);
        } else if (type == 1 || type == 2) {
            if (type == 1)
                buildFixedCodes(literals, distances);
            else if (!readDynamicCodes(bits, literals, distances))
                return std::nullopt;
            if (!skipCodes(bits, literals, distances))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        if (bits.pastEnd())
            return std::nullopt;
        if (final)
            return FinalBlock{header, bits.position()};
    }
}

} // namespace DeflateWalker
