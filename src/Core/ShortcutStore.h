#pragma once

#include "Core/ShortcutAction.h"
#include "Core/ShortcutBinding.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

class UserDefaults;

// The effective key binding of every shortcut action: the user's override where one
// is stored under "customShortcuts", else the action's default. Every change is saved,
// the bindings rebuilt, and "ShortcutConfigurationChanged" posted, in that order.
class ShortcutStore : public QObject {
    Q_OBJECT
public:
    // Keyed by action, so iteration runs in declaration order of ShortcutAction.
    using Bindings = QMap<ShortcutAction, ShortcutBinding>;
    // Keyed by action raw value, as stored.
    using Overrides = QMap<QString, ShortcutBinding>;

    static ShortcutStore& shared();

    // Loads the overrides stored in defaults and builds the bindings.
    explicit ShortcutStore(UserDefaults& defaults, QObject* parent = nullptr);

    const Bindings& bindings() const { return m_bindings; }
    // Replaces the published bindings and announces bindingsChanged().
    void setBindings(const Bindings& bindings);

    const Overrides& userOverrides() const { return m_userOverrides; }
    // Replaces the overrides only; callers save, rebuild and announce afterwards.
    void setUserOverrides(const Overrides& overrides) { m_userOverrides = overrides; }

    // Reads "customShortcuts". Stored data that does not decode leaves the overrides as
    // they are and the data in place; decoded data is kept for current actions only
    // and written back in its cleaned form.
    void loadOverrides();
    // Writes the overrides, or removes "customShortcuts" when there are none.
    void saveOverrides();
    // The stored form and its reading, without the store: the overrides of current
    // actions that `data` holds, or nothing when it does not decode as a whole.
    static std::optional<Overrides> decodeOverrides(const QByteArray& data);
    static QByteArray encodeOverrides(const Overrides& overrides);
    // One entry per action: its override, else its default.
    void rebuildBindings();

    // The text of the action's binding (its default when it has no entry).
    QString displayText(ShortcutAction action) const;

    // The complete changes the settings make: each saves, rebuilds and announces.
    void setOverride(ShortcutAction action, const ShortcutBinding& binding);
    void removeOverride(ShortcutAction action);
    void restoreDefaults();

    // Whether a bound action answers a key press wanted in scope.
    static bool actionMatching(ShortcutAction action, const ShortcutBinding& binding, ShortcutScope wantedScope,
                               quint32 keyCode, quint64 modifierFlags);
    // Whether another action already uses the key being recorded for `recording`.
    static bool conflictingAction(ShortcutAction other, const ShortcutBinding& binding, ShortcutAction recording,
                                  quint32 keyCode, quint64 modifierFlags);

    // The first action, in declaration order, whose binding answers the key press.
    std::optional<ShortcutAction> matchingAction(ShortcutScope wantedScope, quint32 keyCode, quint64 modifierFlags) const;
    // The first other action, in declaration order, bound to the key being recorded.
    std::optional<ShortcutAction> conflictFor(ShortcutAction recording, quint32 keyCode, quint64 modifierFlags) const;

signals:
    void bindingsChanged();

private:
    void commitChange();

    UserDefaults& m_defaults;
    Bindings m_bindings;
    Overrides m_userOverrides;
};
