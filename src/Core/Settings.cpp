#include "Core/Settings.h"

namespace SettingKind {

bool Bool::read(const UserDefaults& defaults, const QString& key, Default fallback)
{
    return defaults.object(key).isValid() ? defaults.boolValue(key) : fallback;
}

qint64 Integer::read(const UserDefaults& defaults, const QString& key, Default fallback)
{
    return defaults.object(key).isValid() ? defaults.integer(key) : fallback;
}

double Real::read(const UserDefaults& defaults, const QString& key, Default fallback)
{
    return defaults.object(key).isValid() ? defaults.doubleValue(key) : fallback;
}

QString Text::read(const UserDefaults& defaults, const QString& key, Default fallback)
{
    return defaults.string(key).value_or(QString::fromUtf8(fallback));
}

std::optional<QString> OptionalText::read(const UserDefaults& defaults, const QString& key, Default)
{
    return defaults.string(key);
}

QVariant OptionalInteger::read(const UserDefaults& defaults, const QString& key, Default)
{
    return defaults.object(key);
}

std::optional<QByteArray> Data::read(const UserDefaults& defaults, const QString& key, Default)
{
    return defaults.data(key);
}

} // namespace SettingKind

namespace {

QVariant registeredValue(bool value) { return value; }
QVariant registeredValue(int value) { return value; }
QVariant registeredValue(double value) { return value; }
QVariant registeredValue(const char* text) { return QString::fromUtf8(text); }
QVariant registeredValue(std::nullptr_t) { return {}; }

} // namespace

void Settings::registerDefaults(UserDefaults& defaults)
{
    QVariantMap values;
#define LUMETRA_REGISTER_SETTING(id, key, kind, fallback, atStart)                                            \
    if (atStart)                                                                                                \
        values.insert(Settings::id.name(), registeredValue(Settings::id.defaultValue));
    LUMETRA_SETTINGS(LUMETRA_REGISTER_SETTING)
#undef LUMETRA_REGISTER_SETTING
    defaults.registerDefaults(values);
}
