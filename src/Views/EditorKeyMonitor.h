#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QKeyEvent;
class QWheelEvent;

// The editor window's keyboard commands. While running it watches every key of the
// application (an application event filter) and acts only on keys that reach the
// editor window. A key is decided when Qt asks whether it may become a shortcut
// (ShortcutOverride), so the editor's bindings win over menu shortcuts, and a key it
// handles never reaches a widget as a key press.
//
// Bound in-app actions are matched by the key's position (the stored key code) and the
// modifier flags, so a binding of Shift+7 matches the "7" key with Shift whatever the
// key types on this layout. Keys typed into a text field always pass through.
class KeyboardEventMonitor : public QObject {
    Q_OBJECT
public:
    // The stored key codes of the keys with a fixed meaning here.
    static constexpr quint16 returnKey = 36;
    static constexpr quint16 keypadEnterKey = 76;
    static constexpr quint16 deleteKey = 51;
    static constexpr quint16 forwardDeleteKey = 117;
    static constexpr quint16 escapeKey = 53;

    enum class Outcome { passThrough, consumed };

    explicit KeyboardEventMonitor(QObject* parent = nullptr);
    ~KeyboardEventMonitor() override;

    // Starts watching the keys of `editorWindow`; a second start while running does nothing.
    void start(QWidget* editorWindow);
    void stop();
    bool isRunning() const { return m_running; }

    // The decision for one key press that reaches `receiver` (the focused widget), with
    // its stored key code (none for a key Lumetra does not know) and modifier flags.
    // Posts the command notification the key stands for.
    Outcome handleKey(QWidget* receiver, std::optional<quint16> keyCode, quint64 modifierFlags);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_running = false;
    // The key press that follows a key this monitor took at ShortcutOverride.
    std::optional<int> m_swallowKey;
};

// The editor window's wheel: with Ctrl, zoom around the pointer; without, pan. While
// running it takes wheel events over the editor window and hands them to the closures.
class WheelZoomMonitor : public QObject {
    Q_OBJECT
public:
    // A wheel notch (15 degrees) pans this many points.
    static constexpr double pointsPerNotch = 40.0;

    enum class Outcome { passThrough, consumed };

    explicit WheelZoomMonitor(QObject* parent = nullptr);
    ~WheelZoomMonitor() override;

    // A zoom step: positive zooms in; the pointer in global coordinates.
    std::function<void(double delta, QPoint globalPosition)> onZoom;
    std::function<void(double dx, double dy)> onPan;
    // Areas of the window that keep their own wheel (a panel over the canvas).
    std::function<bool(QPoint globalPosition)> passesThroughAt;

    void start(QWidget* editorWindow);
    void stop();
    bool isRunning() const { return m_running; }

    Outcome handleWheel(QWidget* receiver, const QWheelEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_running = false;
};
