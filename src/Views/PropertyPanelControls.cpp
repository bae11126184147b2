#include "Views/PropertyPanelControls.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Views/ColorSwatch.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

QColor primaryColor(const QPalette& palette)
{
    return palette.color(QPalette::WindowText);
}

// The secondary text colour: the primary one, fainter.
QColor secondaryColor(const QPalette& palette)
{
    QColor color = primaryColor(palette);
    color.setAlphaF(isDarkPalette(palette) ? 0.55 : 0.5);
    return color;
}

// The readouts round halves away from zero; values that are not numbers are shown as
// they are rather than turned into an arbitrary integer.
QString roundedText(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9.0e18)
        return QString::number(value);
    return QString::number(std::llround(value));
}

// The number of decimals (0...9) that writes `value` exactly enough.
int decimalsOf(double value)
{
    double scale = 1.0;
    for (int decimals = 0; decimals < 9; ++decimals, scale *= 10.0) {
        const double scaled = value * scale;
        if (std::fabs(scaled - std::round(scaled)) < 1e-7)
            return decimals;
    }
    return 9;
}

} // namespace

QString panelPixelText(double value) { return roundedText(value) + QStringLiteral("px"); }
QString panelPercentText(double value) { return roundedText(value * 100.0) + QStringLiteral("%"); }
QString panelPlainText(double value) { return roundedText(value); }

// ---- texts ------------------------------------------------------------------------------------

PanelText::PanelText(Role role, QString key, QWidget* parent)
    : QWidget(parent)
    , m_role(role)
    , m_key(std::move(key))
{
    QFont f = font();
    switch (role) {
    case Role::title:
        f.setPixelSize(12);
        f.setWeight(QFont::DemiBold);
        break;
    case Role::caption:
        f.setPixelSize(11);
        f.setWeight(QFont::Normal);
        break;
    case Role::value:
        f.setPixelSize(11);
        f.setWeight(QFont::Medium);
        break;
    }
    setFont(f);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &PanelText::retranslate);
    retranslate();
}

void PanelText::retranslate()
{
    if (m_key.isEmpty())
        return;
    m_text = localized(m_key);
    setAccessibleName(m_text);
    updateGeometry();
    update();
}

void PanelText::setText(const QString& text)
{
    m_key.clear();
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void PanelText::setMonospacedDigits(bool monospaced)
{
    m_monospacedDigits = monospaced;
    updateGeometry();
    update();
}

double PanelText::digitCellWidth() const
{
    const QFontMetricsF metrics(font());
    double widest = 0.0;
    for (QChar digit = u'0'; digit <= u'9'; digit = QChar(digit.unicode() + 1))
        widest = std::max(widest, metrics.horizontalAdvance(digit));
    return widest;
}

double PanelText::textWidth() const
{
    const QFontMetricsF metrics(font());
    if (!m_monospacedDigits)
        return metrics.horizontalAdvance(m_text);
    const double cell = digitCellWidth();
    double width = 0.0;
    for (QChar c : m_text)
        width += c.isDigit() ? cell : metrics.horizontalAdvance(c);
    return width;
}

QColor PanelText::textColor() const
{
    return m_role == Role::caption ? secondaryColor(palette()) : primaryColor(palette());
}

QSize PanelText::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(int(std::ceil(textWidth())) + 1, metrics.height());
}

void PanelText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(textColor());
    if (!m_monospacedDigits) {
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
        return;
    }
    // Every digit in a cell of the widest digit's width, so a changing number keeps
    // its place.
    const QFontMetricsF metrics(font());
    const double cell = digitCellWidth();
    const double baseline = (height() - metrics.height()) / 2.0 + metrics.ascent();
    double x = 0.0;
    for (QChar c : m_text) {
        const double advance = metrics.horizontalAdvance(c);
        if (c.isDigit()) {
            painter.drawText(QPointF(x + (cell - advance) / 2.0, baseline), QString(c));
            x += cell;
        } else {
            painter.drawText(QPointF(x, baseline), QString(c));
            x += advance;
        }
    }
}

// ---- divider ----------------------------------------------------------------------------------

PanelDivider::PanelDivider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), dividerColor(palette()));
}

// ---- segmented picker -------------------------------------------------------------------------

PanelSegmentButton::PanelSegmentButton(PanelOption option, QWidget* parent)
    : KeyboardFocusShown(parent)
    , m_option(std::move(option))
{
    setCheckable(true);
    // The picker decides what is checked, from the bound value.
    setAutoExclusive(false);
    setFocusPolicy(Qt::TabFocus);
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &PanelSegmentButton::retranslate);
    retranslate();
}

void PanelSegmentButton::retranslate()
{
    setAccessibleName(m_option.accessibilityKey.isEmpty() ? QString() : localized(m_option.accessibilityKey));
}

void PanelSegmentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPalette& pal = palette();
    const bool dark = isDarkPalette(pal);
    const QRectF frame = QRectF(rect()).adjusted(2, 2, -2, -2);
    if (isChecked()) {
        QPainterPath thumb;
        thumb.addRoundedRect(frame, 5.0, 5.0);
        if (!dark)
            painter.fillPath(thumb.translated(0, 0.5), QColor(0, 0, 0, 28));
        painter.fillPath(thumb, dark ? QColor(255, 255, 255, 60) : QColor(255, 255, 255));
    } else if (isDown()) {
        QPainterPath pressed;
        pressed.addRoundedRect(frame, 5.0, 5.0);
        painter.fillPath(pressed, withAlpha(primaryColor(pal), 0.1));
    }
    const QRectF imageFrame(QRectF(rect()).center() - QPointF(7.0, 7.0), QSizeF(14.0, 14.0));
    if (m_option.paintImage)
        m_option.paintImage(painter, imageFrame, primaryColor(pal));
    if (showsKeyboardFocus()) {
        painter.setPen(QPen(withAlpha(swatchRingColor(pal), 0.6), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 5.0, 5.0);
    }
}

PanelSegmentedPicker::PanelSegmentedPicker(const QList<PanelOption>& options, int width, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(width, height);
    for (int i = 0; i < options.size(); ++i) {
        auto* segment = new PanelSegmentButton(options[i], this);
        connect(segment, &QAbstractButton::clicked, this, [this, segment, i] {
            // A click only asks; what is checked follows the bound value.
            if (!segment->isChecked())
                emit optionPicked(i);
        });
        m_segments.append(segment);
    }
}

std::optional<int> PanelSegmentedPicker::selectedIndex() const
{
    for (int i = 0; i < m_segments.size(); ++i)
        if (m_segments[i]->isChecked())
            return i;
    return std::nullopt;
}

void PanelSegmentedPicker::setSelectedIndex(std::optional<int> index)
{
    for (int i = 0; i < m_segments.size(); ++i)
        m_segments[i]->setChecked(index && *index == i);
    update();
}

void PanelSegmentedPicker::resizeEvent(QResizeEvent*)
{
    const int count = int(m_segments.size());
    if (count == 0)
        return;
    for (int i = 0; i < count; ++i) {
        const int left = width() * i / count;
        const int right = width() * (i + 1) / count;
        m_segments[i]->setGeometry(left, 0, right - left, height);
    }
}

void PanelSegmentedPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPalette& pal = palette();
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(track, 7.0, 7.0);
    painter.fillPath(path, withAlpha(primaryColor(pal), isDarkPalette(pal) ? 0.1 : 0.07));
    painter.setPen(QPen(hairlineBorderColor(pal), 1.0));
    painter.drawPath(path);
    // Separators between neighbours that are both unselected.
    painter.setPen(QPen(withAlpha(primaryColor(pal), 0.18), 1.0));
    for (int i = 1; i < m_segments.size(); ++i) {
        if (m_segments[i - 1]->isChecked() || m_segments[i]->isChecked())
            continue;
        const double x = m_segments[i]->geometry().left() + 0.5;
        painter.drawLine(QPointF(x, 6.0), QPointF(x, height - 6.0));
    }
}

// ---- slider -----------------------------------------------------------------------------------

PanelSlider::PanelSlider(double minimum, double maximum, double step, QWidget* parent)
    : KeyboardFocusShown(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_step(step > 0.0 && std::isfinite(step) ? step : 1.0)
{
    const int decimals = std::max(decimalsOf(m_minimum), decimalsOf(m_step));
    m_scale = 1;
    for (int i = 0; i < decimals; ++i)
        m_scale *= 10;
    m_minimumUnits = std::llround(m_minimum * double(m_scale));
    m_stepUnits = std::max<qint64>(1, std::llround(m_step * double(m_scale)));
    const qint64 maximumUnits = std::llround(m_maximum * double(m_scale));
    const qint64 positions = std::max<qint64>(0, (maximumUnits - m_minimumUnits) / m_stepUnits);
    setOrientation(Qt::Horizontal);
    setRange(0, int(positions));
    setSingleStep(1);
    setPageStep(1);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(22);
}

double PanelSlider::valueAt(int position) const
{
    return double(m_minimumUnits + qint64(position) * m_stepUnits) / double(m_scale);
}

int PanelSlider::positionFor(double value) const
{
    if (!std::isfinite(value))
        return value > 0 ? maximum() : minimum();
    const double position = (value * double(m_scale) - double(m_minimumUnits)) / double(m_stepUnits);
    return int(std::clamp<double>(std::round(position), minimum(), maximum()));
}

QRectF PanelSlider::trackRect() const
{
    const double inset = 8.0; // half the knob: the knob stays inside the widget
    return QRectF(inset, height() / 2.0 - 2.0, std::max(0.0, width() - 2.0 * inset), 4.0);
}

QPointF PanelSlider::knobCentre() const
{
    const QRectF track = trackRect();
    const double fraction = maximum() > minimum() ? double(value() - minimum()) / double(maximum() - minimum()) : 0.0;
    return QPointF(track.left() + fraction * track.width(), height() / 2.0);
}

int PanelSlider::positionAtX(double x) const
{
    const QRectF track = trackRect();
    if (track.width() <= 0.0)
        return value();
    const double fraction = std::clamp((x - track.left()) / track.width(), 0.0, 1.0);
    return minimum() + int(std::lround(fraction * (maximum() - minimum())));
}

void PanelSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPalette& pal = palette();
    const bool dark = isDarkPalette(pal);
    const QRectF track = trackRect();
    const QPointF knob = knobCentre();
    QPainterPath full;
    full.addRoundedRect(track, 2.0, 2.0);
    painter.fillPath(full, withAlpha(primaryColor(pal), dark ? 0.22 : 0.15));
    QPainterPath filled;
    filled.addRoundedRect(QRectF(track.left(), track.top(), knob.x() - track.left(), track.height()), 2.0, 2.0);
    painter.fillPath(filled, isEnabled() ? swatchRingColor(pal) : withAlpha(primaryColor(pal), 0.3));

    const QRectF knobRect(knob - QPointF(8.0, 8.0), QSizeF(16.0, 16.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, dark ? 70 : 40));
    painter.drawEllipse(knobRect.translated(0, 0.75));
    painter.setBrush(dark ? QColor(210, 210, 210) : QColor(255, 255, 255));
    painter.setPen(QPen(withAlpha(primaryColor(pal), dark ? 0.3 : 0.2), 0.75));
    painter.drawEllipse(knobRect.adjusted(0.5, 0.5, -0.5, -0.5));
    if (showsKeyboardFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withAlpha(swatchRingColor(pal), 0.6), 1.5));
        painter.drawEllipse(knobRect.adjusted(-1.5, -1.5, 1.5, 1.5));
    }
}

void PanelSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_dragging = true;
    setSliderDown(true);
    setSliderPosition(positionAtX(event->position().x()));
    event->accept();
}

void PanelSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        event->ignore();
        return;
    }
    setSliderPosition(positionAtX(event->position().x()));
    event->accept();
}

void PanelSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_dragging = false;
    setSliderPosition(positionAtX(event->position().x()));
    setSliderDown(false);
    event->accept();
}

// ---- switch -------------------------------------------------------------------------------------

PanelSwitch::PanelSwitch(QWidget* parent)
    : KeyboardFocusShown(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void PanelSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPalette& pal = palette();
    const bool dark = isDarkPalette(pal);
    const QRectF track = QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0);
    const double radius = track.height() / 2.0;
    QColor fill = isChecked() ? swatchRingColor(pal) : withAlpha(primaryColor(pal), dark ? 0.25 : 0.15);
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);
    if (showsKeyboardFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withAlpha(swatchRingColor(pal), 0.6), 1.5));
        painter.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), radius + 0.5, radius + 0.5);
    }
    const double knob = track.height() - 2.0;
    const double x = isChecked() ? track.right() - 1.0 - knob : track.left() + 1.0;
    const QRectF knobRect(x, track.top() + 1.0, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0.0, 0.5));
    painter.setBrush(dark ? QColor(225, 225, 225) : QColor(255, 255, 255));
    painter.drawEllipse(knobRect);
}

// ---- readout and pop-up -------------------------------------------------------------------------

PanelValueReadout::PanelValueReadout(const QString& captionKey, QWidget* parent)
    : QWidget(parent)
    , m_caption(new PanelText(PanelText::Role::caption, captionKey, this))
    , m_value(new PanelText(PanelText::Role::value, QString(), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_caption, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    layout->addWidget(m_value, 0, Qt::AlignVCenter);
}

PanelPopUpPicker::PanelPopUpPicker(QWidget* parent)
    : QComboBox(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont f = font();
    f.setPixelSize(12);
    setFont(f);
}

void PanelPopUpPicker::selectData(const QVariant& value)
{
    setCurrentIndex(findData(value));
}
