#pragma once

#include "Models/AnnotationManager.h"
#include "Models/Annotations.h"
#include "Models/BackdropParameters.h"
#include "Models/BackdropPreset.h"
#include "Models/EditorToolStyleSnapshot.h"
#include "Models/OCRPanelState.h"
#include "Models/ToolType.h"
#include "Platform/Image.h"
#include "Platform/ImageFileReader.h"
#include "Platform/RgbaColor.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class OpenPanel;
class Pasteboard;

// The one model of an open image in an editor window: the document and its view
// transform, the crop state, the undo history, the current tool and the style of
// every tool, the temporaries of drawing, pointer and text editing, and the state the
// output operations show. Views read its properties and call its operations; it holds
// no widget.
//
// Every setter stores its value and then emits the signal of its group and
// `changed()`, on every assignment, equal values included (observers rely on it).
// Main thread only. Operations are split over ImageEditorViewModel*.cpp by concern.
class ImageEditorViewModel : public QObject {
    Q_OBJECT
public:
    // ---- nested types --------------------------------------------------------------

    enum class CropCorner { topLeft, topRight, bottomLeft, bottomRight };

    // The crop gesture in progress; `corner` carries the corner being dragged.
    struct CropDragMode {
        enum class Kind { none, corner, draw, move };
        Kind kind = Kind::none;
        CropCorner corner = CropCorner::topLeft; // meaningful for `corner` only

        static CropDragMode none() { return {}; }
        static CropDragMode draw() { return { Kind::draw, CropCorner::topLeft }; }
        static CropDragMode move() { return { Kind::move, CropCorner::topLeft }; }
        static CropDragMode cornerDrag(CropCorner c) { return { Kind::corner, c }; }

        friend bool operator==(const CropDragMode& a, const CropDragMode& b)
        {
            return a.kind == b.kind && (a.kind != Kind::corner || a.corner == b.corner);
        }
    };

    // The selection handle being dragged, with the annotation it belongs to.
    struct HandleDragKind {
        enum class Kind { arrow, line, rectCorner, freehandCorner, textSide };
        Kind kind = Kind::arrow;
        QUuid id;
        bool isStart = false; // arrow, line: the start point
        int corner = 0;       // rectCorner, freehandCorner: corner index 0...3
        bool isLeft = false;  // textSide: the left side

        friend bool operator==(const HandleDragKind& a, const HandleDragKind& b)
        {
            if (a.kind != b.kind || a.id != b.id)
                return false;
            switch (a.kind) {
            case Kind::arrow:
            case Kind::line:
                return a.isStart == b.isStart;
            case Kind::rectCorner:
            case Kind::freehandCorner:
                return a.corner == b.corner;
            case Kind::textSide:
                return a.isLeft == b.isLeft;
            }
            return false;
        }
    };

    // The undo snapshot: the image, its base, and every annotation. Images share
    // their pixels with the document (no copy). `scale` travels with the image so
    // that undoing a scaling also restores its factor.
    struct EditorState {
        Image image;
        Image baseImage;
        QSizeF originalImageSize;
        double scale = 1.0;
        QList<ArrowAnnotation> arrows;
        QList<RectangleAnnotation> rectangles;
        QList<TextAnnotation> texts;
        QList<FreehandAnnotation> freehands;
        QList<LineAnnotation> lines;
        QList<NumberAnnotation> numbers;
        // What Clear Image empties besides the picture, kept only on the snapshots
        // either side of a clear, so undoing it brings the whole document back.
        struct Document {
            std::optional<Image> pristineImage;
            std::optional<QUrl> imageURL;
            std::optional<QUrl> lastSavedURL;
            double rotation = 0.0;
            double zoomLevel = 1.0;
        };
        std::optional<Document> document;
        // The editor emptied by Clear Image (image is null): redoing the clear.
        bool cleared = false;
    };

    // The saved tool styles (EditorToolStyleSnapshot.h).
    using ToolStyleSnapshot = ::ToolStyleSnapshot;
    using RGBSnapshot = ::RGBSnapshot;

    // The colour property that starts a colour sync.
    enum class ToolColorSource { arrow, stroke, line, freehand, text };

    // A selection handle and where it is drawn, in display points.
    struct SelectionHandle {
        HandleDragKind kind;
        QPointF point;
    };

    using Clock = std::chrono::steady_clock;

    explicit ImageEditorViewModel(QObject* parent = nullptr);
    ~ImageEditorViewModel() override;

    // ---- process-wide crop flags, read by the editor's keyboard monitor -------------
    static bool globalIsCropping() { return s_globalIsCropping; }
    static bool globalIsEditingCropSize() { return s_globalIsEditingCropSize; }

    // ---- collaborators (tests replace them) -----------------------------------------
    // nullptr restores the process-wide default.
    void setPasteboard(Pasteboard* pasteboard) { m_pasteboard = pasteboard; }
    void setOpenPanel(OpenPanel* panel) { m_openPanel = panel; }
    // The clock of double clicks and of grouping slider changes into one undo step.
    void setClockForTesting(std::function<Clock::time_point()> clock) { m_clock = std::move(clock); }

    // ---- view ---------------------------------------------------------------------
    const std::optional<QSizeF>& anchoredZoomPendingOffset() const { return m_anchoredZoomPendingOffset; }
    void setAnchoredZoomPendingOffset(std::optional<QSizeF> v) { m_anchoredZoomPendingOffset = v; }
    double zoomLevel() const { return m_zoomLevel; }
    void setZoomLevel(double v) { publish(m_zoomLevel, v, &ImageEditorViewModel::zoomChanged); }
    double rotation() const { return m_rotation; }
    void setRotation(double v) { publish(m_rotation, v, &ImageEditorViewModel::zoomChanged); }
    const std::optional<QSizeF>& lastFitContainerSize() const { return m_lastFitContainerSize; }

    // ---- document -----------------------------------------------------------------
    const std::optional<Image>& selectedImage() const { return m_selectedImage; }
    void setSelectedImage(std::optional<Image> v) { publish(m_selectedImage, std::move(v), &ImageEditorViewModel::documentChanged); }
    const std::optional<QUrl>& imageURL() const { return m_imageURL; }
    void setImageURL(std::optional<QUrl> v) { publish(m_imageURL, std::move(v), &ImageEditorViewModel::documentChanged); }
    double scale() const { return m_scale; }
    void setScale(double v) { publish(m_scale, v, &ImageEditorViewModel::documentChanged); }
    QSizeF originalImageSize() const { return m_originalImageSize; }
    void setOriginalImageSize(QSizeF v) { publish(m_originalImageSize, v, &ImageEditorViewModel::documentChanged); }
    bool isNewlyLoaded() const { return m_isNewlyLoaded; }
    void setIsNewlyLoaded(bool v) { publish(m_isNewlyLoaded, v, &ImageEditorViewModel::documentChanged); }
    const std::optional<Image>& originalImage() const { return m_originalImage; }
    const std::optional<Image>& pristineImage() const { return m_pristineImage; }
    qint64 imageLoadGeneration() const { return *m_imageLoadGeneration; }

    AnnotationManager* annotationManager() const { return m_annotationManager; }

    // ---- crop -----------------------------------------------------------------------
    bool isCropping() const { return m_isCropping; }
    void setIsCropping(bool v);
    bool isEditingCropSize() const { return m_isEditingCropSize; }
    void setIsEditingCropSize(bool v);
    QRectF cropRect() const { return m_cropRect; }
    void setCropRect(QRectF v) { publish(m_cropRect, v, &ImageEditorViewModel::cropChanged); }
    const std::optional<QRectF>& cropMoveStartRect() const { return m_cropMoveStartRect; }
    const std::optional<QRectF>& cropCornerDragStart() const { return m_cropCornerDragStart; }
    const std::optional<CropCorner>& cropDraggingCorner() const { return m_cropDraggingCorner; }
    CropDragMode cropDragMode() const { return m_cropDragMode; }
    void setCropDragMode(CropDragMode v) { m_cropDragMode = v; }

    // ---- history --------------------------------------------------------------------
    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    const QList<EditorState>& undoStack() const { return m_undoStack; }
    const QList<EditorState>& redoStack() const { return m_redoStack; }

    // ---- tools and current styles ---------------------------------------------------
    ToolType currentTool() const { return m_currentTool; }
    void setCurrentTool(ToolType v) { publish(m_currentTool, v, &ImageEditorViewModel::toolChanged); }

    RgbaColor currentArrowColor() const { return m_currentArrowColor; }
    void setCurrentArrowColor(RgbaColor v);
    double currentArrowLineWidth() const { return m_currentArrowLineWidth; }
    void setCurrentArrowLineWidth(double v);
    ArrowHeadStyle currentArrowHeadStyle() const { return m_currentArrowHeadStyle; }
    void setCurrentArrowHeadStyle(ArrowHeadStyle v);
    ShapeType currentShapeType() const { return m_currentShapeType; }
    void setCurrentShapeType(ShapeType v);
    RgbaColor currentStrokeColor() const { return m_currentStrokeColor; }
    void setCurrentStrokeColor(RgbaColor v);
    std::optional<RgbaColor> currentFillColor() const { return m_currentFillColor; }
    void setCurrentFillColor(std::optional<RgbaColor> v);
    double currentRectLineWidth() const { return m_currentRectLineWidth; }
    void setCurrentRectLineWidth(double v);
    AnnotationEffect currentRectEffect() const { return m_currentRectEffect; }
    void setCurrentRectEffect(AnnotationEffect v);
    RgbaColor currentNumberColor() const { return m_currentNumberColor; }
    void setCurrentNumberColor(RgbaColor v);
    double currentNumberDiameter() const { return m_currentNumberDiameter; }
    void setCurrentNumberDiameter(double v);
    NumberShape currentNumberShape() const { return m_currentNumberShape; }
    void setCurrentNumberShape(NumberShape v);
    double currentMosaicIntensity() const { return m_currentMosaicIntensity; }
    void setCurrentMosaicIntensity(double v);
    double currentSpotlightDim() const { return m_currentSpotlightDim; }
    void setCurrentSpotlightDim(double v);
    bool isBackdropEnabled() const { return m_isBackdropEnabled; }
    // Stores the switch (and its user default) only; see setBackdropEnabled for the user's toggle.
    void setIsBackdropEnabled(bool v);
    // The user's toggle: switches and stores the backdrop, then, unless cropping, fits the
    // image again into the last fit's container, since the backdrop's margins change what fits.
    void setBackdropEnabled(bool enabled);
    BackdropPreset currentBackdropPreset() const { return m_currentBackdropPreset; }
    void setCurrentBackdropPreset(BackdropPreset v);
    double currentBackdropPadding() const { return m_currentBackdropPadding; }
    void setCurrentBackdropPadding(double v);
    double currentBackdropCornerRadius() const { return m_currentBackdropCornerRadius; }
    void setCurrentBackdropCornerRadius(double v);
    bool currentBackdropShadowEnabled() const { return m_currentBackdropShadowEnabled; }
    void setCurrentBackdropShadowEnabled(bool v);
    double currentBackdropShadowIntensity() const { return m_currentBackdropShadowIntensity; }
    void setCurrentBackdropShadowIntensity(double v);
    double currentHighlighterAlpha() const { return m_currentHighlighterAlpha; }
    void setCurrentHighlighterAlpha(double v);
    RgbaColor currentFreehandColor() const { return m_currentFreehandColor; }
    void setCurrentFreehandColor(RgbaColor v);
    double currentFreehandLineWidth() const { return m_currentFreehandLineWidth; }
    void setCurrentFreehandLineWidth(double v);
    LineCapStyle currentFreehandLineCap() const { return m_currentFreehandLineCap; }
    void setCurrentFreehandLineCap(LineCapStyle v);
    bool currentFreehandIsHighlighter() const { return m_currentFreehandIsHighlighter; }
    void setCurrentFreehandIsHighlighter(bool v) { publishStyle(m_currentFreehandIsHighlighter, v); }
    RgbaColor currentLineColor() const { return m_currentLineColor; }
    void setCurrentLineColor(RgbaColor v);
    double currentLineLineWidth() const { return m_currentLineLineWidth; }
    void setCurrentLineLineWidth(double v);
    LineStyle currentLineStyle() const { return m_currentLineStyle; }
    void setCurrentLineStyle(LineStyle v);
    RgbaColor currentTextColor() const { return m_currentTextColor; }
    void setCurrentTextColor(RgbaColor v);
    // In the original image's pixels, the unit a text annotation stores; on screen it
    // is drawn at this size times the display scale (display width / image width).
    double currentFontSize() const { return m_currentFontSize; }
    void setCurrentFontSize(double v);
    QString currentFontName() const { return m_currentFontName; }
    void setCurrentFontName(QString v);

    // The annotation of each kind that a style change acts on (the selected one, else
    // the one the styles were last loaded from), as it is now: what a property panel
    // shows while there is one. Texts load their style into the current text style.
    std::optional<ArrowAnnotation> styledArrow() const;
    std::optional<RectangleAnnotation> styledRectangle() const;
    std::optional<NumberAnnotation> styledNumber() const;
    std::optional<FreehandAnnotation> styledFreehand() const;
    std::optional<LineAnnotation> styledLine() const;

    // Guard flags of the style machinery.
    bool isSyncingToolColors() const { return m_isSyncingToolColors; }
    bool isLoadingSelectedStyles() const { return m_isLoadingSelectedStyles; }
    bool isRestoringToolStyles() const { return m_isRestoringToolStyles; }

    // ---- drawing temporaries (display points) ---------------------------------------
    std::optional<QPointF> tempArrowStart() const { return m_tempArrowStart; }
    void setTempArrowStart(std::optional<QPointF> v) { publish(m_tempArrowStart, v, &ImageEditorViewModel::drawingChanged); }
    std::optional<QPointF> tempArrowEnd() const { return m_tempArrowEnd; }
    void setTempArrowEnd(std::optional<QPointF> v) { publish(m_tempArrowEnd, v, &ImageEditorViewModel::drawingChanged); }
    std::optional<QPointF> tempRectStart() const { return m_tempRectStart; }
    void setTempRectStart(std::optional<QPointF> v) { publish(m_tempRectStart, v, &ImageEditorViewModel::drawingChanged); }
    std::optional<QPointF> tempRectEnd() const { return m_tempRectEnd; }
    void setTempRectEnd(std::optional<QPointF> v) { publish(m_tempRectEnd, v, &ImageEditorViewModel::drawingChanged); }
    const std::optional<QList<QPointF>>& tempFreehandPoints() const { return m_tempFreehandPoints; }
    void setTempFreehandPoints(std::optional<QList<QPointF>> v) { publish(m_tempFreehandPoints, std::move(v), &ImageEditorViewModel::drawingChanged); }
    std::optional<QPointF> tempLineStart() const { return m_tempLineStart; }
    void setTempLineStart(std::optional<QPointF> v) { publish(m_tempLineStart, v, &ImageEditorViewModel::drawingChanged); }
    std::optional<QPointF> tempLineEnd() const { return m_tempLineEnd; }
    void setTempLineEnd(std::optional<QPointF> v) { publish(m_tempLineEnd, v, &ImageEditorViewModel::drawingChanged); }

    // ---- editing ids ------------------------------------------------------------------
    std::optional<QUuid> editingArrowId() const { return m_editingArrowId; }
    void setEditingArrowId(std::optional<QUuid> v) { publish(m_editingArrowId, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QUuid> editingRectId() const { return m_editingRectId; }
    void setEditingRectId(std::optional<QUuid> v) { publish(m_editingRectId, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QUuid> editingLineId() const { return m_editingLineId; }
    void setEditingLineId(std::optional<QUuid> v) { publish(m_editingLineId, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QUuid> editingFreehandId() const { return m_editingFreehandId; }
    void setEditingFreehandId(std::optional<QUuid> v) { publish(m_editingFreehandId, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QUuid> editingNumberId() const { return m_editingNumberId; }
    void setEditingNumberId(std::optional<QUuid> v) { publish(m_editingNumberId, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QUuid> editingTextStyleId() const { return m_editingTextStyleId; }
    void setEditingTextStyleId(std::optional<QUuid> v) { publish(m_editingTextStyleId, v, &ImageEditorViewModel::selectionChanged); }

    // ---- pointer and handles ------------------------------------------------------------
    const std::optional<HandleDragKind>& activeHandleKind() const { return m_activeHandleKind; }
    void setActiveHandleKind(std::optional<HandleDragKind> v) { publish(m_activeHandleKind, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<int> hoveredHandleIndex() const { return m_hoveredHandleIndex; }
    void setHoveredHandleIndex(std::optional<int> v) { publish(m_hoveredHandleIndex, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QPointF> annotationDragLastLocation() const { return m_annotationDragLastLocation; }
    void setAnnotationDragLastLocation(std::optional<QPointF> v) { publish(m_annotationDragLastLocation, v, &ImageEditorViewModel::selectionChanged); }
    std::optional<QPointF> lastTapLocation() const { return m_lastTapLocation; }
    const std::optional<QList<QPointF>>& draggingFreehandOriginalPoints() const { return m_draggingFreehandOriginalPoints; }
    const std::optional<QRectF>& draggingFreehandOriginalBounds() const { return m_draggingFreehandOriginalBounds; }
    std::optional<QPointF> handleDragStartLocal() const { return m_handleDragStartLocal; }
    // Ends a handle drag (the canvas calls it on release).
    void endHandleDrag();

    // ---- output state (image output operations) ---------------------------------------
    QString defaultSaveFormat() const;
    void setDefaultSaveFormat(const QString& format);
    double defaultJpegQuality() const;
    void setDefaultJpegQuality(double quality);
    const std::optional<QUrl>& lastSavedURL() const { return m_lastSavedURL; }
    void setLastSavedURL(std::optional<QUrl> v) { m_lastSavedURL = std::move(v); }
    const std::optional<QUrl>& saveToastURL() const { return m_saveToastURL; }
    void setSaveToastURL(std::optional<QUrl> v) { publish(m_saveToastURL, std::move(v), &ImageEditorViewModel::outputChanged); }
    bool copyToastVisible() const { return m_copyToastVisible; }
    void setCopyToastVisible(bool v) { publish(m_copyToastVisible, v, &ImageEditorViewModel::outputChanged); }
    bool isExporting() const { return m_isExporting; }
    void setIsExporting(bool v) { publish(m_isExporting, v, &ImageEditorViewModel::outputChanged); }
    bool isSavePanelPresented() const { return m_isSavePanelPresented; }
    void setIsSavePanelPresented(bool v) { m_isSavePanelPresented = v; }
    const std::optional<OCRPanelState>& ocrPanelState() const { return m_ocrPanelState; }
    void setOcrPanelState(std::optional<OCRPanelState> v) { publish(m_ocrPanelState, std::move(v), &ImageEditorViewModel::outputChanged); }

    // ---- text editing temporaries -------------------------------------------------------
    std::optional<QPointF> tempTextNormalizedPosition() const { return m_tempTextNormalizedPosition; }
    void setTempTextNormalizedPosition(std::optional<QPointF> v) { publish(m_tempTextNormalizedPosition, v, &ImageEditorViewModel::textEditingChanged); }
    QString tempTextInput() const { return m_tempTextInput; }
    void setTempTextInput(QString v) { publish(m_tempTextInput, std::move(v), &ImageEditorViewModel::textEditingChanged); }
    double tempTextWidth() const { return m_tempTextWidth; }
    void setTempTextWidth(double v);
    double tempTextHeight() const { return m_tempTextHeight; }
    void setTempTextHeight(double v);
    bool tempTextIsFixedWidth() const { return m_tempTextIsFixedWidth; }
    void setTempTextIsFixedWidth(bool v) { publish(m_tempTextIsFixedWidth, v, &ImageEditorViewModel::textEditingChanged); }
    std::optional<QRectF> tempTextBoxRect() const { return m_tempTextBoxRect; }
    void setTempTextBoxRect(std::optional<QRectF> v) { publish(m_tempTextBoxRect, v, &ImageEditorViewModel::textEditingChanged); }
    std::optional<double> tempTextAnchorLeftX() const { return m_tempTextAnchorLeftX; }
    void setTempTextAnchorLeftX(std::optional<double> v) { publish(m_tempTextAnchorLeftX, v, &ImageEditorViewModel::textEditingChanged); }
    std::optional<double> tempTextAnchorTopY() const { return m_tempTextAnchorTopY; }
    void setTempTextAnchorTopY(std::optional<double> v) { publish(m_tempTextAnchorTopY, v, &ImageEditorViewModel::textEditingChanged); }
    QSizeF editingDisplaySize() const { return m_editingDisplaySize; }
    bool isEditingText() const { return m_isEditingText; }
    void setIsEditingText(bool v) { publish(m_isEditingText, v, &ImageEditorViewModel::textEditingChanged); }
    std::optional<QUuid> editingTextId() const { return m_editingTextId; }
    void setEditingTextId(std::optional<QUuid> v) { publish(m_editingTextId, v, &ImageEditorViewModel::textEditingChanged); }

    // ---- documents (ImageEditorViewModelDocument.cpp) -----------------------------------
    QString displayName() const;
    QString imageInfoText() const;
    void openImage();
    void loadImage(const QUrl& url);
    void setLoadedImage(const Image& image, const QUrl& url);
    // Reads the clipboard now and decodes its image on a worker; a later load, paste or
    // clear overtakes it. Ends with imageLoadFinished (an empty URL when nothing was pasted).
    void pasteImage();
    // Decodes encoded image bytes (a paste, dropped data) on a worker and installs them
    // under a generated name, unless a later load, paste, drop or clear came first.
    void loadImageData(const QByteArray& bytes, std::function<void()> onInstalled = {});
    // Installs a new document in place of the current one, once the replacement guard
    // agrees when there is unsaved work (at once otherwise); `after` learns whether it was
    // installed. While the guard is deciding, a newer replacement takes the place of the
    // one waiting, which is then reported as not installed.
    void replaceDocument(const Image& image, const QUrl& url, std::function<void(bool installed)> after = {});

    // ---- unsaved work (ImageEditorViewModelUnsaved.cpp) -------------------------------------
    // What a save or a copy took: the image (by its pixels' key, so a kept image is not held
    // in memory after a crop or resize replaced it), its turn and its annotations.
    struct KeptContent {
        qint64 imageKey = 0;
        double rotation = 0.0;
        QByteArray annotations;
    };
    KeptContent currentContent() const;
    // Notes content as kept (saved or copied); an installed document is kept as it came.
    void markContentKept(const KeptContent& content);
    // Whether closing or replacing the document would lose work: the image, its turn or
    // its annotations differ from what was last kept, or a text is being typed; after
    // Clear Image, whether the document before it held such work.
    bool hasUnsavedWork() const;
    // The document the unsaved-work question names: the open one, or after Clear Image
    // the one cleared away.
    QString unsavedWorkName() const;
    // Asked before a document with unsaved work is replaced; it calls `decide` (now or
    // later) with whether the replacement goes ahead. None: replaced without asking.
    using ReplacementGuard = std::function<void(std::function<void(bool replace)> decide)>;
    void setReplacementGuard(ReplacementGuard guard) { m_replacementGuard = std::move(guard); }

    // ---- zoom and fit (ImageEditorViewModelZoom.cpp) ---------------------------------------
    void fitZoom(QSizeF containerSize);
    void fitZoomNoUpscale(QSizeF containerSize);
    void zoomIn();
    void zoomOut();
    // The backdrop's parameters while the backdrop is on, else nothing.
    std::optional<BackdropParameters> backdropSettings() const;
    // The size that has to fit: `size`, grown by the backdrop's margins when it is on.
    QSizeF canvasSizeForFit(QSizeF size, const Image& image) const;

    // ---- crop (ImageEditorViewModelCrop.cpp) ----------------------------------------------
    // Width and height in image points, of the unturned image. The rectangle keeps the
    // edges the user sees on its left and top, whatever the view's rotation, and is
    // pushed back inside the image only as far as needed.
    void setCropSize(int width, int height);
    void beginCropMove();
    void updateCropMove(QSizeF translation, QSizeF bounds);
    void beginCropCornerDrag(CropCorner corner);
    void updateCropCornerDrag(QSizeF translation, QSizeF bounds, CropCorner corner);
    // Ends a crop drag: forgets its start rectangles, corner and mode; a rectangle the
    // drag drew that is not larger than 10 x 10 points is dropped (one reshaped by a
    // corner or moved is kept).
    void endCropDrag();
    void applyCrop(QSizeF displaySize);

    // ---- whole-document changes (ImageEditorViewModelTransform.cpp) -----------------------
    void rotateLeft();
    void rotateRight();
    // Both resample on a worker and install the result (with its undo step) when it is
    // back, unless the shown image changed meanwhile; isResampling() until then.
    void applyScale(double factor);
    void resizeToPixelSize(int width, int height);
    bool isResampling() const { return m_isResampling; }
    void revertToOriginal();
    void clearImage();

    // ---- undo and redo (ImageEditorViewModelHistory.cpp) ----------------------------------
    void saveUndoState();
    void undo();
    void redo();
    int maxUndoSteps() const;
    std::optional<EditorState> captureState() const;
    void restoreState(const EditorState& state);
    // The six kinds of annotation a snapshot holds, put into `store`.
    static void loadAnnotations(AnnotationManager& store, const EditorState& state);

    // ---- deleting and clearing (ImageEditorViewModelDelete.cpp) ----------------------------
    void deleteSelectedAnnotation();
    void clearAnnotations();
    void performOnEditedAnnotation(const std::function<void(AnnotationManager&)>& operation);
    void deselectAll();

    // ---- current styles and their persistence (ImageEditorViewModelStyles.cpp,
    //      ImageEditorViewModelPersistence.cpp) ----------------------------------------------
    void syncToolColor(RgbaColor color, ToolColorSource source);
    ToolStyleSnapshot makeToolStyleSnapshot() const;
    static RGBSnapshot makeRGBSnapshot(RgbaColor color);
    void persistToolStyles();
    void restoreToolStyles();
    void resetToolStyles();

    // ---- tools and selection styles (ImageEditorViewModelTools.cpp) --------------------------
    void selectTool(ToolType tool);
    void selectAnnotationLoadingStyle(const QUuid& id);
    bool retargetSelectionToTool(ToolType tool);
    std::optional<ToolType> selectedAnnotationKind() const;

    // ---- in-place text editing (ImageEditorViewModelText.cpp) ---------------------------------
    void beginTextEditing(QPointF location, QSizeF displaySize, std::optional<QRectF> box, double minimumHeight);
    void editTextAnnotation(const QUuid& id, QSizeF displaySize);
    void commitTextEditing(QSizeF displaySize, double referenceWidth);
    // Commits the text being typed, if any, at the shown image's size: what a command
    // that leaves the text box (a menu item, a button, a key) does first.
    void finishTextEditing();
    void cancelTextEditing();
    double measureText(const QString& text, const QString& fontName, double fontSize) const;
    void applyTempTextAnchors();

    // ---- selecting, moving and reshaping (ImageEditorViewModelSelection.cpp) ------------------
    bool isDoubleClick(QPointF point) const;
    bool handleDoubleClickOnText(QPointF startLocation, QSizeF displaySize, QSizeF imageSize);
    bool selectAnnotationAtPoint(QPointF point, QSizeF displaySize, QSizeF imageSize);
    void moveSelectedAnnotation(QPointF location, QSizeF displaySize);
    QList<SelectionHandle> selectionHandles(QSizeF displaySize) const;
    void beginHandleDrag(const HandleDragKind& kind, QPointF startLocation, QSizeF displaySize);
    void updateHandleDrag(QPointF location, QSizeF displaySize);

    // ---- pointer dispatch and drawing (ImageEditorViewModelPointer.cpp) -----------------------
    void handleDragChanged(QPointF startLocation, QPointF location, QSizeF displaySize, QSizeF imageSize);
    void handleDragEnded(QPointF startLocation, QPointF location, QSizeF displaySize, QSizeF imageSize);
    void beginLine(QPointF point);
    void beginArrow(QPointF point);
    void beginRectangle(QPointF point);
    void beginFreehand(QPointF point);
    void appendFreehandPoint(QPointF point);
    void createLineAnnotation(QSizeF displaySize);
    void createArrowAnnotation(QSizeF displaySize);
    void createRectangleAnnotation(AnnotationEffect effect, QSizeF displaySize, QSizeF imageSize);
    void createFreehandAnnotation(QSizeF displaySize, QSizeF imageSize);
    void createNumberAnnotation(QPointF normalizedPoint);

signals:
    // Grouped change signals, emitted after the value is stored.
    void documentChanged();
    void zoomChanged();
    void cropChanged();
    void historyChanged();
    void toolChanged();
    void stylesChanged();
    void drawingChanged();
    void selectionChanged();
    void textEditingChanged();
    void outputChanged();
    // Any change of the annotation store.
    void annotationsChanged();
    // Emitted after every group signal and every store change.
    void changed();

    // Something the user has to be told; the window shows it as an alert.
    void alertRequested(const QString& title, const QString& message);
    // A background load or paste finished for `url`: installed, dropped as stale, or failed.
    void imageLoadFinished(const QUrl& url, bool installed);

private:
    // Asked by a decoding thread: whether a load newer than generation has begun.
    ImageFileReader::Superseded supersededAfter(qint64 generation) const;
    template <typename T, typename V>
    void publish(T& field, V&& value, void (ImageEditorViewModel::*groupSignal)())
    {
        field = std::forward<V>(value);
        emit(this->*groupSignal)();
        emit changed();
    }
    template <typename T, typename V>
    void publishStyle(T& field, V&& value)
    {
        publish(field, std::forward<V>(value), &ImageEditorViewModel::stylesChanged);
    }

    // The style machinery (ImageEditorViewModelStyles.cpp).
    enum class StyleKind { arrow, rectangle, number, freehand, line, text };
    enum class StyleField;
    std::optional<QUuid> styleTarget(StyleKind kind) const;
    void pushStyle(StyleField field, StyleKind kind, const std::function<bool(const QUuid&)>& differs,
        const std::function<void(const QUuid&)>& write);
    void persistIfRemembering();
    Clock::time_point now() const { return m_clock ? m_clock() : Clock::now(); }
    void recordTap(QPointF location);
    // The scale from the original image's pixels to display points.
    double displayScale(double displayWidth) const;

    void setCanUndo(bool v) { publish(m_canUndo, v, &ImageEditorViewModel::historyChanged); }
    void setCanRedo(bool v) { publish(m_canRedo, v, &ImageEditorViewModel::historyChanged); }
    void resetCropState();
    void emptyHistory();
    void pushUndoState(EditorState state);
    // The snapshot with the document's own fields, for either side of a clear.
    EditorState documentState() const;
    void emptyDocument();
    // With the editor emptied by Clear Image: whether the document before the clear held
    // work that was not kept.
    bool clearedUnsavedWork() const;
    void installImage(const Image& image, const QUrl& url);
    // Resamples the base image to width x height points on a worker and hands the
    // result to `install`; tells the user instead when a side would exceed the largest
    // one or the bitmap cannot be had.
    void resampleThen(double width, double height, std::function<void(const Image&)> install);
    Pasteboard& pasteboard() const;
    OpenPanel& openPanel() const;

    static inline bool s_globalIsCropping = false;
    static inline bool s_globalIsEditingCropSize = false;

    Pasteboard* m_pasteboard = nullptr;
    OpenPanel* m_openPanel = nullptr;

    std::optional<QSizeF> m_anchoredZoomPendingOffset;
    std::optional<Image> m_selectedImage;
    std::optional<QUrl> m_imageURL;
    double m_zoomLevel = 1.0;
    double m_rotation = 0.0;
    double m_scale = 1.0;
    bool m_isCropping = false;
    bool m_isEditingCropSize = false;
    QRectF m_cropRect;
    std::optional<QRectF> m_cropMoveStartRect;
    std::optional<QRectF> m_cropCornerDragStart;
    std::optional<CropCorner> m_cropDraggingCorner;
    CropDragMode m_cropDragMode;
    bool m_canUndo = false;
    bool m_canRedo = false;
    QSizeF m_originalImageSize { 0.0, 0.0 };
    bool m_isNewlyLoaded = false;
    AnnotationManager* m_annotationManager = nullptr;
    ToolType m_currentTool = ToolType::none;

    RgbaColor m_currentArrowColor { 1.0, 0.0, 0.0 };
    double m_currentArrowLineWidth = 3.0;
    ArrowHeadStyle m_currentArrowHeadStyle = ArrowHeadStyle::open;
    ShapeType m_currentShapeType = ShapeType::rectangle;
    RgbaColor m_currentStrokeColor { 1.0, 0.0, 0.0 };
    std::optional<RgbaColor> m_currentFillColor;
    double m_currentRectLineWidth = 2.0;
    AnnotationEffect m_currentRectEffect = AnnotationEffect::none;
    RgbaColor m_currentNumberColor { 1.0, 0.0, 0.0 };
    double m_currentNumberDiameter = defaultNumberDiameter;
    NumberShape m_currentNumberShape = NumberShape::circle;
    double m_currentMosaicIntensity = 5.0;
    double m_currentSpotlightDim = 0.45;
    bool m_isBackdropEnabled = false;
    BackdropPreset m_currentBackdropPreset = BackdropPreset::white;
    double m_currentBackdropPadding = 32.0;
    double m_currentBackdropCornerRadius = 12.0;
    bool m_currentBackdropShadowEnabled = true;
    double m_currentBackdropShadowIntensity = 0.5;
    double m_currentHighlighterAlpha = 0.5;
    RgbaColor m_currentFreehandColor { 1.0, 0.0, 0.0 };
    double m_currentFreehandLineWidth = 3.0;
    LineCapStyle m_currentFreehandLineCap = LineCapStyle::round;
    bool m_currentFreehandIsHighlighter = false;
    RgbaColor m_currentLineColor { 1.0, 0.0, 0.0 };
    double m_currentLineLineWidth = 3.0;
    LineStyle m_currentLineStyle = LineStyle::solid;
    RgbaColor m_currentTextColor { 34.0 / 255.0, 34.0 / 255.0, 34.0 / 255.0 };
    double m_currentFontSize = 16.0;
    QString m_currentFontName; // TextLayout::defaultFontName(), set on construction
    bool m_isSyncingToolColors = false;
    bool m_isLoadingSelectedStyles = false;
    bool m_isRestoringToolStyles = false;

    std::optional<QPointF> m_tempArrowStart;
    std::optional<QPointF> m_tempArrowEnd;
    std::optional<QPointF> m_tempRectStart;
    std::optional<QPointF> m_tempRectEnd;
    std::optional<QList<QPointF>> m_tempFreehandPoints;
    std::optional<QPointF> m_tempLineStart;
    std::optional<QPointF> m_tempLineEnd;
    std::optional<QUuid> m_editingArrowId;
    std::optional<QUuid> m_editingRectId;
    std::optional<QUuid> m_editingLineId;
    std::optional<QUuid> m_editingFreehandId;
    std::optional<QUuid> m_editingNumberId;
    std::optional<QUuid> m_editingTextStyleId;

    std::optional<Image> m_originalImage;
    std::optional<Image> m_pristineImage;
    QList<EditorState> m_undoStack;
    QList<EditorState> m_redoStack;
    // Shared with the decoding threads, which stop once a newer load has begun.
    std::shared_ptr<std::atomic<qint64>> m_imageLoadGeneration = std::make_shared<std::atomic<qint64>>(0);
    qint64 m_resampleGeneration = 0;
    bool m_isResampling = false;

    std::optional<HandleDragKind> m_activeHandleKind;
    std::optional<int> m_hoveredHandleIndex;
    std::optional<QPointF> m_annotationDragLastLocation;
    std::optional<Clock::time_point> m_lastTapTime;
    std::optional<QPointF> m_lastTapLocation;
    std::optional<QList<QPointF>> m_draggingFreehandOriginalPoints;
    std::optional<QRectF> m_draggingFreehandOriginalBounds;
    std::optional<QPointF> m_handleDragStartLocal;
    bool m_handleDragNeedsUndo = false;
    bool m_moveNeedsUndo = false;
    // The corner of a rectangle that stays put while another is dragged (normalised).
    std::optional<QPointF> m_handleDragFixedCorner;

    // Grouping of one continuous style change (a slider drag) into one undo step.
    struct StyleUndoGroup {
        int field = -1;
        QUuid target;
        Clock::time_point lastChange;
        qsizetype undoDepth = 0;
    };
    std::optional<StyleUndoGroup> m_styleUndoGroup;
    std::function<Clock::time_point()> m_clock;

    struct PendingReplacement {
        Image image;
        QUrl url;
        std::function<void(bool)> after;
    };
    std::optional<PendingReplacement> m_pendingReplacement;
    ReplacementGuard m_replacementGuard;
    KeptContent m_keptContent;

    std::optional<QUrl> m_lastSavedURL;
    std::optional<QUrl> m_saveToastURL;
    bool m_copyToastVisible = false;
    bool m_isExporting = false;
    bool m_isSavePanelPresented = false;
    std::optional<OCRPanelState> m_ocrPanelState;
    std::optional<QSizeF> m_lastFitContainerSize;

    std::optional<QPointF> m_tempTextNormalizedPosition;
    QString m_tempTextInput;
    double m_tempTextWidth = 30.0;
    double m_tempTextHeight = 30.0;
    bool m_tempTextIsFixedWidth = false;
    std::optional<QRectF> m_tempTextBoxRect;
    std::optional<double> m_tempTextAnchorLeftX;
    std::optional<double> m_tempTextAnchorTopY;
    QSizeF m_editingDisplaySize { 0.0, 0.0 };
    bool m_isEditingText = false;
    std::optional<QUuid> m_editingTextId;
};
