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
//
// With `misjudged`, that takes a Grayscale8 image of the same size, 255 where the ink
// comes from a ground misjudged beside the edge of a panel (the page is flat there on
// some side of the pixel, yet the result shows ink), 0 elsewhere.
QImage inkOnPaper(const QImage& grey, QImage* misjudged = nullptr);

// How far the ground is looked for around a pixel: wider than the strokes of the text
// of a screen, narrow enough to follow a window's edge.
inline constexpr int groundRadius = 20;

// A pixel is on a flat ground when on some side of it, this far, none differs from it
// by flatContrast or more.
inline constexpr int flatRadius = 4;
inline constexpr int flatContrast = 24;

} // namespace TextRecognition
