#include "Views/HoverTooltip.h"

#include "Core/AppThemeColors.h"
#include "Core/Localization.h"
#include "Views/PopoverHost.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>

namespace {

class QtTooltipTimer : public TooltipTimer {
public:
    Token schedule(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        const Token token = ++m_next;
        auto* timer = new QTimer();
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, [this, token, work = std::move(work)] {
            if (QTimer* t = m_timers.take(token))
                t->deleteLater();
            work();
        });
        m_timers.insert(token, timer);
        timer->start(delay);
        return token;
    }

    void cancel(Token token) override
    {
        if (QTimer* timer = m_timers.take(token)) {
            timer->stop();
            timer->deleteLater();
        }
    }

private:
    Token m_next = 0;
    QHash<Token, QTimer*> m_timers;
};

std::optional<bool>& bubblesInsideWindowOverride()
{
    static std::optional<bool> inside;
    return inside;
}

QFont bubbleFont(QFont font)
{
    font.setPixelSize(TooltipBubble::fontPixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

TooltipTimer& TooltipTimer::mainQueue()
{
    static QtTooltipTimer timer;
    return timer;
}

// ---- bubble ------------------------------------------------------------------------------------

TooltipBubble::TooltipBubble(QWidget* host)
    : QWidget(host, host ? Qt::WindowFlags() : Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                                 Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint)
    // Inside a window the bubble is drawn over the widgets beneath it, composited or not.
    , m_translucent(host || WindowChrome::translucencyAvailable())
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (m_translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    setFont(bubbleFont(font()));
    m_fade = new QVariantAnimation(this);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setEasingCurve(QEasingCurve::InQuad);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_opacity = v.toDouble();
        update();
    });
}

void TooltipBubble::setText(const QString& text)
{
    m_text = text;
    resize(sizeHint());
    if (!m_translucent && isWindow()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    }
    update();
}

QSize TooltipBubble::sizeHint() const
{
    // Never wrapped nor cut, however narrow the control.
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(m_text) + 2 * horizontalPadding,
                 metrics.height() + 2 * verticalPadding);
}

void TooltipBubble::placeAbove(QWidget* control, int lift)
{
    const QSize size = sizeHint();
    QWidget* host = parentWidget();
    const QPoint topCentre = host ? control->mapTo(host, QPoint(control->width() / 2, 0))
                                  : control->mapToGlobal(QPoint(control->width() / 2, 0));
    QRect frame(topCentre.x() - size.width() / 2, topCentre.y() - lift - size.height(), size.width(), size.height());
    if (host) {
        frame.moveLeft(std::clamp(frame.left(), 0, std::max(0, host->width() - frame.width())));
        frame.moveTop(std::max(0, frame.top()));
    }
    setGeometry(frame);
}

void TooltipBubble::reveal(std::chrono::milliseconds fade)
{
    m_fade->stop();
    if (m_translucent && fade.count() > 0) {
        m_opacity = 0.0;
        m_fade->setDuration(int(fade.count()));
        m_fade->start();
    } else {
        m_opacity = 1.0;
    }
    show();
    raise();
}

void TooltipBubble::conceal()
{
    m_fade->stop();
    m_opacity = 1.0;
    hide();
}

void TooltipBubble::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setOpacity(m_opacity);
    const QPalette& pal = palette();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // The thick material: nearly opaque where it can be translucent at all.
    QColor fill = pal.color(QPalette::Window);
    if (m_translucent)
        fill.setAlphaF(0.94);
    painter.setPen(QPen(hairlineBorderColor(pal), 1.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, cornerRadius, cornerRadius);
    painter.setPen(pal.color(QPalette::WindowText));
    painter.drawText(QRectF(rect()).adjusted(horizontalPadding, 0, -horizontalPadding, 0),
                     Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

// ---- tooltip -----------------------------------------------------------------------------------

HoverTooltip::HoverTooltip(QWidget* control, QString key, ShortcutText shortcut, TooltipTimer* timer)
    : QObject(control)
    , m_control(control)
    , m_key(std::move(key))
    , m_shortcut(std::move(shortcut))
    , m_timer(timer)
{
    control->setAttribute(Qt::WA_Hover);
    control->installEventFilter(this);
}

HoverTooltip::~HoverTooltip()
{
    cancelPendingReveal();
    delete m_bubble;
}

bool HoverTooltip::bubblesInsideWindow()
{
    if (const std::optional<bool> inside = bubblesInsideWindowOverride())
        return *inside;
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void HoverTooltip::setBubblesInsideWindowForTesting(std::optional<bool> inside)
{
    bubblesInsideWindowOverride() = inside;
}

QString HoverTooltip::composeText(const QString& key, const std::optional<QString>& shortcut)
{
    QString text = localized(key);
    if (shortcut)
        text += QStringLiteral(" (") + *shortcut + QStringLiteral(")");
    return text;
}

QString HoverTooltip::bubbleText() const
{
    return composeText(m_key, m_shortcut ? m_shortcut() : std::nullopt);
}

void HoverTooltip::cancelPendingReveal()
{
    if (m_showTask) {
        timer().cancel(*m_showTask);
        m_showTask.reset();
    }
}

void HoverTooltip::hoverChanged(bool inside)
{
    cancelPendingReveal();
    if (inside) {
        m_isHovering = true;
        m_showTask = timer().schedule(revealDelay, [this] {
            m_showTask.reset();
            reveal();
        });
    } else {
        m_isHovering = false;
        hideBubble();
    }
}

void HoverTooltip::reveal()
{
    if (!m_isHovering || m_suppressed || !m_control || !m_control->isVisible())
        return;
    QWidget* host = bubblesInsideWindow() ? m_control->window() : nullptr;
    if (m_bubble && m_bubble->parentWidget() != host) {
        delete m_bubble;
        m_bubble = nullptr;
    }
    if (!m_bubble)
        m_bubble = new TooltipBubble(host);
    m_bubble->setText(bubbleText());
    m_bubble->placeAbove(m_control, liftAboveControl);
    m_bubble->reveal(fadeInDuration);
    m_showBubble = true;
}

void HoverTooltip::hideBubble()
{
    m_showBubble = false;
    if (m_bubble)
        m_bubble->conceal();
}

void HoverTooltip::setSuppressed(bool suppressed)
{
    m_suppressed = suppressed;
    // A pending reveal stays; it finds the tooltip suppressed and shows nothing.
    if (suppressed)
        hideBubble();
}

bool HoverTooltip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_control) {
        switch (event->type()) {
        case QEvent::Enter:
            hoverChanged(true);
            break;
        case QEvent::Leave:
            hoverChanged(false);
            break;
        case QEvent::Hide:
            if (m_isHovering)
                hoverChanged(false);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
