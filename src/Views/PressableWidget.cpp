#include "Views/PressableWidget.h"

#include <QEnterEvent>
#include <QMouseEvent>

PressableWidget::PressableWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_Hover);
}

void PressableWidget::click()
{
    if (isEnabled())
        emit clicked();
}

void PressableWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    update();
    event->accept();
}

void PressableWidget::mouseMoveEvent(QMouseEvent* event)
{
    const bool pressed = rect().contains(event->position().toPoint()) && (event->buttons() & Qt::LeftButton);
    if (m_pressed != pressed) {
        m_pressed = pressed;
        update();
    }
    event->accept();
}

void PressableWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool wasPressed = m_pressed;
    m_pressed = false;
    update();
    event->accept();
    if (wasPressed && rect().contains(event->position().toPoint()))
        click();
}

void PressableWidget::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void PressableWidget::leaveEvent(QEvent* event)
{
    m_hovered = false;
    m_pressed = false;
    update();
    QWidget::leaveEvent(event);
}

void PressableWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_pressed = false;
        update();
    }
    QWidget::changeEvent(event);
}
