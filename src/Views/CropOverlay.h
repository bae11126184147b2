#pragma once

#include "Models/ImageEditorViewModel.h"
#include "Views/EditorCanvasView.h"

#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

class QPainter;

// Crop mode on the canvas: draws the crop rectangle (the image dimmed around it, a
// white border and four corner handles) and turns the canvas's crop drags into the
// editor model's crop operations: a drag near a corner resizes, a drag inside moves,
// any other drag draws a new rectangle; a double click applies the crop.
//
// The canvas hands every point already mapped back through its rotation and pan, in
// the displayed but unrotated image's points, so a rectangle lands where the user drew
// it whatever way the image is turned; translations are taken between those points.
class CropOverlay : public QObject, public CanvasCropGestures {
    Q_OBJECT
public:
    // A press this close to a corner of the rectangle drags that corner.
    static constexpr double cornerGrabDistance = 12.0;
    // A rectangle must be larger than this both ways to be applied, or to survive the
    // end of the drag that drew it.
    static constexpr double minimumSide = 10.0;
    static constexpr double handleSize = 10.0;
    static constexpr double borderWidth = 1.5;
    static constexpr double dimOpacity = 0.25;

    // Installs itself as the canvas's crop gestures (canvas may be null in tests).
    CropOverlay(ImageEditorViewModel* viewModel, EditorCanvasView* canvas, QObject* parent = nullptr);
    ~CropOverlay() override;

    // The corner of `rect` within cornerGrabDistance of `point`: top-left, top-right,
    // bottom-left, bottom-right, first match wins; none for a rectangle without area.
    static std::optional<ImageEditorViewModel::CropCorner> cornerNear(const QRectF& rect, QPointF point);
    // The rectangle spanned by two points, each clamped into 0...frame.
    static QRectF drawnRect(QPointF start, QPointF current, QSizeF frame);
    static bool isLargeEnough(const QRectF& rect);

    // ---- the canvas's crop gestures -------------------------------------------------------
    void cropDragChanged(QPointF startLocation, QPointF location, QSizeF frameSize) override;
    void cropDragEnded(QPointF startLocation, QPointF location, QSizeF frameSize) override;
    void cropDoubleClicked(QSizeF frameSize) override;
    void paintCropOverlay(QPainter& painter, QSizeF frameSize) override;

private:
    ImageEditorViewModel* m_viewModel;
    // The canvas is a sibling that goes first when the content view is torn down
    // (it is created first): the overlay must not reach into it from its destructor.
    QPointer<EditorCanvasView> m_canvas;
};
