#include "Output/DeflateWalker.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// zlib's raw deflate of `first`, a sync flush, then `second` to the end: the
// final block starts right after the flush, on a byte boundary.
std::pair<QByteArray, qsizetype> deflated(const QByteArray& first, const QByteArray& second, int level, int strategy)
{
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy);
    QByteArray out(first.size() + second.size() + 1024, '\0');
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(first.constData()));
    stream.avail_in = uInt(first.size());
    deflate(&stream, Z_SYNC_FLUSH);
    const qsizetype flushed = qsizetype(stream.total_out);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(second.constData()));
    stream.avail_in = uInt(second.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return {out, flushed};
}

// 0: noise; 1: a short text over and over; 2: zeros with rare other bytes (long
// codes); 3: a 25000-byte stretch of noise twice over (the farthest distances).
QByteArray sample(int kind, int size)
{
    QRandomGenerator random(quint32(kind + size));
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        const int noise = int(random.bounded(256));
        bytes[i] = char(kind == 0 ? noise
                            : kind == 1 ? "screen capture text "[i % 20]
                            : kind == 2 ? (noise < 250 ? 0 : int(random.bounded(256)))
                                        : (i < 25000 ? noise : bytes[i % 25000]));
    }
    return bytes;
}

} // namespace

TEST(DeflateWalker, FindsTheFinalBlockOfEveryKind)
{
    struct Case {
        int level, strategy;
    };
    // Stored, fixed and dynamic codes, literal-only and run-length streams.
    const Case cases[] = {{0, Z_DEFAULT_STRATEGY}, {6, Z_FIXED}, {6, Z_DEFAULT_STRATEGY},
                          {6, Z_HUFFMAN_ONLY},     {9, Z_RLE},   {1, Z_FILTERED}};
    for (const Case& c : cases) {
        for (int kind = 0; kind < 4; ++kind) {
            const auto [stream, flushed] = deflated(sample(kind, 200000), sample(kind, 3000), c.level, c.strategy);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
            const auto final = DeflateWalker::findFinalBlock(bytes, std::size_t(stream.size()));
            ASSERT_TRUE(final) << "level " << c.level << " strategy " << c.strategy << " kind " << kind;
            EXPECT_EQ(final->headerBit, std::size_t(flushed) * 8);
            EXPECT_EQ((final->endBit + 7) / 8, std::size_t(stream.size()));

            // Cut short, or with a block type that does not exist: no answer.
            EXPECT_FALSE(DeflateWalker::findFinalBlock(bytes, std::size_t(stream.size()) / 2));
            QByteArray broken = stream;
            broken[flushed] = char(broken[flushed] | 0x06);
            EXPECT_FALSE(DeflateWalker::findFinalBlock(reinterpret_cast<const std::uint8_t*>(broken.constData()),
                                                       std::size_t(broken.size())));
        }
    }
}
