// Typing text on the canvas: a box opened for a new or an existing text, kept in
// place by its anchored edges while it grows, and finished as one undo step.
#include "Models/ImageEditorViewModel.h"

#include "Base/Logger.h"
#include "Models/TextMeasurement.h"

#include <algorithm>
#include <cmath>

namespace {

bool isPositive(QSizeF size) { return size.width() > 0.0 && size.height() > 0.0; }

QString pointText(QPointF p) { return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y()); }

// Positions recomputed from the anchors carry rounding noise; below this they are
// the same place.
bool samePlace(double a, double b) { return std::fabs(a - b) <= 1e-9; }

// The normalised width a free-width text is kept at. Its box was sized to hold its
// lines at the zoomed size, but fonts are drawn at whole pixel sizes at every scale,
// so a line that just fits there can be a little wider, for the image, at the
// image's own size, and would wrap there into a line the user never saw. A box that
// shows its lines as typed is widened to hold them at the image's size too (and is
// then not wrapped at any zoom, see layoutText); one that wraps on screen as well
// (a line longer than the box can grow) is left as it is.
double widthHoldingLines(const QString& text, const QString& fontName, double fontSize, double width, double shownWidth,
                         double referenceWidth)
{
    if (!(referenceWidth > 0.0) || !(shownWidth > 0.0) || !(width > 0.0) || !(fontSize > 0.0)
        || !std::isfinite(referenceWidth + shownWidth + width + fontSize))
        return width;
    const QFont shown = TextLayout::resolveFont(fontName, fontSize * shownWidth / referenceWidth);
    const int lines = TextLayout(text, shown).lineCount();
    if (TextLayout(text, shown, width * shownWidth).lineCount() != lines)
        return width;
    const QFont own = TextLayout::resolveFont(fontName, fontSize);
    if (TextLayout(text, own, width * referenceWidth).lineCount() == lines)
        return width;
    // A pixel over the longest line, so no rounding breaks it.
    return (std::ceil(TextLayout(text, own).size().width()) + 1.0) / referenceWidth;
}

} // namespace

double ImageEditorViewModel::displayScale(double displayWidth) const
{
    const double reference = m_originalImageSize.width();
    return reference > 0.0 ? displayWidth / reference : 1.0;
}

void ImageEditorViewModel::setTempTextWidth(double v)
{
    publish(m_tempTextWidth, v, &ImageEditorViewModel::textEditingChanged);
    applyTempTextAnchors();
}

void ImageEditorViewModel::setTempTextHeight(double v)
{
    publish(m_tempTextHeight, v, &ImageEditorViewModel::textEditingChanged);
    applyTempTextAnchors();
}

void ImageEditorViewModel::applyTempTextAnchors()
{
    if (!m_isEditingText || !m_tempTextNormalizedPosition || !isPositive(m_editingDisplaySize))
        return;
    const double w = m_editingDisplaySize.width();
    const double h = m_editingDisplaySize.height();
    QPointF p = *m_tempTextNormalizedPosition;
    bool changed = false;
    if (m_tempTextAnchorLeftX) {
        const double x = m_tempTextWidth * 0.5 / w + *m_tempTextAnchorLeftX;
        if (!(x == p.x())) {
            p.setX(x);
            changed = true;
        }
    }
    if (m_tempTextAnchorTopY) {
        const double y = m_tempTextHeight * 0.5 / h + *m_tempTextAnchorTopY;
        if (!(y == p.y())) {
            p.setY(y);
            changed = true;
        }
    }
    if (changed)
        setTempTextNormalizedPosition(p);
}

void ImageEditorViewModel::beginTextEditing(QPointF location, QSizeF displaySize, std::optional<QRectF> box, double minimumHeight)
{
    const double w = displaySize.width();
    const double h = displaySize.height();
    const bool usable = w > 0.0 && h > 0.0;
    m_editingDisplaySize = displaySize;
    // A box opened beside the image or over its edge opens on it, where the text will
    // be kept: the image is all the canvas and the export show of it.
    if (usable) {
        if (box)
            box = box->normalized().translated(shiftOnto(box->normalized(), displaySize));
        else
            location += shiftOnto(QRectF(location, QSizeF(minimumHeight, minimumHeight)), displaySize);
    }
    if (!box) {
        setTempTextNormalizedPosition(usable
                ? QPointF((location.x() + minimumHeight / 2.0) / w, (location.y() + minimumHeight / 2.0) / h)
                : QPointF(0.0, 0.0));
        setTempTextAnchorLeftX(usable ? std::optional<double>(location.x() / w) : std::nullopt);
        setTempTextAnchorTopY(std::nullopt);
        setTempTextWidth(minimumHeight);
        setTempTextHeight(minimumHeight);
        setTempTextIsFixedWidth(false);
    } else {
        const QRectF r = box->normalized();
        setTempTextNormalizedPosition(usable ? QPointF(r.center().x() / w, r.center().y() / h) : QPointF(0.0, 0.0));
        setTempTextAnchorLeftX(usable ? std::optional<double>(r.left() / w) : std::nullopt);
        setTempTextAnchorTopY(usable ? std::optional<double>(r.top() / h) : std::nullopt);
        setTempTextWidth(r.width());
        setTempTextHeight(std::max(r.height(), minimumHeight));
        setTempTextIsFixedWidth(true);
    }
    setTempTextInput(QString());
    setIsEditingText(true);
    setEditingTextId(std::nullopt);
    setEditingTextStyleId(std::nullopt);
    logMessage(LogLevel::debug, [&] {
        return QStringLiteral("✅ 开始文字输入，位置: ") + pointText(location) + QStringLiteral(", 归一化: ")
            + pointText(*m_tempTextNormalizedPosition) + QStringLiteral(", 定宽: ")
            + (m_tempTextIsFixedWidth ? QStringLiteral("true") : QStringLiteral("false"));
    });
}

void ImageEditorViewModel::editTextAnnotation(const QUuid& id, QSizeF displaySize)
{
    const TextAnnotation* found = findAnnotation(m_annotationManager->texts(), id);
    if (!found)
        return;
    const TextAnnotation text = *found;
    const double w = displaySize.width();
    const double h = displaySize.height();
    const double s = displayScale(w);
    const double boxWidth = text.width * w;
    const double measured = measureTextHeight(text, text.fontSize * s, boxWidth);

    setTempTextNormalizedPosition(text.position);
    m_editingDisplaySize = displaySize;
    const QSizeF size(boxWidth + 2.0, measured + 4.0);
    const QPointF centre(text.position.x() * w, text.position.y() * h);
    if (w > 0.0 && h > 0.0) {
        setTempTextAnchorLeftX((centre.x() - size.width() / 2.0) / w);
        setTempTextAnchorTopY((centre.y() - size.height() / 2.0) / h);
    } else {
        setTempTextAnchorLeftX(std::nullopt);
        setTempTextAnchorTopY(std::nullopt);
    }
    setTempTextInput(text.text);
    setTempTextWidth(size.width());
    setTempTextHeight(size.height());
    setTempTextIsFixedWidth(text.isFixedWidth);
    setIsEditingText(true);
    setEditingTextId(id);
    setEditingTextStyleId(id);
    m_annotationManager->selectAnnotation(id);
    logMessage(LogLevel::debug, [&] {
        return QStringLiteral("✅ 开始编辑文字: ") + id.toString(QUuid::WithoutBraces) + QStringLiteral(", 内容: ") + text.text;
    });
}

double ImageEditorViewModel::measureText(const QString& text, const QString& fontName, double fontSize) const
{
    return measureTextHeight(text, fontName, fontSize, std::max(m_tempTextWidth - 2.0, 10.0));
}

void ImageEditorViewModel::commitTextEditing(QSizeF displaySize, double referenceWidth)
{
    // Nothing typed, or no usable space to place it in: the box closes, nothing else.
    if (!m_isEditingText || !m_tempTextNormalizedPosition || m_tempTextInput.isEmpty() || !isPositive(displaySize)) {
        cancelTextEditing();
        return;
    }
    const double w = displaySize.width();
    const double h = displaySize.height();
    const double s = referenceWidth > 0.0 ? w / referenceWidth : 1.0;
    std::optional<QUuid> createdId;

    if (!m_editingTextId) {
        double x = m_tempTextNormalizedPosition->x();
        double y = m_tempTextNormalizedPosition->y();
        if (m_tempTextIsFixedWidth && m_tempTextAnchorTopY)
            y = *m_tempTextAnchorTopY + (measureText(m_tempTextInput, m_currentFontName, m_currentFontSize * s) + 4.0) / (2.0 * h);
        TextAnnotation text;
        text.text = m_tempTextInput;
        text.position = QPointF(x, y);
        // The font size is kept in the image's pixels, the unit of currentFontSize.
        text.fontSize = m_currentFontSize;
        text.fontName = m_currentFontName;
        text.color = m_currentTextColor;
        text.width = (m_tempTextWidth - 2.0) / w;
        text.isFixedWidth = m_tempTextIsFixedWidth;
        text.isSelected = false;
        if (!text.isFixedWidth) {
            const double held = widthHoldingLines(text.text, text.fontName, text.fontSize, text.width, w, referenceWidth);
            // Widened from its left edge, where the typing began.
            text.position.rx() += (held - text.width) / 2.0;
            text.width = held;
        }
        // Typed beside the image or running over its edge: the text is laid on it.
        text.position = textPositionInside(text, w, h, referenceWidth);
        saveUndoState();
        m_annotationManager->appendText(text);
        createdId = text.id;
        logMessage(LogLevel::debug, [&] {
            return QStringLiteral("✅ 创建文字: ") + text.id.toString(QUuid::WithoutBraces) + QStringLiteral(", 归一化位置: ")
                + pointText(text.position);
        });
    } else {
        if (const TextAnnotation* found = findAnnotation(m_annotationManager->texts(), *m_editingTextId)) {
            const TextAnnotation current = *found;
            const double measured = measureText(m_tempTextInput, current.fontName, current.fontSize * s);
            QPointF position = current.position;
            std::optional<double> width;
            if (m_tempTextAnchorLeftX) {
                position.setX(*m_tempTextAnchorLeftX + m_tempTextWidth * 0.5 / w);
                width = (m_tempTextWidth - 2.0) / w;
            }
            if (m_tempTextAnchorTopY)
                position.setY(*m_tempTextAnchorTopY + (measured + 4.0) / (2.0 * h));
            if (width && !current.isFixedWidth) {
                const double held = widthHoldingLines(m_tempTextInput, current.fontName, current.fontSize, *width, w, referenceWidth);
                position.rx() += (held - *width) / 2.0;
                width = held;
            }
            {
                TextAnnotation edited = current;
                edited.text = m_tempTextInput;
                edited.position = position;
                if (width)
                    edited.width = *width;
                position = textPositionInside(edited, w, h, referenceWidth);
            }
            // A commit that changes nothing leaves no undo step behind.
            const bool changes = current.text != m_tempTextInput || !samePlace(current.position.x(), position.x())
                || !samePlace(current.position.y(), position.y()) || (width && !samePlace(*width, current.width));
            if (changes) {
                saveUndoState();
                m_annotationManager->updateText(current.id, m_tempTextInput, position, {}, {}, {}, width);
                logMessage(LogLevel::debug, [&] {
                    return QStringLiteral("✅ 更新文字: ") + current.id.toString(QUuid::WithoutBraces)
                        + QStringLiteral(", 新内容: ") + m_tempTextInput;
                });
            }
        }
    }
    cancelTextEditing();
    selectTool(ToolType::none);
    if (createdId)
        selectAnnotationLoadingStyle(*createdId);
}

void ImageEditorViewModel::finishTextEditing()
{
    if (!m_isEditingText)
        return;
    const double zoom = m_zoomLevel;
    const QSizeF displaySize = m_selectedImage
        ? QSizeF(m_selectedImage->size().width() * zoom, m_selectedImage->size().height() * zoom)
        : QSizeF();
    commitTextEditing(displaySize, m_originalImageSize.width());
}

void ImageEditorViewModel::cancelTextEditing()
{
    setTempTextNormalizedPosition(std::nullopt);
    setTempTextInput(QString());
    setIsEditingText(false);
    setEditingTextId(std::nullopt);
    setTempTextIsFixedWidth(false);
    setTempTextAnchorLeftX(std::nullopt);
    setTempTextAnchorTopY(std::nullopt);
}
