#pragma once

#include "Platform/Pasteboard.h"

#include <atomic>

class QClipboard;
class QMimeData;

// The X11 CLIPBOARD selection through QClipboard. The change count moves once for
// each of our own writes and once for every change another program makes (Qt hears
// of those through XFixes selection events).
//
// Reads and writes belong to the main thread, as QClipboard does; changeCount() may
// be polled from any thread.
class QtPasteboard : public Pasteboard {
    Q_OBJECT
public:
    explicit QtPasteboard(QObject* parent = nullptr);

    qint64 changeCount() const override;
    std::optional<QByteArray> data(const QString& mimeType) const override;
    std::optional<QString> text() const override;

    void setItems(const QList<Item>& items) override;
    // The promised types are listed to other programs at once and made when one asks.
    void setItems(const QList<Item>& items, const QList<PromisedItem>& promised) override;
    void setText(const QString& text) override;
    void clearContents() override;

private:
    void install(QMimeData* mime);
    void onClipboardChanged();
    void noteOwnWrite();

    QClipboard* m_clipboard = nullptr;
    std::atomic<qint64> m_changeCount{0};
    // Set while we write, so the dataChanged our own write causes is not counted twice.
    bool m_writing = false;
};
