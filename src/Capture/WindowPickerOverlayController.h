#pragma once

#include "Capture/CaptureOverlaySet.h"
#include "Capture/OwnWindows.h"
#include "Platform/WindowList.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class OverlayPickerView;
class QKeyEvent;

// Runs one window pick at a time: hides Lumetra's own windows, covers each display with
// an overlay that highlights the window under the pointer, and on a click hands that
// window to the window capture. Esc or a right click cancels. The session stays active
// until the picked window has been captured, so a second start meanwhile is ignored.
class WindowPickerOverlayController : public QObject {
    Q_OBJECT
public:
    static WindowPickerOverlayController& shared();
    explicit WindowPickerOverlayController(QObject* parent = nullptr);
    ~WindowPickerOverlayController() override;

    // Starts a pick; ignored while one runs.
    void begin();
    // Takes the overlays down. With restore the hidden windows come back and the session
    // ends; without (a window was picked) it goes on until the capture has finished.
    void endSession(bool restoreHiddenWindows);
    void handlePick(const WindowRecord& window);
    // After a successful capture: every hidden window comes back, except the main window
    // when the capture goes on to the editor (the delivery brings that one forward).
    void restoreHiddenWindowsAfterCapture();
    void showNoWindowsAlert();
    // The session's key handling; true when the key was taken.
    bool handleKeyDown(QKeyEvent* event);

    bool isSessionActive() const { return m_isSessionActive; }
    QList<OverlayPickerView*> overlayViews() const;
    const OwnWindows::WindowList& hiddenWindows() const { return m_selfHiddenWindows; }

    void setMainWindowProvider(std::function<QWidget*()> provider) { m_mainWindowProvider = std::move(provider); }
    QWidget* mainWindow() const { return m_mainWindowProvider ? m_mainWindowProvider() : nullptr; }

    // The longest the programs beneath Lumetra's hidden windows get to repaint before the
    // screen is read; the wait ends sooner once the screen has stopped being drawn.
    static constexpr int repaintSettleMs = 60;
    void setRepaintSettleMsForTesting(int ms) { m_settleMs = ms; }
    // Tests hand in the candidate windows; an empty function reads the desktop's.
    void setCandidatesForTesting(std::function<QList<WindowRecord>()> candidates) { m_candidates = std::move(candidates); }

private:
    void enumerateAndPresent();
    void presentOverlays(const QList<WindowRecord>& candidates);
    void restoreHiddenWindows();

    CaptureOverlaySet<OverlayPickerView> m_overlays;
    bool m_isSessionActive = false;
    OwnWindows::WindowList m_selfHiddenWindows;
    std::function<QWidget*()> m_mainWindowProvider;
    std::function<QList<WindowRecord>()> m_candidates;
    int m_settleMs = repaintSettleMs;
};
