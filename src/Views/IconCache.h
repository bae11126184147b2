#pragma once

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

// Rendered icons by what they were rendered for (name or kind, colour, pixel size),
// so repainting a control draws no icon anew. Safe to share between threads.
template <typename Key, typename Value>
class IconCache {
public:
    // The stored value for `key`, else the one `render()` makes, stored for next time.
    template <typename Render>
    Value get(const Key& key, Render&& render)
    {
        QMutexLocker lock(&m_mutex);
        if (const auto found = m_values.constFind(key); found != m_values.constEnd())
            return *found;
        Value value = render();
        m_values.insert(key, value);
        return value;
    }

    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_values.clear();
    }

private:
    QMutex m_mutex;
    QHash<Key, Value> m_values;
};
