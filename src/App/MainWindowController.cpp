#include "App/MainWindowController.h"

#include "Capture/CaptureDelivery.h"
#include "Views/ContentView.h"

#include <QVBoxLayout>

MainWindowController& MainWindowController::shared()
{
    static MainWindowController* controller = new MainWindowController();
    return *controller;
}

MainWindowController::MainWindowController(QObject* parent) : QObject(parent) {}

QWidget* MainWindowController::createWindow()
{
    auto* window = new QWidget();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Lumetra"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* content = new ContentView(window);
    // The delivery keeps the time of its last hand-over; a window built after the
    // announcement still takes a capture that is less than 5 s old.
    content->setCaptureDeliveryDate({ &CaptureDelivery::lastCaptureDeliveryDate,
                                      &CaptureDelivery::clearLastCaptureDeliveryDate });
    layout->addWidget(content);
    window->resize(900, 450);
    m_content = content;
    return window;
}

void MainWindowController::show()
{
    if (!m_window)
        m_window = createWindow();
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
