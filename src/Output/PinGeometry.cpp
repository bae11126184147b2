#include "Output/PinGeometry.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// QRectF::contains counts the far edges in; a screen's frame does not.
bool holds(const QRectF& frame, QPointF p)
{
    return p.x() >= frame.left() && p.x() < frame.right() && p.y() >= frame.top() && p.y() < frame.bottom();
}

// Right edge first, then left; bottom first, then top: a frame too large for the screen
// keeps its top right corner (with its close button) in view.
QPointF clampedOrigin(QPointF origin, QSizeF size, const QRectF& visible)
{
    const double x = std::min(visible.right() - size.width(), std::max(origin.x(), visible.left()));
    const double y = std::max(visible.top(), std::min(origin.y(), visible.bottom() - size.height()));
    return {x, y};
}

} // namespace

std::optional<PinGeometry::ScreenArea> PinGeometry::screenContaining(const QList<ScreenArea>& screens, QPointF point)
{
    for (const ScreenArea& screen : screens)
        if (holds(screen.frame, point))
            return screen;
    return std::nullopt;
}

std::optional<QRectF> PinGeometry::clampToVisibleFrame(const QList<ScreenArea>& screens, const QRectF& rect)
{
    const std::optional<ScreenArea> screen = screenContaining(screens, rect.center());
    if (!screen)
        return std::nullopt;
    return QRectF(clampedOrigin(rect.topLeft(), rect.size(), screen->visibleFrame), rect.size());
}

QSizeF PinGeometry::fittedSize(QSizeF size, double margin, QSizeF visible)
{
    const double w = size.width() - 2.0 * margin;
    const double h = size.height() - 2.0 * margin;
    if (!(w > 0.0) || !(h > 0.0))
        return size;
    const double f = std::min({1.0, (visible.width() - 2.0 * margin) / w, (visible.height() - 2.0 * margin) / h});
    if (!(f > 0.0) || f >= 1.0)
        return size;
    // Whole points, rounded down so the fit holds; the nudge keeps an exact fit exact.
    const auto side = [f](double v) { return std::max(1.0, std::floor(v * f + 1e-9)); };
    return QSizeF(side(w) + 2.0 * margin, side(h) + 2.0 * margin);
}

QRectF PinGeometry::initialPinFrame(QSizeF size, const std::optional<QRectF>& saved, QPointF pointer,
                                    const QList<ScreenArea>& screens, const std::optional<ScreenArea>& mainScreen,
                                    double margin)
{
    const double w = size.width();
    const double h = size.height();
    if (saved && w > 0 && h > 0) {
        const double s = std::sqrt((saved->width() * saved->height()) / (w * h));
        const QSizeF restored(std::round(s * w), std::round(s * h));
        QRectF candidate(QPointF(0, 0), restored);
        candidate.moveCenter(saved->center());
        if (const std::optional<ScreenArea> screen = screenContaining(screens, candidate.center())) {
            candidate.setSize(fittedSize(restored, margin, screen->visibleFrame.size()));
            candidate.moveCenter(saved->center());
            return QRectF(clampedOrigin(candidate.topLeft(), candidate.size(), screen->visibleFrame), candidate.size());
        }
    }
    const QPointF origin(pointer.x() + 16.0, pointer.y() + 16.0);
    std::optional<ScreenArea> screen = screenContaining(screens, origin);
    if (!screen)
        screen = mainScreen;
    if (!screen)
        return QRectF(origin, size);
    const QSizeF fitted = fittedSize(size, margin, screen->visibleFrame.size());
    return QRectF(clampedOrigin(origin, fitted, screen->visibleFrame), fitted);
}

QRectF PinGeometry::zoomedFrame(const QRectF& frame, QSizeF size, const QRectF& visible)
{
    QPointF centre = frame.center();
    if (!visible.isEmpty())
        centre = QPointF(std::clamp(centre.x(), visible.left(), visible.right()),
                         std::clamp(centre.y(), visible.top(), visible.bottom()));
    QRectF zoomed(QPointF(0, 0), size);
    zoomed.moveCenter(centre);
    if (size.width() <= visible.width() && size.height() <= visible.height())
        zoomed.moveTopLeft(clampedOrigin(zoomed.topLeft(), size, visible));
    return zoomed;
}

QString PinGeometry::frameText(const QRectF& frame)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(frame.x(), 0, 'g', 17)
        .arg(frame.y(), 0, 'g', 17)
        .arg(frame.width(), 0, 'g', 17)
        .arg(frame.height(), 0, 'g', 17);
}

std::optional<QRectF> PinGeometry::usableFrameFromText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*\{\s*\{\s*([-+0-9.eE]+)\s*,\s*([-+0-9.eE]+)\s*\}\s*,\s*\{\s*([-+0-9.eE]+)\s*,\s*([-+0-9.eE]+)\s*\}\s*\}\s*$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = match.captured(i + 1).toDouble(&ok);
        if (!ok || !std::isfinite(values[i]))
            return std::nullopt;
    }
    if (!(values[2] > 10.0) || !(values[3] > 10.0))
        return std::nullopt;
    return QRectF(values[0], values[1], values[2], values[3]);
}

std::optional<QSizeF> PinGeometry::zoomedDisplaySize(QSizeF displaySize, double verticalDelta, QSizeF limit)
{
    // A sideways scroll is not a zoom.
    if (verticalDelta == 0.0 || !std::isfinite(verticalDelta) || displaySize.isEmpty())
        return std::nullopt;
    const double step = verticalDelta > 0.0 ? zoomStep : 1.0 / zoomStep;
    const auto proposed = [step](double side, double max) { return std::min(max, std::max(minimumSide, side * step)); };
    const double fw = proposed(displaySize.width(), limit.width()) / displaySize.width();
    const double fh = proposed(displaySize.height(), limit.height()) / displaySize.height();
    const double f = std::min(fw, fh);
    if (std::abs(f - 1.0) <= 0.001)
        return std::nullopt;
    return displaySize * f;
}
