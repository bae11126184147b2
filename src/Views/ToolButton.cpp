#include "Views/ToolButton.h"

#include "Core/AppThemeColors.h"
#include "Views/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

} // namespace

ToolbarButton::ToolbarButton(const QString& symbol, QWidget* parent)
    : PressableWidget(parent)
    , m_symbol(symbol)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont f = font();
    f.setPixelSize(12);
    f.setWeight(QFont::Medium);
    setFont(f);
}

void ToolbarButton::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void ToolbarButton::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

void ToolbarButton::setLook(Look look)
{
    m_look = look;
    update();
}

void ToolbarButton::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    update();
}

void ToolbarButton::setAccentTint(bool accent)
{
    if (m_accentTint == accent)
        return;
    m_accentTint = accent;
    update();
}

QSize ToolbarButton::sizeHint() const
{
    if (m_text.isEmpty())
        return QSize(frameSize, frameSize);
    return QSize(fontMetrics().horizontalAdvance(m_text) + 16, frameSize);
}

void ToolbarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    const QPalette& pal = palette();
    const QColor primary = pal.color(QPalette::WindowText);
    const QColor accent = pal.color(QPalette::Highlight);
    const QRectF frame = QRectF(rect());

    QPainterPath rounded;
    rounded.addRoundedRect(frame, cornerRadius, cornerRadius);
    const bool live = isEnabled();

    if (!m_text.isEmpty()) {
        qreal alpha = 0.06;
        if (live && isPressed())
            alpha = 0.16;
        else if (live && isHovered())
            alpha = 0.11;
        painter.fillPath(rounded, withAlpha(primary, alpha));
        painter.setPen(primary);
        painter.drawText(frame, Qt::AlignCenter | Qt::TextSingleLine, m_text);
        return;
    }

    if (m_look == Look::accentSquare) {
        QColor fill = accent;
        if (live && isPressed())
            fill = fill.darker(120);
        else if (live && isHovered())
            fill = fill.lighter(112);
        painter.fillPath(rounded, fill);
        // Drawn a point higher: the tray of the symbol sits low in its box.
        ToolbarIcons::paint(painter, frame.translated(0.0, -1.0), m_symbol, Qt::white, symbolSize);
        return;
    }

    if (m_active)
        painter.fillPath(rounded, withAlpha(accent, 0.35));
    else if (live && isPressed())
        painter.fillPath(rounded, withAlpha(primary, 0.14));
    else if (live && isHovered())
        painter.fillPath(rounded, withAlpha(primary, 0.08));
    ToolbarIcons::paint(painter, frame, m_symbol, m_accentTint ? accent : primary, symbolSize);
}

// ---- divider -------------------------------------------------------------------------------------

ToolbarDivider::ToolbarDivider(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ToolbarDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // 1 point wide, centred with 3.5 points of room either side.
    painter.fillRect(QRectF((width() - 1.0) / 2.0, (height() - 20.0) / 2.0, 1.0, 20.0), separatorColor(palette()));
}
