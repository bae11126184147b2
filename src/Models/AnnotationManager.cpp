#include "Models/AnnotationManager.h"

#include "Models/AnnotationGeometry.h"
#include "Models/TextMeasurement.h"

#include <cmath>

namespace {

template <typename T> qsizetype indexOf(const QList<T>& list, const QUuid& id)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].id == id)
            return i;
    }
    return -1;
}

// Whether the rectangle grown by `margin` on every side contains the point, with
// the far edges outside (the rectangle is standardised first).
bool grownContains(const QRectF& r, double margin, const QPointF& p)
{
    const double x0 = std::min(r.x(), r.x() + r.width()) - margin;
    const double x1 = std::max(r.x(), r.x() + r.width()) + margin;
    const double y0 = std::min(r.y(), r.y() + r.height()) - margin;
    const double y1 = std::max(r.y(), r.y() + r.height()) + margin;
    if (x1 - x0 == 0.0 || y1 - y0 == 0.0)
        return false;
    return p.x() >= x0 && p.x() < x1 && p.y() >= y0 && p.y() < y1;
}

// The box a point must fall in to hit a two-ended annotation, before growing.
QRectF endpointBox(const QPointF& start, const QPointF& end, double w, double h)
{
    const QPointF s(start.x() * w, start.y() * h);
    const QPointF e(end.x() * w, end.y() * h);
    return QRectF(std::min(s.x(), e.x()), std::min(s.y(), e.y()), std::abs(e.x() - s.x()), std::abs(e.y() - s.y()));
}

// Smallest area wins; among equal areas the first found keeps its place.
struct BestHit {
    std::optional<QUuid> id;
    double area = 0.0;

    void offer(const QUuid& candidate, double candidateArea)
    {
        if (!id || candidateArea < area) {
            id = candidate;
            area = candidateArea;
        }
    }
};

} // namespace

AnnotationManager::AnnotationManager(QObject* parent)
    : QObject(parent)
{
}

AnnotationManager::~AnnotationManager() = default;

const std::vector<QRectF>& AnnotationManager::freehandUnitBounds() const
{
    // pointsBoundingRect of a 1 x 1 space keeps the normalised extremes; scaling
    // them later gives the same numbers as measuring at the canvas size.
    if (!m_freehandBoundsValid) {
        m_freehandBounds.clear();
        m_freehandBounds.reserve(std::size_t(m_freehands.size()));
        for (const FreehandAnnotation& f : m_freehands) {
            const QRectF unit = pointsBoundingRect(f.points, 1.0, 1.0);
            m_freehandBounds.push_back(unit);
        }
        m_freehandBoundsValid = true;
    }
    return m_freehandBounds;
}

void AnnotationManager::notify(Kind kind)
{
    if (kind == Kind::freehands)
        m_freehandBoundsValid = false;
    switch (kind) {
    case Kind::arrows: emit arrowsChanged(); break;
    case Kind::rectangles: emit rectanglesChanged(); break;
    case Kind::texts: emit textsChanged(); break;
    case Kind::freehands: emit freehandsChanged(); break;
    case Kind::lines: emit linesChanged(); break;
    case Kind::numbers: emit numbersChanged(); break;
    }
    emit changed();
}

// --- whole-list writes -------------------------------------------------------

void AnnotationManager::setArrows(QList<ArrowAnnotation> arrows)
{
    m_arrows = std::move(arrows);
    notify(Kind::arrows);
}
void AnnotationManager::setRectangles(QList<RectangleAnnotation> rectangles)
{
    m_rectangles = std::move(rectangles);
    notify(Kind::rectangles);
}
void AnnotationManager::setTexts(QList<TextAnnotation> texts)
{
    m_texts = std::move(texts);
    notify(Kind::texts);
}
void AnnotationManager::setFreehands(QList<FreehandAnnotation> freehands)
{
    m_freehands = std::move(freehands);
    notify(Kind::freehands);
}
void AnnotationManager::setLines(QList<LineAnnotation> lines)
{
    m_lines = std::move(lines);
    notify(Kind::lines);
}
void AnnotationManager::setNumbers(QList<NumberAnnotation> numbers)
{
    m_numbers = std::move(numbers);
    notify(Kind::numbers);
}
void AnnotationManager::appendArrow(ArrowAnnotation arrow)
{
    m_arrows.append(std::move(arrow));
    notify(Kind::arrows);
}
void AnnotationManager::appendRectangle(RectangleAnnotation rectangle)
{
    m_rectangles.append(std::move(rectangle));
    notify(Kind::rectangles);
}
void AnnotationManager::appendText(TextAnnotation text)
{
    m_texts.append(std::move(text));
    notify(Kind::texts);
}
void AnnotationManager::appendFreehand(FreehandAnnotation freehand)
{
    m_freehands.append(std::move(freehand));
    notify(Kind::freehands);
}
void AnnotationManager::appendLine(LineAnnotation line)
{
    m_lines.append(std::move(line));
    notify(Kind::lines);
}
void AnnotationManager::appendNumber(NumberAnnotation number)
{
    m_numbers.append(std::move(number));
    notify(Kind::numbers);
}

// --- partial updates ---------------------------------------------------------
// Each present argument is one write (and one change signal); a found element
// gets one more changed() at the end even when nothing was written.

#define LUMETRA_WRITE(list, kind, index, field, argument)                                                         \
    if (argument) {                                                                                               \
        list[index].field = *argument;                                                                            \
        notify(kind);                                                                                             \
    }

void AnnotationManager::updateNumber(const QUuid& id, std::optional<QPointF> position, std::optional<int> value,
                                     std::optional<RgbaColor> color, std::optional<double> diameter,
                                     std::optional<NumberShape> shape)
{
    const qsizetype i = indexOf(m_numbers, id);
    if (i < 0)
        return;
    LUMETRA_WRITE(m_numbers, Kind::numbers, i, position, position)
    LUMETRA_WRITE(m_numbers, Kind::numbers, i, value, value)
    LUMETRA_WRITE(m_numbers, Kind::numbers, i, color, color)
    LUMETRA_WRITE(m_numbers, Kind::numbers, i, diameter, diameter)
    LUMETRA_WRITE(m_numbers, Kind::numbers, i, shape, shape)
    emit changed();
}

void AnnotationManager::updateArrow(const QUuid& id, std::optional<QPointF> startPoint,
                                    std::optional<QPointF> endPoint, std::optional<RgbaColor> color,
                                    std::optional<double> lineWidth, std::optional<ArrowHeadStyle> headStyle)
{
    const qsizetype i = indexOf(m_arrows, id);
    if (i < 0)
        return;
    LUMETRA_WRITE(m_arrows, Kind::arrows, i, startPoint, startPoint)
    LUMETRA_WRITE(m_arrows, Kind::arrows, i, endPoint, endPoint)
    LUMETRA_WRITE(m_arrows, Kind::arrows, i, color, color)
    LUMETRA_WRITE(m_arrows, Kind::arrows, i, lineWidth, lineWidth)
    LUMETRA_WRITE(m_arrows, Kind::arrows, i, headStyle, headStyle)
    emit changed();
}

void AnnotationManager::updateRectangle(const QUuid& id, std::optional<QRectF> rect,
                                        std::optional<ShapeType> shapeType, std::optional<RgbaColor> strokeColor,
                                        std::optional<RgbaColor> fillColor, std::optional<double> lineWidth,
                                        std::optional<AnnotationEffect> effect,
                                        std::optional<double> mosaicIntensity, std::optional<double> spotlightDim)
{
    const qsizetype i = indexOf(m_rectangles, id);
    if (i < 0)
        return;
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, rect, rect)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, shapeType, shapeType)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, strokeColor, strokeColor)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, fillColor, fillColor)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, lineWidth, lineWidth)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, effect, effect)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, mosaicIntensity, mosaicIntensity)
    LUMETRA_WRITE(m_rectangles, Kind::rectangles, i, spotlightDim, spotlightDim)
    emit changed();
}

void AnnotationManager::setRectangleFill(const QUuid& id, std::optional<RgbaColor> fillColor)
{
    const qsizetype i = indexOf(m_rectangles, id);
    if (i < 0)
        return;
    m_rectangles[i].fillColor = fillColor;
    notify(Kind::rectangles);
    emit changed();
}

void AnnotationManager::updateText(const QUuid& id, std::optional<QString> text, std::optional<QPointF> position,
                                   std::optional<double> fontSize, std::optional<QString> fontName,
                                   std::optional<RgbaColor> color, std::optional<double> width)
{
    const qsizetype i = indexOf(m_texts, id);
    if (i < 0)
        return;
    LUMETRA_WRITE(m_texts, Kind::texts, i, text, text)
    LUMETRA_WRITE(m_texts, Kind::texts, i, position, position)
    LUMETRA_WRITE(m_texts, Kind::texts, i, fontSize, fontSize)
    LUMETRA_WRITE(m_texts, Kind::texts, i, fontName, fontName)
    LUMETRA_WRITE(m_texts, Kind::texts, i, color, color)
    LUMETRA_WRITE(m_texts, Kind::texts, i, width, width)
    emit changed();
}

void AnnotationManager::updateFreehand(const QUuid& id, std::optional<QList<QPointF>> points,
                                       std::optional<RgbaColor> color, std::optional<double> lineWidth,
                                       std::optional<LineCapStyle> capStyle, std::optional<bool> isHighlighter,
                                       std::optional<double> highlighterAlpha)
{
    const qsizetype i = indexOf(m_freehands, id);
    if (i < 0)
        return;
    LUMETRA_WRITE(m_freehands, Kind::freehands, i, points, points)
    LUMETRA_WRITE(m_freehands, Kind::freehands, i, color, color)
    LUMETRA_WRITE(m_freehands, Kind::freehands, i, lineWidth, lineWidth)
    LUMETRA_WRITE(m_freehands, Kind::freehands, i, capStyle, capStyle)
    LUMETRA_WRITE(m_freehands, Kind::freehands, i, isHighlighter, isHighlighter)
    LUMETRA_WRITE(m_freehands, Kind::freehands, i, highlighterAlpha, highlighterAlpha)
    emit changed();
}

void AnnotationManager::updateLine(const QUuid& id, std::optional<QPointF> startPoint,
                                   std::optional<QPointF> endPoint, std::optional<LineStyle> lineStyle,
                                   std::optional<double> lineWidth, std::optional<RgbaColor> color)
{
    const qsizetype i = indexOf(m_lines, id);
    if (i < 0)
        return;
    LUMETRA_WRITE(m_lines, Kind::lines, i, startPoint, startPoint)
    LUMETRA_WRITE(m_lines, Kind::lines, i, endPoint, endPoint)
    LUMETRA_WRITE(m_lines, Kind::lines, i, lineStyle, lineStyle)
    LUMETRA_WRITE(m_lines, Kind::lines, i, lineWidth, lineWidth)
    LUMETRA_WRITE(m_lines, Kind::lines, i, color, color)
    emit changed();
}

#undef LUMETRA_WRITE

// --- delete, clear, selection ------------------------------------------------

void AnnotationManager::deleteAnnotation(const QUuid& id)
{
    auto matches = [&id](const auto& a) { return a.id == id; };
    m_arrows.removeIf(matches);
    notify(Kind::arrows);
    m_rectangles.removeIf(matches);
    notify(Kind::rectangles);
    m_texts.removeIf(matches);
    notify(Kind::texts);
    m_freehands.removeIf(matches);
    notify(Kind::freehands);
    m_lines.removeIf(matches);
    notify(Kind::lines);
    m_numbers.removeIf(matches);
    notify(Kind::numbers);
}

void AnnotationManager::clearAll()
{
    setArrows({});
    setRectangles({});
    setTexts({});
    setFreehands({});
    setLines({});
    setNumbers({});
}

void AnnotationManager::deselectAll()
{
    // Every element is written, selected or not; a list's writes are announced once.
    auto clear = [this](auto& list, Kind kind) {
        if (list.isEmpty())
            return;
        for (auto& element : list)
            element.isSelected = false;
        notify(kind);
    };
    clear(m_arrows, Kind::arrows);
    clear(m_rectangles, Kind::rectangles);
    clear(m_texts, Kind::texts);
    clear(m_freehands, Kind::freehands);
    clear(m_lines, Kind::lines);
    clear(m_numbers, Kind::numbers);
}

void AnnotationManager::selectAnnotation(const QUuid& id)
{
    deselectAll();
    auto select = [this, &id](auto& list, Kind kind) {
        const qsizetype i = indexOf(list, id);
        if (i < 0)
            return;
        list[i].isSelected = true;
        notify(kind);
    };
    select(m_arrows, Kind::arrows);
    select(m_rectangles, Kind::rectangles);
    select(m_texts, Kind::texts);
    select(m_freehands, Kind::freehands);
    select(m_lines, Kind::lines);
    select(m_numbers, Kind::numbers);
}

std::optional<QUuid> AnnotationManager::selectedAnnotationId() const
{
    auto firstSelected = [](const auto& list) -> std::optional<QUuid> {
        for (const auto& element : list) {
            if (element.isSelected)
                return element.id;
        }
        return std::nullopt;
    };
    if (auto id = firstSelected(m_arrows))
        return id;
    if (auto id = firstSelected(m_rectangles))
        return id;
    if (auto id = firstSelected(m_texts))
        return id;
    if (auto id = firstSelected(m_freehands))
        return id;
    if (auto id = firstSelected(m_lines))
        return id;
    return firstSelected(m_numbers);
}

// --- hit test ----------------------------------------------------------------

std::optional<QUuid> AnnotationManager::hitTestAnnotation(const QPointF& point, const QSizeF& canvasSize,
                                                          const QSizeF& referenceSize) const
{
    const double w = canvasSize.width();
    const double h = canvasSize.height();
    const double fontScale = referenceSize.width() > 0.0 ? w / referenceSize.width() : 1.0;
    BestHit best;

    // Kinds in priority order for equal areas, each list from its top-most element.
    for (qsizetype i = m_numbers.size() - 1; i >= 0; --i) {
        const NumberAnnotation& n = m_numbers[i];
        const QPointF centre(n.position.x() * w, n.position.y() * h);
        const double d = n.diameter;
        // The outline never leaves this box (the teardrop reaches 0.65 d above and
        // below its centre), so the path is only built for markers near the point.
        if (!(std::abs(point.x() - centre.x()) <= d && std::abs(point.y() - centre.y()) <= d))
            continue;
        if (numberMarkerPath(n.shape, centre, d).contains(point))
            best.offer(n.id, (d + 16.0) * (d + 16.0));
    }

    for (qsizetype i = m_texts.size() - 1; i >= 0; --i) {
        const TextAnnotation& t = m_texts[i];
        const double boxWidth = t.width * w;
        const double cx = t.position.x() * w;
        // The horizontal extent is known without measuring: skip texts whose
        // column the point is not in, so only candidates cost a measurement.
        const double left = cx - (boxWidth + 2.0) / 2.0;
        const double minX = std::min(left, left + boxWidth + 2.0) - 2.0;
        const double maxX = std::max(left, left + boxWidth + 2.0) + 2.0;
        if (!(point.x() >= minX && point.x() < maxX))
            continue;
        const double textHeight = measureTextHeight(t, t.fontSize * fontScale, boxWidth);
        const QSizeF size(boxWidth + 2.0, textHeight + 4.0);
        const QRectF box(cx - size.width() / 2.0, t.position.y() * h - size.height() / 2.0, size.width(),
                         size.height());
        if (grownContains(box, 2.0, point))
            best.offer(t.id, std::max(size.width(), 0.0) * std::max(size.height(), 0.0));
    }

    for (qsizetype i = m_rectangles.size() - 1; i >= 0; --i) {
        const RectangleAnnotation& r = m_rectangles[i];
        const QRectF box(r.rect.x() * w, r.rect.y() * h, std::abs(r.rect.width()) * w, std::abs(r.rect.height()) * h);
        if (grownContains(box, 5.0, point))
            best.offer(r.id, box.width() * box.height());
    }

    for (qsizetype i = m_arrows.size() - 1; i >= 0; --i) {
        const ArrowAnnotation& a = m_arrows[i];
        const QRectF box = endpointBox(a.startPoint, a.endPoint, w, h);
        if (grownContains(box, 8.0, point))
            best.offer(a.id, box.width() * box.height());
    }

    for (qsizetype i = m_lines.size() - 1; i >= 0; --i) {
        const LineAnnotation& l = m_lines[i];
        const QRectF box = endpointBox(l.startPoint, l.endPoint, w, h);
        if (grownContains(box, 8.0, point))
            best.offer(l.id, box.width() * box.height());
    }

    const std::vector<QRectF>& unitBounds = freehandUnitBounds();
    for (qsizetype i = m_freehands.size() - 1; i >= 0; --i) {
        const FreehandAnnotation& f = m_freehands[i];
        if (f.points.size() < 2)
            continue;
        const QRectF& unit = unitBounds[std::size_t(i)];
        const QRectF box(unit.x() * w, unit.y() * h, unit.width() * w, unit.height() * h);
        if (grownContains(box, 5.0, point))
            best.offer(f.id, box.width() * box.height());
    }

    return best.id;
}

// --- move --------------------------------------------------------------------

void AnnotationManager::moveAnnotation(const QUuid& id, double dx, double dy, double width, double height)
{
    if (!(width > 0.0) || !(height > 0.0))
        return;
    const double ndx = dx / width;
    const double ndy = dy / height;
    if (ndx == 0.0 && ndy == 0.0)
        return;
    // A delta that is not a number would poison every coordinate it touched.
    if (!std::isfinite(ndx) || !std::isfinite(ndy))
        return;
    const QPointF delta(ndx, ndy);

    // One change signal per moved element.
    if (const qsizetype i = indexOf(m_arrows, id); i >= 0) {
        m_arrows[i].startPoint += delta;
        m_arrows[i].endPoint += delta;
        notify(Kind::arrows);
    }
    if (const qsizetype i = indexOf(m_lines, id); i >= 0) {
        m_lines[i].startPoint += delta;
        m_lines[i].endPoint += delta;
        notify(Kind::lines);
    }
    if (const qsizetype i = indexOf(m_rectangles, id); i >= 0) {
        m_rectangles[i].rect.translate(delta);
        notify(Kind::rectangles);
    }
    if (const qsizetype i = indexOf(m_freehands, id); i >= 0) {
        for (QPointF& p : m_freehands[i].points)
            p += delta;
        notify(Kind::freehands);
    }
    if (const qsizetype i = indexOf(m_texts, id); i >= 0) {
        m_texts[i].position += delta;
        notify(Kind::texts);
    }
    if (const qsizetype i = indexOf(m_numbers, id); i >= 0) {
        m_numbers[i].position += delta;
        notify(Kind::numbers);
    }
}
