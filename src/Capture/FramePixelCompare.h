#pragma once

// Row-by-row pixel comparison shared by the frame registration. A pixel "differs"
// when any of its four channels differs by more than a tolerance, which lets the
// +-2 levels of re-rendered anti-aliasing pass while any real edge counts.

#include <QtGlobal>

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace FramePixelCompare {

// Largest per-channel difference two pixels may have and still count as the same.
constexpr int kChannelTolerance = 12;

// Set bits of a 4-bit mask (std::popcount may be a library call on baseline x86-64).
inline int bitCount4(unsigned mask)
{
    static constexpr int counts[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
    return counts[mask & 0xf];
}

inline bool differ(quint32 a, quint32 b)
{
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > kChannelTolerance)
            return true;
    }
    return false;
}

// Counts for one row: pixels of `next` that differ from `previous`, and pixels of
// `next` that are an edge (differ from `nextNeighbour`, the adjacent row) while
// matching `previous`. Edges are what pin a vertical offset down: flat areas match
// at any offset, edges only at the right one.
struct RowTally {
    int mismatched = 0;
    int matchedEdges = 0;
    int edges = 0; // edges of `next`, matched or not
};

inline RowTally tallyRow(const quint32* next, const quint32* previous, const quint32* nextNeighbour, int width)
{
    RowTally tally;
    int x = 0;
#if defined(__SSE2__)
    const __m128i tolerance = _mm_set1_epi8(char(kChannelTolerance));
    const __m128i zero = _mm_setzero_si128();
    for (; x + 4 <= width; x += 4) {
        const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + x));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + x));
        const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nextNeighbour + x));
        const __m128i dp = _mm_or_si128(_mm_subs_epu8(n, p), _mm_subs_epu8(p, n));
        const __m128i dq = _mm_or_si128(_mm_subs_epu8(n, q), _mm_subs_epu8(q, n));
        const int same = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_subs_epu8(dp, tolerance), zero)));
        const int flat = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_subs_epu8(dq, tolerance), zero)));
        tally.mismatched += 4 - bitCount4(unsigned(same));
        tally.matchedEdges += bitCount4(unsigned(same & ~flat));
        tally.edges += 4 - bitCount4(unsigned(flat));
    }
#endif
    for (; x < width; ++x) {
        const bool edge = differ(next[x], nextNeighbour[x]);
        tally.edges += edge ? 1 : 0;
        if (differ(next[x], previous[x]))
            ++tally.mismatched;
        else if (edge)
            ++tally.matchedEdges;
    }
    return tally;
}

// Pixels of `row` that differ from `neighbour`, the adjacent row: its edges.
inline int countEdges(const quint32* row, const quint32* neighbour, int width)
{
    int edges = 0;
    int x = 0;
#if defined(__SSE2__)
    const __m128i tolerance = _mm_set1_epi8(char(kChannelTolerance));
    const __m128i zero = _mm_setzero_si128();
    for (; x + 4 <= width; x += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(neighbour + x));
        const __m128i d = _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
        edges += 4 - bitCount4(unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_subs_epu8(d, tolerance), zero)))));
    }
#endif
    for (; x < width; ++x) {
        if (differ(row[x], neighbour[x]))
            ++edges;
    }
    return edges;
}

// True when no pixel of the two rows differs.
inline bool rowsMatch(const quint32* a, const quint32* b, int width)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i tolerance = _mm_set1_epi8(char(kChannelTolerance));
    const __m128i zero = _mm_setzero_si128();
    for (; x + 4 <= width; x += 4) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i d = _mm_or_si128(_mm_subs_epu8(u, v), _mm_subs_epu8(v, u));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(d, tolerance), zero)) != 0xffff)
            return false;
    }
#endif
    for (; x < width; ++x) {
        if (differ(a[x], b[x]))
            return false;
    }
    return true;
}

// True when every pixel of the row is its first one's colour, within the tolerance: a
// blank row, or one inside a plain band or placeholder.
inline bool plainRow(const quint32* row, int width)
{
    for (int x = 1; x < width; ++x) {
        if (differ(row[x], row[0]))
            return false;
    }
    return true;
}

} // namespace FramePixelCompare
