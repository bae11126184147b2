#pragma once

#include "Models/BackdropParameters.h"

#include <QImage>
#include <QRectF>

#include <optional>

class QPainter;

// Fills everything the painter's clip lets through with the preset's gradient
// laid out on `rect`: the first stop on its top edge, the last on its bottom
// edge, and the end colours carried on above and below it.
void drawBackdropGradient(QPainter& painter, BackdropPreset preset, const QRectF& rect);

// The card's rectangle around an image that occupies `imageRect`: grown on every side
// by the whole padding the rendered output uses, times `scale`.
QRectF backdropCardRect(const QRectF& imageRect, const BackdropLayout& layout, double scale = 1.0);

// The backdrop's card with its shadow, painted into `canvas` (Format_ARGB32_Premultiplied,
// one unit a pixel) around an image that occupies `imageRect`, with every length of the
// layout (padding, corner radii, shadow blur and offset) multiplied by `scale`. The
// image itself is not drawn. Only what falls on the canvas is worked out, so a card far
// larger than the canvas costs no more than the canvas. The export paints at scale 1;
// the editor's canvas paints the same card at its display scale, so that what it shows
// is the saved file scaled.
void paintBackdropCard(QImage& canvas, const QRectF& imageRect, const BackdropLayout& layout, BackdropPreset preset,
                       double scale = 1.0);

// The flattened bitmap set on its backdrop card. `alphaCapable` says whether
// the destination keeps transparency: when it does, everything outside the card
// and its shadow stays transparent; when it does not, the canvas is filled with
// the preset's gradient. Returns the input itself (no copy) when there is
// nothing to draw, and nothing when the bitmap is empty or the canvas cannot be
// allocated; callers then keep the flattened bitmap. Safe on any thread.
std::optional<QImage> renderBackdropImage(const QImage& bitmap, const BackdropParameters& parameters,
                                          bool alphaCapable);
