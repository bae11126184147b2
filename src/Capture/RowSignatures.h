#pragma once

// Coarse stage of the frame registration: each row is summarised by the mean
// brightness of 16 vertical bands, and every vertical offset is scored by how many
// band cells of the overlapping rows agree. Cheap enough to try every offset; the
// few best offsets then go to an exact pixel comparison.

#include "Capture/FramePixels.h"

#include <QtGlobal>

#include <vector>

namespace RowSignatures {

constexpr int kBands = 16;

// Band means of R + G + B + A (0 .. 1020), left to right.
struct Signature {
    alignas(16) qint16 band[kBands];
};

std::vector<Signature> compute(const FramePixels& view);

// One bit per band whose means differ by more than the signature tolerance.
quint16 differingBands(const Signature& a, const Signature& b);

// Per row, the bands that differ from the row above or below: the cells that can
// tell one offset from its neighbours. Flat areas have none.
std::vector<quint16> edgeBands(const std::vector<Signature>& rows);

struct Candidate {
    int offset = 0; // rows by which the content moved up
    int score = 0;
};

// Scores each offset that leaves at least minOverlap rows in common: agreeing edge
// cells count one each, disagreeing cells minus one. Returns at most maxCount
// offsets with a positive score of at least 1/32 of the best, best first (ties:
// smaller offset first), so that a second offset that fits nearly as well is never
// hidden behind the first.
std::vector<Candidate> rankOffsets(const std::vector<Signature>& previous, const std::vector<Signature>& next,
                                   const std::vector<quint16>& nextEdges, int minOverlap, int maxCount);

// Where else the rows an answer explains would fit: every offset t scored like
// rankOffsets, but only over rows r of the new frame in [nextFirst, nextLast) whose
// row r + t of the previous frame lies in [previousFirst, previousLast) (sampled, about
// 64 rows), whatever else t compares. Content that repeats, or that would fit at the
// very edge of the other frame, shows up here.
std::vector<Candidate> rankWithin(const std::vector<Signature>& previous, const std::vector<Signature>& next,
                                  const std::vector<quint16>& nextEdges, int nextFirst, int nextLast,
                                  int previousFirst, int previousLast, int maxCount);

} // namespace RowSignatures
