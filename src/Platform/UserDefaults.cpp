#include "Platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>

namespace {

// Data blobs are tagged so that a string that happens to look like data is never
// read back as a blob (and the other way round).
const QString kDataPrefix = QStringLiteral("data:");

std::optional<double> numberFrom(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0
            || text.compare(QStringLiteral("yes"), Qt::CaseInsensitive) == 0)
            return 1.0;
        if (text.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0
            || text.compare(QStringLiteral("no"), Qt::CaseInsensitive) == 0)
            return 0.0;
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (ok && std::isfinite(number))
            return number;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* instance = new UserDefaults(defaultFilePath());
    return *instance;
}

QString UserDefaults::defaultFilePath()
{
    const QString overrideDir = qEnvironmentVariable("LUMETRA_CONFIG_DIR");
    if (!overrideDir.isEmpty())
        return QDir(overrideDir).filePath(QStringLiteral("Lumetra.conf"));
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(base).filePath(QStringLiteral("Lumetra/Lumetra.conf"));
}

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool UserDefaults::hasStoredValue(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant UserDefaults::object(const QString& key) const
{
    if (m_settings->contains(key))
        return m_settings->value(key);
    return m_registered.value(key);
}

bool UserDefaults::boolValue(const QString& key) const
{
    const auto number = numberFrom(object(key));
    return number && *number != 0.0;
}

qint64 UserDefaults::integer(const QString& key) const
{
    const auto number = numberFrom(object(key));
    if (!number)
        return 0;
    // Out-of-range values clamp rather than overflow the conversion.
    const double truncated = std::trunc(*number);
    if (truncated >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (truncated <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(truncated);
}

double UserDefaults::doubleValue(const QString& key) const
{
    return numberFrom(object(key)).value_or(0.0);
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    const QVariant value = object(key);
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text.startsWith(kDataPrefix))
            return std::nullopt;
        return text;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return value.toString();
    default:
        return std::nullopt;
    }
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString();
    if (!text.startsWith(kDataPrefix))
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(text.mid(kDataPrefix.size()).toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

void UserDefaults::set(const QString& key, const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray) {
        setData(key, value.toByteArray());
        return;
    }
    m_settings->setValue(key, value);
    m_settings->sync();
    emit valueChanged(key);
}

void UserDefaults::setData(const QString& key, const QByteArray& data)
{
    m_settings->setValue(key, kDataPrefix + QString::fromLatin1(data.toBase64()));
    m_settings->sync();
    emit valueChanged(key);
}

void UserDefaults::remove(const QString& key)
{
    m_settings->remove(key);
    m_settings->sync();
    emit valueChanged(key);
}

QMetaObject::Connection UserDefaults::observe(const QString& key, QObject* context, std::function<void()> handler)
{
    return connect(this, &UserDefaults::valueChanged, context, [key, handler = std::move(handler)](const QString& changed) {
        if (changed == key)
            handler();
    });
}

void UserDefaults::sync()
{
    m_settings->sync();
}
