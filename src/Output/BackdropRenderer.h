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

// The flattened bitmap set on its backdrop card. `alphaCapable` says whether
// the destination keeps transparency: when it does, everything outside the card
// and its shadow stays transparent; when it does not, the canvas is filled with
// the preset's gradient. Returns the input itself (no copy) when there is
// nothing to draw, and nothing when the bitmap is empty or the canvas cannot be
// allocated; callers then keep the flattened bitmap. Safe on any thread.
std::optional<QImage> renderBackdropImage(const QImage& bitmap, const BackdropParameters& parameters,
                                          bool alphaCapable);
