#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

// Settings storage with registered defaults and typed reads that follow the
// absent-value rules the callers rely on: a missing or unconvertible bool reads
// false, a number 0, and a string or data blob reads as absent.
//
// Every write reaches the file at once, so another instance over the same file (or
// the next run) sees it. Reads and writes are safe from any thread; valueChanged is
// emitted on the writing thread.
//
// Stored in an INI file under $XDG_CONFIG_HOME/Lumetra/, or under
// $LUMETRA_CONFIG_DIR when that is set (every test uses its own).
class UserDefaults : public QObject {
    Q_OBJECT
public:
    static UserDefaults& standard();

    // A store over one file; the shared instance uses defaultFilePath().
    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    static QString defaultFilePath();

    // Registered values answer reads while nothing is stored; they are never written.
    void registerDefaults(const QVariantMap& defaults);

    // The stored value, else the registered one, else an invalid QVariant.
    QVariant object(const QString& key) const;
    bool hasStoredValue(const QString& key) const;

    bool boolValue(const QString& key) const;
    qint64 integer(const QString& key) const;
    double doubleValue(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;

    // An invalid QVariant removes the key; a QByteArray is stored as a data blob.
    void set(const QString& key, const QVariant& value);
    void setData(const QString& key, const QByteArray& data);
    void remove(const QString& key);

    // Calls handler whenever key is written or removed, for as long as context lives
    // (without a context, for as long as this store lives).
    QMetaObject::Connection observe(const QString& key, QObject* context, std::function<void()> handler);

    void sync();

signals:
    void valueChanged(const QString& key);

private:
    void store(const QString& key, const QVariant& value);
    void writeToDisk();

    // Reads may come from worker threads; QSettings itself is not shared-safe.
    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    // Where the settings live for this run alone when the real file cannot be used.
    std::unique_ptr<QTemporaryDir> m_memoryOnly;
    QVariantMap m_registered;
    bool m_reportedWriteFailure = false;
};
