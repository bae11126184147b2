#pragma once

#include "Models/BackdropParameters.h"
#include "Platform/Image.h"

#include <QtGlobal>

#include <optional>

class AnnotationManager;

// The identity of what a pin shows: the image's pixels (not only their size), every
// field of every annotation (selection included), the rotation and the backdrop.
// Pinning content whose fingerprint already has a pin closes that pin instead of
// opening a second copy. Seeded per process: compared within one run, never stored.
qint64 pinFingerprint(const Image& image, const AnnotationManager& annotations, double rotation,
                      const std::optional<BackdropParameters>& backdrop);
