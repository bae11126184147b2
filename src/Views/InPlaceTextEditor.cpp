#include "Views/InPlaceTextEditor.h"

#include "Models/ImageEditorViewModel.h"
#include "Models/TextLayout.h"
#include "Views/RendererCommon.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextFrameFormat>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The text sits 1 point in from the box's sides and 2 points from its top and bottom.
constexpr double insetX = 1.0;
constexpr double insetY = 2.0;

// The edited annotation, when the box edits an existing text.
const TextAnnotation* editedText(const ImageEditorViewModel& vm)
{
    return vm.editingTextId() ? findAnnotation(vm.annotationManager()->texts(), *vm.editingTextId()) : nullptr;
}

// The text layout's font shown at the same size on screen: the layout measures on a
// 72-dpi device, where its point size is the pixel size, so on a screen of another
// resolution the point size is scaled to give the same pixels.
QFont screenFont(const QFont& layoutFont, double fontSize, double screenDpi)
{
    QFont font = layoutFont;
    font.setPointSizeF(fontSize * 72.0 / (screenDpi > 0.0 ? screenDpi : 72.0));
    return font;
}

} // namespace

double InPlaceTextEditor::minimumSide(double fontSize) { return std::max(1.5 * fontSize, 10.0); }

InPlaceTextEditor::Measure InPlaceTextEditor::measure(const QString& text, const QFont& layoutFont, double fontSize,
                                                      bool wrapsText, double currentWidth, double currentHeight)
{
    const double m = minimumSide(fontSize);
    Measure result;
    if (wrapsText) {
        result.wrapWidth = std::max(currentWidth - 2.0, 1.0);
        const TextLayout layout(text, layoutFont, result.wrapWidth);
        result.width = currentWidth;
        result.height = std::max(currentHeight, layout.height() + 4.0);
        return result;
    }
    // Free width grows with its longest line up to the cap and wraps there, so a long
    // line stays in sight instead of running off the box.
    result.wrapWidth = freeWidthCap - 4.0;
    if (text.isEmpty()) {
        result.width = m;
        result.height = m;
        return result;
    }
    const TextLayout natural(text, layoutFont);
    const TextLayout wrapped(text, layoutFont, result.wrapWidth);
    result.width = std::max(m, std::min(natural.size().width() + 4.0, freeWidthCap));
    result.height = std::max(m, wrapped.height() + 4.0);
    return result;
}

InPlaceTextEditor::InPlaceTextEditor(ImageEditorViewModel* viewModel, QWidget* parent)
    : QTextEdit(parent)
    , m_viewModel(viewModel)
{
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    document()->setDocumentMargin(0.0);
    // Measured as the shared text layout measures, so the box and the drawn text agree.
    document()->setUseDesignMetrics(true);
    QTextFrameFormat frame = document()->rootFrame()->frameFormat();
    frame.setLeftMargin(insetX);
    frame.setRightMargin(insetX);
    frame.setTopMargin(insetY);
    frame.setBottomMargin(insetY);
    document()->rootFrame()->setFrameFormat(frame);

    connect(this, &QTextEdit::textChanged, this, [this] {
        if (m_updating)
            return;
        const QString typed = toPlainText();
        if (typed != m_viewModel->tempTextInput())
            m_viewModel->setTempTextInput(typed);
        applyTextFormat();
    });
}

void InPlaceTextEditor::applyTextFormat()
{
    // Every line is exactly the layout's line height, as the drawn annotation will be.
    const bool wasUpdating = m_updating;
    m_updating = true;
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat block;
    block.setLineHeight(m_lineHeight, QTextBlockFormat::FixedHeight);
    block.setTopMargin(0.0);
    block.setBottomMargin(0.0);
    cursor.mergeBlockFormat(block);
    m_updating = wasUpdating;
}

void InPlaceTextEditor::sync(const HandleFrameTransform& transform)
{
    const ImageEditorViewModel& vm = *m_viewModel;
    if (!vm.isEditingText() || !vm.tempTextNormalizedPosition() || !vm.selectedImage()) {
        if (isVisible()) {
            hide();
            m_focusTaken = false;
            if (QWidget* canvas = parentWidget())
                canvas->setFocus(Qt::OtherFocusReason);
        }
        m_fontKey.clear();
        return;
    }

    const QSizeF display = transform.scaledSize;
    const double referenceWidth = vm.originalImageSize().width();
    const double scale = referenceWidth > 0.0 ? display.width() / referenceWidth : 1.0;
    const TextAnnotation* edited = editedText(vm);
    // Font sizes are kept in the image's pixels, for a new text as for a stored one; the
    // box shows them at the displayed size, as the text will be drawn once committed.
    const double fontSize = (edited ? edited->fontSize : vm.currentFontSize()) * scale;
    const QString fontName = edited ? edited->fontName : vm.currentFontName();
    const RgbaColor color = edited ? edited->color : vm.currentTextColor();
    m_displaySize = display;
    m_referenceWidth = referenceWidth;
    m_wrapsText = vm.tempTextIsFixedWidth();

    m_updating = true;
    const QString key = fontName + QLatin1Char('|') + QString::number(fontSize, 'g', 17);
    if (key != m_fontKey) {
        m_fontKey = key;
        m_fontSize = fontSize;
        m_layoutFont = TextLayout::resolveFont(fontName, fontSize);
        m_lineHeight = TextLayout::lineHeight(m_layoutFont);
        const QFont shown = screenFont(m_layoutFont, fontSize, logicalDpiY());
        setFont(shown);
        document()->setDefaultFont(shown);
    }
    QPalette colours = palette();
    colours.setColor(QPalette::Text, color.toQColor());
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    if (toPlainText() != vm.tempTextInput()) {
        setPlainText(vm.tempTextInput());
        moveCursor(QTextCursor::End);
    }
    applyTextFormat();

    const Measure size = measure(vm.tempTextInput(), m_layoutFont, m_fontSize, m_wrapsText, vm.tempTextWidth(),
                                 vm.tempTextHeight());
    setLineWrapColumnOrWidth(static_cast<int>(std::ceil(size.wrapWidth + 2.0 * insetX)));
    m_updating = false;

    // The measured size goes back to the model on a later turn, never while it is
    // notifying. Small differences are left alone, except that the model's box always
    // grows to hold the text: the text is committed at the model's width, and a box a
    // few points too narrow would wrap it differently from what was typed.
    QPointer<InPlaceTextEditor> self(this);
    if (std::fabs(size.width - vm.tempTextWidth()) > writeBackThreshold || size.width > vm.tempTextWidth())
        QTimer::singleShot(0, this, [self, w = size.width] {
            if (self && self->m_viewModel->isEditingText())
                self->m_viewModel->setTempTextWidth(w);
        });
    if (std::fabs(size.height - vm.tempTextHeight()) > writeBackThreshold || size.height > vm.tempTextHeight())
        QTimer::singleShot(0, this, [self, h = size.height] {
            if (self && self->m_viewModel->isEditingText())
                self->m_viewModel->setTempTextHeight(h);
        });

    const QPointF position = *vm.tempTextNormalizedPosition();
    const QPointF centre =
        transform.viewportPoint(QPointF(position.x() * display.width(), position.y() * display.height()));
    // The box shows at its measured size at once; the model follows on a later turn
    // (and not at all for differences of a few points), so the text is never clipped.
    const QSizeF box(size.width, size.height);
    setGeometry(QRect(static_cast<int>(std::lround(centre.x() - box.width() / 2.0)),
                      static_cast<int>(std::lround(centre.y() - box.height() / 2.0)),
                      static_cast<int>(std::lround(box.width())), static_cast<int>(std::lround(box.height()))));
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    if (!isVisible()) {
        show();
        raise();
    }
    if (!m_focusTaken) {
        QTimer::singleShot(0, this, [self] {
            if (!self || !self->isVisible() || !self->window()->isVisible())
                return;
            self->setFocus(Qt::OtherFocusReason);
            if (self->hasFocus()) {
                self->m_focusTaken = true;
                self->moveCursor(QTextCursor::End);
            }
        });
    }
}

void InPlaceTextEditor::commit()
{
    // The text is stored at the model's box width: bring the box up to the text first,
    // in case the last keystroke's measurement has not reached the model yet.
    ImageEditorViewModel& vm = *m_viewModel;
    const Measure size = measure(vm.tempTextInput(), m_layoutFont, m_fontSize, m_wrapsText, vm.tempTextWidth(),
                                 vm.tempTextHeight());
    if (size.width > vm.tempTextWidth() || std::fabs(size.width - vm.tempTextWidth()) > writeBackThreshold)
        vm.setTempTextWidth(size.width);
    if (size.height > vm.tempTextHeight() || std::fabs(size.height - vm.tempTextHeight()) > writeBackThreshold)
        vm.setTempTextHeight(size.height);
    vm.commitTextEditing(m_displaySize, m_referenceWidth);
}

void InPlaceTextEditor::keyPressEvent(QKeyEvent* event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && !m_wrapsText) {
        commit();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        m_viewModel->cancelTextEditing();
        m_viewModel->selectTool(ToolType::none);
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void InPlaceTextEditor::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(RendererStyle::standardBlue(), 2.0));
    painter.drawRoundedRect(QRectF(viewport()->rect()).adjusted(1.0, 1.0, -1.0, -1.0), 4.0, 4.0);
}
