#pragma once

#include "Platform/Image.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// What one recognition run gives back: the text (lines joined with one line feed,
// empty when nothing was found), or why the engine could not run; and the languages it
// read in and those whose data is not installed.
struct TextRecognitionResult {
    QString text;
    std::optional<QString> failure;
    QStringList languagesUsed;
    QStringList languagesMissing;

    static TextRecognitionResult failed(QString why) { return {QString(), std::move(why), {}, {}}; }
};

// A recognition engine: given the prepared bitmap (makeRecognitionImage), blocks until it
// has read it, or until `cancelled` is set (then its result is dropped). Called on a
// worker thread, one call per run.
using TextRecognizer = std::function<TextRecognitionResult(const QImage& page, const std::atomic<bool>& cancelled)>;

namespace TextRecognition {

// Images above this many pixels are recognised smaller, bounding the time and memory
// of one run.
inline constexpr qint64 largeImagePixels = 16'000'000;
inline constexpr int largeImageLongerSide = 5000;

// The pixel size an image is recognised at: its own, or, above 16 million pixels,
// scaled down to a longer side of 5000. Never larger than its own.
QSize recognitionSize(QSize pixels);

// The bitmap that is recognised: the image composited on white, at recognitionSize, in
// RGB32 (Grayscale8 for a grey image): the plain reading is of the image itself, in
// its colours, as the command line reads the same picture. Each of the `hidden` regions
// (fractions of the image, origin top left: the mosaics) is one flat colour, the mean
// of its pixels, so no text the user hid is read back. Nothing for an image without
// pixels.
std::optional<QImage> makeRecognitionImage(const Image& image, const QList<QRectF>& hidden = {});

// The line the card shows when language data is missing: the languages read in and
// those not installed. Empty when nothing is missing.
QString missingLanguagesNote(const QStringList& used, const QStringList& missing);

// Engines put spaces between Chinese characters that the text never had: the spaces
// between two Han characters (or CJK punctuation) go; all others stay.
QString removeSpacesBetweenHan(const QString& line);

// The lines in reading order, each with the Han-space rule applied and its line ends
// removed, joined with one line feed. A line with no text leaves no blank line.
QString joinRecognizedLines(const QStringList& lines);

} // namespace TextRecognition
