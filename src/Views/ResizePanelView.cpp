#include "Views/ResizePanelView.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/CanvasGeometry.h"
#include "Views/ColorSwatch.h"
#include "Views/HoverTooltip.h"
#include "Views/PropertyPanelControls.h"
#include "Views/ToolbarIcons.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

// ---- the arithmetic ---------------------------------------------------------------------------------

namespace {

constexpr int kPresets[3] = { 100, 50, 25 };

// A whole decimal number of ASCII digits with an optional sign; nothing on anything else
// or on a value beyond 64 bits.
std::optional<qint64> parseDecimal(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-')) {
        negative = text.at(0) == QLatin1Char('-');
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(alpha);
    return colour;
}

QColor secondaryColour(const QPalette& palette)
{
    return withAlpha(palette.color(QPalette::WindowText), isDarkPalette(palette) ? 0.55 : 0.5);
}

QFont sizedFont(QFont font, int pixelSize, QFont::Weight weight)
{
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// A percentage preset: its number on a faint capsule. It never takes the keyboard
// focus, so the field being typed in keeps it.
class PresetChip : public QAbstractButton {
public:
    PresetChip(int percent, QWidget* parent) : QAbstractButton(parent)
    {
        setText(QString::number(percent) + QStringLiteral("%"));
        setFont(sizedFont(font(), 10, QFont::Medium));
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setFixedSize(QFontMetrics(font()).horizontalAdvance(text()) + 14, 20);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QRectF frame(rect());
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(palette().color(QPalette::WindowText), isDown() ? 0.14 : 0.06));
        painter.drawRoundedRect(frame, frame.height() / 2.0, frame.height() / 2.0);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(frame, Qt::AlignCenter, text());
    }
};

// The aspect lock: a closed or an open lock on a small rounded square, accent-coloured
// while locked.
class LockButton : public QAbstractButton {
public:
    explicit LockButton(QWidget* parent) : QAbstractButton(parent)
    {
        setCheckable(true);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setFixedSize(26, 24);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QColor accent = swatchRingColor(palette());
        painter.setPen(Qt::NoPen);
        painter.setBrush(isChecked() ? withAlpha(accent, 0.15) : withAlpha(palette().color(QPalette::WindowText), 0.06));
        painter.drawRoundedRect(QRectF(rect()), 5.0, 5.0);
        ToolbarIcons::paint(painter, QRectF(rect()), isChecked() ? QStringLiteral("lock.fill") : QStringLiteral("lock.open"),
                            isChecked() ? accent : secondaryColour(palette()), 11.0);
    }
};

// Apply: white text on the accent colour, the accent at 35 % while disabled.
class ApplyButton : public QAbstractButton {
public:
    explicit ApplyButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFont(sizedFont(font(), 12, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
        setFixedHeight(26);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    // At least 100 wide, and as wide as its label needs (the layout probe measures it).
    QSize sizeHint() const override { return QSize(std::max(100, fontMetrics().horizontalAdvance(text()) + 16), 26); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QColor fill = swatchRingColor(palette());
        if (!isEnabled())
            fill.setAlphaF(0.35);
        else if (isDown())
            fill = fill.darker(115);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 6.0, 6.0);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

} // namespace

ResizeFields::ResizeFields(std::function<QSizeF()> currentPixelSize)
    : m_currentPixelSize(std::move(currentPixelSize))
{
}

QString ResizeFields::digitsOnly(const QString& text)
{
    // ASCII digits only: a digit of another script would stay in the field and then
    // fail the decimal parse, leaving Apply disabled for no visible reason.
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits.append(c);
            if (digits.size() == maximumLength)
                break;
        }
    }
    return digits;
}

qint64 ResizeFields::roundedAndClamped(double value)
{
    if (std::isnan(value))
        return minimumSide;
    const double rounded = std::round(value);
    if (rounded < minimumSide)
        return minimumSide;
    if (rounded > maximumSide)
        return maximumSide;
    return qint64(rounded);
}

void ResizeFields::setText(Field field, const QString& text)
{
    QString& target = field == Field::width ? m_widthText : m_heightText;
    target = digitsOnly(text);
    if (m_lockRatio && m_focusedField == field)
        deriveOtherSide(field);
}

void ResizeFields::deriveOtherSide(Field given)
{
    const QSizeF pixels = currentPixelSize();
    const bool fromWidth = given == Field::width;
    const double givenSide = fromWidth ? pixels.width() : pixels.height();
    const double otherSide = fromWidth ? pixels.height() : pixels.width();
    if (!(givenSide > 0.0))
        return;
    const std::optional<qint64> typed = parseDecimal(text(given));
    if (!typed || *typed <= 0)
        return;
    setText(fromWidth ? Field::height : Field::width,
            QString::number(roundedAndClamped(double(*typed) * otherSide / givenSide)));
}

void ResizeFields::prefill()
{
    if (!m_widthText.isEmpty())
        return;
    const QSizeF pixels = currentPixelSize();
    setText(Field::width, QString::number(std::llround(pixels.width())));
    setText(Field::height, QString::number(std::llround(pixels.height())));
}

void ResizeFields::toggleLock()
{
    m_lockRatio = !m_lockRatio;
    if (m_lockRatio)
        deriveOtherSide(Field::width);
}

void ResizeFields::applyPreset(int percent)
{
    const QSizeF pixels = currentPixelSize();
    const double f = percent / 100.0;
    setText(Field::width, QString::number(roundedAndClamped(pixels.width() * f)));
    setText(Field::height, QString::number(roundedAndClamped(pixels.height() * f)));
}

std::optional<QSize> ResizeFields::parsedSize() const
{
    const std::optional<qint64> w = parseDecimal(m_widthText);
    const std::optional<qint64> h = parseDecimal(m_heightText);
    const auto inRange = [](qint64 v) { return v >= minimumSide && v <= maximumSide; };
    if (!w || !h || !inRange(*w) || !inRange(*h))
        return std::nullopt;
    return QSize(int(*w), int(*h));
}

// ---- the panel --------------------------------------------------------------------------------------

QString ResizePanelView::pixelSizeText(QSizeF size)
{
    return QStringLiteral("%1 × %2 px").arg(std::llround(size.width())).arg(std::llround(size.height()));
}

ResizePanelView::ResizePanelView(ImageEditorViewModel* viewModel, std::function<void()> onApplied, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_onApplied(std::move(onApplied))
    , m_fields([viewModel]() -> QSizeF {
        // As the image is seen, and as it is saved: a quarter turn swaps the sides.
        const auto& image = viewModel->selectedImage();
        return image ? CanvasGeometry::rotatedBounds(QSizeF(image->pixelSize()), viewModel->rotation())
                     : QSizeF(0.0, 0.0);
    })
{
    setFixedWidth(contentWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    layout->addWidget(new PanelText(PanelText::Role::title, QStringLiteral("resize.title"), this));
    layout->addWidget(new PanelDivider(this));

    auto* current = new QHBoxLayout();
    current->addWidget(new PanelText(PanelText::Role::caption, QStringLiteral("resize.current"), this));
    current->addStretch(1);
    m_readout = new PanelText(PanelText::Role::value, QString(), this);
    m_readout->setMonospacedDigits(true);
    current->addWidget(m_readout);
    layout->addLayout(current);

    auto* fieldsRow = new QHBoxLayout();
    fieldsRow->setSpacing(8);
    fieldsRow->addWidget(makeSizeField(QStringLiteral("resize.width"), &m_width), 1);
    fieldsRow->addWidget(makeSizeField(QStringLiteral("resize.height"), &m_height), 1);
    layout->addLayout(fieldsRow);

    auto* presets = new QHBoxLayout();
    presets->setSpacing(6);
    for (int i = 0; i < 3; ++i) {
        const int percent = kPresets[i];
        m_chips[i] = new PresetChip(percent, this);
        presets->addWidget(m_chips[i]);
        connect(m_chips[i], &QAbstractButton::clicked, this, [this, percent] {
            m_fields.setFocusedField(focusedField());
            m_fields.applyPreset(percent);
            refresh();
        });
    }
    presets->addStretch(1);
    m_lock = new LockButton(this);
    new HoverTooltip(m_lock, QStringLiteral("resize.lockRatio"));
    presets->addWidget(m_lock);
    layout->addLayout(presets);
    connect(m_lock, &QAbstractButton::clicked, this, [this] {
        m_fields.toggleLock();
        refresh();
    });

    layout->addWidget(new PanelDivider(this));
    m_apply = new ApplyButton(this);
    layout->addWidget(m_apply);
    connect(m_apply, &QAbstractButton::clicked, this, &ResizePanelView::apply);

    // The readout and the presets follow the image (an undo, a rotation...); the texts stay.
    connect(m_viewModel, &ImageEditorViewModel::documentChanged, this, &ResizePanelView::refresh);
    connect(m_viewModel, &ImageEditorViewModel::zoomChanged, this, &ResizePanelView::refresh);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &ResizePanelView::refresh);
    refresh();
}

QWidget* ResizePanelView::makeSizeField(const QString& labelKey, QLineEdit** field)
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(new PanelText(PanelText::Role::caption, labelKey, column));
    auto* row = new QHBoxLayout();
    row->setSpacing(4);
    auto* edit = new QLineEdit(column);
    edit->setPlaceholderText(QStringLiteral("1920"));
    QFont digits = sizedFont(font(), 12, QFont::Normal);
    digits.setStyleHint(QFont::Monospace);
    digits.setFamilies({ QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace") });
    edit->setFont(digits);
    edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(edit, 1);
    auto* unit = new QLabel(QStringLiteral("px"), column);
    unit->setFont(sizedFont(font(), 10, QFont::Normal));
    QPalette faint = unit->palette();
    faint.setColor(QPalette::WindowText, secondaryColour(faint));
    unit->setPalette(faint);
    row->addWidget(unit);
    layout->addLayout(row);
    *field = edit;
    const ResizeFields::Field which = labelKey == QStringLiteral("resize.width") ? ResizeFields::Field::width
                                                                                : ResizeFields::Field::height;
    connect(edit, &QLineEdit::textEdited, this, [this, which, edit](const QString& text) { edited(which, edit, text); });
    return column;
}

std::optional<ResizeFields::Field> ResizePanelView::focusedField() const
{
    if (m_width->hasFocus())
        return ResizeFields::Field::width;
    if (m_height->hasFocus())
        return ResizeFields::Field::height;
    return std::nullopt;
}

void ResizePanelView::edited(ResizeFields::Field field, QLineEdit* edit, const QString& text)
{
    // The field being typed in has the focus, whatever the window system says about it
    // at this moment.
    m_fields.setFocusedField(field);
    // Keep the caret where it was, less the characters the filter took out before it.
    const int cursor = edit->cursorPosition();
    const int kept = int(ResizeFields::digitsOnly(text.left(cursor)).size());
    m_fields.setText(field, text);
    refresh();
    edit->setCursorPosition(std::min(kept, int(edit->text().size())));
}

QAbstractButton* ResizePanelView::presetChip(int percent) const
{
    for (int i = 0; i < 3; ++i)
        if (kPresets[i] == percent)
            return m_chips[i];
    return nullptr;
}

void ResizePanelView::refresh()
{
    m_readout->setText(pixelSizeText(m_fields.currentPixelSize()));
    if (m_width->text() != m_fields.widthText())
        m_width->setText(m_fields.widthText());
    if (m_height->text() != m_fields.heightText())
        m_height->setText(m_fields.heightText());
    m_lock->setChecked(m_fields.lockRatio());
    m_apply->setText(localized(QStringLiteral("resize.apply")));
    m_apply->setEnabled(m_fields.parsedSize().has_value());
}

void ResizePanelView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_fields.prefill();
    refresh();
}

void ResizePanelView::apply()
{
    const std::optional<QSize> size = m_fields.parsedSize();
    if (!size)
        return;
    // The sizes typed are those seen; the image itself is stored unturned.
    const QSize image = CanvasGeometry::isQuarterTurn(m_viewModel->rotation()) ? size->transposed() : *size;
    m_viewModel->resizeToPixelSize(image.width(), image.height());
    if (m_onApplied)
        m_onApplied();
}
