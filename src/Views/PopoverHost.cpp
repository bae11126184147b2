#include "Views/PopoverHost.h"

#include "Core/AppThemeColors.h"
#include "Platform/X11Session.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <optional>

namespace {

std::function<bool()>& translucencyProbe()
{
    static std::function<bool()> probe;
    return probe;
}

bool desktopComposites()
{
    return X11Session::compositorRunning();
}

} // namespace

namespace WindowChrome {

bool translucencyAvailable()
{
    if (translucencyProbe())
        return translucencyProbe()();
    // A compositor that starts or stops while we run is rare; asked once per process.
    static const bool composites = desktopComposites();
    return composites;
}

void setTranslucencyProbeForTesting(std::function<bool()> probe) { translucencyProbe() = std::move(probe); }

} // namespace WindowChrome

PopoverHost::PopoverHost(QWidget* anchor)
    : QWidget(anchor ? anchor->window() : nullptr, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , m_anchor(anchor)
    , m_translucent(WindowChrome::translucencyAvailable())
{
    if (m_translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

PopoverHost::~PopoverHost() = default;

void PopoverHost::setContent(QWidget* content)
{
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (m_content) {
        m_content->setParent(this);
        m_content->installEventFilter(this);
        m_content->show();
    }
    if (isVisible())
        place();
}

void PopoverHost::setContentMargin(int margin)
{
    m_contentMargin = std::max(0, margin);
    if (isVisible())
        place();
}

QSize PopoverHost::sizeHint() const
{
    const int sm = m_translucent ? shadowMargin : 0;
    const QSize inner = m_content ? m_content->sizeHint().expandedTo(m_content->minimumSizeHint()) : QSize(0, 0);
    return QSize(inner.width() + 2 * m_contentMargin + 2 * sm,
                 inner.height() + 2 * m_contentMargin + arrowHeight + 2 * sm);
}

void PopoverHost::setPresented(bool presented)
{
    if (presented && m_content && m_anchor) {
        place();
        if (!isVisible())
            show();
        raise();
        return;
    }
    if (isVisible()) {
        m_hidingOnRequest = true;
        hide();
        m_hidingOnRequest = false;
    }
}

QRect PopoverHost::panelRectFor(const QSize& panelSize) const
{
    if (!m_anchor)
        return QRect(QPoint(0, 0), panelSize);
    const QPoint tip = m_anchor->mapToGlobal(QPoint(m_anchor->width() / 2, -2));
    QRect panel(tip.x() - panelSize.width() / 2, tip.y() - arrowHeight - panelSize.height(), panelSize.width(),
                panelSize.height());
    // Kept on the anchor's screen; the arrow still points at the anchor.
    if (QScreen* screen = m_anchor->screen()) {
        const QRect area = screen->availableGeometry();
        if (panel.right() > area.right() - 4)
            panel.moveRight(area.right() - 4);
        if (panel.left() < area.left() + 4)
            panel.moveLeft(area.left() + 4);
        if (panel.top() < area.top())
            panel.moveTop(area.top());
    }
    return panel;
}

void PopoverHost::place()
{
    if (!m_anchor || !m_content)
        return;
    const int sm = m_translucent ? shadowMargin : 0;
    const QSize inner = m_content->sizeHint().expandedTo(m_content->minimumSizeHint());
    const QSize panelSize(inner.width() + 2 * m_contentMargin, inner.height() + 2 * m_contentMargin);
    const QRect panel = panelRectFor(panelSize);
    const QPoint tip = m_anchor->mapToGlobal(QPoint(m_anchor->width() / 2, -2));
    setGeometry(panel.left() - sm, panel.top() - sm, panelSize.width() + 2 * sm,
                panelSize.height() + arrowHeight + 2 * sm);
    const int low = sm + int(cornerRadius) + arrowWidth / 2;
    const int high = sm + panelSize.width() - int(cornerRadius) - arrowWidth / 2;
    m_arrowX = std::clamp(tip.x() - (panel.left() - sm), low, std::max(low, high));
    m_content->setGeometry(sm + m_contentMargin, sm + m_contentMargin, inner.width(), inner.height());
    applyShapeMask();
    update();
}

QRectF PopoverHost::panelRect() const
{
    const int sm = m_translucent ? shadowMargin : 0;
    return QRectF(sm, sm, width() - 2 * sm, height() - 2 * sm - arrowHeight);
}

QPainterPath PopoverHost::shape() const
{
    const QRectF panel = panelRect();
    QPainterPath path;
    path.addRoundedRect(panel, cornerRadius, cornerRadius);
    QPainterPath arrow;
    arrow.moveTo(m_arrowX - arrowWidth / 2.0, panel.bottom() - 1.0);
    arrow.lineTo(m_arrowX, panel.bottom() + arrowHeight);
    arrow.lineTo(m_arrowX + arrowWidth / 2.0, panel.bottom() - 1.0);
    arrow.closeSubpath();
    return path.united(arrow).simplified();
}

void PopoverHost::applyShapeMask()
{
    // Without a compositor the window is opaque: its shape cuts the corners and the
    // arrow out of the rectangle instead.
    if (m_translucent)
        clearMask();
    else
        setMask(QRegion(shape().toFillPolygon().toPolygon()));
}

bool PopoverHost::eventFilter(QObject* watched, QEvent* event)
{
    // A panel that grows or shrinks (rows shown or hidden) gets a popover to match.
    if (watched == m_content && event->type() == QEvent::LayoutRequest && isVisible())
        QMetaObject::invokeMethod(this, [this] { if (isVisible()) place(); }, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void PopoverHost::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyShapeMask();
}

void PopoverHost::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPainterPath path = shape();
    const QPalette& pal = palette();
    if (m_translucent) {
        // A soft edge stands for the shadow a compositor would give.
        for (int i = shadowMargin; i >= 1; --i) {
            QPen pen(QColor(0, 0, 0, 6), 2.0 * i);
            painter.strokePath(path, pen);
        }
        QColor fill = pal.color(QPalette::Window);
        fill.setAlphaF(0.96);
        painter.fillPath(path, fill);
    } else {
        painter.fillPath(path, pal.color(QPalette::Window));
    }
    painter.strokePath(path, QPen(panelBorderColor(pal), 1.0));
}

void PopoverHost::mousePressEvent(QMouseEvent* event)
{
    if (shape().contains(event->position())) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Outside: the popover closes. On its own anchor the press is not handed on, or the
    // anchor's toggle would open it again at once.
    const bool onAnchor = m_anchor && m_anchor->isVisible() &&
                          QRect(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size())
                              .contains(event->globalPosition().toPoint());
    setAttribute(Qt::WA_NoMouseReplay, onAnchor);
    event->accept();
    close();
}

void PopoverHost::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverHost::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!m_hidingOnRequest && onDismissed)
        onDismissed();
}
