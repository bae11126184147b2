#include "Core/Localization.h"

#include "Core/LocalizationTable.h"
#include "Core/Settings.h"

#include <QLocale>

#include <mutex>

namespace {

struct LanguageInfo {
    AppLanguage language;
    const char* raw;
    const char* nativeName; // UTF-8; empty for `system`, whose name is localised
};

constexpr LanguageInfo kLanguages[] = {
    {AppLanguage::system, "system", ""},
    {AppLanguage::english, "en", "English"},
    {AppLanguage::chineseSimplified, "zh-Hans", "简体中文"},
    {AppLanguage::chineseTraditional, "zh-Hant", "繁體中文"},
    {AppLanguage::japanese, "ja", "日本語"},
    {AppLanguage::korean, "ko", "한국어"},
    {AppLanguage::german, "de", "Deutsch"},
    {AppLanguage::french, "fr", "Français"},
    {AppLanguage::spanish, "es", "Español"},
    {AppLanguage::italian, "it", "Italiano"},
    {AppLanguage::russian, "ru", "Русский"},
};

const LanguageInfo& infoFor(AppLanguage language)
{
    for (const LanguageInfo& info : kLanguages) {
        if (info.language == language)
            return info;
    }
    return kLanguages[1]; // unreachable for a valid enumerator
}

std::mutex& sourceMutex()
{
    static std::mutex mutex;
    return mutex;
}

AppLanguages::PreferredLanguagesSource& preferredSource()
{
    static AppLanguages::PreferredLanguagesSource source;
    return source;
}

QStringList preferredLanguages()
{
    AppLanguages::PreferredLanguagesSource source;
    {
        std::lock_guard<std::mutex> lock(sourceMutex());
        source = preferredSource();
    }
    if (source)
        return source();
    return QLocale::system().uiLanguages();
}

} // namespace

namespace AppLanguages {

const QList<AppLanguage>& allCases()
{
    static const QList<AppLanguage> cases = [] {
        QList<AppLanguage> list;
        for (const LanguageInfo& info : kLanguages)
            list.append(info.language);
        return list;
    }();
    return cases;
}

QString rawValue(AppLanguage language)
{
    return QString::fromLatin1(infoFor(language).raw);
}

std::optional<AppLanguage> fromRawValue(const QString& raw)
{
    for (const LanguageInfo& info : kLanguages) {
        if (raw == QLatin1String(info.raw))
            return info.language;
    }
    return std::nullopt;
}

QString displayName(AppLanguage language)
{
    if (language == AppLanguage::system)
        return localized(QStringLiteral("settings.language.system"));
    return QString::fromUtf8(infoFor(language).nativeName);
}

AppLanguage systemPreferred(const QStringList& preferredLanguagesList)
{
    const QString first = preferredLanguagesList.isEmpty() ? QStringLiteral("en")
                                                           : preferredLanguagesList.first().toLower();
    if (first.startsWith(QLatin1String("zh"))) {
        // Script first, then the regions that write Traditional Chinese: zh-hans-hk is Traditional.
        for (const char* marker : {"hant", "tw", "hk", "mo"}) {
            if (first.contains(QLatin1String(marker)))
                return AppLanguage::chineseTraditional;
        }
        return AppLanguage::chineseSimplified;
    }
    static constexpr std::pair<const char*, AppLanguage> prefixes[] = {
        {"ja", AppLanguage::japanese}, {"ko", AppLanguage::korean},   {"de", AppLanguage::german},
        {"fr", AppLanguage::french},   {"es", AppLanguage::spanish},  {"it", AppLanguage::italian},
        {"ru", AppLanguage::russian},
    };
    for (const auto& [prefix, language] : prefixes) {
        if (first.startsWith(QLatin1String(prefix)))
            return language;
    }
    return AppLanguage::english;
}

AppLanguage systemPreferred()
{
    return systemPreferred(preferredLanguages());
}

AppLanguage current()
{
    QString raw = Settings::appLanguage.read();
    const auto alias = legacyLanguageAliases().constFind(raw);
    if (alias != legacyLanguageAliases().constEnd())
        raw = alias.value();
    const AppLanguage chosen = fromRawValue(raw).value_or(AppLanguage::system);
    return chosen == AppLanguage::system ? systemPreferred() : chosen;
}

void setPreferredLanguagesSource(PreferredLanguagesSource source)
{
    std::lock_guard<std::mutex> lock(sourceMutex());
    preferredSource() = std::move(source);
}

} // namespace AppLanguages

const QHash<QString, QString>& legacyLanguageAliases()
{
    static const QHash<QString, QString> aliases = {
        {QStringLiteral("chinese"), QStringLiteral("zh-Hans")},
        {QStringLiteral("english"), QStringLiteral("en")},
    };
    return aliases;
}

namespace Localization {

QString lookup(const QHash<QString, QHash<QString, QString>>& table, const QString& key,
               const QString& languageCode)
{
    const auto entry = table.constFind(key);
    if (entry == table.constEnd())
        return key;
    const auto text = entry->constFind(languageCode);
    if (text != entry->constEnd())
        return text.value();
    const auto english = entry->constFind(QStringLiteral("en"));
    if (english != entry->constEnd())
        return english.value();
    return key;
}

QString fillPlaceholders(const QString& text, const QStringList& args)
{
    static const QString placeholder = QStringLiteral("%@");
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    for (const QString& arg : args) {
        const qsizetype at = text.indexOf(placeholder, from);
        if (at < 0)
            break;
        result += QStringView(text).mid(from, at - from);
        result += arg;
        from = at + placeholder.size();
    }
    result += QStringView(text).mid(from);
    return result;
}

} // namespace Localization

QLocale interfaceLocale()
{
    const QString stored = Settings::appLanguage.read();
    const std::optional<AppLanguage> chosen = AppLanguages::fromRawValue(legacyLanguageAliases().value(stored, stored));
    if (!chosen || *chosen == AppLanguage::system)
        return QLocale::system();
    switch (AppLanguages::current()) {
    case AppLanguage::chineseSimplified:
        return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
    case AppLanguage::chineseTraditional:
        return QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan);
    case AppLanguage::english:
        return QLocale(QLocale::English, QLocale::UnitedStates);
    default:
        // "de", "ja", "ru", ...: the language's main country.
        return QLocale(AppLanguages::rawValue(AppLanguages::current()));
    }
}

QString localized(const QString& key)
{
    const LocalizationTable& table = localizationTable();
    // Checked before the language so that unknown keys cost no settings read.
    if (!table.contains(key))
        return key;
    return Localization::lookup(table, key, AppLanguages::rawValue(AppLanguages::current()));
}

QString localizedFormat(const QString& key, const QStringList& args)
{
    return Localization::fillPlaceholders(localized(key), args);
}
