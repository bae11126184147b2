#pragma once

#include "Capture/CaptureOverlaySet.h"
#include "Capture/FrozenScreenRecord.h"
#include "Capture/OwnWindows.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>

class QKeyEvent;
#include "Capture/SelectionOverlayView.h"

// Runs one area selection at a time: remembers the active window, hides Lumetra's own
// windows, freezes every display, covers each with an overlay and waits for a drag.
// A finished drag is cropped from the frozen picture, put on the clipboard as PNG,
// remembered for "repeat last capture" and delivered. Also repeats the last area.
class SelectionOverlayController : public QObject {
    Q_OBJECT
public:
    static SelectionOverlayController& shared();
    explicit SelectionOverlayController(QObject* parent = nullptr);
    ~SelectionOverlayController() override;

    // Starts an area selection; ignored while a session (or a repeat) runs.
    void rememberFrontmostApp();
    // Captures the last area again at once, without overlays. Where there is no last
    // area, or it lies on no display any more (its record is then cleared), an area
    // selection starts instead.
    void repeatLastSelection();

    void presentOverlays(std::optional<QList<FrozenScreenRecord>> records);
    void cancelSession();
    void finishSelection(const QRectF& selection, const FrozenScreenRecord& record);
    // The session's key handling; true when the key was taken.
    bool handleKeyDown(QKeyEvent* event);

    bool isSessionActive() const { return m_isSessionActive; }
    QList<SelectionOverlayView*> overlayViews() const { return m_overlays.views(); }
    SelectionOverlayView* loupeActiveView() const { return m_loupeActiveView; }

    // The editor's main window, which a delivered capture brings forward itself (set
    // by the application shell).
    void setMainWindowProvider(std::function<QWidget*()> provider) { m_mainWindowProvider = std::move(provider); }

    // The longest the programs beneath Lumetra's hidden windows get to repaint before the
    // screen is read; the wait ends sooner once the screen has stopped being drawn.
    static constexpr int repaintSettleMs = 60;
    void setRepaintSettleMsForTesting(int ms) { m_settleMs = ms; }

private:
    void freezeAndPresent();
    SelectionOverlayView* makeOverlayWindow(const FrozenScreenRecord& record);
    void endSession(bool restoreHiddenWindows);
    void restoreHiddenWindows();
    void giveActivationBack(const QString& reason);
    void refusedByDesktop();
    void unansweredByDesktop();
    void selectAreaInstead();
    void prepareAndCaptureLastSelection(const QRectF& rect, std::uint32_t displayNumber,
                                        const OwnWindows::WindowList& hidden);
    void captureLastSelection(const QRectF& rect, std::uint32_t displayNumber);
    void completeSelection(const std::optional<QByteArray>& png, const QRectF& selection, std::uint32_t displayNumber,
                           QSize cropSize, bool opensEditor);

    CaptureOverlaySet<SelectionOverlayView> m_overlays;
    bool m_isSessionActive = false;
    OwnWindows::WindowList m_selfHiddenWindows;
    std::optional<std::uint32_t> m_previousFrontmost;
    QPointer<SelectionOverlayView> m_loupeActiveView;
    std::function<QWidget*()> m_mainWindowProvider;
    int m_settleMs = repaintSettleMs;
    // Names the one encoding whose result may still be taken; an older result is dropped.
    quint64 m_encodingTicket = 0;
};
