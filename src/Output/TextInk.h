#pragma once

#include <QImage>

namespace TextRecognition {

// The page as a recognition engine reads it best: dark ink on white paper everywhere.
// A screenshot's text sits on grounds that change across the page (gradients, a dark
// window beside a light one, a dark bar over a light page) and may be lighter than its
// ground; one threshold for the whole page, or one polarity, loses some of it. Each
// pixel becomes its distance from the ground around it (the median of its
// neighbourhood, which text, covering less than half of it, does not move): grounds
// of any shade turn white, text of either polarity dark, at its own contrast.
//
// `grey` is Grayscale8; the result has its size (nothing for any other input). Runs on
// all cores; blocking.
QImage inkOnPaper(const QImage& grey);

// How far the ground is looked for around a pixel: wider than the strokes of the text
// of a screen, narrow enough to follow a window's edge.
inline constexpr int groundRadius = 20;

} // namespace TextRecognition
