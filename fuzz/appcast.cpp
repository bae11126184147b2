// The update feed parser and version comparison on arbitrary feeds.
#include "FuzzSupport.h"

#include "App/Appcast.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<QList<AppcastItem>> items = Appcast::parse(Fuzz::bytes(data, size));
    if (!items)
        return 0;
    for (const AppcastItem& item : *items) {
        Fuzz::require(!item.version.isEmpty(), "every item has a version");
        const QString scheme = item.downloadUrl.scheme();
        Fuzz::require(scheme == QLatin1String("https") || scheme == QLatin1String("http"), "downloads come over the web");
        Fuzz::require(Appcast::compareVersions(item.version, item.version) == 0, "a version equals itself");
        for (const AppcastItem& other : *items) {
            const int forth = Appcast::compareVersions(item.version, other.version);
            const int back = Appcast::compareVersions(other.version, item.version);
            Fuzz::require((forth > 0) == (back < 0) && (forth == 0) == (back == 0), "versions order both ways alike");
        }
    }
    if (const std::optional<AppcastItem> newest = Appcast::newestUpdate(*items, QStringLiteral("1.0")))
        Fuzz::require(Appcast::compareVersions(newest->version, QStringLiteral("1.0")) > 0, "an update is newer");
    return 0;
}
