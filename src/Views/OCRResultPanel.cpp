#include "Views/OCRResultPanel.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/TextRecognition.h"
#include "Platform/Pasteboard.h"
#include "Views/HoverTooltip.h"
#include "Views/ToolbarIcons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPadding = 12;
constexpr qreal kCornerRadius = 12.0;

QFont sized(QFont font, int pixels, QFont::Weight weight = QFont::Normal)
{
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QColor secondaryText(const QPalette& palette) { return palette.color(QPalette::PlaceholderText); }

// A symbol of the toolbar's set, drawn in a colour of the palette.
class SymbolLabel : public QWidget {
public:
    SymbolLabel(const QString& symbol, int points, bool secondary, QWidget* parent)
        : QWidget(parent), m_symbol(symbol), m_points(points), m_secondary(secondary)
    {
        setFixedSize(points + 2, points + 2);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor colour = m_secondary ? secondaryText(palette()) : palette().color(QPalette::WindowText);
        ToolbarIcons::paint(painter, QRectF(rect()), m_symbol, colour, m_points);
    }

private:
    QString m_symbol;
    int m_points;
    bool m_secondary;
};

// The small turning arc of "still working".
class ProgressSpinner : public QWidget {
public:
    explicit ProgressSpinner(QWidget* parent) : QWidget(parent)
    {
        setFixedSize(16, 16);
        m_timer.setInterval(50);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_angle = (m_angle + 30) % 360;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { m_timer.start(); }
    void hideEvent(QHideEvent*) override { m_timer.stop(); }
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(secondaryText(palette()), 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(rect()).adjusted(2, 2, -2, -2), -m_angle * 16, 270 * 16);
    }

private:
    QTimer m_timer;
    int m_angle = 0;
};

// The full-width accent button under the text.
class CopyAllButton : public QPushButton {
public:
    explicit CopyAllButton(QWidget* parent) : QPushButton(parent)
    {
        setFixedHeight(26);
        setCursor(Qt::PointingHandCursor);
        setFont(sized(font(), 12, QFont::Medium));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 6, 6);
        painter.fillPath(shape, palette().color(QPalette::Highlight));
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

} // namespace

OCRResultPanel::OCRResultPanel(ImageEditorViewModel* viewModel, QWidget* parent, TooltipTimer* tooltipTimer)
    : QWidget(parent), m_viewModel(viewModel)
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_scheduler = [this](int milliseconds, std::function<void()> work) {
        QTimer::singleShot(milliseconds, this, std::move(work));
    };

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(shadowSide + kPadding, shadowTop + kPadding, shadowSide + kPadding,
                               shadowBottom + kPadding);
    column->setSpacing(10);

    auto* header = new QHBoxLayout();
    header->setSpacing(8);
    header->addWidget(new SymbolLabel(QStringLiteral("doc.text.viewfinder"), 13, false, this), 0, Qt::AlignVCenter);
    m_title = new QLabel(this);
    m_title->setFont(sized(font(), 12, QFont::DemiBold));
    header->addWidget(m_title, 0, Qt::AlignVCenter);
    header->addStretch(1);
    m_closeButton = new QPushButton(this);
    m_closeButton->setFlat(true);
    m_closeButton->setFixedSize(22, 22);
    m_closeButton->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    auto* cross = new SymbolLabel(QStringLiteral("xmark"), 11, true, m_closeButton);
    cross->move((22 - cross->width()) / 2, (22 - cross->height()) / 2);
    connect(m_closeButton, &QPushButton::clicked, this, &OCRResultPanel::closePanel);
    m_closeTooltip = new HoverTooltip(m_closeButton, QStringLiteral("action.cancel"), {}, tooltipTimer);
    header->addWidget(m_closeButton, 0, Qt::AlignVCenter);
    column->addLayout(header);

    auto* rule = new QWidget(this);
    rule->setFixedHeight(1);
    rule->setAutoFillBackground(true);
    QPalette rulePalette = rule->palette();
    rulePalette.setColor(QPalette::Window, dividerColor(palette()));
    rule->setPalette(rulePalette);
    column->addWidget(rule);

    m_states = new QStackedWidget(this);
    m_progressRow = new QWidget(m_states);
    auto* progress = new QHBoxLayout(m_progressRow);
    progress->setContentsMargins(0, 24, 0, 24);
    progress->setSpacing(8);
    progress->addStretch(1);
    progress->addWidget(new ProgressSpinner(m_progressRow), 0, Qt::AlignVCenter);
    m_progressLabel = new QLabel(m_progressRow);
    m_progressLabel->setFont(sized(font(), 11));
    m_progressLabel->setForegroundRole(QPalette::PlaceholderText);
    progress->addWidget(m_progressLabel, 0, Qt::AlignVCenter);
    progress->addStretch(1);
    m_message = new QLabel(m_states);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setContentsMargins(0, 24, 0, 24);
    m_message->setFont(sized(font(), 11));
    m_message->setForegroundRole(QPalette::PlaceholderText);
    m_text = new QTextEdit(m_states);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setFont(sized(font(), 11));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_text->setLineWrapMode(QTextEdit::WidgetWidth);
    m_text->setAcceptRichText(false);
    m_text->viewport()->setAutoFillBackground(false);
    m_text->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    m_states->addWidget(m_progressRow);
    m_states->addWidget(m_message);
    m_states->addWidget(m_text);
    column->addWidget(m_states);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setFont(sized(font(), 11));
    m_note->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(m_note);

    m_copyButton = new CopyAllButton(this);
    connect(m_copyButton, &QPushButton::clicked, this, &OCRResultPanel::copyAllText);
    column->addWidget(m_copyButton);

    if (m_viewModel)
        connect(m_viewModel, &ImageEditorViewModel::outputChanged, this, &OCRResultPanel::refresh);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &OCRResultPanel::retranslate);
    retranslate();
}

OCRResultPanel::~OCRResultPanel() { removeEscapeMonitor(); }

// ---- layout -------------------------------------------------------------------------------------

void OCRResultPanel::setAreaHeight(int areaHeight)
{
    m_maxHeight = std::max(200, areaHeight - 32);
    refresh();
}

int OCRResultPanel::textAreaMaxHeight() const { return std::max(m_maxHeight - 100, 120); }

QRect OCRResultPanel::cardRect() const
{
    return rect().adjusted(shadowSide, shadowTop, -shadowSide, -shadowBottom);
}

QSize OCRResultPanel::sizeHint() const
{
    const int content = std::min(layout()->sizeHint().height() - shadowTop - shadowBottom, m_maxHeight);
    return QSize(cardWidth + 2 * shadowSide, content + shadowTop + shadowBottom);
}

void OCRResultPanel::refresh()
{
    const std::optional<OCRPanelState> state = m_viewModel ? m_viewModel->ocrPanelState() : std::nullopt;
    // A card on its way out no longer takes Escape.
    if (!state)
        removeEscapeMonitor();
    const bool isText = state && state->isText();
    if (state && state->isRecognizing())
        m_states->setCurrentWidget(m_progressRow);
    else if (isText)
        m_states->setCurrentWidget(m_text);
    else
        m_states->setCurrentWidget(m_message);
    if (isText && m_text->toPlainText() != state->recognizedText())
        m_text->setPlainText(state->recognizedText());
    m_copyButton->setVisible(isText);
    const QString note = state ? TextRecognition::missingLanguagesNote(state->languages().used, state->languages().missing)
                               : QString();
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());

    if (isText) {
        // As high as the text needs, up to the area's limit; the rest scrolls.
        const int inner = cardWidth - 2 * kPadding;
        m_text->setFixedWidth(inner);
        // Laid out at the width left beside a scroll bar, so a text that scrolls fits too.
        m_text->document()->setTextWidth(inner - m_text->verticalScrollBar()->sizeHint().width());
        const int wanted = int(std::ceil(m_text->document()->size().height())) + 2;
        m_text->setFixedHeight(std::min(wanted, textAreaMaxHeight()));
    }
    m_states->setFixedHeight(m_states->currentWidget()->sizeHint().height());
    if (m_states->currentWidget() == m_text)
        m_states->setFixedHeight(m_text->height());
    adjustSize();
    resize(sizeHint());
}

void OCRResultPanel::retranslate()
{
    m_title->setText(localized(QStringLiteral("panel.ocr.title")));
    m_progressLabel->setText(localized(QStringLiteral("panel.ocr.recognizing")));
    m_message->setText(localized(QStringLiteral("panel.ocr.empty")));
    m_copyButton->setText(localized(m_showCopied ? QStringLiteral("panel.ocr.copied") : QStringLiteral("panel.ocr.copy")));
    m_copyButton->update();
    refresh();
}

void OCRResultPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF card = QRectF(cardRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // A soft shadow 4 points down: a few widening, fading outlines under the card.
    for (int i = 8; i >= 1; --i) {
        QPainterPath ring;
        ring.addRoundedRect(card.translated(0, 4).adjusted(-i, -i, i, i), kCornerRadius + i, kCornerRadius + i);
        painter.fillPath(ring, QColor(0, 0, 0, int(0.18 * 255 / 8.0 * (9 - i) / 4.5)));
    }
    QPainterPath shape;
    shape.addRoundedRect(card, kCornerRadius, kCornerRadius);
    painter.fillPath(shape, appWindowBackground(palette()));
    painter.strokePath(shape, QPen(hairlineBorderColor(palette()), 1.0));
}

// ---- actions ------------------------------------------------------------------------------------

void OCRResultPanel::closePanel()
{
    if (m_viewModel)
        m_viewModel->setOcrPanelState(std::nullopt);
}

void OCRResultPanel::copyAllText()
{
    if (!m_viewModel || !m_viewModel->ocrPanelState() || !m_viewModel->ocrPanelState()->isText())
        return;
    Pasteboard& pasteboard = Pasteboard::general();
    pasteboard.clearContents();
    pasteboard.setText(m_viewModel->ocrPanelState()->recognizedText());
    m_showCopied = true;
    retranslate();
    QPointer<OCRResultPanel> self(this);
    m_scheduler(copiedFeedbackMilliseconds, [self] {
        if (!self)
            return;
        self->m_showCopied = false;
        self->retranslate();
    });
}

// ---- Escape -------------------------------------------------------------------------------------

void OCRResultPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    installEscapeMonitor();
}

void OCRResultPanel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    removeEscapeMonitor();
}

void OCRResultPanel::installEscapeMonitor()
{
    removeEscapeMonitor();
    // Installed last, it sees a key before the editor's own key monitor.
    qApp->installEventFilter(this);
    m_escapeMonitor = true;
}

void OCRResultPanel::removeEscapeMonitor()
{
    if (m_escapeMonitor && qApp)
        qApp->removeEventFilter(this);
    m_escapeMonitor = false;
}

bool OCRResultPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* receiver = qobject_cast<QWidget*>(watched);
    // Escape closes the card in its own editor window only; elsewhere it does what it did.
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier || !receiver
        || receiver->window() != window())
        return false;
    key->accept();
    if (event->type() == QEvent::KeyPress)
        closePanel();
    return true;
}
