#include "Views/InPlaceTextEditor.h"

#include "Models/ImageEditorViewModel.h"
#include "Models/TextLayout.h"
#include "Views/RendererCommon.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleHints>
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

// The text layout's font at the same size on screen, for the text edit's own document:
// its lines then break as the drawn ones do, so Up and Down move the caret line by line
// as seen. The layout measures on a 72-dpi device, where its point size is the pixel
// size, so on a screen of another resolution the point size is scaled to the same pixels.
QFont screenFont(const QFont& layoutFont, double fontSize, double screenDpi)
{
    QFont font = layoutFont;
    font.setPointSizeF(fontSize * 72.0 / (screenDpi > 0.0 ? screenDpi : 72.0));
    return font;
}

} // namespace

double InPlaceTextEditor::minimumSide(double fontSize) { return std::max(1.5 * fontSize, 10.0); }

double InPlaceTextEditor::settledSide(double measured, double modelSide)
{
    return measured > modelSide || std::fabs(measured - modelSide) > writeBackThreshold ? measured : modelSide;
}

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
    connect(this, &QTextEdit::cursorPositionChanged, this, &InPlaceTextEditor::restartCaret);
    connect(this, &QTextEdit::selectionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&m_caretBlink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        viewport()->update();
    });
}

void InPlaceTextEditor::restartCaret()
{
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_caretBlink.start(flash / 2);
    else
        m_caretBlink.stop();
    viewport()->update();
}

void InPlaceTextEditor::focusInEvent(QFocusEvent* event)
{
    QTextEdit::focusInEvent(event);
    restartCaret();
}

void InPlaceTextEditor::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    m_caretBlink.stop();
    viewport()->update();
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
        m_layout.reset();
        m_preedit.clear();
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

    // The box also holds the words an input method is still composing.
    const Measure size = measure(shownText(), m_layoutFont, m_fontSize, m_wrapsText, vm.tempTextWidth(),
                                 vm.tempTextHeight());
    setLineWrapColumnOrWidth(static_cast<int>(std::ceil(size.wrapWidth + 2.0 * insetX)));
    m_updating = false;
    m_textColor = color.toQColor();

    // The measured size goes back to the model on a later turn, never while it is
    // notifying. Small differences are left alone, except that the model's box always
    // grows to hold the text: the text is committed at the model's width, and a box a
    // few points too narrow would wrap it differently from what was typed.
    QPointer<InPlaceTextEditor> self(this);
    if (settledSide(size.width, vm.tempTextWidth()) != vm.tempTextWidth())
        QTimer::singleShot(0, this, [self, w = size.width] {
            if (self && self->m_viewModel->isEditingText())
                self->m_viewModel->setTempTextWidth(w);
        });
    if (settledSide(size.height, vm.tempTextHeight()) != vm.tempTextHeight())
        QTimer::singleShot(0, this, [self, h = size.height] {
            if (self && self->m_viewModel->isEditingText())
                self->m_viewModel->setTempTextHeight(h);
        });

    place(transform, size);
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

void InPlaceTextEditor::place(const HandleFrameTransform& transform, const Measure& size)
{
    const ImageEditorViewModel& vm = *m_viewModel;
    const QSizeF display = transform.scaledSize;
    // The box at the size the model settles at (the measure shows at once; the model
    // follows on a later turn), with its anchored edges where the model keeps them.
    const double w = settledSide(size.width, vm.tempTextWidth());
    const double h = settledSide(size.height, vm.tempTextHeight());
    const QPointF position = *vm.tempTextNormalizedPosition();
    const QPointF centre(position.x() * display.width(), position.y() * display.height());
    const std::optional<double> left = vm.tempTextAnchorLeftX();
    const std::optional<double> top = vm.tempTextAnchorTopY();
    m_box = QRectF(left ? *left * display.width() : centre.x() - w / 2.0,
                   top ? *top * display.height() : centre.y() - h / 2.0, w, h);

    // The text is laid out and placed as it is drawn once committed: at the box's
    // width less its sides, from the top edge when that is anchored, else centred on
    // the box's centre.
    m_layout.emplace(shownText(), m_layoutFont, std::max(w - 2.0 * insetX, 1.0));
    m_textOrigin = QPointF(m_box.left() + insetX,
                           top ? m_box.top() + insetY : centre.y() - m_layout->height() / 2.0);

    // The widget covers the turned box with its frame around it, whole pixels out.
    const double margin = frameWidth + 1.0;
    const QRect area = transform.painterTransform().mapRect(m_box.adjusted(-margin, -margin, margin, margin))
                           .toAlignedRect();
    m_transform = transform;
    m_toWidget = transform.painterTransform() * QTransform::fromTranslate(-area.left(), -area.top());
    setGeometry(area);
    viewport()->update();
}

QString InPlaceTextEditor::shownText() const
{
    const QString typed = m_viewModel->tempTextInput();
    if (m_preedit.isEmpty())
        return typed;
    return typed.left(textCursor().position()) + m_preedit + typed.mid(textCursor().position());
}

void InPlaceTextEditor::inputMethodEvent(QInputMethodEvent* event)
{
    QTextEdit::inputMethodEvent(event);
    // The composition shows in the box, where it goes, with the input method's caret.
    m_preedit = event->preeditString();
    m_preeditCaret = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes())
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCaret = std::clamp(a.start, 0, int(m_preedit.size()));
    if (isVisible())
        sync(m_transform);
}

std::vector<QRectF> InPlaceTextEditor::rangeRects(int from, int to) const
{
    // Line by line, from the range's first letter to its last (or the line's end).
    std::vector<QRectF> rects;
    for (int line = 0; line < m_layout->lineCount(); ++line) {
        const int start = m_layout->lineTextStart(line);
        const int end = start + m_layout->lineTextLength(line);
        const int a = std::max(from, start);
        const int b = std::min(to, end);
        if (a >= b)
            continue;
        const QRectF row = m_layout->lineRect(line);
        const double x1 = m_layout->cursorPoint(a).x();
        const double x2 = b < end ? m_layout->cursorPoint(b).x() : std::max(row.right(), x1 + 2.0);
        rects.emplace_back(m_textOrigin + QPointF(x1, row.top()), QSizeF(x2 - x1, row.height()));
    }
    return rects;
}

int InPlaceTextEditor::positionAt(QPointF widgetPoint) const
{
    if (!m_layout)
        return 0;
    const QPointF onImage = m_transform.imagePoint(widgetPoint + QPointF(geometry().topLeft()));
    return m_layout->positionAt(onImage - m_textOrigin);
}

QRectF InPlaceTextEditor::caretRect() const
{
    if (!m_layout)
        return {};
    const int position = textCursor().position() + (m_preedit.isEmpty() ? 0 : m_preeditCaret);
    const QPointF at = m_textOrigin + m_layout->cursorPoint(position);
    return QRectF(at.x() - 0.5, at.y(), 1.0, m_layout->lineHeight());
}

void InPlaceTextEditor::paintEvent(QPaintEvent*)
{
    if (!m_layout)
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setTransform(m_toWidget);

    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlphaF(0.4);
        for (const QRectF& r : rangeRects(cursor.selectionStart(), cursor.selectionEnd()))
            painter.fillRect(r, highlight);
    }

    m_layout->draw(painter, m_textOrigin, m_textColor);
    if (!m_preedit.isEmpty()) {
        // A composition is underlined until the input method hands it over.
        const int from = cursor.position();
        for (const QRectF& r : rangeRects(from, from + int(m_preedit.size())))
            painter.fillRect(QRectF(r.left(), r.bottom() - 1.0, r.width(), 1.0), m_textColor);
    }
    if (hasFocus() && m_caretOn && !cursor.hasSelection())
        painter.fillRect(caretRect(), m_textColor);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(RendererStyle::standardBlue(), frameWidth));
    const double half = frameWidth / 2.0;
    painter.drawRoundedRect(m_box.adjusted(-half, -half, half, half), 4.0, 4.0);
}

void InPlaceTextEditor::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(positionAt(event->position()),
                       event->modifiers() & Qt::ShiftModifier ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    setTextCursor(cursor);
    event->accept();
}

void InPlaceTextEditor::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(positionAt(event->position()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    event->accept();
}

void InPlaceTextEditor::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void InPlaceTextEditor::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(positionAt(event->position()));
    cursor.select(QTextCursor::WordUnderCursor);
    setTextCursor(cursor);
    event->accept();
}

QVariant InPlaceTextEditor::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // An input method puts its window by the caret as it shows, turned or not.
    if (query == Qt::ImCursorRectangle && m_layout)
        return m_toWidget.mapRect(caretRect());
    return QTextEdit::inputMethodQuery(query);
}

void InPlaceTextEditor::commit()
{
    // The text is stored at the model's box width: bring the box up to the text first,
    // in case the last keystroke's measurement has not reached the model yet.
    ImageEditorViewModel& vm = *m_viewModel;
    const Measure size = measure(vm.tempTextInput(), m_layoutFont, m_fontSize, m_wrapsText, vm.tempTextWidth(),
                                 vm.tempTextHeight());
    vm.setTempTextWidth(settledSide(size.width, vm.tempTextWidth()));
    vm.setTempTextHeight(settledSide(size.height, vm.tempTextHeight()));
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
