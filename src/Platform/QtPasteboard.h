#pragma once

#include "Platform/Pasteboard.h"

#include <QHash>

#include <atomic>
#include <memory>

class QClipboard;
class QMimeData;
class WaylandDataControl;

// The X11 CLIPBOARD selection through QClipboard. The change count moves once for
// each of our own writes and once for every change another program makes (Qt hears
// of those through XFixes selection events).
//
// In a Wayland session whose compositor offers data-control, our writes go through it
// (see WaylandDataControl): Qt's own way needs an input serial newer than the last copy
// of any other program, which a capture started from a compositor key binding lacks.
// While such a write holds the clipboard, reads answer from what we wrote. Without
// data-control a write there is not known to reach other programs.
//
// Reads and writes belong to the main thread, as QClipboard does; changeCount() may
// be polled from any thread.
class QtPasteboard : public Pasteboard {
    Q_OBJECT
public:
    explicit QtPasteboard(QObject* parent = nullptr);
    ~QtPasteboard() override;

    qint64 changeCount() const override;
    std::optional<QByteArray> data(const QString& mimeType) const override;
    std::optional<QString> text() const override;

    void setItems(const QList<Item>& items) override;
    // The promised types are listed to other programs at once and made when one asks.
    void setItems(const QList<Item>& items, const QList<PromisedItem>& promised) override;
    void setText(const QString& text) override;
    void clearContents() override;
    bool reachesOtherPrograms() const override { return m_reachesOthers; }

private:
    // What a write through data-control offered, kept while it holds the clipboard.
    struct Own {
        QList<Item> items;
        QList<PromisedItem> promised;
        mutable QHash<QString, QByteArray> made;
        quint64 offer = 0; // its number with data-control
    };

    void install(QMimeData* mime);
    bool setThroughDataControl(const QList<Item>& items, const QList<PromisedItem>& promised);
    std::optional<QByteArray> ownData(const QString& mimeType) const;
    void onDataControlLost(quint64 offer);
    void onClipboardChanged();
    void noteOwnWrite();

    QClipboard* m_clipboard = nullptr;
    std::atomic<qint64> m_changeCount{0};
    // Set while we write, so the dataChanged our own write causes is not counted twice.
    bool m_writing = false;
    bool m_reachesOthers = true;
    std::unique_ptr<WaylandDataControl> m_dataControl;
    std::optional<Own> m_own;
};
