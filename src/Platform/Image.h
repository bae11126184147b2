#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>

#include <cmath>
#include <utility>

// An image as the editor and capture code hold it: pixels plus the display's
// device pixel ratio. Its size is in points (pixels / ratio). Copies share pixel
// data (QImage is implicitly shared), so snapshots cost no pixel copy.
class Image {
public:
    Image() = default;
    explicit Image(QImage bitmap, qreal devicePixelRatio = 1.0)
        : m_bitmap(std::move(bitmap))
    {
        if (!m_bitmap.isNull())
            m_bitmap.setDevicePixelRatio(std::isfinite(devicePixelRatio) && devicePixelRatio > 0.0
                                             ? devicePixelRatio : 1.0);
    }

    bool isNull() const { return m_bitmap.isNull(); }
    const QImage& bitmap() const { return m_bitmap; }
    QSize pixelSize() const { return m_bitmap.size(); }
    qreal devicePixelRatio() const { return m_bitmap.isNull() ? 1.0 : m_bitmap.devicePixelRatio(); }
    QSizeF size() const
    {
        if (m_bitmap.isNull())
            return {};
        return QSizeF(m_bitmap.width() / devicePixelRatio(), m_bitmap.height() / devicePixelRatio());
    }

    // Names these pixels without holding them: equal only while the same buffer is unchanged,
    // and never reused by a later image (unlike the buffer's address).
    qint64 pixelsKey() const { return m_bitmap.isNull() ? 0 : m_bitmap.cacheKey(); }

    // True when both refer to the same pixel buffer (not a pixel comparison).
    bool sharesPixelsWith(const Image& other) const
    {
        return !isNull() && m_bitmap.constBits() == other.m_bitmap.constBits();
    }

private:
    QImage m_bitmap;
};
