#include "App/MainWindowController.h"

#include "App/AboutWindow.h"
#include "App/AppMenuBar.h"
#include "App/SettingsWindow.h"
#include "Base/Logger.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/ImageLoadManager.h"
#include "Platform/WindowActivation.h"
#include "Views/ContentView.h"
#include "Views/WindowFront.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

MainWindowController& MainWindowController::shared()
{
    static MainWindowController* controller = new MainWindowController();
    return *controller;
}

MainWindowController::MainWindowController(QObject* parent) : QObject(parent)
{
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &MainWindowController::saveFrame);
}

QWidget* MainWindowController::createWindow(ContentView* keep)
{
    auto* window = new QWidget();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Lumetra"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* menuBar = new QMenuBar(window);
    new AppMenuBar(menuBar, ShortcutStore::shared());
    layout->setMenuBar(menuBar);
    ContentView* content = keep;
    if (!content) {
        content = new ContentView(window);
        content->setMinimumSize(ContentView::leastSize());
        content->setShowAboutAction([] { showAboutWindow(); });
        content->setQuitAction([] { quitLumetra(); });
        m_closeSettled = false;
        // The delivery keeps the time of its last hand-over; a window built after the
        // announcement still takes a capture that is less than 5 s old.
        content->setCaptureDeliveryDate({ &CaptureDelivery::lastCaptureDeliveryDate,
                                          &CaptureDelivery::clearLastCaptureDeliveryDate });
    }
    layout->addWidget(content);
    content->show();
    m_content = content;

    window->resize(900, 450 + menuBar->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    // The frame the window had when it was last closed wins over the centring.
    if (const std::optional<QByteArray> frame = Settings::mainWindowFrame.read())
        window->restoreGeometry(*frame);
    window->installEventFilter(this);
    // A file handed over while a question closed this window opens in the next one.
    connect(window, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!m_window && ImageLoadManager::shared().pendingImageURL())
                show();
        });
    });
    return window;
}

namespace {

// The native window that stands for the widget now. Qt may have replaced the one the
// widget was first given (it does so for some changes of a window's flags), and the
// widget's own winId() still names the old one.
WindowActivation::WindowId nativeWindow(const QWidget* window)
{
    const QWindow* handle = window ? window->windowHandle() : nullptr;
    return handle && handle->handle() ? WindowActivation::WindowId(handle->winId()) : 0;
}

// The editor's own windows standing on `from` (pop-ups, tooltips, dialogs) move to `to`
// with the editor; left behind, they would go with the window they stood on. A dialog
// that was up shows again over the new window; a question that waited in a loop of its
// own ends as cancelled, so nothing is saved or thrown away unasked.
void moveOwnWindows(QWidget* from, QWidget* to)
{
    // A copy: each move takes the window out of the list.
    const QObjectList children = from->children();
    for (QObject* child : children) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !widget->isWindow())
            continue;
        const bool reopen = widget->isVisible() && widget->windowType() != Qt::Popup
                         && widget->windowType() != Qt::ToolTip;
        widget->setParent(to, widget->windowFlags());
        if (reopen) {
            QPointer<QWidget> shown(widget);
            QTimer::singleShot(0, widget, [shown] {
                if (shown)
                    shown->show();
            });
        }
    }
}

} // namespace

bool MainWindowController::windowWasDestroyed() const
{
    if (!m_window || !m_window->testAttribute(Qt::WA_WState_Created) || !nativeWindow(m_window))
        return false;
    if (m_nativeWindowGone)
        return m_nativeWindowGone(nativeWindow(m_window));
    return WindowActivation::windowDestroyed(nativeWindow(m_window));
}

void MainWindowController::rebuildDestroyedWindow()
{
    // Another program destroyed the window (Qt still holds it and would show nothing):
    // the editor, with its document and any text being typed, moves to a new window
    // where the old one was.
    Logger::shared().log(LogLevel::warning, [] {
        return QStringLiteral("🪟 The editor window was destroyed from outside; the editor opens in a new window");
    });
    QPointer<QWidget> lost = m_window;
    QPointer<QWidget> focused = lost->focusWidget();
    const QByteArray frame = lost->saveGeometry();
    lost->removeEventFilter(this);
    QWidget* window = createWindow(m_content);
    window->restoreGeometry(frame);
    moveOwnWindows(lost, window);
    m_window = window;
    lost->deleteLater();
    if (focused && m_content && m_content->isAncestorOf(focused)) {
        QTimer::singleShot(0, focused, [focused] {
            if (focused && focused->isVisible())
                focused->setFocus(Qt::OtherFocusReason);
        });
    }
}

bool MainWindowController::takeHandedOverFileInsteadOfQuitting()
{
    if (!ImageLoadManager::shared().pendingImageURL())
        return false;
    // The window stays for the file: its work counts as unsettled again.
    m_closeSettled = false;
    show();
    return true;
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close) {
        // Ctrl+W, the title bar's close button: unsaved work is asked about first, once
        // this close has returned; the window closes after a save or a discard.
        if (!m_closeSettled && m_content && m_content->viewModel()->hasUnsavedWork()) {
            event->ignore();
            QTimer::singleShot(0, this, [this] {
                settleUnsavedWork([this](bool proceed) {
                    if (proceed && m_window)
                        m_window->close();
                });
            });
            return true;
        }
        saveFrame();
    }
    return QObject::eventFilter(watched, event);
}

void MainWindowController::settleUnsavedWork(std::function<void(bool proceed)> then)
{
    if (!m_content || m_closeSettled) {
        then(true);
        return;
    }
    QPointer<MainWindowController> self(this);
    m_content->settleUnsavedWork([self, then = std::move(then)](bool proceed) {
        if (self && proceed)
            self->m_closeSettled = true;
        then(proceed);
    });
}

void MainWindowController::saveFrame()
{
    if (m_window)
        Settings::mainWindowFrame.write(m_window->saveGeometry());
}

void MainWindowController::show(bool forCapture)
{
    if (m_window && m_content && windowWasDestroyed())
        rebuildDestroyedWindow();
    if (!m_window)
        m_window = createWindow();
    if (!m_window)
        return;
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    bringWindowToFront(m_window, forCapture);
}

bool MainWindowController::applicationIsActive() const
{
    if (m_isActive)
        return m_isActive();
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void MainWindowController::activate(QWidget* window)
{
    // While a dialog of the editor is open (an alert, the save question), the dialog
    // is what takes the keys: it is the one activated.
    QWidget* target = WindowFront::raiseAndActivate(window);
    // Qt asks as an application, which focus-stealing prevention may turn down for a
    // program the user did not just click; the user asked for this window (a menu
    // item, a hot key, a file), so ask as a pager does.
    if (const WindowActivation::WindowId native = nativeWindow(target))
        WindowActivation::activate(native);
}

void MainWindowController::setFloating(QWidget* window, bool floating)
{
    m_floating = floating;
    if (!window || !window->windowHandle())
        return;
    // The window manager is asked directly. Qt's stays-on-top flag would ask it too, but
    // Qt answers a change of that flag with a new native window the next time the window
    // is shown (after a capture hid it): the editor would change windows at every capture.
    if (WindowActivation::keepAbove(nativeWindow(window), floating))
        return;
    // Elsewhere Qt's flag, set on the native window: the widget's own setWindowFlags
    // would hide and show the window again.
    const Qt::WindowFlags flags = window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, floating);
    window->overrideWindowFlags(flags);
    window->windowHandle()->setFlags(flags);
}

void MainWindowController::bringWindowToFront(QWidget* window, bool forCapture)
{
    window->show();
    activate(window);
    emit activationRequested(0.0);
    // A dialog up over the editor (the unsaved-work question, Save As) stays in front:
    // it is what the user answers first, and the window is not kept above it.
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog != window) {
        activate(dialog);
        return;
    }
    captureDiagnostic(QStringLiteral("📸 bringWindowToFront: force=%1 window=%2 canBecomeKey=%3 active=%4")
                          .arg(forCapture ? 1 : 0)
                          .arg(window->windowTitle())
                          .arg(window->isEnabled() ? 1 : 0)
                          .arg(applicationIsActive() ? 1 : 0));
    setFloating(window, true);

    if (forCapture) {
        QPointer<QWidget> weakWindow(window);
        for (const int delayMs : {100, 300, 600}) {
            QTimer::singleShot(delayMs, this, [this, weakWindow, delayMs] {
                if (!weakWindow || !weakWindow->isVisible() || applicationIsActive())
                    return;
                activate(weakWindow);
                emit activationRequested(delayMs / 1000.0);
                QWidget* key = QApplication::activeWindow();
                captureDiagnostic(QStringLiteral("📸 重申 +%1s: active=%2 key=%3")
                                      .arg(delayMs / 1000.0, 0, 'f', 1)
                                      .arg(applicationIsActive() ? 1 : 0)
                                      .arg(key ? key->windowTitle() : QStringLiteral("nil")));
            });
        }
    }

    stopPolling();
    m_floatingPollTicks = 0;
    m_floatingPollTimer = new QTimer(this);
    m_floatingPollTimer->setInterval(pollIntervalMs);
    connect(m_floatingPollTimer, &QTimer::timeout, this, &MainWindowController::floatingPollTick);
    m_floatingPollTimer->start();
}

bool MainWindowController::isPolling() const
{
    return m_floatingPollTimer && m_floatingPollTimer->isActive();
}

void MainWindowController::stopPolling()
{
    if (m_floatingPollTimer) {
        m_floatingPollTimer->stop();
        m_floatingPollTimer->deleteLater();
    }
    m_floatingPollTimer = nullptr;
}

void MainWindowController::floatingPollTick()
{
    // A closed window ends the poll; its level no longer matters.
    if (!m_window || !m_window->isVisible()) {
        stopPolling();
        return;
    }
    if (applicationIsActive()) {
        setFloating(m_window, false);
        stopPolling();
    } else if (m_floatingPollTicks == attentionTick) {
        QApplication::alert(m_window);
        emit attentionRequested();
    } else if (m_floatingPollTicks >= giveUpTick) {
        stopPolling();
        setFloating(m_window, false);
    }
    ++m_floatingPollTicks;
}

void MainWindowController::openSettingsWindow()
{
    const QKeySequence settingsKeys(Qt::CTRL | Qt::Key_Comma);
    if (m_window) {
        for (QMenuBar* bar : m_window->findChildren<QMenuBar*>()) {
            for (QAction* top : bar->actions()) {
                if (!top->menu())
                    continue;
                for (QAction* item : top->menu()->actions()) {
                    if (item->shortcut() == settingsKeys && item->isEnabled()) {
                        item->trigger();
                        return;
                    }
                }
            }
        }
    }
    // Without an editor window there is no menu bar to go through.
    showSettingsWindow();
}

void quitLumetra()
{
    MainWindowController::shared().settleUnsavedWork([](bool proceed) {
        // A file handed over while the question was up is opened, not lost with the quit.
        if (proceed && !MainWindowController::shared().takeHandedOverFileInsteadOfQuitting())
            QCoreApplication::quit();
    });
}

void openEditorWithCommandLineImage(const QStringList& arguments)
{
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        const QFileInfo file(argument);
        if (file.isFile())
            ImageLoadManager::shared().setPendingImageURL(QUrl::fromLocalFile(file.absoluteFilePath()));
        else
            Logger::shared().log(LogLevel::error, [&] { return QStringLiteral("❌ No such image file: ") + argument; });
        break;
    }
    MainWindowController::shared().show();
}
