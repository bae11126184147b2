#pragma once

#include "Core/ShortcutAction.h"
#include "Core/ShortcutBinding.h"

#include <QWidget>

#include <functional>
#include <optional>

class QKeyEvent;
class ShortcutStore;

// Judging one key press made while a shortcut is being recorded.
namespace ShortcutRecorder {

enum class Verdict {
    ignored,   // a modifier key alone: nothing happens, recording goes on
    cancelled, // Escape, whatever the modifiers: recording ends, nothing is stored
    invalid,   // a key that cannot be recorded, or a global key without Ctrl, Alt or
               // Super (it would take that key from every program): recording goes on
    conflict,  // another action or an editor menu command holds the combination:
               // recording ends, nothing is stored
    accepted,  // the combination may be stored for the action
};

struct Judgement {
    Verdict verdict = Verdict::ignored;
    // The combination pressed (accepted and conflicting presses).
    ShortcutBinding binding;
    // The action that holds it (conflicts): the first in declaration order.
    std::optional<ShortcutAction> holder;
    // Or the editor's menu command that holds it for good (its title key).
    QString fixedHolderTitleKey;
};

// A combination an editor menu command answers to for good (Ctrl+1 is Actual Size): no
// action may take it, for a global key would take it from the editor too.
struct FixedKey {
    quint16 keyCode;
    quint64 modifierFlags;
    const char* titleKey;
};
const QList<FixedKey>& editorFixedKeys();

// The 48 keys of the US layout that type a character of their own (letters, digits,
// punctuation, space); Return, Tab, Backspace, Escape and every key beyond them are not.
bool isRecordableKey(quint16 keyCode);

// A press of the key at keyCode (none: a key Lumetra has no code for) with these flag
// bits while `action` is being recorded; qtKey tells a modifier key pressed alone.
Judgement judge(const ShortcutStore& store, ShortcutAction action, int qtKey, std::optional<quint16> keyCode,
                quint64 modifierFlags);
// The same for a key event of the desktop (its key by position, its modifiers).
Judgement judge(const ShortcutStore& store, ShortcutAction action, const QKeyEvent& event);

} // namespace ShortcutRecorder

// Where a shortcut row takes its key press: a dashed capsule that asks to press the new
// keys. Once placed it takes the keyboard focus and, while its window is active, the
// whole keyboard, so that a combination the desktop or another program (or Lumetra's
// own hot keys) would take still arrives here. Every press goes to onKeyDown and no
// further: Tab does not move the focus, Escape does not close the window.
class ShortcutRecorderView : public QWidget {
    Q_OBJECT
    // The width its prompt needs and the width it has (the layout probe reads them).
    Q_PROPERTY(int neededTextWidth READ neededTextWidth)
    Q_PROPERTY(int availableTextWidth READ availableTextWidth)
public:
    explicit ShortcutRecorderView(std::function<void(QKeyEvent&)> onKeyDown, QWidget* parent = nullptr);
    ~ShortcutRecorderView() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    int neededTextWidth() const;
    int availableTextWidth() const { return width() - 2 * kTextInset; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kTextInset = 8;

    void takeKeyboard();
    void releaseTakenKeyboard();

    std::function<void(QKeyEvent&)> m_onKeyDown;
    QString m_text;
    bool m_grabbing = false;
};
