// Composing the kept slices of a scrolling capture into one tall image.
#include "Capture/CaptureLog.h"
#include "Capture/ScrollStitcher.h"

#include <algorithm>
#include <cstring>

namespace ScrollStitcher {

namespace {

// Rows in a layout that can be copied straight into the stitched image, scaled to its
// width when a frame came out narrower or wider.
QImage drawableRows(const QImage& rows, int rowCount, int width)
{
    QImage part = rows;
    if (part.width() != width)
        part = part.copy(0, 0, part.width(), rowCount).scaled(width, rowCount, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (part.format() != QImage::Format_ARGB32_Premultiplied && part.format() != QImage::Format_RGB32)
        part = part.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return part;
}

} // namespace

std::optional<StitchResult> compose(std::vector<KeptSlice> frames, int maxHeight)
{
    if (frames.empty())
        return std::nullopt;
    const int width = frames.front().rows.width();
    // Rows drawn of each slice, from its top. The first slice is drawn whole; a slice
    // that would run past maxHeight keeps its upper rows, the ones that continue the
    // image, and loses its lower ones.
    std::vector<int> drawn(frames.size(), 0);
    int total = frames.front().drawnRows();
    drawn[0] = total;
    std::size_t used = 1;
    for (std::size_t i = 1; i < frames.size() && total < maxHeight; ++i) {
        drawn[i] = std::min(frames[i].drawnRows(), maxHeight - total);
        total += drawn[i];
        used = i + 1;
    }
    if (width <= 0 || total <= 0)
        return std::nullopt;
    QImage image(width, total, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;

    uchar* const out = image.bits();
    const qsizetype outStride = image.bytesPerLine();
    int y = 0;
    for (std::size_t i = 0; i < used; ++i) {
        const int rowCount = drawn[i];
        if (rowCount > 0) {
            const QImage part = drawableRows(frames[i].rows, rowCount, width);
            if (part.isNull())
                return std::nullopt;
            for (int r = 0; r < rowCount; ++r)
                std::memcpy(out + (y + r) * outStride, part.constScanLine(r), std::size_t(width) * 4);
        }
        y += rowCount;
        captureDiagnostic(QStringLiteral("📜 [stitch] 帧 %1：高 %2 裁顶 %3 追加底部 %4 → 累计 %5")
                              .arg(i)
                              .arg(frames[i].frameHeight())
                              .arg(i == 0 ? 0 : frames[i].offset)
                              .arg(rowCount)
                              .arg(y));
        // Drawn: let its pixels go now rather than with the whole list.
        frames[i].rows = QImage();
    }

    StitchResult result;
    result.image = std::move(image);
    result.totalHeight = total;
    result.appendedFrames = int(used);
    result.droppedDuplicates = 0;
    return result;
}

} // namespace ScrollStitcher
