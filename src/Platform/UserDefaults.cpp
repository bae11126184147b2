#include "Platform/UserDefaults.h"

#include "Base/Logger.h"
#include "Platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace {

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
    static UserDefaults* instance = [] {
        const QString path = defaultFilePath();
        // Qt's own dialogs keep their state in settings of their own (the file dialog its
        // last folder and view, in QtProject.conf): beside Lumetra's, so that one folder
        // holds all Lumetra writes, and a run with a folder of its own leaves the user's
        // configuration alone.
        const QString folder = QFileInfo(path).absolutePath();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
        return new UserDefaults(path);
    }();
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
    // Reading a FIFO would hold the start for good, and a folder or a device is no
    // settings file: whatever stands there is moved aside and the defaults apply.
    QString aside;
    switch (RegularFile::setAsideIfUnusable(filePath, &aside)) {
    case RegularFile::Standing::absentOrRegular:
        break;
    case RegularFile::Standing::setAside:
        Logger::shared().log(LogLevel::warning, [&] {
            return QStringLiteral("⚠️ The settings file %1 is not a regular file; it was moved to %2 and the defaults are used")
                .arg(filePath, aside);
        });
        break;
    case RegularFile::Standing::unusable:
        Logger::shared().log(LogLevel::warning, [&] {
            return QStringLiteral("⚠️ The settings file %1 is not a regular file and cannot be moved aside; the defaults are used and nothing is kept")
                .arg(filePath);
        });
        m_memoryOnly = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<QSettings>(m_memoryOnly->filePath(QStringLiteral("Lumetra.conf")), QSettings::IniFormat);
        return;
    }
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool UserDefaults::hasStoredValue(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->contains(key);
}

QVariant UserDefaults::object(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
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
    if (!number || std::isnan(*number))
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
    case QMetaType::QString:
        return value.toString();
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
    // Blobs are stored as QSettings byte arrays ("@ByteArray(...)" in the file), which
    // keeps them apart from strings: a string never reads back as data, nor the reverse.
    const QVariant value = object(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

void UserDefaults::set(const QString& key, const QVariant& value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    store(key, value);
}

void UserDefaults::setData(const QString& key, const QByteArray& data)
{
    store(key, QVariant(data));
}

void UserDefaults::remove(const QString& key)
{
    {
        QMutexLocker lock(&m_mutex);
        m_settings->remove(key);
        writeToDisk();
    }
    emit valueChanged(key);
}

void UserDefaults::store(const QString& key, const QVariant& value)
{
    {
        QMutexLocker lock(&m_mutex);
        m_settings->setValue(key, value);
        writeToDisk();
    }
    // Outside the lock: observers read the new value straight away.
    emit valueChanged(key);
}

void UserDefaults::writeToDisk()
{
    m_settings->sync();
    // A format error only means unreadable lines were dropped; the file is written anyway.
    if (m_settings->status() == QSettings::AccessError && !m_reportedWriteFailure) {
        m_reportedWriteFailure = true;
        const QString path = m_settings->fileName();
        Logger::shared().log(LogLevel::warning, [&] {
            return QStringLiteral("⚠️ 设置无法写入 %1，本次运行中的修改不会保留").arg(path);
        });
    }
}

QMetaObject::Connection UserDefaults::observe(const QString& key, QObject* context, std::function<void()> handler)
{
    return connect(this, &UserDefaults::valueChanged, context ? context : this, [key, handler = std::move(handler)](const QString& changed) {
        if (changed == key)
            handler();
    });
}

void UserDefaults::sync()
{
    QMutexLocker lock(&m_mutex);
    m_settings->sync();
}
