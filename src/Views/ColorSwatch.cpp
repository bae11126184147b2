#include "Views/ColorSwatch.h"

#include "Core/AppThemeColors.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/Palette.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

// Help keys of the palette entries, in palette order.
constexpr std::array<const char*, 8> kColorKeys { "color.red",    "color.blue",  "color.green", "color.orange",
                                                  "color.purple", "color.white", "color.gray",  "color.black" };
static_assert(kColorKeys.size() == presetColors.size());

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

} // namespace

QString colorLocalizedName(const RgbaColor& color)
{
    for (std::size_t i = 0; i < presetColors.size(); ++i) {
        if (presetColors[i] == color)
            return localized(QString::fromLatin1(kColorKeys[i]));
    }
    return localized(QStringLiteral("color.custom"));
}

bool matchesPaletteColor(const RgbaColor& bound, const RgbaColor& swatch)
{
    for (const RgbaColor& entry : presetColors) {
        if (entry == bound && entry == swatch)
            return true;
    }
    return false;
}

QColor swatchRingColor(const QPalette& palette)
{
    return isDarkPalette(palette) ? QColor(10, 132, 255) : QColor(0, 122, 255);
}

QColor swatchSlashColor(const QPalette& palette)
{
    return isDarkPalette(palette) ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

void paintColorSwatch(QPainter& painter, const QRectF& frame, const std::optional<RgbaColor>& color, bool isSelected,
                      const QPalette& palette)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre = frame.center();
    const double mark = ColorSwatch::markSize;
    const QRectF markRect(centre - QPointF(mark / 2.0, mark / 2.0), QSizeF(mark, mark));
    const QColor primary = palette.color(QPalette::WindowText);
    if (color) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color->toQColor());
        painter.drawEllipse(markRect);
        // A hairline keeps white readable on a light panel and black on a dark one.
        painter.setPen(QPen(hairlineBorderColor(palette), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(markRect.adjusted(0.5, 0.5, -0.5, -0.5));
    } else {
        // The no-colour mark: an outlined circle struck through from lower left to
        // upper right.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withAlpha(primary, 0.5), 1.5));
        painter.drawEllipse(markRect.adjusted(0.75, 0.75, -0.75, -0.75));
        painter.setPen(QPen(swatchSlashColor(palette), 2.0, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(markRect.topLeft() + QPointF(6, 18), markRect.topLeft() + QPointF(18, 6));
    }
    if (isSelected) {
        const double ring = ColorSwatch::ringSize;
        const QRectF ringRect(centre - QPointF(ring / 2.0, ring / 2.0), QSizeF(ring, ring));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(swatchRingColor(palette), 2.5));
        // Inside the 28-point circle, so the widget's edge never cuts the ring.
        painter.drawEllipse(ringRect.adjusted(1.25, 1.25, -1.25, -1.25));
    }
    painter.restore();
}

ColorSwatch::ColorSwatch(std::optional<RgbaColor> color, bool isSelected, std::function<void()> action,
                         QWidget* parent)
    : QAbstractButton(parent)
    , m_color(color)
    , m_isSelected(isSelected)
    , m_action(std::move(action))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &ColorSwatch::updateHelpText);
    updateHelpText();
}

void ColorSwatch::setSelected(bool selected)
{
    if (m_isSelected == selected)
        return;
    m_isSelected = selected;
    updateGeometry();
    update();
}

QString ColorSwatch::helpText() const
{
    return m_color ? colorLocalizedName(*m_color) : localized(QStringLiteral("panel.transparent"));
}

void ColorSwatch::updateHelpText()
{
    const QString text = helpText();
    setToolTip(text);
    setAccessibleName(text);
}

QSize ColorSwatch::sizeHint() const
{
    const int side = m_isSelected ? ringSize : markSize;
    return QSize(side, side);
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintColorSwatch(painter, QRectF(rect()), m_color, m_isSelected, palette());
    if (m_keyboardFocus && hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(withAlpha(swatchRingColor(palette()), 0.5), 1.0, Qt::DotLine));
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

bool ColorSwatch::hitButton(const QPoint& position) const
{
    const QPointF centre = QRectF(rect()).center();
    const double radius = std::min(width(), height()) / 2.0;
    const QPointF d = QPointF(position) + QPointF(0.5, 0.5) - centre;
    return d.x() * d.x() + d.y() * d.y() <= radius * radius;
}

void ColorSwatch::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void ColorSwatch::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}
