#include "Platform/Pasteboard.h"

#include "Platform/QtPasteboard.h"

#include <atomic>

namespace {
std::atomic<Pasteboard*> g_testPasteboard{nullptr};
}

Pasteboard& Pasteboard::general()
{
    if (Pasteboard* installed = g_testPasteboard.load())
        return *installed;
    // Created on first use, which must be on the main thread (QClipboard lives there);
    // never destroyed, so late readers during shutdown still find it.
    static QtPasteboard* clipboard = new QtPasteboard();
    return *clipboard;
}

void Pasteboard::setGeneralForTesting(Pasteboard* pasteboard)
{
    g_testPasteboard.store(pasteboard);
}

void Pasteboard::setItems(const QList<Item>& items, const QList<PromisedItem>& promised)
{
    QList<Item> all = items;
    for (const PromisedItem& item : promised) {
        const QByteArray bytes = item.make ? item.make() : QByteArray();
        if (!bytes.isEmpty())
            all.append({item.mimeType, bytes});
    }
    setItems(all);
}
