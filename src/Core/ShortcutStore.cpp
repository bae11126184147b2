#include "Core/ShortcutStore.h"

#include "Core/Notifications.h"
#include "Core/Settings.h"

#include <QJsonDocument>
#include <QJsonObject>

ShortcutStore& ShortcutStore::shared()
{
    static ShortcutStore* const instance = new ShortcutStore(UserDefaults::standard());
    return *instance;
}

ShortcutStore::ShortcutStore(UserDefaults& defaults, QObject* parent) : QObject(parent), m_defaults(defaults)
{
    loadOverrides();
    rebuildBindings();
}

void ShortcutStore::setBindings(const Bindings& bindings)
{
    m_bindings = bindings;
    emit bindingsChanged();
}

void ShortcutStore::loadOverrides()
{
    const std::optional<QByteArray> data = Settings::customShortcuts.read(m_defaults);
    if (!data)
        return;
    if (const std::optional<Overrides> kept = decodeOverrides(*data)) {
        m_userOverrides = *kept;
        saveOverrides();
    }
}

std::optional<ShortcutStore::Overrides> ShortcutStore::decodeOverrides(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;

    // One malformed member spoils the whole object: the stored data stays as it is.
    Overrides decoded;
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const std::optional<ShortcutBinding> binding = ShortcutBinding::fromJson(it.value());
        if (!binding)
            return std::nullopt;
        decoded.insert(it.key(), *binding);
    }

    Overrides kept;
    for (auto it = decoded.constBegin(); it != decoded.constEnd(); ++it) {
        if (ShortcutActions::allRawValues().contains(it.key()))
            kept.insert(it.key(), it.value());
    }
    return kept;
}

QByteArray ShortcutStore::encodeOverrides(const Overrides& overrides)
{
    QJsonObject object;
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        object.insert(it.key(), it.value().toJson());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void ShortcutStore::saveOverrides()
{
    if (m_userOverrides.isEmpty()) {
        Settings::customShortcuts.remove(m_defaults);
        return;
    }
    Settings::customShortcuts.write(encodeOverrides(m_userOverrides), m_defaults);
}

void ShortcutStore::rebuildBindings()
{
    Bindings rebuilt;
    for (ShortcutAction action : ShortcutActions::allCases()) {
        const auto it = m_userOverrides.constFind(ShortcutActions::rawValue(action));
        rebuilt.insert(action, it != m_userOverrides.constEnd() ? *it : ShortcutActions::defaultBinding(action));
    }
    setBindings(rebuilt);
}

QString ShortcutStore::displayText(ShortcutAction action) const
{
    const auto it = m_bindings.constFind(action);
    return (it != m_bindings.constEnd() ? *it : ShortcutActions::defaultBinding(action)).displayText();
}

void ShortcutStore::setOverride(ShortcutAction action, const ShortcutBinding& binding)
{
    ShortcutBinding stored = binding;
    stored.modifierFlags &= ShortcutBinding::modifierMask;
    m_userOverrides.insert(ShortcutActions::rawValue(action), stored);
    commitChange();
}

void ShortcutStore::removeOverride(ShortcutAction action)
{
    m_userOverrides.remove(ShortcutActions::rawValue(action));
    commitChange();
}

void ShortcutStore::restoreDefaults()
{
    m_userOverrides.clear();
    commitChange();
}

void ShortcutStore::commitChange()
{
    saveOverrides();
    rebuildBindings();
    NotificationCenter::defaultCenter().post(Notifications::shortcutConfigurationChanged);
}

bool ShortcutStore::actionMatching(ShortcutAction action, const ShortcutBinding& binding, ShortcutScope wantedScope,
                                   quint32 keyCode, quint64 modifierFlags)
{
    return ShortcutActions::scope(action) == wantedScope && binding.keyCode == keyCode
        && binding.modifierFlags == modifierFlags;
}

bool ShortcutStore::conflictingAction(ShortcutAction other, const ShortcutBinding& binding, ShortcutAction recording,
                                      quint32 keyCode, quint64 modifierFlags)
{
    return other != recording && binding.keyCode == keyCode && binding.modifierFlags == modifierFlags;
}

std::optional<ShortcutAction> ShortcutStore::matchingAction(ShortcutScope wantedScope, quint32 keyCode,
                                                    quint64 modifierFlags) const
{
    for (auto it = m_bindings.constBegin(); it != m_bindings.constEnd(); ++it) {
        if (actionMatching(it.key(), it.value(), wantedScope, keyCode, modifierFlags))
            return it.key();
    }
    return std::nullopt;
}

std::optional<ShortcutAction> ShortcutStore::conflictFor(ShortcutAction recording, quint32 keyCode,
                                                      quint64 modifierFlags) const
{
    for (auto it = m_bindings.constBegin(); it != m_bindings.constEnd(); ++it) {
        if (conflictingAction(it.key(), it.value(), recording, keyCode, modifierFlags))
            return it.key();
    }
    return std::nullopt;
}
