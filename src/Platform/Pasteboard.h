#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>

#include <optional>

// The general clipboard as the editor and capture code see it: typed data items and
// a change count that moves on every change, ours or another program's.
class Pasteboard : public QObject {
    Q_OBJECT
public:
    static inline const QString pngType = QStringLiteral("image/png");
    static inline const QString tiffType = QStringLiteral("image/tiff");
    static inline const QString textType = QStringLiteral("text/plain");

    using Item = QPair<QString, QByteArray>; // MIME type, bytes
    // A type offered without its bytes yet: `make` runs (on the main thread) only when
    // a program asks for that type, so a costly encoding is done only if it is wanted.
    struct PromisedItem {
        QString mimeType;
        std::function<QByteArray()> make;
    };

    // The process-wide clipboard (QClipboard-backed); tests may install another.
    static Pasteboard& general();
    static void setGeneralForTesting(Pasteboard* pasteboard);

    explicit Pasteboard(QObject* parent = nullptr) : QObject(parent) {}

    virtual qint64 changeCount() const = 0;
    virtual std::optional<QByteArray> data(const QString& mimeType) const = 0;
    virtual std::optional<QString> text() const = 0;

    // Replaces the whole contents with these items (one change).
    virtual void setItems(const QList<Item>& items) = 0;
    // The same, with more types promised. Here the promises are kept at once; a
    // clipboard shared with other programs keeps them when it is asked.
    virtual void setItems(const QList<Item>& items, const QList<PromisedItem>& promised);
    virtual void setText(const QString& text) = 0;
    virtual void clearContents() = 0;
    // Whether the last write is known to be on the clipboard other programs paste from. A
    // Wayland compositor may drop it unsaid (see QtPasteboard); reads here still find it.
    virtual bool reachesOtherPrograms() const { return true; }

signals:
    void changed();
};
