#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "Views/ContentView.h"

#include <QTimer>

#include <functional>

// The one owner of the editor's main window. It builds the window on demand around a
// new ContentView (and so a new editor model) and brings it forward; a closed window
// is dropped, and the next show builds a fresh one at the size and place it last had.
// A window destroyed from outside is replaced on the next show by a new one around the
// same editor, its pop-ups and dialogs moved along, and a file handed over while the
// window was closing opens in a new one.
//
// Bringing it forward keeps it above other windows until Lumetra is active (or for
// 15 s at most), asks for attention after about 3 s, and for a delivered capture asks
// the window manager again at 0.1, 0.3 and 0.6 s, as focus-stealing prevention may
// refuse the first request.
class MainWindowController : public QObject {
    Q_OBJECT
public:
    static MainWindowController& shared();

    // The editor window, or nothing before the first show and after it was closed.
    QWidget* window() const { return m_window; }
    ContentView* contentView() const { return m_content; }

    // Creates the window when there is none, restores it when minimised and raises it;
    // forCapture when a capture was just delivered to it.
    void show(bool forCapture = false);

    // Settles the editor's unsaved work (ContentView::settleUnsavedWork); on a go-ahead
    // the window closes without asking again. Without a window: go ahead.
    void settleUnsavedWork(std::function<void(bool proceed)> then);
    // The window closes, and Lumetra quits, without asking about unsaved work.
    void discardUnsavedWork() { m_closeSettled = true; }

    // With a file handed over and not yet opened: keeps Lumetra running for it (the
    // window's work counts as unsettled again) and returns true.
    bool takeHandedOverFileInsteadOfQuitting();

    // Opens the Settings window through the editor's menu item bound to Ctrl+, when
    // there is one, else directly.
    void openSettingsWindow();

    static constexpr int pollIntervalMs = 300;
    static constexpr int attentionTick = 10;
    static constexpr int giveUpTick = 50;

    // For tests: the poll's state, and whether the window is kept above the others.
    bool isPolling() const;
    int floatingPollTicks() const { return m_floatingPollTicks; }
    bool isFloating() const { return m_floating; }
    // Decides whether Lumetra counts as the active application (tests).
    void setApplicationActiveProvider(std::function<bool()> provider) { m_isActive = std::move(provider); }
    // Runs one poll tick at once (tests).
    void pollTickForTesting() { floatingPollTick(); }
    // Decides whether a native window (the display server's id) was destroyed from
    // outside (tests).
    void setNativeWindowGoneProvider(std::function<bool(quint64 nativeWindow)> provider)
    {
        m_nativeWindowGone = std::move(provider);
    }

signals:
    // Each request to the window manager to activate the window (tests follow them).
    void activationRequested(double delaySeconds);
    void attentionRequested();

private:
    explicit MainWindowController(QObject* parent = nullptr);
    // A new window around `keep`, else around a new editor.
    QWidget* createWindow(ContentView* keep = nullptr);
    bool windowWasDestroyed() const;
    void rebuildDestroyedWindow();
    void bringWindowToFront(QWidget* window, bool forCapture);
    void activate(QWidget* window);
    void setFloating(QWidget* window, bool floating);
    void floatingPollTick();
    void stopPolling();
    void saveFrame();
    bool applicationIsActive() const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> m_window;
    QPointer<ContentView> m_content;
    QPointer<QTimer> m_floatingPollTimer;
    int m_floatingPollTicks = 0;
    bool m_floating = false;
    std::function<bool()> m_isActive;
    std::function<bool(quint64)> m_nativeWindowGone;
    bool m_closeSettled = false;
};

// Quits Lumetra once the editor's unsaved work is saved or discarded (Ctrl+Q, the
// tray's and the context menu's Quit); nothing happens when the user cancels.
void quitLumetra();

// Shows the editor window and opens in it the first image file named in `arguments`
// (the program's arguments; options beginning with "-" are left to their owners).
void openEditorWithCommandLineImage(const QStringList& arguments);
