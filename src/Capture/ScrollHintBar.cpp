#include "Capture/ScrollHintBar.h"

#include "Capture/OwnWindows.h"
#include "Core/Localization.h"

#include <QBitmap>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {

QFont barFont(const QFont& base, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(12);
    font.setWeight(weight);
    return font;
}

} // namespace

void ScrollHintModel::setWidthPx(int value)
{
    m_widthPx = value;
    emit changed();
}

void ScrollHintModel::setHeightPx(int value)
{
    m_heightPx = value;
    emit changed();
}

void ScrollHintModel::setLimitReached(bool value)
{
    m_limitReached = value;
    emit changed();
}

ScrollHintBarView::ScrollHintBarView(ScrollHintModel& model, std::function<void()> onDone, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                  | Qt::X11BypassWindowManagerHint)
    , m_model(model)
    , m_onDone(std::move(onDone))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setProperty(OwnWindows::captureChromeProperty, true);
    setWindowTitle(QStringLiteral("Lumetra Scroll Capture"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(10);
    m_status = new QLabel(this);
    m_status->setFont(barFont(font(), QFont::Medium));
    m_status->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    auto* rule = new QWidget(this);
    rule->setFixedSize(1, 14);
    rule->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 77);"));
    m_size = new QLabel(this);
    QFont sizeFont = barFont(font(), QFont::Medium);
    sizeFont.setStyleHint(QFont::Monospace);
    sizeFont.setFamily(QStringLiteral("monospace"));
    m_size->setFont(sizeFont);
    m_size->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 191); background: transparent;"));
    m_done = new QPushButton(this);
    m_done->setFont(barFont(font(), QFont::DemiBold));
    m_done->setFocusPolicy(Qt::NoFocus);
    m_done->setCursor(Qt::PointingHandCursor);
    m_done->setStyleSheet(QStringLiteral("QPushButton { color: black; background: white; border: none;"
                                         " border-radius: 9px; padding: 3px 10px; }"
                                         "QPushButton:pressed { background: #d8d8d8; }"));
    connect(m_done, &QPushButton::clicked, this, [this] {
        if (m_onDone)
            m_onDone();
    });
    layout->addWidget(m_status, 0, Qt::AlignVCenter);
    layout->addWidget(rule, 0, Qt::AlignVCenter);
    layout->addWidget(m_size, 0, Qt::AlignVCenter);
    layout->addWidget(m_done, 0, Qt::AlignVCenter);

    connect(&m_model, &ScrollHintModel::changed, this, &ScrollHintBarView::refresh);
    refresh();
}

QString ScrollHintBarView::statusText() const
{
    return localized(m_model.limitReached() ? QStringLiteral("scrollCapture.limitReached")
                                            : QStringLiteral("scrollCapture.hint.autoRecording"));
}

QString ScrollHintBarView::sizeText() const
{
    return QStringLiteral("%1 × %2 px").arg(m_model.widthPx()).arg(m_model.heightPx());
}

void ScrollHintBarView::refresh()
{
    m_status->setText(statusText());
    m_size->setText(sizeText());
    m_done->setText(localized(QStringLiteral("scrollCapture.complete")));
    // A longer text widens the bar rather than being cut.
    adjustSize();
}

void ScrollHintBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Without a compositor the corners outside the capsule would show opaque: the
    // window itself takes the capsule's shape.
    QBitmap shape(size());
    shape.fill(Qt::color0);
    QPainter painter(&shape);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
    painter.end();
    setMask(shape);
}

void ScrollHintBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.78));
    painter.drawRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
}
