#include "Platform/InMemoryPasteboard.h"

#include <algorithm>

InMemoryPasteboard::InMemoryPasteboard(QObject* parent)
    : Pasteboard(parent)
{
}

qint64 InMemoryPasteboard::changeCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_changeCount;
}

std::optional<QByteArray> InMemoryPasteboard::data(const QString& mimeType) const
{
    QMutexLocker lock(&m_mutex);
    for (const Item& item : m_items) {
        if (item.first == mimeType)
            return item.second;
    }
    return std::nullopt;
}

std::optional<QString> InMemoryPasteboard::text() const
{
    const auto bytes = data(textType);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes);
}

void InMemoryPasteboard::setItems(const QList<Item>& items)
{
    replace(items);
}

void InMemoryPasteboard::setText(const QString& text)
{
    replace({Item(textType, text.toUtf8())});
}

void InMemoryPasteboard::clearContents()
{
    replace({});
}

QList<Pasteboard::Item> InMemoryPasteboard::items() const
{
    QMutexLocker lock(&m_mutex);
    return m_items;
}

void InMemoryPasteboard::replace(const QList<Item>& items)
{
    {
        QMutexLocker lock(&m_mutex);
        // A type listed twice keeps its last bytes, as the system clipboard does.
        m_items.clear();
        for (const Item& item : items) {
            auto kept = std::find_if(m_items.begin(), m_items.end(),
                                     [&](const Item& k) { return k.first == item.first; });
            if (kept != m_items.end())
                kept->second = item.second;
            else
                m_items.append(item);
        }
        ++m_changeCount;
    }
    // Emitted outside the lock: a handler may read the pasteboard at once.
    emit changed();
}
