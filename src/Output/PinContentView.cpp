#include "Output/PinContentView.h"

#include "Core/Localization.h"
#include "Output/PinGeometry.h"
#include "Output/PinWindow.h"
#include "Output/ShadowBlur.h"
#include "Platform/FloatingWindowDesktop.h"
#include "Platform/UserDefaults.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kShadowBlur = 20.0;
constexpr double kShadowOffsetY = 6.0;
constexpr double kShadowAlpha = 0.45;

bool near(double a, double b) { return std::abs(a - b) < 0.001; }

// The round badge in the card's top right corner that closes the pin.
class PinCloseButton : public QAbstractButton {
public:
    explicit PinCloseButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFixedSize(PinContentView::closeButtonSize, PinContentView::closeButtonSize);
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QColor badge = palette().color(QPalette::Button);
        badge.setAlphaF(0.85);
        painter.setPen(Qt::NoPen);
        painter.setBrush(badge);
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(QPen(palette().color(QPalette::ButtonText), 1.6, Qt::SolidLine, Qt::RoundCap));
        const QRectF cross = QRectF(rect()).adjusted(7.5, 7.5, -7.5, -7.5);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    }
};

QPainterPath cardPath(const QRectF& card, double radius)
{
    QPainterPath path;
    const double r = std::min(radius, std::min(card.width(), card.height()) / 2.0);
    path.addRoundedRect(card, r, r);
    return path;
}

} // namespace

PinContentView::PinContentView(QImage bitmap, double pointsPerPixel, bool translucent, QWidget* parent)
    : QWidget(parent)
    , m_image(std::move(bitmap))
    , m_opacity(PinSettings::readOpacity(UserDefaults::standard()))
    , m_cornerRadius(PinSettings::readCornerRadius(UserDefaults::standard()))
    , m_shadowEnabled(PinSettings::readShadowEnabled(UserDefaults::standard()))
    , m_margin(translucent ? pinPadding : 0)
    , m_translucent(translucent)
    , m_drawsOpacity(translucent && !FloatingWindowDesktop::shared().fadesWindows())
{
    const double scale = std::isfinite(pointsPerPixel) && pointsPerPixel > 0.0 ? pointsPerPixel : 1.0;
    m_displaySize = m_image.isNull() ? QSizeF(8, 8) : QSizeF(m_image.width() * scale, m_image.height() * scale);
    setFocusPolicy(Qt::StrongFocus);
    auto* close = new PinCloseButton(this);
    connect(close, &QAbstractButton::clicked, this, [this] { window()->close(); });
    close->hide();
    m_closeButton = close;
}

QSize PinContentView::windowSizeFor(QSizeF displaySize) const
{
    return QSize(int(std::round(displaySize.width())) + 2 * m_margin,
                 int(std::round(displaySize.height())) + 2 * m_margin);
}

QRectF PinContentView::cardRect() const
{
    const QRectF available = QRectF(rect()).adjusted(m_margin, m_margin, -m_margin, -m_margin);
    if (m_image.isNull() || available.isEmpty())
        return available;
    const QSizeF fitted = QSizeF(m_image.size()).scaled(available.size(), Qt::KeepAspectRatio);
    // The window's own rounding of the card size is no change of shape.
    if (available.width() - fitted.width() < 1.0 && available.height() - fitted.height() < 1.0)
        return available;
    QRectF card(QPointF(), fitted);
    card.moveCenter(available.center());
    return card;
}

void PinContentView::applyOpacity()
{
    if (m_drawsOpacity)
        update();
    else
        window()->setWindowOpacity(m_opacity);
}


// ---- drawing ------------------------------------------------------------------------------------

const QImage& PinContentView::shadowImage()
{
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("%1x%2@%3r%4").arg(width()).arg(height()).arg(ratio).arg(m_cornerRadius);
    if (key == m_shadowKey)
        return m_shadow;
    m_shadowKey = key;
    const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
    m_shadow = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_shadow.fill(Qt::transparent);
    QImage mask(pixels, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.scale(ratio, ratio);
        painter.fillPath(cardPath(cardRect().translated(0.0, kShadowOffsetY), m_cornerRadius), Qt::black);
    }
    const double sigma = kShadowBlur / 2.0 * ratio;
    // The middle of the card covers its shadow: only the band around the edge is blurred.
    const int inset = ShadowBlur::reach(sigma) + int(std::ceil((m_cornerRadius + kShadowOffsetY) * ratio)) + 2;
    const QRect covered = QRectF(cardRect().topLeft() * ratio, cardRect().size() * ratio)
                              .toAlignedRect()
                              .adjusted(inset, inset, -inset, -inset);
    ShadowBlur::compositeShadow(m_shadow, mask, ShadowBlur::regionsAround(m_shadow.rect(), covered), sigma,
                                kShadowAlpha);
    m_shadow.setDevicePixelRatio(ratio);
    return m_shadow;
}

void PinContentView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF card = cardRect();
    if (!m_translucent) {
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, card.size() != QSizeF(m_image.size()));
        painter.drawImage(card, m_image, QRectF(m_image.rect()));
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!m_drawsOpacity || m_opacity >= 1.0) {
        paintCard(painter, card);
        return;
    }
    // Faded as a whole, as a faded window would be: the card is drawn opaque first, so
    // the white beneath the image does not show through it.
    const qreal ratio = devicePixelRatioF();
    QImage layer(QSize(qRound(width() * ratio), qRound(height() * ratio)), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        paintCard(layerPainter, card);
    }
    painter.setOpacity(m_opacity);
    painter.drawImage(QPointF(0, 0), layer);
}

void PinContentView::paintCard(QPainter& painter, const QRectF& card)
{
    if (m_shadowEnabled)
        painter.drawImage(QPointF(0, 0), shadowImage());
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPainterPath path = cardPath(card, m_cornerRadius);
    painter.fillPath(path, Qt::white);
    painter.setClipPath(path);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(card, m_image, QRectF(m_image.rect()));
}

void PinContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A frame chosen from outside (fitted to the screen, restored from the last pin)
    // sets the picture's size; a zoom's own resize keeps its unrounded size.
    if (size() != windowSizeFor(m_displaySize) && width() > 2 * m_margin && height() > 2 * m_margin)
        m_displaySize = QSizeF(width() - 2 * m_margin, height() - 2 * m_margin);
    const QRectF card = cardRect();
    m_closeButton->move(int(card.right()) - closeButtonSize - 6, int(card.top()) + 6);
}

// ---- moving, zooming, closing -------------------------------------------------------------------

void PinContentView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    window()->activateWindow();
    setFocus(Qt::MouseFocusReason);
    m_dragOriginOffset.reset();
    if (!FloatingWindowDesktop::shared().startMove(window()))
        m_dragOriginOffset = event->globalPosition() - QPointF(window()->pos());
}

void PinContentView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_dragOriginOffset)
        return;
    window()->move((event->globalPosition() - *m_dragOriginOffset).toPoint());
}

bool PinContentView::zoomByWheel(double verticalDelta)
{
    const QScreen* screen = window()->screen() ? window()->screen() : QGuiApplication::primaryScreen();
    const QRectF visible = screen ? QRectF(screen->availableGeometry()) : QRectF(0, 0, 2000, 2000);
    // The whole window, margins included, stays within the work area.
    const QSizeF limit(std::max(visible.width() - 2 * m_margin, 1.0), std::max(visible.height() - 2 * m_margin, 1.0));
    const std::optional<QSizeF> zoomed = PinGeometry::zoomedDisplaySize(m_displaySize, verticalDelta, limit);
    if (!zoomed)
        return false;
    const QSize size = windowSizeFor(*zoomed);
    const QRectF frame = PinGeometry::zoomedFrame(QRectF(window()->geometry()), QSizeF(size), visible);
    m_displaySize = *zoomed;
    if (auto* pin = qobject_cast<PinWindow*>(window()))
        pin->placeAt(QRect(frame.topLeft().toPoint(), size));
    else
        window()->setGeometry(QRect(frame.topLeft().toPoint(), size));
    return true;
}

void PinContentView::wheelEvent(QWheelEvent* event)
{
    const double delta = !event->pixelDelta().isNull() ? event->pixelDelta().y() : event->angleDelta().y();
    zoomByWheel(delta);
    event->accept();
}

void PinContentView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        window()->close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PinContentView::enterEvent(QEnterEvent* event)
{
    m_closeButton->show();
    QWidget::enterEvent(event);
}

void PinContentView::leaveEvent(QEvent* event)
{
    m_closeButton->hide();
    QWidget::leaveEvent(event);
}

// ---- the menu -----------------------------------------------------------------------------------

QMenu* PinContentView::buildContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    // Only the chosen value of a list carries a mark: a checkable item that is not chosen
    // would show an empty box in most styles. The shadow is a switch and keeps its box.
    const auto add = [this](QMenu* into, const QString& title, MenuChoice choice, double value, bool checked) {
        QAction* action = into->addAction(title);
        action->setCheckable(checked || choice == MenuChoice::shadow);
        action->setChecked(checked);
        connect(action, &QAction::triggered, this, [this, choice, value] { applyMenuChoice(choice, value); });
    };
    QMenu* opacity = menu->addMenu(localized(QStringLiteral("panel.pin.opacity")));
    for (const double v : {0.5, 0.75, 1.0})
        add(opacity, QString::number(qRound(v * 100)) + QLatin1Char('%'), MenuChoice::opacity, v,
            near(m_opacity, v));
    QMenu* radius = menu->addMenu(localized(QStringLiteral("panel.pin.cornerRadius")));
    for (const double v : {0.0, 12.0, 24.0})
        add(radius, QString::number(int(v)), MenuChoice::cornerRadius, v, near(m_cornerRadius, v));
    add(menu, localized(QStringLiteral("panel.pin.shadow")), MenuChoice::shadow, 0.0, m_shadowEnabled);
    menu->addSeparator();
    QAction* close = menu->addAction(localized(QStringLiteral("panel.pin.close")));
    connect(close, &QAction::triggered, this, [this] { applyMenuChoice(MenuChoice::close); });
    return menu;
}

void PinContentView::applyMenuChoice(MenuChoice choice, double value)
{
    switch (choice) {
    case MenuChoice::close:
        window()->close();
        return;
    case MenuChoice::opacity:
        m_opacity = value;
        applyOpacity();
        break;
    case MenuChoice::cornerRadius:
        m_cornerRadius = value;
        break;
    case MenuChoice::shadow:
        m_shadowEnabled = !m_shadowEnabled;
        break;
    }
    update();
    saveSettings();
}

void PinContentView::saveSettings()
{
    PinSettings{m_opacity, m_cornerRadius, m_shadowEnabled}.save(UserDefaults::standard());
}

void PinContentView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = buildContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
