#pragma once

#include "Models/Annotations.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QUuid>

#include <optional>
#include <vector>

// The annotations of one open image, one list per kind. Within a list, elements
// are in creation order and a later one is drawn above an earlier one.
//
// Change signals: every mutation of a list, down to a single field of one element,
// emits that list's signal and then changed(); the partial updates emit changed()
// once more at the end whenever they found their element. All signals are emitted
// after the change, so a slot reads the new state.
//
// Operations address annotations by id, act on the first element of a list with
// that id and ignore unknown ids silently. Main thread only.
class AnnotationManager : public QObject {
    Q_OBJECT
public:
    explicit AnnotationManager(QObject* parent = nullptr);
    ~AnnotationManager() override;

    const QList<ArrowAnnotation>& arrows() const { return m_arrows; }
    const QList<RectangleAnnotation>& rectangles() const { return m_rectangles; }
    const QList<TextAnnotation>& texts() const { return m_texts; }
    const QList<FreehandAnnotation>& freehands() const { return m_freehands; }
    const QList<LineAnnotation>& lines() const { return m_lines; }
    const QList<NumberAnnotation>& numbers() const { return m_numbers; }

    // Whole-list writes (new annotations, undo snapshots): one change each.
    void setArrows(QList<ArrowAnnotation> arrows);
    void setRectangles(QList<RectangleAnnotation> rectangles);
    void setTexts(QList<TextAnnotation> texts);
    void setFreehands(QList<FreehandAnnotation> freehands);
    void setLines(QList<LineAnnotation> lines);
    void setNumbers(QList<NumberAnnotation> numbers);
    void appendArrow(ArrowAnnotation arrow);
    void appendRectangle(RectangleAnnotation rectangle);
    void appendText(TextAnnotation text);
    void appendFreehand(FreehandAnnotation freehand);
    void appendLine(LineAnnotation line);
    void appendNumber(NumberAnnotation number);

    // Partial updates: an absent argument keeps its field. No update ever writes
    // id, isSelected, cornerRadius or isFixedWidth.
    virtual void updateNumber(const QUuid& id, std::optional<QPointF> position = {}, std::optional<int> value = {},
                              std::optional<RgbaColor> color = {}, std::optional<double> diameter = {},
                              std::optional<NumberShape> shape = {});
    virtual void updateArrow(const QUuid& id, std::optional<QPointF> startPoint = {},
                             std::optional<QPointF> endPoint = {}, std::optional<RgbaColor> color = {},
                             std::optional<double> lineWidth = {}, std::optional<ArrowHeadStyle> headStyle = {});
    // An absent fill keeps the fill; only setRectangleFill removes one.
    virtual void updateRectangle(const QUuid& id, std::optional<QRectF> rect = {},
                                 std::optional<ShapeType> shapeType = {}, std::optional<RgbaColor> strokeColor = {},
                                 std::optional<RgbaColor> fillColor = {}, std::optional<double> lineWidth = {},
                                 std::optional<AnnotationEffect> effect = {},
                                 std::optional<double> mosaicIntensity = {},
                                 std::optional<double> spotlightDim = {});
    // Sets the fill; no value removes it.
    virtual void setRectangleFill(const QUuid& id, std::optional<RgbaColor> fillColor);
    virtual void updateText(const QUuid& id, std::optional<QString> text = {}, std::optional<QPointF> position = {},
                            std::optional<double> fontSize = {}, std::optional<QString> fontName = {},
                            std::optional<RgbaColor> color = {}, std::optional<double> width = {});
    virtual void updateFreehand(const QUuid& id, std::optional<QList<QPointF>> points = {},
                                std::optional<RgbaColor> color = {}, std::optional<double> lineWidth = {},
                                std::optional<LineCapStyle> capStyle = {}, std::optional<bool> isHighlighter = {},
                                std::optional<double> highlighterAlpha = {});
    virtual void updateLine(const QUuid& id, std::optional<QPointF> startPoint = {},
                            std::optional<QPointF> endPoint = {}, std::optional<LineStyle> lineStyle = {},
                            std::optional<double> lineWidth = {}, std::optional<RgbaColor> color = {});

    // Removes every element with the id from every list.
    virtual void deleteAnnotation(const QUuid& id);
    virtual void clearAll();
    virtual void deselectAll();
    // Deselects everything, then selects the first element with the id in each list.
    virtual void selectAnnotation(const QUuid& id);
    // The first selected element, searching arrows, rectangles, texts, freehands,
    // lines and numbers in that order.
    virtual std::optional<QUuid> selectedAnnotationId() const;

    // The annotation under a point of a canvas showing the image at canvasSize
    // (same units as the point); referenceSize is the original image size, whose
    // width scales text. The smallest hit box wins (markers, texts, rectangles,
    // arrows, lines, freehands first among equals; the later-created within a kind).
    virtual std::optional<QUuid> hitTestAnnotation(const QPointF& point, const QSizeF& canvasSize,
                                                   const QSizeF& referenceSize) const;

    // Moves the annotation by a pointer delta (dx, dy) on a canvas of width x height,
    // in the same units. Nothing is clamped to the image.
    void moveAnnotation(const QUuid& id, double dx, double dy, double width, double height);

signals:
    void arrowsChanged();
    void rectanglesChanged();
    void textsChanged();
    void freehandsChanged();
    void linesChanged();
    void numbersChanged();
    void changed();

private:
    enum class Kind { arrows, rectangles, texts, freehands, lines, numbers };
    void notify(Kind kind);
    // Normalised bounding boxes of the freehand strokes, kept for the hit test
    // until the strokes change (every change goes through notify).
    const std::vector<QRectF>& freehandUnitBounds() const;

    QList<ArrowAnnotation> m_arrows;
    QList<RectangleAnnotation> m_rectangles;
    QList<TextAnnotation> m_texts;
    QList<FreehandAnnotation> m_freehands;
    QList<LineAnnotation> m_lines;
    QList<NumberAnnotation> m_numbers;
    mutable std::vector<QRectF> m_freehandBounds;
    mutable bool m_freehandBoundsValid = false;
};
