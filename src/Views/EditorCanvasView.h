#pragma once

#include "Models/BackdropParameters.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/CanvasGeometry.h"

#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QWidget>

#include <optional>

class InPlaceTextEditor;
class QPainter;

// What crop mode does with the pointer. The crop overlay installs one on the canvas;
// while none is installed, crop mode takes the pointer and does nothing with it.
// Points are in the display coordinates of the unrotated image (0 to frameSize).
class CanvasCropGestures {
public:
    virtual ~CanvasCropGestures() = default;
    // After the pointer has moved 10 points from where it went down, on every move.
    virtual void cropDragChanged(QPointF startLocation, QPointF location, QSizeF frameSize) = 0;
    virtual void cropDragEnded(QPointF startLocation, QPointF location, QSizeF frameSize) = 0;
    virtual void cropDoubleClicked(QSizeF frameSize) = 0;
    // Draws the crop frame over the image, in the same coordinates.
    virtual void paintCropOverlay(QPainter& painter, QSizeF frameSize) = 0;
};

// The editor's canvas: the open image at its zoom, rotation and pan, on its backdrop
// card while the backdrop is on, with every annotation, the shape being dragged out, the selection handles and the in-place
// text editor over it, filling the fit area. It is the one widget that takes the
// pointer: a press is given, in this order, to the crop gestures (crop mode), to the
// selection handle under it, and otherwise to the editor model's drawing drag, with a
// pan running alongside when there is nothing to draw or move.
//
// The pan offset is the canvas's own state; zoom, rotation, tools and annotations
// live in the model. Main thread only.
class EditorCanvasView : public QWidget {
    Q_OBJECT
public:
    // How far the pointer must move before a pan or a crop drag starts.
    static constexpr double panMinimumDistance = 10.0;
    static constexpr double cropMinimumDistance = 10.0;
    // Zoom limits, the wheel's step factor and the snap to actual size.
    static constexpr double minimumZoom = 0.01;
    static constexpr double maximumZoom = 16.0;
    static constexpr double wheelZoomFactor = 1.05;
    static constexpr double actualSizeSnap = 0.02;
    // The retry of a fit while the window is still being laid out.
    static constexpr int fitRetryDelayMs = 150;


    explicit EditorCanvasView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    ~EditorCanvasView() override;

    ImageEditorViewModel* viewModel() const { return m_viewModel; }
    InPlaceTextEditor* textEditor() const { return m_textEditor; }
    void setCropGestures(CanvasCropGestures* gestures) { m_cropGestures = gestures; }

    // ---- viewport state --------------------------------------------------------------------
    QSizeF dragOffset() const { return m_dragOffset; }
    QSizeF lastDragOffset() const { return m_lastDragOffset; }
    std::optional<double> pinchStartZoom() const { return m_pinchStartZoom; }
    // A band along the canvas's bottom that something floats over (the editor's
    // toolbar): images are fitted and centred above it, so nothing of a fitted image
    // lies under it. None by default.
    void setReservedBottom(int points);
    int reservedBottom() const { return m_reservedBottom; }
    // The fit area: the canvas above the reserved band, now.
    QSizeF fitArea() const { return QSizeF(width(), std::max(0, height() - m_reservedBottom)); }
    // The displayed size of the unrotated image (its size in points times the zoom).
    QSizeF scaledSize() const;
    // Where the image sits now; the pointer mapping and the handles use it.
    HandleFrameTransform currentTransform() const;

    // ---- wheel and pinch actions -----------------------------------------------------------
    // One wheel step of zoom; `canvasPoint` (canvas coordinates, may lie outside) anchors it.
    void zoomAtPoint(double delta, std::optional<QPointF> canvasPoint);
    void panByScroll(double dx, double dy);
    void toggleSmartZoom();
    // A pinch's magnification since it began and its start point as a fraction of the canvas.
    void pinchChanged(double magnification, QPointF unitAnchor);
    void pinchEnded(QPointF unitAnchor);

    // Applies the crop when crop mode holds a rectangle larger than 10 x 10 points.
    void confirmCrop();

    // The exit command (Escape reaching the canvas): drops an open text box, else the
    // selection and then the drawing tool.
    void exitCommand();

    // Paints the whole canvas into `painter` (the widget's own paint event uses it).
    void paintCanvas(QPainter& painter);

    // How often a layer of the committed picture was painted afresh. A drag that only
    // draws out a new shape repaints none of them.
    int layerRebuildCount() const { return m_layerRebuilds; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    enum class Gesture { none, crop, handle, drawing };

    struct PointerSession {
        Gesture gesture = Gesture::none;
        QPointF pressPosition;
        HandleFrameTransform transform; // of the rendering the gesture began in
        bool cropStarted = false;
        bool panStarted = false;
        bool begun = false; // the model has heard of this drag
        std::optional<ImageEditorViewModel::HandleDragKind> handleKind;
        QPointF handlePoint;
    };

    QSizeF panLimitAt(double zoom) const;
    void adoptZoomChange();
    void observeDocument();
    void tryFitNewImage(bool allowRetry);
    void beginPointer(const QPointF& position);
    // Opens the text under a viewport point in the in-place editor; false when no text
    // is there or one is already being typed.
    bool editTextAt(const QPointF& position);
    void updateHover(const QPointF& position);
    std::vector<QPointF> handleViewportPoints(const HandleFrameTransform& transform) const;
    void anchoredZoom(double ratio, QPointF anchor, double newZoom);
    void zoomAtUnitAnchor(double next, QPointF unitAnchor);
    const QImage& displayBitmap(QSizeF scaled);
    void invalidateLayers() { m_belowValid = m_rectanglesValid = m_marksValid = false; }
    void updateLayers(const HandleFrameTransform& transform);

    ImageEditorViewModel* m_viewModel;
    InPlaceTextEditor* m_textEditor = nullptr;
    CanvasCropGestures* m_cropGestures = nullptr;

    QSizeF m_dragOffset { 0.0, 0.0 };
    QSizeF m_lastDragOffset { 0.0, 0.0 };
    std::optional<double> m_pinchStartZoom;
    double m_pinchMagnification = 1.0;
    QPointF m_pinchAnchor;

    PointerSession m_session;
    int m_reservedBottom = 0;
    bool m_fitRetryPending = false;
    const void* m_shownImageBits = nullptr;
    bool m_hadImage = false;

    // The image scaled down to its displayed size, made once per zoom rather than on
    // every paint; keyed by the pixels and the size it was made for.
    QImage m_displayBitmap;
    qint64 m_displayBitmapKey = 0;
    QSize m_displayBitmapSize;

    // The committed picture in three layers, split where the shapes being dragged out
    // are drawn in between: the image with strokes, lines and arrows; the rectangles
    // with their effects; texts and markers. A paint composes them and draws the shape
    // being dragged out and the handles over them, so a pointer move repaints only what
    // it changed: nothing of the layers while a shape is drawn, one layer while an
    // annotation of its kind is moved or reshaped.
    struct Layers {
        QImage below;
        QImage rectangles; // null when there are none
        QImage marks;      // null when there are none
        QPainterPath outline; // the image's shape in image points; annotations show inside it
        HandleFrameTransform transform;
        qreal devicePixelRatio = 0.0;
        QRgb background = 0;
        std::optional<BackdropParameters> backdrop; // what the card behind the image shows
    };
    Layers m_layers;
    bool m_belowValid = false;
    bool m_rectanglesValid = false;
    bool m_marksValid = false;
    int m_layerRebuilds = 0;
};
