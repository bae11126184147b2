#pragma once

#include <QDateTime>
#include <QPointer>
#include <QString>

#include <optional>

class CaptureClock;
class QLabel;
class QTimer;
class QWidget;

// The small square that counts a delayed capture down in the middle of the screen.
// It never takes focus or mouse input.
class DelayCountdownHUD {
public:
    static DelayCountdownHUD& shared();

    explicit DelayCountdownHUD(CaptureClock& clock);
    ~DelayCountdownHUD();

    void show(const QDateTime& deadline);
    void dismiss();
    // Shows the whole seconds left, rounded up (3, 2, 1, then 0 until the capture runs).
    void updateLabel();

    bool isShowing() const;
    QString labelText() const;
    std::optional<QDateTime> deadline() const { return m_deadline; }
    QWidget* panel() const { return m_panel; }

    static constexpr double hudSize = 120.0;
    static constexpr double numberFontSize = 56.0;

private:
    void buildPanel();

    CaptureClock& m_clock;
    QPointer<QWidget> m_panel;
    QPointer<QLabel> m_numberLabel;
    QPointer<QTimer> m_tickTimer;
    std::optional<QDateTime> m_deadline;
};
