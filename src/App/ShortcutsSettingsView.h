#pragma once

#include "App/SettingsForm.h"
#include "Core/ShortcutAction.h"

#include <QAbstractButton>
#include <QMap>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QToolButton;
class ShortcutRecorderView;
class ShortcutStore;

// A shortcut row's binding: its keys in a capsule, stronger when the user changed them.
// A click starts recording.
class BindingCapsule : public QAbstractButton {
    Q_OBJECT
public:
    explicit BindingCapsule(QWidget* parent = nullptr);
    void setBinding(const QString& keys, bool customized);
    bool isCustomized() const { return m_customized; }
    QSize sizeHint() const override;
    // Takes the focus back from the recorder that ended with a key press. The first
    // Escape after that leaves the row rather than closing the window: a user who has
    // just pressed keys into the row may still think it is recording.
    void takeFocusAfterRecording();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_customized = false;
    bool m_escapeLeaves = false;
};

// The settings window's third tab: every keyboard shortcut in five groups. The 19
// rebindable actions are rows whose keys are recorded anew by a click and a press,
// reset one by one, or all at once; the fixed keys of the menus are listed beside
// them. A rejected press, a conflict, or a global key another program holds is told
// under its row for three seconds.
class ShortcutsSettingsView : public SettingsForm {
    Q_OBJECT
public:
    struct Hint {
        ShortcutAction action;
        QString text;
        bool isWarning; // yellow; else red
        friend bool operator==(const Hint&, const Hint&) = default;
    };
    static constexpr int hintMilliseconds = 3000;

    // isHeldByAnotherProgram tells, after a global action's key was stored and grabbed
    // anew, whether the X server refused the grab because another program holds it.
    // Where the desktop gives programs no global keys, the capture rows say so and show
    // the command to bind in the desktop's keyboard settings instead of a key.
    ShortcutsSettingsView(ShortcutStore& store, std::function<bool(ShortcutAction)> isHeldByAnotherProgram,
                          bool globalKeysUnavailable = false, QWidget* parent = nullptr);

    std::optional<ShortcutAction> recordingAction() const { return m_recording; }
    std::optional<Hint> hint() const { return m_hint; }

    void beginRecording(ShortcutAction action);
    void showHint(ShortcutAction action, const QString& text, bool isWarning);
    // Back to the default; a default another action holds now is told under the row.
    void resetShortcut(ShortcutAction action);
    void restoreAllDefaults();
    // A key pressed while `action` is recorded.
    void handleRecordedKey(const QKeyEvent& event, ShortcutAction action);

    // The hint colours on a light or a dark window.
    static QColor hintColor(bool isWarning, bool darkWindow);

private:
    // The recording being ended is ended by a key press (not Escape, not a click).
    bool m_endedByKey = false;
    struct ActionRow {
        QWidget* controls = nullptr;
        BindingCapsule* capsule = nullptr;
        QPointer<ShortcutRecorderView> recorder;
        QToolButton* reset = nullptr;
        QLabel* hint = nullptr;
        QLabel* command = nullptr; // in place of the key, where there are no global keys
    };
    void placeRecorder(ActionRow& row, ShortcutAction action);

    void addActionRow(SettingsSection* section, ShortcutAction action);
    void addFixedRow(SettingsSection* section, const char* titleKey, const QString& keys);
    void setRecording(std::optional<ShortcutAction> action);
    void tellIfHeldElsewhere(ShortcutAction action);
    void refresh();

    ShortcutStore& m_store;
    std::function<bool(ShortcutAction)> m_isHeldByAnotherProgram;
    bool m_globalKeysUnavailable = false;
    QMap<ShortcutAction, ActionRow> m_rows;
    SettingsSection* m_restoreSection = nullptr;
    std::optional<ShortcutAction> m_recording;
    std::optional<Hint> m_hint;
    QTimer m_hintTimer;
};
