#pragma once

#include "Platform/Pasteboard.h"

#include <QMutex>

// A pasteboard that lives inside the process: what model and controller tests
// install with Pasteboard::setGeneralForTesting(). Every write, including clearing,
// is one change, exactly as with the system clipboard. Safe to use from any thread.
class InMemoryPasteboard : public Pasteboard {
    Q_OBJECT
public:
    explicit InMemoryPasteboard(QObject* parent = nullptr);

    qint64 changeCount() const override;
    std::optional<QByteArray> data(const QString& mimeType) const override;
    std::optional<QString> text() const override;

    using Pasteboard::setItems;
    void setItems(const QList<Item>& items) override;
    void setText(const QString& text) override;
    void clearContents() override;

    // The items as last written, in order.
    QList<Item> items() const;

private:
    void replace(const QList<Item>& items);

    mutable QMutex m_mutex;
    QList<Item> m_items;
    qint64 m_changeCount = 0;
};
