#include "Capture/RowSignatures.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace RowSignatures {

namespace {

// Band means of two renderings of the same row stay within this (noise of +-2 per
// channel moves R + G + B by at most 6 per frame); a real change of content moves
// some band further.
constexpr int kTolerance = 20;

// Sum of the four bytes of pixels [from, to) of a row.
quint32 byteSum(const quint32* row, int from, int to)
{
    quint32 sum = 0;
    int x = from;
#if defined(__SSE2__)
    __m128i wide = _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128();
    for (; x + 4 <= to; x += 4)
        wide = _mm_add_epi64(wide, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x)), zero));
    sum = quint32(_mm_cvtsi128_si32(wide)) + quint32(_mm_cvtsi128_si32(_mm_srli_si128(wide, 8)));
#endif
    for (; x < to; ++x) {
        const quint32 p = row[x];
        sum += (p & 0xff) + ((p >> 8) & 0xff) + ((p >> 16) & 0xff) + (p >> 24);
    }
    return sum;
}

// Agreeing edge cells of rows [first, last) of `next` (every `step`th row) against
// the rows t further down in `previous`, minus disagreeing cells.
int score(const std::vector<Signature>& previous, const std::vector<Signature>& next,
          const std::vector<quint16>& nextEdges, int t, int first, int last, int step = 1)
{
#if defined(__SSE2__)
    // Per band: +1 for an agreeing edge cell, -1 for a disagreeing cell, summed in 16-bit
    // lanes that are flushed before they could overflow.
    const __m128i limit = _mm_set1_epi16(kTolerance);
    const __m128i lowBits = _mm_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128);
    const __m128i highBits = _mm_setr_epi16(256, 512, 1024, 2048, 4096, 8192, 16384, short(-32768));
    const __m128i ones = _mm_set1_epi16(1);
    __m128i lanes = _mm_setzero_si128();
    __m128i total = _mm_setzero_si128();
    int pending = 0;
    for (int r = first; r < last; r += step) {
        const Signature& a = next[std::size_t(r)];
        const Signature& b = previous[std::size_t(r + t)];
        const __m128i a0 = _mm_load_si128(reinterpret_cast<const __m128i*>(a.band));
        const __m128i a1 = _mm_load_si128(reinterpret_cast<const __m128i*>(a.band + 8));
        const __m128i b0 = _mm_load_si128(reinterpret_cast<const __m128i*>(b.band));
        const __m128i b1 = _mm_load_si128(reinterpret_cast<const __m128i*>(b.band + 8));
        const __m128i d0 = _mm_cmpgt_epi16(_mm_or_si128(_mm_subs_epu16(a0, b0), _mm_subs_epu16(b0, a0)), limit);
        const __m128i d1 = _mm_cmpgt_epi16(_mm_or_si128(_mm_subs_epu16(a1, b1), _mm_subs_epu16(b1, a1)), limit);
        const __m128i edges = _mm_set1_epi16(short(nextEdges[std::size_t(r)]));
        const __m128i e0 = _mm_cmpeq_epi16(_mm_and_si128(edges, lowBits), lowBits);
        const __m128i e1 = _mm_cmpeq_epi16(_mm_and_si128(edges, highBits), highBits);
        // Masks are -1: an agreeing edge cell subtracts -1, a disagreeing cell adds -1.
        lanes = _mm_sub_epi16(lanes, _mm_andnot_si128(d0, e0));
        lanes = _mm_sub_epi16(lanes, _mm_andnot_si128(d1, e1));
        lanes = _mm_add_epi16(lanes, _mm_add_epi16(d0, d1));
        if (++pending == 8000) {
            total = _mm_add_epi32(total, _mm_madd_epi16(lanes, ones));
            lanes = _mm_setzero_si128();
            pending = 0;
        }
    }
    total = _mm_add_epi32(total, _mm_madd_epi16(lanes, ones));
    total = _mm_add_epi32(total, _mm_srli_si128(total, 8));
    total = _mm_add_epi32(total, _mm_srli_si128(total, 4));
    return _mm_cvtsi128_si32(total);
#else
    int value = 0;
    for (int r = first; r < last; r += step) {
        const quint16 differing = differingBands(next[std::size_t(r)], previous[std::size_t(r + t)]);
        for (int k = 0; k < kBands; ++k) {
            if (differing & (1u << k))
                --value;
            else if (nextEdges[std::size_t(r)] & (1u << k))
                ++value;
        }
    }
    return value;
#endif
}

// Best first (ties: smaller offset first), cut to those with at least 1/32 of the
// best score and to maxCount.
std::vector<Candidate> strongest(std::vector<Candidate> scored, int maxCount)
{
    std::sort(scored.begin(), scored.end(), [](const Candidate& a, const Candidate& b) {
        if (a.score != b.score)
            return a.score > b.score;
        if (std::abs(a.offset) != std::abs(b.offset))
            return std::abs(a.offset) < std::abs(b.offset);
        return a.offset < b.offset;
    });
    if (!scored.empty()) {
        const int floor = std::max(1, scored.front().score / 32);
        const auto weak = std::find_if(scored.begin(), scored.end(),
                                       [floor](const Candidate& c) { return c.score < floor; });
        scored.erase(weak, scored.end());
    }
    if (int(scored.size()) > maxCount)
        scored.resize(std::size_t(maxCount));
    return scored;
}

} // namespace

std::vector<Signature> compute(const FramePixels& view)
{
    std::vector<Signature> rows(std::size_t(std::max(0, view.height)));
    if (view.isNull())
        return rows;
    int bounds[kBands + 1];
    for (int k = 0; k <= kBands; ++k)
        bounds[k] = k * view.width / kBands;
    for (int y = 0; y < view.height; ++y) {
        const quint32* px = view.row(y);
        for (int k = 0; k < kBands; ++k) {
            const int x0 = bounds[k], x1 = bounds[k + 1];
            rows[std::size_t(y)].band[k] = qint16(x1 > x0 ? byteSum(px, x0, x1) / quint32(x1 - x0) : 0);
        }
    }
    return rows;
}

quint16 differingBands(const Signature& a, const Signature& b)
{
    quint16 mask = 0;
    for (int k = 0; k < kBands; ++k) {
        if (std::abs(a.band[k] - b.band[k]) > kTolerance)
            mask |= quint16(1u << k);
    }
    return mask;
}

std::vector<quint16> edgeBands(const std::vector<Signature>& rows)
{
    const int n = int(rows.size());
    std::vector<quint16> edges(rows.size(), 0);
    for (int r = 0; r + 1 < n; ++r) {
        const quint16 step = differingBands(rows[std::size_t(r)], rows[std::size_t(r + 1)]);
        edges[std::size_t(r)] |= step;
        edges[std::size_t(r + 1)] |= step;
    }
    return edges;
}

std::vector<Candidate> rankOffsets(const std::vector<Signature>& previous, const std::vector<Signature>& next,
                                   const std::vector<quint16>& nextEdges, int minOverlap, int maxCount)
{
    const int h = int(std::min(previous.size(), next.size()));
    std::vector<Candidate> scored;
    const int reach = h - std::max(1, minOverlap);
    for (int t = -reach; t <= reach; ++t) {
        // Row r of the new frame shows what row r + t of the previous frame showed.
        const int value = score(previous, next, nextEdges, t, std::max(0, -t), std::min(h, h - t));
        if (value > 0)
            scored.push_back({t, value});
    }
    return strongest(std::move(scored), maxCount);
}

std::vector<Candidate> rankWithin(const std::vector<Signature>& previous, const std::vector<Signature>& next,
                                  const std::vector<quint16>& nextEdges, int nextFirst, int nextLast,
                                  int previousFirst, int previousLast, int maxCount)
{
    const int h = int(std::min(previous.size(), next.size()));
    std::vector<Candidate> scored;
    for (int t = -(h - 1); t <= h - 1; ++t) {
        const int from = std::max({nextFirst, -t, previousFirst - t});
        const int to = std::min({nextLast, h - t, previousLast - t});
        const int value = score(previous, next, nextEdges, t, from, to, std::max(1, (to - from) / 64));
        if (value > 0)
            scored.push_back({t, value});
    }
    return strongest(std::move(scored), maxCount);
}

} // namespace RowSignatures
