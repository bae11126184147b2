#include "Output/PinWindow.h"

#include "Output/PinContentView.h"
#include "Output/PinGeometry.h"
#include "Core/Settings.h"

#include <QCloseEvent>

PinWindow::PinWindow(const QImage& bitmap, qint64 fingerprint, double pointsPerPixel, bool translucent,
                     std::function<void(PinWindow*)> onRemove)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint)
    , m_fingerprint(fingerprint)
    , m_onRemove(std::move(onRemove))
{
    setWindowTitle(QStringLiteral("Lumetra Pin"));
    if (translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    m_content = new PinContentView(bitmap, pointsPerPixel, translucent, this);
    setFocusProxy(m_content);
    m_ownSize = m_content->windowSizeFor(m_content->displaySize());
    resize(m_ownSize);
    m_content->applyOpacity();
}

void PinWindow::placeAt(const QRect& frame)
{
    m_ownSize = frame.size();
    setGeometry(frame);
}

void PinWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
}

void PinWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted() || !m_onRemove)
        return;
    // Where it is, at the size it chose: a size forced on it would open the next pin
    // as large.
    QRectF frame(QPointF(0, 0), QSizeF(m_ownSize));
    frame.moveCenter(QRectF(geometry()).center());
    Settings::pinLastFrame.write(PinGeometry::frameText(frame));
    auto onRemove = std::move(m_onRemove);
    m_onRemove = nullptr;
    onRemove(this);
}
