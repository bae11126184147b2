#include "Platform/QtPasteboard.h"

#include "Base/Logger.h"
#include "Platform/WaylandDataControl.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QMimeData>

#include <limits>

namespace {

// Another program may offer an image only in a format of its own (image/bmp,
// image/jpeg ...). Qt decodes any of them; re-encode to the type asked for.
std::optional<QByteArray> encodedImage(const QMimeData& mime, const QString& mimeType)
{
    const char* format = nullptr;
    if (mimeType == Pasteboard::pngType)
        format = "PNG";
    else if (mimeType == Pasteboard::tiffType)
        format = "TIFF";
    if (!format)
        return std::nullopt;
    QImage image;
    if (mime.hasImage())
        image = qvariant_cast<QImage>(mime.imageData());
    for (const QString& offered : mime.formats()) {
        if (!image.isNull())
            break;
        if (offered.startsWith(QLatin1String("image/")))
            image = QImage::fromData(mime.data(offered));
    }
    if (image.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return std::nullopt;
    return bytes;
}

// Mime data whose promised types are made the first time they are asked for (another
// program pasting, or reading the clipboard's list of types and then one of them).
class PromisingMimeData final : public QMimeData {
public:
    explicit PromisingMimeData(const QList<Pasteboard::PromisedItem>& promised)
    {
        for (const Pasteboard::PromisedItem& item : promised)
            m_promised.insert(item.mimeType, item.make);
    }

    QStringList formats() const override
    {
        QStringList all = QMimeData::formats();
        for (auto it = m_promised.constBegin(); it != m_promised.constEnd(); ++it)
            if (!all.contains(it.key()))
                all << it.key();
        return all;
    }
    bool hasFormat(const QString& mimeType) const override
    {
        return m_promised.contains(mimeType) || QMimeData::hasFormat(mimeType);
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        const auto promise = m_promised.constFind(mimeType);
        if (promise == m_promised.constEnd())
            return QMimeData::retrieveData(mimeType, type);
        if (!m_made.contains(mimeType))
            m_made.insert(mimeType, *promise ? (*promise)() : QByteArray());
        return m_made.value(mimeType);
    }

private:
    QHash<QString, std::function<QByteArray()>> m_promised;
    mutable QHash<QString, QByteArray> m_made;
};

} // namespace

QtPasteboard::QtPasteboard(QObject* parent)
    : Pasteboard(parent)
    , m_clipboard(QGuiApplication::clipboard())
{
    // Without a GUI application there is no clipboard: reads find nothing, writes are dropped.
    if (m_clipboard)
        connect(m_clipboard, &QClipboard::dataChanged, this, &QtPasteboard::onClipboardChanged);
    if (m_clipboard && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        m_dataControl = WaylandDataControl::connect();
        if (m_dataControl)
            connect(m_dataControl.get(), &WaylandDataControl::selectionLost, this, &QtPasteboard::onDataControlLost);
        const bool offered = m_dataControl != nullptr;
        Logger::shared().log(LogLevel::info, [offered] {
            return offered ? QStringLiteral("📋 The compositor offers data-control: the clipboard is set through it")
                           : QStringLiteral("📋 The compositor offers no data-control: the clipboard is set as Qt sets it, "
                                            "which the compositor may refuse");
        });
    }
}

QtPasteboard::~QtPasteboard() = default;

qint64 QtPasteboard::changeCount() const
{
    return m_changeCount.load();
}

std::optional<QByteArray> QtPasteboard::data(const QString& mimeType) const
{
    if (m_own)
        return ownData(mimeType);
    const QMimeData* mime = m_clipboard ? m_clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!mime)
        return std::nullopt;
    if (mime->hasFormat(mimeType)) {
        const QByteArray bytes = mime->data(mimeType);
        // An owner that lists a type but then fails to deliver it has nothing for us.
        if (!bytes.isEmpty())
            return bytes;
    }
    return encodedImage(*mime, mimeType);
}

std::optional<QByteArray> QtPasteboard::ownData(const QString& mimeType) const
{
    for (const Item& item : m_own->items)
        if (item.first == mimeType)
            return item.second;
    for (const PromisedItem& item : m_own->promised) {
        if (item.mimeType != mimeType)
            continue;
        if (!m_own->made.contains(mimeType))
            m_own->made.insert(mimeType, item.make ? item.make() : QByteArray());
        return m_own->made.value(mimeType);
    }
    return std::nullopt;
}

std::optional<QString> QtPasteboard::text() const
{
    if (m_own) {
        const std::optional<QByteArray> bytes = ownData(textType);
        return bytes ? std::optional<QString>(QString::fromUtf8(*bytes)) : std::nullopt;
    }
    const QMimeData* mime = m_clipboard ? m_clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!mime || !mime->hasText())
        return std::nullopt;
    return mime->text();
}

void QtPasteboard::setItems(const QList<Item>& items)
{
    setItems(items, {});
}

void QtPasteboard::setItems(const QList<Item>& items, const QList<PromisedItem>& promised)
{
    if (!m_clipboard)
        return;
    if (items.isEmpty() && promised.isEmpty()) {
        clearContents();
        return;
    }
    if (setThroughDataControl(items, promised))
        return;
    auto* mime = promised.isEmpty() ? new QMimeData() : new PromisingMimeData(promised);
    for (const Item& item : items) {
        if (item.first == textType)
            mime->setText(QString::fromUtf8(item.second)); // also offered as UTF8_STRING and STRING
        else
            mime->setData(item.first, item.second);
    }
    install(mime);
}

void QtPasteboard::install(QMimeData* mime)
{
    m_own.reset();
    m_writing = true;
    m_clipboard->setMimeData(mime, QClipboard::Clipboard); // the clipboard owns mime now
    m_writing = false;
    // A Wayland compositor drops a selection whose input serial is older than another
    // program's copy, without a word to us (Qt still thinks it holds it): without
    // data-control, whether the write got there is not known.
    m_reachesOthers = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    noteOwnWrite();
}

bool QtPasteboard::setThroughDataControl(const QList<Item>& items, const QList<PromisedItem>& promised)
{
    if (!m_dataControl)
        return false;
    const quint64 offer = m_dataControl->setSelection(items, promised);
    if (offer == 0) {
        m_dataControl.reset(); // the compositor closed it: Qt's way from now on
        return false;
    }
    m_own = Own{items, promised, {}, offer};
    m_reachesOthers = true;
    noteOwnWrite();
    return true;
}

void QtPasteboard::onDataControlLost(quint64 offer)
{
    // The loss of an offer already replaced by ours is no change.
    if (!m_own || (offer != std::numeric_limits<quint64>::max() && offer != m_own->offer))
        return;
    m_own.reset();
    noteOwnWrite();
}

void QtPasteboard::setText(const QString& text)
{
    if (!m_clipboard || setThroughDataControl({{textType, text.toUtf8()}}, {}))
        return;
    m_own.reset();
    m_reachesOthers = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    m_writing = true;
    m_clipboard->setText(text, QClipboard::Clipboard);
    m_writing = false;
    noteOwnWrite();
}

void QtPasteboard::clearContents()
{
    if (!m_clipboard || setThroughDataControl({}, {}))
        return;
    m_own.reset();
    m_reachesOthers = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    // Owning the selection with nothing in it, rather than giving it up: on X11 giving it
    // up comes back later as a foreign change and would count the one clear twice.
    m_writing = true;
    m_clipboard->setMimeData(new QMimeData(), QClipboard::Clipboard);
    m_writing = false;
    noteOwnWrite();
}

void QtPasteboard::onClipboardChanged()
{
    // Qt also hears of our own data-control writes; their loss is counted when it comes.
    if (m_writing || m_own)
        return;
    ++m_changeCount;
    emit changed();
}

void QtPasteboard::noteOwnWrite()
{
    ++m_changeCount;
    emit changed();
}
